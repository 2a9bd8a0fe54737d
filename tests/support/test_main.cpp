#include <gtest/gtest.h>

#include <clocale>

// Every program of the system runs under the user's locale (Qt installs it from the
// environment), so the tests do too: a run under a decimal-comma locale then tests what
// such a user meets.
int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
