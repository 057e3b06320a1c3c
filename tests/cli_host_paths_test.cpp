// vorlisk-cli reads the FILE of import, export and reg import as the host writes a path: on Windows
// Windows text ("C:\defs\mine.txt", "\" and "/" both separating levels), on POSIX a host path in
// which "\" is a character of a name. The real program, run as a process on every system.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_support.h"

namespace vorlisk {
namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// The program folder and the home (HOME, XDG_*) in temporary folders; the process runs with them.
class CliHostPaths : public ::testing::Test {
 protected:
  CliHostPaths() {
    test::WriteHostFile(Program / "const/system.txt", test::ItemFileText({{.Name = "Shipped"}}));
    test::WriteHostFile(Work / "defs/mine.txt", test::ItemFileText({{.Name = "Mine"}}));
  }

  // A file below the work folder as the user types it on this system.
  std::string Typed(std::string rel) const {
    std::string path = Work.Path() + "/" + rel;
    std::replace(path.begin(), path.end(), '/', kSeparator);
    return path;
  }

  struct Result {
    int status = -1;
    std::string out, err;
  };
  Result Run(std::vector<std::string> args) const {
    args.insert(args.begin(), {VORLISK_CLI_PATH, "--home", Program.Path()});
    Result r;
    r.status = test::RunProgram(args, Work / "out.txt", Work / "err.txt");
    r.out = test::ReadHostFile(Work / "out.txt");
    r.err = test::ReadHostFile(Work / "err.txt");
    r.err.erase(std::remove(r.err.begin(), r.err.end(), '\r'), r.err.end());
    return r;
  }

  test::TestProgram test;  // its home is the process's
  test::TempFolder Program, Work;
  const test::TempFolder& Home = test.Home;
};

// Catches a FILE refused for the separators the host writes (on Windows every ordinary path), or
// one taken on POSIX with a "\" in its name, which Windows text would split into two levels.
TEST_F(CliHostPaths, ImportExportAndRegImportTakeThePathAsTheHostWritesIt) {
  const Result imported = Run({"import", Typed("defs/mine.txt")});
  EXPECT_EQ(imported.status, 0) << imported.err;
  EXPECT_TRUE(std::filesystem::exists(Program / "plugin/mine.txt")) << imported.err;

  const Result exported = Run({"export", Typed("defs/out.txt")});
  EXPECT_EQ(exported.status, 0) << exported.err;
  EXPECT_NE(test::ReadHostFile(Work / "defs/out.txt").find("Item0=Mine\r\n"), std::string::npos)
      << exported.err;

  // Not a registry file: the path was taken and the file read, and nothing was imported.
  test::WriteHostFile(Work / "defs/none.reg", "[HKEY_CURRENT_USER\\Software\\Vorlisk Test]\r\n");
  const Result reg = Run({"reg", "import", Typed("defs/none.reg")});
  EXPECT_EQ(reg.status, 1) << reg.err;
  EXPECT_EQ(reg.err.find("cannot be used"), std::string::npos) << reg.err;

  // What no host path can name as Windows text is refused with the reason, the program folder
  // left as it was.
  struct Refusal {
    std::string file, reason;
  };
  std::vector<Refusal> refusals = {
      {Typed("defs/a\tb.txt"), "its name holds a tab"},
      {Typed("missing/mine.txt"), "does not exist"},
  };
#ifndef _WIN32
  test::WriteHostFile(Work / "defs/a\\b.txt", test::ItemFileText({{.Name = "Split"}}));
  refusals.push_back({Typed("defs/a\\b.txt"), "its name holds \"\\\""});
#endif
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.file);
    const Result refused = Run({"import", r.file});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err.rfind("FILE " + r.file + " (a host path) cannot be used: ", 0), 0u)
        << refused.err;
    EXPECT_NE(refused.err.find(r.reason), std::string::npos) << refused.err;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Program / "plugin"),
                          std::filesystem::directory_iterator()),
            1);
}

// Catches a program folder that Windows text cannot name (whose autostart entry and every path
// could not be written) refused as a folder that "does not exist", which sends the user looking
// for a folder that is there.
TEST_F(CliHostPaths, AProgramFolderWindowsTextCannotNameIsRefusedWithTheReason) {
  struct Case {
    std::string folder, reason;
  };
  std::vector<Case> cases = {{Typed("missing"), "it does not exist"}};
#ifndef _WIN32
  // Windows itself keeps control characters out of names; POSIX does not.
  for (const auto& [name, what] :
       std::vector<std::pair<std::string, std::string>>{{"a\nb", "a line break"},
                                                        {"a\tb", "a tab"},
                                                        {"a\rb", "a carriage return"},
                                                        {"a\\b", "\"\\\""}}) {
    test::WriteHostFile(Work / (name + "/const/system.txt"), test::ItemFileText({{.Name = "X"}}));
    cases.push_back({Typed(name), "its name holds " + what});
  }
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    Result r;
    r.status =
        test::RunProgram({VORLISK_CLI_PATH, "--home", c.folder, "prefs", "set", "auto-run", "1"},
                         Work / "out.txt", Work / "err.txt");
    r.err = test::ReadHostFile(Work / "err.txt");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("The program folder " + c.folder + " cannot be used: " + c.reason, 0), 0u)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(Home / "config/autostart")) << r.err;
  }
}

}  // namespace
}  // namespace vorlisk
