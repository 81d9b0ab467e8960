#include "wayland/layershelloverlay.h"

#include "wayland/keysyms.h"

#include "wlr-layer-shell-unstable-v1-client-protocol.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QPointer>
#include <QSocketNotifier>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace velmora {

namespace {

// Each handle goes with the request or call that ends it.
template <typename T, void (*Release)(T*)>
struct Releaser {
    void operator()(T* p) const {
        if (p) Release(p);
    }
};
template <typename T, void (*Release)(T*)>
using Owned = std::unique_ptr<T, Releaser<T, Release>>;

void destroyProxy(void* p) { wl_proxy_destroy(static_cast<wl_proxy*>(p)); }

// A file descriptor the compositor handed over, closed on every way out.
class ReceivedFd {
public:
    explicit ReceivedFd(int fd) : m_fd(fd) {}
    ~ReceivedFd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    ReceivedFd(const ReceivedFd&) = delete;
    ReceivedFd& operator=(const ReceivedFd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// A shared memory buffer in the compositor's ARGB8888, which is Qt's
// premultiplied ARGB32 on this byte order.
class ShmBuffer {
public:
    static std::unique_ptr<ShmBuffer> make(wl_shm* shm, const QImage& picture) {
        const QImage argb = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const int stride = argb.width() * 4;
        const size_t size = size_t(stride) * size_t(argb.height());
        const ReceivedFd fd(::memfd_create("velmora-overlay", MFD_CLOEXEC));
        if (fd.get() < 0 || ::ftruncate(fd.get(), off_t(size)) != 0) return nullptr;
        void* memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd.get(), 0);
        if (memory == MAP_FAILED) return nullptr;
        auto buffer = std::unique_ptr<ShmBuffer>(new ShmBuffer(memory, size));
        for (int y = 0; y < argb.height(); ++y)
            std::memcpy(static_cast<char*>(memory) + size_t(y) * size_t(stride), argb.constScanLine(y),
                        size_t(stride));
        wl_shm_pool* pool = wl_shm_create_pool(shm, fd.get(), int32_t(size));
        buffer->m_buffer.reset(
            wl_shm_pool_create_buffer(pool, 0, argb.width(), argb.height(), stride, WL_SHM_FORMAT_ARGB8888));
        wl_shm_pool_destroy(pool);
        static const wl_buffer_listener listener{
            [](void* data, wl_buffer*) { static_cast<ShmBuffer*>(data)->m_busy = false; }};
        wl_buffer_add_listener(buffer->m_buffer.get(), &listener, buffer.get());
        return buffer;
    }
    ~ShmBuffer() { ::munmap(m_memory, m_size); }
    ShmBuffer(const ShmBuffer&) = delete;
    ShmBuffer& operator=(const ShmBuffer&) = delete;

    wl_buffer* attach() {
        m_busy = true;
        return m_buffer.get();
    }
    // Not attached, or given back by the compositor.
    bool busy() const { return m_busy; }

private:
    ShmBuffer(void* memory, size_t size) : m_memory(memory), m_size(size) {}

    void* m_memory;
    size_t m_size;
    Owned<wl_buffer, wl_buffer_destroy> m_buffer;
    bool m_busy = false;
};

struct KeyboardRelease {
    void operator()(wl_keyboard* k) const {
        if (!k) return;
        if (wl_keyboard_get_version(k) >= WL_KEYBOARD_RELEASE_SINCE_VERSION) wl_keyboard_release(k);
        else wl_keyboard_destroy(k);
    }
};
struct LayerShellRelease {
    void operator()(zwlr_layer_shell_v1* s) const {
        if (!s) return;
        // The destroy request came with version 3; before, the object is
        // only forgotten.
        if (zwlr_layer_shell_v1_get_version(s) >= ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION)
            zwlr_layer_shell_v1_destroy(s);
        else destroyProxy(s);
    }
};

// The globals this overlay needs, bound from the registry.
struct Globals {
    Owned<wl_compositor, wl_compositor_destroy> compositor;
    Owned<wl_shm, wl_shm_destroy> shm;
    Owned<wl_seat, wl_seat_destroy> seat;
    std::unique_ptr<zwlr_layer_shell_v1, LayerShellRelease> layerShell;

