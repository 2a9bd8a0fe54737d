// The toolbar's buttons reach vxlink on the host's threads; their macros run on the thread
// that owns the engine, in the order pressed, and never once the windows were given back.

#include "linkhost/toolbar_macros.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <mutex>
#include <thread>
#include <vector>

namespace vx::linkhost {
namespace {

// A host whose buttons are pressed from a thread of its own.
class FakeButtons final : public automation::ToolbarButtons {
 public:
  automation::Status AnswerButtons(Handler handler) override {
    if (refuse) {
      return automation::AutomationError::Make(automation::ErrorNumber::Failed,
                                               "The window has gone.");
    }
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
    return {};
  }
  void ReleaseButtons() override {
    std::lock_guard lock(mutex_);
    handler_ = nullptr;
    ++releases;
  }
  // Presses each button from another thread, which has returned when this does.
  void PressFromAnotherThread(const std::vector<std::string>& macros) {
    std::thread office([&] {
      std::lock_guard lock(mutex_);
      for (const std::string& macro : macros) {
        if (handler_) handler_(macro);
      }
    });
    office.join();
  }

  bool refuse = false;
  int releases = 0;

 private:
  std::mutex mutex_;
  Handler handler_;
};

struct Ran {
  std::string macro;
  std::thread::id thread;
};

TEST(ToolbarMacros, MacrosRunOnTheEngineThreadInTheOrderPressed) {
  auto buttons = std::make_shared<FakeButtons>();
  std::vector<Ran> ran;
  ToolbarMacros macros(buttons, [&](const std::string& macro) {
    ran.push_back({macro, std::this_thread::get_id()});
  });
  ASSERT_TRUE(macros.Answer());
  buttons->PressFromAnotherThread({"DmmTimerStart", "DmmTimerPause", "DmmTimerStart", ""});
  EXPECT_TRUE(ran.empty());  // queued: the host's call returned before any macro ran
  for (int waited = 0; ran.size() < 4 && waited < 2000; waited += 10) QTest::qWait(10);
  ASSERT_EQ(ran.size(), 4u);
  EXPECT_EQ(ran[0].macro, "DmmTimerStart");
  EXPECT_EQ(ran[1].macro, "DmmTimerPause");
  EXPECT_EQ(ran[2].macro, "DmmTimerStart");
  EXPECT_EQ(ran[3].macro, "");
  for (const Ran& one : ran) EXPECT_EQ(one.thread, std::this_thread::get_id());
}

TEST(ToolbarMacros, NothingRunsOnceTheWindowsAreGivenBack) {
  auto buttons = std::make_shared<FakeButtons>();
  int ran = 0;
  {
    ToolbarMacros macros(buttons, [&](const std::string&) { ++ran; });
    ASSERT_TRUE(macros.Answer());
    buttons->PressFromAnotherThread({"DmmTimerStop"});  // queued, not yet run
  }
  EXPECT_EQ(buttons->releases, 1);
  buttons->PressFromAnotherThread({"DmmTimerStop"});  // after the release: not taken
  QCoreApplication::processEvents();
  QTest::qWait(50);
  EXPECT_EQ(ran, 0);
}

TEST(ToolbarMacros, AHostThatCannotAnswerSaysWhy) {
  auto buttons = std::make_shared<FakeButtons>();
  buttons->refuse = true;
  ToolbarMacros macros(buttons, [](const std::string&) {});
  const automation::Status answered = macros.Answer();
  ASSERT_FALSE(answered);
  EXPECT_EQ(answered.error().description, "The window has gone.");
}

}  // namespace
}  // namespace vx::linkhost
