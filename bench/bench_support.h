// What the benchmarks share: temporary folders, the tree of 100,000 files they search, running a
// standard tool (or our own program) and timing it, and summaries of repeated timings.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/folder_entries.h"
#include "engine/progress.h"

extern char** environ;

namespace vorlisk::bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kTopFolders = 10;
constexpr int kFoldersPerTop = 99;  // 10 + 10 * 99 = 1,000 folders
constexpr int kFilesPerFolder = 100;
constexpr int kTreeFiles = kTopFolders * (kFoldersPerTop + 1) * kFilesPerFolder;
constexpr int kTreeFolders = kTopFolders * (kFoldersPerTop + 1);

// Every folder gets the same mix: a quarter *.tmp, and names that a careless match would take
// (*.tmpl, *.tmp.bak) beside *.txt and names without a dot. With onlyTmp, only the *.tmp files
// are (re)created, which puts back what a wash removed. Returns the number of *.tmp files.
inline int BuildTree(const fs::path& root, bool onlyTmp = false) {
  int tmpFiles = 0;
  static const char* const kSuffixes[] = {".tmp",     ".txt", ".tmpl", "",
                                          ".tmp.bak", ".log", ".tmp",  ".dat"};
  for (int t = 0; t < kTopFolders; ++t) {
    const fs::path top = root / ("top" + std::to_string(t));
    for (int s = -1; s < kFoldersPerTop; ++s) {
      const fs::path folder = s < 0 ? top : top / ("sub" + std::to_string(s));
      fs::create_directories(folder);
      for (int i = 0; i < kFilesPerFolder; ++i) {
        const std::string suffix = kSuffixes[i % 8];
        const bool tmp = suffix == ".tmp";
        if (tmp || !onlyTmp) std::ofstream(folder / ("file" + std::to_string(i) + suffix));
        if (tmp) ++tmpFiles;
      }
    }
  }
  return tmpFiles;
}

// `folders` folders "folder0", "folder1", ... below `root`, each with `filesPerFolder` files
// "file0.tmp", "file1.tmp", ... holding `contents`; ends the benchmark when one cannot be made.
inline void BuildFlatTree(const fs::path& root, int folders, int filesPerFolder,
                          std::string_view contents = "") {
  for (int f = 0; f < folders; ++f) {
    const fs::path folder = root / ("folder" + std::to_string(f));
    fs::create_directories(folder);
    for (int i = 0; i < filesPerFolder; ++i) {
      const std::string name = (folder / ("file" + std::to_string(i) + ".tmp")).string();
      const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      if (fd < 0 ||
          ::write(fd, contents.data(), contents.size()) != static_cast<ssize_t>(contents.size()) ||
          ::close(fd) != 0) {
        std::perror(name.c_str());
        std::exit(1);
      }
    }
  }
}

// Counts the regular files below a folder (links are not followed).
inline int CountFiles(const fs::path& root) {
  int n = 0;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) ++n;
  return n;
}

// A fresh folder under the temporary folder; the caller removes it.
inline fs::path MakeTempFolder(const char* name) {
  std::string tmpl = (fs::temp_directory_path() / (std::string(name) + "-XXXXXX")).string();
  if (::mkdtemp(tmpl.data()) == nullptr) {
    std::perror("mkdtemp");
    std::exit(1);
  }
  return tmpl;
}

