#include "gui/window/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "app/catalogue_check.h"
#include "app/commands.h"
#include "app/scheduler.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/entry_dialogs.h"
#include "gui/dialogs/exclude_dialog.h"
#include "gui/dialogs/folder_picker.h"
#include "gui/dialogs/preferences_dialog.h"
#include "gui/dialogs/preview_dialogs.h"
#include "gui/support/help.h"
#include "gui/support/own_icons.h"
#include "gui/support/qt_port.h"
#include "platform/drives.h"

namespace vorlisk::window {

namespace {

constexpr int kWidth = 780;
constexpr int kHeight = 540;

// The members of `given` that are set, the window's own for the rest.
UiCallbacks Merge(UiCallbacks own, const UiCallbacks& given) {
  auto take = [](auto& mine, const auto& theirs) {
    if (theirs) mine = theirs;
  };
  take(own.Ask, given.Ask);
  take(own.Inform, given.Inform);
  take(own.ShowReport, given.ShowReport);
  take(own.Cursor, given.Cursor);
  take(own.ShowPreview, given.ShowPreview);
  take(own.ShowError, given.ShowError);
  take(own.Refuse, given.Refuse);
  take(own.TrayNote, given.TrayNote);
  take(own.Progress, given.Progress);
  take(own.OpenFiles, given.OpenFiles);
  take(own.SaveFile, given.SaveFile);
  take(own.PickFolder, given.PickFolder);
  take(own.EditItem, given.EditItem);
  take(own.EditFolderEntry, given.EditFolderEntry);
  take(own.EditRegistryEntry, given.EditRegistryEntry);
  take(own.OpenDocument, given.OpenDocument);
  return own;
}

QLabel* Caption(const char* text, QWidget* parent) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  return label;
}

// Draws a row whose model gives it a colour in that colour also while it is selected, where the
// style would take the palette's highlighted-text colour.
class ColouredRows final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant colour = index.data(Qt::ForegroundRole);
    if (colour.canConvert<QColor>())
      for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        option->palette.setColor(group, QPalette::HighlightedText, colour.value<QColor>());
  }
};

QFrame* Bevel(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::VLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

}  // namespace

WindowFit FitWindow(QSize wanted, QSize minimum, QSize available) {
  // Room for the title bar and the borders, which the window's own size leaves out.
  const QSize room = available - QSize(16, 48);
  WindowFit fit{.Size = wanted.boundedTo(room).expandedTo(minimum), .Why = {}};
  if (minimum.width() > room.width() || minimum.height() > room.height())
    fit.Why = "The screen has room for " + std::to_string(room.width()) + " x " +
              std::to_string(room.height()) + " points at its scale; the window needs " +
              std::to_string(minimum.width()) + " x " + std::to_string(minimum.height()) +
              ", so part of it lies outside the screen. A smaller scale or a larger screen shows "
              "all of it.";
  return fit;
}

