// What the benchmarks share: the tree of 100,000 files they search, running a program with its
// output thrown away, and the median and best of repeated timings.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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

struct Stats {
  double median, best;
};

inline Stats Summarise(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times.front()};
}

}  // namespace vorlisk::bench
