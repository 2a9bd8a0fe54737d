// vxquery and k9sim as a user runs them.

#include <gtest/gtest.h>
#include <signal.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "instrument/device_table.h"
#include "process.h"
#include "simulated_visa.h"
#include "visa/visa.h"
#include "visa/visa_config.h"

namespace vx {
namespace {

namespace fs = std::filesystem;

const std::string kBin = VX_BIN_DIR;
const std::string kDefaultSimulation = std::string(VX_SOURCE_DIR) + "/share/sim/default.ini";

std::map<std::string, std::string> SimulatedEnvironment() {
  return {{"VX_VISA_SIM", kDefaultSimulation}, {"VX_VISA_NATIVE", "0"}, {"VX_VISA_LIBRARY", ""}};
}

class TempFolder {
 public:
  TempFolder() {
    path_ = fs::temp_directory_path() /
            ("vx_apps_" + std::to_string(getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(path_);
  }
  ~TempFolder() { fs::remove_all(path_); }
  std::string File(const std::string& name, const std::string& text) const {
    const std::string file = (path_ / name).string();
    std::ofstream(file) << text;
    return file;
  }

 private:
  fs::path path_;
};

TEST(Vxquery, ListsAndScansTheDefaultSimulatedMeters) {
  const auto list = test::RunProcess({kBin + "/vxquery", "list"}, SimulatedEnvironment());
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_EQ(list.out, "USB0::0x1F3A::0x0C21::TW00012345::INSTR\nGPIB0::22::INSTR\n");

  const auto gpibOnly =
      test::RunProcess({kBin + "/vxquery", "list", "GPIB?*"}, SimulatedEnvironment());
  EXPECT_EQ(gpibOnly.out, "GPIB0::22::INSTR\n");

  const auto scan = test::RunProcess({kBin + "/vxquery", "scan"}, SimulatedEnvironment());
  EXPECT_EQ(scan.exitCode, 0) << scan.err;
  EXPECT_TRUE(std::regex_match(scan.out, std::regex("W9-90/1-USBTMC-TW00012345\tTOLVEX,W9-90/1,"
                                                    "[^\n]*\nW9-90/1-GPIB-22\tTOLVEX,W9-90/1,"
                                                    "[^\n]*\n")))
      << scan.out;
}

TEST(Vxquery, ListsAndScansAsJson) {
  const auto list = test::RunProcess({kBin + "/vxquery", "list", "--json"}, SimulatedEnvironment());
  EXPECT_EQ(list.exitCode, 0) << list.err;
  const QJsonArray resources = QJsonDocument::fromJson(QByteArray::fromStdString(list.out)).array();
  ASSERT_EQ(resources.size(), 2) << list.out;
  EXPECT_EQ(resources[0]["descriptor"].toString(), "USB0::0x1F3A::0x0C21::TW00012345::INSTR");
  EXPECT_EQ(resources[1]["descriptor"].toString(), "GPIB0::22::INSTR");
  const auto gpib =
      test::RunProcess({kBin + "/vxquery", "list", "GPIB?*", "--json"}, SimulatedEnvironment());
  EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(gpib.out)).array().size(), 1);

