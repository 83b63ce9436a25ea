#include "platform/Registry.h"

#include "platform/CodePage.h"
#include "platform/Error.h"

#include <algorithm>
#include <cstring>

namespace {

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QStringList SplitPath(const QString& path) {
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

struct RootName {
    HKEY root;
    const char* longName;
    const char* shortName;
};
constexpr RootName kRootNames[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM"},
    {HKEY_USERS, "HKEY_USERS", "HKU"},
};

}  // namespace

QString RootKeyName(HKEY root) {
    for (const RootName& r : kRootNames)
        if (r.root == root) return QString::fromLatin1(r.longName);
    return {};
}

HKEY RootKeyFromName(const QString& name) {
    for (const RootName& r : kRootNames)
        if (SameName(name, QLatin1String(r.longName)) || SameName(name, QLatin1String(r.shortName)))
            return r.root;
    return 0;
}

// --- TRegKey ---

const TRegKey* TRegKey::FindSubKey(const QString& name) const {
    for (const auto& key : subKeys_)
        if (SameName(key->Name(), name)) return key.get();
    return nullptr;
}

TRegKey* TRegKey::FindSubKey(const QString& name) {
    return const_cast<TRegKey*>(std::as_const(*this).FindSubKey(name));
}

TRegKey& TRegKey::AddSubKey(const QString& name) {
    if (TRegKey* existing = FindSubKey(name)) return *existing;
    subKeys_.push_back(std::make_unique<TRegKey>(name));
    return *subKeys_.back();
}

bool TRegKey::RemoveSubKey(const QString& name) {
    const auto it = std::find_if(subKeys_.begin(), subKeys_.end(),
                                 [&](const auto& key) { return SameName(key->Name(), name); });
    if (it == subKeys_.end()) return false;
    subKeys_.erase(it);
    return true;
}

QStringList TRegKey::SubKeyNames() const {
    QStringList names;
    names.reserve(static_cast<qsizetype>(subKeys_.size()));
    for (const auto& key : subKeys_) names.append(key->Name());
    return names;
}

const TRegValue* TRegKey::FindValue(const QString& name) const {
    for (const TRegValue& value : values_)
        if (SameName(value.name, name)) return &value;
    return nullptr;
}

void TRegKey::SetValue(const QString& name, uint32_t type, const QByteArray& data) {
    for (TRegValue& value : values_) {
        if (SameName(value.name, name)) {
            value.type = type;
            value.data = data;
            return;
        }
    }
    values_.push_back(TRegValue{name, type, data});
}

bool TRegKey::RemoveValue(const QString& name) {
    const auto it = std::find_if(values_.begin(), values_.end(),
                                 [&](const TRegValue& value) { return SameName(value.name, name); });
    if (it == values_.end()) return false;
    values_.erase(it);
    return true;
}

std::unique_ptr<TRegKey> TRegKey::Clone() const {
    auto copy = std::make_unique<TRegKey>(name_);
    copy->values_ = values_;
    copy->subKeys_.reserve(subKeys_.size());
    for (const auto& key : subKeys_) copy->subKeys_.push_back(key->Clone());
    return copy;
}

// --- TRegistry ---

TRegistry::TRegistry(const TRegistry& other) {
    for (const auto& [root, key] : other.roots_) roots_.emplace(root, key->Clone());
}

TRegistry& TRegistry::operator=(const TRegistry& other) {
    if (this != &other) {
        TRegistry copy(other);
        roots_ = std::move(copy.roots_);
    }
    return *this;
}

const TRegKey* TRegistry::FindKey(HKEY root, const QString& path) const {
    const auto it = roots_.find(root);
    if (it == roots_.end()) return nullptr;
    const TRegKey* key = it->second.get();
    for (const QString& part : SplitPath(path)) {
        key = key->FindSubKey(part);
        if (!key) return nullptr;
    }
    return key;
}

TRegKey* TRegistry::FindKey(HKEY root, const QString& path) {
    return const_cast<TRegKey*>(std::as_const(*this).FindKey(root, path));
}

TRegKey& TRegistry::CreateKey(HKEY root, const QString& path) {
    auto& slot = roots_[root];
    if (!slot) slot = std::make_unique<TRegKey>(RootKeyName(root));
    TRegKey* key = slot.get();
    for (const QString& part : SplitPath(path)) key = &key->AddSubKey(part);
    return *key;
}

bool TRegistry::DeleteKey(HKEY root, const QString& path) {
    QStringList parts = SplitPath(path);
    if (parts.isEmpty()) return roots_.erase(root) > 0;
    const QString last = parts.takeLast();
    TRegKey* parent = FindKey(root, parts.join(QLatin1Char('\\')));
    return parent && parent->RemoveSubKey(last);
}

void TRegistry::SetString(HKEY root, const QString& path, const QString& name, const QString& text,
                          uint32_t type) {
    CreateKey(root, path).SetValue(name, type, ToAnsi(text));
}

void TRegistry::SetBinary(HKEY root, const QString& path, const QString& name, const QByteArray& data) {
    CreateKey(root, path).SetValue(name, REG_BINARY, data);
}

void TRegistry::SetDword(HKEY root, const QString& path, const QString& name, uint32_t value) {
    QByteArray data(4, '\0');
    std::memcpy(data.data(), &value, 4);  // little-endian, as stored on Windows
    CreateKey(root, path).SetValue(name, REG_DWORD, data);
}

std::vector<HKEY> TRegistry::Roots() const {
    std::vector<HKEY> roots;
    for (const auto& entry : roots_) roots.push_back(entry.first);
    return roots;
}

// --- TRegistryAccess ---

void TRegistryAccess::SetRootKey(HKEY root) {
    CloseKey();
    root_ = root;
}

bool TRegistryAccess::OpenKeyReadOnly(const QString& path) {
    CloseKey();
    const TRegKey* key = registry_.FindKey(root_, path);
    if (!key) return false;
    current_ = key;
    currentPath_ = SplitPath(path).join(QLatin1Char('\\'));
    return true;
}

void TRegistryAccess::CloseKey() {
    current_ = nullptr;
    currentPath_.clear();
}

QStringList TRegistryAccess::GetKeyNames() const {
    return current_ ? current_->SubKeyNames() : QStringList{};
}

QStringList TRegistryAccess::GetValueNames() const {
    QStringList names;
    if (current_)
        for (const TRegValue& value : current_->Values()) names.append(value.name);
    return names;
}

const TRegValue* TRegistryAccess::Value(const QString& name) const {
    return current_ ? current_->FindValue(name) : nullptr;
}

bool TRegistryAccess::ValueExists(const QString& name) const {
    return Value(name) != nullptr;
}

uint32_t TRegistryAccess::GetDataType(const QString& name) const {
    const TRegValue* value = Value(name);
    return value ? value->type : REG_NONE;
}

int TRegistryAccess::GetDataSize(const QString& name) const {
    const TRegValue* value = Value(name);
    if (!value) return -1;
    const bool isString = value->type == REG_SZ || value->type == REG_EXPAND_SZ;
    return static_cast<int>(value->data.size()) + (isString ? 1 : 0);
}

QByteArray TRegistryAccess::ReadString(const QString& name) const {
    const TRegValue* value = Value(name);
    if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ))
        throw Exception(QStringLiteral("Invalid data type for '%1'").arg(name));
    return value->data;
}

int TRegistryAccess::ReadBinaryData(const QString& name, void* buffer, int size) const {
    const TRegValue* value = Value(name);
    if (!value || value->type != REG_BINARY)
        throw Exception(QStringLiteral("Invalid data type for '%1'").arg(name));
    const int count = std::clamp(static_cast<int>(value->data.size()), 0, std::max(size, 0));
    if (count > 0) std::memcpy(buffer, value->data.constData(), static_cast<size_t>(count));
    return count;
}
