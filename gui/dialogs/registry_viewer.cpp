#include "gui/dialogs/registry_viewer.h"

#include <QBoxLayout>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <array>
#include <exception>
#include <optional>

#include "gui/support/qt_port.h"
#include "platform/filesystem.h"
#include "platform/registry.h"

namespace vorlisk::dialogs {

namespace {

constexpr std::array<platform::RootKey, 7> kRoots = {
    platform::RootKey::ClassesRoot,   platform::RootKey::CurrentUser,
    platform::RootKey::LocalMachine,  platform::RootKey::Users,
    platform::RootKey::CurrentConfig, platform::RootKey::PerformanceData,
    platform::RootKey::DynData};

// What a tree row carries: its root key, its subkey path and whether its children are read.
constexpr int kRootRole = Qt::UserRole;
constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kLoadedRole = Qt::UserRole + 2;

uint64_t LittleEndian(const std::vector<uint8_t>& data, std::size_t bytes) {
  uint64_t n = 0;
  for (std::size_t i = bytes; i-- > 0;) n = (n << 8) | data[i];
  return n;
}

// Text of string data: up to the terminating NUL.
QString StoredText(const std::vector<uint8_t>& data, std::size_t from, std::size_t* end) {
  std::size_t i = from;
  while (i < data.size() && data[i] != 0) ++i;
  *end = i;
  return QString::fromStdString(std::string(data.begin() + static_cast<std::ptrdiff_t>(from),
                                            data.begin() + static_cast<std::ptrdiff_t>(i)));
}

QString Hex(uint64_t n, int digits) {
  return QStringLiteral("0x%1 (%2)").arg(n, digits, 16, QLatin1Char('0')).arg(n);
}

class RegistryViewer final : public QDialog {
 public:
  RegistryViewer(QWidget* parent, CopyKey copyKey) : QDialog(parent), copyKey_(std::move(copyKey)) {
    setObjectName(QStringLiteral("TFormRegistryViewer"));
    setWindowTitle(QStringLiteral("Registry"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinMaxButtonsHint);

    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("TreeKeys"));
    tree_->setHeaderHidden(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    values_ = new QTableWidget(0, 3, this);
    values_->setObjectName(QStringLiteral("ListValues"));
    values_->setHorizontalHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("Type"), QStringLiteral("Data")});
    values_->horizontalHeader()->setStretchLastSection(true);
    values_->verticalHeader()->hide();
    values_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    values_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    values_->setSelectionBehavior(QAbstractItemView::SelectRows);
    values_->setShowGrid(false);
    values_->setColumnWidth(0, 170);
    values_->setColumnWidth(1, 110);
    auto* split = new QSplitter(this);
    split->addWidget(tree_);
    split->addWidget(values_);
    split->setStretchFactor(1, 1);
    split->setSizes({260, 480});

    path_ = new QLineEdit(this);
    path_->setObjectName(QStringLiteral("EditKeyPath"));
    path_->setReadOnly(true);
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("LabelProblem"));
    problem_->setStyleSheet(QStringLiteral("color: #b00000"));
    problem_->setWordWrap(true);
    problem_->hide();
    use_ = new QPushButton(QStringLiteral("&Use this key"), this);
    use_->setObjectName(QStringLiteral("btnUseKey"));
    use_->setToolTip(QStringLiteral("Put the selected key into the dialog"));
    use_->setVisible(static_cast<bool>(copyKey_));
    use_->setEnabled(false);
    use_->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("Cl&ose"), this);
    close->setObjectName(QStringLiteral("btnClose"));
    close->setAutoDefault(false);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(path_, 1);
    bottom->addWidget(use_);
    bottom->addWidget(close);
    auto* top = new QVBoxLayout(this);
    top->addWidget(split, 1);
    top->addWidget(problem_);
    top->addLayout(bottom);

