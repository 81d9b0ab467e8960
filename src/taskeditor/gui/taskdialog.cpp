#include "taskeditor/gui/taskdialog.h"

#include "store/busyguard.h"
#include "ui/designscale.h"
#include "ui/helpcontext.h"
#include "ui/pointer.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <functional>
#include <iterator>
#include <optional>
#include <utility>

namespace velmora {

namespace {

// Decides for one typed character; the second argument is how many
// characters the field holds before it.
using CharRule = std::function<bool(char32_t, qsizetype)>;

qsizetype characterCount(const QString& text) { return QStringView(text).toUcs4().size(); }

// A one-line text box whose typed characters pass a rule before they are
// inserted; refused ones are dropped without a sound. Text that arrives any
// other way (paste, setText, drop) is not looked at.
class FilteredLineEdit final : public QLineEdit {
public:
    FilteredLineEdit(CharRule rule, QWidget* parent) : QLineEdit(parent), m_rule(std::move(rule)) {}

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (isTypedText(e) && !accepts(e->text())) {
            e->accept();
            return;
        }
        QLineEdit::keyPressEvent(e);
    }

    void inputMethodEvent(QInputMethodEvent* e) override {
        // Characters composed by an input method are typed too: keep the
        // accepted ones of the committed text, leave the pre-edit alone.
        const QString commit = e->commitString();
        if (commit.isEmpty()) return QLineEdit::inputMethodEvent(e);
        QString kept;
        qsizetype length = characterCount(text());
        for (char32_t c : QStringView(commit).toUcs4()) {
            if (!QChar::isPrint(c) || m_rule(c, length)) {
                kept += QString::fromUcs4(&c, 1);
                ++length;
            }
        }
        if (kept == commit) return QLineEdit::inputMethodEvent(e);
        QInputMethodEvent filtered(e->preeditString(), e->attributes());
        filtered.setCommitString(kept, e->replacementStart(), e->replacementLength());
        QLineEdit::inputMethodEvent(&filtered);
    }

private:
    // A key press that the line edit would insert as text. Ctrl and
    // Ctrl+Shift combinations are shortcuts (Ctrl+V pastes) and keys without
    // printing text (Backspace, Delete, arrows) are editing keys: both pass.
    static bool isTypedText(const QKeyEvent* e) {
        if (e->text().isEmpty()) return false;
        const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
        if (mods == Qt::ControlModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier) ||
            mods.testFlag(Qt::MetaModifier))
            return false;
        return true;
    }

    bool accepts(const QString& typed) const {
        qsizetype length = characterCount(text());
        for (char32_t c : QStringView(typed).toUcs4()) {
            // Non-printing characters are not inserted by the line edit; the
            // rules let control characters pass for the same reason.
            if (QChar::isPrint(c) && !m_rule(c, length)) return false;
            ++length;
        }
        return true;
    }

    CharRule m_rule;
};

}  // namespace

TaskDialog::TaskDialog(SettingsStore& store, Prompts& prompts, int taskNumber, QWidget* parent)
    : QDialog(parent), m_store(store), m_prompts(prompts), m_taskNumber(taskNumber) {
    buildControls();
    fill();
}

