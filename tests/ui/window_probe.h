#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>

namespace cz {

// A window's control by its object name; a missing one fails the test.
template <typename T>
T* child(QWidget& window, const char* name) {
  T* found = window.findChild<T*>(QString::fromUtf8(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

// With CZ_SHOTS set, keeps a picture of the window in /tmp to look at.
inline void saveShot(QWidget& window, const char* file) {
  if (qEnvironmentVariableIsSet("CZ_SHOTS")) window.grab().save(QString("/tmp/") + file);
}

}  // namespace cz