TFormMainVorlisk::TFormMainVorlisk(const std::string& programFolder, UiCallbacks port,
                                   QWidget* parent)
    : QMainWindow(parent) {
  setObjectName(QStringLiteral("TFormMainVorlisk"));
  setWindowTitle(QStringLiteral("Vorlisk  V1.00 "));
  setWindowIcon(AppIcon());
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  UiCallbacks own = MakeQtPort(this);
  own.Progress = [this](const ProgressInfo& info) { ShowProgress(info); };
  own.ShowPreview = [this](PreviewDialog& dialog) {
    // The progress of the expansion ends when the dialog shows what it found.
    if (progress_) progress_->close();
    dialogs::ShowPreviewDialog(this, dialog);
  };
  own.PickFolder = [this] { return dialogs::PickFolderDialog(this, session_); };
  own.EditItem = [this](ItemDraft& d) { return dialogs::EditItemDialog(this, d); };
  own.EditFolderEntry = [this](FolderEntryDraft& d) {
    return dialogs::EditFolderEntryDialog(this, d, session_.Ui());
  };
  own.EditRegistryEntry = [this](RegistryEntryDraft& d) {
    return dialogs::EditRegistryEntryDialog(this, d);
  };
  dialogs::SetHelpHandler([this](int topic) { OpenHelpTopic(topic); });
  session_.Ui() = Merge(std::move(own), port);
  session_.AddObserver(this);
  BuildWidgets();
  BuildTray();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const WindowFit fit =
        FitWindow(QSize(kWidth, kHeight), minimumSizeHint(), screen->availableGeometry().size());
    setFixedSize(fit.Size);
    move(screen->availableGeometry().center() - rect().center());
    doesNotFit_ = fit.Why;
  } else {
    setFixedSize(kWidth, kHeight);
  }

  session_.Startup(programFolder);
  // A missing or damaged item file is told once, when the event loop runs.
  QTimer::singleShot(0, this, [this] {
    Guarded([&] {
      ReportMissingCatalogue(session_);
      ReportCatalogueDamage(session_);
    });
  });
  StartAutomation();
  if (session_.Settings().StartMinimized) setWindowState(Qt::WindowMinimized);
}

TFormMainVorlisk::~TFormMainVorlisk() {
  session_.RemoveObserver(this);
  // The window is going: an error can only be shown on its own.
  ShowingErrors([](const std::string& message) { ShowErrorBox(nullptr, message); },
                [this] {
                  if (!closed_) session_.Close();
                  session_.Destroy();
                });
}

// ---- widgets ---------------------------------------------------------------------------------

QToolButton* TFormMainVorlisk::MakeButton(Control control, const char* themeIcon, int glyph) {
  auto* button = new QToolButton(this);
  const QString name = QString::fromLatin1(ControlName(control).data(),
                                           static_cast<qsizetype>(ControlName(control).size()));
  const QString hint = QString::fromLatin1(ControlHint(control).data(),
                                           static_cast<qsizetype>(ControlHint(control).size()));
  button->setObjectName(name);
  button->setToolTip(hint);
  button->setAccessibleName(hint);
  button->setIcon(ThemedIcon(themeIcon, static_cast<OwnGlyph>(glyph)));
  button->setIconSize(QSize(24, 24));
  button->setAutoRaise(true);
  connect(button, &QToolButton::clicked, this, [this, control] { Click(control); });
  buttons_[static_cast<std::size_t>(control)] = button;
  return button;
}

QListView* TFormMainVorlisk::MakeList(const char* name, SessionList list) {
  auto* view = new QListView(this);
  view->setObjectName(QString::fromLatin1(name));
  view->setUniformItemSizes(true);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  CheckListModel::CheckFunction check = [this, list](int32_t row, bool checked) {
    Guarded([&] {
      if (session_.RunInProgress()) return;
      switch (list) {
        case SessionList::Items:
          session_.CheckItem(row, checked);
          break;
        case SessionList::Folders:
          session_.CheckFolderEntry(row, checked);
          break;
        case SessionList::Registers:
          session_.CheckRegistryEntry(row, checked);
          break;
      }
    });
  };
  auto* model = new CheckListModel(session_.List(list), std::move(check), view);
  if (list == SessionList::Items)
    model->SetColour([this](int32_t row) -> std::optional<QColor> {
      // A special item is red, selected or not.
      if (row < session_.Items().Count() &&
          session_.Items().Items[static_cast<std::size_t>(row)].IsSpecial)
        return QColor(255, 0, 0);
      return std::nullopt;
    });
  view->setModel(model);
  view->setItemDelegate(new ColouredRows(view));
  const auto i = static_cast<std::size_t>(list);
  views_[i] = view;
  models_[i] = model;
  connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this, list](const QModelIndex& current) {
            if (syncing_ || !current.isValid()) return;
            Guarded([&] {
              // The core owns the selection: while a run is in progress it does not change.
              if (session_.RunInProgress()) {
                SelectionChanged(list, session_.List(list).Selected());
                return;
              }
              if (list == SessionList::Items) {
                session_.SelectItem(current.row());
              } else {
                const_cast<CheckList&>(session_.List(list)).Select(current.row());
                session_.Publish();
              }
            });
          });
  return view;
}

