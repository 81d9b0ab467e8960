#pragma once
// The stored placement text of a window: "top;left;height;width;state" in
// twips, state 0 normal, 1 minimised, 2 maximised. Read into 32-bit numbers,
// since wide or multiple screens overflow 16 bits.

#include <QString>

#include <cstdint>

namespace velmora {

struct Placement {
    std::int32_t top = 0, left = 0, height = 0, width = 0;
    std::int32_t state = 0;
    bool operator==(const Placement&) const = default;
};

// Reads a placement text field by field: a field counts only when its ";" stands
// at position 3 or later, and the first field that does not count leaves it
// and every later field 0. The state is the leading number of what remains.
Placement parsePlacement(const QString& text);

// "1320;912;3360;5976;0". The first four fields take at least two characters
// ("00;05;3360;5976;0") so that parsePlacement reads back what was written.
QString formatPlacement(const Placement& placement);

}  // namespace velmora
