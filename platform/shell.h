// Services of the desktop shell that the special targets stand for.
//
// On POSIX: the Recycle Bin is the freedesktop.org Trash (the home trash under $XDG_DATA_HOME and
// the per-volume trash folders of every mounted file system); the URL history is the freedesktop
// "recently used" store ($XDG_DATA_HOME/recently-used.xbel).
#pragma once

#include <cstdint>
#include <string_view>

namespace vorlisk::platform {

// Empties the Recycle Bins of all drives without confirmation, progress display or sound.
// Reports nothing; failures are ignored. Never follows a link found in a bin.
void EmptyRecycleBins();
// What the Recycle Bins that EmptyRecycleBins empties hold, as SHQueryRecycleBin tells it: the
// entries (files and folders at the top) and the bytes of the files at any depth, as they lie on
// disk. Links are counted as entries, never followed; zero where the system does not tell.
struct RecycleBinContents {
  int64_t entries = 0;
  uint64_t bytes = 0;
  bool operator==(const RecycleBinContents&) const = default;
};
RecycleBinContents QueryRecycleBins();

// Clears the URL history of the system's browser. Throws Error with the platform's text when the
// history store cannot be reached or written.
void ClearUrlHistoryStore();

// Test seam (POSIX): one thread only, as the seams of filesystem.h. Read the mounted file systems
// from this file, in /proc/self/mounts layout, instead of /proc/self/mounts; empty text restores
// it. No-op on Windows.
void SetMountTableForTesting(std::string_view path);

// Test seam (Windows): one thread only. No variable points the system's Recycle Bin and URL history
// at a test's folder, as XDG_DATA_HOME does on POSIX; while `calls` is set, EmptyRecycleBins and
// ClearUrlHistoryStore leave them alone and count themselves in `*calls`, and QueryRecycleBins
// answers with an empty bin. Null restores them. No-op on POSIX.
struct ShellCallCounts {
  int RecycleBinsEmptied = 0;
  int HistoriesCleared = 0;
};
void SetShellCallsForTesting(ShellCallCounts* calls);

}  // namespace vorlisk::platform
