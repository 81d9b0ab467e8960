#pragma once
// The names of the cases of a test table: each parameter of a TEST_P table
// carries a `name`, and gtest shows it instead of a running number.

#include <gtest/gtest.h>

#include <string>

namespace velmora::testing {

// For the last argument of INSTANTIATE_TEST_SUITE_P.
struct CaseName {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
        return std::string(info.param.name);
    }
};
inline constexpr CaseName caseName{};

}  // namespace velmora::testing