void TFormMainVorlisk::BuildWidgets() {
  auto* toolbar = new QToolBar(this);
  toolbar->setObjectName(QStringLiteral("ToolBar1"));
  toolbar->setMovable(false);
  toolbar->setFloatable(false);
  toolbar->setIconSize(QSize(28, 28));
  toolbar->toggleViewAction()->setVisible(false);
  addToolBar(toolbar);
  const std::vector<std::vector<std::tuple<Control, const char*, OwnGlyph>>> groups = {
      {{Control::btnsetting, "preferences-system", OwnGlyph::Settings},
       {Control::btnExclude, "edit-find-replace", OwnGlyph::Exclude}},
      {{Control::btnViewLog, "text-html", OwnGlyph::Log},
       {Control::btnDeleteLog, "edit-delete", OwnGlyph::DeleteLog}},
      {{Control::SpeedButton7, "document-open", OwnGlyph::Import},
       {Control::btnSavePlugin, "document-save-as", OwnGlyph::Export}},
      {{Control::SpeedButton3, "help-about", OwnGlyph::About},
       {Control::SpeedButton2, "help-contents", OwnGlyph::Help}},
      {{Control::btnMainPreview, "document-print-preview", OwnGlyph::Preview},
       {Control::btnWashAll, "edit-clear-all", OwnGlyph::Wash}},
      {{Control::SpeedButton17, "application-exit", OwnGlyph::Exit}}};
  for (std::size_t g = 0; g < groups.size(); ++g) {
    if (g > 0) toolbar->addWidget(Bevel(toolbar));
    for (const auto& [control, theme, glyph] : groups[g])
      toolbar->addWidget(MakeButton(control, theme, static_cast<int>(glyph)));
  }

  auto* central = new QWidget(this);
  auto* panes = new QHBoxLayout;
  // A list with its label above and its buttons in a column to its right.
  auto pane = [this](const char* label, QListView* list,
                     std::vector<std::tuple<Control, const char*, OwnGlyph>> buttons) {
    auto* box = new QVBoxLayout;
    box->addWidget(Caption(label, this));
    auto* row = new QHBoxLayout;
    row->addWidget(list, 1);
    auto* column = new QVBoxLayout;
    column->setSpacing(
        0);  // the buttons' own margins part them: the window fits a screen at scale 2
    for (const auto& [control, theme, glyph] : buttons)
      column->addWidget(MakeButton(control, theme, static_cast<int>(glyph)));
    column->addStretch(1);
    row->addLayout(column);
    box->addLayout(row, 1);
    return box;
  };
  panes->addLayout(
      pane("Wash Item", MakeList("ChListBoxItem", SessionList::Items),
           {{Control::btnPreviewCurrentItem, "document-print-preview", OwnGlyph::Preview},
            {Control::btnWashSingle, "edit-clear", OwnGlyph::Wash},
            {Control::SpNew, "list-add", OwnGlyph::Add},
            {Control::SpEdit, "document-properties", OwnGlyph::Edit},
            {Control::SpDelete, "list-remove", OwnGlyph::Delete},
            {Control::btnUp, "go-up", OwnGlyph::Up},
            {Control::btnDown, "go-down", OwnGlyph::Down},
            {Control::btnSelectall, "edit-select-all", OwnGlyph::CheckAll},
            {Control::btnUnselectAll, "edit-select-none", OwnGlyph::UncheckAll}}),
      2);
  auto* right = new QVBoxLayout;
  right->addLayout(
      pane("Clean Folder/File of Current Wash Item",
           MakeList("ChListBoxFolder", SessionList::Folders),
           {{Control::btnPreviewCurrentFolder, "document-print-preview", OwnGlyph::Preview},
            {Control::btnWashFolder, "edit-clear", OwnGlyph::Wash},
            {Control::btnaddfolder, "folder-new", OwnGlyph::Add},
            {Control::btnEditFolder, "document-properties", OwnGlyph::Edit},
            {Control::btndeletefolder, "list-remove", OwnGlyph::Delete}}),
      1);
  right->addLayout(
      pane("Clean Registry Entry of Current Wash Item",
           MakeList("ChListBoxRegister", SessionList::Registers),
           {{Control::btnPreviewCurrentRegister, "document-print-preview", OwnGlyph::Preview},
            {Control::btnWashRegister, "edit-clear", OwnGlyph::Wash},
            {Control::btnAddRegsiterChild, "list-add", OwnGlyph::Add},
            {Control::btnEditRegsiterChild, "document-properties", OwnGlyph::Edit},
            {Control::btndeleteregister, "list-remove", OwnGlyph::Delete}}),
      1);
  panes->addLayout(right, 3);

  // The bottom bar: "Clean Files" and "Clean Registry", each with its two counters.
  auto* bottom = new QHBoxLayout;
  const std::array<const char*, 4> names = {"LabFolderSuccess", "LabFolderFails", "LabelSuccess",
                                            "LabelFails"};
  for (std::size_t i = 0; i < 4; ++i) {
    if (i % 2 == 0) {
      if (i > 0) bottom->addWidget(Bevel(central));
      bottom->addWidget(Caption(i == 0 ? "Clean Files" : "Clean Registry", central));
    }
    bottom->addWidget(
        new QLabel(i % 2 == 0 ? QStringLiteral("Success:") : QStringLiteral("Fails:"), central));
    counters_[i] = new QLabel(central);
    counters_[i]->setObjectName(QString::fromLatin1(names[i]));
    counters_[i]->setMinimumWidth(48);
    bottom->addWidget(counters_[i]);
  }
  cancelled_ = new QLabel(central);
  cancelled_->setObjectName(QStringLiteral("LabCancelled"));
  bottom->addWidget(Bevel(central));
  bottom->addWidget(cancelled_);
  bottom->addStretch(1);

  auto* layout = new QVBoxLayout(central);
  layout->addLayout(panes, 1);
  auto* line = new QFrame(central);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  layout->addWidget(line);
  layout->addLayout(bottom);
  setCentralWidget(central);
}

