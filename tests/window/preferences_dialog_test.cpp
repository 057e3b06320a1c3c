// The Preferences dialog driven by its widgets' object names: what it shows from the file and the
// settings state, the interval box's reading of typed text, the refused hot-key conflict, and that
// only "&Apply" writes.
#include "gui/dialogs/preferences_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "test_support.h"
#include "window/dialog_finder.h"

namespace vorlisk::dialogs {
namespace {

class PreferencesTest : public ::testing::Test, public test::TestProgram {
 protected:
  PreferencesTest() {
    session.StateForTesting().ProgramFolder = Folder();
    session.Ui().Refuse = [this](const std::string& m) { refused.push_back(m); };
    session.Ui().ShowError = [this](const std::string& m) { refused.push_back("error: " + m); };
    test::WriteHostFile(
        Program.Host("wildcard.ini"),
        "[Hot Key]\r\nControl=3\r\nChar=5\r\nControl washer=1\r\nChar washer=3\r\n");
  }
  std::unique_ptr<TFormPreferences> Make() {
    return MakePreferencesDialog(
        nullptr, session, [this](const auto&) { ++registrations; }, [this] { ++timerChanges; });
  }
  std::string Settings() const { return Program.Read("wildcard.ini"); }

  MainSession session;
  std::vector<std::string> refused;
  int registrations = 0;
  int timerChanges = 0;
};

// Catches typed text outside 2 to 1000 kept as typed, text that is no number refused instead of
// read as 2, and a value that Apply reads differently from what the box shows.
TEST_F(PreferencesTest, TheIntervalBoxBringsTypedTextIntoTwoToAThousandOnLeaving) {
  struct Case {
    const char* typed;
    int value;
  };
  auto dialog = Make();
  auto* box = Find<QSpinBox>(*dialog, "SpinEditMinuts");
  auto* edit = box->findChild<QLineEdit*>();
  for (const Case& c : {Case{"1", 2}, Case{"5000", 1000}, Case{"abc", 2}, Case{"37", 37}}) {
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromLatin1(c.typed));
    EXPECT_EQ(edit->text(), QString::fromLatin1(c.typed));
    EXPECT_EQ(dialog->Shown().Minutes, c.value) << c.typed;
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &leave);
    EXPECT_EQ(box->value(), c.value) << c.typed;
    EXPECT_EQ(box->text(), QString::number(c.value)) << c.typed;
  }
}

// Catches "Run Minimized" left enabled without "Load at Windows startup" (or its state dropped
// while disabled), and the caption changed.
TEST_F(PreferencesTest, RunMinimizedIsEnabledOnlyWithLoadAtStartupAndKeepsItsState) {
  auto dialog = Make();
  auto* run = Find<QCheckBox>(*dialog, "cbRun");
  auto* mini = Find<QCheckBox>(*dialog, "cbMini");
  EXPECT_EQ(run->text(), QStringLiteral("Load at Windows startup"));
  EXPECT_EQ(mini->text(), QStringLiteral("Run Minimized"));
  EXPECT_FALSE(mini->isEnabled());
  run->click();
  EXPECT_TRUE(mini->isEnabled());
  mini->click();
  run->click();
  EXPECT_FALSE(mini->isEnabled());
  EXPECT_TRUE(mini->isChecked());
  EXPECT_TRUE(dialog->Shown().Minimized);
}

