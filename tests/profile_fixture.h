// The fixture of the profile tests: the profile file "a.ini" on a drive of its own.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/profile.h"
#include "test_support.h"

namespace vorlisk {

class ProfileTest : public ::testing::Test {
 protected:
  test::TempDrive drive;
  std::string path = drive.Win("a.ini");
  platform::ProfileFile file{path};
};

}  // namespace vorlisk
