#include "app/window/session_end.h"

#include <csignal>

#ifndef _WIN32
#include <signal.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QVariant>
#endif

namespace vorlisk::window {

ShutdownWatch::ShutdownWatch(ShutdownLock& lock, std::function<bool()> wanted,
                             std::function<void()> endSession)
    : lock_(lock), wanted_(std::move(wanted)), endSession_(std::move(endSession)) {}

void ShutdownWatch::Update() {
  const bool wanted = wanted_();
  if (wanted && !held_) {
    held_ = lock_.Take();
  } else if (!wanted && held_) {
    lock_.Release();
    held_ = false;
  }
}

void ShutdownWatch::PrepareForShutdown(bool start) {
  if (!start) {
    Update();
    return;
  }
  endSession_();
  if (held_) {
    lock_.Release();
    held_ = false;
  }
}

#ifndef _WIN32

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

#else

namespace {

class NoShutdownLock : public ShutdownLock {
 public:
  bool Take() override { return false; }
  void Release() override {}
};

}  // namespace

std::unique_ptr<ShutdownLock> MakeShutdownLock(std::function<void(bool)>) {
  return std::make_unique<NoShutdownLock>();
}

void WatchSessionEndSignal() {}
bool TakeSessionEndSignal() { return false; }

#endif

}  // namespace vorlisk::window

#ifndef _WIN32
#include "session_end.moc"
#endif
