// Secure erase against shred(1) and dd(1), each flushing to the device as the erase does: three
// identical sets of files of mixed sizes, 200 MB each. The engine's SecureErase overwrites each
// file of one set in blocks of 102400 bytes, flushes it and deletes it; `shred -n 0 -z -u FILES`
// writes zeros once over each file of another (shred flushes each pass, and before deleting renames
// each file a few times, syncing the folder); for the third one shell script runs, per file,
// `dd if=/dev/zero of=FILE bs=102400 count=N conv=notrunc,fsync` with the same number of blocks as
// the engine, then removes all files with one rm. Who goes first rotates from one repetition to
// the next. Prints the median of each, the throughput of each and the ratios.
//
//   build/bench/bench_secure_erase [repetitions]
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/folder_entries.h"
#include "platform/drives.h"

namespace {

namespace fs = std::filesystem;
using namespace vorlisk::bench;

constexpr uint64_t kTotalBytes = 200'000'000;
constexpr uint64_t kBlock = vorlisk::kSecureEraseBlock;

// Sizes from one byte to 20 MB, around the block size and its multiples, until 200 MB.
std::vector<uint64_t> FileSizes() {
  static const uint64_t kCycle[] = {1,       4096,      50000,     102400,    150000,
                                    1048577, 4'000'000, 9'999'999, 20'000'000};
  std::vector<uint64_t> sizes;
  uint64_t total = 0;
  for (std::size_t i = 0; total < kTotalBytes; ++i) {
    sizes.push_back(kCycle[i % std::size(kCycle)]);
    total += sizes.back();
  }
  return sizes;
}

uint64_t Blocks(uint64_t size) { return (size + kBlock - 1) / kBlock; }

void WriteFiles(const fs::path& folder, const std::vector<uint64_t>& sizes) {
  fs::create_directories(folder);
  const std::string chunk(1 << 20, 'z');
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    std::ofstream out(folder / ("f" + std::to_string(i)), std::ios::binary);
    for (uint64_t left = sizes[i]; left > 0;) {
      const auto n = static_cast<std::streamsize>(std::min<uint64_t>(left, chunk.size()));
      out.write(chunk.data(), n);
      left -= static_cast<uint64_t>(n);
    }
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", folder.c_str());
      std::exit(1);
    }
  }
}

// The dd script for a set: one dd per file with the file's number of blocks, flushed, then rm.
std::string DdScript(const fs::path& folder, const std::vector<uint64_t>& sizes) {
  std::string script = "set -e\n";
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    script += "dd if=/dev/zero of='" + (folder / ("f" + std::to_string(i))).string() +
              "' bs=102400 count=" + std::to_string(Blocks(sizes[i])) +
              " conv=notrunc,fsync status=none\n";
  }
  return script + "rm -f '" + folder.string() + "'/f*\n";
}

std::vector<std::string> ShredCommand(const fs::path& folder, const std::vector<uint64_t>& sizes) {
  std::vector<std::string> command = {"shred", "-n", "0", "-z", "-u"};
  for (std::size_t i = 0; i < sizes.size(); ++i)
    command.push_back((folder / ("f" + std::to_string(i))).string());
  return command;
}

double TimeSecureErase(const std::vector<uint64_t>& sizes, int& erased) {
  erased = 0;
  const auto start = Clock::now();
  for (std::size_t i = 0; i < sizes.size(); ++i)
    erased += vorlisk::SecureErase("X:\\secure\\f" + std::to_string(i));
  return Seconds(Clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = Repetitions(argc, argv, 5);
  const TempRoot temp;
  const fs::path& root = temp.path();
  const std::vector<uint64_t> sizes = FileSizes();
  uint64_t original = 0, written = 0;
  for (uint64_t s : sizes) {
    original += s;
    written += Blocks(s) * kBlock;
  }
  int status = 0;
  {
    vorlisk::platform::ScopedDriveMapping drive('X', root.string());
    std::vector<double> shredTimes, ddTimes, eraseTimes;
    const std::string ddScript = DdScript(root / "dd", sizes);
    const std::vector<std::string> shred = ShredCommand(root / "shred", sizes);
    for (int r = 0; r < repetitions && status == 0; ++r) {
      WriteFiles(root / "shred", sizes);
      WriteFiles(root / "dd", sizes);
      WriteFiles(root / "secure", sizes);
      ::sync();  // nothing left to write back before any starts
      int erased = 0;
      for (int turn = 0; turn < 3; ++turn) {
        switch ((r + turn) % 3) {
          case 0:
            eraseTimes.push_back(TimeSecureErase(sizes, erased));
            break;
          case 1:
            shredTimes.push_back(RunTool(shred).wall);
            break;
          default:
            ddTimes.push_back(RunTool({"sh", "-c", ddScript}).wall);
        }
      }
      if (erased != static_cast<int>(sizes.size()) || !fs::is_empty(root / "secure") ||
          !fs::is_empty(root / "shred") || !fs::is_empty(root / "dd")) {
        std::fprintf(stderr, "%d of %zu files erased\n", erased, sizes.size());
        status = 1;
      }
    }
    if (status == 0) {
      const double shredTime = Median(shredTimes), dd = Median(ddTimes);
      const double erase = Median(eraseTimes);
      const double mb = static_cast<double>(written) / 1e6;
      std::printf(
          "%zu files of mixed sizes, %.1f MB, %.1f MB written by SecureErase and dd in "
          "102400-byte blocks; %d repetitions\n",
          sizes.size(), static_cast<double>(original) / 1e6, mb, repetitions);
      std::printf("shred -n 0 -z -u           : median %8.2f ms\n", shredTime * 1e3);
      std::printf("dd conv=notrunc,fsync + rm : median %8.2f ms, %7.1f MB/s\n", dd * 1e3, mb / dd);
      std::printf("SecureErase                : median %8.2f ms, %7.1f MB/s\n", erase * 1e3,
                  mb / erase);
      std::printf("time SecureErase / shred: %.2f (aim <= 1.3); SecureErase / dd: %.2f\n",
                  erase / shredTime, erase / dd);
    }
  }
  return status;
}
