#include "gui/support/help.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <utility>

#include "platform/thread_check.h"

namespace vorlisk::dialogs {

namespace {

// Set and used on the user-interface thread only (checked in builds with thread checks).
HelpHandler& Handler() {
  static HelpHandler handler;
  static platform::OneThreadCheck thread;
  thread.Use();
  return handler;
}

}  // namespace

void SetHelpHandler(HelpHandler handler) { Handler() = std::move(handler); }

void ShowHelpTopic(int topic) {
  if (const auto& handler = Handler()) handler(topic);
}

void InstallHelpKey(QWidget* widget, int topic) {
  auto* key = new QShortcut(QKeySequence::HelpContents, widget);
  key->setObjectName(QStringLiteral("HelpKey"));
  key->setContext(Qt::WindowShortcut);
  QObject::connect(key, &QShortcut::activated, widget, [topic] { ShowHelpTopic(topic); });
}

void SetUpDialogFrame(QDialog& dialog, bool fixed) {
  dialog.setModal(true);
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowCloseButtonHint);
  if (fixed) dialog.setFixedSize(dialog.size());
  QScreen* screen = dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen();
  if (screen) {
    QRect frame = dialog.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    dialog.move(frame.topLeft());
  }
}

}  // namespace vorlisk::dialogs
