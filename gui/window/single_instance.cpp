#include "gui/window/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

#include "platform/error.h"
#include "platform/runtime_folder.h"

namespace vorlisk::window {

namespace {

// The socket's name in a folder, made from the home and the program folder.
QString SocketName(const std::string& programFolder) {
  const QByteArray key =
      (QDir::homePath() + QLatin1Char('\n') + QString::fromStdString(programFolder)).toUtf8();
  return QStringLiteral("vorlisk-") +
         QString::fromLatin1(
             QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(24));
}

}  // namespace

QStringList InstanceSocketPaths(const std::string& programFolder) {
  const QString name = SocketName(programFolder);
#ifdef Q_OS_WIN
  // A named pipe, whose name may hold no "\": the home in the key keeps users apart, and the
  // server's UserAccessOption keeps others out.
  return {name};
#else
  // The longest path a local socket may have (sun_path of 108 bytes, its NUL included).
  constexpr qsizetype kMaxSocketPath = 107;
  QStringList paths;
  for (const std::string& folder : platform::PrivateRuntimeFolders()) {
    const QString path = QString::fromStdString(folder) + QLatin1Char('/') + name;
    if (path.toLocal8Bit().size() > kMaxSocketPath) {
      if (paths.isEmpty())
        throw Error("The window's instance socket " + path.toStdString() + " is longer than the " +
                    std::to_string(kMaxSocketPath) + " bytes the system allows");
      continue;  // no instance can listen there
    }
    paths.push_back(path);
  }
  return paths;
#endif
}

QString InstanceSocketPath(const std::string& programFolder) {
  return InstanceSocketPaths(programFolder).front();
}

bool ActivateRunningInstanceAt(const QStringList& paths) {
  for (const QString& path : paths)
    if (ActivateRunningInstance(path)) return true;
  return false;
}

bool ActivateRunningInstance(const QString& path) {
  QLocalSocket socket;
  socket.connectToServer(path);
  if (!socket.waitForConnected(1000)) return false;
  socket.write("activate\n");
  socket.waitForBytesWritten(1000);
  socket.disconnectFromServer();
  return true;
}

std::unique_ptr<QLocalServer> ListenAsFirstInstance(const QString& path) {
  auto server = std::make_unique<QLocalServer>();
  server->setSocketOptions(QLocalServer::UserAccessOption);
  if (server->listen(path)) return server;
  // Nobody answered at the name (ActivateRunningInstance came first): it is a leftover.
  QLocalServer::removeServer(path);
  if (server->listen(path)) return server;
  throw Error("The window's instance socket " + path.toStdString() +
              " cannot be made: " + server->errorString().toStdString());
}

std::string CannotStart(const std::string& reason) { return "Vorlisk cannot start: " + reason; }

}  // namespace vorlisk::window
