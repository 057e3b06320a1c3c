// Drive letters of Windows path text and the host folders they stand for.
//
// The core names every file in Windows path text ("C:\Temp\a.tmp"). On POSIX each drive letter
// stands for a host folder: by default C: is the host root "/", so C:\home\ana\x.log is
// /home/ana/x.log. The environment variable VORLISK_DRIVES ("C=/srv/c;D=/mnt/data") and
// MapDrive() change or add letters; tests map drives to temporary folders. On Windows the mapping
// is the identity. Letters compare without regard to case.
//
// Threads: the drive map is process-wide and guarded by a mutex; any thread may map and translate.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vorlisk::platform {

// Maps a drive letter to a host folder (replacing an earlier mapping of that letter).
void MapDrive(char letter, std::string_view hostFolder);
void UnmapDrive(char letter);
// Back to the defaults: C: is "/", then VORLISK_DRIVES as the environment holds it now.
void ResetDriveMappings();
// Why VORLISK_DRIVES cannot be used (naming the variable, its value and the bad mapping), or ""
// when it can. While it cannot, no drive is mapped: nothing can be searched or washed.
std::string DriveMappingError();

// "X:\a\b" (absolute Windows text on a mapped drive) to the host path; nullopt for anything else
// (relative text, UNC names, unmapped letters, text holding a NUL, which the system would read as
// the end of the path), and text with a "." or ".." level: those are not resolved here, and the
// host would resolve them itself (resolve the text with FullPathName first).
std::optional<std::string> ToHostPath(std::string_view windowsPath);

// An absolute host path to Windows text on the drive whose folder holds it (the longest match);
// nullopt when no drive holds it.
std::optional<std::string> ToWindowsPath(std::string_view hostPath);

// As ToWindowsPath, but when no drive holds the folder a free letter (from Z: downwards) is mapped
// to it, so that a program folder outside every drive still has Windows text.
std::string ToWindowsPathMappingIfNeeded(std::string_view hostFolder);

// Does the letter name the same host folder in every run? C: and the letters of VORLISK_DRIVES
// and of MapDrive do; a letter ToWindowsPathMappingIfNeeded handed out does not (another folder
// may take it in the next run), nor does an unmapped letter. On Windows: every drive there is
// and every mapped letter.
bool DriveIsFixed(char letter);
// As ToWindowsPath, on fixed letters only: text that names the same host path in every run.
std::optional<std::string> ToFixedWindowsPath(std::string_view hostPath);

// RAII mapping for tests and scoped use: maps on construction, restores the previous state after.
class ScopedDriveMapping {
 public:
  ScopedDriveMapping(char letter, std::string_view hostFolder);
  ~ScopedDriveMapping();
  ScopedDriveMapping(const ScopedDriveMapping&) = delete;
  ScopedDriveMapping& operator=(const ScopedDriveMapping&) = delete;

 private:
  char letter_;
  std::optional<std::string> previous_;
};

std::optional<std::string> DriveMapping(char letter);

}  // namespace vorlisk::platform
