#include "ui/windowsystem.h"

#include "wayland/layershelloverlay.h"

#include <QtGui/qguiapplication_platform.h>
#include <QDeadlineTimer>
#include <QFile>
#include <QGuiApplication>
#include <QSet>
#include <QThread>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace velmora {

namespace {

// Frees what xcb hands out on every way out.
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

// The value `name` had when the program was started. Qt takes
// DESKTOP_STARTUP_ID out of the environment as it connects to the display,
// before any window of ours exists; the process's initial environment still
// holds it.
QByteArray initialEnvironment(const QByteArray& name) {
    QFile environ(QStringLiteral("/proc/self/environ"));
    if (!environ.open(QIODevice::ReadOnly)) return {};
    const QByteArray prefix = name + '=';
    for (const QByteArray& entry : environ.readAll().split('\0'))
        if (entry.startsWith(prefix)) return entry.mid(prefix.size());
    return {};
}

// The compositor's overlay layer, reached over a connection of its own.
class LayerShellKeyboardOverlay final : public KeyboardOverlay {
public:
    explicit LayerShellKeyboardOverlay(std::unique_ptr<LayerShellOverlay> overlay)
        : m_overlay(std::move(overlay)) {
        connect(m_overlay.get(), &LayerShellOverlay::mapped, this, &KeyboardOverlay::mapped);
        connect(m_overlay.get(), &LayerShellOverlay::keyPressed, this, &KeyboardOverlay::keyPressed);
        connect(m_overlay.get(), &LayerShellOverlay::closed, this, &KeyboardOverlay::closed);
    }
    void show(const QImage& picture, int top) override { m_overlay->show(picture, top); }
    void releaseKeyboard() override { m_overlay->releaseKeyboard(); }
    void hide() override { m_overlay->hide(); }

private:
    std::unique_ptr<LayerShellOverlay> m_overlay;
};

void unsetTokens() {
    qunsetenv("DESKTOP_STARTUP_ID");
    qunsetenv("XDG_ACTIVATION_TOKEN");
}

// Every platform but X11: what Qt offers on its own.
class PortableWindowSystem : public WindowSystem {
public:
    explicit PortableWindowSystem(const QString& platform)
        : m_real(platform != QLatin1String("offscreen") && platform != QLatin1String("minimal")),
          m_places(!onWayland()) {}

    bool isRealScreen() const override { return m_real; }
    bool placesWindows() const override { return m_places; }
    std::optional<QMargins> frameExtents(QWidget&) override { return std::nullopt; }
    std::optional<QRect> framedGeometry(QWidget&) override { return std::nullopt; }
    bool grabKeyboard(QWidget&) override { return true; }
    void releaseKeyboard() override {}
    std::unique_ptr<KeyboardOverlay> createKeyboardOverlay() override {
        if (!onWayland()) return nullptr;
        auto overlay = LayerShellOverlay::connectToCompositor();
        if (!overlay) return nullptr;
        return std::make_unique<LayerShellKeyboardOverlay>(std::move(overlay));
    }
    void activate(QWidget& window) override {
        window.raise();
        // Qt's Wayland platform hands XDG_ACTIVATION_TOKEN to the compositor
        // with this request when the session set one; it is used up then.
        window.activateWindow();
        unsetTokens();
    }
    void forgetActivationTokens() override { unsetTokens(); }

private:
    bool m_real;
    bool m_places;
};

class X11WindowSystem final : public PortableWindowSystem {
public:
    explicit X11WindowSystem(xcb_connection_t* connection)
        : PortableWindowSystem(QStringLiteral("xcb")),
          m_c(connection),
          m_root(xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root),
          m_frameExtents(atom("_NET_FRAME_EXTENTS")),
          m_requestFrameExtents(atom("_NET_REQUEST_FRAME_EXTENTS")),
          m_startupId(initialEnvironment("DESKTOP_STARTUP_ID")) {}

    ~X11WindowSystem() override { releaseKeyboard(); }

    std::optional<QMargins> frameExtents(QWidget& window) override {
        const xcb_window_t id = xcb_window_t(window.winId());
        if (auto known = readFrameExtents(id)) return known;
        // Asked and waited for once per window: a window that asks again
        // while it waits to be framed (on every exposure, for a while) must
        // not add up the waits on the thread that handles its keys.
        if (m_framesRequested.contains(id)) return std::nullopt;
        m_framesRequested.insert(id);
        if (!windowManagerAnswers(m_requestFrameExtents)) return std::nullopt;
        // The window manager sets the property on the unmapped window; its
        // answer comes within a few milliseconds or, from a busy one, not at
        // all: the wait is short and bounded, and the window is centred
        // again once it is framed.
        xcb_client_message_event_t request{};
        request.response_type = XCB_CLIENT_MESSAGE;
        request.format = 32;
        request.window = id;
        request.type = m_requestFrameExtents;
        xcb_send_event(m_c, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char*>(&request));
        xcb_flush(m_c);
        const QDeadlineTimer deadline(300);
        while (!deadline.hasExpired()) {
            if (auto extents = readFrameExtents(id)) return extents;
            QThread::msleep(5);
        }
        return std::nullopt;
    }

