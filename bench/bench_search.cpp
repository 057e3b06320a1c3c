// File search against find(1): the same tree of 100,000 files in 1,000 folders, searched for
// *.tmp with all subfolders, by `find DIR -type f -name '*.tmp'` and by TFindFile on a drive
// mapped to the tree. Prints the median and best of several runs of each and their ratio.
//
//   build/bench/bench_search [repetitions]
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

#include "engine/find_file.h"
#include "platform/drives.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kTopFolders = 10;
constexpr int kFoldersPerTop = 99;  // 10 + 10 * 99 = 1,000 folders
constexpr int kFilesPerFolder = 100;

// Every folder gets the same mix: a quarter *.tmp, and names that a careless match would take
// (*.tmpl, *.tmp.bak) beside *.txt and names without a dot.
int BuildTree(const fs::path& root) {
  int tmpFiles = 0;
  std::vector<fs::path> folders;
  for (int t = 0; t < kTopFolders; ++t) {
    const fs::path top = root / ("top" + std::to_string(t));
    folders.push_back(top);
    for (int s = 0; s < kFoldersPerTop; ++s) folders.push_back(top / ("sub" + std::to_string(s)));
  }
  static const char* const kSuffixes[] = {".tmp",     ".txt", ".tmpl", "",
                                          ".tmp.bak", ".log", ".tmp",  ".dat"};
  for (const auto& folder : folders) {
    fs::create_directories(folder);
    for (int i = 0; i < kFilesPerFolder; ++i) {
      const std::string suffix = kSuffixes[i % 8];
      std::ofstream(folder / ("file" + std::to_string(i) + suffix));
      if (suffix == ".tmp") ++tmpFiles;
    }
  }
  return tmpFiles;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double TimeFind(const std::string& dir) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::string a0 = "find", a2 = "-type", a3 = "f", a4 = "-name", a5 = "*.tmp";
  std::string a1 = dir;
  char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), a4.data(), a5.data(), nullptr};
  const auto start = Clock::now();
  pid_t pid = 0;
  int status = 0;
  if (posix_spawnp(&pid, "find", &actions, nullptr, argv, environ) != 0 ||
      waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "find failed\n");
    std::exit(1);
  }
  const auto elapsed = Clock::now() - start;
  posix_spawn_file_actions_destroy(&actions);
  return Seconds(elapsed);
}

double TimeSearch(int& found) {
  vorlisk::TFindFile search;
  search.IncludeFiles = {"X:\\*.tmp"};
  search.Subfolders = true;
  found = 0;
  search.OnFound = [&found](vorlisk::TFindFile&, const std::string&, const vorlisk::TSearchRec&) {
    ++found;
  };
  const auto start = Clock::now();
  search.StartSearch();
  return Seconds(Clock::now() - start);
}

struct Stats {
  double median, best;
};

Stats Summarise(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times.front()};
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  std::string tmpl = (fs::temp_directory_path() / "vorlisk-bench-XXXXXX").string();
  if (::mkdtemp(tmpl.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const fs::path root = tmpl;
  int status = 0;
  {
    const int expected = BuildTree(root);
    vorlisk::platform::ScopedDriveMapping drive('X', root.string());

    std::vector<double> findTimes, searchTimes;
    int found = 0;
    TimeFind(root.string());  // warm the caches once for both
    TimeSearch(found);
    for (int r = 0; r < repetitions; ++r) {
      findTimes.push_back(TimeFind(root.string()));
      searchTimes.push_back(TimeSearch(found));
    }
    const Stats f = Summarise(findTimes), s = Summarise(searchTimes);
    std::printf("tree: %d files in %d folders, %d named *.tmp; %d repetitions\n",
                kTopFolders * (kFoldersPerTop + 1) * kFilesPerFolder,
                kTopFolders * (kFoldersPerTop + 1), expected, repetitions);
    std::printf("find -type f -name '*.tmp': median %8.2f ms, best %8.2f ms\n", f.median * 1e3,
                f.best * 1e3);
    std::printf("TFindFile X:\\*.tmp       : median %8.2f ms, best %8.2f ms (%d found)\n",
                s.median * 1e3, s.best * 1e3, found);
    std::printf("ratio TFindFile / find    : median %.2f, best %.2f\n", s.median / f.median,
                s.best / f.best);
    if (found != expected) {
      std::fprintf(stderr, "TFindFile found %d files, expected %d\n", found, expected);
      status = 1;
    }
  }
  std::error_code ec;
  fs::remove_all(root, ec);
  return status;
}
