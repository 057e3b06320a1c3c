// Finding a dialog's widgets by object name in the window tests.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>

namespace vorlisk::dialogs {

template <typename T = QWidget>
T* Find(QWidget& parent, const char* name) {
  T* w = parent.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(w, nullptr) << name;
  return w;
}

}  // namespace vorlisk::dialogs