void TaskDialog::buildControls() {
    setFont(interfaceFont(kDesignPointSize));
    // A fixed-size dialog: a title, a system menu and the close button, and
    // nothing to minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    m_descriptionLabel = new QLabel(QStringLiteral("&Description"), this);
    m_descriptionEdit = new FilteredLineEdit(acceptDescChar, this);
    m_commandLabel = new QLabel(QStringLiteral("&Command:"), this);
    m_commandEdit = new QLineEdit(this);
    m_browseButton = new QPushButton(QStringLiteral("&Browse"), this);

    m_waitGroup = new QGroupBox(QStringLiteral("Wait Options"), this);
    m_dontWaitButton = new QRadioButton(QStringLiteral("D&on't wait"), m_waitGroup);
    m_untilFinishedButton = new QRadioButton(QStringLiteral("&Until finished"), m_waitGroup);
    m_forSecondsButton = new QRadioButton(QStringLiteral("&For"), m_waitGroup);
    m_secondsEdit =
        new FilteredLineEdit([](char32_t c, qsizetype) { return acceptSecondsChar(c); }, m_waitGroup);
    m_secondsLabel = new QLabel(QStringLiteral("seconds"), m_waitGroup);
    m_untilSettledButton = new QRadioButton(QStringLiteral("Until se&ttled, at most"), m_waitGroup);
    m_settleEdit =
        new FilteredLineEdit([](char32_t c, qsizetype) { return acceptSecondsChar(c); }, m_waitGroup);
    m_settleLabel = new QLabel(QStringLiteral("seconds"), m_waitGroup);

    m_okButton = new QPushButton(QStringLiteral("O&K"), this);
    m_cancelButton = new QPushButton(QStringLiteral("C&ancel"), this);

    m_startGroup = new QGroupBox(QStringLiteral("Start Options"), this);
    m_onceOnlyBox = new QCheckBox(QStringLiteral("O&nce only"), m_startGroup);
    m_startKeyLabel = new QLabel(QStringLiteral("&Startkey:"), m_startGroup);
    m_startKeyEdit =
        new FilteredLineEdit([](char32_t c, qsizetype) { return acceptStartKeyChar(c); }, m_startGroup);
    m_daysLabel = new QLabel(QStringLiteral("On&ly on:"), m_startGroup);
    const char* const dayCaptions[7] = {"Mo", "Tu", "We", "Th", "Fr", "Sa", "Su"};
    const char* const dayNames[7] = {"mondayBox", "tuesdayBox",  "wednesdayBox", "thursdayBox",
                                     "fridayBox", "saturdayBox", "sundayBox"};
    for (int i = 0; i < 7; ++i) {
        m_dayBoxes[i] = new QCheckBox(QString::fromLatin1(dayCaptions[i]), m_startGroup);
        m_dayBoxes[i]->setObjectName(QLatin1String(dayNames[i]));
    }

    // The design's margins and gaps, scaled to the font; the controls take
    // what their style and text need.
    const DesignScale design(font());
    const QMargins frameMargins = design.margins(96, 36, 96, 60);

    // The number boxes are as wide as their longest value, 43200.
    for (QLineEdit* box : {m_secondsEdit, m_settleEdit})
        box->setFixedSize(design.size(504, 288).expandedTo(lineEditSizeFor(box, QStringLiteral("43200"))));
    auto* waitRow = new QHBoxLayout;
    waitRow->addWidget(m_dontWaitButton);
    waitRow->addWidget(m_untilFinishedButton);
    waitRow->addWidget(m_forSecondsButton);
    waitRow->addWidget(m_secondsEdit);
    waitRow->addWidget(m_secondsLabel);
    waitRow->addStretch();
    auto* settleRow = new QHBoxLayout;
    settleRow->addWidget(m_untilSettledButton);
    settleRow->addWidget(m_settleEdit);
    settleRow->addWidget(m_settleLabel);
    settleRow->addStretch();
    auto* waitRows = new QVBoxLayout(m_waitGroup);
    waitRows->setContentsMargins(frameMargins);
    waitRows->addLayout(waitRow);
    waitRows->addLayout(settleRow);

    m_startKeyEdit->setFixedWidth(design.x(1440));
    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(m_onceOnlyBox);
    keyRow->addSpacing(design.x(300));
    keyRow->addWidget(m_startKeyLabel);
    keyRow->addWidget(m_startKeyEdit);
    keyRow->addStretch();
    auto* dayRow = new QHBoxLayout;
    dayRow->addWidget(m_daysLabel);
    for (QCheckBox* day : m_dayBoxes) dayRow->addWidget(day);
    dayRow->addStretch();
    auto* startRows = new QVBoxLayout(m_startGroup);
    startRows->setContentsMargins(frameMargins);
    startRows->addLayout(keyRow);
    startRows->addLayout(dayRow);

    // OK and Cancel at the lower right, beside the start options.
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(design.y(18));
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);

    // Labels, text boxes and the button column; the frames span the first two.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(design.margins(60, 36, 36, 28));
    grid->setHorizontalSpacing(design.x(60));
    grid->setVerticalSpacing(design.y(36));
    grid->addWidget(m_descriptionLabel, 0, 0);
    grid->addWidget(m_descriptionEdit, 0, 1);
    grid->addWidget(m_commandLabel, 1, 0);
    grid->addWidget(m_commandEdit, 1, 1);
    grid->addWidget(m_browseButton, 1, 2);
    grid->addWidget(m_waitGroup, 2, 0, 1, 2);
    grid->addWidget(m_startGroup, 3, 0, 1, 2);
    grid->addLayout(buttons, 3, 2);
    grid->setColumnStretch(1, 1);

    // A label's access key moves the focus to the box that follows it.
    m_descriptionLabel->setBuddy(m_descriptionEdit);
    m_commandLabel->setBuddy(m_commandEdit);
    m_startKeyLabel->setBuddy(m_startKeyEdit);
    m_daysLabel->setBuddy(m_dayBoxes[0]);

    // What a screen reader says for controls whose caption is short or
    // stands elsewhere.
    const std::pair<QWidget*, const char*> spoken[] = {
        {m_descriptionEdit, "Description"},
        {m_commandEdit, "Command"},
        {m_secondsEdit, "Seconds to wait"},
        {m_settleEdit, "Longest wait until settled, in seconds"},
        {m_startKeyEdit, "Start keys"}};
    for (const auto& [w, name] : spoken) w->setAccessibleName(QLatin1String(name));
    const char* const spokenDays[7] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                       "Friday", "Saturday", "Sunday"};
    for (int i = 0; i < 7; ++i) m_dayBoxes[i]->setAccessibleName(QLatin1String(spokenDays[i]));

    // Design state before the fill.
    m_dontWaitButton->setChecked(true);
    applyNumberBox(m_secondsEdit, false);
    applyNumberBox(m_settleEdit, false);
    // No button is the default, not even for a moment: a dialog makes a
    // focused or the first auto-default button its default, and Enter in a
    // text box would then open Browse or save. keyPressEvent lets Enter press
    // the focused button only.
    for (QPushButton* b : {m_browseButton, m_okButton, m_cancelButton}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    m_okButton->setEnabled(false);

    QWidget* const order[] = {m_descriptionEdit,     m_commandEdit,      m_browseButton, m_dontWaitButton,
                              m_untilFinishedButton, m_forSecondsButton, m_secondsEdit,  m_untilSettledButton,
                              m_settleEdit,          m_okButton,         m_cancelButton, m_onceOnlyBox,
                              m_startKeyEdit,        m_dayBoxes[0],      m_dayBoxes[1],  m_dayBoxes[2],
                              m_dayBoxes[3],         m_dayBoxes[4],      m_dayBoxes[5],  m_dayBoxes[6]};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    const std::pair<QWidget*, int> topics[] = {
        {m_descriptionLabel, 120},    {m_descriptionEdit, 120},    {m_commandLabel, 130},
        {m_commandEdit, 130},         {m_browseButton, 140},       {m_dontWaitButton, 150},
        {m_untilFinishedButton, 160}, {m_forSecondsButton, 170},   {m_secondsEdit, 170},
        {m_secondsLabel, 170},        {m_untilSettledButton, 175}, {m_settleEdit, 175},
        {m_settleLabel, 175},         {m_onceOnlyBox, 180},        {m_startKeyLabel, 190},
        {m_startKeyEdit, 190},        {m_daysLabel, 200}};
    for (const auto& [w, topic] : topics) setHelpContext(w, topic);
    for (QCheckBox* box : m_dayBoxes) setHelpContext(box, 200);

    const std::pair<QWidget*, const char*> names[] = {{m_descriptionLabel, "descriptionLabel"},
                                                      {m_descriptionEdit, "descriptionEdit"},
                                                      {m_commandLabel, "commandLabel"},
                                                      {m_commandEdit, "commandEdit"},
                                                      {m_browseButton, "browseButton"},
                                                      {m_waitGroup, "waitGroup"},
                                                      {m_dontWaitButton, "dontWaitButton"},
                                                      {m_untilFinishedButton, "untilFinishedButton"},
                                                      {m_forSecondsButton, "forSecondsButton"},
                                                      {m_secondsEdit, "secondsEdit"},
                                                      {m_secondsLabel, "secondsLabel"},
                                                      {m_untilSettledButton, "untilSettledButton"},
                                                      {m_settleEdit, "settleEdit"},
                                                      {m_settleLabel, "settleLabel"},
                                                      {m_okButton, "okButton"},
                                                      {m_cancelButton, "cancelButton"},
                                                      {m_startGroup, "startGroup"},
                                                      {m_onceOnlyBox, "onceOnlyBox"},
                                                      {m_startKeyLabel, "startKeyLabel"},
                                                      {m_startKeyEdit, "startKeyEdit"},
                                                      {m_daysLabel, "daysLabel"}};
    for (const auto& [w, name] : names) w->setObjectName(QLatin1String(name));

    // The design's size, or larger where the layout needs more; fixed, as
    // a dialog of this kind is.
    setFixedSize(design.size(5880, 2220).expandedTo(grid->totalMinimumSize()));
    // Laid out now rather than at the first show: the window is measured
    // and placed before it is shown.
    grid->activate();

    connect(m_descriptionEdit, &QLineEdit::textChanged, this, &TaskDialog::updateOkButton);
    connect(m_commandEdit, &QLineEdit::textChanged, this, &TaskDialog::updateOkButton);
    for (QLineEdit* box : {m_secondsEdit, m_settleEdit})
        connect(box, &QLineEdit::textChanged, this, [this, box] { clampNumberText(box); });
    // Arrow keys move the choice inside the frame as well as clicks do, so
    // the mode follows the selection rather than the click.
    for (QRadioButton* choice :
         {m_dontWaitButton, m_untilFinishedButton, m_forSecondsButton, m_untilSettledButton})
        connect(choice, &QRadioButton::toggled, this, [this](bool on) {
            if (on) applyWaitChoice();
        });
    connect(m_okButton, &QPushButton::clicked, this, &TaskDialog::save);
    connect(m_cancelButton, &QPushButton::clicked, this, &TaskDialog::reject);
    connect(m_browseButton, &QPushButton::clicked, this, &TaskDialog::browse);
}

