// vxquery against a server that streams its answer without ever ending it: the query stops at
// its bounds, says which one, exits with an error, and its memory stays bounded.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <string>

#include "process.h"
#include "streaming_server.h"

namespace vx {
namespace {

using namespace std::chrono_literals;

const std::string kBin = VX_BIN_DIR;

test::ProcessResult Query(const std::string& resource, const std::string& timeoutMs) {
  return test::RunProcess({kBin + "/vxquery", "query", "--timeout", timeoutMs, resource, "read?"},
                          {{"VX_VISA_NATIVE", "0"}, {"VX_VISA_LIBRARY", ""}, {"VX_VISA_SIM", ""}});
}

TEST(VxqueryBounds, AnEndlessAnswerStopsAt64MiBWithBoundedMemory) {
  test::StreamingServer server(test::StreamingServer::Pace::AsFastAsItCan);
  const auto start = std::chrono::steady_clock::now();
  const auto result = Query(server.Resource(), "1000");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.err.find("did not end within 64 MiB"), std::string::npos) << result.err;
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  EXPECT_LT(usage.ru_maxrss, 400L * 1024) << "kilobytes at most in a child";
}

TEST(VxqueryBounds, ASlowEndlessAnswerStopsAtTenTimesTheTimeOut) {
  test::StreamingServer server(test::StreamingServer::Pace::OneKilobytePer20Ms);
  const auto start = std::chrono::steady_clock::now();
  const auto result = Query(server.Resource(), "200");
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, 2s);
  EXPECT_LT(took, 6s);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("10 times the time-out of 200 ms"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace vx
