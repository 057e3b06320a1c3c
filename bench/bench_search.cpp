// File search against find(1): the same tree of 100,000 files in 1,000 folders, searched for
// *.tmp with all subfolders, by `find DIR -type f -name '*.tmp'` and by TFindFile on a drive
// mapped to the tree. Prints the median and best of several runs of each and their ratio.
//
//   build/bench/bench_search [repetitions]
#include "bench/bench_support.h"
#include "engine/find_file.h"
#include "platform/drives.h"

namespace {

using namespace vorlisk::bench;

double TimeFind(const std::string& dir) {
  return TimeProgram({"find", dir, "-type", "f", "-name", "*.tmp"});
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
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  const fs::path root = MakeTempFolder("vorlisk-bench");
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
    std::printf("tree: %d files in %d folders, %d named *.tmp; %d repetitions\n", kTreeFiles,
                kTreeFolders, expected, repetitions);
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
