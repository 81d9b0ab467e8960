#include "editor/gui/mainform.h"

#include "about/frmabout.h"
#include "editor/gui/helpwindow.h"
#include "editor/gui/tablistwidget.h"
#include "editor/listdisplay.h"
#include "launcher/gui/windowplacement.h"
#include "store/tasklayout.h"
#include "ui/geometry.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <cmath>

// The icons live in a resource library of their own; naming its initialiser
// here makes the linker keep it in every program that has a main window.
static void initVelmoraResources() { Q_INIT_RESOURCE(velmora); }

namespace velmora {

namespace {
const QChar kCR(13);

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

bool isControlText(const QString& text) {
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() < 32 || c.unicode() == 127; });
}
}  // namespace

Mainform::Mainform(SettingsStore& store, LauncherState& state, EditedTaskState& edited,
                   Prompts& prompts, ProcessLauncher& launcher, const Clock& clock, QWidget* parent)
    : QWidget(parent),
      List1(new TabListWidget(this)),
      cmdAdd(button(QStringLiteral("&Add"), this)),
      cmdEdit(button(QStringLiteral("&Edit"), this)),
      cmdUp(button(QStringLiteral("<"), this)),
      cmdDown(button(QStringLiteral(">"), this)),
      cmdDel(button(QStringLiteral("&Delete"), this)),
      cmdTest(button(QStringLiteral("&Test"), this)),
      cmdInstall(button(QStringLiteral("Install"), this)),
      cmdAbout(button(QStringLiteral("?"), this)),
      Label1(new QLabel(QStringLiteral("Default:"), this)),
      txtDef(new QLineEdit(this)),
      cmdExit(button(QStringLiteral("E&xit"), this)),
      mnuList(new QMenu(QStringLiteral("Listboxmenu"), this)),
      mnuLE(mnuList->addAction(QStringLiteral("Edit"))),
      mnuLA(mnuList->addAction(QStringLiteral("Add"))),
      mnuLSep(mnuList->addSeparator()),
      mnuLD(mnuList->addAction(QStringLiteral("Delete"))),
      m_store(store),
      m_state(state),
      m_edited(edited),
      m_prompts(prompts),
      m_launcher(launcher),
      m_clock(clock) {
    initVelmoraResources();
    setWindowTitle(QStringLiteral("Velmora"));
    setWindowIcon(programIcon());
    setFont(interfaceFont(8.25));
    // A dialog-style frame: it can be minimised and closed but not resized.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(twipsToPixelsX(kDesignWidth), twipsToPixelsY(kDesignHeight));

    List1->setGeometry(twipsRect(36, 48, 5052, 2928));
    cmdAdd->setGeometry(twipsRect(5148, 60, 708, 288));
    cmdEdit->setGeometry(twipsRect(5148, 360, 708, 288));
    cmdUp->setGeometry(twipsRect(5148, 660, 300, 300));
    cmdDown->setGeometry(twipsRect(5560, 660, 300, 300));
    cmdDel->setGeometry(twipsRect(5148, 972, 708, 288));
    cmdTest->setGeometry(twipsRect(5148, 1272, 708, 288));
    cmdInstall->setGeometry(twipsRect(5148, 1572, 708, 288));
    cmdAbout->setGeometry(twipsRect(5358, 1872, 288, 288));
    Label1->setGeometry(twipsRect(5148, 2172, 684, 200));
    txtDef->setGeometry(twipsRect(5352, 2372, 288, 288));
    cmdExit->setGeometry(twipsRect(5148, 2700, 708, 288));
    cmdUp->setFont(interfaceFont(12));
    cmdDown->setFont(interfaceFont(12));
    // The box is one character wide: no inner margins to eat that character.
    txtDef->setTextMargins(0, 0, 0, 0);
    txtDef->setAlignment(Qt::AlignCenter);

    QWidget* const order[] = {List1, cmdAdd, cmdEdit, cmdUp, cmdDown, cmdDel,
                              cmdTest, cmdInstall, cmdAbout, txtDef, cmdExit};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    int topic = 10;
    for (QWidget* w : order) {
        setHelpContext(w, topic);
        topic += 10;
    }

    // The popup menu's default item, drawn bold also by styles that do not
    // embolden a menu's default action themselves.
    mnuList->setDefaultAction(mnuLE);
    QFont bold = mnuList->font();
    bold.setBold(true);
    mnuLE->setFont(bold);

    connect(cmdAdd, &QPushButton::clicked, this, &Mainform::cmdAdd_Click);
    connect(cmdEdit, &QPushButton::clicked, this, &Mainform::cmdEdit_Click);
    connect(cmdUp, &QPushButton::clicked, this, &Mainform::cmdUp_Click);
    connect(cmdDown, &QPushButton::clicked, this, &Mainform::cmdDown_Click);
    connect(cmdDel, &QPushButton::clicked, this, &Mainform::cmdDel_Click);
    connect(cmdTest, &QPushButton::clicked, this, &Mainform::cmdTest_Click);
    connect(cmdInstall, &QPushButton::clicked, this, &Mainform::cmdInstall_Click);
    connect(cmdAbout, &QPushButton::clicked, this, &Mainform::cmdAbout_Click);
    connect(cmdExit, &QPushButton::clicked, this, &Mainform::cmdExit_Click);
    connect(mnuLE, &QAction::triggered, this, &Mainform::cmdEdit_Click);
    connect(mnuLA, &QAction::triggered, this, &Mainform::cmdAdd_Click);
    connect(mnuLD, &QAction::triggered, this, &Mainform::cmdDel_Click);
    connect(List1, &QListWidget::itemDoubleClicked, this, [this] { cmdEdit_Click(); });
    connect(List1, &TabListWidget::mouseReleased, this, &Mainform::List1_MouseUp);
    txtDef->installEventFilter(this);
}

