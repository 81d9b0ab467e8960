#include "launcher/gui/launchwindow.h"

#include "store/tasklayout.h"
#include "ui/designscale.h"
#include "ui/prompts.h"
#include "ui/windowplacement.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace velmora {

namespace {
constexpr int kGrabRetryMs = 20;
// How many tries, a second, an unmapped window waits before it asks the
// window manager again to map it.
constexpr int kMapAgainTries = 50;
// How often and how long a mapped window asks for the frame it got.
constexpr int kFrameRetryMs = 20;
constexpr int kFrameQuestions = 50;
}  // namespace

LaunchWindow::LaunchWindow(SettingsStore& store, WindowSystem& windowSystem, QWidget* parent)
    : LaunchWindow(store, nullptr, &windowSystem, parent) {}

LaunchWindow::LaunchWindow(SettingsStore& store, QWidget* parent)
    : LaunchWindow(store, createWindowSystem(), nullptr, parent) {}

LaunchWindow::LaunchWindow(SettingsStore& store, std::unique_ptr<WindowSystem> own,
                           WindowSystem* windowSystem, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_label(new QLabel(this)),
      m_ownWindowSystem(std::move(own)),
      m_ws(windowSystem ? *windowSystem : *m_ownWindowSystem),
      m_store(store) {
    setObjectName(QStringLiteral("LaunchWindow"));
    setWindowTitle(QStringLiteral("Velmora"));
    // The design size holds the three status lines; a fixed size also keeps
    // a stored outer size from being taken for the client area and growing
    // the window by its frame on every start.
    setFocusPolicy(Qt::StrongFocus);

    m_label->setObjectName(QStringLiteral("label"));
    m_label->setFont(interfaceFont(kDesignPointSize));
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label->setWordWrap(true);
    // Descriptions are the user's text; "<b>" in one is shown, not obeyed.
    m_label->setTextFormat(Qt::PlainText);
    // The widest of its fixed lines, three lines high; a longer description
    // wraps.
    m_label->setMinimumSize(m_label->fontMetrics().size(
        0, QStringLiteral("Launching Configuration 'W'\nSelect launch configuration ...\n"
                          "Waiting for 43200 seconds ...")));
    const DesignScale design(m_label->font());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(design.margins(120, 12, 120, 24));
    layout->addWidget(m_label);
    setFixedSize(design.size(2832, 864).expandedTo(layout->totalMinimumSize()));
    // Laid out now rather than at the first show: the window is measured
    // and placed before it is shown.
    layout->activate();

    m_grabRetry.setInterval(kGrabRetryMs);
    connect(&m_grabRetry, &QTimer::timeout, this, &LaunchWindow::tryGrab);

    if (!m_ws.placesWindows()) {
        restorePlacement(m_store, this, kApp, kWindow, kLocation2, PlacementScope::SizeOnly);
        return;
    }
    restorePlacement(m_store, this, kApp, kWindow, kLocation2, PlacementScope::Everything);
    const TwipRect at = windowTwips(this);
    const QPoint restored = frameGeometry().topLeft();
    // The window manager is asked for the frame before the window is mapped,
    // so that the window neither sits half a title bar too low nor jumps
    // into place once it is framed.
    const std::optional<QMargins> frame = m_ws.frameExtents(*this);
    // A monitor that held the window may be gone since it was stored.
    m_frameAssumed = frame.value_or(QMargins());
    if ((at.left == 0 && at.top == 0) || liesOffEveryScreen(this)) {
        centerOnScreen(this, m_frameAssumed);
    } else {
        m_restoredFrameAt = restored;
        // A native window without its frame is placed by its client area.
        if (frame && testAttribute(Qt::WA_WState_Created))
            move(restored + QPoint(frame->left(), frame->top()));
    }
}

LaunchWindow::~LaunchWindow() { releaseKeyboard(); }

bool LaunchWindow::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    const auto type = event->type();
    // Events come already while the label is made, before the members below
    // it exist; none of them is one of these.
    const bool placed = type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize;
    // Framed now: placed once more if the frame is not the one assumed.
    if (placed && m_frameAssumed && frameGeometry().size() != size()) placeAgainInTheRealFrame();
    return handled;
}

void LaunchWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (QWindow* window = windowHandle()) window->installEventFilter(this);
}

