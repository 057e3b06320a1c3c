#include "gui/dialogs/wildcard_dialog.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <functional>

#include "gui/support/help.h"

namespace vorlisk::dialogs {

using window::OwnGlyph;

namespace {

// Takes Return and Enter pressed in the widget it watches and runs `action` instead.
class EnterKey final : public QObject {
 public:
  EnterKey(QObject* parent, std::function<void()> action)
      : QObject(parent), action_(std::move(action)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        action_();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> action_;
};

}  // namespace

TFormWildcard::TFormWildcard(QWidget* parent, MainSession& session)
    : QDialog(parent), session_(session), core_(session) {
  setObjectName(QStringLiteral("TFormWildcard"));
  setWindowTitle(QStringLiteral("Edit Wildcard"));

  auto* listLabel = new QLabel(QStringLiteral("Wildcard list:"), this);
  auto* listBox = new QListWidget(this);
  listBox->setObjectName(QStringLiteral("ListBox1"));
  listLabel->setBuddy(listBox);
  list_ = std::make_unique<TextListView>(listBox, core_.List);

  auto* addLabel = new QLabel(QStringLiteral("Add wildcard:"), this);
  edit1_ = new QLineEdit(this);
  edit1_->setObjectName(QStringLiteral("Edit1"));
  edit1_->setToolTip(QStringLiteral("Please enter a new  wildcard"));
  addLabel->setBuddy(edit1_);
  auto* spNew = HintButton(this, "SpNew", "Add wildcard", "list-add", OwnGlyph::Add);

  auto* remove = HintButton(this, "Button4", "Delete a item", "list-remove", OwnGlyph::Delete);
  auto* clear =
      HintButton(this, "SpeedButton1", "Delete all items", "edit-delete", OwnGlyph::DeleteLog);
  auto* up = HintButton(this, "SpeedButton3", "Up a item", "go-up", OwnGlyph::Up);
  auto* down = HintButton(this, "SpeedButton2", "Down a item", "go-down", OwnGlyph::Down);
  auto* ok = CaptionButton(this, "btnOk", "&Ok");
  auto* cancel = CaptionButton(this, "Button3", "Can&cel");
  auto* help = CaptionButton(this, "Button1", "Help");
  ok->setDefault(true);

  // Enter in the box adds its mask (the dialog's default button does not see it).
  edit1_->installEventFilter(new EnterKey(edit1_, [spNew] { spNew->click(); }));
  connect(spNew, &QToolButton::clicked, this, [this] {
    core_.Edit1 = edit1_->text().toStdString();
    core_.SpNewClick();
    edit1_->setText(QString::fromStdString(core_.Edit1));
    list_->Show();
  });
  connect(remove, &QToolButton::clicked, this, [this] {
    core_.DeleteClick();
    list_->Show();
  });
  list_->WireMoves(up, down, clear);
  connect(ok, &QPushButton::clicked, this, [this] {
    if (window::ShowingErrors(session_, [this] { core_.OkClick(); })) accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [] { ShowHelpTopic(kWildcardHelpButtonTopic); });

  auto* grid = new QGridLayout;
  grid->addWidget(listLabel, 0, 0);
  grid->addWidget(listBox, 1, 0);
  grid->addLayout(Column({up, down, remove, clear}), 1, 1);
  grid->addWidget(addLabel, 2, 0);
  grid->addWidget(edit1_, 3, 0);
  grid->addWidget(spNew, 3, 1);
  auto* top = new QVBoxLayout(this);
  top->addLayout(grid);
  top->addLayout(Row({ok, cancel, help}, true));
  TabOrder({listBox, up, down, remove, clear, edit1_, spNew, ok, cancel, help});

  InstallHelpKey(this, kWildcardHelpTopic);
  resize(sizeHint().expandedTo(QSize(330, 300)));
  SetUpDialogFrame(*this, true);
  edit1_->setFocus();
}

std::unique_ptr<TFormWildcard> MakeWildcardDialog(QWidget* parent, MainSession& session) {
  return std::make_unique<TFormWildcard>(parent, session);
}

bool ShowWildcardDialog(QWidget* parent, MainSession& session) {
  return MakeWildcardDialog(parent, session)->exec() == QDialog::Accepted;
}

}  // namespace vorlisk::dialogs
