// Quick wash against find(1): two identical trees of 50,000 files in 100 folders, one removed by
// `find DIR -type f -delete`, the other by the engine (ExpandFolderEntry of the FolderMask entry
// "X:\quick\*.*" with subfolders, then WashFileLines in quick mode with the log off). The trees
// are built anew for every repetition. Prints the median and best wall-clock time of each, their
// ratio, and the median processor time (user + system) of each, which the shared disk disturbs
// less.
//
//   build/bench/bench_quick_wash [repetitions]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/folder_entries.h"
#include "platform/drives.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kTopFolders = 10;
constexpr int kSubfoldersPerTop = 9;  // 10 + 10 * 9 = 100 folders
constexpr int kFilesPerFolder = 500;  // 50,000 files
constexpr int kFiles = kTopFolders * (kSubfoldersPerTop + 1) * kFilesPerFolder;

// Files of a few bytes with the names a cleaner meets: with and without an extension.
void BuildTree(const fs::path& root) {
  static const char* const kSuffixes[] = {".tmp", ".log", "", ".dat", ".txt.bak"};
  std::vector<fs::path> folders;
  for (int t = 0; t < kTopFolders; ++t) {
    const fs::path top = root / ("top" + std::to_string(t));
    folders.push_back(top);
    for (int s = 0; s < kSubfoldersPerTop; ++s)
      folders.push_back(top / ("sub" + std::to_string(s)));
  }
  for (const auto& folder : folders) {
    fs::create_directories(folder);
    for (int i = 0; i < kFilesPerFolder; ++i) {
      const std::string name = (folder / ("file" + std::to_string(i) + kSuffixes[i % 5])).string();
      const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      if (fd < 0 || ::write(fd, "data", 4) != 4 || ::close(fd) != 0) {
        std::perror(name.c_str());
        std::exit(1);
      }
    }
  }
  ::sync();  // both contenders start with nothing left to write back
}

std::size_t FilesLeft(const fs::path& root) {
  std::size_t n = 0;
  for (const auto& e : fs::recursive_directory_iterator(root)) n += e.is_regular_file();
  return n;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double CpuSeconds(const rusage& u) {
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

struct Timing {
  double wall, cpu;
};

Timing TimeFind(const std::string& dir) {
  std::string a0 = "find", a1 = dir, a2 = "-type", a3 = "f", a4 = "-delete";
  char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), a4.data(), nullptr};
  const auto start = Clock::now();
  pid_t pid = 0;
  int status = 0;
  rusage usage{};
  if (posix_spawnp(&pid, "find", nullptr, nullptr, argv, environ) != 0 ||
      ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "find failed\n");
    std::exit(1);
  }
  return {Seconds(Clock::now() - start), CpuSeconds(usage)};
}

Timing TimeWash(vorlisk::WashCounts& counts, std::size_t& lines) {
  rusage before{}, after{};
  ::getrusage(RUSAGE_SELF, &before);
  const auto start = Clock::now();
  vorlisk::tChildFolder entry;
  entry.Kind = vorlisk::FolderKind::FolderMask;
  entry.DeletePath = "X:\\quick\\*.*";
  entry.IncludeSubfolders = true;
  std::vector<std::string> found;
  vorlisk::ExpandFolderEntry(entry, {}, found);
  vorlisk::MarkedLines marked;
  marked.reserve(found.size());
  for (auto& path : found) marked.push_back({std::move(path), true});
  counts = vorlisk::WashFileLines(marked, true, nullptr, {});
  lines = marked.size();
  const double wall = Seconds(Clock::now() - start);
  ::getrusage(RUSAGE_SELF, &after);
  return {wall, CpuSeconds(after) - CpuSeconds(before)};
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
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  std::string tmpl = (fs::temp_directory_path() / "vorlisk-bench-XXXXXX").string();
  if (::mkdtemp(tmpl.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const fs::path root = tmpl;
  int status = 0;
  {
    vorlisk::platform::ScopedDriveMapping drive('X', root.string());
    std::vector<double> findTimes, washTimes, findCpu, washCpu;
    for (int r = 0; r < repetitions && status == 0; ++r) {
      BuildTree(root / "find");
      BuildTree(root / "quick");
      // Alternate who goes first, so that neither always meets a busier file system.
      vorlisk::WashCounts counts;
      std::size_t lines = 0;
      Timing f{}, w{};
      if (r % 2 == 0) f = TimeFind((root / "find").string());
      w = TimeWash(counts, lines);
      if (r % 2 == 1) f = TimeFind((root / "find").string());
      findTimes.push_back(f.wall);
      findCpu.push_back(f.cpu);
      washTimes.push_back(w.wall);
      washCpu.push_back(w.cpu);
      const std::size_t left = FilesLeft(root);
      if (lines != kFiles || counts.Success != kFiles || counts.Fails != 0 || left != 0) {
        std::fprintf(stderr, "lines %zu, removed %d, failed %d, files left %zu (expected %d)\n",
                     lines, counts.Success, counts.Fails, left, kFiles);
        status = 1;
      }
      fs::remove_all(root / "find");
      fs::remove_all(root / "quick");
    }
    if (status == 0) {
      const Stats f = Summarise(findTimes), w = Summarise(washTimes);
      std::printf("tree: %d files in %d folders, built anew for each of %d repetitions\n", kFiles,
                  kTopFolders * (kSubfoldersPerTop + 1), repetitions);
      std::printf("find DIR -type f -delete        : median %8.2f ms, best %8.2f ms\n",
                  f.median * 1e3, f.best * 1e3);
      std::printf("expand X:\\quick\\*.* + quick wash: median %8.2f ms, best %8.2f ms\n",
                  w.median * 1e3, w.best * 1e3);
      std::printf("ratio wash / find               : median %.2f, best %.2f\n", w.median / f.median,
                  w.best / f.best);
      const double fc = Summarise(findCpu).median, wc = Summarise(washCpu).median;
      std::printf("processor time (user + system)  : find %.2f ms, wash %.2f ms, ratio %.2f\n",
                  fc * 1e3, wc * 1e3, wc / fc);
    }
  }
  std::error_code ec;
  fs::remove_all(root, ec);
  return status;
}