    bool complete() const { return compositor && shm && seat && layerShell; }

    static void announce(void* data, wl_registry* registry, uint32_t name, const char* interface,
                         uint32_t version) {
        auto* g = static_cast<Globals*>(data);
        const auto bind = [&](const wl_interface* kind, uint32_t highest) {
            return wl_registry_bind(registry, name, kind, std::min(version, highest));
        };
        if (std::strcmp(interface, wl_compositor_interface.name) == 0 && !g->compositor)
            g->compositor.reset(static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4)));
        else if (std::strcmp(interface, wl_shm_interface.name) == 0 && !g->shm)
            g->shm.reset(static_cast<wl_shm*>(bind(&wl_shm_interface, 1)));
        else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !g->seat)
            g->seat.reset(static_cast<wl_seat*>(bind(&wl_seat_interface, 5)));
        else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0 && !g->layerShell)
            g->layerShell.reset(static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, 3)));
    }
    static void withdraw(void*, wl_registry*, uint32_t) {}
};
const wl_registry_listener kRegistryListener{&Globals::announce, &Globals::withdraw};

}  // namespace

// A round trip that gives up after `ms`: a compositor that accepted the
// connection but does not answer must not hold up the logon, which then goes
// on without the overlay. wl_display_roundtrip() would wait forever.
bool roundtripWithin(wl_display* display, int ms) {
    bool done = false;
    static const wl_callback_listener kDone{
        [](void* data, wl_callback*, uint32_t) { *static_cast<bool*>(data) = true; }};
    wl_callback* sync = wl_display_sync(display);
    if (!sync) return false;
    wl_callback_add_listener(sync, &kDone, &done);
    const QDeadlineTimer deadline(ms);
    while (!done) {
        if (wl_display_prepare_read(display) != 0) {
            if (wl_display_dispatch_pending(display) < 0) break;
            continue;
        }
        if (wl_display_flush(display) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(display);
            break;
        }
        pollfd ready{wl_display_get_fd(display), POLLIN, 0};
        const int waited = ::poll(&ready, 1, int(std::max<qint64>(0, deadline.remainingTime())));
        if (waited <= 0) {
            wl_display_cancel_read(display);
            if (waited < 0 && errno == EINTR && !deadline.hasExpired()) continue;
            break;
        }
        if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0) break;
    }
    // Destroyed unanswered, its late answer is dropped by the library.
    wl_callback_destroy(sync);
    return done && wl_display_get_error(display) == 0;
}
constexpr int kAnswerWithinMs = 1000;
// How often, at most, the keyboard is asked for anew in one wait: more
// often than windows map at a logon.
constexpr int kKeyboardRequests = 50;

bool compositorOffersOverlay(const QString& socketPath) {
    const Owned<wl_display, wl_display_disconnect> display(
        wl_display_connect(QFile::encodeName(socketPath).constData()));
    if (!display) return false;
    Globals globals;
    const Owned<wl_registry, wl_registry_destroy> registry(wl_display_get_registry(display.get()));
    wl_registry_add_listener(registry.get(), &kRegistryListener, &globals);
    return roundtripWithin(display.get(), kAnswerWithinMs) && globals.complete();
}

struct LayerShellOverlay::State {
    // Declared first, so that it is closed after everything made through it.
    Owned<wl_display, wl_display_disconnect> display;
    Owned<wl_registry, wl_registry_destroy> registry;
    Globals globals;
    std::unique_ptr<wl_keyboard, KeyboardRelease> keyboard;
    Owned<xkb_context, xkb_context_unref> xkb{xkb_context_new(XKB_CONTEXT_NO_FLAGS)};
    Owned<xkb_keymap, xkb_keymap_unref> keymap;
    Owned<xkb_state, xkb_state_unref> keys;