    std::optional<QRect> framedGeometry(QWidget& window) override {
        if (!window.testAttribute(Qt::WA_WState_Created)) return std::nullopt;
        const xcb_window_t id = xcb_window_t(window.winId());
        const std::optional<QMargins> frame = readFrameExtents(id);
        if (!frame) return std::nullopt;
        const auto geometryCookie = xcb_get_geometry(m_c, id);
        const auto whereCookie = xcb_translate_coordinates(m_c, id, m_root, 0, 0);
        XcbReply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(m_c, geometryCookie, nullptr));
        XcbReply<xcb_translate_coordinates_reply_t> where(
            xcb_translate_coordinates_reply(m_c, whereCookie, nullptr));
        if (!geometry || !where) return std::nullopt;
        const QRect outer =
            QRect(where->dst_x, where->dst_y, geometry->width, geometry->height).marginsAdded(*frame);
        // The display counts device pixels; the toolkit may scale them.
        const qreal ratio = window.devicePixelRatioF();
        return QRectF(outer.x() / ratio, outer.y() / ratio, outer.width() / ratio, outer.height() / ratio)
            .toRect();
    }

    bool grabKeyboard(QWidget& window) override {
        if (!window.isVisible()) return false;
        // Key presses for the program's own windows keep going to them; all
        // others come here, whichever window the window manager focuses.
        const auto cookie = xcb_grab_keyboard(m_c, 1, xcb_window_t(window.winId()), XCB_CURRENT_TIME,
                                              XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        XcbReply<xcb_grab_keyboard_reply_t> reply(xcb_grab_keyboard_reply(m_c, cookie, nullptr));
        m_grabbed = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
        return m_grabbed;
    }

    void activate(QWidget& window) override {
        if (!m_startupId.isEmpty()) {
            // Window managers that prevent focus stealing let the window of a
            // program the user just started have the focus: they know it by
            // its startup identification.
            setProperty(xcb_window_t(window.winId()), "_NET_STARTUP_ID", atom("UTF8_STRING"), 8,
                        m_startupId.size(), m_startupId.constData());
            xcb_flush(m_c);
            m_startupId.clear();  // used up
        }
        PortableWindowSystem::activate(window);
    }
    void forgetActivationTokens() override {
        m_startupId.clear();
        PortableWindowSystem::forgetActivationTokens();
    }

    void releaseKeyboard() override {
        if (!m_grabbed) return;
        m_grabbed = false;
        xcb_ungrab_keyboard(m_c, XCB_CURRENT_TIME);
        xcb_flush(m_c);
    }

private:
    xcb_atom_t atom(const char* name) const {
        const auto cookie = xcb_intern_atom(m_c, 0, uint16_t(std::strlen(name)), name);
        XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(m_c, cookie, nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    void setProperty(xcb_window_t id, const char* name, xcb_atom_t type, uint8_t format, qsizetype count,
                     const void* data) const {
        const xcb_atom_t property = atom(name);
        if (property == XCB_ATOM_NONE || type == XCB_ATOM_NONE) return;
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, id, property, type, format, uint32_t(count), data);
    }

    std::optional<QMargins> readFrameExtents(xcb_window_t id) const {
        if (m_frameExtents == XCB_ATOM_NONE) return std::nullopt;
        const auto cookie = xcb_get_property(m_c, 0, id, m_frameExtents, XCB_ATOM_CARDINAL, 0, 4);
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(m_c, cookie, nullptr));
        if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) != 16)
            return std::nullopt;
        const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
        // left, right, top, bottom
        return QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3]));
    }

    // Whether the running window manager lists `feature` in _NET_SUPPORTED.
    bool windowManagerAnswers(xcb_atom_t feature) const {
        const xcb_atom_t supported = atom("_NET_SUPPORTED");
        if (supported == XCB_ATOM_NONE || feature == XCB_ATOM_NONE) return false;
        const auto cookie = xcb_get_property(m_c, 0, m_root, supported, XCB_ATOM_ATOM, 0, 4096);
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(m_c, cookie, nullptr));
        if (!reply || reply->format != 32) return false;
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        const int count = xcb_get_property_value_length(reply.get()) / 4;
        for (int i = 0; i < count; ++i)
            if (atoms[i] == feature) return true;
        return false;
    }

    xcb_connection_t* m_c;
    xcb_window_t m_root;
    xcb_atom_t m_frameExtents;
    QSet<xcb_window_t> m_framesRequested;
    xcb_atom_t m_requestFrameExtents;
    QByteArray m_startupId;  // until the first window is activated with it
    bool m_grabbed = false;
};

}  // namespace

std::unique_ptr<WindowSystem> createWindowSystem() {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb")) {
        if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
            if (xcb_connection_t* c = x11->connection()) return std::make_unique<X11WindowSystem>(c);
    }
    return std::make_unique<PortableWindowSystem>(platform);
}

bool onWayland() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

}  // namespace velmora
