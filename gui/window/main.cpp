// vorlisk: the desktop window. One instance per user and program folder: a second start brings the
// first window to the front and ends.
#include <QApplication>
#include <QCommandLineParser>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "app/user_folders.h"
#include "gui/support/qt_port.h"
#include "gui/window/main_window.h"
#include "gui/window/single_instance.h"
#include "platform/drives.h"
#include "platform/error.h"
#include "platform/process.h"

namespace {

// Exceptions never cross Qt's event loop: one that reaches it is shown in the standard error box.
class Application : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    bool handled = false;
    vorlisk::window::ShowingErrors(
        [](const std::string& message) {
          vorlisk::window::ShowErrorBox(QApplication::activeWindow(), message);
        },
        [&] { handled = QApplication::notify(receiver, event); });
    return handled;
  }
};

bool HasDisplay() {
  for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    if (const char* s = std::getenv(v); s && *s) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (!HasDisplay()) {
    std::cerr
        << "vorlisk: no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is "
           "set).\nOn a terminal, use the command-line front end instead: vorlisk-cli --help\n";
    return 1;
  }
  Application app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vorlisk"));
  QApplication::setApplicationVersion(QStringLiteral("1.00"));
  QApplication::setQuitOnLastWindowClosed(false);
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Vorlisk: washes what applications leave behind"));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption home(QStringLiteral("home"),
                                QStringLiteral("The program folder (item files, settings, log)."),
                                QStringLiteral("DIR"));
  parser.addOption(home);
  parser.process(app);

  std::string programFolder;
  try {
    if (const std::string bad = vorlisk::platform::DriveMappingError(); !bad.empty())
      throw vorlisk::Error(bad);
    std::string why;
    programFolder = parser.isSet(home) ? vorlisk::platform::ProgramFolderFromHost(
                                             parser.value(home).toStdString(), &why)
                                       : vorlisk::platform::DefaultProgramFolder(&why);
    if (programFolder.empty())
      throw vorlisk::Error(parser.isSet(home)
                               ? "The program folder " + parser.value(home).toStdString() +
                                     " cannot be used: " + why
                               : why + " (see --home)");
  } catch (const std::exception& e) {
    vorlisk::window::ShowErrorBox(nullptr, e.what());
    return 1;
  }

  // A second start brings the first window to the front; a first start that cannot take its
  // place says why.
  std::unique_ptr<QLocalServer> server;
  try {
    const QStringList names = vorlisk::window::InstanceSocketPaths(programFolder);
    if (vorlisk::window::ActivateRunningInstanceAt(names)) return 0;
    server = vorlisk::window::ListenAsFirstInstance(names.front());
  } catch (const std::exception& e) {
    std::cerr << "vorlisk: " << vorlisk::window::CannotStart(e.what()) << '\n';
    vorlisk::window::ShowErrorBox(nullptr, vorlisk::window::CannotStart(e.what()));
    return 1;
  }

  std::unique_ptr<vorlisk::window::TFormMainVorlisk> window;
  try {
    vorlisk::PrepareRegistry(programFolder);
    window = std::make_unique<vorlisk::window::TFormMainVorlisk>(programFolder);
  } catch (const std::exception& e) {
    vorlisk::window::ShowErrorBox(nullptr, e.what());
    return 1;
  }
  QObject::connect(server.get(), &QLocalServer::newConnection, [&] {
    while (QLocalSocket* socket = server->nextPendingConnection()) {
      socket->deleteLater();
      window->RestoreWindow();
    }
  });

  // SIGTERM ends the session (the shutdown wash when it is on); SIGINT and SIGHUP close the
  // window as its close box does.
  window->WatchTerminationSignals();

  if (window->windowState() & Qt::WindowMinimized)
    window->showMinimized();
  else
    window->show();
  if (!window->DoesNotFit().empty()) {
    std::cerr << "vorlisk: " << window->DoesNotFit() << '\n';
    QTimer::singleShot(0, window.get(),
                       [&] { vorlisk::window::ShowNote(window.get(), window->DoesNotFit()); });
  }
  const int status = QApplication::exec();
  window.reset();  // the order file is written as the window goes
  return status;
}
