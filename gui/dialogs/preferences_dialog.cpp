#include "gui/dialogs/preferences_dialog.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>
#include <cstdlib>

#include "gui/dialogs/list_dialog_parts.h"
#include "gui/support/help.h"

namespace vorlisk::dialogs {

namespace {

// The interval box: any text may be typed; it reads as the core reads it (a whole number brought
// into 2 to 1000, no number as 2) and shows that value once it loses the focus.
class MinutesBox final : public QSpinBox {
 public:
  explicit MinutesBox(QWidget* parent) : QSpinBox(parent) {
    setRange(kMinutesMin, kMinutesMax);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
  }

 protected:
  QValidator::State validate(QString&, int&) const override { return QValidator::Acceptable; }
  int valueFromText(const QString& text) const override {
    return MinutesFromText(text.toStdString());
  }
};

QCheckBox* Box(QWidget* parent, const char* name, const char* caption) {
  auto* box = new QCheckBox(QString::fromLatin1(caption), parent);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

QComboBox* DropDown(QWidget* parent, const char* name, const QStringList& items) {
  auto* list = new QComboBox(parent);
  list->setObjectName(QString::fromLatin1(name));
  list->addItems(items);
  return list;
}

QWidget* Page(QTabWidget* tabs, const char* caption, QBoxLayout*& layout) {
  auto* page = new QWidget(tabs);
  layout = new QVBoxLayout(page);
  tabs->addTab(page, QString::fromLatin1(caption));
  return page;
}

}  // namespace

bool WaylandOnlySession() {
  if (QGuiApplication::platformName() == QLatin1String("wayland")) return true;
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const char* x11 = std::getenv("DISPLAY");
  return wayland && *wayland && !(x11 && *x11);
}

TFormPreferences::TFormPreferences(QWidget* parent, MainSession& session, SetHotKeysPort setHotKeys,
                                   std::function<void()> timerChanged)
    : QDialog(parent),
      session_(session),
      setHotKeys_(std::move(setHotKeys)),
      timerChanged_(std::move(timerChanged)) {
  setObjectName(QStringLiteral("TFormPreferences"));
  setWindowTitle(QStringLiteral("Preferences"));
  auto* tabs = new QTabWidget(this);
  tabs->setObjectName(QStringLiteral("PageControl1"));
  QBoxLayout* page = nullptr;

  QWidget* run = Page(tabs, "Run", page);
  cbRun_ = Box(run, "cbRun", "Load at Windows startup");
  cbMini_ = Box(run, "cbMini", "Run Minimized");
  page->addWidget(cbRun_);
  page->addWidget(cbMini_);
  page->addStretch(1);
  connect(cbRun_, &QCheckBox::toggled, cbMini_, &QCheckBox::setEnabled);

  QWidget* schedule = Page(tabs, "Schedule", page);
  page->addWidget(new QLabel(QStringLiteral("Run wash automatically "), schedule));
  rbWhenStart_ = Box(schedule, "rbWhenStart", "When Windows is started");
  rbWhenShutDown_ = Box(schedule, "rbWhenShutDown", "When Windows is shutdown");
  rbEveryHour_ = Box(schedule, "rbEveryHour", "Every");
  SpinEditMinuts_ = new MinutesBox(schedule);
  SpinEditMinuts_->setObjectName(QStringLiteral("SpinEditMinuts"));
  page->addWidget(rbWhenStart_);
  page->addWidget(rbWhenShutDown_);
  page->addLayout(
      Row({rbEveryHour_, SpinEditMinuts_, new QLabel(QStringLiteral("minutes"), schedule)}, false));
  page->addStretch(1);

  QStringList modifiers, letters;
  for (std::string_view text : kModifierTexts)
    modifiers << QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
  for (int32_t i = 0; !LetterText(i).empty(); ++i)
    letters << QString::fromLatin1(LetterText(i).data(), 1);
  QWidget* hotKey = Page(tabs, "HotKey", page);
  auto hotKeyRow = [&](const char* caption, QComboBox* modifier, QComboBox* letter) {
    page->addWidget(new QLabel(QString::fromLatin1(caption), hotKey));
    page->addLayout(Row({modifier, new QLabel(QStringLiteral("+"), hotKey), letter}, false));
  };
  cbControl_ = DropDown(hotKey, "cbControl", modifiers);
  cbChar_ = DropDown(hotKey, "cbChar", letters);
  cbControlNew_ = DropDown(hotKey, "cbControlNew", modifiers);
  cbCharNew_ = DropDown(hotKey, "cbCharNew", letters);
  hotKeyRow("Close all Interner Explorer windows", cbControl_, cbChar_);
  hotKeyRow("Clean all the checked wash items", cbControlNew_, cbCharNew_);
  if (WaylandOnlySession()) {
    auto* note = new QLabel(QString::fromLatin1(kNoGlobalHotKeys), hotKey);
    note->setObjectName(QStringLiteral("LabelNoHotKeys"));
    note->setWordWrap(true);
    page->addWidget(note);
  }
  page->addStretch(1);

  QWidget* options = Page(tabs, "Options", page);
  ChEraseSafe_ = Box(options, "ChEraseSafe", "Use secure deleting file method (Slowly)");
  ChWritetolog_ = Box(options, "ChWritetolog", "Write wash operation to log file");
  ChDeleteonExit_ = Box(options, "ChDeleteonExit", "Delete log file on exit");
  chPromptBeforeDelete_ = Box(options, "chPromptBeforeDelete", "Prompt before clean");
  for (QWidget* w : {ChEraseSafe_, ChWritetolog_, ChDeleteonExit_, chPromptBeforeDelete_})
    page->addWidget(w);
  page->addStretch(1);

  auto* help = CaptionButton(this, "btnHelp", "&Help");
  auto* apply = CaptionButton(this, "btnApply", "&Apply");
  auto* close = CaptionButton(this, "btnClose", "Cl&ose");
  apply->setDefault(true);
  connect(help, &QPushButton::clicked, this, [] { ShowHelpTopic(kPreferencesHelpTopic); });
  connect(apply, &QPushButton::clicked, this, [this] {
    bool applied = false;
    if (window::ShowingErrors(
            session_, [&] { applied = ApplyPreferences(session_, Shown(), setHotKeys_); }) &&
        applied) {
      if (timerChanged_) timerChanged_();
      accept();
    }
  });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);

