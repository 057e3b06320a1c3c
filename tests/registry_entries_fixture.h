// The fixture of the registry-entry tests: a demo store on drive R:, entries expanded and washed
// with a log.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/registry_entries.h"
#include "engine/wash_log.h"
#include "platform/registry.h"
#include "test_support.h"

namespace vorlisk {

constexpr const char* kDemo =
    "REGEDIT4\r\n"
    "[HKEY_CURRENT_USER\\Software\\Demo]\r\n@=\"default\"\r\n\"Last\"=\"C:\\\\x\"\r\n"
    "\"Path\"=hex(2):25,54,4d,50,25,00\r\n\"Count\"=dword:00000001\r\n"
    "[HKEY_CURRENT_USER\\Software\\Demo\\A\\Deep]\r\n"
    "[HKEY_CURRENT_USER\\Software\\Demo\\B]\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Demo\\M]\r\n\"Last\"=\"machine\"\r\n";
constexpr const char* kKeyLine = "<|>DeleteKey";
constexpr const char* kValueLine = "<|>DeleteValue<|>";

inline bool KeyExists(platform::RootKey root, const char* path) {
  platform::Registry r;
  r.SetRootKey(root);
  return r.KeyExists(path);
}
inline bool ValueExists(platform::RootKey root, const char* key, const char* value) {
  platform::Registry r;
  r.SetRootKey(root);
  return r.OpenKey(key) && r.ValueExists(value);
}

class RegistryEntriesTest : public ::testing::Test {
 protected:
  std::vector<std::string> Expand(const char* key, CleanRegisterType type, const char* value = "") {
    tChildRegister e;
    e.RegisterKeyName = key;
    e.CleanType = type;
    e.RegisterSingleValue = value;
    std::vector<std::string> lines;
    ExpandRegistryEntry(e, lines);
    keyName_ = e.RegisterKeyName;
    return lines;
  }
  static MarkedLines Marked(const std::vector<std::string>& lines, std::vector<bool> ticks) {
    MarkedLines out;
    for (std::size_t i = 0; i < lines.size(); ++i) out.push_back({lines[i], ticks[i]});
    return out;
  }
  WashCounts Wash(const MarkedLines& lines) {
    WashLog log(drive_.Root());
    log.BeginLogRun({2004, 3, 7, 13, 5, 9});
    const WashCounts counts = WashRegistryLines(lines, &log);
    log.EndLogRun();
    return counts;
  }
  std::vector<std::string> Rows() const { return test::LogRows(drive_.Read("log.htm")); }

  test::TempDrive drive_{'R'};
  test::ScopedRegistryStore store_{drive_.Win("registry.reg"), kDemo};
  std::string keyName_;
};

}  // namespace vorlisk
