#include "gui/window/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

#include "platform/error.h"
#include "platform/runtime_folder.h"

namespace vorlisk::window {

QString InstanceSocketPath(const std::string& programFolder) {
  const QByteArray key =
      (QDir::homePath() + QLatin1Char('\n') + QString::fromStdString(programFolder)).toUtf8();
  const QString name =
      QStringLiteral("vorlisk-") +
      QString::fromLatin1(
          QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(24));
#ifdef Q_OS_WIN
  // A named pipe, whose name may hold no "\": the home in the key keeps users apart, and the
  // server's UserAccessOption keeps others out.
  return name;
#else
  return QString::fromStdString(platform::PrivateRuntimeFolder()) + QLatin1Char('/') + name;
#endif
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
