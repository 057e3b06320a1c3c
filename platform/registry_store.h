// The emulated registry store: one RegistryTree kept in memory and persisted as ".reg" text (the
// export layout) in the file set by SetRegistryFile, saved atomically after each change (once per
// outermost RegistryBatch) and read again whenever the file's stamp shows that something else
// changed it. Portable: it calls nothing but filesystem.h and file_lock.h.
//
// The POSIX registry is this store. On Windows the accessor uses it while a store file is set
// (the tests set one) and the system's registry otherwise.
//
// Every function takes the store's mutex; those that change the store take the program folder's
// lock first (file_lock.h) and work on the store as it is on disk then. Every read and every
// change throws RegistryStoreError while the file cannot be understood.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/reg_text.h"
#include "platform/registry.h"

namespace vorlisk::platform::registry_store {

// Resolves a path as the accessor does: a leading "\" makes it absolute to the root, otherwise it
// is relative to the open key (or the root when none is open); trailing backslashes are dropped.
// nullopt for a path with an empty level. Pure text.
std::optional<std::string> ResolvePath(std::string_view path, bool open,
                                       const std::string& openPath);

// Whether a store file is set (RegistryFile() is not empty).
bool HasFile();

// The operations of an accessor on the key `path` (resolved, below `root`).
// OpenKey: whether the key exists afterwards (created when canCreate and missing).
bool OpenKey(RootKey root, const std::string& path, bool canCreate);
bool KeyExists(RootKey root, const std::string& path);
std::vector<std::string> KeyNames(RootKey root, const std::string& path);
std::vector<std::string> ValueNames(RootKey root, const std::string& path);
bool HasSubKeys(RootKey root, const std::string& path);
std::optional<RegValue> FindValue(RootKey root, const std::string& path, std::string_view name);
// False when the key is missing or the name may not be a value name.
bool SetValue(RootKey root, const std::string& path, RegValue value);
bool DeleteValue(RootKey root, const std::string& path, std::string_view name);
// A key without subkeys; false for a root, a missing key or one with subkeys.
bool DeleteEmptyKey(RootKey root, const std::string& path);

// Applies ".reg" text to the store: all of it or, when a line is bad, nothing.
void Import(std::string_view text);
// ".reg" text of a key (full path such as "HKEY_CURRENT_USER\Software"; empty: everything).
// Throws Error when the key does not exist.
std::string Export(std::string_view keyPath);

}  // namespace vorlisk::platform::registry_store