    Owned<wl_surface, wl_surface_destroy> surface;
    Owned<zwlr_layer_surface_v1, zwlr_layer_surface_v1_destroy> layerSurface;
    std::vector<std::unique_ptr<ShmBuffer>> buffers;
    std::unique_ptr<QSocketNotifier> notifier;

    QImage picture;
    int top = 0;
    bool configured = false;
    bool mapped = false;
    bool focused = false;
    bool exclusive = false;     // the keyboard is asked for, not yet given back
    bool keyboardLost = false;  // it went elsewhere while asked for
    int keyboardRequests = 0;   // asked for anew since the surface was made

    // What the compositor said, passed on once its events are dispatched:
    // a receiver may end the overlay, which must not happen inside a
    // dispatch.
    struct News {
        enum Kind { Mapped, Key, Closed } kind;
        int key = 0;
        QString text;
    };
    std::vector<News> news;

    void flush() { wl_display_flush(display.get()); }

    void present() {
        if (!configured || picture.isNull() || !surface) return;
        // Buffers the compositor gave back are not needed any more.
        std::erase_if(buffers, [](const auto& b) { return !b->busy(); });
        auto buffer = ShmBuffer::make(globals.shm.get(), picture);
        if (!buffer) return;
        wl_surface_set_buffer_scale(surface.get(), std::max(1, int(std::lround(picture.devicePixelRatio()))));
        wl_surface_attach(surface.get(), buffer->attach(), 0, 0);
        wl_surface_damage(surface.get(), 0, 0, INT32_MAX, INT32_MAX);
        wl_surface_commit(surface.get());
        buffers.push_back(std::move(buffer));
        flush();
        if (!mapped) {
            mapped = true;
            news.push_back({News::Mapped, 0, {}});
        }
    }

    static void configure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t, uint32_t) {
        auto* s = static_cast<State*>(data);
        zwlr_layer_surface_v1_ack_configure(layer, serial);
        s->configured = true;
        s->present();
    }
    static void closed(void* data, zwlr_layer_surface_v1*) {
        static_cast<State*>(data)->news.push_back({News::Closed, 0, {}});
    }

    static void capabilities(void* data, wl_seat* seat, uint32_t caps) {
        auto* s = static_cast<State*>(data);
        const bool has = caps & WL_SEAT_CAPABILITY_KEYBOARD;
        if (has && !s->keyboard) {
            s->keyboard.reset(wl_seat_get_keyboard(seat));
            wl_keyboard_add_listener(s->keyboard.get(), &kKeyboardListener, s);
        } else if (!has) {
            s->keyboard.reset();
        }
    }
    static void seatName(void*, wl_seat*, const char*) {}

    static void keymapGiven(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
        auto* s = static_cast<State*>(data);
        const ReceivedFd owned(fd);
        if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || !s->xkb) return;
        void* text = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, owned.get(), 0);
        if (text == MAP_FAILED) return;
        Owned<xkb_keymap, xkb_keymap_unref> keymap(
            xkb_keymap_new_from_string(s->xkb.get(), static_cast<const char*>(text),
                                       XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS));
        ::munmap(text, size);
        if (!keymap) return;
        s->keys.reset(xkb_state_new(keymap.get()));
        s->keymap = std::move(keymap);
    }
    static void enter(void* data, wl_keyboard*, uint32_t, wl_surface* surface, wl_array*) {
        auto* s = static_cast<State*>(data);
        s->focused = surface && surface == s->surface.get();
    }
    static void leave(void* data, wl_keyboard*, uint32_t, wl_surface*) {
        auto* s = static_cast<State*>(data);
        s->focused = false;
        if (s->exclusive) s->keyboardLost = true;
    }
    static void key(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t code, uint32_t state) {
        auto* s = static_cast<State*>(data);
        if (state != WL_KEYBOARD_KEY_STATE_PRESSED || !s->keys || !s->focused) return;
        // Evdev codes are XKB key codes less 8.
        const xkb_keycode_t keycode = code + 8;
        char text[16] = {};
        xkb_state_key_get_utf8(s->keys.get(), keycode, text, sizeof text);
        s->news.push_back({News::Key, qtKeyOfKeysym(xkb_state_key_get_one_sym(s->keys.get(), keycode)),
                           QString::fromUtf8(text)});
    }
    static void modifiers(void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched,
                          uint32_t locked, uint32_t group) {
        auto* s = static_cast<State*>(data);
        if (s->keys) xkb_state_update_mask(s->keys.get(), depressed, latched, locked, 0, 0, group);
    }
    static void repeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}

    static const wl_keyboard_listener kKeyboardListener;
    static const wl_seat_listener kSeatListener;
    static const zwlr_layer_surface_v1_listener kLayerSurfaceListener;
};

