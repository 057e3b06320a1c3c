#include "gui/dialogs/preview_dialogs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QBoxLayout>
#include <QDialog>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <array>
#include <chrono>
#include <exception>
#include <vector>

#include "engine/registry_entries.h"
#include "gui/support/check_list_model.h"
#include "gui/support/help.h"
#include "gui/support/qt_port.h"

namespace vorlisk::dialogs {

namespace {

const QColor kNavy(0, 0, 128);
const QColor kSelectedKey(10, 95, 137);
const QColor kSpecial(255, 0, 0);
// The file lines whose totals a preview dialog counts before it is shown; a longer list shows
// first.
constexpr int32_t kCountedAtOnce = 20000;
// How long after it was made such a dialog counts: time enough to be shown and painted.
constexpr std::chrono::milliseconds kCountAfter{100};

enum class Lines { Files, Registry, Special };

// One list of a dialog with its select buttons, and the tab it sits on ("" without tabs).
struct ListPage {
  Lines lines;
  const char* tab;
  const char* selectAll;
  const char* unselectAll;
};

struct Layout {
  const char* objectName;
  std::vector<ListPage> pages;
  int firstTab;
  const char* wash;
  const char* close;
  bool fixed;
};

Layout LayoutOf(PreviewKind kind) {
  switch (kind) {
    case PreviewKind::Folder:
      return {"TFormPreviewFolder",
              {{Lines::Files, "", "btnSelectall", "btnUnselectAll"}},
              0,
              "btnwasher",
              "SpeedButton1",
              true};
    case PreviewKind::Register:
      return {"TFormPreviewregister",
              {{Lines::Registry, "", "btnSelectall", "btnUnselectAll"}},
              0,
              "btnwasher",
              "SpeedButton1",
              true};
    case PreviewKind::FolderRegister:
      return {"TFormPreviewFolderRegister",
              {{Lines::Files, "Washer Folder", "btnSelectall", "btnUnselectAll"},
               {Lines::Registry, "Washer Register", "NewbtnSelectall", "NewbtnUnselectAll"}},
              0,
              "btnwasher",
              "SpeedButton1",
              false};
    case PreviewKind::All:
      break;
  }
  return {"TFormPreviewAll",
          {{Lines::Special, "Clean Special", "AllbtnSelectall", "AllbtnUnselectAll"},
           {Lines::Files, "Clean Folder/File", "btnSelectall", "btnUnselectAll"},
           {Lines::Registry, "Clean Registry Entry", "NewbtnSelectall", "NewbtnUnselectAll"}},
          1,
          "btnWashAll",
          "SpeedButton2",
          true};
}

const char* ListName(Lines lines) {
  switch (lines) {
    case Lines::Files:
      return "CheckListBoxPreviewFolder";
    case Lines::Registry:
      return "CheckListBoxPreviewregister";
    case Lines::Special:
      return "CheckListBoxSpecial";
  }
  return "";
}

QToolButton* SelectButton(QWidget* parent, const char* name, bool select) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  const QString hint = select ? QStringLiteral("Select All") : QStringLiteral("Unselect All");
  button->setToolTip(hint);
  button->setAccessibleName(hint);
  button->setAutoRaise(true);
  button->setIcon(
      QIcon::fromTheme(select ? QStringLiteral("edit-select-all") : QStringLiteral("edit-clear"),
                       parent->style()->standardIcon(select ? QStyle::SP_DialogApplyButton
                                                            : QStyle::SP_DialogCancelButton)));
  button->setIconSize(QSize(20, 20));
  return button;
}

class PreviewWindow final : public QDialog {
 public:
  PreviewWindow(QWidget* parent, PreviewDialog& dialog) : QDialog(parent), dialog_(dialog) {
    const Layout layout = LayoutOf(dialog.Kind());
    setObjectName(QString::fromLatin1(layout.objectName));
    setWindowTitle(QString::fromLatin1(dialog.Caption()));

    auto* top = new QVBoxLayout(this);
    QTabWidget* tabs = nullptr;
    if (layout.pages.size() > 1) {
      tabs = new QTabWidget(this);
      tabs->setObjectName(QStringLiteral("PageControl1"));
      top->addWidget(tabs, 1);
    }
    for (const ListPage& page : layout.pages) {
      QWidget* widget = MakePage(page);
      if (tabs)
        tabs->addTab(widget, QString::fromLatin1(page.tab));
      else
        top->addWidget(widget, 1);
    }
    if (tabs) tabs->setCurrentIndex(layout.firstTab);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("StatusLine"));
    status_->setVisible(dialog.HasFileList());
    top->addWidget(status_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* wash = new QPushButton(QStringLiteral("&Wash"), this);
    wash->setObjectName(QString::fromLatin1(layout.wash));
    auto* close = new QPushButton(QStringLiteral("Cl&ose"), this);
    close->setObjectName(QString::fromLatin1(layout.close));
    // Enter must never wash: neither button is the default.
    for (QPushButton* b : {wash, close}) {
      b->setAutoDefault(false);
      buttons->addWidget(b);
    }
    top->addLayout(buttons);
    connect(wash, &QPushButton::clicked, this, [this] { Wash(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    // Ticks come in bursts (a key held down, clicks in a row); the totals, which look at every
    // ticked file, are recomputed once the burst is over.
    totalsTimer_.setSingleShot(true);
    totalsTimer_.setInterval(150);
    connect(&totalsTimer_, &QTimer::timeout, this, [this] { UpdateTotals(); });
    // A long list is shown first and counted a moment later: the count looks at every file.
    if (dialog.HasFileList() && dialog.Files().Count() > kCountedAtOnce) {
      status_->setText(QStringLiteral("Counting the ticked files..."));
      QTimer::singleShot(kCountAfter, this, [this] { UpdateTotals(); });
    } else if (dialog.HasFileList()) {
      UpdateTotals();
    }

    resize(640, 440);
    SetUpDialogFrame(*this, layout.fixed);
  }

  // "Cl&ose", the close box and Escape close without washing.
  void reject() override {
    dialog_.Close();
    QDialog::reject();
  }

 private:
  CheckRows& ListOf(Lines lines) {
    switch (lines) {
      case Lines::Files:
        return dialog_.Files();
      case Lines::Registry:
        return dialog_.Registry();
      case Lines::Special:
        break;
    }
    return dialog_.Special();
  }

  QWidget* MakePage(const ListPage& page) {
    auto* widget = new QWidget(this);
    auto* row = new QHBoxLayout(widget);
    CheckRows& list = ListOf(page.lines);
    // The status line counts the ticked files and, with its line ticked, the Recycle Bin.
    const bool counted = page.lines != Lines::Registry;

    auto* view = new QListView(widget);
    view->setObjectName(QString::fromLatin1(ListName(page.lines)));
    view->setUniformItemSizes(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* model = new window::CheckListModel(
        list,
        [this, &list, counted, slot = models_.size()](int32_t r, bool checked) {
          list.SetChecked(r, checked);
          models_[slot]->Changed(r, r);
          if (counted) totalsTimer_.start();
        },
        view);
    models_.push_back(model);
    view->setModel(model);
    if (page.lines != Lines::Files) {
      view->setItemDelegate(new PreviewRowDelegate(page.lines == Lines::Registry
                                                       ? PreviewRowDelegate::Rows::Registry
                                                       : PreviewRowDelegate::Rows::Special,
                                                   view));
    }
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [&list](const QModelIndex& current) { list.Select(current.row()); });
    row->addWidget(view, 1);

    auto* side = new QVBoxLayout;
    for (const bool select : {true, false}) {
      QToolButton* button =
          SelectButton(widget, select ? page.selectAll : page.unselectAll, select);
      connect(button, &QToolButton::clicked, this, [this, &list, model, counted, select] {
        list.SetAll(select);
        model->Changed(0, list.Count() - 1);
        if (counted) totalsTimer_.start();
      });
      side->addWidget(button);
    }
    side->addStretch(1);
    row->addLayout(side);
    return widget;
  }

  void UpdateTotals() { status_->setText(FileTotalsText(dialog_.TickedFileTotals())); }

  void Wash() {
    totalsTimer_.stop();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool washed = window::ShowingErrors(
        [this](const std::string& message) {
          QApplication::restoreOverrideCursor();
          window::ShowErrorBox(this, message);
        },
        [this] { dialog_.Wash(); });
    if (washed) QApplication::restoreOverrideCursor();
    // After an error what was washed stays washed: no second wash from this dialog.
    if (!washed) dialog_.Close();
    accept();
  }

  PreviewDialog& dialog_;
  std::vector<window::CheckListModel*> models_;
  QLabel* status_ = nullptr;
  QTimer totalsTimer_;
};

}  // namespace

std::unique_ptr<QDialog> MakePreviewDialog(QWidget* parent, PreviewDialog& dialog) {
  return std::make_unique<PreviewWindow>(parent, dialog);
}

void ShowPreviewDialog(QWidget* parent, PreviewDialog& dialog) {
  MakePreviewDialog(parent, dialog)->exec();
}

namespace {

// "1 byte", "1023 bytes", "3.4 MB".
QString SizeText(uint64_t bytes) {
  static constexpr std::array<const char*, 4> kUnits = {"KB", "MB", "GB", "TB"};
  if (bytes < 1024)
    return bytes == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(bytes);
  double size = static_cast<double>(bytes) / 1024.0;
  std::size_t unit = 0;
  while (size >= 1024.0 && unit + 1 < kUnits.size()) {
    size /= 1024.0;
    ++unit;
  }
  return QStringLiteral("%1 %2").arg(size, 0, 'f', 1).arg(QLatin1String(kUnits[unit]));
}

}  // namespace

QString FileTotalsText(const PreviewDialog::FileTotals& totals) {
  QString text = totals.Files == 1 ? QStringLiteral("1 file ticked")
                                   : QStringLiteral("%1 files ticked").arg(totals.Files);
  text += QStringLiteral(", ") + SizeText(totals.Bytes);
  if (totals.RecycleBin) {
    const auto& bin = *totals.RecycleBin;
    text += bin.entries == 1 ? QStringLiteral("; Trash: 1 entry, ")
                             : QStringLiteral("; Trash: %1 entries, ").arg(bin.entries);
    text += SizeText(bin.bytes);
  }
  return text;
}

PreviewRowDelegate::PreviewRowDelegate(Rows rows, QObject* parent)
    : QStyledItemDelegate(parent), rows_(rows), read_(&ReadRegistryLineValue) {}

QString PreviewRowDelegate::RowText(const QModelIndex& index, bool* isKey) const {
  const QString line = index.data(Qt::DisplayRole).toString();
  *isKey = false;
  if (rows_ == Rows::Special) return line;
  std::string text = line.toStdString();
  const auto marker = text.find(kDeleteKeyMarker);
  if (marker == std::string::npos) return QString::fromStdString(read_(text));
  *isKey = true;
  text.erase(marker, kDeleteKeyMarker.size());
  return QString::fromStdString(text);
}

void PreviewRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  QStyleOptionViewItem opt(option);
  initStyleOption(&opt, index);
  bool isKey = false;
  const QString text = RowText(index, &isKey);
  const bool selected = opt.state & QStyle::State_Selected;
  const QWidget* widget = opt.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  const QPalette::ColorGroup group =
      opt.state & QStyle::State_Enabled
          ? (opt.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive)
          : QPalette::Disabled;

  // The row is painted here rather than by the style, so that the colours are exactly these.
  QColor textColour =
      opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
  if (selected)
    painter->fillRect(opt.rect,
                      isKey ? kSelectedKey : opt.palette.color(group, QPalette::Highlight));
  if (rows_ == Rows::Special)
    textColour = kSpecial;
  else if (isKey)
    textColour = selected ? QColor(Qt::white) : kNavy;

  QStyleOptionViewItem check(opt);
  check.state &= ~QStyle::State_Selected;
  check.rect = style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, widget);
  check.state |= opt.checkState == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
  style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &check, painter, widget);

  // The text starts at the text area's left edge and is clipped at the row's end.
  const QRect textRect =
      style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(3, 0, 0, 0);
  painter->save();
  painter->setClipRect(textRect.intersected(opt.rect));
  painter->setFont(opt.font);
  painter->setPen(textColour);
  painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
  painter->restore();
}

bool PreviewRowDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                   const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (event->type() != QEvent::ToolTip || !index.isValid())
    return QStyledItemDelegate::helpEvent(event, view, option, index);
  // The raw line holds the markers; the tip shows what the row shows.
  bool isKey = false;
  QToolTip::showText(event->globalPos(), RowText(index, &isKey), view);
  return true;
}

}  // namespace vorlisk::dialogs
