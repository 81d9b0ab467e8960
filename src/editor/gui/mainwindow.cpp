#include "editor/gui/mainwindow.h"

#include "about/aboutdialog.h"
#include "editor/gui/helpwindow.h"
#include "editor/gui/tasklistview.h"
#include "editor/listcommands.h"
#include "editor/listdisplay.h"
#include "editor/transfer.h"
#include "launcher/gui/launchwindow.h"
#include "launcher/gui/statusview.h"
#include "launcher/gui/waittimer.h"
#include "launcher/runner.h"
#include "store/busyguard.h"
#include "store/tasklayout.h"
#include "taskeditor/gui/taskdialog.h"
#include "ui/designscale.h"
#include "ui/helpcontext.h"
#include "ui/pointer.h"
#include "ui/windowplacement.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

namespace velmora {

namespace {
// How far right of a line's left edge the keyboard's popup menu opens: under
// the line's text rather than on the list's frame.
constexpr int kMenuIndent = 2;

// The design's client area and the smallest outer size start-up allows, in twips.
constexpr double kDesignWidth = 5880, kDesignHeight = 3000;
constexpr double kMinOuterWidth = 5976, kMinOuterHeight = 3360;

QIcon programIcon() {
    QIcon icon;
    for (int side : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/velmora/icons/velmora-%1.png").arg(side), QSize(side, side));
    return icon;
}

QPushButton* button(const QString& caption, QWidget* parent) { return new QPushButton(caption, parent); }

// A square button no larger than its caption needs inside the frame the
// style draws. Styles give captioned buttons a minimum width meant for words
// and room around the caption meant for long ones; both would make "<" or
// "?" a wide, tall button and the column of commands taller than the design.
void makeSquare(QPushButton* b, int designSide) {
    QStyleOptionButton option;
    option.initFrom(b);
    option.text = b->text();
    const int frame = b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, b);
    const QSize caption = b->fontMetrics().size(Qt::TextShowMnemonic, b->text());
    const int side = std::max({designSide, caption.width() + 2 * frame, caption.height() + 2 * frame});
    b->setFixedSize(side, side);
}

bool isControlText(const QString& text) {
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() < 32 || c.unicode() == 127; });
}

// Disables controls for its lifetime and gives back exactly the state each
// had: a control that was already disabled (Install once installed) stays so.
// The focus goes back where it was.
class ControlsLock {
public:
    ControlsLock(QWidget* window, std::initializer_list<QWidget*> controls) : m_focus(window->focusWidget()) {
        for (QWidget* w : controls) {
            if (!w->isEnabled()) continue;
            w->setEnabled(false);
            m_disabled.emplace_back(w);
        }
    }
    ~ControlsLock() {
        for (const QPointer<QWidget>& w : m_disabled)
            if (w) w->setEnabled(true);
        if (m_focus) m_focus->setFocus();
    }
    ControlsLock(const ControlsLock&) = delete;
    ControlsLock& operator=(const ControlsLock&) = delete;

private:
    QPointer<QWidget> m_focus;
    std::vector<QPointer<QWidget>> m_disabled;
};

}  // namespace

