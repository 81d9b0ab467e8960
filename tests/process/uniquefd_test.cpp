// ctest-timeout: 30
#include "process/uniquefd.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

using namespace velmora;

namespace {

bool isOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1 || errno != EBADF; }

TEST(UniqueFd, ClosesWhenItGoes) {
    int raw = -1;
    {
        const UniqueFd fd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        ASSERT_TRUE(fd.valid());
        raw = fd.get();
        EXPECT_TRUE(isOpen(raw));
    }
    EXPECT_FALSE(isOpen(raw));
}

TEST(UniqueFd, AMoveHandsOverTheOnlyOwnership) {
    UniqueFd first(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    const int raw = first.get();
    UniqueFd second(std::move(first));
    EXPECT_FALSE(first.valid());  // NOLINT(bugprone-use-after-move): the moved-from state is the contract
    EXPECT_EQ(second.get(), raw);

    UniqueFd third(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    const int replaced = third.get();
    third = std::move(second);
    EXPECT_EQ(third.get(), raw);
    EXPECT_FALSE(isOpen(replaced)) << "the descriptor it held before is closed";
    EXPECT_TRUE(isOpen(raw));
}

TEST(UniqueFd, CloseReportsWhetherADescriptorWasClosed) {
    UniqueFd fd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    const int raw = fd.get();
    EXPECT_TRUE(fd.close());
    EXPECT_FALSE(fd.valid());
    EXPECT_FALSE(isOpen(raw));
    EXPECT_FALSE(fd.close()) << "nothing is owned any more";
    EXPECT_FALSE(UniqueFd().close());
}

}  // namespace
