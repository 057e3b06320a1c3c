// The four preview dialogs as Qt views over the core's PreviewDialog: its check lists shown and
// ticked in place, "&Wash" running its wash action and "Cl&ose" closing it unwashed.
#pragma once

#include <QString>
#include <QStyledItemDelegate>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/preview.h"

class QDialog;
class QWidget;

namespace vorlisk::dialogs {

// Builds the dialog for `dialog`'s kind (object name TFormPreviewFolder, TFormPreviewregister,
// TFormPreviewFolderRegister or TFormPreviewAll) without showing it. `dialog` must outlive it.
std::unique_ptr<QDialog> MakePreviewDialog(QWidget* parent, PreviewDialog& dialog);

// Shows that dialog modally and returns when it is closed, washed or not.
void ShowPreviewDialog(QWidget* parent, PreviewDialog& dialog);

// The status line's text: "12 files ticked, 3.4 MB".
QString FileTotalsText(const PreviewDialog::FileTotals& totals);

// Draws the rows of a registry or special list. Registry key rows show the key path in navy (white
// on a dark teal when selected), value rows the value's current data read while the row is painted
// and never kept; special rows are red, selected or not.
class PreviewRowDelegate : public QStyledItemDelegate {
 public:
  enum class Rows { Registry, Special };
  using ValueReader = std::function<std::string(std::string_view line)>;

  PreviewRowDelegate(Rows rows, QObject* parent);

  // What reads a value line's data; the registry's ReadRegistryLineValue unless replaced.
  void SetValueReader(ValueReader reader) { read_ = std::move(reader); }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;

 private:
  // The text a row shows: what the user sees instead of the raw line.
  QString RowText(const QModelIndex& index, bool* isKey) const;

  Rows rows_;
  ValueReader read_;
};

}  // namespace vorlisk::dialogs