// Runs a program (searched in PATH when it has no "/") with extra "NAME=value" environment
// entries, standard input from /dev/null and standard output to `out` ("/dev/null" to discard).
// Returns the wall time in seconds; exits the benchmark when the program fails.
inline double TimeProgram(const std::vector<std::string>& args,
                          const std::vector<std::string>& extraEnv = {},
                          const std::string& out = "/dev/null") {
  std::vector<std::string> envStrings = extraEnv;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const auto name = entry.substr(0, entry.find('=') + 1);
    const bool overridden = std::any_of(extraEnv.begin(), extraEnv.end(), [&](const auto& x) {
      return x.compare(0, name.size(), name) == 0;
    });
    if (!overridden) envStrings.push_back(entry);
  }
  std::vector<char*> envp, argv;
  for (auto& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> argStrings = args;
  for (auto& s : argStrings) argv.push_back(s.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const auto start = Clock::now();
  pid_t pid = 0;
  int status = 0;
  const int spawned =
      posix_spawnp(&pid, argStrings[0].c_str(), &actions, nullptr, argv.data(), envp.data());
  const bool ok = spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
                  WEXITSTATUS(status) == 0;
  const auto elapsed = Clock::now() - start;
  posix_spawn_file_actions_destroy(&actions);
  if (!ok) {
    std::fprintf(stderr, "%s failed\n", argStrings[0].c_str());
    std::exit(1);
  }
  return std::chrono::duration<double>(elapsed).count();
}

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

inline double CpuSeconds(const rusage& u) {
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

inline double UserSeconds(const rusage& u) {
  return static_cast<double>(u.ru_utime.tv_sec) + static_cast<double>(u.ru_utime.tv_usec) * 1e-6;
}

// Wall-clock time, processor time (user + system) and its user-mode part.
struct Timing {
  double wall = 0, cpu = 0, user = 0;
};

// Times `work` run in this process.
template <class Work>
Timing TimeInProcess(Work&& work) {
  rusage before{}, after{};
  ::getrusage(RUSAGE_SELF, &before);
  const auto start = Clock::now();
  work();
  const double wall = Seconds(Clock::now() - start);
  ::getrusage(RUSAGE_SELF, &after);
  return {wall, CpuSeconds(after) - CpuSeconds(before), UserSeconds(after) - UserSeconds(before)};
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempRoot {
 public:
  TempRoot() : path_(MakeTempFolder("vorlisk-bench")) {}
  ~TempRoot() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempRoot(const TempRoot&) = delete;
  TempRoot& operator=(const TempRoot&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Runs a tool found on the search path and waits for it; a tool that fails ends the benchmark.
inline Timing RunTool(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const auto start = Clock::now();
  pid_t pid = 0;
  int status = 0;
  rusage usage{};
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0 ||
      ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", argv[0]);
    std::exit(1);
  }
  return {Seconds(Clock::now() - start), CpuSeconds(usage)};
}

inline double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

inline double Best(const std::vector<double>& times) {
  return *std::min_element(times.begin(), times.end());
}

// The repetitions asked for on the command line, or the benchmark's default.
inline int Repetitions(int argc, char** argv, int byDefault) {
  return argc > 1 ? std::max(1, std::atoi(argv[1])) : byDefault;
}

struct Stats {
  double median, best;
};

inline Stats Summarise(const std::vector<double>& times) { return {Median(times), Best(times)}; }

// A wash without a preview: the FolderMask entry `deletePath` expanded with subfolders and its
// lines washed in quick mode with the log off (with a progress, both report to it); `lines`
// receives how many lines the expansion gave.
inline WashCounts ExpandAndQuickWash(const std::string& deletePath, ProgressTracker* progress,
                                     std::size_t& lines) {
  tChildFolder entry;
  entry.Kind = FolderKind::FolderMask;
  entry.DeletePath = deletePath;
  entry.IncludeSubfolders = true;
  FileLines found;
  if (progress) progress->Begin(-1);
  ExpandFolderEntry(entry, {}, found, {}, progress);
  found.SetAll(true);
  lines = found.Count();
  if (progress) progress->Begin(static_cast<int64_t>(lines));
  const WashCounts counts = WashFileLines(found, true, nullptr, {}, progress);
  if (progress) progress->Finish();
  return counts;
}

// The command-line program beside the benchmarks' folder in the build tree.
inline std::string CliBesideBench() {
  char exe[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return "vorlisk-cli";
  return (fs::path(std::string(exe, static_cast<std::size_t>(n))).parent_path().parent_path() /
          "vorlisk-cli")
      .string();
}

// The shipped catalogue the build lays beside vorlisk-cli ("const/system.txt"); exits the benchmark
// when the program or its catalogue is not there.
inline fs::path CatalogueBesideCli(const std::string& cli) {
  const fs::path catalogue = fs::path(cli).parent_path() / "const" / "system.txt";
  if (::access(cli.c_str(), X_OK) != 0 || !fs::exists(catalogue)) {
    std::fprintf(stderr, "vorlisk-cli or its catalogue not found beside %s\n", cli.c_str());
    std::exit(1);
  }
  return catalogue;
}

inline void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A program folder for the command line: an empty shipped catalogue and one checked user item
// `name` with one checked FolderMask entry `deletePath` (with subfolders); quick erase, logging
// off, no question before washing.
inline void MakeCliProgramFolder(const fs::path& program, const std::string& name,
                                 const std::string& deletePath) {
  WriteFile(program / "const" / "system.txt", "[Common]\r\nTotal=0\r\n");
  WriteFile(program / "const" / "user.txt",
            "[Common]\r\nTotal=1\r\nItem0=" + name + "\r\n[" + name +
                "]\r\nIsActive=1\r\nIsSpecial=0\r\ntFolder.Total=1\r\n"
                "tFolder0.ChildItemName=tmp files\r\ntFolder0.isactive=1\r\n"
                "tFolder0.deletepath=" +
                deletePath +
                "\r\ntFolder0.RegisterName=\r\n"
                "tFolder0.RegisterValueofName=\r\ntFolder0.deletefilename=\r\n"
                "tFolder0.bycategory=1\r\ntFolder0.IsIncludeSubfolder=1\r\ntRegister.Total=0\r\n");
  WriteFile(program / "wildcard.ini",
            "[Delete Option]\r\nUse Quick=1\r\nprompt Before=0\r\n[Log]\r\nWrite to Log=0\r\n");
}

// The child's environment: drive X: mapped to `drive`, HOME and the XDG folders below `home`.
inline std::vector<std::string> CliEnvironment(const fs::path& drive, const fs::path& home) {
  fs::create_directories(home);
  return {"VORLISK_DRIVES=X=" + drive.string(),
          "HOME=" + home.string(),
          "XDG_CACHE_HOME=" + (home / "cache").string(),
          "XDG_DATA_HOME=" + (home / "data").string(),
          "XDG_CONFIG_HOME=" + (home / "config").string(),
          "XDG_STATE_HOME=" + (home / "state").string()};
}

// find DIR -type f -name '*.tmp' [-delete]
inline std::vector<std::string> FindTmp(const fs::path& dir, bool remove) {
  std::vector<std::string> a = {"find", dir.string(), "-type", "f", "-name", "*.tmp"};
  if (remove) a.push_back("-delete");
  return a;
}

}  // namespace vorlisk::bench
