// Quick wash against find(1): two identical trees of 50,000 files in 100 folders, a fifth of them
// named *.tmp; from one `find DIR -type f -name '*.tmp' -delete` removes them, from the other the
// engine (ExpandFolderEntry of the FolderMask entry "X:\quick\*.tmp" with subfolders, then
// WashFileLines in quick mode with the log off: find writes none either). The trees are built
// anew for every repetition, and who goes first alternates. Prints the median and best wall-clock
// time of each, their ratio, and the median processor time (user + system) of each, which the
// shared disk disturbs less.
//
//   build/bench/bench_quick_wash [repetitions]
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/folder_entries.h"
#include "platform/drives.h"

namespace {

namespace fs = std::filesystem;
using namespace vorlisk::bench;

constexpr int kWashTopFolders = 10;
constexpr int kSubfoldersPerTop = 9;  // 10 + 10 * 9 = 100 folders
constexpr int kFilesPerFolder = 500;  // 50,000 files
constexpr int kFiles = kWashTopFolders * (kSubfoldersPerTop + 1) * kFilesPerFolder;
constexpr int kTmpFiles = kFiles / 5;  // one name in five ends in .tmp

// Files of a few bytes with the names a cleaner meets: with and without an extension.
void BuildWashTree(const fs::path& root) {
  static const char* const kSuffixes[] = {".tmp", ".log", "", ".dat", ".txt.bak"};
  std::vector<fs::path> folders;
  for (int t = 0; t < kWashTopFolders; ++t) {
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

Timing TimeWash(vorlisk::WashCounts& counts, std::size_t& lines) {
  return TimeInProcess([&] { counts = ExpandAndQuickWash("X:\\quick\\*.tmp", nullptr, lines); });
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = Repetitions(argc, argv, 3);
  const TempRoot temp;
  const fs::path& root = temp.path();
  int status = 0;
  {
    vorlisk::platform::ScopedDriveMapping drive('X', root.string());
    std::vector<double> findTimes, washTimes, findCpu, washCpu;
    for (int r = 0; r < repetitions && status == 0; ++r) {
      BuildWashTree(root / "find");
      BuildWashTree(root / "quick");
      // Alternate who goes first, so that neither always meets a busier file system.
      vorlisk::WashCounts counts;
      std::size_t lines = 0;
      Timing f{}, w{};
      const std::vector<std::string> find = {
          "find", (root / "find").string(), "-type", "f", "-name", "*.tmp", "-delete"};
      if (r % 2 == 0) f = RunTool(find);
      w = TimeWash(counts, lines);
      if (r % 2 == 1) f = RunTool(find);
      findTimes.push_back(f.wall);
      findCpu.push_back(f.cpu);
      washTimes.push_back(w.wall);
      washCpu.push_back(w.cpu);
      const int left = CountFiles(root / "quick"), leftFind = CountFiles(root / "find");
      if (lines != kTmpFiles || counts.Success != kTmpFiles || counts.Fails != 0 ||
          left != kFiles - kTmpFiles || leftFind != left) {
        std::fprintf(stderr, "lines %zu, removed %d, failed %d, files left %d, find left %d\n",
                     lines, counts.Success, counts.Fails, left, leftFind);
        status = 1;
      }
      fs::remove_all(root / "find");
      fs::remove_all(root / "quick");
    }
    if (status == 0) {
      const double fm = Median(findTimes), fb = Best(findTimes);
      const double wm = Median(washTimes), wb = Best(washTimes);
      std::printf(
          "tree: %d files (%d *.tmp) in %d folders, built anew for each of %d repetitions\n",
          kFiles, kTmpFiles, kWashTopFolders * (kSubfoldersPerTop + 1), repetitions);
      std::printf("find DIR -type f -name '*.tmp' -delete: median %8.2f ms, best %8.2f ms\n",
                  fm * 1e3, fb * 1e3);
      std::printf("expand X:\\quick\\*.tmp + quick wash : median %8.2f ms, best %8.2f ms\n",
                  wm * 1e3, wb * 1e3);
      std::printf("ratio wash / find (aim <= 1.2)       : median %.2f, best %.2f\n", wm / fm,
                  wb / fb);
      const double fc = Median(findCpu), wc = Median(washCpu);
      std::printf("processor time (user + system)      : find %.2f ms, wash %.2f ms, ratio %.2f\n",
                  fc * 1e3, wc * 1e3, wc / fc);
    }
  }
  return status;
}
