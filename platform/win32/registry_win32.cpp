// Windows only: the registry accessor over the system's registry (the wide Reg* API), or over the
// emulated store (registry_store.h) while a store file is set, as the tests set one.
//
// The accessor keeps no handle: each operation opens the key it works on by its path and closes
// it again, so that a key deleted meanwhile reads as missing, as it does in the store, and a key
// that may only be read can still be read (a change asks for the right to change it).
//
// Names are UTF-8 at the boundary. String data (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) is UTF-16 in
// the registry and 8-bit text with its NULs in ours (reg_text.h): UTF-8, converted both ways with
// every NUL kept in its place.
#include <algorithm>
#include <utility>

#include "platform/reg_text.h"
#include "platform/registry.h"
#include "platform/registry_store.h"
#include "platform/win32/win32_util.h"

namespace vorlisk::platform {

namespace store = registry_store;
using win32::Utf8;
using win32::Wide;

namespace {

HKEY RootHandle(RootKey root) {
  switch (root) {
    case RootKey::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RootKey::CurrentUser:
      return HKEY_CURRENT_USER;
    case RootKey::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RootKey::Users:
      return HKEY_USERS;
    case RootKey::PerformanceData:
      return HKEY_PERFORMANCE_DATA;
    case RootKey::CurrentConfig:
      return HKEY_CURRENT_CONFIG;
    case RootKey::DynData:
      return HKEY_DYN_DATA;
  }
  return HKEY_CURRENT_USER;
}

// An open key, closed once.
class Key {
 public:
  Key() = default;
  explicit Key(HKEY h) : h_(h) {}
  ~Key() {
    if (h_ != nullptr) ::RegCloseKey(h_);
  }
  Key(Key&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  Key& operator=(Key&& o) noexcept {
    if (this != &o) {
      if (h_ != nullptr) ::RegCloseKey(h_);
      h_ = std::exchange(o.h_, nullptr);
    }
    return *this;
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  HKEY h_ = nullptr;
};

// Opens an existing key; the error code in `error` when it cannot.
Key OpenApiKey(RootKey root, const std::string& path, REGSAM access, LONG* error = nullptr) {
  HKEY h = nullptr;
  const LONG rc = ::RegOpenKeyExW(RootHandle(root), Wide(path).c_str(), 0, access, &h);
  if (error != nullptr) *error = rc;
  return rc == ERROR_SUCCESS ? Key(h) : Key();
}

// Opens a key, making it and its missing parents.
Key CreateApiKey(RootKey root, const std::string& path, REGSAM access, LONG* error = nullptr) {
  HKEY h = nullptr;
  const LONG rc = ::RegCreateKeyExW(RootHandle(root), Wide(path).c_str(), 0, nullptr,
                                    REG_OPTION_NON_VOLATILE, access, nullptr, &h, nullptr);
  if (error != nullptr) *error = rc;
  return rc == ERROR_SUCCESS ? Key(h) : Key();
}

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The registry's data to ours: UTF-16 strings become UTF-8, NULs where they were.
std::vector<uint8_t> FromApiData(DWORD type, const std::vector<uint8_t>& data) {
  if (!IsStringType(type)) return data;
  std::wstring wide(data.size() / 2, L'\0');
  std::copy_n(data.data(), wide.size() * 2, reinterpret_cast<uint8_t*>(wide.data()));
  const std::string text = Utf8(wide);
  return {text.begin(), text.end()};
}

// Ours to the registry's.
std::vector<uint8_t> ToApiData(DWORD type, const std::vector<uint8_t>& data) {
  if (!IsStringType(type)) return data;
  const std::wstring wide =
      Wide(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
  const auto* bytes = reinterpret_cast<const uint8_t*>(wide.data());
  return {bytes, bytes + wide.size() * sizeof(wchar_t)};
}

struct ApiValue {
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;  // as the registry holds it
};

std::optional<ApiValue> QueryValue(HKEY key, std::string_view name) {
  const std::wstring wname = Wide(name);
  ApiValue v;
  DWORD size = 0;
  LONG rc = ::RegQueryValueExW(key, wname.c_str(), nullptr, &v.type, nullptr, &size);
  // The value may grow between the two calls: ask again with the size it has then.
  for (int tries = 0; rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA; ++tries) {
    v.data.resize(size);
    rc = ::RegQueryValueExW(key, wname.c_str(), nullptr, &v.type,
                            v.data.empty() ? nullptr : v.data.data(), &size);
    if (rc == ERROR_SUCCESS) {
      v.data.resize(size);
      return v;
    }
    if (tries > 8) break;
  }
  return std::nullopt;
}

bool SetApiValue(HKEY key, std::string_view name, DWORD type, const std::vector<uint8_t>& data) {
  const std::vector<uint8_t> bytes = ToApiData(type, data);
  return ::RegSetValueExW(key, Wide(name).c_str(), 0, type, bytes.empty() ? nullptr : bytes.data(),
                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

// Subkey names sorted as the registry sorts them: ordinal, ignoring case.
std::vector<std::wstring> SubkeyNames(HKEY key) {
  std::vector<std::wstring> names;
  wchar_t buffer[256];  // a key name has at most 255 characters
  for (DWORD i = 0;; ++i) {
    DWORD length = static_cast<DWORD>(std::size(buffer));
    const LONG rc = ::RegEnumKeyExW(key, i, buffer, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS) break;
    names.emplace_back(buffer, length);
  }
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
  });
  return names;
}

// Value names in the order the registry enumerates them.
std::vector<std::wstring> ValueNamesOf(HKEY key) {
  std::vector<std::wstring> names;
  std::wstring buffer(16384, L'\0');  // a value name has at most 16,383 characters
  for (DWORD i = 0;; ++i) {
    DWORD length = static_cast<DWORD>(buffer.size());
    const LONG rc =
        ::RegEnumValueW(key, i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS) break;
    names.emplace_back(buffer.data(), length);
  }
  return names;
}

DWORD SubkeyCount(HKEY key) {
  DWORD count = 0;
  if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return 0;
  return count;
}

// ".reg" text of a key and its subkeys, depth first; keys that may not be read are left out.
void AppendSubtree(std::string& out, HKEY key, const std::string& fullPath, bool withSelf) {
  if (withSelf) {
    std::vector<RegValue> values;
    for (const std::wstring& name : ValueNamesOf(key)) {
      const std::string utf8 = Utf8(name);
      if (const auto v = QueryValue(key, utf8))
        values.push_back(RegValue{utf8, v->type, FromApiData(v->type, v->data)});
    }
    AppendRegKeyBlock(out, fullPath, values);
  }
  for (const std::wstring& name : SubkeyNames(key)) {
    HKEY sub = nullptr;
    if (::RegOpenKeyExW(key, name.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    const Key owned(sub);
    AppendSubtree(out, sub, fullPath + "\\" + Utf8(name), true);
  }
}

bool HasValues(HKEY key) {
  DWORD count = 0;
  return ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                            nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         count > 0;
}

std::string ExportSystemRegistry(std::string_view keyPath) {
  std::string out = std::string(kRegHeaderV5) + "\r\n";
  if (keyPath.empty()) {
    // Every root but those of performance counters and of Windows 9x, which hold no keys.
    for (RootKey root : {RootKey::ClassesRoot, RootKey::CurrentUser, RootKey::LocalMachine,
                         RootKey::Users, RootKey::CurrentConfig})
      AppendSubtree(out, RootHandle(root), RootKeyName(root), HasValues(RootHandle(root)));
    return out + "\r\n";
  }
  const std::string missing = "The key " + std::string(keyPath) + " does not exist";
  const auto slash = keyPath.find('\\');
  const auto root = RootKeyFromName(keyPath.substr(0, slash));
  const auto levels =
      SplitRegistryPath(slash == std::string_view::npos ? "" : keyPath.substr(slash + 1));
  if (!root || !levels || *root == RootKey::PerformanceData) throw Error(missing);
  // The stored case of each level, as the registry editor writes it.
  std::string fullPath = RootKeyName(*root);
  Key key;
  HKEY current = RootHandle(*root);
  for (std::string_view level : *levels) {
    const std::wstring wide = Wide(level);
    std::optional<std::wstring> stored;
    for (const std::wstring& name : SubkeyNames(current))
      if (::CompareStringOrdinal(name.c_str(), static_cast<int>(name.size()), wide.c_str(),
                                 static_cast<int>(wide.size()), TRUE) == CSTR_EQUAL)
        stored = name;
    HKEY next = nullptr;
    if (!stored || ::RegOpenKeyExW(current, stored->c_str(), 0, KEY_READ, &next) != ERROR_SUCCESS)
      throw Error(missing);
    key = Key(next);
    current = next;
    fullPath += "\\" + Utf8(*stored);
  }
  AppendSubtree(out, current, fullPath, true);
  return out + "\r\n";
}

void ImportToSystemRegistry(std::string_view text) {
  // The whole text is read first: a malformed line changes nothing.
  const std::vector<RegOperation> ops = ParseRegText(text);
  for (const RegOperation& op : ops) {
    const auto fail = [&op](LONG rc) {
      throw RegTextError(op.line, win32::ErrorText(static_cast<DWORD>(rc)));
    };
    if (op.kind == RegOperation::Kind::DeleteKey) {
      const LONG rc = ::RegDeleteTreeW(RootHandle(op.root), Wide(op.path).c_str());
      if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) fail(rc);
      continue;
    }
    LONG rc = ERROR_SUCCESS;
    const Key key = CreateApiKey(op.root, op.path, KEY_SET_VALUE, &rc);
    if (!key) fail(rc);
    if (op.kind == RegOperation::Kind::SetValue) {
      const std::vector<uint8_t> bytes = ToApiData(op.value.type, op.value.data);
      rc = ::RegSetValueExW(key.get(), Wide(op.value.name).c_str(), 0, op.value.type,
                            bytes.empty() ? nullptr : bytes.data(),
                            static_cast<DWORD>(bytes.size()));
      if (rc != ERROR_SUCCESS) fail(rc);
    } else if (op.kind == RegOperation::Kind::DeleteValue) {
      rc = ::RegDeleteValueW(key.get(), Wide(op.value.name).c_str());
      if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) fail(rc);
    }
  }
}

}  // namespace

bool HasSystemRegistry() { return true; }

Registry::Registry() = default;
Registry::~Registry() = default;

bool Registry::OpenKey(std::string_view path, bool canCreate) {
  const auto full = store::ResolvePath(path, open_, openPath_);
  bool exists = false;
  if (full && store::HasFile())
    exists = store::OpenKey(root_, *full, canCreate);  // may throw: the key stays open
  else if (full)
    exists = static_cast<bool>(canCreate ? CreateApiKey(root_, *full, KEY_READ)
                                         : OpenApiKey(root_, *full, KEY_READ));
  CloseKey();
  if (!exists) return false;
  open_ = true;
  openPath_ = *full;
  return true;
}

std::vector<std::string> Registry::GetKeyNames() const {
  if (!open_) return {};
  if (store::HasFile()) return store::KeyNames(root_, openPath_);
  std::vector<std::string> names;
  if (const Key key = OpenApiKey(root_, openPath_, KEY_ENUMERATE_SUB_KEYS))
    for (const std::wstring& name : SubkeyNames(key.get())) names.push_back(Utf8(name));
  return names;
}

std::vector<std::string> Registry::GetValueNames() const {
  if (!open_) return {};
  if (store::HasFile()) return store::ValueNames(root_, openPath_);
  std::vector<std::string> names;
  if (const Key key = OpenApiKey(root_, openPath_, KEY_QUERY_VALUE))
    for (const std::wstring& name : ValueNamesOf(key.get())) names.push_back(Utf8(name));
  return names;
}

bool Registry::HasSubKeys() const {
  if (!open_) return false;
  if (store::HasFile()) return store::HasSubKeys(root_, openPath_);
  const Key key = OpenApiKey(root_, openPath_, KEY_QUERY_VALUE);
  return key && SubkeyCount(key.get()) > 0;
}

bool Registry::ValueExists(std::string_view name) const { return GetDataType(name).has_value(); }

namespace {
// A value of the open key as ours: string data in UTF-8.
std::optional<RegValue> ValueOf(bool open, RootKey root, const std::string& path,
                                std::string_view name) {
  if (!open) return std::nullopt;
  if (store::HasFile()) return store::FindValue(root, path, name);
  const Key key = OpenApiKey(root, path, KEY_QUERY_VALUE);
  const auto v = key ? QueryValue(key.get(), name) : std::nullopt;
  if (!v) return std::nullopt;
  return RegValue{std::string(name), v->type, FromApiData(v->type, v->data)};
}
}  // namespace

std::optional<uint32_t> Registry::GetDataType(std::string_view name) const {
  const auto v = ValueOf(open_, root_, openPath_, name);
  if (!v) return std::nullopt;
  return v->type;
}

std::optional<std::vector<uint8_t>> Registry::ReadBinary(std::string_view name) const {
  auto v = ValueOf(open_, root_, openPath_, name);
  if (!v) return std::nullopt;
  return std::move(v->data);
}

std::string Registry::ReadString(std::string_view name) const {
  const auto v = ValueOf(open_, root_, openPath_, name);
  if (!v) return {};
  if (v->type != kRegSz && v->type != kRegExpandSz)
    throw RegistryError("Invalid data type for '" + std::string(name) + "'");
  std::string text(v->data.begin(), v->data.end());
  return text.substr(0, text.find('\0'));
}

void Registry::WriteString(std::string_view name, std::string_view value) {
  std::vector<uint8_t> data(value.begin(), value.end());
  data.push_back(0);
  WriteValue(name, kRegSz, data);
}

void Registry::WriteValue(std::string_view name, uint32_t type, const std::vector<uint8_t>& data) {
  bool written = false;
  if (open_ && store::HasFile()) {
    written = store::SetValue(root_, openPath_, RegValue{std::string(name), type, data});
  } else if (open_) {
    const Key key = OpenApiKey(root_, openPath_, KEY_SET_VALUE);
    written = key && SetApiValue(key.get(), name, type, data);
  }
  if (!written) throw Error("Failed to set data for '" + std::string(name) + "'");
}

bool Registry::DeleteValue(std::string_view name) {
  if (!open_) return false;
  if (store::HasFile()) return store::DeleteValue(root_, openPath_, name);
  const Key key = OpenApiKey(root_, openPath_, KEY_SET_VALUE);
  return key && ::RegDeleteValueW(key.get(), Wide(name).c_str()) == ERROR_SUCCESS;
}

bool Registry::DeleteKey(std::string_view path) {
  // An empty path would name the open key itself (or the root): refused, as RegDeleteKey does.
  const auto levels = SplitRegistryPath(path.starts_with('\\') ? path.substr(1) : path);
  const auto full = store::ResolvePath(path, open_, openPath_);
  if (!levels || levels->empty() || !full) return false;
  if (store::HasFile()) return store::DeleteEmptyKey(root_, *full);
  // RegDeleteKey refuses a key with subkeys itself; asking first keeps that so wherever the
  // system would differ.
  const Key key = OpenApiKey(root_, *full, KEY_QUERY_VALUE);
  if (!key || SubkeyCount(key.get()) > 0) return false;
  return ::RegDeleteKeyW(RootHandle(root_), Wide(*full).c_str()) == ERROR_SUCCESS;
}

bool Registry::KeyExists(std::string_view path) const {
  const auto full = store::ResolvePath(path, open_, openPath_);
  if (!full) return false;
  if (store::HasFile()) return store::KeyExists(root_, *full);
  LONG rc = ERROR_SUCCESS;
  OpenApiKey(root_, *full, KEY_QUERY_VALUE, &rc);
  // A key this user may not read exists all the same.
  return rc == ERROR_SUCCESS || rc == ERROR_ACCESS_DENIED;
}

void ImportRegistryText(std::string_view text) {
  if (store::HasFile())
    store::Import(text);
  else
    ImportToSystemRegistry(text);
}

std::string ExportRegistryText(std::string_view keyPath) {
  if (store::HasFile()) return store::Export(keyPath);
  return ExportSystemRegistry(keyPath);
}

}  // namespace vorlisk::platform
