#include "gui/dialogs/entry_dialogs.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <functional>
#include <initializer_list>
#include <utility>

#include "app/item_editing.h"
#include "app/list_editing.h"
#include "gui/dialogs/registry_viewer.h"
#include "gui/support/help.h"

namespace vorlisk::dialogs {

namespace {

template <class W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QLineEdit* Field(QWidget* parent, const char* name, const std::string& text) {
  auto* field = Named(new QLineEdit(QString::fromStdString(text), parent), name);
  field->setMinimumWidth(300);
  field->setCursorPosition(0);  // a long path shows its beginning
  return field;
}

std::string Text(const QLineEdit* field) { return field->text().toStdString(); }

QCheckBox* Check(QWidget* parent, const char* name, const char* caption, bool checked) {
  auto* box = Named(new QCheckBox(QString::fromLatin1(caption), parent), name);
  box->setChecked(checked);
  return box;
}

QRadioButton* Radio(QWidget* parent, const char* name, const char* caption) {
  return Named(new QRadioButton(QString::fromLatin1(caption), parent), name);
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
  auto* button = Named(new QPushButton(QString::fromLatin1(caption), parent), name);
  button->setAutoDefault(false);
  return button;
}

// A flat button with an icon only: its hint is its caption.
QToolButton* ImageButton(QWidget* parent, const char* name, const char* hint, const char* theme,
                         QStyle::StandardPixmap fallback) {
  auto* button = Named(new QToolButton(parent), name);
  button->setToolTip(QString::fromLatin1(hint));
  button->setAccessibleName(QString::fromLatin1(hint));
  button->setAutoRaise(true);
  button->setIcon(
      QIcon::fromTheme(QString::fromLatin1(theme), parent->style()->standardIcon(fallback)));
  button->setIconSize(QSize(18, 18));
  return button;
}

QToolButton* OpenRegistryButton(QWidget* parent, QLineEdit* keyField) {
  auto* button = ImageButton(parent, "SpeedButton3", "Open Registry", "preferences-system",
                             QStyle::SP_ComputerIcon);
  // On Windows this starts the system's registry editor, which the dialog does not wait for and
  // reads nothing back from. Here the program's own registry store is shown, read-only, in a
  // window that can put a key's path into the key field.
  QObject::connect(button, &QToolButton::clicked, parent, [parent, keyField] {
    ShowRegistryViewer(parent, [keyField](const std::string& keyPath) {
      keyField->setText(QString::fromStdString(keyPath));
    });
  });
  return button;
}

// The row of buttons at the bottom: Help (if any) on the left, Save and Cancel on the right. Save
// is the default button (Enter); Cancel, Escape and the close box reject.
QHBoxLayout* ButtonRow(QDialog* dialog, QPushButton* help, QPushButton* save, QPushButton* cancel) {
  auto* row = new QHBoxLayout;
  if (help) {
    row->addWidget(help);
    QObject::connect(help, &QPushButton::clicked, dialog, [] { ShowHelpTopic(kEntryHelpTopic); });
  }
  row->addStretch(1);
  row->addWidget(save);
  row->addWidget(cancel);
  save->setDefault(true);
  QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
  return row;
}

// Save: the typed values, if the core accepts them, go into the draft and the dialog closes with
// OK; otherwise nothing happens.
template <class Draft>
void ConnectSave(QDialog* dialog, QPushButton* save, Draft& draft, std::function<Draft()> typed) {
  QObject::connect(save, &QPushButton::clicked, dialog, [dialog, &draft, typed = std::move(typed)] {
    Draft values = typed();
    values.Caption = draft.Caption;
    if (!CanSave(values)) return;
    draft = std::move(values);
    dialog->accept();
  });
}

std::unique_ptr<QDialog> NewDialog(QWidget* parent, const char* name, const std::string& caption,
                                   const char* resourceCaption) {
  auto dialog = std::make_unique<QDialog>(parent);
  dialog->setObjectName(QString::fromLatin1(name));
  dialog->setWindowTitle(caption.empty() ? QString::fromLatin1(resourceCaption)
                                         : QString::fromStdString(caption));
  return dialog;
}

// Tab order top to bottom, F1, the fixed centred frame; the first field has the focus.
void Finish(QDialog& dialog, std::initializer_list<QWidget*> tabOrder) {
  QWidget* previous = nullptr;
  for (QWidget* w : tabOrder) {
    if (previous) QWidget::setTabOrder(previous, w);
    previous = w;
  }
  (*tabOrder.begin())->setFocus();
  InstallHelpKey(&dialog, kEntryHelpTopic);
  dialog.resize(dialog.sizeHint());
  SetUpDialogFrame(dialog, true);
}

// Selects the radio button of a kind; the first of the group for a kind it does not know.
template <class Kind>
void SelectKind(QButtonGroup* group, Kind kind) {
  QAbstractButton* button = group->button(static_cast<int>(kind));
  (button ? button : group->buttons().constFirst())->setChecked(true);
}

// The name field under its label with "Active" beside it.
void NameRow(QGridLayout* grid, QWidget* parent, const char* label, QLineEdit* name,
             QCheckBox* active) {
  grid->addWidget(new QLabel(QString::fromLatin1(label), parent), 0, 0, 1, 3);
  grid->addWidget(name, 1, 0, 1, 2);
  grid->addWidget(active, 1, 2);
}

}  // namespace

std::unique_ptr<QDialog> MakeItemDialog(QWidget* parent, ItemDraft& draft) {
  auto dialog = NewDialog(parent, "TFormAddEditItem", draft.Caption, "Add or Edit Item");
  QDialog* d = dialog.get();
  auto* name = Field(d, "Edititemname", draft.Name);
  auto* active = Check(d, "Chisactive", "Active", draft.Active);
  auto* store = Field(d, "LabelStore", draft.StoredIn);
  store->setReadOnly(true);
  store->setToolTip(QStringLiteral("This content can not be modify"));
  auto* save = Button(d, "btnSave", "&Save");
  auto* cancel = Button(d, "btncancel", "Can&cel");

  auto* top = new QVBoxLayout(d);
  top->addWidget(new QLabel(QStringLiteral("Wash Item Name"), d));
  top->addWidget(name);
  top->addWidget(active);
  top->addSpacing(6);
  top->addWidget(new QLabel(QStringLiteral("Stored in File:"), d));
  top->addWidget(store);
  top->addSpacing(6);
  top->addLayout(ButtonRow(d, nullptr, save, cancel));

  // The item's name goes back as typed: the main window's workflow keeps its blanks.
  ConnectSave<ItemDraft>(d, save, draft, [=] {
    return ItemDraft{"", Text(name), active->isChecked(), Text(store)};
  });
  Finish(*d, {name, active, store, save, cancel});
  return dialog;
}

std::unique_ptr<QDialog> MakeFolderEntryDialog(QWidget* parent, FolderEntryDraft& draft,
                                               const UiCallbacks& port) {
  auto dialog = NewDialog(parent, "TFormFolder", draft.Caption, "Add Edit Folder");
  QDialog* d = dialog.get();
  auto* name = Field(d, "EditItemName", draft.Name);
  auto* active = Check(d, "Chisactive", "Active", draft.Active);
  auto* rbSingle = Radio(d, "rbSingle", "Clean single file");
  auto* single = Field(d, "EditSingle", draft.DeleteFileName);
  auto* selectFile = ImageButton(d, "btnSelectFile", "Select Files by Filename", "document-open",
                                 QStyle::SP_DialogOpenButton);
  auto* rbFolder = Radio(d, "rbFolder", "Clean files matched  in folder ");
  auto* folder = Field(d, "EditFolder", draft.DeletePath);
  auto* addWildcard = ImageButton(d, "btnAddWildcard", "Select Files by Wildcard", "folder-open",
                                  QStyle::SP_DirOpenIcon);
  auto* rbRegister =
      Radio(d, "rbRegister", "Clean all files in the folder depended on registry key");
  auto* key = Field(d, "EditRegister", draft.RegisterName);
  auto* openRegistry = OpenRegistryButton(d, key);
  auto* value = Field(d, "EditRegisterValue", draft.RegisterValueofName);
  auto* subfolders = Check(d, "Chincludesubfolder", "Include Subfolder", draft.IncludeSubfolders);
  auto* emptied =
      Check(d, "ChRemoveEmptied", "Remove folders the wash empties", draft.RemoveEmptiedFolders);
  auto* help = Button(d, "SpeedButton4", "&Help");
  auto* save = Button(d, "SpeedButton1", "S&ave");
  auto* cancel = Button(d, "SpeedButton2", "Can&cel");

  // One group: exactly one kind is selected. Every field stays editable and keeps its text
  // whatever the kind, so that a change of kind brings an earlier path back into use.
  auto* kinds = new QButtonGroup(d);
  kinds->addButton(rbRegister, static_cast<int>(FolderKind::RegistryFolder));
  kinds->addButton(rbFolder, static_cast<int>(FolderKind::FolderMask));
  kinds->addButton(rbSingle, static_cast<int>(FolderKind::SingleFile));
  SelectKind(kinds, draft.Kind);

  // Choosing a file or a folder fills its field without changing the kind.
  QObject::connect(selectFile, &QToolButton::clicked, d, [single, open = port.OpenFiles] {
    if (!open) return;
    const std::vector<std::string> files = open(FileChooser{});
    if (!files.empty()) single->setText(QString::fromStdString(files.front()));
  });
  QObject::connect(addWildcard, &QToolButton::clicked, d, [folder, pick = port.PickFolder] {
    if (!pick) return;
    if (const auto choice = pick())
      folder->setText(QString::fromStdString(FolderAndMask(choice->Folder, choice->Mask)));
  });

  auto* grid = new QGridLayout;
  NameRow(grid, d, "Clean Folder/File Item name", name, active);
  grid->addWidget(rbSingle, 2, 0);
  grid->addWidget(single, 2, 1);
  grid->addWidget(selectFile, 2, 2, Qt::AlignLeft);
  grid->addWidget(rbFolder, 3, 0);
  grid->addWidget(folder, 3, 1);
  grid->addWidget(addWildcard, 3, 2, Qt::AlignLeft);
  grid->addWidget(rbRegister, 4, 0, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("Key Name"), d), 5, 0, Qt::AlignRight);
  grid->addWidget(key, 5, 1);
  grid->addWidget(openRegistry, 5, 2, Qt::AlignLeft);
  grid->addWidget(new QLabel(QStringLiteral("Value Name"), d), 6, 0, Qt::AlignRight);
  grid->addWidget(value, 6, 1);
  grid->addWidget(subfolders, 7, 0, 1, 3);
  grid->addWidget(emptied, 8, 0, 1, 3);
  grid->setRowMinimumHeight(2, 28);
  auto* top = new QVBoxLayout(d);
  top->addLayout(grid);
  top->addSpacing(6);
  top->addLayout(ButtonRow(d, help, save, cancel));

