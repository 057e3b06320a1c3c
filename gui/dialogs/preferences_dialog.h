// The Preferences dialog TFormPreferences: shows the preferences as the core reads them and hands
// what the user set to the core's Apply, which writes the file, the autostart registration, the
// settings state and the hot keys. Nothing changes before "&Apply".
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "app/preferences.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace vorlisk::dialogs {

inline constexpr int kPreferencesHelpTopic = 102;
inline constexpr const char* kNoGlobalHotKeys =
    "Global hot keys are not available on this desktop (Wayland): the keys below are kept for "
    "sessions on X11.";

// Whether the desktop session has no X11 display, so that global hot keys cannot be registered.
bool WaylandOnlySession();

class TFormPreferences final : public QDialog {
 public:
  // `timerChanged` runs after a successful Apply (the timed wash may have been switched on or off).
  TFormPreferences(QWidget* parent, MainSession& session, SetHotKeysPort setHotKeys,
                   std::function<void()> timerChanged);

  // What the controls show now.
  PreferenceValues Shown() const;

 private:
  void Fill(const PreferenceValues& p);

  MainSession& session_;
  SetHotKeysPort setHotKeys_;
  std::function<void()> timerChanged_;
  QCheckBox *cbRun_, *cbMini_, *rbWhenStart_, *rbWhenShutDown_, *rbEveryHour_;
  QCheckBox *ChEraseSafe_, *ChWritetolog_, *ChDeleteonExit_, *chPromptBeforeDelete_;
  QSpinBox* SpinEditMinuts_;
  QComboBox *cbControl_, *cbChar_, *cbControlNew_, *cbCharNew_;
};

std::unique_ptr<TFormPreferences> MakePreferencesDialog(QWidget* parent, MainSession& session,
                                                        SetHotKeysPort setHotKeys,
                                                        std::function<void()> timerChanged = {});

void ShowPreferencesDialog(QWidget* parent, MainSession& session, const SetHotKeysPort& setHotKeys,
                           std::function<void()> timerChanged = {});

}  // namespace vorlisk::dialogs
