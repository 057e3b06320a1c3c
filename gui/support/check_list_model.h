// A Qt list model over one of the core's check lists. The core owns the rows; the model only
// presents them and is told of each change after it happened, which it passes on to its views as
// the matching insert, remove, move, change or reset.
#pragma once

#include <QAbstractListModel>
#include <QColor>
#include <functional>
#include <optional>

#include "app/check_list.h"

namespace vorlisk::window {

class CheckListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  // `check` is called when a view changes a row's mark; the core decides and tells back.
  using CheckFunction = std::function<void(int32_t row, bool checked)>;
  // A row's text colour, when it is not the view's own.
  using ColourFunction = std::function<std::optional<QColor>(int32_t row)>;

  CheckListModel(const CheckRows& list, CheckFunction check, QObject* parent = nullptr);

  void SetColour(ColourFunction colour) { colour_ = std::move(colour); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // What changed in the core's list, told after the change.
  void Reset();
  void Changed(int32_t first, int32_t last);
  void Inserted(int32_t first, int32_t last);
  void Removed(int32_t first, int32_t last);
  void Moved(int32_t from, int32_t to);

 private:
  const CheckRows& list_;
  CheckFunction check_;
  ColourFunction colour_;
  int count_ = 0;  // the rows the views know of
};

}  // namespace vorlisk::window
