// One window per user and program folder: the socket lives in the user's private folder, a second
// start reaches the first, a leftover name does not keep the first start out, and an unsafe folder
// is refused with its reason.
#include "gui/window/single_instance.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTest>
#include <filesystem>

#include "platform/error.h"
#include "test_support.h"

namespace vorlisk::window {
namespace {

// Catches a socket outside the private folder, a leftover file that lets a second window start or
// keeps the first out, a second start that does not reach the first, and an unsafe folder used.
TEST(SingleInstance, TheFirstStartTakesItsPlaceInThePrivateFolderAndASecondReachesIt) {
  test::TempFolder tmp;
  const std::string runtime = tmp / "run";
  std::filesystem::create_directory(runtime);
  ::chmod(runtime.c_str(), 0700);
  test::ScopedEnv xdg("XDG_RUNTIME_DIR", runtime);

  const QString path = InstanceSocketPath("P:\\");
  EXPECT_TRUE(path.startsWith(QString::fromStdString(runtime + "/vorlisk-"))) << path.toStdString();
  EXPECT_NE(InstanceSocketPath("Q:\\"), path);
  EXPECT_FALSE(ActivateRunningInstance(path));

  test::WriteHostFile(path.toStdString(), "planted");
  const auto first = ListenAsFirstInstance(path);
  int activations = 0;
  QObject::connect(first.get(), &QLocalServer::newConnection, [&] {
    while (first->nextPendingConnection()) ++activations;
  });
  EXPECT_TRUE(ActivateRunningInstance(path));
  EXPECT_TRUE(QTest::qWaitFor([&] { return activations == 1; }, 2000));

  ::chmod(runtime.c_str(), 0777);
  try {
    InstanceSocketPath("P:\\");
    ADD_FAILURE() << "an open folder was used";
  } catch (const Error& e) {
    EXPECT_EQ(CannotStart(e.what()),
              "Vorlisk cannot start: The folder " + runtime + " is open to other users (mode 777)");
  }
  ::chmod(runtime.c_str(), 0700);
}

}  // namespace
}  // namespace vorlisk::window
