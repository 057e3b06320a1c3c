// The preview's file search against find(1): the same tree of 100,000 files in 1,000 folders,
// searched for *.tmp with all subfolders.
//
//   find:    `find DIR -type f -name '*.tmp'`, its lines written to /dev/null
//   preview: the expansion of the FolderMask entry "X:\*.tmp" with subfolders (X: mapped to the
//            tree): the same walk and the same regular files, each as one full path line
//   search:  TFindFile on "X:\*.tmp" with every detail of each file (size, times, read-only bit),
//            reporting records and building no lines; shown for reference
//
// find is a process of its own: its start is timed apart (`find EMPTY -type f -name '*.tmp'`) and
// the ratio is given with it and without it. Runs alternate between the tools after one warming
// run of each. Prints the median and best of each and the ratios.
//
//   build/bench/bench_search [repetitions]
#include "bench/bench_support.h"
#include "engine/find_file.h"
#include "engine/folder_entries.h"
#include "platform/drives.h"

namespace {

using namespace vorlisk::bench;

double TimeFind(const std::string& dir) {
  return TimeProgram({"find", dir, "-type", "f", "-name", "*.tmp"});
}

double TimePreview(std::size_t& lines) {
  vorlisk::tChildFolder entry;
  entry.Kind = vorlisk::FolderKind::FolderMask;
  entry.DeletePath = "X:\\*.tmp";
  entry.IncludeSubfolders = true;
  vorlisk::FileLines found;
  const auto start = Clock::now();
  vorlisk::ExpandFolderEntry(entry, {}, found);
  const double elapsed = Seconds(Clock::now() - start);
  lines = found.Count();
  return elapsed;
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

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = Repetitions(argc, argv, 9);
  const fs::path root = MakeTempFolder("vorlisk-bench");
  const fs::path tree = root / "tree", empty = root / "empty";
  int status = 0;
  {
    const int expected = BuildTree(tree);
    fs::create_directories(empty);
    vorlisk::platform::ScopedDriveMapping drive('X', tree.string());

    std::vector<double> findTimes, startTimes, previewTimes, searchTimes;
    std::size_t lines = 0;
    int found = 0;
    TimeFind(tree.string());  // warm the caches once for all
    TimePreview(lines);
    TimeSearch(found);
    for (int r = 0; r < repetitions; ++r) {
      findTimes.push_back(TimeFind(tree.string()));
      previewTimes.push_back(TimePreview(lines));
      startTimes.push_back(TimeFind(empty.string()));
      searchTimes.push_back(TimeSearch(found));
    }
    const Stats f = Summarise(findTimes), p = Summarise(previewTimes), s = Summarise(searchTimes);
    const double start = Median(startTimes);
    std::printf("tree: %d files in %d folders, %d named *.tmp; %d repetitions\n", kTreeFiles,
                kTreeFolders, expected, repetitions);
    std::printf("find -type f -name '*.tmp'  : median %8.2f ms, best %8.2f ms (start %.2f ms)\n",
                f.median * 1e3, f.best * 1e3, start * 1e3);
    std::printf("preview of X:\\*.tmp         : median %8.2f ms, best %8.2f ms (%zu lines)\n",
                p.median * 1e3, p.best * 1e3, lines);
    std::printf("TFindFile, every detail     : median %8.2f ms, best %8.2f ms (%d found)\n",
                s.median * 1e3, s.best * 1e3, found);
    std::printf("ratio preview / find        : median %.2f, best %.2f (aim <= 1.25)\n",
                p.median / f.median, p.best / f.best);
    std::printf("ratio preview / find - start: median %.2f\n", p.median / (f.median - start));
    std::printf("ratio TFindFile / find      : median %.2f, best %.2f\n", s.median / f.median,
                s.best / f.best);
    if (lines != static_cast<std::size_t>(expected) || found != expected) {
      std::fprintf(stderr, "preview listed %zu files and TFindFile found %d, expected %d\n", lines,
                   found, expected);
      status = 1;
    }
  }
  std::error_code ec;
  fs::remove_all(root, ec);
  return status;
}
