// The Win32 backend's services against the system itself: the registry through the API (under a
// throwaway key), the known folders, the Recycle Bin, the program folder's lock, the Run value,
// the running program's folders.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/autostart.h"
#include "platform/clock.h"
#include "platform/file_lock.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/runtime_folder.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "platform/user_folders.h"
#include "platform/win32/win32_util.h"
#include "test_support.h"
// After windows.h (win32_util.h): the shell's file operations and command lines.
#include <shellapi.h>

namespace vorlisk::platform {
namespace {

using win32::Utf8;
using win32::Wide;

bool UnderWine() {
  return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::string RandomSuffix() {
  std::random_device random;
  return std::to_string(random()) + std::to_string(random());
}

std::string LowerText(std::string s) {
  for (char& c : s) c = LowerAZ(c);
  return s;
}

bool HostFolderExists(const std::string& windowsText) {
  const auto api = win32::ApiPath(windowsText);
  if (!api) return false;
  const DWORD attributes = ::GetFileAttributesW(api->c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The system's registry (no store file) under "HKCU\Software\Vorlisk Test <random>", removed
// with everything in it afterwards.
class SystemRegistryTest : public ::testing::Test {
 protected:
  SystemRegistryTest() : key_("Software\\Vorlisk Test " + RandomSuffix()) { SetRegistryFile(""); }
  ~SystemRegistryTest() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, Wide(key_).c_str());
    SetRegistryFile("");
  }
  std::string Full() const { return "HKEY_CURRENT_USER\\" + key_; }

  const std::string key_;
  Registry reg_;
};

// Catches subkeys in the API's raw order or sorted with case, a value order or name lookup that
// differs from the API's, text that is not UTF-8 both ways, and a key deleted with its subkeys.
TEST_F(SystemRegistryTest, KeysAndValuesAsTheContractSays) {
  EXPECT_TRUE(HasSystemRegistry());
  EXPECT_FALSE(reg_.OpenKey("\\" + key_));  // never created unless asked
  ASSERT_TRUE(reg_.OpenKey("\\" + key_, true));
  for (const char* sub : {"b", "A", "c", "Ключ"}) {
    Registry r;
    ASSERT_TRUE(r.OpenKey("\\" + key_ + "\\" + sub, true)) << sub;
  }
  EXPECT_EQ(reg_.GetKeyNames(), (std::vector<std::string>{"A", "b", "c", "Ключ"}));
  EXPECT_TRUE(reg_.HasSubKeys());
  EXPECT_TRUE(reg_.KeyExists("Ключ"));
  EXPECT_TRUE(reg_.KeyExists("\\" + key_ + "\\B\\"));  // any case, trailing "\" ignored

  reg_.WriteString("z", "Grüße ✓");
  reg_.WriteString("a", "");
  reg_.WriteValue("m", kRegDword, {1, 0, 0, 0});
  reg_.WriteValue("multi", kRegMultiSz, {'x', 0, 'y', 0xC3, 0xA9, 0, 0});
  const std::vector<std::string> names = reg_.GetValueNames();
  if (UnderWine()) {  // Wine enumerates values sorted, Windows in creation order
    EXPECT_EQ(names.size(), 4u);
  } else {
    EXPECT_EQ(names, (std::vector<std::string>{"z", "a", "m", "multi"}));
  }
  EXPECT_EQ(reg_.ReadString("Z"), "Grüße ✓");
  EXPECT_TRUE(reg_.ValueExists("A"));
  EXPECT_EQ(reg_.ReadString("missing"), "");
  EXPECT_EQ(reg_.GetDataType("m"), std::optional<uint32_t>(kRegDword));
  EXPECT_THROW(reg_.ReadString("m"), RegistryError);
  EXPECT_EQ(reg_.ReadBinary("multi"), (std::vector<uint8_t>{'x', 0, 'y', 0xC3, 0xA9, 0, 0}));
  // The registry holds UTF-16: what another program reads is the text, not its UTF-8 bytes.
  wchar_t buffer[32] = {};
  DWORD size = sizeof buffer;
  ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, Wide(key_).c_str(), L"z", RRF_RT_REG_SZ, nullptr,
                           buffer, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(buffer), L"Grüße ✓");

  EXPECT_TRUE(reg_.DeleteValue("Z"));
  EXPECT_FALSE(reg_.DeleteValue("z"));
  EXPECT_FALSE(reg_.ValueExists("z"));

  // A key with subkeys stays; once empty it goes.
  ASSERT_TRUE(reg_.OpenKey("c"));
  Registry r;
  ASSERT_TRUE(r.OpenKey("\\" + key_ + "\\c\\inner", true));
  EXPECT_FALSE(reg_.DeleteKey("\\" + key_ + "\\c"));
  EXPECT_FALSE(reg_.DeleteKey(""));  // the open key itself is never named by an empty path
  EXPECT_TRUE(reg_.DeleteKey("inner"));
  EXPECT_TRUE(reg_.DeleteKey("\\" + key_ + "\\C"));
  EXPECT_FALSE(reg_.KeyExists("\\" + key_ + "\\c"));
  // The accessor's open key is gone: it reads as empty, and writing to it fails.
  EXPECT_TRUE(reg_.GetValueNames().empty());
  EXPECT_THROW(reg_.WriteString("x", "y"), Error);
}

// Catches an export that loses values, types or stored case, an import that does not give them
// back, a bad line that changes anything, and "[-key]" leaving a subtree behind.
TEST_F(SystemRegistryTest, ExportAndImportGiveTheSameKeysBack) {
  const std::string full = Full();
  ImportRegistryText("Windows Registry Editor Version 5.00\r\n\r\n[" + full +
                     "\\Sub]\r\n\"text\"=\"a \\\"quoted\\\" \\\\ value\"\r\n"
                     "\"n\"=dword:0000002a\r\n\"bin\"=hex:01,02,ff\r\n"
                     "\"exp\"=hex(2):25,00,54,00,4d,00,50,00,25,00,00,00\r\n"
                     "[" +
                     full + "\\Sub\\Deeper]\r\n@=\"default\"\r\n");
  ASSERT_TRUE(reg_.OpenKey("\\" + key_ + "\\Sub"));
  EXPECT_EQ(reg_.ReadString("text"), "a \"quoted\" \\ value");
  EXPECT_EQ(reg_.ReadString("exp"), "%TMP%");
  const std::string exported = ExportRegistryText(UpperAZ(full) + "\\");
  EXPECT_TRUE(exported.starts_with("Windows Registry Editor Version 5.00\r\n\r\n[" + full + "]"))
      << exported;
  EXPECT_NE(exported.find("\r\n[" + full + "\\Sub\\Deeper]\r\n@=\"default\"\r\n"),
            std::string::npos)
      << exported;
  EXPECT_NE(exported.find("\"n\"=dword:0000002a\r\n"), std::string::npos) << exported;
  EXPECT_NE(exported.find("\"bin\"=hex:01,02,ff\r\n"), std::string::npos) << exported;

  ImportRegistryText("REGEDIT4\r\n[-" + full + "\\Sub]\r\n");
  EXPECT_FALSE(reg_.KeyExists("\\" + key_ + "\\Sub"));
  ImportRegistryText(exported);
  EXPECT_EQ(ExportRegistryText(full), exported);

  // A bad line later in the file: nothing of the file is applied.
  EXPECT_THROW(ImportRegistryText("REGEDIT4\r\n[" + full + "\\New]\r\n[HKCU\\Software\\x]\r\n"),
               Error);
  EXPECT_FALSE(reg_.KeyExists("\\" + key_ + "\\New"));
  EXPECT_THROW(ExportRegistryText(full + "\\Missing"), Error);
}

// Catches a store file that does not take over from the system's registry (tests would then
// change the real registry), or one that keeps it after it is unset.
TEST_F(SystemRegistryTest, AStoreFileTakesOverUntilUnset) {
  ASSERT_TRUE(reg_.OpenKey("\\" + key_, true));
  test::TempDrive drive('R');
  SetRegistryFile("R:\\registry.reg");
  EXPECT_FALSE(reg_.KeyExists("\\" + key_));
  Registry store;
  ASSERT_TRUE(store.OpenKey("\\Only In Store", true));
  EXPECT_TRUE(drive.Exists("registry.reg"));
  SetRegistryFile("");
  EXPECT_TRUE(reg_.KeyExists("\\" + key_));
  EXPECT_FALSE(reg_.KeyExists("\\Only In Store"));
}

// Catches folders left out, with a trailing "\", on no drive, or missing on disk; and a guarded
// folder not recognised by another text or a folder inside one taken for it.
TEST(UserFoldersWin32, TheKnownFoldersAreFilledAndTheTopOnesGuarded) {
  std::map<std::string, std::string> folders;
  for (const auto& [name, folder] : UserFolders()) {
    EXPECT_TRUE(folders.emplace(name, folder).second) << "twice: " << name;
    EXPECT_TRUE(folder.size() == 3 || !folder.ends_with("\\")) << name << " " << folder;
  }
  for (const char* name : {"AppData", "LocalAppData", "UserProfile", "Home", "Temp", "WinDir"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(folders.contains(name));
    EXPECT_TRUE(HostFolderExists(folders[name])) << folders[name];
  }
  EXPECT_EQ(folders["SystemDrive"].size(), 3u);
  EXPECT_TRUE(folders["Chrome Cache"].starts_with(folders["LocalAppData"] + "\\"));

  EXPECT_EQ(GuardedFolderName(folders["SystemDrive"]), "the root of the system");
  EXPECT_EQ(GuardedFolderName(folders["SystemDrive"].substr(0, 2)), "the root of the system");
  EXPECT_EQ(GuardedFolderName(folders["Home"]), "your home folder");
  EXPECT_EQ(GuardedFolderName(LowerText(folders["Home"]) + "\\"), "your home folder");
  EXPECT_EQ(GuardedFolderName(folders["WinDir"]), "the Windows folder");
  EXPECT_EQ(GuardedFolderName(folders["Temp"]), "");
  EXPECT_EQ(GuardedFolderName(folders["Home"] + "\\no such folder"), "");
  // Wine points Desktop and Documents at one host folder, which is then named by the first.
  if (HostFolderExists(folders["Documents"])) {
    EXPECT_TRUE(GuardedFolderName(folders["Documents"]).starts_with("your "));
  }
  // A drive mapped to a folder is that folder, not a root.
  const test::TempDrive drive;
  EXPECT_EQ(GuardedFolderName(drive.Root()), "");
}

// The system's shell services for one test instead of the stub every other test runs with.
class RealShell {
 public:
  RealShell() { SetShellCallsForTesting(nullptr); }
  ~RealShell() { SetShellCallsForTesting(&test::ShellCalls()); }
  RealShell(const RealShell&) = delete;
  RealShell& operator=(const RealShell&) = delete;
};

// Catches a Recycle Bin that is not counted or not emptied. Runs only where the bin is empty to
// begin with, so that no file of the user's is ever emptied.
TEST(ShellWin32, ARecycledFileIsCountedThenEmptied) {
  const RealShell real;
  if (QueryRecycleBins().entries != 0)
    GTEST_SKIP() << "the Recycle Bin holds files already: they are not the test's to empty";
  const test::TempFolder folder;
  const std::string file = folder / "recycled.txt";
  test::WriteHostFile(file, std::string(1000, 'x'));
  std::wstring from = std::filesystem::path(file).make_preferred().wstring();
  from.push_back(L'\0');  // a list of names, ended by an empty one
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  ASSERT_EQ(::SHFileOperationW(&op), 0);
  ASSERT_FALSE(std::filesystem::exists(file));
  const RecycleBinContents held = QueryRecycleBins();
  if (held.entries == 0 && UnderWine())
    GTEST_SKIP() << "Wine's Recycle Bin does not count what it holds here";
  EXPECT_EQ(held.entries, 1);
  EXPECT_GE(held.bytes, 1000u);
  EmptyRecycleBins();
  EXPECT_EQ(QueryRecycleBins(), RecycleBinContents{});
}

// Catches a URL history failure that is silent or has no text. Clears the history only in Wine's
// throwaway prefix, never a user's.
TEST(ShellWin32, ClearingTheUrlHistoryReportsAFailureWithTheSystemsText) {
  if (!UnderWine()) GTEST_SKIP() << "it would clear the user's own history";
  const RealShell real;
  try {
    ClearUrlHistoryStore();
  } catch (const Error& e) {
    EXPECT_GT(std::string(e.what()).size(), 0u);
  }
}

// Catches a lock that another handle does not see, one that is not re-entrant, one that is not
// released at the end of the outermost scope, and a wait that never ends.
TEST(FileLockWin32, TheLockFileIsLockedAgainstOtherHandlesForTheOutermostScope) {
  const test::TempDrive drive('L');
  SetProgramFolderLock("L:\\");
  SetProgramFolderLockWaitForTesting(std::chrono::milliseconds(100));
  const std::wstring file =
      std::filesystem::path(drive.Host("vorlisk.lock")).make_preferred().wstring();
  // Whether another handle of the file can lock it now.
  const auto otherCanLock = [&file] {
    const win32::Handle h(::CreateFileW(file.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
    OVERLAPPED at{};
    return h && ::LockFileEx(h.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                             MAXDWORD, MAXDWORD, &at) != 0;
  };
  {
    const ProgramFolderLock outer;
    ASSERT_TRUE(drive.Exists("vorlisk.lock"));
    {
      const ProgramFolderLock inner;  // re-entrant
    }
    EXPECT_FALSE(otherCanLock());  // still held after the inner scope
  }
  EXPECT_TRUE(otherCanLock());
  EXPECT_EQ(std::filesystem::file_size(drive.Host("vorlisk.lock")), 0u);  // never written

  // Held by another handle: the scope waits, then says so.
  {
    const win32::Handle other(::CreateFileW(file.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    OVERLAPPED at{};
    ASSERT_TRUE(::LockFileEx(other.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &at));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(ProgramFolderLock(), ProgramFolderLockedError);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));
  }
  { const ProgramFolderLock again; }
  SetProgramFolderLockWaitForTesting(std::chrono::milliseconds(0));
  SetProgramFolderLock("");
}

// Catches a Run value that names another program, splits at a blank, or loses the program
// folder; and, in the system's registry, a value left behind or a refusal without its text.
TEST(AutostartWin32, TheRunValueReadsBackAsTheWindowProgramAndItsFolder) {
  const std::string exe = ExecutableFile();
  ASSERT_FALSE(exe.empty());
  const auto host = ToHostPath(exe);
  ASSERT_TRUE(host);
  const std::string program = host->substr(0, host->rfind('\\') + 1) + "vorlisk.exe";
  const auto argv = [](const std::string& command) {
    int n = 0;
    LPWSTR* args = ::CommandLineToArgvW(Wide(command).c_str(), &n);
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) out.push_back(Utf8(args[i]));
    ::LocalFree(args);
    return out;
  };
  const auto runValue = [] {
    Registry r;
    r.SetRootKey(RootKey::LocalMachine);
    return r.OpenKey("\\Software\\Microsoft\\Windows\\CurrentVersion\\Run")
               ? r.ReadString(kAutostartName)
               : std::string();
  };
  {
    // In a store: the value names the folder the program does not take by itself.
    const test::TempDrive drive('A');
    std::filesystem::create_directories(drive.Host("my folder"));
    SetRegistryFile("A:\\registry.reg");
    EnableAutostartFor(drive.Win("my folder\\"));
    EXPECT_EQ(argv(runValue()),
              (std::vector<std::string>{
                  program, "--home",
                  std::filesystem::path(drive.Host("my folder")).lexically_normal().string()}));
    EnableAutostartFor(ExecutableProgramFolder());
    EXPECT_EQ(argv(runValue()), std::vector<std::string>{program});
    DisableAutostart();
    EXPECT_EQ(runValue(), "");
    SetRegistryFile("");
  }
  if (!UnderWine()) GTEST_SKIP() << "the system's Run key is changed in Wine's prefix only";
  Registry r;
  r.SetRootKey(RootKey::LocalMachine);
  try {
    EnableAutostart();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'Vorlisk'");  // refused to this user
    return;
  }
  EXPECT_EQ(argv(runValue()), std::vector<std::string>{program});
  DisableAutostart();
  EXPECT_EQ(runValue(), "");
  DisableAutostart();  // nothing to remove: silent
}

// Catches folders with the wrong drive text or trailing "\", a name with a stream taken for a
// file, and a local time that differs from the C runtime's.
TEST(ProcessWin32, FoldersOfTheRunningProgramAndTheLocalClock) {
  const std::string exe = ExecutableFile();
  EXPECT_TRUE(exe.ends_with("\\vorlisk_tests.exe")) << exe;
  const std::string folder = ExecutableProgramFolder();
  EXPECT_TRUE(exe.starts_with(folder) && folder.ends_with("\\")) << folder;
  EXPECT_TRUE(IsDefaultProgramFolder(folder));
  EXPECT_EQ(DefaultProgramFolder(), folder);

  const test::TempDrive drive('W');
  std::filesystem::create_directories(drive.Host("sub"));
  EXPECT_EQ(ProgramFolderFromHost(drive.Host("sub")), "W:\\sub\\");
  EXPECT_EQ(ProgramFolderFromHost(drive.Host("sub/../sub/")), "W:\\sub\\");
  EXPECT_EQ(ProgramFolderFromHost(drive.Host("missing")), "");
  EXPECT_FALSE(IsDefaultProgramFolder("W:\\sub\\"));
  EXPECT_EQ(WindowsPathFromHost(drive.Host("sub/new.txt")), "W:\\sub\\new.txt");
  EXPECT_EQ(WindowsPathFromHost(drive.Host("sub")), "W:\\sub");
  EXPECT_EQ(WindowsPathFromHost(drive.Host("missing/new.txt")), "");
  EXPECT_EQ(WindowsPathFromHost(drive.Host("sub/a.txt:stream")), "");

  const std::string runtime = PrivateRuntimeFolder();
  EXPECT_EQ(PrivateRuntimeFolder(), runtime);
  EXPECT_TRUE(std::filesystem::is_directory(runtime)) << runtime;

  for (const std::time_t t : {std::time_t{0}, std::time_t{951782400}, std::time_t{1719835200}}) {
    std::tm parts{};
    ASSERT_EQ(::localtime_s(&parts, &t), 0);
    const LocalDateTime expected{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                                 parts.tm_hour,        parts.tm_min,     parts.tm_sec};
    EXPECT_EQ(ToLocalDateTime(std::chrono::system_clock::from_time_t(t)), expected) << t;
  }
}

}  // namespace
}  // namespace vorlisk::platform

#endif  // _WIN32
