// The command-line front end end to end against find(1), on a tree of 100,000 files in 1,000
// folders of which 25,000 are named *.tmp. A program folder holds one user item whose folder
// entry "X:\tree\*.tmp" (with subfolders) walks the tree; X: is mapped for the child process
// through VORLISK_DRIVES.
//
//   preview: `vorlisk-cli --home P preview 0`  vs  `find TREE -type f -name '*.tmp'`
//   wash:    `vorlisk-cli --home P wash 0 --yes` (quick erase, log off: find writes none)
//            vs  `find TREE2 -type f -name '*.tmp' -delete`, on identical trees
//
// Who goes first alternates from one repetition to the next. Output goes to /dev/null. Prints
// the median and best of each and their ratios.
//
//   build/bench/bench_cli [repetitions] [path of vorlisk-cli]
// (default: ../vorlisk-cli beside this program's folder in the build tree)
#include <climits>

#include "bench/bench_support.h"

namespace {

using namespace vorlisk::bench;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Report(const char* what, const Stats& find, const Stats& cli, double aim) {
  std::printf(
      "%-7s find: median %8.2f ms, best %8.2f ms | vorlisk-cli: median %8.2f ms, best "
      "%8.2f ms | ratio median %.2f, best %.2f (aim <= %.1f)\n",
      what, find.median * 1e3, find.best * 1e3, cli.median * 1e3, cli.best * 1e3,
      cli.median / find.median, cli.best / find.best, aim);
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::string cli = argc > 2 ? argv[2] : CliBesideBench();
  if (::access(cli.c_str(), X_OK) != 0) {
    std::fprintf(stderr, "vorlisk-cli not found at %s\n", cli.c_str());
    return 1;
  }
  const fs::path root = MakeTempFolder("vorlisk-bench-cli");
  const fs::path drive = root / "x", tree = drive / "tree", findTree = root / "find-tree";
  const fs::path program = root / "program", home = root / "home";
  const fs::path output = root / "out.txt", log = program / "log.htm";
  int status = 0;
  {
    const int expected = BuildTree(tree);
    BuildTree(findTree);
    MakeCliProgramFolder(program, "Temporary files", "X:\\tree\\*.tmp");
    const std::vector<std::string> env = CliEnvironment(drive, home);
    const std::vector<std::string> preview = {cli, "--home", program.string(), "preview", "0"};
    const std::vector<std::string> wash = {cli, "--home", program.string(), "wash", "0", "--yes"};
    const auto find = FindTmp;

    // Preview: the same lines as find, every one ticked.
    TimeProgram(find(tree, false));  // warm the caches once for both
    TimeProgram(preview, env, output.string());
    std::size_t lines = 0;
    {
      std::ifstream in(output);
      for (std::string line; std::getline(in, line);) lines += line.rfind("file\t1\t", 0) == 0;
    }
    if (lines != static_cast<std::size_t>(expected)) {
      std::fprintf(stderr, "preview printed %zu ticked file lines, expected %d\n", lines, expected);
      status = 1;
    }
    std::vector<double> findPreview, cliPreview, findWash, cliWash;
    for (int r = 0; r < repetitions; ++r) {
      if (r % 2 == 0) findPreview.push_back(TimeProgram(find(tree, false)));
      cliPreview.push_back(TimeProgram(preview, env));
      if (r % 2 == 1) findPreview.push_back(TimeProgram(find(tree, false)));
    }

    // Wash: both trees are complete before each round.
    for (int r = 0; r < repetitions && status == 0; ++r) {
      if (r % 2 == 0) findWash.push_back(TimeProgram(find(findTree, true)));
      cliWash.push_back(TimeProgram(wash, env, output.string()));
      if (r % 2 == 1) findWash.push_back(TimeProgram(find(findTree, true)));
      const std::string counts = ReadFile(output);
      const std::string want = "Clean Files\tSuccess: " + std::to_string(expected) + "\tFails: 0\n";
      const int left = CountFiles(tree), leftFind = CountFiles(findTree);
      if (counts.rfind(want, 0) != 0 || left != kTreeFiles - expected || left != leftFind) {
        std::fprintf(stderr, "wash: printed \"%s\", %d files left (find left %d)\n", counts.c_str(),
                     left, leftFind);
        status = 1;
      }
      BuildTree(tree, true);
      BuildTree(findTree, true);
    }
    if (fs::exists(log)) {
      std::fprintf(stderr, "a log was written with logging off\n");
      status = 1;
    }
    std::printf("tree: %d files in %d folders, %d named *.tmp; %d repetitions\n", kTreeFiles,
                kTreeFolders, expected, repetitions);
    Report("preview", Summarise(findPreview), Summarise(cliPreview), 2.0);
    if (!cliWash.empty()) Report("wash", Summarise(findWash), Summarise(cliWash), 1.5);
  }
  std::error_code ec;
  fs::remove_all(root, ec);
  return status;
}
