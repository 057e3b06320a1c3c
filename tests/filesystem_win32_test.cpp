// The Win32 file system backend's own cases: file IDs, reparse points (symbolic links and
// junctions), paths beyond MAX_PATH, DOS device names, sparse files and atomic writes over files
// that must stay. Compiled on Windows only; run under Wine too, where a case Wine cannot set up
// is skipped with its reason.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/win32/win32_util.h"
#include "test_support.h"

// After windows.h, which win32_util.h includes.
#include <winioctl.h>

namespace vorlisk::platform {
namespace {

using test::TempDrive;
using test::TempFolder;
using test::WriteHostFile;

bool UnderWine() {
  return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// The wide long form of a host path ("C:\users\...\x" or with "/"), for the test's own calls.
std::wstring Api(const std::string& hostPath) { return win32::LongPath(win32::Wide(hostPath)); }

// name -> what the listing of the pattern reported.
std::vector<FindData> ListOf(const std::string& pattern,
                             std::vector<std::string>* subfolders = nullptr) {
  std::vector<FindData> found;
  std::vector<std::string> ignored;
  FindFilesAndSubfolders(
      pattern,
      [&found](const FindData& d) {
        found.push_back(d);
        return true;
      },
      subfolders ? *subfolders : ignored);
  std::sort(found.begin(), found.end(),
            [](const FindData& a, const FindData& b) { return a.name < b.name; });
  return found;
}

const FindData* Named(const std::vector<FindData>& list, const std::string& name) {
  for (const auto& d : list)
    if (d.name == name) return &d;
  return nullptr;
}

bool IsReparsePoint(const std::string& hostPath) {
  const DWORD attributes = ::GetFileAttributesW(Api(hostPath).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A directory symbolic link, or nullopt with the reason it cannot be made here.
std::optional<std::string> MakeFolderSymlink(const std::string& link, const std::string& target) {
  if (::CreateSymbolicLinkW(
          Api(link).c_str(), Api(target).c_str(),
          SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
    return IsReparsePoint(link) ? std::nullopt
                                : std::optional<std::string>(
                                      "CreateSymbolicLinkW reports success but makes no link "
                                      "(Wine)");
  return "CreateSymbolicLinkW failed: " + win32::ErrorText(::GetLastError());
}

// A junction (mount point reparse point) at the new folder `link` to the folder `target`, or the
// reason it cannot be made here.
std::optional<std::string> MakeJunction(const std::string& link, const std::string& target) {
  if (!::CreateDirectoryW(Api(link).c_str(), nullptr)) return "CreateDirectoryW failed";
  win32::Handle h(::CreateFileW(Api(link).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr));
  if (!h) return "the new folder cannot be opened";
  std::wstring substitute = L"\\??\\" + Api(target).substr(4);
  std::wstring print = Api(target).substr(4);
  const auto subBytes = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
  const auto printBytes = static_cast<WORD>(print.size() * sizeof(wchar_t));
  std::vector<BYTE> buffer(16 + subBytes + printBytes + 4);
  const WORD header[6] = {0, 0, 0, subBytes, static_cast<WORD>(subBytes + 2), printBytes};
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  std::memcpy(buffer.data(), &tag, 4);
  const WORD dataLength = static_cast<WORD>(buffer.size() - 8);
  std::memcpy(buffer.data() + 4, &dataLength, 2);
  std::memcpy(buffer.data() + 8, header + 2, 8);  // the four offsets and lengths
  std::memcpy(buffer.data() + 16, substitute.c_str(), subBytes + 2u);
  std::memcpy(buffer.data() + 16 + subBytes + 2, print.c_str(), printBytes + 2u);
  DWORD returned = 0;
  if (!::DeviceIoControl(h.get(), FSCTL_SET_REPARSE_POINT, buffer.data(),
                         static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr)) {
    const DWORD error = ::GetLastError();
    h.Reset();
    ::RemoveDirectoryW(Api(link).c_str());
    return "FSCTL_SET_REPARSE_POINT failed: " + win32::ErrorText(error);
  }
  return std::nullopt;
}

// Two hard links of one file are one identity, whichever way it is asked; other files differ.
TEST(Win32FileIdentity, HardLinksShareOneIdentityAndFilesDiffer) {
  TempDrive drive;
  WriteHostFile(drive.Host("one.tmp"), "1");
  WriteHostFile(drive.Host("other.tmp"), "2");
  ASSERT_TRUE(::CreateHardLinkW(Api(drive.Host("two.tmp")).c_str(),
                                Api(drive.Host("one.tmp")).c_str(), nullptr));
  const auto listed = ListOf(drive.Win("*.tmp"));
  ASSERT_EQ(listed.size(), 3u);
  const auto one = Named(listed, "one.tmp")->identity;
  EXPECT_NE(one.inode, 0u);
  EXPECT_EQ(Named(listed, "two.tmp")->identity, one);
  EXPECT_NE(Named(listed, "other.tmp")->identity, one);
  EXPECT_EQ(GetFileIdentity(drive.Win("two.tmp")), one);
  EXPECT_EQ(GetFileStatus(drive.Win("one.tmp"))->linkCount, 2u);
  // A folder's handle and its path tell the same identity.
  const auto folder = FolderHandle::Open(drive.Root());
  ASSERT_NE(folder, nullptr);
  EXPECT_EQ(GetFileIdentity(drive.Root()), folder->Identity());
  // Neither name is overwritten in place: the other would change too.
  EXPECT_EQ(FileWriter::OpenExisting(drive.Win("one.tmp")), nullptr);
}

// Symbolic links and junctions to a folder outside the drive: reported as links to folders,
// never listed as subfolders, never entered, removed as links while the target stays.
TEST(Win32ReparsePoints, LinksAndJunctionsAreNeverEnteredAndRemovedAsLinks) {
  TempDrive drive;
  TempFolder outside;
  WriteHostFile(outside / "precious.tmp", "precious");
  WriteHostFile(drive.Host("real/in.tmp"), "x");
  std::vector<std::string> made, skipped;
  if (const auto why = MakeFolderSymlink(drive.Host("symlink"), outside.Path()))
    skipped.push_back("symbolic link: " + *why);
  else
    made.push_back("symlink");
  if (const auto why = MakeJunction(drive.Host("junction"), outside.Path()))
    skipped.push_back("junction: " + *why);
  else
    made.push_back("junction");
  if (made.empty()) GTEST_SKIP() << skipped[0] << "; " << skipped.back();
  for (const auto& reason : skipped) std::cout << "not tested: " << reason << "\n";

  std::vector<std::string> subfolders;
  const auto listed = ListOf(drive.Win("*"), &subfolders);
  EXPECT_EQ(subfolders, std::vector<std::string>{"real"});
  const auto folder = FolderHandle::Open(drive.Root());
  ASSERT_NE(folder, nullptr);
  EXPECT_NE(folder->Subfolder("real"), nullptr);
  for (const auto& name : made) {
    const FindData* link = Named(listed, name);
    ASSERT_NE(link, nullptr) << name;
    EXPECT_EQ(link->attributes & (kAttrReparsePoint | kAttrDirectory),
              kAttrReparsePoint | kAttrDirectory)
        << name;
    EXPECT_EQ(folder->Subfolder(name), nullptr) << name;
    const auto status = GetFileStatus(drive.Win(name));
    ASSERT_TRUE(status) << name;
    EXPECT_TRUE(status->isLink && status->isDirectory) << name;
    // A wash finds nothing there: a link to a folder is no file to delete.
    EXPECT_EQ(DeleteExistingFile(drive.Win(name + "\\precious.tmp")), DeleteOutcome::Missing)
        << name;
    ListedIn listedIn{drive.Root().size(), folder->Identity(), drive.Root().size()};
    EXPECT_EQ(FileRemover().Remove(drive.Win(name + "\\precious.tmp"), true, nullptr, &listedIn),
              DeleteOutcome::Missing)
        << name;
    EXPECT_FALSE(
        FileRemover().RemoveEmptyFolder(drive.Win(name + "\\"), listedIn,
                                        GetFileIdentity(drive.Win(name)).value_or(FileIdentity{})))
        << name;
    EXPECT_EQ(DeleteExistingFile(drive.Win(name)), DeleteOutcome::Missing) << name;
    EXPECT_EQ(FileWriter::OpenExisting(drive.Win(name + "\\precious.tmp")), nullptr) << name;
    // Removed as a link: the link goes, the folder it led to stays whole.
    EXPECT_TRUE(RemoveFile(drive.Win(name))) << name;
    EXPECT_FALSE(GetFileStatus(drive.Win(name))) << name;
    EXPECT_EQ(test::ReadHostFile(outside / "precious.tmp"), "precious") << name;
  }
}

// A symbolic link to a file: never overwritten, replaced (not written through) by an atomic
// write, removed as a link.
TEST(Win32ReparsePoints, FileLinkIsNeverWrittenThrough) {
  TempDrive drive;
  TempFolder outside;
  WriteHostFile(outside / "precious.ini", "precious");
  if (!::CreateSymbolicLinkW(Api(drive.Host("a.ini")).c_str(),
                             Api(outside / "precious.ini").c_str(),
                             SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
    GTEST_SKIP() << "CreateSymbolicLinkW failed: " << win32::ErrorText(::GetLastError());
  if (!IsReparsePoint(drive.Host("a.ini")))
    GTEST_SKIP() << "CreateSymbolicLinkW reports success but makes no link (Wine)";
  ::CreateSymbolicLinkW(Api(drive.Host("b.ini")).c_str(), Api(outside / "precious.ini").c_str(),
                        SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
  const auto status = GetFileStatus(drive.Win("a.ini"));
  ASSERT_TRUE(status);
  EXPECT_TRUE(status->isLink && status->isFile);
  EXPECT_EQ(FileWriter::OpenExisting(drive.Win("a.ini")), nullptr);
  WriteFileAtomically(drive.Win("a.ini"), "new");
  EXPECT_EQ(drive.Read("a.ini"), "new");
  EXPECT_FALSE(GetFileStatus(drive.Win("a.ini"))->isLink);
  uint64_t freed = 99;
  EXPECT_EQ(FileRemover().Remove(drive.Win("b.ini"), false, &freed), DeleteOutcome::Deleted);
  EXPECT_EQ(freed, 0u);
  EXPECT_EQ(test::ReadHostFile(outside / "precious.ini"), "precious");
}

// Folders and files beyond MAX_PATH are made, listed, walked and washed.
TEST(Win32LongPaths, FilesBeyondMaxPathAreListedAndWashed) {
  TempDrive drive;
  std::string folder = drive.Root();
  const std::string level(60, 'L');
  for (int i = 0; i < 6; ++i) {
    folder += level + std::to_string(i) + "\\";
    ASSERT_TRUE(MakeDirectory(folder)) << folder.size();
  }
  ASSERT_GT(folder.size(), 300u);
  WriteFileAtomically(folder + "deep.tmp", "deep");
  EXPECT_EQ(ReadFileBytes(folder + "deep.tmp"), "deep");
  const auto listed = ListOf(folder + "*.tmp");
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].size, 4u);
  // Reached level by level from the drive's root, as a walk does.
  auto at = FolderHandle::Open(drive.Root());
  for (int i = 0; at && i < 6; ++i) at = at->Subfolder(level + std::to_string(i));
  ASSERT_NE(at, nullptr);
  EXPECT_EQ(at->Identity(), GetFileIdentity(folder));
  auto writer = FileWriter::OpenExisting(folder + "deep.tmp");
  ASSERT_NE(writer, nullptr);
  EXPECT_TRUE(writer->WriteAt(0, "XXXX", 4));
  EXPECT_TRUE(writer->Flush());
  writer.reset();
  const ListedIn listedIn{drive.Root().size(), at->Identity(), drive.Root().size()};
  FileRemover remover;
  uint64_t freed = 0;
  EXPECT_EQ(remover.Remove(folder + "deep.tmp", false, &freed, &listedIn), DeleteOutcome::Deleted);
  EXPECT_EQ(freed, 4u);
  const FileIdentity identity = at->Identity();
  at.reset();
  const std::string parentText = folder.substr(0, folder.size() - level.size() - 2);
  const auto parentIdentity = GetFileIdentity(parentText);
  ASSERT_TRUE(parentIdentity);
  const ListedIn parent{drive.Root().size(), *parentIdentity, drive.Root().size()};
  EXPECT_FALSE(remover.RemoveEmptyFolder(folder, parent, *parentIdentity)) << "another identity";
  EXPECT_TRUE(remover.RemoveEmptyFolder(folder, parent, identity));
  EXPECT_FALSE(DirectoryExists(folder));
  EXPECT_TRUE(DirectoryExists(folder.substr(0, folder.size() - level.size() - 2)));
}

// Removes a folder with everything in it through the long form, which names a file called like a
// device ("con.txt") as the file: std::filesystem would open the device (CON waits for the
// console) instead of removing the file.
void RemoveLongTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveLongTree(folder + L"\\" + name);
      else
        ::DeleteFileW((folder + L"\\" + name).c_str());
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryW(folder.c_str());
}

// Catches files named like DOS devices (aux.log, con.txt, nul.tmp, COM1.dat) skipped as names
// that cannot be Windows text, or opened as the device their name stands for: they are listed,
// looked at, read, overwritten and washed as the files they are, and a folder named CON is
// entered like any other.
TEST(Win32DeviceNames, FilesNamedLikeDevicesAreListedAndWashedAsFiles) {
  TempDrive drive;
  struct RemovedByLongForm {
    const TempDrive& drive;
    ~RemovedByLongForm() {
      RemoveLongTree(Api(drive.Host("sub")));
      RemoveLongTree(Api(drive.Host("CON")));
    }
  } removed{drive};
  const std::vector<std::string> devices = {"COM1.dat", "aux.log", "con.txt", "nul.tmp"};
  ASSERT_TRUE(::CreateDirectoryW(Api(drive.Host("sub")).c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW(Api(drive.Host("CON")).c_str(), nullptr));
  for (const std::string& name : devices) {
    win32::Handle h(::CreateFileW(Api(drive.Host("sub/" + name)).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(h) << name;
    DWORD written = 0;
    ASSERT_TRUE(
        ::WriteFile(h.get(), name.data(), static_cast<DWORD>(name.size()), &written, nullptr));
  }

  std::vector<std::string> listed;
  for (const FindData& d : ListOf("T:\\sub\\*")) listed.push_back(d.name);
  EXPECT_EQ(listed, devices);
  std::vector<std::string> subfolders;
  ListOf("T:\\*", &subfolders);
  std::sort(subfolders.begin(), subfolders.end());
  EXPECT_EQ(subfolders, (std::vector<std::string>{"CON", "sub"}));
  const auto con = FolderHandle::Open("T:\\")->Subfolder("CON");
  ASSERT_NE(con, nullptr);
  EXPECT_EQ(FolderHandle::Open("T:\\CON\\")->Identity(), con->Identity());
  WriteFileAtomically("T:\\CON\\lpt1.txt", "kept");
  EXPECT_EQ(ReadFileBytes("T:\\CON\\lpt1.txt"), "kept");

  FileRemover remover;
  for (const std::string& name : devices) {
    SCOPED_TRACE(name);
    const std::string path = "T:\\sub\\" + name;
    const auto status = GetFileStatus(path);
    ASSERT_TRUE(status && status->isFile && !status->isDirectory);
    EXPECT_EQ(status->size, name.size());
    EXPECT_EQ(ReadFileBytes(path), name);
    auto writer = FileWriter::OpenExisting(path);
    ASSERT_NE(writer, nullptr);
    EXPECT_TRUE(writer->WriteAt(0, "X", 1));
    writer.reset();
    uint64_t freed = 0;
    EXPECT_EQ(remover.Remove(path, false, &freed), DeleteOutcome::Deleted);
    EXPECT_EQ(freed, name.size());
    EXPECT_EQ(GetFileStatus(path), std::nullopt);
  }
  // Names that no file holds are missing, never the devices.
  for (const char* path : {"T:\\NUL", "T:\\sub\\aux", "T:\\CON\\x.tmp"}) {
    EXPECT_EQ(GetFileStatus(path), std::nullopt) << path;
    EXPECT_EQ(ReadFileBytes(path), std::nullopt) << path;
    EXPECT_EQ(DeleteExistingFile(path), DeleteOutcome::Missing) << path;
  }
  EXPECT_EQ(ListOf("T:\\sub\\*").size(), 0u);
}

// A sparse file's holes are skipped; a plain file is all data.
TEST(Win32SparseFiles, NextDataSkipsHoles) {
  TempDrive drive;
  WriteHostFile(drive.Host("plain.bin"), std::string(5000, 'p'));
  {
    auto writer = FileWriter::OpenExisting(drive.Win("plain.bin"));
    ASSERT_NE(writer, nullptr);
    const auto all = writer->NextData(100);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->offset, 100u);
    EXPECT_EQ(all->length, 4900u);
    EXPECT_EQ(writer->NextData(5000), std::nullopt);
  }
  constexpr uint64_t kMiB = 1024 * 1024;
  {
    win32::Handle h(::CreateFileW(Api(drive.Host("sparse.bin")).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(h);
    DWORD n = 0;
    if (!::DeviceIoControl(h.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &n, nullptr))
      GTEST_SKIP() << "FSCTL_SET_SPARSE failed: " << win32::ErrorText(::GetLastError());
    const std::string block(64 * 1024, 'd');
    ::WriteFile(h.get(), block.data(), static_cast<DWORD>(block.size()), &n, nullptr);
    LARGE_INTEGER at{};
    at.QuadPart = 3 * kMiB;
    ::SetFilePointerEx(h.get(), at, nullptr, FILE_BEGIN);
    ::WriteFile(h.get(), block.data(), static_cast<DWORD>(block.size()), &n, nullptr);
    FILE_ZERO_DATA_INFORMATION zero{};
    zero.FileOffset.QuadPart = 64 * 1024;
    zero.BeyondFinalZero.QuadPart = 3 * kMiB;
    if (!::DeviceIoControl(h.get(), FSCTL_SET_ZERO_DATA, &zero, sizeof zero, nullptr, 0, &n,
                           nullptr))
      GTEST_SKIP() << "FSCTL_SET_ZERO_DATA failed: " << win32::ErrorText(::GetLastError());
  }
  auto writer = FileWriter::OpenExisting(drive.Win("sparse.bin"));
  ASSERT_NE(writer, nullptr);
  EXPECT_EQ(writer->Size(), 3 * kMiB + 64 * 1024);
  std::vector<ByteRange> ranges;
  for (auto r = writer->NextData(0); r && ranges.size() < 10;
       r = writer->NextData(r->offset + r->length))
    ranges.push_back(*r);
  // Whatever the system tells of holes, every byte written is data.
  ASSERT_FALSE(ranges.empty());
  EXPECT_EQ(ranges.front().offset, 0u);
  EXPECT_EQ(ranges.back().offset + ranges.back().length, 3 * kMiB + 64 * 1024);
  if (ranges.size() == 1 && UnderWine())
    GTEST_SKIP() << "Wine keeps no holes: the whole sparse file is reported as data";
  ASSERT_EQ(ranges.size(), 2u);
  EXPECT_LE(ranges[0].length, 1 * kMiB);
  EXPECT_GE(ranges[1].offset, 2 * kMiB);
}

// Files that are to stay are refused by every write: read-only ones by atomic writes and copies,
// and a file that another handle holds by a removal, which tells why.
TEST(Win32Writes, ReadOnlyTargetsAndHeldFilesStay) {
  TempDrive drive;
  drive.Put("ro.ini", "old");
  drive.Put("src.ini", "source");
  test::MakeReadOnly(drive.Host("ro.ini"));
  EXPECT_THROW(WriteFileAtomically(drive.Win("ro.ini"), "new"), WriteError);
  EXPECT_FALSE(CopyFileTo(drive.Win("src.ini"), drive.Win("ro.ini"), false));
  EXPECT_EQ(FileWriter::OpenExisting(drive.Win("ro.ini")), nullptr);
  EXPECT_EQ(DeleteExistingFile(drive.Win("ro.ini")), DeleteOutcome::ReadOnly);
  EXPECT_EQ(drive.Read("ro.ini"), "old");
  EXPECT_TRUE(*FileAttributesOf(drive.Win("ro.ini")) & kAttrReadOnly);
  // No temporary file is left beside it.
  EXPECT_EQ(ListOf(drive.Win("*")).size(), 2u);

  // A copy takes the source's contents and read-only bit; failIfExists keeps what is there.
  EXPECT_TRUE(CopyFileTo(drive.Win("ro.ini"), drive.Win("copy.ini"), true));
  EXPECT_EQ(drive.Read("copy.ini"), "old");
  EXPECT_TRUE(*FileAttributesOf(drive.Win("copy.ini")) & kAttrReadOnly);
  EXPECT_FALSE(CopyFileTo(drive.Win("src.ini"), drive.Win("copy.ini"), true));

  // The overwriting writer shares the file with nobody, and a held file is not removed.
  auto writer = FileWriter::OpenExisting(drive.Win("src.ini"));
  ASSERT_NE(writer, nullptr);
  EXPECT_FALSE(win32::Handle(::CreateFileW(Api(drive.Host("src.ini")).c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, 0, nullptr)));
  EXPECT_EQ(DeleteExistingFile(drive.Win("src.ini")), DeleteOutcome::Failed);
  EXPECT_EQ(LastFileErrorText(), "File access denied");
  writer.reset();
  EXPECT_EQ(DeleteExistingFile(drive.Win("src.ini")), DeleteOutcome::Deleted);
}

}  // namespace
}  // namespace vorlisk::platform

#endif  // _WIN32