  const auto scan = test::RunProcess({kBin + "/vxquery", "scan", "--json"}, SimulatedEnvironment());
  EXPECT_EQ(scan.exitCode, 0) << scan.err;
  const QJsonArray meters = QJsonDocument::fromJson(QByteArray::fromStdString(scan.out)).array();
  ASSERT_EQ(meters.size(), 2) << scan.out;
  EXPECT_EQ(meters[1]["name"].toString(), "W9-90/1-GPIB-22");
  EXPECT_EQ(meters[1]["descriptor"].toString(), "GPIB0::22::INSTR");
  EXPECT_TRUE(meters[1]["identity"].toString().startsWith("TOLVEX,W9-90/1,TW00054321,"));
}

TEST(Vxquery, QueriesAndReportsTheRate) {
  const auto once = test::RunProcess({kBin + "/vxquery", "query", "GPIB0::22::INSTR", "*IDN?"},
                                     SimulatedEnvironment());
  EXPECT_EQ(once.exitCode, 0) << once.err;
  EXPECT_TRUE(once.out.rfind("TOLVEX,W9-90/1,", 0) == 0) << once.out;

  const auto repeated =
      test::RunProcess({kBin + "/vxquery", "query", "--repeat", "200", "GPIB0::22::INSTR", "read?"},
                       SimulatedEnvironment());
  EXPECT_EQ(repeated.exitCode, 0) << repeated.err;
  EXPECT_TRUE(std::regex_search(
      repeated.out, std::regex("\n200 queries in [0-9]+\\.[0-9]{3} s \\([0-9]+ per second\\)\n$")))
      << repeated.out;

  // A command that is not a query prints nothing and succeeds.
  const auto write = test::RunProcess(
      {kBin + "/vxquery", "query", "GPIB0::22::INSTR", "CONF:VOLT:AC"}, SimulatedEnvironment());
  EXPECT_EQ(write.exitCode, 0);
  EXPECT_EQ(write.out, "");
}

TEST(Vxquery, ReportsVisaFailuresInWordsWithAnErrorStatus) {
  const auto badName = test::RunProcess({kBin + "/vxquery", "query", "GPIB0::99::INSTR", "*IDN?"},
                                        SimulatedEnvironment());
  EXPECT_EQ(badName.exitCode, 1);
  EXPECT_NE(badName.err.find("resource name is not valid"), std::string::npos) << badName.err;

  const auto absent = test::RunProcess(
      {kBin + "/vxquery", "query", "--timeout", "100", "TCPIP0::127.0.0.1::1::SOCKET", "*IDN?"},
      SimulatedEnvironment());
  EXPECT_EQ(absent.exitCode, 1);
  EXPECT_FALSE(absent.err.empty());

  const auto noMatch =
      test::RunProcess({kBin + "/vxquery", "list", "ASRL?*"}, SimulatedEnvironment());
  EXPECT_EQ(noMatch.exitCode, 1);
  EXPECT_NE(noMatch.err.find("ASRL?*"), std::string::npos);

  EXPECT_EQ(test::RunProcess({kBin + "/vxquery", "frobnicate"}).exitCode, 2);
  EXPECT_EQ(test::RunProcess({kBin + "/vxquery", "query", "--repeat", "x", "A", "B"}).exitCode, 2);
}

TEST(Vxquery, AMeterUnderADecimalUsbDescriptorIsNamedByItsSerial) {
  TempFolder folder;
  const std::string file =
      folder.File("decimal.ini", "[M]\nDescriptor=USB0::7994::3105::S5::INSTR\n");
  const auto scan =
      test::RunProcess({kBin + "/vxquery", "scan"},
                       {{"VX_VISA_SIM", file}, {"VX_VISA_NATIVE", "0"}, {"VX_VISA_LIBRARY", ""}});
  EXPECT_EQ(scan.exitCode, 0) << scan.err;
  EXPECT_EQ(scan.out.substr(0, scan.out.find('\t')), "W9-90/1-USBTMC-S5") << scan.out;
}

TEST(Vxquery, SaysSoWhenNoMeterIsFound) {
  TempFolder folder;
  const std::string file = folder.File("none.ini",
                                       "[Scope]\nDescriptor=GPIB0::3::INSTR\n"
                                       "Identity=ACME,SCOPE,1,1\n");
  const auto scan =
      test::RunProcess({kBin + "/vxquery", "scan"},
                       {{"VX_VISA_SIM", file}, {"VX_VISA_NATIVE", "0"}, {"VX_VISA_LIBRARY", ""}});
  EXPECT_EQ(scan.exitCode, 1);
  EXPECT_NE(scan.err.find("No Device Connected"), std::string::npos);
}

class K9simTest : public ::testing::Test {
 protected:
  void StartServer(const std::string& simulationFile) {
    server_ = std::make_unique<test::BackgroundProcess>(std::vector<std::string>{
        kBin + "/k9sim", "--base-port", "0", "--alias-file", aliases_, simulationFile});
    for (int i = 0; i < 2; ++i) {
      const auto line = server_->ReadLine(std::chrono::seconds(10));
      ASSERT_TRUE(line) << "k9sim printed no listening line";
      std::smatch match;
      ASSERT_TRUE(std::regex_match(*line, match,
                                   std::regex("(\\S+) (TCPIP0::127\\.0\\.0\\.1::[0-9]+::SOCKET)")))
          << *line;
      endpoints_.emplace_back(match[1], match[2]);
    }
  }

