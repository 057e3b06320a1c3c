// The window's answers to the session's port where the screen sets limits: long names shortened in
// message boxes and the tray menu, the window's size on a small screen, and file choosers that
// open in the user's home.
#include "gui/support/qt_port.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include "gui/window/main_window.h"
#include "test_support.h"

namespace vorlisk::window {
namespace {

// Catches a box as wide as a very long item name (off the screen), and a short text changed.
TEST(QtPort, AMessageBoxWithAVeryLongNameFitsTheScreen) {
  const std::string name(3000, 'x');
  const std::string spaced = [] {
    std::string s;
    for (int i = 0; i < 800; ++i) s += "word ";
    return s;
  }();
  EXPECT_EQ(MessageText("Do you want to delete 'Temp'?\rYes"),
            QStringLiteral("Do you want to delete 'Temp'?\nYes"));
  for (const std::string& long_ : {name, spaced}) {
    QString text;
    QRect box;
    QTimer::singleShot(0, [&] {
      if (auto* b = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        text = b->text();
        box = b->frameGeometry();
        b->done(QMessageBox::No);
      }
    });
    AskYesNo(nullptr, "Do you want to delete '" + long_ + "'?");
    EXPECT_TRUE(text.startsWith(QStringLiteral("Do you want to delete '")));
    EXPECT_TRUE(text.contains(QChar(0x2026)));
    EXPECT_LE(box.width(), QGuiApplication::primaryScreen()->availableGeometry().width());
    EXPECT_LE(box.height(), QGuiApplication::primaryScreen()->availableGeometry().height());
  }
}

// Catches a window larger than its screen, one shrunk below what its controls need, and a window
// that does not fit with no word of why.
TEST(QtPort, TheWindowIsBroughtDownToItsScreenOrSaysWhyItCannot) {
  struct Case {
    QSize available;
    QSize size;
    bool fits;
  } cases[] = {
      {{1920, 1080}, {780, 540}, true},  // scale 1
      {{960, 510}, {780, 462}, true},    // a 1920 x 1080 screen at scale 2, less its panel
      {{683, 384}, {667, 400}, false},   // a 1366 x 768 screen at scale 2: too small
  };
  for (const Case& c : cases) {
    const WindowFit fit = FitWindow({780, 540}, {600, 400}, c.available);
    EXPECT_EQ(fit.Size, c.size) << c.available.width();
    EXPECT_EQ(fit.Why.empty(), c.fits) << fit.Why;
  }
  EXPECT_EQ(FitWindow({780, 540}, {600, 400}, {683, 384}).Why,
            "The screen has room for 667 x 336 points at its scale; the window needs 600 x 400, "
            "so part of it lies outside the screen. A smaller scale or a larger screen shows all "
            "of it.");
}

// Catches a file chooser that opens in the working folder instead of the user's home, and one
// that hides the folders whose names begin with a dot (~/.config).
TEST(QtPort, FileChoosersOpenInTheUsersHomeAndShowDotFolders) {
  test::TempFolder home;
  test::ScopedEnv env("HOME", home.Path());
  QWidget parent;
  const UiCallbacks port = MakeQtPort(&parent);
  for (bool save : {false, true}) {
    QString folder;
    bool hidden = false;
    QTimer::singleShot(0, [&] {
      if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
        folder = dialog->directory().absolutePath();
        hidden = dialog->filter().testFlag(QDir::Hidden);
        dialog->reject();
      }
    });
    if (save)
      port.SaveFile(FileChooser{.Title = "Save", .Filter = "TXT file (*.TXT)|*.TXT"});
    else
      port.OpenFiles(FileChooser{.Title = "Open", .Multiple = true});
    EXPECT_EQ(folder.toStdString(), home.Path()) << (save ? "save" : "open");
    EXPECT_TRUE(hidden) << (save ? "save" : "open");
  }
}

}  // namespace
}  // namespace vorlisk::window
