#include "taskeditor/gui/taskform.h"

#include "store/busyguard.h"
#include "ui/geometry.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

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

void setHelpTopic(QWidget* w, int topic) { w->setProperty("helpTopic", topic); }

}  // namespace

TaskForm::TaskForm(SettingsStore& store, Prompts& prompts, int taskNumber, QWidget* parent)
    : QDialog(parent), m_store(store), m_prompts(prompts), m_taskNumber(taskNumber) {
    buildControls();
    fill();
}

void TaskForm::buildControls() {
    setFont(interfaceFont(kDesignPointSize));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const TwipDesign design(font());
    resize(design.size(5880, 2220));
    const auto place = [&design](auto* w, double left, double top, double width, double height) {
        return design.place(w, left, top, width, height);
    };

    m_descriptionLabel = place(new QLabel(QStringLiteral("&Description"), this), 60, 72, 1000, 220);
    m_descriptionEdit = place(new FilteredLineEdit(acceptDescChar, this), 1104, 36, 3912, 300);
    m_commandLabel = place(new QLabel(QStringLiteral("&Command:"), this), 60, 408, 1000, 220);
    m_commandEdit = place(new QLineEdit(this), 1104, 372, 3912, 300);
    m_browseButton = place(new QPushButton(QStringLiteral("Browse"), this), 5076, 380, 768, 300);

    m_waitGroup = place(new QGroupBox(QStringLiteral("Wait Options"), this), 48, 780, 4980, 612);
    m_dontWaitButton = place(new QRadioButton(QStringLiteral("D&on't wait"), m_waitGroup), 144, 192, 1100, 348);
    m_untilFinishedButton =
        place(new QRadioButton(QStringLiteral("&Until finished"), m_waitGroup), 1280, 192, 1350, 348);
    m_forSecondsButton = place(new QRadioButton(QStringLiteral("&For"), m_waitGroup), 2700, 192, 640, 348);
    m_secondsEdit = place(new FilteredLineEdit([](char32_t c, qsizetype) { return acceptSecondsChar(c); },
                                               m_waitGroup),
                          3400, 228, 504, 288);
    m_secondsLabel = place(new QLabel(QStringLiteral("seconds"), m_waitGroup), 4000, 250, 816, 216);

    m_okButton = place(new QPushButton(QStringLiteral("OK"), this), 5076, 1650, 768, 252);
    m_cancelButton = place(new QPushButton(QStringLiteral("Cancel"), this), 5076, 1920, 768, 252);

    m_startGroup = place(new QGroupBox(QStringLiteral("Start Options"), this), 48, 1392, 4980, 800);
    m_onceOnlyBox = place(new QCheckBox(QStringLiteral("Once only"), m_startGroup), 100, 228, 1200, 220);
    m_startKeyLabel = place(new QLabel(QStringLiteral("Startkey:"), m_startGroup), 1600, 220, 800, 220);
    m_startKeyEdit = place(new FilteredLineEdit([](char32_t c, qsizetype) { return acceptStartKeyChar(c); },
                                                m_startGroup),
                           2500, 170, 1440, 288);
    m_daysLabel = place(new QLabel(QStringLiteral("Only on:"), m_startGroup), 120, 504, 750, 220);
    const char* const dayCaptions[7] = {"Mo", "Tu", "We", "Th", "Fr", "Sa", "Su"};
    const char* const dayNames[7] = {"mondayBox", "tuesdayBox", "wednesdayBox", "thursdayBox",
                                     "fridayBox", "saturdayBox", "sundayBox"};
    const int dayLefts[7] = {900, 1500, 2084, 2634, 3184, 3734, 4360};
    for (int i = 0; i < 7; ++i) {
        m_dayBoxes[i] = place(new QCheckBox(QString::fromLatin1(dayCaptions[i]), m_startGroup), dayLefts[i],
                              516, 550, 220);
        m_dayBoxes[i]->setObjectName(QLatin1String(dayNames[i]));
    }

    // A label's access key moves the focus to the box that follows it.
    m_descriptionLabel->setBuddy(m_descriptionEdit);
    m_commandLabel->setBuddy(m_commandEdit);
    m_startKeyLabel->setBuddy(m_startKeyEdit);

    // Design state before the fill.
    m_dontWaitButton->setChecked(true);
    applyWaitMode(false);
    // No button is the default, not even for a moment: a dialog makes a
    // focused or the first auto-default button its default, and Enter in a
    // text box would then open Browse or save. keyPressEvent lets Enter press
    // the focused button only.
    for (QPushButton* b : {m_browseButton, m_okButton, m_cancelButton}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    m_okButton->setEnabled(false);

    QWidget* const order[] = {m_descriptionEdit, m_commandEdit, m_browseButton,
                              m_dontWaitButton, m_untilFinishedButton, m_forSecondsButton, m_secondsEdit,
                              m_okButton, m_cancelButton,
                              m_onceOnlyBox, m_startKeyEdit,
                              m_dayBoxes[0], m_dayBoxes[1], m_dayBoxes[2], m_dayBoxes[3],
                              m_dayBoxes[4], m_dayBoxes[5], m_dayBoxes[6]};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    const std::pair<QWidget*, int> topics[] = {
        {m_descriptionLabel, 120}, {m_descriptionEdit, 120},
        {m_commandLabel, 130},     {m_commandEdit, 130},
        {m_browseButton, 140},
        {m_dontWaitButton, 150},   {m_untilFinishedButton, 160},
        {m_forSecondsButton, 170}, {m_secondsEdit, 170},        {m_secondsLabel, 170},
        {m_onceOnlyBox, 180},
        {m_startKeyLabel, 190},    {m_startKeyEdit, 190},
        {m_daysLabel, 200}};
    for (const auto& [w, topic] : topics) setHelpTopic(w, topic);
    for (QCheckBox* box : m_dayBoxes) setHelpTopic(box, 200);

    const std::pair<QWidget*, const char*> names[] = {
        {m_descriptionLabel, "descriptionLabel"},
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
        {m_okButton, "okButton"},
        {m_cancelButton, "cancelButton"},
        {m_startGroup, "startGroup"},
        {m_onceOnlyBox, "onceOnlyBox"},
        {m_startKeyLabel, "startKeyLabel"},
        {m_startKeyEdit, "startKeyEdit"},
        {m_daysLabel, "daysLabel"}};
    for (const auto& [w, name] : names) w->setObjectName(QLatin1String(name));

    // The longest value the seconds box takes.
    setFitText(m_secondsEdit, QStringLiteral("43200"));
    setFixedSize(fitControls(this));

    connect(m_descriptionEdit, &QLineEdit::textChanged, this, &TaskForm::updateOkButton);
    connect(m_commandEdit, &QLineEdit::textChanged, this, &TaskForm::updateOkButton);
    connect(m_secondsEdit, &QLineEdit::textChanged, this, &TaskForm::clampSecondsText);
    // Arrow keys move the choice inside the frame as well as clicks do, so
    // the mode follows the selection rather than the click.
    for (QRadioButton* choice : {m_dontWaitButton, m_untilFinishedButton, m_forSecondsButton})
        connect(choice, &QRadioButton::toggled, this, [this](bool on) {
            if (on) applyWaitChoice();
        });
    connect(m_okButton, &QPushButton::clicked, this, &TaskForm::save);
    connect(m_cancelButton, &QPushButton::clicked, this, &TaskForm::reject);
    connect(m_browseButton, &QPushButton::clicked, this, &TaskForm::browse);
}

void TaskForm::fill() {
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
    }
    for (int i = 0; i < 7; ++i) m_dayBoxes[i]->setChecked(f.days[i]);
    m_onceOnlyBox->setChecked(f.once);
    m_startKeyEdit->setText(f.keys);
    updateOkButton();
}

