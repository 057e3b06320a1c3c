// The washes without a click as the main window runs them: Timer1 follows the schedule at start and
// after Apply and its tick washes, the at-start wash waits for a minimized window to be opened, the
// end of the session washes once without a question, and the shutdown lock is held exactly while
// the shutdown wash is on.
#include <gtest/gtest.h>

#include <QTest>
#include <csignal>
#include <optional>

#include "app/preferences.h"
#include "gui/support/session_end.h"
#include "gui/window/main_window.h"
#include "test_support.h"

namespace vorlisk::window {
namespace {

// One checked item "Temp" washing D:\t\*.tmp, with D:\t\a.tmp present.
class AutomationTest : public ::testing::Test, public test::TestProgram {
 protected:
  AutomationTest() {
    WriteItems("const/system.txt",
               {{.Name = "Temp", .Folders = {{.Name = "tmp", .DeletePath = "D:\\t\\*.tmp"}}}});
    PutFile();
    port.Ask = [this](const std::string& q) {
      asked.push_back(q);
      return true;
    };
    port.ShowError = [this](const std::string& m) { asked.push_back("error: " + m); };
  }
  void PutFile() { test::WriteHostFile(Data.Host("t/a.tmp"), "data"); }
  void Open(const std::string& settings) {
    test::WriteHostFile(Program.Host("wildcard.ini"), settings);
    window.emplace(Folder(), port);
  }

  UiCallbacks port;
  std::vector<std::string> asked;
  std::optional<TFormMainVorlisk> window;
};

// Catches a timer that runs without the timed wash (or not with it), one with another period,
// and an Apply that does not switch it either way.
TEST_F(AutomationTest, Timer1RunsExactlyWhileTheTimedWashIsScheduledAtStartAndAfterApply) {
  struct Case {
    const char* schedule;
    bool running;
  };
  for (const Case& c : std::initializer_list<Case>{{"", false},
                                                   {"byStart byShutdown ", false},
                                                   {"byEveryHour ", true},
                                                   {"byStart byEveryHour ", true}}) {
    SCOPED_TRACE(c.schedule);
    Open(std::string("[Schedule]\r\nSchedule Option=") + c.schedule + "\r\n");
    QTimer* timer = window->Timer1();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->objectName(), QStringLiteral("Timer1"));
    EXPECT_EQ(timer->isActive(), c.running);
    EXPECT_EQ(timer->interval(), 50000);

    // Apply with the timed wash switched the other way, then back.
    for (bool on : {!c.running, c.running}) {
      PreferenceValues p = ReadPreferences(window->Session());
      p.Schedule = on ? ScheduleOptions{byEveryHour} : ScheduleOptions{};
      ASSERT_TRUE(ApplyPreferences(window->Session(), p, window->HotKeysPort()));
      window->UpdateTimer();
      EXPECT_EQ(timer->isActive(), on);
    }
  }
}

// Catches SIGTERM (what a session manager sends at logout) closing the window without the
// shutdown wash, and a wash on SIGTERM while the shutdown wash is off.
TEST_F(AutomationTest, SigtermRunsTheShutdownWashWhenOnThenClosesInOrder) {
  for (bool on : {true, false}) {
    SCOPED_TRACE(on ? "shutdown wash on" : "shutdown wash off");
    PutFile();
    Open(on ? "[Schedule]\r\nSchedule Option=byShutdown \r\n[Delete Option]\r\nprompt Before=1\r\n"
            : "");
    window->show();
    window->WatchTerminationSignals();
    std::raise(SIGTERM);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 5000));
    EXPECT_EQ(Data.Exists("t/a.tmp"), !on);
    EXPECT_TRUE(asked.empty());
  }
}

// Catches a timer whose tick is not wired to the timed wash.
TEST_F(AutomationTest, ATickOfTimer1RunsTheTimedWashWhenDue) {
  Open(
      "[Schedule]\r\nSchedule Option=byEveryHour \r\nMinuts=0\r\n"
      "[Delete Option]\r\nprompt Before=1\r\n");
  ASSERT_TRUE(Data.Exists("t/a.tmp"));
  window->Timer1()->start(1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Data.Exists("t/a.tmp"); }, 5000));
  EXPECT_TRUE(asked.empty());
  EXPECT_TRUE(window->Session().Settings().PromptBefore);
}

