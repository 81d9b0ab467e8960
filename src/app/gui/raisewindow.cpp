#include "app/gui/raisewindow.h"

#include <QApplication>
#include <QRegularExpression>
#include <QWidget>

#include <xcb/xcb.h>

#include <poll.h>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace velmora {

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

struct ConnectionCloser {
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};

// The time of the user's action that the startup identification carries
// ("..._TIME<number>"); 0 when it carries none.
uint32_t startupTime(const QByteArray& startupId) {
    static const QRegularExpression time(QStringLiteral("_TIME([0-9]+)$"));
    const QRegularExpressionMatch match = time.match(QString::fromUtf8(startupId));
    return match.hasMatch() ? match.captured(1).toUInt() : 0;
}

// A connection of its own to the display: the server's current time comes
// as an event, and the toolkit's connection hands its events to the
// toolkit's reader, not to us. Everything it creates goes with it.
class X11Request {
public:
    X11Request() : m_c(xcb_connect(nullptr, &m_screen)) {
        if (xcb_connection_has_error(m_c.get())) return;
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_c.get()));
        for (int i = 0; i < m_screen && screens.rem > 0; ++i) xcb_screen_next(&screens);
        if (screens.rem == 0) return;
        m_root = screens.data->root;
        // The sender's window of the messages below, and the window whose
        // property change tells the time.
        m_window = xcb_generate_id(m_c.get());
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(m_c.get(), XCB_COPY_FROM_PARENT, m_window, m_root, -1, -1, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    }
    // Waits until the server has handled every request: a message still in
    // flight when the connection closes is sometimes dropped with it.
    ~X11Request() {
        if (m_window == XCB_WINDOW_NONE) return;
        xcb_destroy_window(m_c.get(), m_window);
        XcbReply<xcb_get_input_focus_reply_t> handled(
            xcb_get_input_focus_reply(m_c.get(), xcb_get_input_focus(m_c.get()), nullptr));
    }
    X11Request(const X11Request&) = delete;
    X11Request& operator=(const X11Request&) = delete;

    bool usable() const { return m_window != XCB_WINDOW_NONE; }

    // The server's time now: the stamp of an empty change to a property of
    // our window. 0 (which window managers read as "now, unverified") when
    // it does not come within a short while.
    uint32_t serverTime() {
        const xcb_atom_t property = atom("_VELMORA_TIME");
        xcb_change_property(m_c.get(), XCB_PROP_MODE_APPEND, m_window, property, XCB_ATOM_STRING, 8, 0,
                            nullptr);
        xcb_flush(m_c.get());
        pollfd readable{xcb_get_file_descriptor(m_c.get()), POLLIN, 0};
        for (int rounds = 0; rounds < 20; ++rounds) {
            while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(m_c.get())}) {
                if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY)
                    return reinterpret_cast<xcb_property_notify_event_t*>(event.get())->time;
            }
            if (xcb_connection_has_error(m_c.get()) || ::poll(&readable, 1, 25) < 0) break;
        }
        return 0;
    }

    // Asks the window manager to make `target` the active window, as an
    // application does on behalf of a user's action at `time`.
    void activate(xcb_window_t target, uint32_t time) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = target;
        message.type = atom("_NET_ACTIVE_WINDOW");
        message.data.data32[0] = 1;  // source: an application
        message.data.data32[1] = time;
        message.data.data32[2] = XCB_WINDOW_NONE;
        send(message);
    }

    // Ends the launcher's feedback for the start that `startupId` names: that
    // process ended without a window of its own, and the desktop would show
    // it as starting until its time-out.
    void completeStartup(const QByteArray& startupId) {
        QByteArray escaped;
        for (const char c : startupId) {
            if (c == '"' || c == '\\') escaped += '\\';
            escaped += c;
        }
        const QByteArray text = "remove: ID=\"" + escaped + "\"" + '\0';
        const xcb_atom_t begin = atom("_NET_STARTUP_INFO_BEGIN");
        const xcb_atom_t more = atom("_NET_STARTUP_INFO");
        for (qsizetype at = 0; at < text.size(); at += 20) {
            xcb_client_message_event_t message{};
            message.response_type = XCB_CLIENT_MESSAGE;
            message.format = 8;
            message.window = m_window;
            message.type = at == 0 ? begin : more;
            std::memcpy(message.data.data8, text.constData() + at,
                        size_t(qMin<qsizetype>(20, text.size() - at)));
            send(message, XCB_EVENT_MASK_PROPERTY_CHANGE);
        }
    }

private:
    xcb_atom_t atom(const char* name) const {
        const auto cookie = xcb_intern_atom(m_c.get(), 0, uint16_t(std::strlen(name)), name);
        XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(m_c.get(), cookie, nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    void send(const xcb_client_message_event_t& message,
              uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT) {
        xcb_send_event(m_c.get(), 0, m_root, mask, reinterpret_cast<const char*>(&message));
    }

    int m_screen = 0;
    std::unique_ptr<xcb_connection_t, ConnectionCloser> m_c;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    xcb_window_t m_window = XCB_WINDOW_NONE;
};

// False when the display could not be reached; the caller falls back on
// Qt's own activation then.
bool activateOnX11(QWidget& target, const RaiseRequest& request) {
    X11Request x11;
    if (!x11.usable()) return false;
    uint32_t time = startupTime(request.startupId);
    if (time == 0) time = x11.serverTime();
    x11.activate(xcb_window_t(target.winId()), time);
    if (!request.startupId.isEmpty()) x11.completeStartup(request.startupId);
    return true;
}

}  // namespace

void raiseWindow(QWidget& window, const RaiseRequest& request) {
    if (window.isMinimized()) window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    // An open modal window stays above its owner and keeps the keyboard.
    QWidget* target = QApplication::activeModalWidget();
    if (!target) target = &window;
    else target->raise();

    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb") && activateOnX11(*target, request)) return;
    const bool wayland = platform.startsWith(QLatin1String("wayland"));
    // Qt's Wayland platform hands XDG_ACTIVATION_TOKEN to the compositor
    // with the activation request; it reads the token nowhere else.
    if (wayland && !request.activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", request.activationToken);
    target->activateWindow();
    if (wayland) qunsetenv("XDG_ACTIVATION_TOKEN");
}

}  // namespace velmora
