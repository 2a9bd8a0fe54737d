#include "test_office.h"

#include <signal.h>
#include <unistd.h>

#include <filesystem>

#include "automation/calc/office_connection.h"

namespace vx::test {
namespace {

// A cold start with a new profile takes seconds; the suite waits for no more than this.
constexpr auto kStartTimeout = std::chrono::seconds(90);

}  // namespace

automation::calc::Reference<automation::calc::css::uno::XComponentContext> OfficeContext(
    const std::string& pipeName) {
  auto options = automation::calc::OfficeOptions::FromEnvironment();
  options.pipeName = pipeName;
  options.mayStart = false;
  options.timeout = kStartTimeout;
  auto connection = automation::calc::OfficeConnection::Open(options);
  if (!connection) return nullptr;
  return (*connection)->Context();
}

TestOffice* TestOffice::Instance() {
  static TestOffice* office = new TestOffice;
  return office;
}

void TestOffice::SetUp() {
  folder_ = (std::filesystem::temp_directory_path() / ("vx_office_" + std::to_string(::getpid())))
                .string();
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);
  options_ = automation::calc::OfficeOptions::FromEnvironment();
  options_.pipeName = "vx-test-" + std::to_string(::getpid());
  options_.profileFolder = folder_ + "/profile";
  options_.headless = true;
  options_.timeout = kStartTimeout;
  ::setenv("VX_CALC_PIPE", options_.pipeName.c_str(), 1);
  ::setenv("VX_CALC_PROFILE", options_.profileFolder.c_str(), 1);
  Start();
}

void TestOffice::Start() {
  auto started = automation::calc::OfficeProcess::Start(options_, /*tied=*/true);
  ASSERT_TRUE(started) << started.error().description;
  process_ = std::move(*started);
  // Connecting waits until the office accepts; the connection is let go at once.
  auto options = options_;
  options.mayStart = false;
  auto connection = automation::calc::OfficeConnection::Open(options);
  ASSERT_TRUE(connection) << connection.error().description;
}

void TestOffice::Kill() {
  if (!process_) return;
  ::kill(-process_->Group(), SIGKILL);
  process_->End(std::chrono::milliseconds(0));
  process_.reset();
}

void TestOffice::Restart() {
  Kill();
  Start();
}

void TestOffice::TearDown() {
  if (process_) {
    process_->End();
    process_.reset();
  }
  std::error_code error;
  std::filesystem::remove_all(folder_, error);
}

}  // namespace vx::test
