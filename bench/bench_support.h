// What the benchmarks share: a temporary folder removed afterwards, running a standard tool and
// timing it, and summaries of repeated timings.
#pragma once

#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace vorlisk::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

inline double CpuSeconds(const rusage& u) {
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

// Wall-clock time and processor time (user + system).
struct Timing {
  double wall = 0, cpu = 0;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempRoot {
 public:
  TempRoot() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "vorlisk-bench-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) {
      std::perror("mkdtemp");
      std::exit(1);
    }
    path_ = tmpl;
  }
  ~TempRoot() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempRoot(const TempRoot&) = delete;
  TempRoot& operator=(const TempRoot&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Runs a tool found on the search path and waits for it; a tool that fails ends the benchmark.
inline Timing RunTool(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const auto start = Clock::now();
  pid_t pid = 0;
  int status = 0;
  rusage usage{};
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0 ||
      ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", argv[0]);
    std::exit(1);
  }
  return {Seconds(Clock::now() - start), CpuSeconds(usage)};
}

inline double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

inline double Best(const std::vector<double>& times) {
  return *std::min_element(times.begin(), times.end());
}

// The repetitions asked for on the command line, or the benchmark's default.
inline int Repetitions(int argc, char** argv, int byDefault) {
  return argc > 1 ? std::max(1, std::atoi(argv[1])) : byDefault;
}

}  // namespace vorlisk::bench