bool LaunchWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose && watched == windowHandle()) {
        if (windowHandle()->isExposed()) {
            m_seen = true;
            placeAgainInTheRealFrame();
            tryGrab();
        } else if (!m_onOverlay) {
            // Unmapped: the X server has ended the grab. A window manager
            // may unmap a window it manages and map it again at once (KWin
            // does while it is still starting); the keyboard is taken again
            // when the window is back.
            m_keyboardHeld = false;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LaunchWindow::placeAgainInTheRealFrame() {
    if (!m_frameAssumed) return;
    // The toolkit may learn of a frame that comes after the window was
    // mapped late, or without any event of the window's (KWin answers no
    // request for the frame in advance): the window manager is asked what
    // it put around the window, and only where it does not say, the
    // toolkit's idea of the frame is taken.
    std::optional<QMargins> real = m_ws.frameExtents(*this);
    const QRect f = frameGeometry();
    const QRect c = geometry();
    // An unshown or not yet reparented window may report a frame of a pixel
    // at the wrong place; only a frame that holds the client area is one.
    if (!real && f.size() != c.size() && f.contains(c))
        real =
            QMargins(c.left() - f.left(), c.top() - f.top(), f.right() - c.right(), f.bottom() - c.bottom());
    if (!real) {
        // A busy window manager frames the window a moment after it is
        // mapped: asked again shortly, for a while.
        if (++m_frameQuestions < kFrameQuestions)
            QTimer::singleShot(kFrameRetryMs, this, &LaunchWindow::placeAgainInTheRealFrame);
        return;
    }
    const bool differs = *real != *m_frameAssumed;
    m_frameAssumed.reset();
    if (!differs) return;
    QPoint frameAt;
    if (m_restoredFrameAt) {
        frameAt = *m_restoredFrameAt;
    } else {
        const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
        frameAt = centredOnScreen(size().grownBy(*real), s ? s->geometry() : QRect(0, 0, 1024, 768));
    }
    // Placed by the client area, which does not depend on what the toolkit
    // believes of the frame at this moment.
    setGeometry(QRect(frameAt + QPoint(real->left(), real->top()), size()));
}

void LaunchWindow::setLabelText(const QString& raw) {
    m_rawText = raw;
    m_label->setText(displayText(raw));
    if (m_onOverlay) showOnOverlay();
}

void LaunchWindow::showTakingKeyboard() {
    if (!m_overlay) {
        m_overlay = m_ws.createKeyboardOverlay();
        if (m_overlay) {
            connect(m_overlay.get(), &KeyboardOverlay::mapped, this, [this] { m_seen = true; });
            connect(m_overlay.get(), &KeyboardOverlay::keyPressed, this, &LaunchWindow::overlayKeyPressed);
            connect(m_overlay.get(), &KeyboardOverlay::closed, this, &LaunchWindow::waitEndRequested);
        }
    }
    if (!m_overlay) {
        show();
        takeKeyboard();
        return;
    }
    // Shown as far as the program is concerned, mapped by the toolkit
    // nowhere: the overlay shows it.
    setAttribute(Qt::WA_DontShowOnScreen);
    show();
    m_keyboardWanted = true;
    m_keyboardHeld = true;
    m_onOverlay = true;
    showOnOverlay();
}

QImage LaunchWindow::picture() {
    ensurePolished();
    const qreal ratio = devicePixelRatioF();
    QImage image(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(palette().color(QPalette::Window));
    QPainter painter(&image);
    render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    // Without a frame of the compositor's, a thin line sets the window off
    // from what lies below it.
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(QRectF(0.5, 0.5, width() - 1.0, height() - 1.0));
    return image;
}

int LaunchWindow::overlayTop() const {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect area = s ? s->geometry() : QRect(0, 0, 1024, 768);
    return centredOnScreen(size(), area).y() - area.top();
}

void LaunchWindow::showOnOverlay() { m_overlay->show(picture(), overlayTop()); }

void LaunchWindow::overlayKeyPressed(int key, const QString& text) {
    if (key == Qt::Key_Escape) {
        emit waitEndRequested();
        return;
    }
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(this, &press);
}

void LaunchWindow::takeKeyboard() {
    m_keyboardWanted = true;
    m_ws.activate(*this);
    tryGrab();
}

void LaunchWindow::tryGrab() {
    if (!m_keyboardWanted || m_keyboardHeld) {
        m_grabRetry.stop();
        return;
    }
    // Not viewable yet, or another program holds the keyboard for a moment.
    m_keyboardHeld = m_ws.grabKeyboard(*this);
    if (m_keyboardHeld) {
        m_grabRetry.stop();
        m_unmappedTries = 0;
        return;
    }
    if (!m_grabRetry.isActive()) m_grabRetry.start();
    // A window manager that is still starting may lose the request to map
    // the window (KWin does): a window never mapped is asked for again.
    const QWindow* window = windowHandle();
    if (window && !window->isExposed() && ++m_unmappedTries % kMapAgainTries == 0) {
        hide();
        show();
    }
}

void LaunchWindow::releaseKeyboard() {
    m_keyboardWanted = false;
    m_grabRetry.stop();
    if (!m_keyboardHeld) return;
    m_keyboardHeld = false;
    if (m_onOverlay) m_overlay->releaseKeyboard();
    else m_ws.releaseKeyboard();
}

void LaunchWindow::unload() {
    if (m_unloaded) return;
    m_unloaded = true;
    releaseKeyboard();
    struct HideOnExit {
        LaunchWindow* window;
        ~HideOnExit() {
            if (window->m_onOverlay) window->m_overlay->hide();
            window->m_onOverlay = false;
            window->hide();
        }
    } hide{this};
    const bool seen = m_seen || (windowHandle() && windowHandle()->isExposed());
    // A window nobody saw has no position worth keeping: the offscreen
    // screen's centre, or wherever an unshown window happens to stand.
    if (!seen || !m_ws.isRealScreen()) return;
    // A store opened only for reading was reported when it was opened.
    if (!m_store.writable()) return;
    savePlacement(m_store, this, kApp, kWindow, kLocation2,
                  m_ws.placesWindows() ? PlacementScope::Everything : PlacementScope::SizeOnly,
                  m_ws.framedGeometry(*this));
}

void LaunchWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    emit waitEndRequested();
}

void LaunchWindow::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        event->accept();
        emit letterChosen(QString(QChar(u'a' + (key - Qt::Key_A))));
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        event->accept();
        emit waitEndRequested();
    } else {
        event->ignore();
    }
}

}  // namespace velmora
