// Registry entries: the text form of registry paths, expansion of an entry into key and value
// lines, and deletion of the lines that stay ticked.
//
// Key line:   a registry path followed by "<|>DeleteKey" (the key goes with its whole subtree).
// Value line: a registry path ending in "\", "<|>DeleteValue<|>" and a value name ("" = default).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/marked_lines.h"
#include "engine/progress.h"
#include "model/item.h"
#include "platform/registry.h"

namespace vorlisk {

class WashLog;

inline constexpr std::string_view kDeleteKeyMarker = "<|>DeleteKey";
inline constexpr std::string_view kDeleteValueMarker = "<|>DeleteValue<|>";

// Sets the accessor's root from the root name before the first "\" of the (trimmed) path: one of
// the seven full names, compared after folding a to z; any other name means HKEY_CURRENT_USER.
// Returns the subkey path, from the first "\" on ("\" alone for a root; "" without any "\").
std::string ResolveRootKey(platform::Registry& registry, std::string_view path);

// Fills `lines` with the entry's preview lines; appends "\" to the entry's RegisterKeyName when it
// is not empty and lacks one. A whole-key entry of a root or of a key right below one
// (HKEY_CURRENT_USER\Software, also written "HKCU\Software\\" or "HKCU\\Software") yields none.
void ExpandRegistryEntry(tChildRegister& entry, std::vector<std::string>& lines);

struct ParsedRegistryLine {
  bool IsKey = false;
  std::string KeyPath;
  std::string ValueName;
};
ParsedRegistryLine ParseRegistryLine(std::string_view line);

// Deletes a key (depth first, last subkey first, then the key itself) or one value. A root and
// the keys right below it are never deleted (false).
bool DeleteRegistryLine(platform::Registry& registry, std::string_view keyPath,
                        std::string_view valueName, bool isKey);

// Deletes what the ticked lines name, in order; counts and, when a log is given (logging on),
// writes a row per line to its open run. Saves the registry store once; throws WriteError when
// it cannot be saved. With a progress, each ticked line is a step and a cancel stops before the
// next line (what was deleted is saved, counted and logged).
WashCounts WashRegistryLines(const MarkedLines& lines, WashLog* log,
                             ProgressTracker* progress = nullptr);

// The current text of the value a value line names, or "" (never raises).
std::string ReadRegistryLineValue(std::string_view line);

}  // namespace vorlisk
