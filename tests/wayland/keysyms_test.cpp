#include "wayland/keysyms.h"

#include "casename.h"

#include <Qt>

#include <xkbcommon/xkbcommon-keysyms.h>

#include <gtest/gtest.h>

#include <ostream>

namespace velmora {
namespace {

struct KeysymCase {
    const char* name;
    quint32 keysym;
    int key;
    friend void PrintTo(const KeysymCase& c, std::ostream* os) { *os << c.name; }
};

class KeysymTest : public ::testing::TestWithParam<KeysymCase> {};

TEST_P(KeysymTest, GivesTheKeyQtWouldGive) { EXPECT_EQ(qtKeyOfKeysym(GetParam().keysym), GetParam().key); }

INSTANTIATE_TEST_SUITE_P(Keys, KeysymTest,
                         ::testing::Values(KeysymCase{"LowerA", XKB_KEY_a, Qt::Key_A},
                                           KeysymCase{"LowerZ", XKB_KEY_z, Qt::Key_Z},
                                           // Shift or Caps Lock: the same key.
                                           KeysymCase{"UpperB", XKB_KEY_B, Qt::Key_B},
                                           KeysymCase{"UpperZ", XKB_KEY_Z, Qt::Key_Z},
                                           KeysymCase{"Digit", XKB_KEY_7, Qt::Key_7},
                                           KeysymCase{"Return", XKB_KEY_Return, Qt::Key_Return},
                                           KeysymCase{"KeypadEnter", XKB_KEY_KP_Enter, Qt::Key_Enter},
                                           KeysymCase{"Escape", XKB_KEY_Escape, Qt::Key_Escape},
                                           KeysymCase{"FunctionKey", XKB_KEY_F5, Qt::Key_F5},
                                           // Beside the letters, not letters.
                                           KeysymCase{"Bracket", XKB_KEY_bracketleft, Qt::Key_unknown},
                                           KeysymCase{"At", XKB_KEY_at, Qt::Key_unknown},
                                           KeysymCase{"AUmlaut", XKB_KEY_adiaeresis, Qt::Key_unknown},
                                           KeysymCase{"Shift", XKB_KEY_Shift_L, Qt::Key_unknown}),
                         velmora::testing::caseName);

}  // namespace
}  // namespace velmora
