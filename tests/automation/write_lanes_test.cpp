// The Calc host's write lanes without an office: the order of writes to the same cells, writes
// to different cells side by side, what a read waits for, and failures handed over once.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <thread>

#include "automation/calc/write_lanes.h"

namespace vx::automation::calc {
namespace {

using namespace std::chrono_literals;
using Claim = WriteLanes::Claim;

const int kSheet = 0;
const int kOtherSheet = 1;

Claim Cells(const void* sheet, int firstRow, int firstColumn, int lastRow, int lastColumn,
            bool cursor = false) {
  return Claim{sheet, CellBlock{firstRow, firstColumn, lastRow, lastColumn}, cursor};
}

// A gate a job waits at until the test opens it (or a second has gone).
class Gate {
 public:
  bool Wait() { return opened_.get_future().wait_for(5s) == std::future_status::ready; }
  void Open() { opened_.set_value(); }

 private:
  std::promise<void> opened_;
};

// What the jobs did, in the order they did it.
class Journal {
 public:
  void Add(const std::string& entry) {
    const std::lock_guard lock(mutex_);
    text_ += entry;
  }
  std::string Text() {
    const std::lock_guard lock(mutex_);
    return text_;
  }

 private:
  std::mutex mutex_;
  std::string text_;
};

TEST(WriteLanes, WhatClaimsTheSameCellsOrTheSameCursorOverlaps) {
  EXPECT_TRUE(Cells(&kSheet, 2, 1, 2, 2).Overlaps(Cells(&kSheet, 1, 2, 5, 2)));
  EXPECT_FALSE(Cells(&kSheet, 2, 1, 2, 2).Overlaps(Cells(&kSheet, 3, 1, 3, 2)));
  EXPECT_FALSE(Cells(&kSheet, 2, 1, 2, 2).Overlaps(Cells(&kSheet, 2, 3, 2, 3)));
  EXPECT_FALSE(Cells(&kSheet, 2, 1, 2, 2).Overlaps(Cells(&kOtherSheet, 2, 1, 2, 2)));
  // One sheet's cursor moves for one write at a time, wherever the writes go.
  EXPECT_TRUE(Cells(&kSheet, 2, 1, 2, 2, true).Overlaps(Cells(&kSheet, 9, 1, 9, 2, true)));
  EXPECT_FALSE(Cells(&kSheet, 2, 1, 2, 2, true).Overlaps(Cells(&kOtherSheet, 9, 1, 9, 2, true)));
}

TEST(WriteLanes, WritesToTheSameCellsArriveInTheOrderMadeAndOthersGoSideBySide) {
  WriteLanes lanes(2);
  Journal journal;
  Gate first;
  Gate otherCellsRan;
  // The first write of F6 waits until a write of other cells has run beside it: were the
  // lanes one after another, it would wait in vain.
  lanes.Post(Cells(&kSheet, 6, 6, 6, 6), [&]() -> Status {
    const bool besideIt = otherCellsRan.Wait();
    journal.Add(besideIt ? "F6=1;" : "F6=1 alone;");
    return {};
  });
  lanes.Post(Cells(&kSheet, 6, 6, 6, 6), [&]() -> Status {
    journal.Add("F6=2;");
    return {};
  });
  lanes.Post(Cells(&kSheet, 2, 1, 2, 2), [&]() -> Status {
    journal.Add("A2:B2;");
    otherCellsRan.Open();
    return {};
  });
  EXPECT_TRUE(lanes.Drain());
  EXPECT_EQ(journal.Text(), "A2:B2;F6=1;F6=2;");
}

TEST(WriteLanes, AWriteOverlappingTwoLanesRunsAfterBoth) {
  WriteLanes lanes(2);
  Journal journal;
  Gate releaseA1;
  Gate releaseB1;
  lanes.Post(Cells(&kSheet, 1, 1, 1, 1), [&]() -> Status {
    releaseA1.Wait();
    journal.Add("A1;");
    return {};
  });
  lanes.Post(Cells(&kSheet, 1, 2, 1, 2), [&]() -> Status {
    releaseB1.Wait();
    journal.Add("B1;");
    return {};
  });
  // A1:B1 overlaps both. Queued behind A1 alone, it would run as soon as A1 is let go,
  // while B1 still waits.
  std::thread writer([&] {
    lanes.Post(Cells(&kSheet, 1, 1, 1, 2), [&]() -> Status {
      journal.Add("A1:B1;");
      return {};
    });
  });
  std::this_thread::sleep_for(50ms);
  releaseA1.Open();
  std::this_thread::sleep_for(50ms);
  releaseB1.Open();
  writer.join();
  EXPECT_TRUE(lanes.Drain());
  EXPECT_EQ(journal.Text(), "A1;B1;A1:B1;");
}

TEST(WriteLanes, AReadWaitsForTheWritesToItsCellsOnly) {
  WriteLanes lanes(2);
  Gate release;
  std::atomic<bool> written = false;
  lanes.Post(Cells(&kSheet, 6, 6, 6, 6), [&]() -> Status {
    release.Wait();
    written = true;
    return {};
  });
  lanes.WaitFor(Cells(&kSheet, 8, 6, 8, 6));  // F8: nothing on its way there
  EXPECT_FALSE(written);
  std::thread opener([&] {
    std::this_thread::sleep_for(50ms);
    release.Open();
  });
  lanes.WaitFor(Cells(&kSheet, 5, 6, 7, 6));  // F5:F7 holds F6
  EXPECT_TRUE(written);
  opener.join();
}

TEST(WriteLanes, AFailureIsHandedOverOnce) {
  WriteLanes lanes(2);
  lanes.Post(Cells(&kSheet, 2, 1, 2, 2), []() -> Status {
    return AutomationError::Make(ErrorNumber::Disconnected, "the document was closed");
  });
  // A later write of the same cells fails too: the first failure is the one handed over.
  lanes.Post(Cells(&kSheet, 2, 1, 2, 2), []() -> Status {
    return AutomationError::Make(ErrorNumber::Failed, "a later failure");
  });
  const Status first = lanes.Drain();
  ASSERT_FALSE(first);
  EXPECT_EQ(first.error().description, "the document was closed");
  EXPECT_TRUE(lanes.Drain());
  EXPECT_TRUE(lanes.TakeFailure());
}

TEST(WriteLanes, AFailureIsThereForTheNextCallWithoutWaiting) {
  WriteLanes lanes(1);
  Gate release;
  lanes.Post(Cells(&kSheet, 2, 1, 2, 1),
             []() -> Status { return AutomationError::Make(ErrorNumber::Disconnected, "gone"); });
  lanes.WaitFor(Cells(&kSheet, 2, 1, 2, 1));
  lanes.Post(Cells(&kSheet, 3, 1, 3, 1), [&]() -> Status {
    release.Wait();
    return {};
  });
  const Status taken = lanes.TakeFailure();  // while the second write still waits
  EXPECT_FALSE(taken);
  release.Open();
  EXPECT_TRUE(lanes.Drain());
}

}  // namespace
}  // namespace vx::automation::calc
