// Every atomic replacement goes through the one writer, so the write faults reach them all: a
// failed write or rename leaves the old file as it was, no temporary file behind, and reports.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "platform/autostart.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/shell.h"
#include "test_support.h"

namespace vorlisk::platform {
namespace {

namespace fs = std::filesystem;

// Clears the write fault however the test ends.
struct ScopedWriteFault {
  explicit ScopedWriteFault(const char* kind) { SetWriteFaultForTesting(kind); }
  ~ScopedWriteFault() { SetWriteFaultForTesting(""); }
};

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

// Catches a URL-history clear or an autostart entry written around the fault seam (a fault that
// does not fail them, or one that loses the old file or leaves the temporary file behind).
TEST(AtomicWrite, AFaultLeavesTheShellFilesAsTheyWereAndReportsIt) {
  test::TempFolder home, config;
  test::ScopedEnv homeEnv("HOME", home.Path()), dataEnv("XDG_DATA_HOME", std::nullopt),
      configEnv("XDG_CONFIG_HOME", config.Path());
  const std::string store = home / ".local/share/recently-used.xbel";
  const std::string entry = config / "autostart/vorlisk.desktop";
  test::WriteHostFile(store, "<xbel><bookmark href=\"file:///secret\"/></xbel>");
  test::WriteHostFile(entry, "[Desktop Entry]\nExec=old\n");
  struct Case {
    const char* fault;
    std::function<void()> write;
    std::string file;
    const char* error;
  } cases[] = {
      {"write", ClearUrlHistoryStore, store, "Disk full"},
      {"rename", ClearUrlHistoryStore, store, "I/O error: Input/output error"},
      {"write", EnableAutostart, entry, "Failed to set data for 'Vorlisk'"},
      {"rename", EnableAutostart, entry, "Failed to set data for 'Vorlisk'"},
  };
  for (const auto& c : cases) {
    const std::string before = test::ReadHostFile(c.file);
    const std::string folder = fs::path(c.file).parent_path();
    const auto names = Names(folder);
    {
      const ScopedWriteFault fault(c.fault);
      try {
        c.write();
        ADD_FAILURE() << "no error for " << c.file << " with " << c.fault;
      } catch (const Error& e) {
        EXPECT_STREQ(e.what(), c.error) << c.file << " with " << c.fault;
      }
    }
    EXPECT_EQ(test::ReadHostFile(c.file), before) << c.file << " with " << c.fault;
    EXPECT_EQ(Names(folder), names) << c.file << " with " << c.fault;
  }
  // Without the fault both are written.
  ClearUrlHistoryStore();
  EnableAutostart();
  EXPECT_EQ(test::ReadHostFile(store).find("secret"), std::string::npos);
  EXPECT_EQ(test::ReadHostFile(entry).find("Exec=old"), std::string::npos);
}

// Catches a copy that bypasses the fault seam or leaves a partial target.
TEST(AtomicWrite, AFaultLeavesACopysTargetAsItWas) {
  test::TempDrive drive;
  drive.Put("source.txt", "new");
  drive.Put("target.txt", "old");
  for (const char* kind : {"write", "rename"}) {
    const ScopedWriteFault fault(kind);
    EXPECT_FALSE(CopyFileTo(drive.Win("source.txt"), drive.Win("target.txt"), false)) << kind;
    EXPECT_EQ(drive.Read("target.txt"), "old") << kind;
    EXPECT_EQ(Names(drive.Host()), (std::set<std::string>{"source.txt", "target.txt"})) << kind;
  }
}

}  // namespace
}  // namespace vorlisk::platform
