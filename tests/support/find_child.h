#pragma once
// Finding a window's controls by object name in widget tests; a missing control fails the
// test that looks for it instead of crashing it.

#include <gtest/gtest.h>

#include <QWidget>

namespace vx::test {

template <typename T>
T* Child(const QWidget& window, const char* name) {
  T* child = window.findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

}  // namespace vx::test
