// POSIX only: the registry accessor over the emulated store (registry_store.h), which is the
// whole registry here.
#include "platform/registry.h"
#include "platform/registry_store.h"

namespace vorlisk::platform {

namespace store = registry_store;

bool HasSystemRegistry() { return false; }

Registry::Registry() = default;
Registry::~Registry() = default;

bool Registry::OpenKey(std::string_view path, bool canCreate) {
  const auto full = store::ResolvePath(path, open_, openPath_);
  const bool exists = full && store::OpenKey(root_, *full, canCreate);  // may throw: key stays open
  CloseKey();
  if (!exists) return false;
  open_ = true;
  openPath_ = *full;
  return true;
}

std::vector<std::string> Registry::GetKeyNames() const {
  if (!open_) return {};
  return store::KeyNames(root_, openPath_);
}

std::vector<std::string> Registry::GetValueNames() const {
  if (!open_) return {};
  return store::ValueNames(root_, openPath_);
}

bool Registry::HasSubKeys() const { return open_ && store::HasSubKeys(root_, openPath_); }

bool Registry::ValueExists(std::string_view name) const { return GetDataType(name).has_value(); }

std::optional<uint32_t> Registry::GetDataType(std::string_view name) const {
  if (!open_) return std::nullopt;
  const auto v = store::FindValue(root_, openPath_, name);
  if (!v) return std::nullopt;
  return v->type;
}

std::optional<std::vector<uint8_t>> Registry::ReadBinary(std::string_view name) const {
  if (!open_) return std::nullopt;
  auto v = store::FindValue(root_, openPath_, name);
  if (!v) return std::nullopt;
  return std::move(v->data);
}

std::string Registry::ReadString(std::string_view name) const {
  if (!open_) return {};
  const auto v = store::FindValue(root_, openPath_, name);
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
  if (!open_ || !store::SetValue(root_, openPath_, RegValue{std::string(name), type, data}))
    throw Error("Failed to set data for '" + std::string(name) + "'");
}

bool Registry::DeleteValue(std::string_view name) {
  return open_ && store::DeleteValue(root_, openPath_, name);
}

bool Registry::DeleteKey(std::string_view path) {
  // An empty path would name the open key itself (or the root): refused, as RegDeleteKey does.
  const auto levels = SplitRegistryPath(path.starts_with('\\') ? path.substr(1) : path);
  const auto full = store::ResolvePath(path, open_, openPath_);
  return levels && !levels->empty() && full && store::DeleteEmptyKey(root_, *full);
}

bool Registry::KeyExists(std::string_view path) const {
  const auto full = store::ResolvePath(path, open_, openPath_);
  return full && store::KeyExists(root_, *full);
}

void ImportRegistryText(std::string_view text) { store::Import(text); }

std::string ExportRegistryText(std::string_view keyPath) { return store::Export(keyPath); }

}  // namespace vorlisk::platform
