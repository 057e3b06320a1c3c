// The preferences' fixture: a session on a temporary drive with a home, a configuration folder and
// a registry store of its own, recording refusals and hot-key registrations.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/main_session.h"
#include "app/preferences.h"
#include "platform/autostart.h"
#include "platform/registry.h"
#include "test_support.h"

namespace vorlisk {

using Clock = std::chrono::system_clock;
using Registrations = std::array<std::optional<HotKeyBinding>, 2>;
inline const Clock::time_point kNow = Clock::time_point(std::chrono::seconds(1'080'000'000));

class PreferencesTest : public ::testing::Test {
 protected:
  PreferencesTest() {
    session.StateForTesting().ProgramFolder = drive.Root();
    session.Ui().Refuse = [this](const std::string& m) { refusals.push_back(m); };
  }
  bool Apply(const PreferenceValues& p) {
    return ApplyPreferences(
        session, p, [this](const Registrations& r) { registered.push_back(r); },
        [] { return kNow; });
  }
  // POSIX: the autostart entry and its text.
  std::string Entry() const { return test::ReadHostFile(Autostart()); }
  std::string Autostart() const { return config / "autostart/vorlisk.desktop"; }
  // Windows: the Run value, in the fixture's registry store.
  std::string RunValue() const {
    platform::Registry reg;
    reg.SetRootKey(platform::RootKey::LocalMachine);
    if (!reg.OpenKey("\\Software\\Microsoft\\Windows\\CurrentVersion\\Run")) return "";
    return reg.ValueExists(platform::kAutostartName) ? reg.ReadString(platform::kAutostartName)
                                                     : "";
  }
  bool AutostartSet() const {
#ifdef _WIN32
    return !RunValue().empty();
#else
    return std::filesystem::exists(Autostart());
#endif
  }

  test::TempDrive drive;
  // Where Windows keeps the Run value: never the system's own registry in a test.
  test::ScopedRegistryStore store{drive.Win("registry.reg"), "REGEDIT4\r\n"};
  test::TempFolder home, config;
  test::ScopedEnv homeEnv{"HOME", home.Path()};
  test::ScopedEnv configEnv{"XDG_CONFIG_HOME", config.Path()};
  MainSession session;
  std::vector<std::string> refusals;
  std::vector<Registrations> registered;
};

}  // namespace vorlisk