void TFormMainVorlisk::BuildTray() {
  trayMenu_ = new QMenu(this);
  trayMenu_->setObjectName(QStringLiteral("PopupMenu1"));
  connect(trayMenu_->addAction(QStringLiteral("Open &Main Window")), &QAction::triggered, this,
          [this] { RestoreWindow(); });
  trayMenu_->addSeparator();
  washMenu_ = trayMenu_->addMenu(QStringLiteral("&Wash"));
  washMenu_->setObjectName(QStringLiteral("MenuWash"));
  trayMenu_->addSeparator();
  connect(trayMenu_->addAction(QStringLiteral("&Help          F1")), &QAction::triggered, this,
          [this] { OpenHelpTopic(58); });
  connect(trayMenu_->addAction(QStringLiteral("E&xit")), &QAction::triggered, this,
          [this] { close(); });
  tray_ = new QSystemTrayIcon(windowIcon(), this);
  tray_->setObjectName(QStringLiteral("RxTrayIcon1"));
  tray_->setToolTip(QStringLiteral("Vorlisk"));
  tray_->setContextMenu(trayMenu_);
  connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
    if (r != QSystemTrayIcon::Context) RestoreWindow();
  });
  if (QSystemTrayIcon::isSystemTrayAvailable()) tray_->show();
}

// ---- commands --------------------------------------------------------------------------------