MainWindow::MainWindow(SettingsStore& store, Prompts& prompts, ProcessLauncher& launcher, const Clock& clock,
                       QProcessEnvironment environment, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_prompts(prompts),
      m_launcher(launcher),
      m_clock(clock),
      m_environment(std::move(environment)),
      m_windowSystem(createWindowSystem()),
      m_taskList(new TaskListView(this)),
      m_addButton(button(QStringLiteral("&Add"), this)),
      m_editButton(button(QStringLiteral("&Edit"), this)),
      m_upButton(button(QStringLiteral("&<"), this)),
      m_downButton(button(QStringLiteral("&>"), this)),
      m_deleteButton(button(QStringLiteral("&Delete"), this)),
      m_testButton(button(QStringLiteral("&Test"), this)),
      m_installButton(button(QStringLiteral("&Install"), this)),
      m_aboutButton(button(QStringLiteral("&?"), this)),
      m_defaultKeyLabel(new QLabel(QStringLiteral("De&fault:"), this)),
      m_defaultKeyEdit(new QLineEdit(this)),
      m_exitButton(button(QStringLiteral("E&xit"), this)),
      m_listMenu(new QMenu(QStringLiteral("Listboxmenu"), this)),
      m_editAction(m_listMenu->addAction(QStringLiteral("Edit"))),
      m_addAction(m_listMenu->addAction(QStringLiteral("Add"))),
      m_separatorAction(m_listMenu->addSeparator()),
      m_deleteAction(m_listMenu->addAction(QStringLiteral("Delete"))) {
    setWindowTitle(QStringLiteral("Velmora"));
    setWindowIcon(programIcon());
    setFont(interfaceFont(kDesignPointSize));
    // A dialog-style frame: it can be minimised and closed but not resized.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    m_upButton->setFont(interfaceFont(12));
    m_downButton->setFont(interfaceFont(12));
    m_defaultKeyLabel->setBuddy(m_defaultKeyEdit);
    // The buttons whose captions are signs read as words, to the eye in their
    // tooltips and to a screen reader in their names.
    m_upButton->setToolTip(QStringLiteral("Move up (earlier at logon)"));
    m_downButton->setToolTip(QStringLiteral("Move down (later at logon)"));
    m_aboutButton->setToolTip(QStringLiteral("About Velmora"));
    const std::pair<QWidget*, const char*> spoken[] = {{m_taskList, "Launch list"},
                                                       {m_upButton, "Move up"},
                                                       {m_downButton, "Move down"},
                                                       {m_aboutButton, "About Velmora"},
                                                       {m_defaultKeyEdit, "Default start key"}};
    for (const auto& [w, name] : spoken) w->setAccessibleName(QLatin1String(name));
    // The box is one character wide: no inner margins to eat that character.
    m_defaultKeyEdit->setTextMargins(0, 0, 0, 0);
    m_defaultKeyEdit->setAlignment(Qt::AlignCenter);

    // The list on the left; the commands in one column on the right, from
    // Add at the top to Exit at the lower right, as tight as the design.
    const DesignScale design(font());
    makeSquare(m_upButton, design.y(300));
    makeSquare(m_downButton, design.y(300));
    makeSquare(m_aboutButton, design.y(288));
    // Wide enough for its widest value, one lower-case letter.
    m_defaultKeyEdit->setFixedSize(
        design.size(288, 288).expandedTo(lineEditSizeFor(m_defaultKeyEdit, QStringLiteral("m"))));
    // Once installed the button is hidden; its place stays empty, so the
    // controls below it do not move.
    QSizePolicy installPolicy = m_installButton->sizePolicy();
    installPolicy.setRetainSizeWhenHidden(true);
    m_installButton->setSizePolicy(installPolicy);

    auto* arrows = new QHBoxLayout;
    arrows->setSpacing(0);
    arrows->addWidget(m_upButton);
    arrows->addStretch();
    arrows->addWidget(m_downButton);

    auto* commands = new QVBoxLayout;
    commands->setSpacing(design.y(12));
    commands->addWidget(m_addButton);
    commands->addWidget(m_editButton);
    commands->addLayout(arrows);
    commands->addWidget(m_deleteButton);
    commands->addWidget(m_testButton);
    commands->addWidget(m_installButton);
    commands->addWidget(m_aboutButton, 0, Qt::AlignHCenter);
    commands->addWidget(m_defaultKeyLabel);
    commands->addWidget(m_defaultKeyEdit, 0, Qt::AlignHCenter);
    commands->addStretch();
    commands->addWidget(m_exitButton);

    auto* window = new QHBoxLayout(this);
    window->setContentsMargins(design.margins(36, 48, 24, 12));
    window->setSpacing(design.x(60));
    window->addWidget(m_taskList, 1);
    window->addLayout(commands);

    // The design's size is the default; the layout's needs come first.
    m_client = design.size(kDesignWidth, kDesignHeight).expandedTo(window->totalMinimumSize());
    setFixedSize(m_client);
    // Laid out now rather than at the first show: the window is measured
    // and placed before it is shown.
    window->activate();

    const std::pair<QObject*, const char*> names[] = {{m_taskList, "taskList"},
                                                      {m_addButton, "addButton"},
                                                      {m_editButton, "editButton"},
                                                      {m_upButton, "upButton"},
                                                      {m_downButton, "downButton"},
                                                      {m_deleteButton, "deleteButton"},
                                                      {m_testButton, "testButton"},
                                                      {m_installButton, "installButton"},
                                                      {m_aboutButton, "aboutButton"},
                                                      {m_defaultKeyLabel, "defaultKeyLabel"},
                                                      {m_defaultKeyEdit, "defaultKeyEdit"},
                                                      {m_exitButton, "exitButton"},
                                                      {m_listMenu, "listMenu"},
                                                      {m_editAction, "editAction"},
                                                      {m_addAction, "addAction"},
                                                      {m_separatorAction, "separatorAction"},
                                                      {m_deleteAction, "deleteAction"}};
    for (const auto& [object, name] : names) object->setObjectName(QLatin1String(name));

    QWidget* const order[] = {m_taskList,    m_addButton,      m_editButton, m_upButton,
                              m_downButton,  m_deleteButton,   m_testButton, m_installButton,
                              m_aboutButton, m_defaultKeyEdit, m_exitButton};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    int topic = 10;
    for (QWidget* w : order) {
        setHelpContext(w, topic);
        topic += 10;
    }

    // The popup menu's default item, drawn bold also by styles that do not
    // embolden a menu's default action themselves.
    m_listMenu->setDefaultAction(m_editAction);
    QFont bold = m_listMenu->font();
    bold.setBold(true);
    m_editAction->setFont(bold);

    connect(m_addButton, &QPushButton::clicked, this, &MainWindow::addTask);
    connect(m_editButton, &QPushButton::clicked, this, &MainWindow::editTask);
    connect(m_upButton, &QPushButton::clicked, this, &MainWindow::moveTaskUp);
    connect(m_downButton, &QPushButton::clicked, this, &MainWindow::moveTaskDown);
    connect(m_deleteButton, &QPushButton::clicked, this, &MainWindow::deleteTask);
    connect(m_testButton, &QPushButton::clicked, this, &MainWindow::testRun);
    connect(m_installButton, &QPushButton::clicked, this, &MainWindow::install);
    connect(m_aboutButton, &QPushButton::clicked, this, &MainWindow::showAbout);
    connect(m_exitButton, &QPushButton::clicked, this, &MainWindow::exitProgram);
    connect(m_editAction, &QAction::triggered, this, &MainWindow::editTask);
    connect(m_addAction, &QAction::triggered, this, &MainWindow::addTask);
    connect(m_deleteAction, &QAction::triggered, this, &MainWindow::deleteTask);
    connect(m_taskList, &QTreeWidget::itemDoubleClicked, this, &MainWindow::editTask);
    connect(m_taskList, &TaskListView::mouseReleased, this, &MainWindow::showListMenu);
    connect(m_taskList, &TaskListView::menuKeyPressed, this, &MainWindow::showListMenuFromKeyboard);
    connect(m_taskList, &TaskListView::lineDropped, this, &MainWindow::dropTask);
    m_defaultKeyEdit->installEventFilter(this);
}

MainWindow::~MainWindow() = default;

void MainWindow::load(bool installed, const QString& defaultKey, const QString& helpFile,
                      const QString& readOnlyReason) {
    if (installed) {
        m_installButton->hide();
        m_installButton->setEnabled(false);
    }
    const bool readOnly = !m_store.writable();
    if (readOnly) {
        for (QPushButton* b :
             {m_addButton, m_editButton, m_upButton, m_downButton, m_deleteButton, m_installButton})
            b->setEnabled(false);
        m_defaultKeyEdit->setReadOnly(true);
        m_taskList->setDragEnabled(false);
    }
    m_helpFile = helpFile.isEmpty() ? locateHelpFile(QCoreApplication::applicationDirPath()) : helpFile;

    // The stored placement may enlarge the window; it is fixed again afterwards.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    try {
        restorePlacement(m_store, this, kApp, kWindow, kLocation);
    } catch (const StoreError& e) {
        m_prompts.error(this, e.text());
    }
    enforceMinimumSize();
    keepOnScreen();
    setFixedSize(size());

    m_defaultKeyEdit->setText(defaultKey);
    show();
    refreshList();
    if (readOnly) {
        m_prompts.warn(this,
                       (readOnlyReason.isEmpty() ? QStringLiteral("The settings store cannot be written.")
                                                 : readOnlyReason) +
                           QStringLiteral("\n\n") +
                           QStringLiteral("The launch list is shown as it is stored; "
                                          "changes cannot be saved."));
    }
}

