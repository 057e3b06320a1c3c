// The fixture of the registry tests: the emulated store in a file on drive R:.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/drives.h"
#include "platform/filesystem.h"
#include "platform/registry.h"
#include "test_support.h"

namespace vorlisk::platform {

constexpr const char* kStore = "R:\\registry.reg";

inline std::string RegFile(std::string_view body) {
  return "Windows Registry Editor Version 5.00\r\n\r\n" + std::string(body);
}

class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest() : drive_('R', folder_.path()) { SetRegistryFile(kStore); }
  ~RegistryTest() override {
    SetWriteFaultForTesting("");
    SetRegistryFile("");
  }

  static std::string StoreBytes() { return ReadFileBytes(kStore).value_or("<missing>"); }
  static std::optional<FileStamp> StoreStamp() { return GetFileStamp(kStore); }

  test::TempFolder folder_;
  ScopedDriveMapping drive_;
  Registry reg_;
};

}  // namespace vorlisk::platform
