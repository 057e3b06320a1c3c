// The emulated registry in memory: one tree of keys per root key. Portable; the POSIX registry
// keeps one such tree and persists it as ".reg" text.
//
// Key and value names compare with the letters a to z folded and keep the case they were created
// with; subkeys enumerate sorted by the folded name, values in creation order. Paths are subkey
// paths below the root without a leading "\" (trailing backslashes are ignored); a path with an
// empty level names no key.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/reg_text.h"
#include "platform/registry.h"

namespace vorlisk::platform {

class RegistryTree {
 public:
  struct Key {
    std::string name;
    std::vector<RegValue> values;                         // creation order
    std::map<std::string, std::unique_ptr<Key>> subkeys;  // by name with a to z upper-cased

    const RegValue* FindValue(std::string_view valueName) const;
    // Replaces the data of a value of that name (which keeps its name and place) or adds it.
    void SetValue(RegValue value);
    bool DeleteValue(std::string_view valueName);
  };

  RegistryTree();
  RegistryTree(const RegistryTree& other);
  RegistryTree& operator=(const RegistryTree& other);
  RegistryTree(RegistryTree&&) noexcept = default;
  RegistryTree& operator=(RegistryTree&&) noexcept = default;

  // nullptr when the key does not exist or the path is invalid.
  Key* Find(RootKey root, std::string_view path);
  const Key* Find(RootKey root, std::string_view path) const;
  // Creates the missing levels; nullptr when the path is invalid, lies deeper than
  // kRegMaxKeyDepth or a level's name may not be a key name. Every key is made here, so the tree
  // is never deeper than that and the recursive walks below (copy, export, destruction) are
  // bounded.
  Key* Create(RootKey root, std::string_view path);
  // Deletes a key without subkeys; false for a root, a missing key or a key with subkeys.
  bool DeleteEmptyKey(RootKey root, std::string_view path);
  // Deletes a key with all its subkeys; false for a root or a missing key.
  bool DeleteSubtree(RootKey root, std::string_view path);

  // Carries out one operation read from ".reg" text; throws RegTextError when it cannot.
  void Apply(const RegOperation& op);

  // ".reg" text of a key's subtree; nullopt when the key does not exist.
  std::optional<std::string> Export(RootKey root, std::string_view path) const;
  // ".reg" text of the whole registry (the layout of the store file).
  std::string ExportAll() const;

 private:
  std::array<Key, 7> roots_;
};

}  // namespace vorlisk::platform