bool MainWindow::refusesChanges() {
    if (m_store.writable()) return false;
    m_prompts.beep();
    return true;
}

void MainWindow::enforceMinimumSize() {
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    const TwipRect outer = windowTwips(this);
    // The least outer size is the least client area in this font plus the room the design leaves for the
    // frame; that room is the window manager's and does not grow with the font. Rounded up: a minimum rounded
    // down would leave the window a pixel short.
    const double minHeight = pixelsToTwipsY(m_client.height()) + (kMinOuterHeight - kDesignHeight);
    const double minWidth = pixelsToTwipsX(m_client.width()) + (kMinOuterWidth - kDesignWidth);
    const int height = outer.height < minHeight ? int(std::ceil(minHeight / twipsPerPixelY() - 1e-9)) : 0;
    const int width = outer.width < minWidth ? int(std::ceil(minWidth / twipsPerPixelX() - 1e-9)) : 0;
    // Never below the least client area: a window manager with a taller
    // frame than the design assumed, or a font that needed more room, would
    // otherwise cut off the lowest controls. Before the window is framed the
    // outer size is the client area's; it is settled once the frame is known.
    setOuterSize(this, width, height, m_client);
}

void MainWindow::keepOnScreen() {
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    if (!liesOffEveryScreen(this)) return;
    const QRect frame = frameGeometry();
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return;
    // A monitor that held the window is gone: bring it back, centred.
    const QRect area = primary->availableGeometry();
    move(std::max(area.left(), area.center().x() - frame.width() / 2),
         std::max(area.top(), area.center().y() - frame.height() / 2));
}