// Catches a conflict that writes or closes, a missing message, and the same letter with other
// modifiers refused.
TEST_F(PreferencesTest, ConflictingHotKeysAreRefusedAndNothingIsWritten) {
  const std::string before = Settings();
  auto dialog = Make();
  EXPECT_EQ(Find<QComboBox>(*dialog, "cbControl")->currentText(), QStringLiteral("CTRL+ALT"));
  EXPECT_EQ(Find<QComboBox>(*dialog, "cbChar")->currentText(), QStringLiteral("F"));
  ASSERT_EQ(Find<QComboBox>(*dialog, "cbCharNew")->count(), 26);
  Find<QComboBox>(*dialog, "cbControlNew")->setCurrentIndex(3);
  Find<QComboBox>(*dialog, "cbCharNew")->setCurrentIndex(5);
  Find<QPushButton>(*dialog, "btnApply")->click();
  EXPECT_EQ(refused, std::vector<std::string>{"HotKey conflict,please setup again!"});
  EXPECT_EQ(Settings(), before);
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_EQ(registrations, 0);

  Find<QComboBox>(*dialog, "cbControlNew")->setCurrentIndex(1);  // CTRL+F: accepted
  Find<QPushButton>(*dialog, "btnApply")->click();
  EXPECT_EQ(refused.size(), 1u);
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

// Catches Close writing, Apply not writing what the boxes show, and the timer not told.
TEST_F(PreferencesTest, CloseWritesNothingAndApplyWritesTheSettingsFile) {
  const std::string before = Settings();
  {
    auto dialog = Make();
    Find<QCheckBox>(*dialog, "rbEveryHour")->click();
    Find<QPushButton>(*dialog, "btnClose")->click();
  }
  EXPECT_EQ(Settings(), before);
  EXPECT_EQ(timerChanges, 0);

  auto dialog = Make();
  Find<QCheckBox>(*dialog, "rbEveryHour")->click();
  Find<QCheckBox>(*dialog, "ChEraseSafe")->click();
  Find<QSpinBox>(*dialog, "SpinEditMinuts")->setValue(15);
  Find<QComboBox>(*dialog, "cbCharNew")->setCurrentIndex(4);
  Find<QPushButton>(*dialog, "btnApply")->click();
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  const SettingsFile file(Folder());
  EXPECT_EQ(file.ReadMinutes(), 15);
  EXPECT_TRUE(file.ReadScheduleOption().Has(byEveryHour));
  EXPECT_FALSE(file.ReadUseQuick());
  EXPECT_EQ(file.ReadHotKey(kHotKeyWashChecked).Letter, 4);
  EXPECT_EQ(registrations, 2);
  EXPECT_EQ(timerChanges, 1);
  EXPECT_TRUE(session.Settings().Schedule.Has(byEveryHour));
}

// Catches an autostart failure that closes the dialog, is not shown, or lets the later settings
// be saved.
TEST_F(PreferencesTest, AFailedAutostartIsShownAndKeepsTheDialogOpen) {
  test::WriteHostFile(Home / "not-a-folder", "");
  test::ScopedEnv config("XDG_CONFIG_HOME", Home / "not-a-folder");
  auto dialog = Make();
  Find<QCheckBox>(*dialog, "cbRun")->click();
  Find<QSpinBox>(*dialog, "SpinEditMinuts")->setValue(40);
  Find<QPushButton>(*dialog, "btnApply")->click();
  EXPECT_EQ(refused, std::vector<std::string>{"error: Failed to set data for 'Vorlisk'"});
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_TRUE(SettingsFile(Folder()).ReadAutoRun());
  EXPECT_EQ(SettingsFile(Folder()).ReadMinutes(), 2);
  EXPECT_EQ(timerChanges, 0);
}

// Catches the note missing on a Wayland-only desktop, or shown where X11 hot keys work.
TEST_F(PreferencesTest, AWaylandOnlyDesktopIsToldThatGlobalHotKeysAreUnavailable) {
  struct Case {
    std::optional<std::string> wayland, display;
    bool note;
  };
  for (const Case& c : {Case{"wayland-0", std::nullopt, true}, Case{"wayland-0", ":0", false},
                        Case{std::nullopt, ":0", false}}) {
    test::ScopedEnv wayland("WAYLAND_DISPLAY", c.wayland);
    test::ScopedEnv display("DISPLAY", c.display);
    auto dialog = Make();
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("LabelNoHotKeys")) != nullptr, c.note)
        << c.display.value_or("no DISPLAY");
  }
}

}  // namespace
}  // namespace vorlisk::dialogs