Mainform::~Mainform() = default;

void Mainform::load(bool installed, const QString& defaultKey, const QString& helpFile) {
    if (installed) {
        cmdInstall->hide();
        cmdInstall->setEnabled(false);
    }
    m_helpFile = helpFile.isEmpty() ? locateHelpFile(QCoreApplication::applicationDirPath()) : helpFile;

    // The stored placement may enlarge the window; it is fixed again afterwards.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    try {
        RestorePlacement(m_store, this, kApp, kWindow, kLocation);
    } catch (const StoreError& e) {
        m_prompts.error(this, QString::fromUtf8(e.what()));
    }
    enforceMinimumSize();
    keepOnScreen();
    setFixedSize(size());
    // Before it is shown the window has no frame, so the stored outer size
    // went to the client area; taken as it is, the window would grow by its
    // frame on every start.
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        m_pendingOuter = frameGeometry().size();

    txtDef->setText(defaultKey);
    show();
    settleFrame();
    ShowData();
}

void Mainform::settleFrame() {
    if (!m_pendingOuter.isValid()) return;
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    const QSize frame = frameGeometry().size() - size();
    if (frame.isNull()) return;  // not framed yet, or never will be
    const QSize design(twipsToPixelsX(kDesignWidth), twipsToPixelsY(kDesignHeight));
    const QSize client = (m_pendingOuter - frame).expandedTo(design);
    m_pendingOuter = QSize();
    if (client != size()) setFixedSize(client);
}

bool Mainform::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowStateChange:
        settleFrame();
        break;
    default:
        break;
    }
    return handled;
}

void Mainform::enforceMinimumSize() {
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    const TwipRect outer = windowTwips(this);
    const QSize frame = frameGeometry().size() - size();
    int w = width();
    int h = height();
    // Rounded up: a minimum rounded down would leave the window a pixel short.
    if (outer.height < kMinOuterHeight)
        h = int(std::ceil(kMinOuterHeight / twipsPerPixelY() - 1e-9)) - frame.height();
    if (outer.width < kMinOuterWidth)
        w = int(std::ceil(kMinOuterWidth / twipsPerPixelX() - 1e-9)) - frame.width();
    // A window manager with a taller frame than the design assumed would
    // otherwise cut off the lowest controls.
    w = std::max(w, twipsToPixelsX(kDesignWidth));
    h = std::max(h, twipsToPixelsY(kDesignHeight));
    resize(w, h);
}

void Mainform::keepOnScreen() {
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    const QRect frame = frameGeometry();
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (const QScreen* screen : screens)
        if (screen->geometry().intersects(frame)) return;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return;
    // A monitor that held the window is gone: bring it back, centred.
    const QRect area = primary->availableGeometry();
    move(std::max(area.left(), area.center().x() - frame.width() / 2),
         std::max(area.top(), area.center().y() - frame.height() / 2));
}

