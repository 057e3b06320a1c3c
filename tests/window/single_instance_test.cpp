// One window per user and program folder: the socket lives in the user's private folder, a second
// start reaches the first, a leftover name does not keep the first start out, and an unsafe folder
// is refused with its reason.
#include "gui/window/single_instance.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTest>
#include <filesystem>

#include "platform/error.h"
#include "posix_support.h"
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

// Catches a window kept from starting by another user's /tmp/vorlisk-<uid>, and a second start
// that misses the first once that user has removed it (the first listens in the user's own
// fallback folder; the second looks there too).
TEST(SingleInstance, ASecondStartReachesAFirstThatFellBackFromATakenTmpFolder) {
  if (::geteuid() != 0) GTEST_SKIP() << "making another user's folder needs root";
  const test::NoRuntimeDir start;
  ASSERT_TRUE(start.TakeOwnForAnotherUser());

  const QStringList first = InstanceSocketPaths("P:\\");
  ASSERT_EQ(first.size(), 1);
  EXPECT_TRUE(first.front().startsWith(QString::fromStdString(start.Fallback() + "/")))
      << first.front().toStdString();
  EXPECT_FALSE(ActivateRunningInstanceAt(first));
  const auto server = ListenAsFirstInstance(first.front());
  int activations = 0;
  QObject::connect(server.get(), &QLocalServer::newConnection, [&] {
    while (server->nextPendingConnection()) ++activations;
  });

  std::filesystem::remove(start.Own());  // the other user gives up
  const QStringList second = InstanceSocketPaths("P:\\");
  ASSERT_EQ(second.size(), 2);
  EXPECT_TRUE(second.front().startsWith(QString::fromStdString(start.Own() + "/")));
  EXPECT_EQ(second.back(), first.front());
  EXPECT_TRUE(ActivateRunningInstanceAt(second));
  EXPECT_TRUE(QTest::qWaitFor([&] { return activations == 1; }, 2000));
}

}  // namespace
}  // namespace vorlisk::window
