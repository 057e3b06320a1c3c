// A deep tree end to end: one folder in each folder, 10,000 levels (paths of 20,000 bytes, five
// times the host's limit on a path), and one *.tmp file at every level. The command-line front end
// previews and washes it through the folder entry "X:\tree\*.tmp" (with subfolders), against
// find(1) on the same tree:
//
//   preview: `vorlisk-cli --home P preview 0`  vs  `find TREE -type f -name '*.tmp'`
//   wash:    `vorlisk-cli --home P wash 0 --yes` (quick erase, log off)
//            vs  `find TREE2 -type f -name '*.tmp' -delete`, on identical trees
//
// A walk that opened each folder by its whole path would cost in proportion to the depth at every
// level, the square of the depth in all. Who goes first alternates. Output goes to /dev/null.
//
//   build/bench/bench_depth [repetitions] [levels] [path of vorlisk-cli]
#include <sys/stat.h>

#include <climits>

#include "bench/bench_support.h"

namespace {

using namespace vorlisk::bench;

// Levels "d" below `root`, each holding "f.tmp": made through each level's descriptor, since no
// path reaches the deep ones. Existing levels and files are kept.
void BuildDeepTree(const fs::path& root, int levels) {
  fs::create_directories(root);
  int at = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (int level = 0; at >= 0 && level < levels; ++level) {
    ::mkdirat(at, "d", 0755);
    const int next = ::openat(at, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int file = ::openat(next, "f.tmp", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (file >= 0) ::close(file);
    ::close(at);
    at = next;
  }
  if (at < 0) {
    std::fprintf(stderr, "the deep tree could not be made\n");
    std::exit(1);
  }
  ::close(at);
}

// rm removes a tree of any depth (fs::remove_all works by paths).
void RemoveTree(const fs::path& root) { TimeProgram({"rm", "-rf", root.string()}); }

std::size_t CountLines(const fs::path& path, const char* prefix) {
  std::ifstream in(path);
  std::size_t lines = 0;
  for (std::string line; std::getline(in, line);) lines += line.rfind(prefix, 0) == 0;
  return lines;
}

void Report(const char* what, const Stats& find, const Stats& cli) {
  std::printf(
      "%-7s find: median %8.2f ms, best %8.2f ms | vorlisk-cli: median %8.2f ms, best "
      "%8.2f ms | ratio median %.2f, best %.2f\n",
      what, find.median * 1e3, find.best * 1e3, cli.median * 1e3, cli.best * 1e3,
      cli.median / find.median, cli.best / find.best);
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const int levels = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10000;
  const std::string cli = argc > 3 ? argv[3] : CliBesideBench();
  if (::access(cli.c_str(), X_OK) != 0) {
    std::fprintf(stderr, "vorlisk-cli not found at %s\n", cli.c_str());
    return 1;
  }
  const fs::path root = MakeTempFolder("vorlisk-bench-depth");
  const fs::path drive = root / "x", tree = drive / "tree", findTree = root / "find-tree";
  const fs::path program = root / "program", home = root / "home", output = root / "out.txt";
  int status = 0;
  BuildDeepTree(tree, levels);
  BuildDeepTree(findTree, levels);
  MakeCliProgramFolder(program, "Deep files", "X:\\tree\\*.tmp");
  const std::vector<std::string> env = CliEnvironment(drive, home);
  const std::vector<std::string> preview = {cli, "--home", program.string(), "preview", "0"};
  const std::vector<std::string> wash = {cli, "--home", program.string(), "wash", "0", "--yes"};
  const auto find = FindTmp;

  TimeProgram(find(tree, false));  // warm the caches once for both
  TimeProgram(preview, env, output.string());
  const std::size_t listed = CountLines(output, "file\t1\t");
  if (listed != static_cast<std::size_t>(levels)) {
    std::fprintf(stderr, "preview printed %zu ticked file lines, expected %d\n", listed, levels);
    status = 1;
  }
  std::vector<double> findPreview, cliPreview, findWash, cliWash;
  for (int r = 0; r < repetitions && status == 0; ++r) {
    if (r % 2 == 0) findPreview.push_back(TimeProgram(find(tree, false)));
    cliPreview.push_back(TimeProgram(preview, env));
    if (r % 2 == 1) findPreview.push_back(TimeProgram(find(tree, false)));
  }
  for (int r = 0; r < repetitions && status == 0; ++r) {
    if (r % 2 == 0) findWash.push_back(TimeProgram(find(findTree, true)));
    cliWash.push_back(TimeProgram(wash, env, output.string()));
    if (r % 2 == 1) findWash.push_back(TimeProgram(find(findTree, true)));
    std::ifstream in(output);
    std::string counts;
    std::getline(in, counts);
    if (counts != "Clean Files\tSuccess: " + std::to_string(levels) + "\tFails: 0") {
      std::fprintf(stderr, "wash printed \"%s\"\n", counts.c_str());
      status = 1;
    }
    BuildDeepTree(tree, levels);
    BuildDeepTree(findTree, levels);
  }
  if (status == 0) {
    std::printf("tree: %d levels, one *.tmp file at each; %d repetitions\n", levels, repetitions);
    Report("preview", Summarise(findPreview), Summarise(cliPreview));
    Report("wash", Summarise(findWash), Summarise(cliWash));
  }
  RemoveTree(root);
  return status;
}
