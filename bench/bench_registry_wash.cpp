// Registry wash of a big key: HKEY_CURRENT_USER\Software\Bench with 10,000 subkeys (each with a
// value) in the emulated registry, whose store file lies on a temporary folder mapped as a drive.
// Times the WholeKey expansion and the wash of all its lines, checks that everything went, and
// counts the saves of the store file during the wash (one is expected). Prints the median of each
// and the ratio of expansion plus wash to the budget of half a second.
//
//   build/bench/bench_registry_wash [repetitions]
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/registry_entries.h"
#include "platform/drives.h"
#include "platform/registry.h"
#include "tests/save_counter.h"

namespace {

using namespace vorlisk::bench;
using vorlisk::test::SaveCounter;

constexpr int kSubkeys = 10000;
constexpr double kBudgetSeconds = 0.5;

std::string BenchKeyText() {
  std::string text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Bench]\r\n\"Own\"=\"1\"\r\n";
  for (int i = 0; i < kSubkeys; ++i)
    text += "\r\n[HKEY_CURRENT_USER\\Software\\Bench\\Key" + std::to_string(i) +
            "]\r\n\"Value\"=\"C:\\\\Data\\\\" + std::to_string(i) + "\"\r\n";
  // A neighbour that must stay.
  return text + "\r\n[HKEY_CURRENT_USER\\Software\\Keep]\r\n\"Stay\"=dword:00000001\r\n";
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vorlisk;
  const int repetitions = Repetitions(argc, argv, 5);
  const TempRoot temp;
  const std::string tmpl = temp.path().string();
  int status = 0;
  {
    platform::ScopedDriveMapping drive('X', tmpl);
    platform::SetRegistryFile("X:\\registry.reg");
    const std::string text = BenchKeyText();
    std::vector<double> expandTimes, washTimes;
    for (int r = 0; r < repetitions && status == 0; ++r) {
      platform::ImportRegistryText(text);

      auto start = Clock::now();
      tChildRegister entry;
      entry.RegisterKeyName = "HKEY_CURRENT_USER\\Software\\Bench";
      entry.CleanType = CleanRegisterType::WholeKey;
      std::vector<std::string> lines;
      ExpandRegistryEntry(entry, lines);
      expandTimes.push_back(Seconds(Clock::now() - start));

      MarkedLines marked;
      marked.reserve(lines.size());
      for (auto& line : lines) marked.push_back({std::move(line), true});
      SaveCounter saves(tmpl);
      start = Clock::now();
      const WashCounts counts = WashRegistryLines(marked, nullptr);
      washTimes.push_back(Seconds(Clock::now() - start));

      const int saved = saves.Saves("registry.reg");
      platform::Registry check;
      const bool gone =
          !check.KeyExists("\\Software\\Bench") && check.KeyExists("\\Software\\Keep");
      if (marked.size() != kSubkeys + 1 || counts.Success != kSubkeys + 1 || counts.Fails != 0 ||
          !gone || saved != 1) {
        std::fprintf(stderr, "lines %zu, deleted %d, failed %d, key gone %d, saves %d\n",
                     marked.size(), counts.Success, counts.Fails, gone, saved);
        status = 1;
      }
    }
    platform::SetRegistryFile("");
    if (status == 0) {
      const double expand = Median(expandTimes), wash = Median(washTimes);
      std::printf("key with %d subkeys, %d repetitions; the store was saved once per wash\n",
                  kSubkeys, repetitions);
      std::printf("WholeKey expansion     : median %8.2f ms (%d lines)\n", expand * 1e3,
                  kSubkeys + 1);
      std::printf("wash of all lines      : median %8.2f ms\n", wash * 1e3);
      std::printf("expansion + wash       : %8.2f ms, ratio to the %.0f ms budget %.2f\n",
                  (expand + wash) * 1e3, kBudgetSeconds * 1e3, (expand + wash) / kBudgetSeconds);
    }
  }
  return status;
}
