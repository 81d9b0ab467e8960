#include "store/registry.h"

#include <QMap>
#include <QSet>

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>

// Readable failure output for texts holding NULs.
void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toUtf8().replace('\0', "\\0").constData() << '"';
}

using namespace velmora;

namespace {

// A registry held in memory that behaves like the platform's: it keeps one
// key with typed values and counts which handles are open, so that a leaked
// or doubly closed handle shows.
class FakeRegistry final : public Registry {
public:
    struct Value {
        quint32 type;
        QByteArray bytes;
    };
    QMap<QByteArray, Value> values;  // of the one key kShellFoldersKey below HKCU
    int opens = 0, closes = 0, badCloses = 0;

    qint32 openKey(RegKey root, const QByteArray& subKey, quint32, quint32 access,
                   RegKey& key) override {
        lastAccess = access;
        if (root != kHKeyCurrentUser || subKey != kShellFoldersKey.toLocal8Bit()) return kRegNotFound;
        ++opens;
        key = 0x100 + RegKey(opens);
        m_open.insert(key);
        return kRegSuccess;
    }
    qint32 queryValue(RegKey key, const QByteArray& name, quint32& type, char* data,
                      quint32& size) override {
        if (!m_open.contains(key)) return kRegInvalidHandle;
        auto it = values.constFind(name);
        if (it == values.cend()) return kRegNotFound;
        type = it->type;
        const auto needed = quint32(it->bytes.size());
        if (data == nullptr) {
            size = needed;
            return kRegSuccess;
        }
        if (size < needed) {
            size = needed;
            return kRegMoreData;
        }
        std::memcpy(data, it->bytes.constData(), needed);
        size = needed;
        return kRegSuccess;
    }
    qint32 closeKey(RegKey key) override {
        if (!m_open.remove(key)) {
            ++badCloses;
            return kRegInvalidHandle;
        }
        ++closes;
        return kRegSuccess;
    }
    qsizetype openNow() const { return m_open.size(); }
    quint32 lastAccess = 0;

private:
    QSet<RegKey> m_open;
};

QByteArray dword(quint32 n) { return QByteArray(reinterpret_cast<const char*>(&n), sizeof n); }

struct StringCase {
    const char* name;
    quint32 type;
    QByteArray stored;
    const char* valueName;  // what is asked for
    QString expected;
    friend void PrintTo(const StringCase& c, std::ostream* os) { *os << c.name; }
};

class ReadString : public ::testing::TestWithParam<StringCase> {};

TEST_P(ReadString, ReadsTheValueAndClosesTheKey) {
    FakeRegistry reg;
    reg.values.insert("StartUp", {GetParam().type, GetParam().stored});
    EXPECT_EQ(RegReadString(reg, kHKeyCurrentUser, kShellFoldersKey,
                            QString::fromLatin1(GetParam().valueName)),
              GetParam().expected);
    EXPECT_EQ(reg.opens, 1);
    EXPECT_EQ(reg.closes, 1);
    EXPECT_EQ(reg.badCloses, 0);
    EXPECT_EQ(reg.lastAccess, 0x3Fu);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ReadString,
    ::testing::Values(
        StringCase{"StringWithNul", kRegSz, QByteArray("C:\\Start\0", 9), "StartUp", "C:\\Start"},
        StringCase{"StringWithoutNul", kRegSz, QByteArray("C:\\Start"), "StartUp", "C:\\Start"},
        StringCase{"OnlyOneNulRemoved", kRegSz, QByteArray("ab\0\0", 4), "StartUp",
                   QStringLiteral("ab") + QChar(0)},
        StringCase{"EmptyWithNul", kRegSz, QByteArray("\0", 1), "StartUp", ""},
        StringCase{"EmptyWithoutNul", kRegSz, QByteArray(), "StartUp", ""},
        StringCase{"Utf8Text", kRegSz, QByteArray("/home/j\xc3\xb6rg\0", 12), "StartUp",
                   QStringLiteral("/home/j\u00f6rg")},
        StringCase{"NumberFive", kRegDword, dword(5), "StartUp", "5"},
        StringCase{"NumberZero", kRegDword, dword(0), "StartUp", "0"},
        StringCase{"ExpandString", kRegExpandSz, QByteArray("%HOME%\0", 7), "StartUp", ""},
        StringCase{"MissingValue", kRegSz, QByteArray("x"), "Desktop", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RegReadString, MissingKeyGivesEmptyAndClosesNothing) {
    FakeRegistry reg;
    reg.values.insert("StartUp", {kRegSz, QByteArray("x")});
    EXPECT_EQ(RegReadString(reg, kHKeyCurrentUser, "Software\\Nowhere", "StartUp"), "");
    EXPECT_EQ(RegReadString(reg, 0x80000002, kShellFoldersKey, "StartUp"), "");
    EXPECT_EQ(reg.opens, 0);
    EXPECT_EQ(reg.closes + reg.badCloses, 0);
}

struct ValueCase {
    const char* name;
    quint32 type;
    QByteArray stored;
    qint32 result;
    RegValue value;  // starting from a sentinel string
    friend void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.name; }
};

class ReadValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ReadValue, ResultCodeAndValue) {
    FakeRegistry reg;
    reg.values.insert("StartUp", {GetParam().type, GetParam().stored});
    RegKey key = 0;
    ASSERT_EQ(reg.openKey(kHKeyCurrentUser, kShellFoldersKey.toLocal8Bit(), 0, kKeyAccessAll, key), 0);
    RegValue v = QStringLiteral("untouched");
    EXPECT_EQ(RegReadValue(reg, key, "StartUp", v), GetParam().result);
    EXPECT_EQ(v, GetParam().value);
    reg.closeKey(key);
}

INSTANTIATE_TEST_SUITE_P(
    Types, ReadValue,
    ::testing::Values(
        ValueCase{"StringKeepsItsNul", kRegSz, QByteArray("abc\0", 4), 0,
                  RegValue(QStringLiteral("abc") + QChar(0))},
        ValueCase{"Number", kRegDword, dword(5), 0, RegValue(quint32(5))},
        ValueCase{"LargestNumber", kRegDword, dword(0xFFFFFFFFu), 0, RegValue(quint32(0xFFFFFFFFu))},
        // A number value longer than a number must not be written past the
        // number; the registry refuses the small buffer instead.
        ValueCase{"OversizedNumber", kRegDword, QByteArray(8, '\1'), kRegMoreData,
                  RegValue(QStringLiteral("untouched"))},
        ValueCase{"ExpandStringRefused", kRegExpandSz, QByteArray("x\0", 2), kRegUnsupportedType,
                  RegValue(QStringLiteral("untouched"))},
        ValueCase{"BinaryRefused", 3, QByteArray("\1\2", 2), kRegUnsupportedType,
                  RegValue(QStringLiteral("untouched"))}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RegReadValue, MissingValueIsNotFoundAndLeavesTheValue) {
    FakeRegistry reg;
    RegKey key = 0;
    ASSERT_EQ(reg.openKey(kHKeyCurrentUser, kShellFoldersKey.toLocal8Bit(), 0, kKeyAccessAll, key), 0);
    RegValue v = quint32(7);
    EXPECT_EQ(RegReadValue(reg, key, "StartUp", v), kRegNotFound);
    EXPECT_EQ(v, RegValue(quint32(7)));
    reg.closeKey(key);
}

// The Linux registry answers the StartUp folder from the XDG settings.
class LinuxRegistryTest : public ::testing::Test {
protected:
    static QProcessEnvironment env(std::initializer_list<std::pair<const char*, const char*>> vars) {
        QProcessEnvironment e;
        for (const auto& [k, v] : vars) e.insert(QString::fromLatin1(k), QString::fromUtf8(v));
        return e;
    }
    static QString startUp(const QProcessEnvironment& e) {
        LinuxRegistry reg(e);
        const QString folder = RegReadString(reg, kHKeyCurrentUser, kShellFoldersKey, kStartUpValue);
        EXPECT_EQ(reg.openHandles(), 0);
        return folder;
    }
};

TEST_F(LinuxRegistryTest, StartUpFolderIsTheAutostartFolder) {
    EXPECT_EQ(startUp(env({{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "/cfg/ann"}})),
              "/cfg/ann/autostart");
    EXPECT_EQ(startUp(env({{"HOME", "/home/ann"}})), "/home/ann/.config/autostart");
    // The base directory rules ignore relative settings.
    EXPECT_EQ(startUp(env({{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "cfg"}})),
              "/home/ann/.config/autostart");
    EXPECT_EQ(startUp(env({{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", ""}})),
              "/home/ann/.config/autostart");
    EXPECT_EQ(startUp(env({})), "");
    EXPECT_EQ(startUp(env({{"HOME", "relative"}})), "");
}

TEST_F(LinuxRegistryTest, NamesCompareWithoutCase) {
    LinuxRegistry reg(env({{"HOME", "/h"}}));
    EXPECT_EQ(RegReadString(reg, kHKeyCurrentUser, kShellFoldersKey.toUpper(), "startup"),
              "/h/.config/autostart");
    EXPECT_EQ(reg.openHandles(), 0);
}

TEST_F(LinuxRegistryTest, StoresTheFolderAsAStringWithItsNul) {
    LinuxRegistry reg(env({{"HOME", "/h"}}));
    RegKey key = 0;
    ASSERT_EQ(reg.openKey(kHKeyCurrentUser, kShellFoldersKey.toLocal8Bit(), 0, kKeyAccessAll, key), 0);
    ASSERT_NE(key, 0u);
    quint32 type = 0, size = 0;
    ASSERT_EQ(reg.queryValue(key, "StartUp", type, nullptr, size), 0);
    EXPECT_EQ(type, kRegSz);
    const QByteArray expected("/h/.config/autostart\0", 21);
    EXPECT_EQ(size, quint32(expected.size()));

    QByteArray small(4, 'x');
    quint32 smallSize = 4;
    EXPECT_EQ(reg.queryValue(key, "StartUp", type, small.data(), smallSize), kRegMoreData);
    EXPECT_EQ(smallSize, size);
    EXPECT_EQ(small, "xxxx");

    QByteArray buffer(qsizetype(size), 'x');
    ASSERT_EQ(reg.queryValue(key, "StartUp", type, buffer.data(), size), 0);
    EXPECT_EQ(buffer, expected);
    EXPECT_EQ(reg.closeKey(key), 0);
    EXPECT_NE(reg.closeKey(key), 0);
}

TEST_F(LinuxRegistryTest, EverythingElseIsNotFound) {
    LinuxRegistry reg(env({{"HOME", "/h"}}));
    RegKey key = 0;
    EXPECT_EQ(reg.openKey(0x80000002, kShellFoldersKey.toLocal8Bit(), 0, kKeyAccessAll, key), kRegNotFound);
    EXPECT_EQ(reg.openKey(kHKeyCurrentUser, "Software\\Microsoft", 0, kKeyAccessAll, key), kRegNotFound);
    EXPECT_EQ(key, 0u);
    ASSERT_EQ(reg.openKey(kHKeyCurrentUser, kShellFoldersKey.toLocal8Bit(), 0, kKeyAccessAll, key), 0);
    quint32 type = 0, size = 0;
    EXPECT_EQ(reg.queryValue(key, "Desktop", type, nullptr, size), kRegNotFound);
    EXPECT_EQ(RegReadString(reg, kHKeyCurrentUser, kShellFoldersKey, "Desktop"), "");
    reg.closeKey(key);
    EXPECT_EQ(reg.queryValue(key, "StartUp", type, nullptr, size), kRegNotFound);
    EXPECT_EQ(reg.openHandles(), 0);
}

}  // namespace
