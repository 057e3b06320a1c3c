// The main window's washes without a click: Timer1, the global hot keys and the end of the session.
#include <QGuiApplication>
#include <QSessionManager>

#include "app/scheduler.h"
#include "app/settings.h"
#include "gui/support/browser_windows.h"
#include "gui/window/main_window.h"
#include "platform/process.h"

namespace vorlisk::window {

void TFormMainVorlisk::StartAutomation() {
  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(kTimerPeriod);
  connect(timer1_, &QTimer::timeout, this, [this] { Guarded([&] { TimerTick(session_); }); });

  // A press is handled after the window system's event that reported it.
  hotKeys_ = MakeGlobalHotKeys(this, [this](uint32_t id) {
    QTimer::singleShot(0, this, [this, id] { HotKeyPressed(id); });
  });
  hotKeys_->Register(ReadHotKeyRegistrations(session_.ProgramFolder()));

  connect(qGuiApp, &QGuiApplication::commitDataRequest, this,
          [this](QSessionManager&) { EndSession(); });
  shutdownLock_ =
      MakeShutdownLock([this](bool start) { shutdownWatch_->PrepareForShutdown(start); });
  shutdownWatch_ = std::make_unique<ShutdownWatch>(
      *shutdownLock_, [this] { return session_.Settings().Schedule.Has(byShutdown); },
      [this] { EndSession(); });
  UpdateTimer();
}

void TFormMainVorlisk::UpdateTimer() {
  if (session_.Settings().Schedule.Has(byEveryHour))
    timer1_->start();
  else
    timer1_->stop();
  shutdownWatch_->Update();
}

SetHotKeysPort TFormMainVorlisk::HotKeysPort() {
  return [this](const GlobalHotKeys::Registrations& registrations) {
    hotKeys_->Register(registrations);
  };
}

void TFormMainVorlisk::HotKeyPressed(uint32_t id) {
  if (id == kHotKeyCloseBrowsers.Id)
    Guarded([&] {
      MinimizeBrowserWindows(SettingsFile(session_.ProgramFolder()).ReadBrowserWindows());
    });
  else if (id == kHotKeyWashChecked.Id)
    Guarded([&] { AutomaticWash(session_); });
}

void TFormMainVorlisk::WatchTerminationSignals() {
  platform::WatchTerminationRequests();
  WatchSessionEndSignal();
  auto* poll = new QTimer(this);
  poll->setObjectName(QStringLiteral("TerminationPoll"));
  connect(poll, &QTimer::timeout, this, [this] {
    if (TakeSessionEndSignal())
      EndSession();
    else if (platform::TerminationRequested())
      close();
  });
  poll->start(200);
}

void TFormMainVorlisk::EndSession() {
  if (sessionEnding_) return;
  sessionEnding_ = true;
  Guarded([&] { QueryEndSession(session_); });
  QTimer::singleShot(0, this, [this] { close(); });
}

}  // namespace vorlisk::window