void TFormMainVorlisk::Guarded(const std::function<void()>& f) {
  // Every command is one run as far as its progress goes: its clock starts at its first report.
  // One reached while a run is in progress (its progress dialog lets events through) leaves that
  // run's clock and dialog alone: closing the dialog would cancel the run.
  const bool withinRun = session_.RunInProgress();
  if (!withinRun) runTimer_.invalidate();
  ShowingErrors(
      [this, withinRun](const std::string& message) {
        if (progress_ && !withinRun) progress_->close();
        if (session_.Ui().ShowError) session_.Ui().ShowError(message);
      },
      f);
  if (progress_ && !withinRun) progress_->close();
}

void TFormMainVorlisk::Click(Control control) {
  Guarded([&] {
    if (RunCommand(session_, control)) return;
    switch (control) {
      case Control::btnsetting:
        dialogs::ShowPreferencesDialog(this, session_, HotKeysPort(), [this] { UpdateTimer(); });
        break;
      case Control::btnExclude:
        dialogs::ShowExcludeFilesDialog(this, session_);
        break;
      case Control::SpeedButton3:
        ShowAboutBox();
        break;
      case Control::SpeedButton17:
        close();
        break;
      default:
        break;
    }
  });
}

void TFormMainVorlisk::ShowAboutBox() { dialogs::ShowAboutDialog(this); }

void TFormMainVorlisk::RestoreWindow() {
  show();
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  raise();
  activateWindow();
}

void TFormMainVorlisk::OpenHelpTopic(int topic) {
  Guarded([&] { OpenHelp(session_, topic); });
}

void TFormMainVorlisk::ShowProgress(const ProgressInfo& info) {
  // A run that ends within about a second shows no dialog; a longer one shows what it is doing
  // and can be cancelled, while the window keeps repainting.
  if (!runTimer_.isValid()) runTimer_.start();
  if (!progress_ && runTimer_.elapsed() < 1000) return;
  if (!progress_) {
    progress_ =
        new QProgressDialog(QStringLiteral("Working..."), QStringLiteral("Cancel"), 0, 0, this);
    progress_->setObjectName(QStringLiteral("ProgressDialog"));
    progress_->setWindowTitle(QStringLiteral("Vorlisk"));
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumDuration(0);
    progress_->setAttribute(Qt::WA_DeleteOnClose);
    connect(progress_, &QProgressDialog::canceled, this, [this] { session_.CancelRun(); });
    progress_->show();
  }
  progress_->setMaximum(info.Total > 0 ? static_cast<int>(std::min<int64_t>(info.Total, INT32_MAX))
                                       : 0);
  progress_->setValue(static_cast<int>(std::min<int64_t>(info.Done, INT32_MAX)));
  progress_->setLabelText(
      QString::number(info.Done) + QStringLiteral(" lines\n") +
      fontMetrics().elidedText(QString::fromStdString(info.Current), Qt::ElideMiddle, 420));
  QApplication::processEvents();
}

// ---- notifications ---------------------------------------------------------------------------

void TFormMainVorlisk::RowsReset(SessionList list) {
  models_[static_cast<std::size_t>(list)]->Reset();
}
void TFormMainVorlisk::RowsChanged(SessionList list, int32_t first, int32_t last) {
  models_[static_cast<std::size_t>(list)]->Changed(first, last);
}
void TFormMainVorlisk::RowsInserted(SessionList list, int32_t first, int32_t last) {
  models_[static_cast<std::size_t>(list)]->Inserted(first, last);
}
void TFormMainVorlisk::RowsRemoved(SessionList list, int32_t first, int32_t last) {
  models_[static_cast<std::size_t>(list)]->Removed(first, last);
}
void TFormMainVorlisk::RowMoved(SessionList list, int32_t from, int32_t to) {
  models_[static_cast<std::size_t>(list)]->Moved(from, to);
}

void TFormMainVorlisk::SelectionChanged(SessionList list, int32_t row) {
  QListView* view = views_[static_cast<std::size_t>(list)];
  syncing_ = true;
  if (row < 0) {
    view->selectionModel()->clearCurrentIndex();
    view->clearSelection();
  } else {
    const QModelIndex index = view->model()->index(row, 0);
    view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    view->scrollTo(index);
  }
  syncing_ = false;
}

