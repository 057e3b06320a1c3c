// The emulated registry's tree of keys and values. Portable.
#include "platform/registry_tree.h"

#include <span>

#include "platform/text.h"

namespace vorlisk::platform {

namespace {

using Key = RegistryTree::Key;

void CopyKey(const Key& from, Key& to) {
  to.name = from.name;
  to.values = from.values;
  to.subkeys.clear();
  for (const auto& [folded, sub] : from.subkeys) {
    auto copy = std::make_unique<Key>();
    CopyKey(*sub, *copy);
    to.subkeys.emplace(folded, std::move(copy));
  }
}

Key* FindLevels(Key& root, std::span<const std::string_view> levels) {
  Key* key = &root;
  for (std::string_view level : levels) {
    const auto it = key->subkeys.find(UpperAZ(level));
    if (it == key->subkeys.end()) return nullptr;
    key = it->second.get();
  }
  return key;
}

Key* FindIn(Key& root, std::string_view path) {
  const auto levels = SplitRegistryPath(path);
  return levels ? FindLevels(root, *levels) : nullptr;
}

// The parent of the key a path names, and the folded name of its last level; a null parent for
// a root, a missing parent or an invalid path.
std::pair<Key*, std::string> ParentOf(Key& root, std::string_view path) {
  const auto levels = SplitRegistryPath(path);
  if (!levels || levels->empty()) return {nullptr, {}};
  const std::span<const std::string_view> all(*levels);
  return {FindLevels(root, all.first(all.size() - 1)), UpperAZ(levels->back())};
}

void AppendSubtree(std::string& out, const Key& key, const std::string& fullPath, bool withSelf) {
  if (withSelf) AppendRegKeyBlock(out, fullPath, key.values);
  for (const auto& entry : key.subkeys)
    AppendSubtree(out, *entry.second, fullPath + "\\" + entry.second->name, true);
}

std::string Header() { return std::string(kRegHeaderV5) + "\r\n"; }

}  // namespace

const RegValue* Key::FindValue(std::string_view valueName) const {
  for (const RegValue& v : values)
    if (SameTextAZ(v.name, valueName)) return &v;
  return nullptr;
}

void Key::SetValue(RegValue value) {
  for (RegValue& v : values) {
    if (!SameTextAZ(v.name, value.name)) continue;
    v.type = value.type;
    v.data = std::move(value.data);
    return;
  }
  values.push_back(std::move(value));
}

bool Key::DeleteValue(std::string_view valueName) {
  for (auto it = values.begin(); it != values.end(); ++it) {
    if (!SameTextAZ(it->name, valueName)) continue;
    values.erase(it);
    return true;
  }
  return false;
}

RegistryTree::RegistryTree() {
  for (std::size_t i = 0; i < roots_.size(); ++i)
    roots_[i].name = RootKeyName(static_cast<RootKey>(i));
}

RegistryTree::RegistryTree(const RegistryTree& other) { *this = other; }

RegistryTree& RegistryTree::operator=(const RegistryTree& other) {
  if (this != &other)
    for (std::size_t i = 0; i < roots_.size(); ++i) CopyKey(other.roots_[i], roots_[i]);
  return *this;
}

Key* RegistryTree::Find(RootKey root, std::string_view path) {
  return FindIn(roots_[static_cast<std::size_t>(root)], path);
}

const Key* RegistryTree::Find(RootKey root, std::string_view path) const {
  return const_cast<RegistryTree*>(this)->Find(root, path);
}

Key* RegistryTree::Create(RootKey root, std::string_view path) {
  const auto levels = SplitRegistryPath(path);
  if (!levels || levels->size() > kRegMaxKeyDepth) return nullptr;
  for (std::string_view level : *levels)
    if (!IsValidKeyName(level)) return nullptr;
  Key* key = &roots_[static_cast<std::size_t>(root)];
  for (std::string_view level : *levels) {
    auto& slot = key->subkeys[UpperAZ(level)];
    if (!slot) {
      slot = std::make_unique<Key>();
      slot->name = level;
    }
    key = slot.get();
  }
  return key;
}

bool RegistryTree::DeleteEmptyKey(RootKey root, std::string_view path) {
  auto [parent, folded] = ParentOf(roots_[static_cast<std::size_t>(root)], path);
  if (!parent) return false;
  const auto it = parent->subkeys.find(folded);
  if (it == parent->subkeys.end() || !it->second->subkeys.empty()) return false;
  parent->subkeys.erase(it);
  return true;
}

bool RegistryTree::DeleteSubtree(RootKey root, std::string_view path) {
  auto [parent, folded] = ParentOf(roots_[static_cast<std::size_t>(root)], path);
  return parent && parent->subkeys.erase(folded) > 0;
}

void RegistryTree::Apply(const RegOperation& op) {
  using Kind = RegOperation::Kind;
  if (op.kind == Kind::DeleteKey) {
    DeleteSubtree(op.root, op.path);  // a missing key is nothing to delete
    return;
  }
  Key* key = Create(op.root, op.path);
  if (!key) throw RegTextError(op.line, "invalid key path \"" + op.path + "\"");
  if (op.kind == Kind::SetValue) {
    if (!IsValidValueName(op.value.name)) throw RegTextError(op.line, "invalid value name");
    key->SetValue(op.value);
  } else if (op.kind == Kind::DeleteValue) {
    key->DeleteValue(op.value.name);
  }
}

std::optional<std::string> RegistryTree::Export(RootKey root, std::string_view path) const {
  const Key* key = Find(root, path);
  if (!key) return std::nullopt;
  std::string fullPath = RootKeyName(root);
  if (const auto levels = SplitRegistryPath(path)) {
    // The stored case of each level, as the registry editor writes it.
    const Key* k = &roots_[static_cast<std::size_t>(root)];
    for (std::string_view level : *levels) {
      k = k->subkeys.find(UpperAZ(level))->second.get();
      fullPath += "\\" + k->name;
    }
  }
  std::string out = Header();
  AppendSubtree(out, *key, fullPath, true);
  return out + "\r\n";
}

std::string RegistryTree::ExportAll() const {
  std::string out = Header();
  for (const Key& root : roots_) AppendSubtree(out, root, root.name, !root.values.empty());
  return out + "\r\n";
}

}  // namespace vorlisk::platform
