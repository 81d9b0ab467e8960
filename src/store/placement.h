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

// Where the window system places every window itself, the program keeps
// only sizes. Each field is read as the number before its own ";", so a
// short position field ("0;0;3360;5976;0") never hides the size behind it;
// fields that are missing read 0.
Placement parseSizeFields(const QString& text);

// The text to store when only the size is the program's to keep: the stored
// position stays as it is, and with none stored the position is -1, -1,
// which no restore applies.
QString withSizeKept(const QString& stored, std::int32_t height, std::int32_t width);

}  // namespace velmora