const wl_keyboard_listener LayerShellOverlay::State::kKeyboardListener{
    &State::keymapGiven, &State::enter, &State::leave, &State::key, &State::modifiers, &State::repeatInfo};
const wl_seat_listener LayerShellOverlay::State::kSeatListener{&State::capabilities, &State::seatName};
const zwlr_layer_surface_v1_listener LayerShellOverlay::State::kLayerSurfaceListener{&State::configure,
                                                                                     &State::closed};

std::unique_ptr<LayerShellOverlay> LayerShellOverlay::connectToCompositor() {
    auto state = std::make_unique<State>();
    state->display.reset(wl_display_connect(nullptr));
    if (!state->display || !state->xkb) return nullptr;
    state->registry.reset(wl_display_get_registry(state->display.get()));
    wl_registry_add_listener(state->registry.get(), &kRegistryListener, &state->globals);
    if (!roundtripWithin(state->display.get(), kAnswerWithinMs) || !state->globals.complete()) return nullptr;
    wl_seat_add_listener(state->globals.seat.get(), &State::kSeatListener, state.get());
    // The seat's keyboard, and with some compositors already its keymap.
    if (!roundtripWithin(state->display.get(), kAnswerWithinMs)) return nullptr;
    return std::unique_ptr<LayerShellOverlay>(new LayerShellOverlay(std::move(state)));
}

LayerShellOverlay::LayerShellOverlay(std::unique_ptr<State> state) : m_state(std::move(state)) {
    m_state->notifier =
        std::make_unique<QSocketNotifier>(wl_display_get_fd(m_state->display.get()), QSocketNotifier::Read);
    connect(m_state->notifier.get(), &QSocketNotifier::activated, this, &LayerShellOverlay::readEvents);
}

LayerShellOverlay::~LayerShellOverlay() { hide(); }

bool LayerShellOverlay::isMapped() const { return m_state->mapped; }
bool LayerShellOverlay::hasKeyboardFocus() const { return m_state->focused; }

