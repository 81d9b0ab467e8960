#pragma once
// GIO as the process room uses it: its header with Qt's "signals" keyword
// macro out of the way (GIO names a struct member so), and owners that give
// back what GIO hands out on every way out. For the room's own sources, which
// link GIO; anything else including this header needs GIO's include folders.

#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <memory>

namespace velmora {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
// A GObject of any type (GFile, GAppInfo, GDBusConnection, ...).
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;

struct GVariantUnref {
    void operator()(GVariant* variant) const { g_variant_unref(variant); }
};
using GVariantPtr = std::unique_ptr<GVariant, GVariantUnref>;

// A string GLib allocated.
struct GCharFree {
    void operator()(gchar* text) const { g_free(text); }
};
using GCharPtr = std::unique_ptr<gchar, GCharFree>;

}  // namespace velmora