void Mainform::ShowData() {
    QString failure;
    {
        PointerGuard busy(11);
        List1->clear();
        const QFontMetricsF metrics(List1->font());
        const ColumnLayout layout = computeColumnLayout(
            [&metrics](const QString& text) { return metrics.horizontalAdvance(text); });
        List1->setTabStops(layout.tabStops(), layout.avg);
        List1->setHorizontalExtent(layout.extent);

        QStringList lines;
        try {
            for (int n = 1; n <= kMaxTasks; ++n) {
                const QStringList v = m_store.readMany(
                    kApp, kSequence, {taskKey(QStringLiteral("Desc"), n), taskKey(QStringLiteral("Wait"), n)});
                if (v[0].isEmpty()) break;
                lines.append(listLine(n, v[0], v[1]));
            }
        } catch (const StoreError& e) {
            // Show what could be read; the reason follows once the pointer is back.
            failure = QString::fromUtf8(e.what());
        }
        List1->addItems(lines);
        List1->clearSelection();
        List1->setCurrentRow(-1);
        List1->viewport()->update();
    }
    if (!failure.isEmpty()) m_prompts.error(this, failure);
}

void Mainform::RunTasks() {
    // Not yet: the task runner is wired in with the list commands.
}

int Mainform::ListIndex() const {
    const QList<QListWidgetItem*> selected = List1->selectedItems();
    return selected.isEmpty() ? -1 : List1->row(selected.front());
}

void Mainform::setListIndex(int row) {
    if (row < 0 || row >= List1->count()) {
        List1->clearSelection();
        List1->setCurrentRow(-1);
        return;
    }
    List1->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void Mainform::cmdAdd_Click() {
    // Not yet: opens the task editor for a new task.
}
void Mainform::cmdEdit_Click() {
    // Not yet: opens the task editor for the selected task.
}
void Mainform::cmdDel_Click() {
    // Not yet: deletes the selected task after confirmation.
}
void Mainform::cmdUp_Click() {
    // Not yet: moves the selected task one place earlier.
}
void Mainform::cmdDown_Click() {
    // Not yet: moves the selected task one place later.
}
void Mainform::cmdTest_Click() {
    // Not yet: runs the launch list in the status window.
}
void Mainform::cmdInstall_Click() {
    // Not yet: moves the autostart folder into the launch list.
}

void Mainform::cmdAbout_Click() {
    frmAbout about(this);
    about.setPicture(windowIcon());
    CenterOverOwner(&about, this);
    about.exec();
}

void Mainform::cmdExit_Click() {
    // An open help window must not keep the program alive.
    if (close()) QCoreApplication::quit();
}

void Mainform::prepareListMenu() {
    const bool selected = ListIndex() >= 0;
    mnuLE->setEnabled(selected);
    mnuLD->setEnabled(selected);
    mnuLA->setEnabled(true);
    mnuList->setDefaultAction(mnuLE);
}

void Mainform::List1_MouseUp(Qt::MouseButton button, const QPoint& globalPos) {
    if (button != Qt::RightButton) return;
    prepareListMenu();
    mnuList->popup(globalPos);
}

void Mainform::showHelp(int topic) {
    if (!QFileInfo(m_helpFile).isFile()) {
        m_prompts.warn(this, QStringLiteral("The help file cannot be found:") + kCR +
                                 QDir::toNativeSeparators(m_helpFile));
        return;
    }
    if (!m_help) m_help = new HelpWindow(this);
    if (!m_help->showTopic(m_helpFile, topic)) {
        m_prompts.warn(this, QStringLiteral("The help file cannot be read:") + kCR +
                                 QDir::toNativeSeparators(m_helpFile));
        return;
    }
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

bool Mainform::txtDefAccepts(const QString& typed) const {
    if (isControlText(typed)) return true;
    if (!txtDef->text().isEmpty()) return false;
    return typed.size() == 1 && typed[0] >= QLatin1Char('a') && typed[0] <= QLatin1Char('z');
}

bool Mainform::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtDef && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Keys that type nothing (arrows, Delete, F1) are not characters.
        if (key->key() != Qt::Key_Delete && !txtDefAccepts(key->text())) return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Mainform::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        showHelp(helpContextOf(focusWidget()));
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Mainform::closeEvent(QCloseEvent* event) {
    m_pendingOuter = QSize();
    QString failure;
    try {
        SavePlacement(m_store, this, kApp, kWindow, kLocation);
    } catch (const StoreError& e) {
        failure = QString::fromUtf8(e.what());
    }
    try {
        m_store.write(kApp, kSequence, kDefaultKey, txtDef->text());
    } catch (const StoreError& e) {
        if (failure.isEmpty()) failure = QString::fromUtf8(e.what());
    }
    if (!failure.isEmpty())
        m_prompts.error(this, QStringLiteral("The settings could not be saved.") + kCR + failure);
    if (m_help) m_help->close();
    event->accept();
}

}  // namespace velmora