  TempFolder folder_;
  std::string aliases_ = folder_.File("aliases.ini", "");
  std::unique_ptr<test::BackgroundProcess> server_;
  std::vector<std::pair<std::string, std::string>> endpoints_;
};

TEST_F(K9simTest, ServesEachMeterOnItsOwnPortToAnyVisaClient) {
  StartServer(kDefaultSimulation);
  ASSERT_EQ(endpoints_.size(), 2u);
  EXPECT_EQ(endpoints_[0].first, "USB0::0x1F3A::0x0C21::TW00012345::INSTR");
  EXPECT_EQ(endpoints_[1].first, "GPIB0::22::INSTR");

  const auto identity = test::RunProcess(
      {kBin + "/vxquery", "query", "--timeout", "5000", endpoints_[1].second, "*IDN?"},
      {{"VX_VISA_NATIVE", "0"}, {"VX_VISA_LIBRARY", ""}});
  EXPECT_EQ(identity.exitCode, 0) << identity.err;
  EXPECT_TRUE(identity.out.rfind("TOLVEX,W9-90/1,", 0) == 0) << identity.out;

  // Settings made over the socket stay with the meter for the next connection. Each
  // connection is served on its own, so the first waits for "*OPC?" to know that its setting
  // was made before it hangs up; a line's two answers come as one.
  const auto set =
      test::RunProcess({kBin + "/vxquery", "query", endpoints_[0].second, "CONF:VOLT:AC;*OPC?"},
                       {{"VX_VISA_NATIVE", "0"}, {"VX_VISA_LIBRARY", ""}});
  EXPECT_EQ(set.out, "1\n");
  const auto function =
      test::RunProcess({kBin + "/vxquery", "query", endpoints_[0].second, "func?"},
                       {{"VX_VISA_NATIVE", "0"}, {"VX_VISA_LIBRARY", ""}});
  EXPECT_EQ(function.out, "\"VOLT:AC\"\n");

  EXPECT_EQ(server_->Stop(SIGTERM), 0);
}

TEST_F(K9simTest, ItsAliasTableLetsTheScanFindTheMetersAsIfPluggedIn) {
  StartServer(kDefaultSimulation);
  visa::VisaConfig config;
  config.vendorLibrary.clear();
  config.hardwareBackends = false;
  config.aliasFile = aliases_;
  ASSERT_EQ(visa::ConfigureVisa(config), VI_SUCCESS);
  {
    instrument::DeviceTable table;
    EXPECT_EQ(table.ScanMeters(instrument::kPanelScan),
              (std::vector<std::string>{"W9-90/1-USBTMC-TW00012345", "W9-90/1-GPIB-22"}));
    EXPECT_FALSE(table.SendQuery(1, "read?\n").empty());
  }
  config.aliasFile.clear();
  visa::ConfigureVisa(config);
  EXPECT_EQ(server_->Stop(SIGINT), 0);
}

TEST_F(K9simTest, Sigusr1FiresTheExternalTriggerAMeterWaitsFor) {
  StartServer(kDefaultSimulation);
  visa::VisaConfig config;
  config.vendorLibrary.clear();
  config.hardwareBackends = false;
  ASSERT_EQ(visa::ConfigureVisa(config), VI_SUCCESS);
  ViSession rm = VI_NULL;
  ViSession session = VI_NULL;
  viOpenDefaultRM(&rm);
  ASSERT_EQ(viOpen(rm, endpoints_[0].second.c_str(), VI_NO_LOCK, 0, &session), VI_SUCCESS);
  viSetAttribute(session, VI_ATTR_TMO_VALUE, 300);
  viPrintf(session, "trig:sour ext\ninit\n*OPC?\n");
  unsigned char answer[16];
  ViUInt32 count = 0;
  EXPECT_EQ(viRead(session, answer, sizeof answer, &count), VI_ERROR_TMO);
  server_->Signal(SIGUSR1);
  viSetAttribute(session, VI_ATTR_TMO_VALUE, 10000);
  EXPECT_EQ(viRead(session, answer, sizeof answer, &count), VI_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(answer), count), "1\n");
  viClose(rm);
  EXPECT_EQ(server_->Stop(SIGTERM), 0);
}

TEST(K9sim, RefusesAFileWithoutInstruments) {
  TempFolder folder;
  const auto result =
      test::RunProcess({kBin + "/k9sim", "--base-port", "0", folder.File("empty.ini", "")});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("describes no instrument"), std::string::npos) << result.err;
  EXPECT_EQ(test::RunProcess({kBin + "/k9sim", "--base-port", "70000", "x"}).exitCode, 2);
}

}  // namespace
}  // namespace vx
