#include "gui/dialogs/folder_picker.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QMessageBox>
#include <QTreeView>

#include "app/settings.h"
#include "gui/dialogs/list_dialog_parts.h"
#include "gui/dialogs/wildcard_dialog.h"
#include "gui/support/help.h"
#include "platform/drives.h"

namespace vorlisk::dialogs {

TFormselectbyfilter::TFormselectbyfilter(QWidget* parent, MainSession& session)
    : QDialog(parent), session_(session) {
  setObjectName(QStringLiteral("TFormselectbyfilter"));
  setWindowTitle(QStringLiteral("Select files by wildcard"));

  model_ = new QFileSystemModel(this);
  // Dot-folders too: on Linux the caches and settings that items name live in them (.cache,
  // .config, .local).
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives | QDir::Hidden);
  model_->setRootPath(QDir::rootPath());
  tree_ = new QTreeView(this);
  tree_->setObjectName(QStringLiteral("ShellTree1"));
  tree_->setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column) tree_->hideColumn(column);
  tree_->setHeaderHidden(true);
  tree_->setRootIsDecorated(false);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  // The selection stays visible without the focus.
  QPalette p = tree_->palette();
  p.setColor(QPalette::Inactive, QPalette::Highlight,
             p.color(QPalette::Active, QPalette::Highlight));
  p.setColor(QPalette::Inactive, QPalette::HighlightedText,
             p.color(QPalette::Active, QPalette::HighlightedText));
  tree_->setPalette(p);

  auto* folderCaption = new QLabel(QStringLiteral("Folder selected:"), this);
  labFolder_ = new QLabel(this);
  labFolder_->setObjectName(QStringLiteral("labFolder"));
  labFolder_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* maskCaption = new QLabel(QStringLiteral("Wildcard:"), this);
  combo_ = new QComboBox(this);
  combo_->setObjectName(QStringLiteral("ComboBox1"));
  combo_->setEditable(true);
  combo_->setInsertPolicy(QComboBox::NoInsert);
  maskCaption->setBuddy(combo_);
  auto* edit = HintButton(this, "SpeedButton1", "Edit Wildcard", "document-properties",
                          window::OwnGlyph::Edit);
  auto* ok = CaptionButton(this, "Button1", "&Ok");
  auto* cancel = CaptionButton(this, "Button2", "Can&cel");
  ok->setDefault(true);

  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { ShowSelectedFolder(); });
  // The folders load in the background: the selected one is kept in view while those above it
  // fill in.
  connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
    const QString selected = model_->filePath(tree_->currentIndex());
    if (selected.startsWith(loaded))
      tree_->scrollTo(tree_->currentIndex(), QAbstractItemView::PositionAtCenter);
  });
  connect(edit, &QToolButton::clicked, this, [this] {
    if (ShowWildcardDialog(this, session_)) {
      LoadWildcards();
      ShowSelectedFolder();
    }
  });
  connect(ok, &QPushButton::clicked, this, [this] {
    if (labFolder_->text().trimmed().isEmpty()) {
      QMessageBox::warning(this, QStringLiteral("Vorlisk"), QString::fromLatin1(kSelectAFolder),
                           QMessageBox::Ok);
      return;
    }
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* folderLine = Row({folderCaption, labFolder_}, false);
  folderLine->setStretchFactor(labFolder_, 1);
  auto* maskLine = Row({maskCaption, combo_, edit}, false);
  maskLine->setStretchFactor(combo_, 1);
  auto* top = new QVBoxLayout(this);
  top->addLayout(folderLine);
  top->addWidget(tree_, 1);
  top->addLayout(maskLine);
  top->addLayout(Row({ok, cancel}, true));
  TabOrder({tree_, combo_, edit, ok, cancel});

  LoadWildcards();
  SelectHostFolder(QDir::homePath());
  InstallHelpKey(this, kFolderPickerHelpTopic);
  resize(QSize(420, 440));
  SetUpDialogFrame(*this, true);
}

void TFormselectbyfilter::LoadWildcards() {
  combo_->clear();
  for (const std::string& mask : SettingsFile(session_.ProgramFolder()).ReadWildcardList())
    combo_->addItem(QString::fromStdString(mask));
  if (combo_->count() == 0)
    combo_->setEditText(QStringLiteral("*.*"));
  else
    combo_->setCurrentIndex(0);
}

void TFormselectbyfilter::SelectHostFolder(const QString& hostFolder) {
  const QModelIndex index = model_->index(hostFolder);
  tree_->setCurrentIndex(index);
  if (index.isValid()) {
    tree_->expand(index);
    tree_->scrollTo(index, QAbstractItemView::PositionAtCenter);
  }
  ShowSelectedFolder();
}

void TFormselectbyfilter::ShowSelectedFolder() {
  const QModelIndex index = tree_->currentIndex();
  QString shown;
  if (index.isValid() && model_->isDir(index)) {
    if (auto windows = platform::ToWindowsPath(model_->filePath(index).toStdString()))
      shown = QString::fromStdString(*windows);
  }
  labFolder_->setText(shown);
}

FolderChoice TFormselectbyfilter::Choice() const {
  return {labFolder_->text().toStdString(), combo_->currentText().toStdString()};
}

std::unique_ptr<TFormselectbyfilter> MakeFolderPicker(QWidget* parent, MainSession& session) {
  return std::make_unique<TFormselectbyfilter>(parent, session);
}

std::optional<FolderChoice> PickFolderDialog(QWidget* parent, MainSession& session) {
  auto picker = MakeFolderPicker(parent, session);
  if (picker->exec() != QDialog::Accepted) return std::nullopt;
  return picker->Choice();
}

}  // namespace vorlisk::dialogs
