#include "gui/dialogs/list_dialog_parts.h"

#include <QSignalBlocker>
#include <exception>

namespace vorlisk::dialogs {

QToolButton* HintButton(QWidget* parent, const char* name, const char* hint, const char* theme,
                        window::OwnGlyph glyph) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setToolTip(QString::fromLatin1(hint));
  button->setAccessibleName(QString::fromLatin1(hint));
  button->setIcon(window::ThemedIcon(theme, glyph));
  button->setIconSize(QSize(20, 20));
  button->setAutoRaise(true);
  return button;
}

QPushButton* CaptionButton(QWidget* parent, const char* name, const char* caption) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

QHBoxLayout* Row(std::initializer_list<QWidget*> widgets, bool stretchFirst) {
  auto* row = new QHBoxLayout;
  if (stretchFirst) row->addStretch(1);
  for (QWidget* w : widgets) row->addWidget(w);
  if (!stretchFirst) row->addStretch(1);
  return row;
}

QVBoxLayout* Column(std::initializer_list<QWidget*> widgets) {
  auto* column = new QVBoxLayout;
  for (QWidget* w : widgets) column->addWidget(w);
  column->addStretch(1);
  return column;
}

void TabOrder(std::initializer_list<QWidget*> widgets) {
  QWidget* previous = nullptr;
  for (QWidget* w : widgets) {
    if (previous) QWidget::setTabOrder(previous, w);
    previous = w;
  }
}

TextListView::TextListView(QListWidget* widget, TextListEdit& list) : widget_(widget), list_(list) {
  widget_->setSelectionMode(QAbstractItemView::SingleSelection);
  QObject::connect(widget_, &QListWidget::currentRowChanged, widget_,
                   [this](int row) { list_.Select(row); });
  Show();
}

void TextListView::Show() {
  const QSignalBlocker quiet(widget_);
  widget_->clear();
  for (const std::string& row : list_.Rows()) widget_->addItem(QString::fromStdString(row));
  widget_->setCurrentRow(list_.Selected());
}

void TextListView::WireMoves(QAbstractButton* up, QAbstractButton* down, QAbstractButton* clear) {
  QObject::connect(up, &QAbstractButton::clicked, widget_, [this] {
    if (list_.MoveUp()) Show();
  });
  QObject::connect(down, &QAbstractButton::clicked, widget_, [this] {
    if (list_.MoveDown()) Show();
  });
  QObject::connect(clear, &QAbstractButton::clicked, widget_, [this] {
    list_.Clear();
    Show();
  });
}

}  // namespace vorlisk::dialogs
