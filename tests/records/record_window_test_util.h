#pragma once
// Helpers of the record windows' tests: children by name, the messages a window showed, and
// the folder for the windows' pictures.

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <string>
#include <vector>

#include "common/scripted_prompter.h"

namespace vx::records::fixture {

template <typename T>
T* Child(const QWidget& window, const char* name) {
  T* child = window.findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

// The texts of the messages shown since the last call; forgets them.
inline std::vector<std::string> TakeMessageTexts(ScriptedPrompter& prompter) {
  std::vector<std::string> texts;
  for (const MessageRequest& message : prompter.Messages()) texts.push_back(message.text);
  prompter.Clear();
  return texts;
}

// Saves a picture of the window beside the test program for a person to look at.
inline void SavePicture(QWidget& window, const std::string& name) {
  window.show();
  // Its own size hint, not adjustSize(): that keeps within two thirds of the (small)
  // offscreen screen.
  window.resize(window.sizeHint());
  const std::string path = std::string(VX_RECORD_PICTURE_DIR) + "/" + name;
  EXPECT_TRUE(window.grab().save(QString::fromStdString(path))) << path;
}

}  // namespace vx::records::fixture
