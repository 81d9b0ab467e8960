// ctest-timeout: 30
#include "store/busyguard.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace velmora;

namespace {

TEST(BusyGuard, IsBusyForItsScopeAndClearsOnEveryWayOut) {
    std::vector<bool> calls;
    const auto record = [&calls](bool busy) { calls.push_back(busy); };
    {
        const BusyGuard busy(record);
        EXPECT_EQ(calls, std::vector<bool>{true});
    }
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));

    calls.clear();
    EXPECT_THROW(
        {
            const BusyGuard busy(record);
            throw std::runtime_error("store failed");
        },
        std::runtime_error);
    EXPECT_EQ(calls, (std::vector<bool>{true, false})) << "cleared by the exception as well";
}

TEST(BusyGuard, WithoutAnIndicatorDoesNothing) {
    EXPECT_NO_THROW({ const BusyGuard busy{BusyIndicator()}; });
}

}  // namespace
