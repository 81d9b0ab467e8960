#pragma once
// What every fuzz target shares: turning the input bytes into texts, and
// checks that end the run with the failing condition when an invariant
// breaks (libFuzzer then keeps the input as a crash artifact).

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace velmora::fuzz {

// The input as UTF-8; malformed sequences become U+FFFD as in any file read.
inline QString text(const std::uint8_t* data, std::size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

// The input cut at NUL bytes into several texts (a trailing NUL adds an empty one).
inline QStringList texts(const std::uint8_t* data, std::size_t size) {
    QStringList parts;
    for (const QByteArray& part :
         QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\0'))
        parts.append(QString::fromUtf8(part));
    return parts;
}

}  // namespace velmora::fuzz