void MainWindow::refreshList() {
    QString failure;
    {
        const BusyGuard busy(showBusyPointer);
        m_taskList->clear();
        const QFontMetricsF metrics(m_taskList->font());
        m_taskList->setColumnLayout(
            computeColumnLayout([&metrics](const QString& text) { return metrics.horizontalAdvance(text); }));

        try {
            // The tooltip tells the whole task, so every value is read.
            walkTasks(m_store, {TaskField::App, TaskField::Wait, TaskField::Opt, TaskField::Keys},
                      [&](int n, const TaskRecord& task) {
                          m_taskList->appendTask(n, task);
                          return true;
                      });
        } catch (const StoreError& e) {
            // Show what could be read; the reason follows once the pointer is back.
            failure = e.text();
        }
        m_taskList->selectRow(-1);
        m_taskList->viewport()->update();
    }
    if (!failure.isEmpty()) m_prompts.error(this, failure);
}

void MainWindow::runTasks() {
    if (!m_statusForm) {
        testRun();
        return;
    }
    if (m_walking) return;
    const QScopedValueRollback walking(m_walking, true);
    StatusView view(*m_statusForm, this);
    WaitTimer wait;
    // Enter or the close button of the status window ends a seconds-wait, as
    // at start-up.
    connect(m_statusForm, &LaunchWindow::waitEndRequested, &wait, &WaitTimer::endWait);
    TaskRunner runner(m_store, m_launcher, view, wait, m_clock);
    runner.runTasks(RunPurpose::Test, QString());
}

int MainWindow::listIndex() const { return m_taskList->selectedRow(); }

void MainWindow::setListIndex(int row) { m_taskList->selectRow(row); }

int MainWindow::selectedTaskNumber() const {
    const int k = listIndex();
    if (k < 0) return 0;
    const int number =
        m_taskList->line(k)->data(TaskListView::NumberColumn, TaskListView::kTaskNumberRole).toInt();
    return number >= 1 && number <= kMaxTasks ? number : 0;
}

void MainWindow::openTaskDialog(int taskNumber, const QString& caption) {
    {
        TaskDialog form(m_store, m_prompts, taskNumber, this);
        centerOverOwner(&form, this);
        form.setWindowTitle(caption);
        form.installEventFilter(this);
        form.exec();
    }
    refreshList();
}

void MainWindow::addTask() {
    if (testRunning() || refusesChanges()) return;
    openTaskDialog(0, QStringLiteral("New Task"));
}

