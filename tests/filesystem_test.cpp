// The file system layer's portable contracts: paths that cannot name a file are refused by every
// operation. Links, modes and special files are in filesystem_posix_test.cpp.
#include "platform/filesystem.h"

#include <gtest/gtest.h>

#include "platform/drives.h"
#include "platform/error.h"
#include "test_support.h"

namespace vorlisk::platform {
namespace {

using test::ReadHostFile;
using test::TempFolder;
using test::WriteHostFile;

// A NUL ends the host path early: "N:\..<NUL>\canary.tmp" would be the canary above the drive's
// folder, and "N:\sub<NUL>X\" would be N:\sub. Every operation refuses such a path.
TEST(FileSystemNul, PathsHoldingANulAreRefused) {
  using namespace std::string_literals;
  TempFolder outer;
  WriteHostFile(outer / "canary.tmp", "canary");
  WriteHostFile(outer / "c/sub/in.tmp", "inside");
  ScopedDriveMapping drive('N', outer / "c");
  for (const std::string& path : {"N:\\..\0\\canary.tmp"s, "N:\\sub\0X\\in.tmp"s}) {
    const std::string trace = path.substr(0, path.find('\0'));
    const std::string folder = path.substr(0, path.rfind('\\') + 1);
    EXPECT_EQ(ToHostPath(path), std::nullopt) << trace;
    EXPECT_FALSE(FindFiles(folder + "*.tmp", [](const FindData&) { return true; })) << trace;
    std::vector<std::string> subfolders;
    EXPECT_FALSE(FindFilesAndSubfolders(
        folder + "*.*", [](const FindData&) { return true; }, subfolders))
        << trace;
    EXPECT_EQ(GetFileStatus(path), std::nullopt) << trace;
    EXPECT_EQ(ReadFileBytes(path), std::nullopt) << trace;
    EXPECT_EQ(FileWriter::OpenExisting(path), nullptr) << trace;
    EXPECT_FALSE(RemoveFile(path)) << trace;
    EXPECT_EQ(DeleteExistingFile(path), DeleteOutcome::Missing) << trace;
    FileRemover remover;
    EXPECT_EQ(remover.Remove(path, true), DeleteOutcome::Missing) << trace;
    EXPECT_EQ(remover.OpenForOverwrite(path), nullptr) << trace;
    EXPECT_THROW(WriteFileAtomically(path, "x"), Error) << trace;
  }
  EXPECT_EQ(ReadHostFile(outer / "canary.tmp"), "canary");
  EXPECT_EQ(ReadHostFile(outer / "c/sub/in.tmp"), "inside");
}

}  // namespace
}  // namespace vorlisk::platform