    connect(tree_, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { Guard([&] { LoadChildren(item); }); });
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this] { Guard([&] { ShowValues(); }); });
    connect(use_, &QPushButton::clicked, this, [this] { UseKey(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    // The store is saved by this program (a wash, an entry dialog's neighbour) and by others
    // running on the same folder: its file's stamp tells when to read it again.
    poll_.setInterval(500);
    connect(&poll_, &QTimer::timeout, this, [this] {
      const auto stamp = platform::GetFileStamp(platform::RegistryFile());
      if (stamp != stamp_) Reload();
    });
    poll_.start();
    Reload();
    resize(780, 480);
  }

 private:
  // Store errors (a damaged store file) are shown in the window, never raised into Qt.
  template <class F>
  bool Guard(F&& f) {
    const bool done = window::ShowingErrors(
        [this](const std::string& message) {
          problem_->setText(QString::fromStdString(message));
          problem_->show();
        },
        std::forward<F>(f));
    if (done) problem_->hide();
    return done;
  }

  static QString FullPath(const QTreeWidgetItem* item) {
    const auto root = static_cast<platform::RootKey>(item->data(0, kRootRole).toInt());
    const QString path = item->data(0, kPathRole).toString();
    const QString name = QString::fromLatin1(platform::RootKeyName(root));
    return path.isEmpty() ? name : name + QLatin1Char('\\') + path;
  }

  // Opens a row's key in `reg`; false when it is gone.
  static bool Open(platform::Registry& reg, const QTreeWidgetItem* item) {
    reg.SetRootKey(static_cast<platform::RootKey>(item->data(0, kRootRole).toInt()));
    return reg.OpenKey("\\" + item->data(0, kPathRole).toString().toStdString());
  }

  QTreeWidgetItem* NewRow(platform::RootKey root, const QString& path, const QString& text,
                          bool hasSubKeys) {
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, kRootRole, static_cast<int>(root));
    item->setData(0, kPathRole, path);
    item->setData(0, kLoadedRole, false);
    item->setChildIndicatorPolicy(hasSubKeys ? QTreeWidgetItem::ShowIndicator
                                             : QTreeWidgetItem::DontShowIndicator);
    return item;
  }

  void LoadChildren(QTreeWidgetItem* item) {
    if (item->data(0, kLoadedRole).toBool()) return;
    item->setData(0, kLoadedRole, true);
    platform::Registry reg, child;
    if (!Open(reg, item)) return;
    const auto root = static_cast<platform::RootKey>(item->data(0, kRootRole).toInt());
    const QString base = item->data(0, kPathRole).toString();
    child.SetRootKey(root);
    for (const std::string& name : reg.GetKeyNames()) {
      const QString text = QString::fromStdString(name);
      const QString path = base.isEmpty() ? text : base + QLatin1Char('\\') + text;
      const bool deeper = child.OpenKey("\\" + path.toStdString()) && child.HasSubKeys();
      item->addChild(NewRow(root, path, text, deeper));
    }
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
  }

  void ShowValues() {
    values_->setRowCount(0);
    QTreeWidgetItem* item = tree_->currentItem();
    path_->setText(item ? FullPath(item) : QString());
    use_->setEnabled(item != nullptr);
    platform::Registry reg;
    if (!item || !Open(reg, item)) return;
    for (const std::string& name : reg.GetValueNames()) {
      const uint32_t type = reg.GetDataType(name).value_or(platform::kRegNone);
      const auto bytes = reg.ReadBinary(name).value_or(std::vector<uint8_t>{});
      const int row = values_->rowCount();
      values_->insertRow(row);
      const QString shown =
          name.empty() ? QStringLiteral("(Default)") : QString::fromStdString(name);
      values_->setItem(row, 0, new QTableWidgetItem(shown));
      values_->setItem(row, 1, new QTableWidgetItem(RegistryTypeName(type)));
      values_->setItem(row, 2, new QTableWidgetItem(RegistryDataText(type, bytes)));
    }
  }

  // Reads the store again; the expanded keys and the selected key stay so where they still exist.
  void Reload() {
    stamp_ = platform::GetFileStamp(platform::RegistryFile());
    QSet<QString> expanded;
    QString selected = tree_->currentItem() ? FullPath(tree_->currentItem()) : QString();
    for (QTreeWidgetItemIterator it(tree_); *it; ++it)
      if ((*it)->isExpanded()) expanded.insert(FullPath(*it).toUpper());
    const QSignalBlocker block(tree_);
    const bool read = Guard([&] {
      tree_->clear();
      platform::Registry reg;
      for (platform::RootKey root : kRoots) {
        reg.SetRootKey(root);
        const bool hasSubKeys = reg.OpenKey("\\") && reg.HasSubKeys();
        tree_->addTopLevelItem(
            NewRow(root, QString(), QString::fromLatin1(platform::RootKeyName(root)), hasSubKeys));
      }
      // Walks down through the rows that were open before, opening them again.
      std::vector<QTreeWidgetItem*> open;
      for (int i = 0; i < tree_->topLevelItemCount(); ++i) open.push_back(tree_->topLevelItem(i));
      const QString wanted = selected.toUpper();
      QTreeWidgetItem* current = nullptr;
      qsizetype best = -1;
      while (!open.empty()) {
        QTreeWidgetItem* item = open.back();
        open.pop_back();
        const QString full = FullPath(item).toUpper();
        const bool above = wanted.startsWith(full + QLatin1Char('\\'));
        if ((above || full == wanted) && full.size() > best) {
          current = item;
          best = full.size();
        }
        if (!expanded.contains(full) && !above) continue;
        LoadChildren(item);
        if (expanded.contains(full)) item->setExpanded(true);
        for (int i = 0; i < item->childCount(); ++i) open.push_back(item->child(i));
      }
      // The selected key, or the nearest key above it that is still there.
      if (current) {
        for (QTreeWidgetItem* up = current->parent(); up; up = up->parent()) up->setExpanded(true);
      }
      tree_->setCurrentItem(current ? current : tree_->topLevelItem(1));
      ShowValues();
    });
    // A store that cannot be read shows nothing of what it held before.
    if (!read) {
      tree_->clear();
      values_->setRowCount(0);
      path_->clear();
      use_->setEnabled(false);
    }
  }

  void UseKey() {
    QTreeWidgetItem* item = tree_->currentItem();
    if (!copyKey_ || !item) return;
    copyKey_(FullPath(item).toStdString());
    accept();
  }

  CopyKey copyKey_;
  QTreeWidget* tree_;
  QTableWidget* values_;
  QLineEdit* path_;
  QLabel* problem_;
  QPushButton* use_;
  QTimer poll_;
  std::optional<platform::FileStamp> stamp_;
};

}  // namespace