void MainWindow::editTask() {
    if (testRunning() || refusesChanges()) return;
    // A line that carries no task number would open the editor as "Edit
    // Task" over a new task; it counts as no selection.
    const int number = selectedTaskNumber();
    if (number == 0) {
        m_prompts.beep();
        return;
    }
    openTaskDialog(number, QStringLiteral("Edit Task"));
}

void MainWindow::deleteTask() {
    if (testRunning() || refusesChanges()) return;
    const int number = selectedTaskNumber();
    if (number == 0) {
        m_prompts.beep();
        return;
    }
    if (m_prompts.askYesNo(this, QStringLiteral("Are you sure you want to delete this task ?")) !=
        Prompts::Answer::Yes)
        return;
    try {
        // One transaction gives the end state of carrying the task to the end
        // of the list one exchange at a time; a failure keeps the list whole.
        velmora::deleteTask(m_store, number, m_taskList->lineCount());
    } catch (const StoreError& e) {
        m_prompts.error(this, e.text());
    }
    refreshList();
}

void MainWindow::moveTaskUp() { moveSelected(moveUp, -1); }

void MainWindow::moveTaskDown() { moveSelected(moveDown, +1); }

void MainWindow::moveSelected(bool (*move)(SettingsStore&, int, int), int step) {
    if (testRunning() || refusesChanges()) return;
    const int k = listIndex();
    try {
        if (!move(m_store, k, m_taskList->lineCount())) {
            m_prompts.beep();
            return;
        }
    } catch (const StoreError& e) {
        // The exchange was one transaction: nothing moved, the selection stays.
        m_prompts.error(this, e.text());
        return;
    }
    refreshList();
    setListIndex(k + step);
}

void MainWindow::dropTask(int from, int to) {
    if (testRunning() || refusesChanges()) return;
    try {
        if (!moveTask(m_store, from, to, m_taskList->lineCount())) return;
    } catch (const StoreError& e) {
        // One transaction: the list is as it was, and so is the view.
        m_prompts.error(this, e.text());
        return;
    }
    refreshList();
    setListIndex(to);
}

void MainWindow::testRun() {
    if (testRunning()) return;
    QString failure;
    {
        // The runner's waits keep handling window events, so the window stays
        // drawn; its commands must not start a second run or change the list
        // under the runner meanwhile.
        const ControlsLock lock(
            this, {m_taskList, m_addButton, m_editButton, m_upButton, m_downButton, m_deleteButton,
                   m_testButton, m_installButton, m_aboutButton, m_defaultKeyEdit, m_exitButton});
        try {
            LaunchWindow status(m_store);
            status.setWindowIcon(windowIcon());
            const QScopedValueRollback loaded(m_statusForm, &status);
            // The runner fills it and lets it be drawn.
            status.show();
            try {
                runTasks();
            } catch (const StoreError& e) {
                failure = e.text();
            }
            // Unloaded also after a failed run; it hides even when its
            // placement cannot be saved.
            status.unload();
        } catch (const StoreError& e) {
            if (failure.isEmpty()) failure = e.text();
        }
    }
    if (!failure.isEmpty()) m_prompts.error(this, failure);
}

void MainWindow::install() {
    if (testRunning() || refusesChanges()) return;
    bool confirmed = false;
    bool hide = false;
    QString failure;
    try {
        StartUpTransfer transfer(m_store, m_environment, QCoreApplication::applicationDirPath());
        hide =
            installClicked(m_store, transfer,
                           {[this, &confirmed](const QString& question) {
                                confirmed = m_prompts.askYesNo(this, question) == Prompts::Answer::Yes;
                                return confirmed;
                            },
                            [this](const QString& text) { m_prompts.warn(this, text); },
                            [this](const QString& text) { m_prompts.inform(this, text); }, showBusyPointer});
    } catch (const StoreError& e) {
        failure = e.text();
    }
    if (hide) {
        m_installButton->setEnabled(false);
        m_installButton->hide();
    }
    if (!failure.isEmpty()) m_prompts.error(this, failure);
    // Declined, nothing changed; otherwise tasks may have arrived, also when
    // the transfer stopped half-way.
    if (confirmed) refreshList();
}

void MainWindow::showAbout() {
    AboutDialog about(this);
    about.setIcon(windowIcon());
    centerOverOwner(&about, this);
    about.exec();
}

