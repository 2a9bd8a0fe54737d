// What a VISA programmer expects beyond plain reads and writes: the termination character,
// exclusive locks, each session's own answers, the statuses of a GPIB meter that left the bus,
// and status texts that fit their buffer.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "simulated_visa.h"
#include "visa/status_text.h"
#include "visa/visa.h"
#include "visa_test_util.h"

namespace vx::visa {
namespace {

using test::SimulatedVisa;

using testing::Desc;
using testing::kGpib;
using testing::kUsb;

struct ReadResult {
  ViStatus status;
  std::string text;
  bool operator==(const ReadResult&) const = default;
};
std::ostream& operator<<(std::ostream& out, const ReadResult& r) {
  return out << "{0x" << std::hex << static_cast<unsigned>(r.status) << ", \"" << r.text << "\"}";
}

ReadResult ReadSome(ViSession session, ViUInt32 capacity = 256) {
  std::string buffer(capacity, '\0');
  ViUInt32 count = 0;
  const ViStatus status = viRead(session, reinterpret_cast<ViBuf>(buffer.data()), capacity, &count);
  buffer.resize(count);
  return {status, buffer};
}

class VisaSemanticsTest : public testing::SimulatedManagerTest {
 protected:
  VisaSemanticsTest()
      : SimulatedManagerTest({SimulatedVisa::UsbMeter("TW00012345"), SimulatedVisa::GpibMeter(22)},
                             {{"USB0::0x1F3A::0x0C21::ALIAS::INSTR", kGpib}}) {}
};

TEST_F(VisaSemanticsTest, AReadEndsAtTheTerminationCharacterOnlyWhenItIsEnabled) {
  const ViSession session = Open(kUsb);
  // The commands carry their own line feed: no termination character is to be added to them.
  ASSERT_EQ(viSetAttribute(session, VI_ATTR_SEND_END_EN, VI_FALSE), VI_SUCCESS);
  viPrintf(session, "sample:count 3\n");
  viPrintf(session, "read?\n");
  EXPECT_EQ(ReadSome(session), (ReadResult{VI_SUCCESS,
                                           "+1.23456700E+00,+1.23456700E+00,"
                                           "+1.23456700E+00\n"}));

  ASSERT_EQ(viSetAttribute(session, VI_ATTR_TERMCHAR, ','), VI_SUCCESS);
  ASSERT_EQ(viSetAttribute(session, VI_ATTR_TERMCHAR_EN, VI_TRUE), VI_SUCCESS);
  viPrintf(session, "read?\n");
  EXPECT_EQ(ReadSome(session), (ReadResult{VI_SUCCESS_TERM_CHAR, "+1.23456700E+00,"}));
  EXPECT_EQ(ReadSome(session, 4), (ReadResult{VI_SUCCESS_MAX_CNT, "+1.2"}));
  EXPECT_EQ(ReadSome(session), (ReadResult{VI_SUCCESS_TERM_CHAR, "3456700E+00,"}));
  EXPECT_EQ(ReadSome(session), (ReadResult{VI_SUCCESS, "+1.23456700E+00\n"}));

  // The line feed as termination character: the end of every answer.
  ASSERT_EQ(viSetAttribute(session, VI_ATTR_TERMCHAR, '\n'), VI_SUCCESS);
  viPrintf(session, "*IDN?\n");
  EXPECT_EQ(ReadSome(session).status, VI_SUCCESS_TERM_CHAR);

  // A device clear drops what was held back after a termination character.
  ASSERT_EQ(viSetAttribute(session, VI_ATTR_TERMCHAR, ','), VI_SUCCESS);
  viPrintf(session, "read?\n");
  EXPECT_EQ(ReadSome(session).status, VI_SUCCESS_TERM_CHAR);
  EXPECT_EQ(viClear(session), VI_SUCCESS);
  viPrintf(session, "func?\n");
  EXPECT_EQ(ReadSome(session), (ReadResult{VI_SUCCESS, "\"VOLT\"\n"}));
  viClose(session);
}

TEST_F(VisaSemanticsTest, EachSessionGetsOnlyItsOwnAnswers) {
  const ViSession a = Open(kUsb);
  const ViSession b = Open(kUsb);
  viPrintf(a, "*IDN?\n");
  viPrintf(b, "CONF:RES\n");
  viPrintf(b, "func?\n");
  EXPECT_EQ(ReadSome(b), (ReadResult{VI_SUCCESS, "\"RES\"\n"}));
  EXPECT_EQ(ReadSome(a), (ReadResult{VI_SUCCESS, "TOLVEX,W9-90/1,TW00012345,Q7110 1.05\n"}));
  // What a closed session left unread does not reach the next one.
  viPrintf(a, "read?\n");
  viClose(a);
  const ViSession c = Open(kUsb);
  viPrintf(c, "func?\n");
  EXPECT_EQ(ReadSome(c), (ReadResult{VI_SUCCESS, "\"RES\"\n"}));
  viClose(b);
  viClose(c);
}

TEST_F(VisaSemanticsTest, ASecondExclusiveLockOfOneResourceIsRefused) {
  const ViSession first = Open(kGpib, VI_EXCLUSIVE_LOCK);
  Open(kGpib, VI_EXCLUSIVE_LOCK, VI_ERROR_RSRC_LOCKED);
  EXPECT_NE(Desc(rm_, VI_ERROR_RSRC_LOCKED).find("exclusive lock"), std::string::npos)
      << Desc(rm_, VI_ERROR_RSRC_LOCKED);
  Open(kGpib, VI_SHARED_LOCK, VI_ERROR_RSRC_LOCKED);
  // An alias names the same instrument, and so the same lock.
  Open("USB0::0x1F3A::0x0C21::ALIAS::INSTR", VI_EXCLUSIVE_LOCK, VI_ERROR_RSRC_LOCKED);
  Open("gpib::22", VI_EXCLUSIVE_LOCK, VI_ERROR_RSRC_LOCKED);
  // Other resources, and sessions that ask for no lock, are not affected.
  viClose(Open(kUsb, VI_EXCLUSIVE_LOCK));
  viClose(Open(kGpib));
  viClose(first);
  const ViSession again = Open(kGpib, VI_EXCLUSIVE_LOCK);
  viClose(again);

  // Shared locks go together, but keep an exclusive one out.
  const ViSession s1 = Open(kGpib, VI_SHARED_LOCK);
  const ViSession s2 = Open(kGpib, VI_SHARED_LOCK);
  Open(kGpib, VI_EXCLUSIVE_LOCK, VI_ERROR_RSRC_LOCKED);
  viClose(s1);
  viClose(s2);
  // Closing the manager releases the locks of its sessions.
  ViSession other = VI_NULL;
  ASSERT_EQ(viOpenDefaultRM(&other), VI_SUCCESS);
  ViSession held = VI_NULL;
  ASSERT_EQ(viOpen(other, kGpib, VI_EXCLUSIVE_LOCK, 0, &held), VI_SUCCESS);
  viClose(other);
  viClose(Open(kGpib, VI_EXCLUSIVE_LOCK));
}

TEST(VisaGpibFaults, AMeterOffTheBusAnswersAsRealGpibHardwareDoes) {
  auto meter = SimulatedVisa::GpibMeter(7);
  meter.fault.kind = sim::FaultKind::ConnectionLost;
  meter.fault.lostAfterCommands = 1;
  SimulatedVisa visa({meter});
  ViSession rm = VI_NULL;
  viOpenDefaultRM(&rm);
  ViSession session = VI_NULL;
  ASSERT_EQ(viOpen(rm, "GPIB0::7::INSTR", VI_NO_LOCK, 0, &session), VI_SUCCESS);
  viSetAttribute(session, VI_ATTR_TMO_VALUE, 3000);
  EXPECT_EQ(viPrintf(session, "L0\n"), VI_SUCCESS);
  EXPECT_EQ(viPrintf(session, "*IDN?\n"), VI_ERROR_NLISTENERS);
  EXPECT_NE(Desc(session, VI_ERROR_NLISTENERS).find("GPIB0::7::INSTR"), std::string::npos);
  const auto before = visa.Clock().Steady();
  EXPECT_EQ(ReadSome(session).status, VI_ERROR_TMO);  // nobody talks: the time-out runs out
  EXPECT_EQ(visa.Clock().Steady() - before, std::chrono::milliseconds(3000));
  EXPECT_EQ(viClear(session), VI_ERROR_NLISTENERS);
  ViSession another = VI_NULL;
  EXPECT_EQ(viOpen(rm, "GPIB0::7::INSTR", VI_NO_LOCK, 0, &another), VI_ERROR_RSRC_NFOUND);
  viClose(rm);
}

TEST(StatusText, ALongDetailIsCutAfterAWholeWordWithinTheBuffer) {
  const std::string meaning = "The resource name is not valid.";
  EXPECT_EQ(WithDetail(meaning, "a short reason"), meaning + " (a short reason)");
  EXPECT_EQ(WithDetail(meaning, ""), meaning);
  std::string detail;
  for (int i = 0; i < 40; ++i) detail += "word" + std::to_string(i) + " ";
  const std::string text = WithDetail(meaning, detail);
  EXPECT_LE(text.size(), kStatusTextLimit);
  EXPECT_GT(text.size(), kStatusTextLimit - 12);
  EXPECT_EQ(text.substr(text.size() - 4), "...)");
  const std::string kept = text.substr(meaning.size() + 2, text.size() - meaning.size() - 6);
  EXPECT_EQ(detail.rfind(kept, 0), 0u);         // the detail's beginning
  EXPECT_EQ(detail[kept.size()], ' ') << kept;  // ... up to a whole word
  // One word longer than the room is cut inside it rather than lost.
  EXPECT_EQ(WithDetail(meaning, std::string(400, 'x')).size(), kStatusTextLimit);
}

TEST_F(VisaSemanticsTest, viStatusDescFitsItsBufferWithALongDetail) {
  const std::string name = "NOSUCH" + std::string(240, 'Q') + "::INSTR";
  ViSession session = VI_NULL;
  EXPECT_EQ(viOpen(rm_, name.c_str(), VI_NO_LOCK, 0, &session), VI_ERROR_INV_RSRC_NAME);
  char text[VI_FIND_BUFLEN + 16];
  std::memset(text, '#', sizeof text);
  viStatusDesc(rm_, VI_ERROR_INV_RSRC_NAME, text);
  EXPECT_EQ(text[VI_FIND_BUFLEN], '#');  // nothing written past the 256 bytes
  const std::string shown = text;
  EXPECT_LE(shown.size(), kStatusTextLimit);
  EXPECT_EQ(shown.substr(shown.size() - 4), "...)") << shown;
}

}  // namespace
}  // namespace vx::visa
