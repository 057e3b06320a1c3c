#include "gui/dialogs/exclude_dialog.h"

#include <QBoxLayout>
#include <QLabel>

#include "gui/support/help.h"

namespace vorlisk::dialogs {

using window::OwnGlyph;

TFormExcludeFile::TFormExcludeFile(QWidget* parent, MainSession& session)
    : QDialog(parent), session_(session), core_(session) {
  setObjectName(QStringLiteral("TFormExcludeFile"));
  setWindowTitle(QStringLiteral("Select Files to Exclude"));

  auto* caption =
      new QLabel(QStringLiteral("Excludes the following files when Preview or Wash "), this);
  auto* listBox = new QListWidget(this);
  listBox->setObjectName(QStringLiteral("TextListBox1"));
  caption->setBuddy(listBox);
  list_ = std::make_unique<TextListView>(listBox, core_.List);

  auto* byWildcard =
      HintButton(this, "Button6", "Select Files Excluded by Wildcard", "folder-new", OwnGlyph::Add);
  auto* byName = HintButton(this, "Button3", "Select Files Excluded by Filename", "document-open",
                            OwnGlyph::Import);
  auto* up = HintButton(this, "btnUp", "Up a Item", "go-up", OwnGlyph::Up);
  auto* down = HintButton(this, "btnDown", "Down a Item", "go-down", OwnGlyph::Down);
  auto* remove = HintButton(this, "Button5", "Delete a Item", "list-remove", OwnGlyph::Delete);
  auto* clear =
      HintButton(this, "SpeedButton2", "Delete all Items", "edit-delete", OwnGlyph::DeleteLog);
  auto* apply = CaptionButton(this, "SpeedButton1", "A&pply");
  auto* cancel = CaptionButton(this, "SpeedButton3", "Can&cel");
  auto* help = CaptionButton(this, "SpeedButton4", "&Help");
  apply->setDefault(true);

  connect(byWildcard, &QToolButton::clicked, this, [this] {
    const auto& pick = session_.Ui().PickFolder;
    if (!pick) return;
    const auto choice = pick();
    if (!choice) return;
    // A folder with a "." or ".." level is refused with its reason.
    bool added = false;
    window::ShowingErrors(session_,
                          [&] { added = core_.AddByWildcard(choice->Folder, choice->Mask); });
    if (added) list_->Show();
  });
  connect(byName, &QToolButton::clicked, this, [this] {
    const auto& open = session_.Ui().OpenFiles;
    if (!open) return;
    FileChooser chooser;
    chooser.Title = "Select files by filename";
    chooser.Multiple = true;
    window::ShowingErrors(session_, [&] { core_.AddByFileNames(open(chooser)); });
    list_->Show();
  });
  connect(remove, &QToolButton::clicked, this, [this] {
    if (core_.List.DeleteSelected()) list_->Show();
  });
  list_->WireMoves(up, down, clear);
  connect(apply, &QPushButton::clicked, this, [this] {
    if (window::ShowingErrors(session_, [this] { core_.Apply(); })) accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [] { ShowHelpTopic(kExcludeHelpTopic); });

  auto* top = new QVBoxLayout(this);
  top->addLayout(Row({byWildcard, byName, up, down, remove, clear}, false));
  top->addWidget(caption);
  top->addWidget(listBox, 1);
  top->addLayout(Row({apply, cancel, help}, true));
  TabOrder({byWildcard, byName, up, down, remove, clear, listBox, apply, cancel, help});

  InstallHelpKey(this, kExcludeHelpTopic);
  resize(QSize(460, 340));
  SetUpDialogFrame(*this, true);
}

std::unique_ptr<TFormExcludeFile> MakeExcludeFilesDialog(QWidget* parent, MainSession& session) {
  return std::make_unique<TFormExcludeFile>(parent, session);
}

void ShowExcludeFilesDialog(QWidget* parent, MainSession& session) {
  MakeExcludeFilesDialog(parent, session)->exec();
}

}  // namespace vorlisk::dialogs
