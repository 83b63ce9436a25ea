#pragma once
// An in-memory registry of keys and typed values, and a read access object over it
// that offers what the program asks of the Windows registry (root key, current key,
// read-only open, subkey and value names, value type, size and data).
// Key and value names compare without regard to case, as in the Windows registry;
// subkeys and values keep the order in which they were added.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

using HKEY = uint32_t;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;

// Value types, numbered as the Windows registry numbers them.
enum TRegDataType : uint32_t {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_MULTI_SZ = 7,
};

// Name of a root key as exports write it ("HKEY_LOCAL_MACHINE"), empty when unknown;
// RootKeyFromName accepts the long names and the short ones ("HKLM"), 0 when unknown.
QString RootKeyName(HKEY root);
HKEY RootKeyFromName(const QString& name);

struct TRegValue {
    QString name;
    uint32_t type = REG_NONE;
    // The stored bytes. Strings are 8-bit (Windows-1251) without a terminating zero.
    QByteArray data;
};

class TRegKey {
public:
    explicit TRegKey(QString name) : name_(std::move(name)) {}
    const QString& Name() const { return name_; }

    const TRegKey* FindSubKey(const QString& name) const;
    TRegKey* FindSubKey(const QString& name);
    TRegKey& AddSubKey(const QString& name);  // the existing one when present
    bool RemoveSubKey(const QString& name);
    QStringList SubKeyNames() const;
    const std::vector<std::unique_ptr<TRegKey>>& SubKeys() const { return subKeys_; }

    const TRegValue* FindValue(const QString& name) const;
    void SetValue(const QString& name, uint32_t type, const QByteArray& data);  // replaces
    bool RemoveValue(const QString& name);
    const std::vector<TRegValue>& Values() const { return values_; }

    std::unique_ptr<TRegKey> Clone() const;

private:
    QString name_;
    std::vector<std::unique_ptr<TRegKey>> subKeys_;
    std::vector<TRegValue> values_;
};

// A registry: root keys, each with its tree. Movable and copyable (deep copy).
class TRegistry {
public:
    TRegistry() = default;
    TRegistry(const TRegistry& other);
    TRegistry& operator=(const TRegistry& other);
    TRegistry(TRegistry&&) noexcept = default;
    TRegistry& operator=(TRegistry&&) noexcept = default;

    // The key at a backslash-separated path below root; nullptr when absent.
    const TRegKey* FindKey(HKEY root, const QString& path) const;
    TRegKey* FindKey(HKEY root, const QString& path);
    // The key at path, created with its parents when absent.
    TRegKey& CreateKey(HKEY root, const QString& path);
    bool DeleteKey(HKEY root, const QString& path);

    // Convenience writers; strings are stored in the 8-bit code page.
    void SetString(HKEY root, const QString& path, const QString& name, const QString& text,
                   uint32_t type = REG_SZ);
    void SetBinary(HKEY root, const QString& path, const QString& name, const QByteArray& data);
    void SetDword(HKEY root, const QString& path, const QString& name, uint32_t value);

    bool IsEmpty() const { return roots_.empty(); }
    std::vector<HKEY> Roots() const;

private:
    std::map<HKEY, std::unique_ptr<TRegKey>> roots_;
};

// Read access to a registry, one open key at a time (what TRegistry gives on Windows).
class TRegistryAccess {
public:
    explicit TRegistryAccess(const TRegistry& registry, HKEY root = HKEY_CURRENT_USER)
        : registry_(registry), root_(root) {}

    HKEY RootKey() const { return root_; }
    void SetRootKey(HKEY root);  // closes the current key
    // Path of the open key below the root, without a leading backslash; empty when closed.
    const QString& CurrentPath() const { return currentPath_; }
    bool HasCurrentKey() const { return current_ != nullptr; }

    // Opens an existing key below the root (a leading backslash is allowed); false
    // and no key open when it does not exist.
    bool OpenKeyReadOnly(const QString& path);
    void CloseKey();

    // What the open key holds; empty lists / false / -1 when no key is open.
    QStringList GetKeyNames() const;
    QStringList GetValueNames() const;
    bool ValueExists(const QString& name) const;
    // The value's type, REG_NONE when absent.
    uint32_t GetDataType(const QString& name) const;
    // The value's size in bytes (a string counts its terminating zero), -1 when absent.
    int GetDataSize(const QString& name) const;
    // The 8-bit bytes of a string value (REG_SZ or REG_EXPAND_SZ); throws Exception otherwise.
    QByteArray ReadString(const QString& name) const;
    // Copies at most size bytes of a binary value into buffer; returns the count copied.
    // Throws Exception when the value is absent or not binary.
    int ReadBinaryData(const QString& name, void* buffer, int size) const;

private:
    const TRegValue* Value(const QString& name) const;

    const TRegistry& registry_;
    HKEY root_;
    QString currentPath_;
    const TRegKey* current_ = nullptr;
};
