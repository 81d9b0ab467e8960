#include "desktop/systemerror.h"
#include "casename.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ostream>

namespace velmora {
namespace {

struct ErrorCase {
    const char* name;
    int error;
    const char* text;
    friend void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.name; }
};

class SystemErrors : public ::testing::TestWithParam<ErrorCase> {};

// The words every reason ends in: the C library's English ones, and a number
// where it has none.
TEST_P(SystemErrors, ReadTheSameEverywhere) {
    EXPECT_EQ(systemErrorText(GetParam().error).toStdString(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Errors, SystemErrors,
                         ::testing::Values(ErrorCase{"NoSuchFile", ENOENT, "No such file or directory"},
                                           ErrorCase{"PermissionDenied", EACCES, "Permission denied"},
                                           ErrorCase{"NotAProgram", ENOEXEC, "Exec format error"},
                                           ErrorCase{"FullDisk", ENOSPC, "No space left on device"},
                                           ErrorCase{"TooManyLinks", ELOOP,
                                                     "Too many levels of symbolic links"},
                                           ErrorCase{"UnknownNumber", 100000, "error 100000"},
                                           ErrorCase{"Negative", -1, "error -1"}),
                         velmora::testing::caseName);

}  // namespace
}  // namespace velmora
