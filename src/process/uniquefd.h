#pragma once
// Sole owner of a file descriptor: closed when the owner goes, on every way
// out. A negative number owns nothing.

#include <utility>

#include <unistd.h>

namespace velmora {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now, ignoring what close() says; owns nothing afterwards.
    void reset() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }
    // Closes now and tells whether the kernel accepted the data: some file
    // systems report write errors only here. False when nothing was owned.
    bool close() {
        const int fd = std::exchange(m_fd, -1);
        return fd >= 0 && ::close(fd) == 0;
    }

private:
    int m_fd = -1;
};

}  // namespace velmora