void TFormMainVorlisk::RefreshEnabled(Control control) {
  if (QToolButton* b = Button(control)) b->setEnabled(session_.IsEnabled(control));
}

void TFormMainVorlisk::EnabledChanged(Control control, bool) { RefreshEnabled(control); }

void TFormMainVorlisk::CountersChanged() {
  const auto show = [](QLabel* label, const std::optional<WashCounts>& counts, bool fails) {
    label->setText(counts ? QString::number(fails ? counts->Fails : counts->Success) : QString());
  };
  show(counters_[0], session_.Counters().Files, false);
  show(counters_[1], session_.Counters().Files, true);
  show(counters_[2], session_.Counters().Registry, false);
  show(counters_[3], session_.Counters().Registry, true);
  cancelled_->setText(session_.Counters().Cancelled ? QStringLiteral("Cancelled") : QString());
}

void TFormMainVorlisk::TrayMenuChanged() {
  washMenu_->clear();
  for (const TrayMenuEntry& entry : session_.MenuWash()) {
    if (entry.Separator) {
      washMenu_->addSeparator();
      continue;
    }
    // A very long name is shortened in its middle; "&" in a name is shown, not taken as an
    // accelerator.
    QAction* action =
        washMenu_->addAction(Elided(QString::fromStdString(entry.Caption), kLongestWord)
                                 .replace(QLatin1Char('&'), QStringLiteral("&&")));
    action->setCheckable(entry.Tag >= 100);
    action->setChecked(entry.Checked);
    action->setEnabled(entry.Enabled);
    const int32_t tag = entry.Tag;
    connect(action, &QAction::triggered, this,
            [this, tag] { Guarded([&] { session_.MenuWashClick(tag); }); });
  }
}

// ---- window events ---------------------------------------------------------------------------

void TFormMainVorlisk::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !isMinimized()) return;
  // The start-up minimize leaves the taskbar button; a later one leaves only the tray icon, where
  // there is a notification area to come back from.
  if (session_.Settings().StartMinimized) {
    SettingsState settings = session_.Settings();
    settings.StartMinimized = false;  // one start only
    session_.SetSettings(settings);
    return;
  }
  if (tray_->isVisible()) QTimer::singleShot(0, this, [this] { hide(); });
}

bool TFormMainVorlisk::event(QEvent* event) {
  // A minimized start is activated first when the user opens the window (a window system may
  // have made it active while minimized).
  const bool activation = event->type() == QEvent::WindowActivate ||
                          (event->type() == QEvent::WindowStateChange && isActiveWindow());
  // Shown again: what another process changed in the program's files meanwhile is shown. Not
  // while a run is in progress (its progress dialog takes and gives back the activation): the run
  // holds the program's files, and a refresh that failed would end the run as a cancel.
  if (event->type() == QEvent::WindowActivate) Guarded([&] { session_.RefreshFromDisk(); });
  if (activation && !activated_ && !isMinimized()) {
    activated_ = true;
    QTimer::singleShot(0, this, [this] { Guarded([&] { AtStartWash(session_); }); });
  }
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
    OpenHelpTopic(58);
    return true;
  }
  return QMainWindow::event(event);
}

void TFormMainVorlisk::closeEvent(QCloseEvent* event) {
  if (session_.RunInProgress()) {
    // A run in progress is cancelled first; the window closes once it has ended.
    session_.CancelRun();
    event->ignore();
    QTimer::singleShot(100, this, [this] { close(); });
    return;
  }
  if (!closed_) {
    closed_ = true;
    timer1_->stop();
    hotKeys_->UnregisterAll();
    Guarded([&] { session_.Close(); });
  }
  tray_->hide();
  event->accept();
  // Closing the main window ends the program (hiding it to the notification area does not).
  QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

}  // namespace vorlisk::window
