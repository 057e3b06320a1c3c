// vorlisk-cli end to end: the built program run as a process on a temporary program folder, with
// its drives, home and XDG folders in temporary folders, standard input not a terminal. Only
// *_posix_test.cpp files, which Windows builds leave out, include this header.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

extern char** environ;

namespace vorlisk::test {

struct CliResult {
  int status = -1;
  std::string out, err;
};

// Drive C: is the program folder root_/c, D: is root_/d; the home is root_/home_, which no drive
// holds, so the program names it Z:.
class CliFixture : public ::testing::Test {
 protected:
  // Runs vorlisk-cli --home PROGRAM ARGS (no --home when withHome_ is off), standard input
  // from /dev/null.
  CliResult Run(std::vector<std::string> args, std::string out = "") const {
    if (out.empty()) out = root_ / "out.txt";
    const std::string err = root_ / "err.txt";
    CliResult r;
    int status = 0;
    const pid_t pid = Start(std::move(args), out, err);
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
      r.status = WEXITSTATUS(status);
    if (out.rfind(root_.Path(), 0) == 0) r.out = ReadHostFile(out);  // never /dev/full
    r.err = ReadHostFile(err);
    return r;
  }
  // Starts it with its output and errors going to the given files; the process id, or -1.
  pid_t Start(std::vector<std::string> args, const std::string& out, const std::string& err) const {
    if (withHome_) args.insert(args.begin(), {"--home", root_ / "c"});
    args.insert(args.begin(), cli_);
    std::vector<std::string> env = {
        "VORLISK_DRIVES=" +
            (drives_.empty() ? "C=" + (root_ / "c") + ";D=" + (root_ / "d") : drives_),
        "HOME=" + (root_ / home_)};
    if (xdgInHome_)
      for (const auto& [name, folder] : {std::pair{"XDG_DATA_HOME=", "/data"},
                                         {"XDG_CACHE_HOME=", "/cache"},
                                         {"XDG_CONFIG_HOME=", "/config"},
                                         {"XDG_STATE_HOME=", "/state"}})
        env.push_back(name + (root_ / (home_ + folder)));
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      if (entry.rfind("VORLISK_", 0) != 0 && entry.rfind("HOME=", 0) != 0 &&
          entry.rfind("XDG_", 0) != 0)
        env.push_back(entry);
    }
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    for (auto& e : env) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }
  bool Exists(const std::string& rel) const { return std::filesystem::exists(root_ / rel); }

  // The program folder is drive C:'s root, so its item files are "C:\const\...".
  std::string Prog(const std::string& rel) const { return root_ / ("c/" + rel); }

  // Makes the catalogue the build lays beside the program the program folder's shipped one.
  void UseShippedCatalogue() const {
    const std::string shipped =
        std::filesystem::path(VORLISK_CLI_PATH).parent_path() / "const/system.txt";
    WriteHostFile(Prog("const/system.txt"), ReadHostFile(shipped));
  }
  // The lines `vorlisk-cli preview ARGS` prints, sorted.
  std::vector<std::string> SortedPreview(std::vector<std::string> args) const {
    args.insert(args.begin(), "preview");
    std::vector<std::string> out;
    std::istringstream in(Run(std::move(args)).out);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    std::sort(out.begin(), out.end());
    return out;
  }
  // The sorted preview lines of files below the home ("a/b" is "file\tMARK\tZ:\a\b").
  static std::vector<std::string> HomeFileLines(const std::vector<std::string>& files,
                                                const std::string& mark = "1") {
    std::vector<std::string> out;
    for (std::string f : files) {
      std::replace(f.begin(), f.end(), '/', '\\');
      out.push_back("file\t" + mark + "\tZ:\\" + f);
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  TempFolder root_;
  std::string drives_;                  // VORLISK_DRIVES when not the usual C: and D:
  std::string cli_ = VORLISK_CLI_PATH;  // the program run
  bool withHome_ = true;                // run with --home, the program folder being drive C:
  std::string home_ = "home";           // HOME, below root_
  bool xdgInHome_ = true;  // XDG_DATA_HOME and the like are its data, cache, config and state;
                           // off: unset, so the program takes ~/.local/share, ~/.cache, ...
};

}  // namespace vorlisk::test
