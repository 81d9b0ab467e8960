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

TaskForm::TaskForm(SettingsStore& store, Prompts& prompts, const EditedTaskState& edited,
                   QWidget* parent)
    : QDialog(parent), m_store(store), m_prompts(prompts), m_edited(edited) {
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

    Label1 = place(new QLabel(QStringLiteral("&Description"), this), 60, 72, 1000, 220);
    txtDesc = place(new FilteredLineEdit(acceptDescChar, this), 1104, 36, 3912, 300);
    Label2 = place(new QLabel(QStringLiteral("&Command:"), this), 60, 408, 1000, 220);
    txtApp = place(new QLineEdit(this), 1104, 372, 3912, 300);
    cmdBrowse = place(new QPushButton(QStringLiteral("Browse"), this), 5076, 380, 768, 300);

    Frame1 = place(new QGroupBox(QStringLiteral("Wait Options"), this), 48, 780, 4980, 612);
    optDW = place(new QRadioButton(QStringLiteral("D&on't wait"), Frame1), 144, 192, 1100, 348);
    optUF = place(new QRadioButton(QStringLiteral("&Until finished"), Frame1), 1280, 192, 1350, 348);
    optW = place(new QRadioButton(QStringLiteral("&For"), Frame1), 2700, 192, 640, 348);
    txtW = place(new FilteredLineEdit([](char32_t c, qsizetype) { return acceptSecondsChar(c); },
                                      Frame1),
                 3400, 228, 504, 288);
    Label3 = place(new QLabel(QStringLiteral("seconds"), Frame1), 4000, 250, 816, 216);

    cmdOK = place(new QPushButton(QStringLiteral("OK"), this), 5076, 1650, 768, 252);
    cmdCancel = place(new QPushButton(QStringLiteral("Cancel"), this), 5076, 1920, 768, 252);

    Frame2 = place(new QGroupBox(QStringLiteral("Start Options"), this), 48, 1392, 4980, 800);
    chkOnce = place(new QCheckBox(QStringLiteral("Once only"), Frame2), 100, 228, 1200, 220);
    Label5 = place(new QLabel(QStringLiteral("Startkey:"), Frame2), 1600, 220, 800, 220);
    txtSKey = place(new FilteredLineEdit([](char32_t c, qsizetype) { return acceptStartKeyChar(c); },
                                         Frame2),
                    2500, 170, 1440, 288);
    Label4 = place(new QLabel(QStringLiteral("Only on:"), Frame2), 120, 504, 750, 220);
    const char* const dayNames[7] = {"Mo", "Tu", "We", "Th", "Fr", "Sa", "Su"};
    const int dayLefts[7] = {900, 1500, 2084, 2634, 3184, 3734, 4360};
    for (int i = 0; i < 7; ++i)
        chkDay[i] = place(new QCheckBox(QString::fromLatin1(dayNames[i]), Frame2), dayLefts[i], 516,
                          550, 220);

    // A label's access key moves the focus to the box that follows it.
    Label1->setBuddy(txtDesc);
    Label2->setBuddy(txtApp);
    Label5->setBuddy(txtSKey);

    // Design state before the fill.
    optDW->setChecked(true);
    applyWaitMode(false);
    // No button is the default, not even for a moment: a dialog makes a
    // focused or the first auto-default button its default, and Enter in a
    // text box would then open Browse or save. keyPressEvent lets Enter press
    // the focused button only.
    for (QPushButton* b : {cmdBrowse, cmdOK, cmdCancel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    cmdOK->setEnabled(false);

    QWidget* const order[] = {txtDesc,   txtApp,    cmdBrowse, optDW,     optUF,     optW,
                              txtW,      cmdOK,     cmdCancel, chkOnce,   txtSKey,   chkDay[0],
                              chkDay[1], chkDay[2], chkDay[3], chkDay[4], chkDay[5], chkDay[6]};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    const std::pair<QWidget*, int> topics[] = {
        {Label1, 120}, {txtDesc, 120}, {Label2, 130}, {txtApp, 130}, {cmdBrowse, 140},
        {optDW, 150},  {optUF, 160},   {optW, 170},   {txtW, 170},   {Label3, 170},
        {chkOnce, 180}, {Label5, 190}, {txtSKey, 190}, {Label4, 200}};
    for (const auto& [w, topic] : topics) setHelpTopic(w, topic);
    for (QCheckBox* box : chkDay) setHelpTopic(box, 200);

    // The design names, for help lookup and for finding controls by name.
    const std::pair<QWidget*, const char*> names[] = {
        {Label1, "Label1"}, {txtDesc, "txtDesc"},   {Label2, "Label2"},   {txtApp, "txtApp"},
        {cmdBrowse, "cmdBrowse"}, {Frame1, "Frame1"}, {optDW, "optDW"}, {optUF, "optUF"},
        {optW, "optW"},     {txtW, "txtW"},         {Label3, "Label3"},   {cmdOK, "cmdOK"},
        {cmdCancel, "cmdCancel"}, {Frame2, "Frame2"}, {chkOnce, "chkOnce"}, {Label5, "Label5"},
        {txtSKey, "txtSKey"}, {Label4, "Label4"}};
    for (const auto& [w, name] : names) w->setObjectName(QLatin1String(name));
    for (int i = 0; i < 7; ++i) chkDay[i]->setObjectName(QStringLiteral("chkDay%1").arg(i));

    // The longest value the seconds box takes.
    setFitText(txtW, QStringLiteral("43200"));
    setFixedSize(fitControls(this));

    connect(txtDesc, &QLineEdit::textChanged, this, [this] { txtDesc_Change(); });
    connect(txtApp, &QLineEdit::textChanged, this, [this] { txtApp_Change(); });
    connect(txtW, &QLineEdit::textChanged, this, [this] { txtW_Change(); });
    // Arrow keys move the choice inside the frame as well as clicks do, so
    // the mode follows the selection rather than the click.
    connect(optDW, &QRadioButton::toggled, this, [this](bool on) { if (on) optDW_Click(); });
    connect(optUF, &QRadioButton::toggled, this, [this](bool on) { if (on) optUF_Click(); });
    connect(optW, &QRadioButton::toggled, this, [this](bool on) { if (on) optW_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdBrowse, &QPushButton::clicked, this, [this] { cmdBrowse_Click(); });
}

void TaskForm::fill() {
    const int n = m_edited.EditedTask;
    TaskFields f;
    if (isTaskNumber(n)) {
        try {
            f = fieldsFromTask(readTask(m_store, n));
        } catch (const StoreError& e) {
            // Saving over a task that could not be read would replace it with
            // blanks; the form stays open only so that the user can cancel.
            m_loadFailed = true;
            m_prompts.error(parentWidget(), e.text());
            CheckFields();
            return;
        }
    } else {
        f = newTaskFields();
    }

    txtDesc->setText(f.desc);
    txtApp->setText(f.app);
    switch (f.wait) {
    case WaitChoice::DontWait: optDW->setChecked(true); break;
    case WaitChoice::UntilFinished: optUF->setChecked(true); break;
    case WaitChoice::ForSeconds:
        optW->setChecked(true);
        txtW->setText(f.seconds);
        break;
    }
    for (int i = 0; i < 7; ++i) chkDay[i]->setChecked(f.days[i]);
    chkOnce->setChecked(f.once);
    txtSKey->setText(f.keys);
    CheckFields();
}

TaskFields TaskForm::fields() const {
    TaskFields f;
    f.desc = txtDesc->text();
    f.app = txtApp->text();
    f.wait = optW->isChecked()    ? WaitChoice::ForSeconds
             : optUF->isChecked() ? WaitChoice::UntilFinished
                                  : WaitChoice::DontWait;
    f.seconds = txtW->text();
    for (int i = 0; i < 7; ++i) f.days[i] = chkDay[i]->isChecked();
    f.once = chkOnce->isChecked();
    f.keys = txtSKey->text();
    return f;
}

void TaskForm::CheckFields() {
    cmdOK->setEnabled(!m_loadFailed && fieldsComplete(txtDesc->text(), txtApp->text(),
                                                      optW->isChecked(), txtW->text()));
}

void TaskForm::applyWaitMode(bool forSeconds) {
    txtW->setEnabled(forSeconds);
    // Enabled it looks like any text box; disabled it takes the dialog's face
    // so that it reads as part of the frame. The text stays either way.
    QPalette p = txtW->palette();
    const QColor back = forSeconds ? QApplication::palette(txtW).color(QPalette::Active, QPalette::Base)
                                   : palette().color(QPalette::Active, QPalette::Window);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, QPalette::Base, back);
    txtW->setPalette(p);
}

void TaskForm::optDW_Click() {
    applyWaitMode(false);
    CheckFields();
}

void TaskForm::optUF_Click() {
    applyWaitMode(false);
    CheckFields();
}

void TaskForm::optW_Click() {
    applyWaitMode(true);
    CheckFields();
}

void TaskForm::txtDesc_Change() { CheckFields(); }

void TaskForm::txtApp_Change() { CheckFields(); }

void TaskForm::txtW_Change() {
    const QString text = txtW->text();
    const QString clamped = clampSeconds(text);
    // Setting the text is itself a change and comes back here once, finding
    // nothing more to clamp.
    if (clamped != text) txtW->setText(clamped);
    CheckFields();
}

void TaskForm::cmdBrowse_Click() {
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
                                              txtApp->text().left(512), filters);
    if (!chosen.isEmpty()) txtApp->setText(chosen);
}

void TaskForm::cmdOK_Click() {
    // OK is only clickable when the fields are complete; checking again keeps
    // an empty description, which would end the list early, out of the store.
    if (m_loadFailed || !fieldsComplete(txtDesc->text(), txtApp->text(), optW->isChecked(),
                                        txtW->text()))
        return;

    std::optional<BusyGuard> busy;
    busy.emplace(showBusyPointer);
    try {
        const int n = numberToSave(m_store, m_edited.EditedTask);
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

void TaskForm::cmdCancel_Click() { reject(); }

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