void LayerShellOverlay::show(const QImage& picture, int top) {
    State& s = *m_state;
    s.picture = picture;
    s.top = top;
    if (!s.surface) {
        s.surface.reset(wl_compositor_create_surface(s.globals.compositor.get()));
        s.layerSurface.reset(
            zwlr_layer_shell_v1_get_layer_surface(s.globals.layerShell.get(), s.surface.get(), nullptr,
                                                  ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "velmora"));
        zwlr_layer_surface_v1_add_listener(s.layerSurface.get(), &State::kLayerSurfaceListener, &s);
        s.configured = false;
        s.mapped = false;
    }
    const QSize logical = picture.deviceIndependentSize().toSize();
    zwlr_layer_surface_v1_set_size(s.layerSurface.get(), uint32_t(logical.width()),
                                   uint32_t(logical.height()));
    // Anchored to the top edge alone: centred horizontally, `top` below it.
    zwlr_layer_surface_v1_set_anchor(s.layerSurface.get(), ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP);
    zwlr_layer_surface_v1_set_margin(s.layerSurface.get(), top, 0, 0, 0);
    // Measured from the output's edge, not moved below a panel.
    zwlr_layer_surface_v1_set_exclusive_zone(s.layerSurface.get(), -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(s.layerSurface.get(),
                                                     ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    s.exclusive = true;
    if (s.configured) s.present();
    else {
        // The first commit carries no buffer; the compositor answers with
        // configure, and the picture follows.
        wl_surface_commit(s.surface.get());
        s.flush();
    }
    // What showing made known (the first picture went out) is passed on as
    // the compositor's news is, from the event loop.
    QMetaObject::invokeMethod(this, &LayerShellOverlay::readEvents, Qt::QueuedConnection);
}

void LayerShellOverlay::releaseKeyboard() {
    State& s = *m_state;
    s.exclusive = s.keyboardLost = false;
    if (!s.layerSurface) return;
    zwlr_layer_surface_v1_set_keyboard_interactivity(s.layerSurface.get(),
                                                     ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    wl_surface_commit(s.surface.get());
    s.flush();
}

void LayerShellOverlay::hide() {
    State& s = *m_state;
    if (!s.surface) return;
    s.layerSurface.reset();
    s.surface.reset();
    s.buffers.clear();
    s.configured = s.mapped = s.focused = s.exclusive = s.keyboardLost = false;
    s.keyboardRequests = 0;
    s.flush();
}

void LayerShellOverlay::readEvents() {
    State& s = *m_state;
    wl_display* display = s.display.get();
    if (wl_display_get_error(display) == 0) {
        bool failed = false;
        while (!failed && wl_display_prepare_read(display) != 0)
            failed = wl_display_dispatch_pending(display) < 0;
        if (!failed) {
            // Called when the socket has something to read, or queued with
            // nothing waiting: only a read that cannot block is done.
            wl_display_flush(display);
            pollfd ready{wl_display_get_fd(display), POLLIN, 0};
            if (::poll(&ready, 1, 0) > 0) wl_display_read_events(display);
            else wl_display_cancel_read(display);
            wl_display_dispatch_pending(display);
            // Bounded: a compositor that took it back at every request
            // would otherwise keep both busy for the whole wait.
            if (s.keyboardLost && s.layerSurface && s.keyboardRequests < kKeyboardRequests) {
                ++s.keyboardRequests;
                // Some compositors (KWin 5) give the keyboard to a window
                // that maps later all the same: it is asked for anew, which
                // they answer by giving it back.
                s.keyboardLost = false;
                zwlr_layer_surface_v1_set_keyboard_interactivity(
                    s.layerSurface.get(), ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
                wl_surface_commit(s.surface.get());
                zwlr_layer_surface_v1_set_keyboard_interactivity(
                    s.layerSurface.get(), ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
                wl_surface_commit(s.surface.get());
            }
            wl_display_flush(display);
        }
    }
    // Gone, whether found here or when a request was sent: said once, and
    // a hung-up socket, which stays readable, is no longer watched.
    if (wl_display_get_error(display) != 0 && s.notifier->isEnabled()) {
        s.notifier->setEnabled(false);
        s.news.push_back({State::News::Closed, 0, {}});
    }
    const std::vector<State::News> news = std::exchange(s.news, {});
    const QPointer<LayerShellOverlay> alive(this);
    for (const State::News& n : news) {
        if (!alive) return;
        switch (n.kind) {
        case State::News::Mapped: emit mapped(); break;
        case State::News::Key: emit keyPressed(n.key, n.text); break;
        case State::News::Closed: emit closed(); break;
        }
    }
}

}  // namespace velmora
