// The operations a VISA client such as PyVISA relies on beyond the system's own: resource
// name parsing, the resource and USB attributes, its spellings of resource names, in-process
// locks, flushing, serial poll, END suppression, and the operations this library leaves out.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "simulated_visa.h"
#include "visa/visa.h"
#include "visa_test_util.h"

namespace vx::visa {
namespace {

using test::SimulatedVisa;

using testing::Desc;
using testing::kGpib;
using testing::kUsb;

std::string TextAttribute(ViSession session, ViAttr attribute, ViStatus expected = VI_SUCCESS) {
  char text[VI_FIND_BUFLEN] = {};
  EXPECT_EQ(viGetAttribute(session, attribute, text), expected) << std::hex << attribute;
  return text;
}

template <typename T>
T Attribute(ViSession session, ViAttr attribute) {
  T value{};
  EXPECT_EQ(viGetAttribute(session, attribute, &value), VI_SUCCESS) << std::hex << attribute;
  return value;
}

std::string ReadText(ViSession session, ViStatus expected, ViUInt32 capacity = 256) {
  std::string buffer(capacity, '\0');
  ViUInt32 count = 0;
  EXPECT_EQ(viRead(session, reinterpret_cast<ViBuf>(buffer.data()), capacity, &count), expected);
  buffer.resize(count);
  return buffer;
}

class VisaClientTest : public testing::SimulatedManagerTest {
 protected:
  VisaClientTest()
      : SimulatedManagerTest(
            {SimulatedVisa::UsbMeter("TW00012345"), SimulatedVisa::GpibMeter(22)}) {}
};

TEST_F(VisaClientTest, ParsingANameGivesItsInterfaceClassAndCanonicalSpelling) {
  ViUInt16 type = 0;
  ViUInt16 board = 99;
  char resourceClass[VI_FIND_BUFLEN];
  char expanded[VI_FIND_BUFLEN];
  char alias[VI_FIND_BUFLEN] = "junk";
  ASSERT_EQ(viParseRsrcEx(rm_, "tcpip1::localhost::5025::socket", &type, &board, resourceClass,
                          expanded, alias),
            VI_SUCCESS);
  EXPECT_EQ(type, VI_INTF_TCPIP);
  EXPECT_EQ(board, 1);
  EXPECT_STREQ(resourceClass, "SOCKET");
  EXPECT_STREQ(expanded, "TCPIP1::localhost::5025::SOCKET");
  EXPECT_STREQ(alias, "");
  // Without the class a name is an INSTR; nothing need be attached to parse it.
  ASSERT_EQ(viParseRsrc(rm_, "GPIB::9", &type, &board), VI_SUCCESS);
  EXPECT_EQ(type, VI_INTF_GPIB);
  EXPECT_EQ(board, 0);

  EXPECT_EQ(viParseRsrc(rm_, "USB0::nonsense", &type, &board), VI_ERROR_INV_RSRC_NAME);
  EXPECT_NE(Desc(rm_, VI_ERROR_INV_RSRC_NAME).find("("), std::string::npos)
      << "the status text says what is wrong: " << Desc(rm_, VI_ERROR_INV_RSRC_NAME);
  EXPECT_EQ(viParseRsrc(rm_, nullptr, &type, &board), VI_ERROR_INV_RSRC_NAME);
  EXPECT_EQ(viParseRsrc(0x7FFF0000, kGpib, &type, &board), VI_ERROR_INV_OBJECT);
}

// A name of fewer than 256 characters may grow past 255 when written out in full (the board
// number, four-digit USB numbers): every call that takes it refuses it rather than cut it.
TEST_F(VisaClientTest, ANameTooLongWrittenOutInFullIsRefusedNeverCut) {
  const std::string serial(227, 'S');
  const std::string name = "USB::1::2::" + serial + "::INSTR";
  ASSERT_LT(name.size(), 256u);
  ASSERT_GT(std::string("USB0::0x0001::0x0002::" + serial + "::INSTR").size(), 255u);
  ViUInt16 type = 0;
  ViUInt16 board = 0;
  char resourceClass[VI_FIND_BUFLEN];
  char expanded[VI_FIND_BUFLEN] = "junk";
  char alias[VI_FIND_BUFLEN];
  EXPECT_EQ(viParseRsrcEx(rm_, name.c_str(), &type, &board, resourceClass, expanded, alias),
            VI_ERROR_INV_RSRC_NAME);
  EXPECT_STREQ(expanded, "");
  EXPECT_NE(Desc(rm_, VI_ERROR_INV_RSRC_NAME).find("written out in full"), std::string::npos)
      << Desc(rm_, VI_ERROR_INV_RSRC_NAME);
  EXPECT_EQ(viParseRsrc(rm_, name.c_str(), &type, &board), VI_ERROR_INV_RSRC_NAME);
  ViSession session = VI_NULL;
  EXPECT_EQ(viOpen(rm_, name.c_str(), VI_NO_LOCK, 0, &session), VI_ERROR_INV_RSRC_NAME);
  // One character less fits exactly.
  const std::string fits = "USB::1::2::" + serial.substr(1) + "::INSTR";
  ASSERT_EQ(viParseRsrcEx(rm_, fits.c_str(), &type, &board, resourceClass, expanded, alias),
            VI_SUCCESS);
  EXPECT_EQ(std::string(expanded), "USB0::0x0001::0x0002::" + serial.substr(1) + "::INSTR");
  EXPECT_EQ(std::string(expanded).size(), 255u);
}

TEST_F(VisaClientTest, SessionsReportTheirResourceAndUsbIdentity) {
  const ViSession usb = Open(kUsb);
  EXPECT_EQ(TextAttribute(usb, VI_ATTR_RSRC_NAME), kUsb);
  EXPECT_EQ(TextAttribute(usb, VI_ATTR_RSRC_CLASS), "INSTR");
  EXPECT_EQ(TextAttribute(usb, VI_ATTR_RSRC_MANF_NAME), "Tolvex");
  EXPECT_EQ(Attribute<ViUInt16>(usb, VI_ATTR_INTF_TYPE), VI_INTF_USB);
  EXPECT_EQ(Attribute<ViUInt16>(usb, VI_ATTR_MANF_ID), 0x1F3A);
  EXPECT_EQ(Attribute<ViUInt16>(usb, VI_ATTR_MODEL_CODE), 0x0C21);
  EXPECT_EQ(TextAttribute(usb, VI_ATTR_USB_SERIAL_NUM), "TW00012345");
  EXPECT_EQ(Attribute<ViVersion>(usb, VI_ATTR_RSRC_SPEC_VERSION), VI_SPEC_VERSION);

  const ViSession gpib = Open(kGpib);
  EXPECT_EQ(Attribute<ViUInt16>(gpib, VI_ATTR_GPIB_PRIMARY_ADDR), 22);
  EXPECT_EQ(Attribute<ViUInt16>(gpib, VI_ATTR_GPIB_SECONDARY_ADDR), VI_NO_SEC_ADDR);
  // Attributes of another interface are not this session's.
  TextAttribute(gpib, VI_ATTR_USB_SERIAL_NUM, VI_ERROR_NSUP_ATTR);
  ViUInt16 code = 0;
  EXPECT_EQ(viGetAttribute(gpib, VI_ATTR_MANF_ID, &code), VI_ERROR_NSUP_ATTR);
  // What the name decides cannot be set; the library's identity is the manager's too.
  EXPECT_EQ(viSetAttribute(usb, VI_ATTR_MANF_ID, 1), VI_ERROR_ATTR_READONLY);
  EXPECT_EQ(viSetAttribute(usb, VI_ATTR_RSRC_CLASS, 0), VI_ERROR_ATTR_READONLY);
  EXPECT_EQ(TextAttribute(rm_, VI_ATTR_RSRC_MANF_NAME), "Tolvex");
  EXPECT_EQ(viGetAttribute(rm_, VI_ATTR_TMO_VALUE, &code), VI_ERROR_NSUP_ATTR);
  viClose(usb);
  viClose(gpib);
}

TEST_F(VisaClientTest, TheFullFormsOfUsbAndGpibNamesOpenTheMetersTheShortFormsName) {
  // PyVISA spells the names it opens with USB interface 0 and GPIB secondary address 0.
  for (const char* full : {"USB0::0x1F3A::0x0C21::TW00012345::0::INSTR", "GPIB0::22::0::INSTR"}) {
    const ViSession session = Open(full);
    viPrintf(session, "*IDN?\n");
    EXPECT_EQ(ReadText(session, VI_SUCCESS).rfind("TOLVEX,W9-90/1,", 0), 0u) << full;
    EXPECT_EQ(TextAttribute(session, VI_ATTR_RSRC_NAME), full);
    viClose(session);
  }
  // Any other interface or secondary address is another resource.
  Open("GPIB0::22::3::INSTR", VI_NO_LOCK, VI_ERROR_RSRC_NFOUND);
  Open("USB0::0x1F3A::0x0C21::TW00012345::1::INSTR", VI_NO_LOCK, VI_ERROR_RSRC_NFOUND);
  // The two spellings are one resource, with one lock.
  ViSession locked = VI_NULL;
  ASSERT_EQ(viOpen(rm_, kGpib, VI_EXCLUSIVE_LOCK, 0, &locked), VI_SUCCESS);
  ViSession other = VI_NULL;
  EXPECT_EQ(viOpen(rm_, "GPIB0::22::0::INSTR", VI_EXCLUSIVE_LOCK, 0, &other), VI_ERROR_RSRC_LOCKED);
  viClose(locked);
}

TEST_F(VisaClientTest, LocksNestShareByKeyAndKeepConflictingLocksOut) {
  const ViSession a = Open(kGpib);
  const ViSession b = Open("GPIB0::22::0::INSTR");
  EXPECT_EQ(viLock(a, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_SUCCESS);
  EXPECT_EQ(viLock(a, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_SUCCESS_NESTED_EXCLUSIVE);
  EXPECT_EQ(Attribute<ViAccessMode>(b, VI_ATTR_RSRC_LOCK_STATE), VI_EXCLUSIVE_LOCK);
  EXPECT_EQ(viLock(b, VI_SHARED_LOCK, 0, nullptr, nullptr), VI_ERROR_TMO);
  EXPECT_NE(Desc(b, VI_ERROR_TMO).find("exclusive lock"), std::string::npos)
      << Desc(b, VI_ERROR_TMO);
  // A lock keeps other locks out, not other sessions' I/O.
  EXPECT_EQ(viPrintf(b, "*IDN?\n"), VI_SUCCESS);
  EXPECT_EQ(viUnlock(a), VI_SUCCESS_NESTED_EXCLUSIVE);
  EXPECT_EQ(viUnlock(a), VI_SUCCESS);
  EXPECT_EQ(viUnlock(a), VI_ERROR_SESN_NLOCKED);

  char key[VI_FIND_BUFLEN] = {};
  ASSERT_EQ(viLock(a, VI_SHARED_LOCK, 0, nullptr, key), VI_SUCCESS);
  ASSERT_NE(key[0], '\0');
  char joined[VI_FIND_BUFLEN] = {};
  EXPECT_EQ(viLock(b, VI_SHARED_LOCK, 0, "another key", joined), VI_ERROR_TMO);
  EXPECT_EQ(viLock(b, VI_SHARED_LOCK, 0, key, joined), VI_SUCCESS);
  EXPECT_STREQ(joined, key);
  EXPECT_EQ(Attribute<ViAccessMode>(a, VI_ATTR_RSRC_LOCK_STATE), VI_SHARED_LOCK);
  EXPECT_EQ(viLock(a, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_ERROR_TMO);
  ViSession excluded = VI_NULL;
  EXPECT_EQ(viOpen(rm_, kGpib, VI_EXCLUSIVE_LOCK, 0, &excluded), VI_ERROR_RSRC_LOCKED);

  EXPECT_EQ(viLock(a, 7, 0, nullptr, nullptr), VI_ERROR_INV_LOCK_TYPE);
  EXPECT_EQ(viLock(a, VI_SHARED_LOCK, 0, "", key), VI_ERROR_INV_ACCESS_KEY);
  EXPECT_EQ(viLock(rm_, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_ERROR_NSUP_OPER);
  viClose(a);
  viClose(b);
  // Closing the sessions gave their locks up.
  const ViSession c = Open(kGpib);
  EXPECT_EQ(Attribute<ViAccessMode>(c, VI_ATTR_RSRC_LOCK_STATE), VI_NO_LOCK);
  EXPECT_EQ(viLock(c, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_SUCCESS);
  viClose(c);
}

TEST_F(VisaClientTest, ALockWaitsWithinItsTimeOutForTheHolderToLetGo) {
  const ViSession holder = Open(kUsb);
  const ViSession waiter = Open(kUsb);
  ASSERT_EQ(viLock(holder, VI_EXCLUSIVE_LOCK, 0, nullptr, nullptr), VI_SUCCESS);
  std::thread release([holder] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    viUnlock(holder);
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(viLock(waiter, VI_EXCLUSIVE_LOCK, 10000, nullptr, nullptr), VI_SUCCESS);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  release.join();
  // Now the other way round, and the holder closes instead of unlocking.
  std::thread close([waiter] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    viClose(waiter);
  });
  EXPECT_EQ(viLock(holder, VI_EXCLUSIVE_LOCK, VI_TMO_INFINITE, nullptr, nullptr), VI_SUCCESS);
  close.join();
  viClose(holder);
}

TEST_F(VisaClientTest, FlushingTheReadBufferDropsWhatATerminationCharacterLeftOver) {
  const ViSession session = Open(kUsb);
  // The commands carry their own line feed; the ',' is not to be added to them.
  viSetAttribute(session, VI_ATTR_SEND_END_EN, VI_FALSE);
  viSetAttribute(session, VI_ATTR_TERMCHAR, ',');
  viSetAttribute(session, VI_ATTR_TERMCHAR_EN, VI_TRUE);
  viPrintf(session, "sample:count 3\n");
  viPrintf(session, "read?\n");
  EXPECT_EQ(ReadText(session, VI_SUCCESS_TERM_CHAR), "+1.23456700E+00,");
  EXPECT_EQ(viFlush(session, VI_WRITE_BUF | VI_READ_BUF_DISCARD), VI_SUCCESS);
  viPrintf(session, "func?\n");
  EXPECT_EQ(ReadText(session, VI_SUCCESS), "\"VOLT\"\n");

  EXPECT_EQ(viFlush(session, 0), VI_ERROR_INV_MASK);
  EXPECT_EQ(viFlush(session, VI_READ_BUF | VI_READ_BUF_DISCARD), VI_ERROR_INV_MASK);
  EXPECT_EQ(viFlush(session, 0x100), VI_ERROR_INV_MASK);
  EXPECT_EQ(viFlush(rm_, VI_READ_BUF), VI_ERROR_NSUP_OPER);
  viClose(session);
}

TEST_F(VisaClientTest, ASerialPollReadsTheStatusByteAndLeavesTheAnswerWaiting) {
  const ViSession session = Open(kGpib);
  ViUInt16 status = 0xFFFF;
  ASSERT_EQ(viReadSTB(session, &status), VI_SUCCESS);
  EXPECT_EQ(status, 0);
  viPrintf(session, "*IDN?\n");
  ASSERT_EQ(viReadSTB(session, &status), VI_SUCCESS);
  EXPECT_EQ(status & 0x10, 0x10) << "a message is available";
  EXPECT_EQ(ReadText(session, VI_SUCCESS), "TOLVEX,W9-90/1,TW00022,1.02\n");
  viPrintf(session, "no:such:command\n");
  ASSERT_EQ(viReadSTB(session, &status), VI_SUCCESS);
  EXPECT_EQ(status, 0x04) << "the error queue holds an error";
  EXPECT_EQ(viReadSTB(session, nullptr), VI_ERROR_INV_PARAMETER);
  EXPECT_EQ(viReadSTB(rm_, &status), VI_ERROR_NSUP_OPER);
  viClose(session);
}

TEST_F(VisaClientTest, WithEndSuppressedOnlyTheTerminationCharacterOrTheTimeOutEndARead) {
  const ViSession session = Open(kUsb);
  ASSERT_EQ(viSetAttribute(session, VI_ATTR_SUPPRESS_END_EN, VI_TRUE), VI_SUCCESS);
  EXPECT_EQ(Attribute<ViBoolean>(session, VI_ATTR_SUPPRESS_END_EN), VI_TRUE);
  viSetAttribute(session, VI_ATTR_TMO_VALUE, 500);
  viPrintf(session, "func?\n");
  viPrintf(session, "func?\n");
  // Both answers arrive in one read, which then waits out the time-out for more.
  EXPECT_EQ(ReadText(session, VI_ERROR_TMO), "\"VOLT\"\n\"VOLT\"\n");
  viPrintf(session, "func?\n");
  EXPECT_EQ(ReadText(session, VI_SUCCESS_MAX_CNT, 4), "\"VOL");
  EXPECT_EQ(ReadText(session, VI_ERROR_TMO), "T\"\n");
  viSetAttribute(session, VI_ATTR_TERMCHAR_EN, VI_TRUE);
  viPrintf(session, "func?\n");
  EXPECT_EQ(ReadText(session, VI_SUCCESS_TERM_CHAR), "\"VOLT\"\n");
  EXPECT_EQ(viSetAttribute(session, VI_ATTR_SUPPRESS_END_EN, 2), VI_ERROR_NSUP_ATTR_STATE);
  viClose(session);
}

TEST(VisaStatusText, EveryStatusTheClientOperationsReturnHasItsText) {
  for (const ViStatus status :
       {VI_SUCCESS_EVENT_DIS, VI_SUCCESS_QUEUE_EMPTY, VI_SUCCESS_NESTED_SHARED,
        VI_SUCCESS_NESTED_EXCLUSIVE, VI_ERROR_INV_LOCK_TYPE, VI_ERROR_INV_ACCESS_KEY,
        VI_ERROR_INV_EVENT, VI_ERROR_INV_MECH, VI_ERROR_INV_MASK, VI_ERROR_SESN_NLOCKED,
        VI_ERROR_NSUP_OPER, VI_ERROR_ATTR_READONLY}) {
    char text[VI_FIND_BUFLEN] = {};
    EXPECT_EQ(viStatusDesc(VI_NULL, status, text), VI_SUCCESS) << std::hex << status << text;
  }
}

TEST_F(VisaClientTest, OperationsLeftOutAnswerNotSupportedAndSayWhy) {
  const ViSession session = Open(kUsb);
  char text[64] = {};
  int number = 0;
  EXPECT_EQ(viQueryf(session, "*IDN?\n", "%t", text), VI_ERROR_NSUP_OPER);
  EXPECT_NE(Desc(session, VI_ERROR_NSUP_OPER).find("viQueryf"), std::string::npos);
  EXPECT_EQ(viScanf(session, "%d", &number), VI_ERROR_NSUP_OPER);
  ViUInt8 byte = 0;
  EXPECT_EQ(viIn8(session, 0, 0, &byte), VI_ERROR_NSUP_OPER);
  EXPECT_EQ(viGpibControlREN(session, VI_GPIB_REN_ASSERT), VI_ERROR_NSUP_OPER);
  EXPECT_EQ(viReadAsync(0x7FFF0000, nullptr, 0, nullptr), VI_ERROR_NSUP_OPER);
  viPeek8(session, nullptr, &byte);  // returns nothing, touches nothing
  // No event is ever raised: enabling one is not supported, every one stays disabled.
  EXPECT_EQ(viEnableEvent(session, VI_EVENT_SERVICE_REQ, VI_QUEUE, 0), VI_ERROR_NSUP_OPER);
  EXPECT_EQ(viDisableEvent(session, VI_ALL_ENABLED_EVENTS, VI_ALL_MECH), VI_SUCCESS_EVENT_DIS);
  EXPECT_EQ(viDiscardEvents(session, VI_ALL_ENABLED_EVENTS, VI_ALL_MECH), VI_SUCCESS_QUEUE_EMPTY);
  EXPECT_EQ(viDisableEvent(session, 0x1234, VI_QUEUE), VI_ERROR_INV_EVENT);
  EXPECT_EQ(viDisableEvent(session, VI_EVENT_TRIG, 0x80), VI_ERROR_INV_MECH);
  EXPECT_EQ(viDisableEvent(0x7FFF0000, VI_EVENT_TRIG, VI_QUEUE), VI_ERROR_INV_OBJECT);
  // Writes are not buffered: a buffered write goes out at once.
  ViUInt32 written = 0;
  const char command[] = "func?\n";
  EXPECT_EQ(viBufWrite(session, reinterpret_cast<ViConstBuf>(command), 6, &written), VI_SUCCESS);
  EXPECT_EQ(written, 6u);
  EXPECT_EQ(ReadText(session, VI_SUCCESS), "\"VOLT\"\n");
  viClose(session);
}

}  // namespace
}  // namespace vx::visa
