// Pieces the list-editing dialogs share: image buttons with a hint, caption buttons, a list
// control that mirrors the core's TextListEdit, and the edge where a core error becomes the
// standard error box.
#pragma once

#include <QBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <functional>
#include <initializer_list>

#include "app/list_editing.h"
#include "app/main_session.h"
#include "gui/support/own_icons.h"
#include "gui/support/qt_port.h"

namespace vorlisk::dialogs {

// An image button whose hint (tooltip) names what it does.
QToolButton* HintButton(QWidget* parent, const char* name, const char* hint, const char* theme,
                        window::OwnGlyph glyph);
// A push button with its caption (accelerator included).
QPushButton* CaptionButton(QWidget* parent, const char* name, const char* caption);

// A row of widgets; `stretchFirst` pushes them to the right, otherwise they sit at the left.
QHBoxLayout* Row(std::initializer_list<QWidget*> widgets, bool stretchFirst);
// A column of widgets at the top.
QVBoxLayout* Column(std::initializer_list<QWidget*> widgets);
// The focus moves through the widgets in the order given.
void TabOrder(std::initializer_list<QWidget*> widgets);

// A list control showing the rows of a TextListEdit. The core owns the rows and the selection: a
// click selects in the core, and Show() redraws after the core changed.
class TextListView {
 public:
  TextListView(QListWidget* widget, TextListEdit& list);
  void Show();
  // The buttons that move the selected row, and the one that empties the list.
  void WireMoves(QAbstractButton* up, QAbstractButton* down, QAbstractButton* clear);

 private:
  QListWidget* widget_;
  TextListEdit& list_;
};

}  // namespace vorlisk::dialogs