TaskFields TaskForm::fields() const {
    TaskFields f;
    f.desc = m_descriptionEdit->text();
    f.app = m_commandEdit->text();
    f.wait = m_forSecondsButton->isChecked()      ? WaitChoice::ForSeconds
             : m_untilFinishedButton->isChecked() ? WaitChoice::UntilFinished
                                                  : WaitChoice::DontWait;
    f.seconds = m_secondsEdit->text();
    for (int i = 0; i < 7; ++i) f.days[i] = m_dayBoxes[i]->isChecked();
    f.once = m_onceOnlyBox->isChecked();
    f.keys = m_startKeyEdit->text();
    return f;
}

void TaskForm::updateOkButton() {
    m_okButton->setEnabled(!m_loadFailed && fieldsComplete(m_descriptionEdit->text(), m_commandEdit->text(),
                                                           m_forSecondsButton->isChecked(),
                                                           m_secondsEdit->text()));
}

void TaskForm::applyWaitMode(bool forSeconds) {
    m_secondsEdit->setEnabled(forSeconds);
    // Enabled it looks like any text box; disabled it takes the dialog's face
    // so that it reads as part of the frame. The text stays either way.
    QPalette p = m_secondsEdit->palette();
    const QColor back = forSeconds
                            ? QApplication::palette(m_secondsEdit).color(QPalette::Active, QPalette::Base)
                            : palette().color(QPalette::Active, QPalette::Window);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, QPalette::Base, back);
    m_secondsEdit->setPalette(p);
}

void TaskForm::applyWaitChoice() {
    applyWaitMode(m_forSecondsButton->isChecked());
    updateOkButton();
}

void TaskForm::clampSecondsText() {
    const QString text = m_secondsEdit->text();
    const QString clamped = clampSeconds(text);
    // Setting the text is itself a change and comes back here once, finding
    // nothing more to clamp.
    if (clamped != text) m_secondsEdit->setText(clamped);
    updateOkButton();
}

void TaskForm::browse() {
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

void TaskForm::save() {
    // OK is only clickable when the fields are complete; checking again keeps
    // an empty description, which would end the list early, out of the store.
    if (m_loadFailed || !fieldsComplete(m_descriptionEdit->text(), m_commandEdit->text(),
                                        m_forSecondsButton->isChecked(), m_secondsEdit->text()))
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

void TaskForm::keyPressEvent(QKeyEvent* event) {
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