void TaskDialog::fill() {
    TaskFields f;
    if (isTaskNumber(m_taskNumber)) {
        try {
            f = fieldsFromTask(readTask(m_store, m_taskNumber));
        } catch (const StoreError& e) {
            // Saving over a task that could not be read would replace it with
            // blanks; the form stays open only so that the user can cancel.
            m_loadFailed = true;
            m_prompts.error(parentWidget(), e.text());
            updateOkButton();
            return;
        }
    } else {
        f = newTaskFields();
    }

    m_descriptionEdit->setText(f.desc);
    m_commandEdit->setText(f.app);
    switch (f.wait) {
    case WaitChoice::DontWait: m_dontWaitButton->setChecked(true); break;
    case WaitChoice::UntilFinished: m_untilFinishedButton->setChecked(true); break;
    case WaitChoice::ForSeconds:
        m_forSecondsButton->setChecked(true);
        m_secondsEdit->setText(f.seconds);
        break;
    case WaitChoice::UntilSettled:
        m_untilSettledButton->setChecked(true);
        m_settleEdit->setText(f.settleSeconds);
        break;
    }
    for (int i = 0; i < 7; ++i) m_dayBoxes[i]->setChecked(f.days[i]);
    m_onceOnlyBox->setChecked(f.once);
    m_startKeyEdit->setText(f.keys);
    updateOkButton();
}

