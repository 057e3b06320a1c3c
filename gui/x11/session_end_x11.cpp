// The end of the session on a freedesktop desktop: SIGTERM from the session manager, and
// systemd-logind's delay lock on the system bus.
#include <signal.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QVariant>
#include <csignal>

#include "gui/support/session_end.h"

namespace vorlisk::window {

namespace {
volatile std::sig_atomic_t sessionEndSignalled = 0;
extern "C" void NoteSessionEnd(int) { sessionEndSignalled = 1; }
}  // namespace

void WatchSessionEndSignal() {
  struct sigaction action {};
  action.sa_handler = NoteSessionEnd;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGTERM, &action, nullptr);
}

bool TakeSessionEndSignal() {
  if (sessionEndSignalled == 0) return false;
  sessionEndSignalled = 0;
  return true;
}

namespace {

const QString kLogin1 = QStringLiteral("org.freedesktop.login1");
const QString kLogin1Path = QStringLiteral("/org/freedesktop/login1");
const QString kLogin1Manager = QStringLiteral("org.freedesktop.login1.Manager");

class LogindShutdownLock : public QObject, public ShutdownLock {
  Q_OBJECT

 public:
  explicit LogindShutdownLock(std::function<void(bool)> notice) : notice_(std::move(notice)) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (bus.isConnected())
      bus.connect(kLogin1, kLogin1Path, kLogin1Manager, QStringLiteral("PrepareForShutdown"), this,
                  SLOT(PrepareForShutdown(bool)));
  }

  bool Take() override {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(kLogin1, kLogin1Path, kLogin1Manager,
                                                       QStringLiteral("Inhibit"));
    call << QStringLiteral("shutdown") << QStringLiteral("Vorlisk")
         << QStringLiteral("Washing the checked items before the machine shuts down")
         << QStringLiteral("delay");
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    lock_ = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().constFirst());
    return lock_.isValid();
  }

  // Closing the descriptor is what lets logind go on.
  void Release() override { lock_ = QDBusUnixFileDescriptor(); }

 private slots:
  void PrepareForShutdown(bool start) { notice_(start); }

 private:
  std::function<void(bool)> notice_;
  QDBusUnixFileDescriptor lock_;
};

}  // namespace

std::unique_ptr<ShutdownLock> MakeShutdownLock(std::function<void(bool)> notice) {
  return std::make_unique<LogindShutdownLock>(std::move(notice));
}

}  // namespace vorlisk::window

#include "session_end_x11.moc"
