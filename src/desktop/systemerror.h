#pragma once
// The words for what a system call reported. Every reason the program gives
// for a file or a program it could not use ends in such words, in diagnostics
// lines and messages alike, so they come from this one place.

#include <QString>

namespace velmora {

// The English description of an errno value, whatever the locale: such texts
// go to diagnostics lines and messages and must read the same everywhere.
// "error N" for a number the C library has no description for.
QString systemErrorText(int error);

}  // namespace velmora
