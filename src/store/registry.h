#pragma once
// The one thing the program reads from the system registry: where the user's
// StartUp folder is. RegReadString and RegReadValue are thin layers over a
// small registry interface with the classic open/query/close calls, root keys,
// value types and result codes; on Linux the interface is answered by
// LinuxRegistry, which knows the StartUp folder as the XDG autostart folder.

#include <QByteArray>
#include <QProcessEnvironment>
#include <QSet>
#include <QString>
#include <QtGlobal>

#include <variant>

namespace velmora {

// A key handle; 0 names no key.
using RegKey = quint32;

inline constexpr RegKey kHKeyCurrentUser = 0x80000001;
// The six key-specific rights together, without the standard rights.
inline constexpr quint32 kKeyAccessAll = 0x3F;

inline constexpr quint32 kRegSz = 1;
inline constexpr quint32 kRegExpandSz = 2;
inline constexpr quint32 kRegDword = 4;

inline constexpr qint32 kRegSuccess = 0;
inline constexpr qint32 kRegNotFound = 2;
inline constexpr qint32 kRegInvalidHandle = 6;
inline constexpr qint32 kRegMoreData = 234;
// RegReadValue's answer for a value of a type other than string or number.
inline constexpr qint32 kRegUnsupportedType = -1;

inline const QString kShellFoldersKey =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
inline const QString kStartUpValue = QStringLiteral("StartUp");

// The registry calls the helpers need. Names and data are 8-bit, as the
// registry stores them; callers convert at the call.
class Registry {
public:
    virtual ~Registry() = default;

    // Opens `subKey` below `root`. On success returns 0 and sets `key` to a
    // handle other than 0 that must be given to closeKey(); on failure
    // returns the error number and leaves `key` as it was.
    virtual qint32 openKey(RegKey root, const QByteArray& subKey, quint32 options, quint32 access,
                           RegKey& key) = 0;

    // Reads value `name` of an open key. `type` receives the value's type.
    // With `data` null only the size in bytes is reported in `size`. Otherwise
    // `size` is the buffer's size on entry and receives the byte count stored
    // in `data`; a buffer too small gives kRegMoreData with the needed size in
    // `size` and nothing in `data`. On failure `data` is not touched.
    virtual qint32 queryValue(RegKey key, const QByteArray& name, quint32& type, char* data,
                              quint32& size) = 0;

    // Releases a handle from openKey().
    virtual qint32 closeKey(RegKey key) = 0;
};

// What RegReadValue hands back: nothing yet, a string (with any terminating
// NUL the registry holds) or a 32-bit number.
using RegValue = std::variant<std::monostate, QString, quint32>;

// Reads value `name` of the open key `key` as a string (type 1) or a 32-bit
// number (type 4). Returns the registry's result code: 0 on success, its error
// number (2 for a missing value) or kRegUnsupportedType for any other type.
// `value` is left untouched on failure, except that a string whose second
// read fails becomes the empty string.
qint32 RegReadValue(Registry& registry, RegKey key, const QString& name, RegValue& value);

// Opens `path` below `root`, reads `name` and closes the key again on every
// path. A string loses one terminating NUL; a number reads as its decimal
// digits. The empty string when the key or value is missing or of another type.
QString RegReadString(Registry& registry, RegKey root, const QString& path, const QString& name);

// The registry of a Linux desktop: it holds exactly one value, HKEY_CURRENT_USER
// "Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders" "StartUp",
// a string with its terminating NUL naming the autostartFolder() of
// `environment`. Everything else is not found (2). Key and value names compare
// without case. The folder need not exist.
class LinuxRegistry final : public Registry {
public:
    explicit LinuxRegistry(QProcessEnvironment environment);

    qint32 openKey(RegKey root, const QByteArray& subKey, quint32 options, quint32 access,
                   RegKey& key) override;
    qint32 queryValue(RegKey key, const QByteArray& name, quint32& type, char* data,
                      quint32& size) override;
    qint32 closeKey(RegKey key) override;

    // Handles opened and not yet closed.
    qsizetype openHandles() const { return m_open.size(); }

private:
    QProcessEnvironment m_environment;
    QSet<RegKey> m_open;
    RegKey m_next = 1;
};

}  // namespace velmora