void MainWindow::exitProgram() {
    // An open help window must not keep the program alive.
    if (close()) QCoreApplication::quit();
}

void MainWindow::prepareListMenu() {
    const bool selected = listIndex() >= 0;
    const bool writable = m_store.writable();
    m_editAction->setEnabled(selected && writable);
    m_deleteAction->setEnabled(selected && writable);
    m_addAction->setEnabled(writable);
    m_listMenu->setDefaultAction(m_editAction);
}

void MainWindow::showListMenu(Qt::MouseButton button, const QPoint& globalPos) {
    if (button != Qt::RightButton) return;
    prepareListMenu();
    m_listMenu->popup(globalPos);
}

void MainWindow::showListMenuFromKeyboard() {
    // The platform may report the Menu key both as a context menu request
    // and as a key press; the menu opens once.
    if (m_listMenu->isVisible()) return;
    prepareListMenu();
    QPoint at(0, 0);
    if (const int k = listIndex(); k >= 0) {
        QTreeWidgetItem* line = m_taskList->line(k);
        m_taskList->scrollToItem(line);
        at = m_taskList->visualItemRect(line).bottomLeft();
        at.setX(std::max(0, at.x()) + kMenuIndent);
    }
    m_listMenu->popup(m_taskList->viewport()->mapToGlobal(at));
}

void MainWindow::showHelp(int topic) { showHelpIn(this, m_help, topic); }

void MainWindow::showHelpIn(QWidget* owner, HelpWindow*& window, int topic) {
    if (!QFileInfo(m_helpFile).isFile()) {
        m_prompts.warn(
            owner, QStringLiteral("The help file cannot be found:\n") + QDir::toNativeSeparators(m_helpFile));
        return;
    }
    if (!window) window = new HelpWindow(owner);
    if (!window->showTopic(m_helpFile, topic)) {
        m_prompts.warn(
            owner, QStringLiteral("The help file cannot be read:\n") + QDir::toNativeSeparators(m_helpFile));
        return;
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void MainWindow::showTaskDialogHelp(TaskDialog* form) {
    // A modal editor blocks every window outside it, the main window's help
    // included; a help window of its own stays readable and closes with it.
    HelpWindow* help = form->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
    showHelpIn(form, help, helpContextOf(form->focusWidget()));
}

bool MainWindow::defaultKeyAccepts(const QString& typed) const {
    if (isControlText(typed)) return true;
    if (!m_defaultKeyEdit->text().isEmpty()) return false;
    return typed.size() == 1 && typed[0] >= QLatin1Char('a') && typed[0] <= QLatin1Char('z');
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // F1 reaches the editor once its focused control has passed it on.
        if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier) {
            if (auto* form = qobject_cast<TaskDialog*>(watched)) {
                showTaskDialogHelp(form);
                return true;
            }
        }
    }
    if (watched == m_defaultKeyEdit && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Keys that type nothing (arrows, Delete, F1) are not characters.
        if (key->key() != Qt::Key_Delete && !defaultKeyAccepts(key->text())) return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        showHelp(helpContextOf(focusWidget()));
        event->accept();
        return;
    }
    // A button outside a dialog lets Return pass; here it presses the focused
    // button, as Space does. Return anywhere else does nothing.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !(event->modifiers() & ~Qt::KeypadModifier)) {
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget()); focused && focused->isEnabled())
            focused->click();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (testRunning()) {
        m_prompts.beep();
        event->ignore();
        return;
    }
    QString failure;
    // A store opened for reading was reported when the window opened.
    if (!m_store.writable()) {
        if (m_help) m_help->close();
        event->accept();
        return;
    }
    try {
        savePlacement(m_store, this, kApp, kWindow, kLocation, platformPlacementScope(),
                      m_windowSystem->framedGeometry(*this));
    } catch (const StoreError& e) {
        failure = e.text();
    }
    try {
        m_store.write(kApp, kSequence, kDefaultKey, m_defaultKeyEdit->text());
    } catch (const StoreError& e) {
        if (failure.isEmpty()) failure = e.text();
    }
    if (!failure.isEmpty())
        m_prompts.error(this, QStringLiteral("The settings could not be saved.\n") + failure);
    if (m_help) m_help->close();
    event->accept();
}

}  // namespace velmora