TaskFields TaskDialog::fields() const {
    TaskFields f;
    f.desc = m_descriptionEdit->text();
    f.app = m_commandEdit->text();
    f.wait = m_forSecondsButton->isChecked()      ? WaitChoice::ForSeconds
             : m_untilSettledButton->isChecked()  ? WaitChoice::UntilSettled
             : m_untilFinishedButton->isChecked() ? WaitChoice::UntilFinished
                                                  : WaitChoice::DontWait;
    f.seconds = m_secondsEdit->text();
    f.settleSeconds = m_settleEdit->text();
    for (int i = 0; i < 7; ++i) f.days[i] = m_dayBoxes[i]->isChecked();
    f.once = m_onceOnlyBox->isChecked();
    f.keys = m_startKeyEdit->text();
    return f;
}

QLineEdit* TaskDialog::chosenNumberBox() const {
    if (m_forSecondsButton->isChecked()) return m_secondsEdit;
    if (m_untilSettledButton->isChecked()) return m_settleEdit;
    return nullptr;
}

void TaskDialog::updateOkButton() {
    const QLineEdit* number = chosenNumberBox();
    m_okButton->setEnabled(!m_loadFailed && fieldsComplete(m_descriptionEdit->text(), m_commandEdit->text(),
                                                           number, number ? number->text() : QString()));
}

