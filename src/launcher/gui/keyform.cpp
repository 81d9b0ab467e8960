#include "launcher/gui/keyform.h"

#include "launcher/gui/windowplacement.h"
#include "store/tasklayout.h"
#include "ui/geometry.h"
#include "ui/prompts.h"

#include <QKeyEvent>
#include <QLabel>

namespace velmora {

KeyForm::KeyForm(SettingsStore& store, LauncherState& state, QWidget* parent)
    : QWidget(parent, Qt::Window), Label1(new QLabel(this)), m_store(store), m_state(state) {
    setObjectName(QStringLiteral("KeyForm"));
    setWindowTitle(QStringLiteral("Velmora"));
    // The design size holds the three status lines; a fixed size also keeps
    // a stored outer size from being taken for the client area and growing
    // the window by its frame on every start.
    setFocusPolicy(Qt::StrongFocus);

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(interfaceFont(kDesignPointSize));
    const TwipDesign design(Label1->font());
    resize(design.size(2832, 864));
    design.place(Label1, 120, 12, 2592, 828);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setWordWrap(true);
    // Descriptions are the user's text; "<b>" in one is shown, not obeyed.
    Label1->setTextFormat(Qt::PlainText);
    // The widest of its fixed lines, three lines high; a longer description
    // wraps.
    setFitText(Label1, QStringLiteral("Launching Configuration 'W'\nSelect launch configuration ...\n"
                                      "Waiting for 43200 seconds ..."));
    setFixedSize(fitControls(this));

    RestorePlacement(m_store, this, kApp, kWindow, kLocation2);
    const TwipRect at = windowTwips(this);
    if (at.left == 0 && at.top == 0) CenterForm(this);
}

KeyForm::~KeyForm() = default;

void KeyForm::setLabelText(const QString& raw) {
    m_rawText = raw;
    Label1->setText(displayText(raw));
}

void KeyForm::Unload() {
    if (m_unloaded) return;
    m_unloaded = true;
    struct HideOnExit {
        QWidget* window;
        ~HideOnExit() { window->hide(); }
    } hide{this};
    SavePlacement(m_store, this, kApp, kWindow, kLocation2);
}

void KeyForm::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        m_state.setPressedKey(QString(QChar(u'a' + (key - Qt::Key_A))));
        event->accept();
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        m_state.setKeyWait(false);
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace velmora