  ConnectSave<FolderEntryDraft>(d, save, draft, [=] {
    return FolderEntryDraft{.Caption = "",
                            .Name = Text(name),
                            .Active = active->isChecked(),
                            .Kind = static_cast<FolderKind>(kinds->checkedId()),
                            .RegisterName = Text(key),
                            .RegisterValueofName = Text(value),
                            .DeletePath = Text(folder),
                            .DeleteFileName = Text(single),
                            .IncludeSubfolders = subfolders->isChecked(),
                            .RemoveEmptiedFolders = emptied->isChecked()};
  });
  Finish(*d, {name, active, rbSingle, single, selectFile, rbFolder, folder, addWildcard, rbRegister,
              key, openRegistry, value, subfolders, emptied, help, save, cancel});
  return dialog;
}

std::unique_ptr<QDialog> MakeRegistryEntryDialog(QWidget* parent, RegistryEntryDraft& draft) {
  auto dialog = NewDialog(parent, "TFormRegister", draft.Caption, "Add Edit Register");
  QDialog* d = dialog.get();
  auto* name = Field(d, "EditItemName", draft.Name);
  auto* active = Check(d, "Chisactive", "Active", draft.Active);
  auto* key = Field(d, "EditKeyName", draft.RegisterKeyName);
  auto* openRegistry = OpenRegistryButton(d, key);
  auto* rbSingle = Radio(d, "rbdeleteSingleValue", "Clean single value of the key ");
  auto* value = Field(d, "EditSingleRegisterValue", draft.RegisterSingleValue);
  value->setMinimumWidth(160);
  key->setMinimumWidth(400);
  auto* rbValues = Radio(d, "rbDeleteValue", "Clean all the value of the registry key");
  auto* rbKey = Radio(d, "rbdeleteKey", "Clean the whole registry key ( Include subkey )");
  auto* help = Button(d, "SpeedButton1", "&Help");
  auto* save = Button(d, "btnSave", "&Save");
  auto* cancel = Button(d, "btnCancel", "Can&cel");

  auto* types = new QButtonGroup(d);
  types->addButton(rbKey, static_cast<int>(CleanRegisterType::WholeKey));
  types->addButton(rbValues, static_cast<int>(CleanRegisterType::AllValues));
  types->addButton(rbSingle, static_cast<int>(CleanRegisterType::SingleValue));
  SelectKind(types, draft.CleanType);

  auto* grid = new QGridLayout;
  NameRow(grid, d, "Clean Regitry Entry Item Name", name, active);
  grid->addWidget(new QLabel(QStringLiteral("Registry Key Name"), d), 2, 0, 1, 3);
  grid->addWidget(key, 3, 0, 1, 2);
  grid->addWidget(openRegistry, 3, 2, Qt::AlignLeft);
  auto* valueRow = new QHBoxLayout;
  valueRow->addWidget(rbSingle);
  valueRow->addWidget(new QLabel(QStringLiteral("Value Name"), d));
  valueRow->addWidget(value, 1);
  grid->addLayout(valueRow, 4, 0, 1, 3);
  grid->addWidget(rbValues, 5, 0, 1, 3);
  grid->addWidget(rbKey, 6, 0, 1, 3);
  auto* top = new QVBoxLayout(d);
  top->addLayout(grid);
  top->addSpacing(6);
  top->addLayout(ButtonRow(d, help, save, cancel));

  ConnectSave<RegistryEntryDraft>(d, save, draft, [=] {
    return RegistryEntryDraft{.Caption = "",
                              .Name = Text(name),
                              .Active = active->isChecked(),
                              .CleanType = static_cast<CleanRegisterType>(types->checkedId()),
                              .RegisterKeyName = Text(key),
                              .RegisterSingleValue = Text(value)};
  });
  Finish(*d,
         {name, active, key, openRegistry, rbSingle, value, rbValues, rbKey, help, save, cancel});
  return dialog;
}

bool EditItemDialog(QWidget* parent, ItemDraft& draft) {
  return MakeItemDialog(parent, draft)->exec() == QDialog::Accepted;
}

bool EditFolderEntryDialog(QWidget* parent, FolderEntryDraft& draft, const UiCallbacks& port) {
  return MakeFolderEntryDialog(parent, draft, port)->exec() == QDialog::Accepted;
}

bool EditRegistryEntryDialog(QWidget* parent, RegistryEntryDraft& draft) {
  return MakeRegistryEntryDialog(parent, draft)->exec() == QDialog::Accepted;
}

}  // namespace vorlisk::dialogs