QString RegistryTypeName(uint32_t type) {
  switch (type) {
    case platform::kRegNone:
      return QStringLiteral("REG_NONE");
    case platform::kRegSz:
      return QStringLiteral("REG_SZ");
    case platform::kRegExpandSz:
      return QStringLiteral("REG_EXPAND_SZ");
    case platform::kRegBinary:
      return QStringLiteral("REG_BINARY");
    case platform::kRegDword:
      return QStringLiteral("REG_DWORD");
    case platform::kRegDwordBigEndian:
      return QStringLiteral("REG_DWORD_BIG_ENDIAN");
    case platform::kRegLink:
      return QStringLiteral("REG_LINK");
    case platform::kRegMultiSz:
      return QStringLiteral("REG_MULTI_SZ");
    case platform::kRegResourceList:
      return QStringLiteral("REG_RESOURCE_LIST");
    case platform::kRegQword:
      return QStringLiteral("REG_QWORD");
    default:
      return QStringLiteral("0x%1").arg(type, 0, 16);
  }
}

QString RegistryDataText(uint32_t type, const std::vector<uint8_t>& data) {
  std::size_t end = 0;
  switch (type) {
    case platform::kRegSz:
    case platform::kRegExpandSz:
      return StoredText(data, 0, &end);
    case platform::kRegMultiSz: {
      QStringList parts;
      for (std::size_t at = 0; at < data.size() && data[at] != 0; at = end + 1)
        parts << StoredText(data, at, &end);
      return parts.join(QLatin1Char(' '));
    }
    case platform::kRegDword:
      if (data.size() == 4) return Hex(LittleEndian(data, 4), 8);
      break;
    case platform::kRegQword:
      if (data.size() == 8) return Hex(LittleEndian(data, 8), 16);
      break;
    case platform::kRegDwordBigEndian:
      if (data.size() == 4)
        return Hex(
            uint64_t{data[0]} << 24 | uint64_t{data[1]} << 16 | uint64_t{data[2]} << 8 | data[3],
            8);
      break;
    default:
      break;
  }
  if (data.empty()) return QStringLiteral("(zero-length binary value)");
  QStringList bytes;
  for (uint8_t b : data) bytes << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0'));
  return bytes.join(QLatin1Char(' '));
}

std::unique_ptr<QDialog> MakeRegistryViewer(QWidget* parent, CopyKey copyKey) {
  return std::make_unique<RegistryViewer>(parent, std::move(copyKey));
}

void ShowRegistryViewer(QWidget* parent, CopyKey copyKey) {
  QDialog* viewer = MakeRegistryViewer(parent, std::move(copyKey)).release();
  viewer->setAttribute(Qt::WA_DeleteOnClose);
  viewer->setModal(false);
  viewer->show();
}

}  // namespace vorlisk::dialogs