void TaskDialog::applyNumberBox(QLineEdit* box, bool usable) {
    box->setEnabled(usable);
    // Enabled it looks like any text box; disabled it takes the dialog's face
    // so that it reads as part of the frame. The text stays either way.
    QPalette p = box->palette();
    const QColor back = usable ? QApplication::palette(box).color(QPalette::Active, QPalette::Base)
                               : palette().color(QPalette::Active, QPalette::Window);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, QPalette::Base, back);
    box->setPalette(p);
}

void TaskDialog::applyWaitChoice() {
    applyNumberBox(m_secondsEdit, m_forSecondsButton->isChecked());
    applyNumberBox(m_settleEdit, m_untilSettledButton->isChecked());
    updateOkButton();
}

void TaskDialog::clampNumberText(QLineEdit* box) {
    const QString text = box->text();
    const QString clamped = clampSeconds(text);
    // Setting the text is itself a change and comes back here once, finding
    // nothing more to clamp.
    if (clamped != text) box->setText(clamped);
    updateOkButton();
}

void TaskDialog::browse() {
    const ApplicationChoice choice = m_prompts.chooseApplication(this);
    switch (choice.kind) {
    case ApplicationChoice::Kind::Cancelled: return;
    case ApplicationChoice::Kind::File: browseFile(); return;
    case ApplicationChoice::Kind::Application: break;
    }
    // A description the user wrote stays; an empty one, or the one the
    // previous choice put there, follows the application.
    const QString description = m_descriptionEdit->text();
    if (description.trimmed().isEmpty() || description == m_chosenDescription) {
        m_chosenDescription = descriptionFromName(choice.application.name);
        m_descriptionEdit->setText(m_chosenDescription);
    }
    // Its file, which the launcher starts as the entry says.
    m_commandEdit->setText(choice.application.file);
}

void TaskDialog::browseFile() {
    // "Program Files" cannot test the executable bit: name filters see names
    // only. The programs a Linux user starts mostly have no extension at all
    // (/usr/bin/firefox, ~/bin/backup), so a list of extensions alone would
    // hide exactly them. The pattern therefore ends in "*": it names what
    // counts as startable besides plain executables and hides nothing, and
    // "All Files" stays the familiar second choice.
    const QStringList filters = {
        QStringLiteral("Program Files (*.desktop *.AppImage *.appimage *.sh *.py *.pl *.run *.bin *)"),
        QStringLiteral("All Files (*)")};
    const QString chosen = m_prompts.openFile(this, QStringLiteral("Select program file"),
                                              m_commandEdit->text().left(512), filters);
    if (!chosen.isEmpty()) m_commandEdit->setText(chosen);
}

void TaskDialog::save() {
    // OK is only clickable when the fields are complete; checking again keeps
    // an empty description, which would end the list early, out of the store.
    const QLineEdit* number = chosenNumberBox();
    if (m_loadFailed || !fieldsComplete(m_descriptionEdit->text(), m_commandEdit->text(), number,
                                        number ? number->text() : QString()))
        return;

    std::optional<BusyGuard> busy;
    busy.emplace(showBusyPointer);
    try {
        const int n = numberToSave(m_store, m_taskNumber);
        if (n == 0) {
            // The normal pointer comes back before the message, so the user
            // does not answer it under an hourglass.
            busy.reset();
            m_prompts.warn(this, listFullMessage(QStringLiteral("another one.")));
            reject();
            return;
        }
        writeTask(m_store, n, taskFromFields(fields()), kAppEditor);
    } catch (const StoreError& e) {
        // The five values are one transaction: nothing of them was kept, and
        // the user may try again or cancel.
        busy.reset();
        m_prompts.error(this, e.text());
        return;
    }
    busy.reset();
    accept();
}

void TaskDialog::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !(event->modifiers() & ~Qt::KeypadModifier)) {
        // The focused button is pressed; Enter anywhere else does nothing.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled())
            button->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace velmora