  auto* top = new QVBoxLayout(this);
  top->addWidget(tabs);
  top->addLayout(Row({help, apply, close}, true));

  Fill(ReadPreferences(session_));
  InstallHelpKey(this, kPreferencesHelpTopic);
  resize(sizeHint().expandedTo(QSize(380, 260)));
  SetUpDialogFrame(*this, true);
}

void TFormPreferences::Fill(const PreferenceValues& p) {
  cbRun_->setChecked(p.AutoRun);
  cbMini_->setEnabled(p.AutoRun);
  cbMini_->setChecked(p.Minimized);
  ChEraseSafe_->setChecked(p.SecureErase);
  rbWhenStart_->setChecked(p.Schedule.Has(ScheduleOption::byStart));
  rbWhenShutDown_->setChecked(p.Schedule.Has(ScheduleOption::byShutdown));
  rbEveryHour_->setChecked(p.Schedule.Has(ScheduleOption::byEveryHour));
  SpinEditMinuts_->setValue(p.Minutes);
  chPromptBeforeDelete_->setChecked(p.PromptBefore);
  ChWritetolog_->setChecked(p.WriteToLog);
  ChDeleteonExit_->setChecked(p.DeleteLogOnExit);
  cbControl_->setCurrentIndex(p.HotKey1.Modifier);
  cbChar_->setCurrentIndex(p.HotKey1.Letter);
  cbControlNew_->setCurrentIndex(p.HotKey2.Modifier);
  cbCharNew_->setCurrentIndex(p.HotKey2.Letter);
}

PreferenceValues TFormPreferences::Shown() const {
  PreferenceValues p;
  p.AutoRun = cbRun_->isChecked();
  p.Minimized = cbMini_->isChecked();
  p.SecureErase = ChEraseSafe_->isChecked();
  if (rbWhenStart_->isChecked()) p.Schedule.Include(ScheduleOption::byStart);
  if (rbWhenShutDown_->isChecked()) p.Schedule.Include(ScheduleOption::byShutdown);
  if (rbEveryHour_->isChecked()) p.Schedule.Include(ScheduleOption::byEveryHour);
  p.Minutes = MinutesFromText(SpinEditMinuts_->text().toStdString());
  p.PromptBefore = chPromptBeforeDelete_->isChecked();
  p.WriteToLog = ChWritetolog_->isChecked();
  p.DeleteLogOnExit = ChDeleteonExit_->isChecked();
  p.HotKey1 = {cbControl_->currentIndex(), cbChar_->currentIndex()};
  p.HotKey2 = {cbControlNew_->currentIndex(), cbCharNew_->currentIndex()};
  return p;
}

std::unique_ptr<TFormPreferences> MakePreferencesDialog(QWidget* parent, MainSession& session,
                                                        SetHotKeysPort setHotKeys,
                                                        std::function<void()> timerChanged) {
  return std::make_unique<TFormPreferences>(parent, session, std::move(setHotKeys),
                                            std::move(timerChanged));
}

void ShowPreferencesDialog(QWidget* parent, MainSession& session, const SetHotKeysPort& setHotKeys,
                           std::function<void()> timerChanged) {
  MakePreferencesDialog(parent, session, setHotKeys, std::move(timerChanged))->exec();
}

}  // namespace vorlisk::dialogs
