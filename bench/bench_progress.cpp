// The cost of progress reporting: two identical trees of 100,000 files in 100 folders, each
// expanded (FolderMask "X:\<tree>\*.*" with subfolders) and washed in quick mode with the log off,
// one with a progress that reports at its usual rate to a sink, one without. The trees are built
// anew for every repetition and who goes first alternates. Prints the median wall-clock and
// processor times of both and their ratio, and, since the kernel's share of a wash varies more
// from run to run than progress could ever cost, the extra user-mode time that progress takes as
// a share of the wash (aim: under 3%).
//
//   build/bench/bench_progress [repetitions]
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/folder_entries.h"
#include "engine/progress.h"
#include "platform/drives.h"

namespace {

namespace fs = std::filesystem;
using namespace vorlisk::bench;

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 1000;
constexpr int kFiles = kFolders * kFilesPerFolder;

void BuildFlatTree(const fs::path& root) {
  vorlisk::bench::BuildFlatTree(root, kFolders, kFilesPerFolder);
  ::sync();
}

Timing TimeWash(const std::string& tree, vorlisk::ProgressTracker* progress, int& removed) {
  std::size_t lines = 0;
  return TimeInProcess(
      [&] { removed = ExpandAndQuickWash("X:\\" + tree + "\\*.*", progress, lines).Success; });
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = Repetitions(argc, argv, 3);
  const TempRoot temp;
  const fs::path& root = temp.path();
  vorlisk::platform::ScopedDriveMapping drive('X', root.string());
  int reports = 0;
  vorlisk::ProgressTracker progress(
      [&reports](vorlisk::ProgressTracker&, const vorlisk::ProgressInfo& info) {
        reports += info.Done >= 0 ? 1 : 0;
      });
  std::vector<double> offWall, onWall, offCpu, onCpu, offUser, onUser;
  for (int r = 0; r < repetitions; ++r) {
    BuildFlatTree(root / "off");
    BuildFlatTree(root / "on");
    int removedOff = 0, removedOn = 0;
    Timing off{}, on{};
    if (r % 2 == 0) off = TimeWash("off", nullptr, removedOff);
    on = TimeWash("on", &progress, removedOn);
    if (r % 2 == 1) off = TimeWash("off", nullptr, removedOff);
    offUser.push_back(off.user);
    onUser.push_back(on.user);
    if (removedOff != kFiles || removedOn != kFiles) {
      std::fprintf(stderr, "removed %d without progress, %d with\n", removedOff, removedOn);
      return 1;
    }
    offWall.push_back(off.wall);
    onWall.push_back(on.wall);
    offCpu.push_back(off.cpu);
    onCpu.push_back(on.cpu);
    fs::remove_all(root / "off");
    fs::remove_all(root / "on");
  }
  std::printf("tree: %d files in %d folders, built anew for each of %d repetitions\n", kFiles,
              kFolders, repetitions);
  std::printf("quick wash without progress: median %8.2f ms wall, %8.2f ms processor\n",
              Median(offWall) * 1e3, Median(offCpu) * 1e3);
  std::printf(
      "quick wash with progress   : median %8.2f ms wall, %8.2f ms processor (%d reports)\n",
      Median(onWall) * 1e3, Median(onCpu) * 1e3, reports);
  std::printf("ratio with / without (aim <= 1.03): wall %.3f, processor %.3f\n",
              Median(onWall) / Median(offWall), Median(onCpu) / Median(offCpu));
  const double extra = Median(onUser) - Median(offUser);
  std::printf("user-mode time: %.2f ms without, %.2f ms with; progress costs %.2f%% of the wash\n",
              Median(offUser) * 1e3, Median(onUser) * 1e3, 100.0 * extra / Median(offWall));
  return 0;
}