// Catches the at-start wash run by the activation a minimized start gets before the user opens the
// window, and one that does not run when the window is first opened.
TEST_F(AutomationTest, AMinimizedStartWashesWhenTheWindowIsFirstOpened) {
  Open("[Run]\r\nAuto Run=1\r\nIs Minimized=1\r\n[Schedule]\r\nSchedule Option=byStart \r\n");
  ASSERT_TRUE(window->isMinimized());
  window->showMinimized();
  QTest::qWait(200);
  EXPECT_TRUE(Data.Exists("t/a.tmp"));

  window->RestoreWindow();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Data.Exists("t/a.tmp"); }, 5000));
  PutFile();
  window->showMinimized();
  window->RestoreWindow();  // once per process
  QTest::qWait(200);
  EXPECT_TRUE(Data.Exists("t/a.tmp"));
}

// Catches a session end that asks, that leaves "prompt Before" off, that washes without the
// shutdown wash on, or that washes a second time when both the session manager and the system
// announce the end.
TEST_F(AutomationTest, TheEndOfTheSessionWashesOnceWithoutAQuestion) {
  for (bool on : {false, true}) {
    SCOPED_TRACE(on);
    PutFile();
    Open(std::string("[Delete Option]\r\nprompt Before=1\r\n[Schedule]\r\nSchedule Option=") +
         (on ? "byShutdown " : "") + "\r\n");
    window->EndSession();
    EXPECT_EQ(Data.Exists("t/a.tmp"), !on);
    EXPECT_TRUE(asked.empty());
    EXPECT_TRUE(window->Session().Settings().PromptBefore);
    PutFile();
    window->EndSession();
    EXPECT_TRUE(Data.Exists("t/a.tmp"));
    window.reset();  // before the queued close ends the application's event loop
  }
}

// Catches a hot key that does not reach the automatic wash, and an unknown identifier that does.
TEST_F(AutomationTest, TheSecondHotKeyWashesTheCheckedItemsAndOtherIdentifiersNothing) {
  Open("[Delete Option]\r\nprompt Before=1\r\n");
  window->HotKeyPressed(0x1234);
  EXPECT_TRUE(Data.Exists("t/a.tmp"));
  window->HotKeyPressed(0xCDDD);
  EXPECT_FALSE(Data.Exists("t/a.tmp"));
  EXPECT_TRUE(asked.empty());
}

class FakeLock : public ShutdownLock {
 public:
  bool Take() override {
    log.push_back(available ? "take" : "take refused");
    return available;
  }
  void Release() override { log.push_back("release"); }
  bool available = true;
  std::vector<std::string> log;
};

// Catches a lock held while the shutdown wash is off or taken twice, a lock released before the
// wash has run (the machine would not wait for it) or kept after it, and a shutdown called off
// that leaves the next one unguarded.
TEST(ShutdownWatchTest, HoldsTheLockWhileTheShutdownWashIsOnAndLetsGoOnceItHasRun) {
  FakeLock lock;
  bool wanted = false;
  ShutdownWatch watch(
      lock, [&] { return wanted; },
      [&] { lock.log.push_back(std::string("end session") + (watch.Held() ? " (held)" : "")); });
  watch.Update();
  EXPECT_TRUE(lock.log.empty());
  wanted = true;
  watch.Update();
  watch.Update();
  EXPECT_EQ(lock.log, (std::vector<std::string>{"take"}));
  wanted = false;
  watch.Update();
  wanted = true;
  watch.Update();
  watch.PrepareForShutdown(true);
  EXPECT_EQ(lock.log,
            (std::vector<std::string>{"take", "release", "take", "end session (held)", "release"}));
  EXPECT_FALSE(watch.Held());

  lock.log.clear();
  watch.PrepareForShutdown(false);  // called off: guarded again
  EXPECT_TRUE(watch.Held());
  EXPECT_EQ(lock.log, (std::vector<std::string>{"take"}));

  // No system to ask: nothing held, the session still ends in order, nothing released.
  FakeLock none;
  none.available = false;
  ShutdownWatch bare(
      none, [] { return true; }, [&] { none.log.push_back("end session"); });
  bare.Update();
  bare.PrepareForShutdown(true);
  EXPECT_EQ(none.log, (std::vector<std::string>{"take refused", "end session"}));
}

}  // namespace
}  // namespace vorlisk::window
