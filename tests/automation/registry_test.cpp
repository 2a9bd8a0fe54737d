// The object registry: libraries register their objects, programs create them by name, and
// each way of failing says which it was.

#include "automation/object_registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "automation/spreadsheet.h"
#include "process.h"
#include "temp_folder.h"

namespace vx::automation {
namespace {

const std::string kHostLibrary = std::string(VX_BIN_DIR) + "/libvxhost.so";
const std::string kRegister = std::string(VX_BIN_DIR) + "/vxregister";

class Registry : public ::testing::Test {
 protected:
  std::string Path() const { return folder_ / "registry.ini"; }
  test::TempFolder folder_;
  test::ScopedEnvironment registry_{"VX_OBJECT_REGISTRY", folder_ / "registry.ini"};
  test::ScopedEnvironment state_{"VX_HOST_STATE", folder_ / "host-state.ini"};
};

TEST_F(Registry, RegisterCreateUnregister) {
  test::ProcessResult registered = test::RunProcess({kRegister, kHostLibrary});
  ASSERT_EQ(registered.exitCode, 0) << registered.err;
  EXPECT_NE(registered.out.find("Excel.Application"), std::string::npos);
  const auto app = CreateObjectAs<Application>("Excel.Application");
  ASSERT_TRUE(app) << app.error().description;
  EXPECT_EQ((*app)->Version().value(), "12.0");
  EXPECT_TRUE(CreateObjectAs<Application>("Word.Application"));

  test::ProcessResult removed = test::RunProcess({kRegister, "--unregister", kHostLibrary});
  ASSERT_EQ(removed.exitCode, 0) << removed.err;
  const auto gone = CreateObject("Excel.Application");
  ASSERT_FALSE(gone);
  EXPECT_EQ(gone.error().number, static_cast<uint32_t>(ErrorNumber::ClassNotRegistered));
  EXPECT_NE(gone.error().description.find("\"Excel.Application\" is not registered"),
            std::string::npos);
}

TEST_F(Registry, ARelativeLibraryPathIsTakenFromTheRegistrysOwnFolder) {
  // As in an installed tree: the registry in share/k9-90, the library two folders up.
  const std::string libraryDir = folder_ / "lib/k9-90";
  std::filesystem::create_directories(libraryDir);
  std::filesystem::copy_file(kHostLibrary, libraryDir + "/libvxhost.so");
  const std::string registry = folder_ / "share/k9-90/object-registry.ini";
  ASSERT_TRUE(WriteRegistryEntry(
      registry, {"Excel.Application", "../../lib/k9-90/libvxhost.so", "VxCreateSpreadsheetHost"}));
  test::ScopedEnvironment installed{"VX_OBJECT_REGISTRY", registry};
  const auto entry = FindRegistryEntry("Excel.Application");
  ASSERT_TRUE(entry) << entry.error().description;
  EXPECT_EQ(entry->library, libraryDir + "/libvxhost.so");
  EXPECT_TRUE(CreateObjectAs<Application>("Excel.Application"));
}

TEST_F(Registry, TheThreeWaysOfNotCreating) {
  ASSERT_TRUE(WriteRegistryEntry(Path(), {"Gone.Library", folder_ / "nowhere.so", "Make"}));
  ASSERT_TRUE(WriteRegistryEntry(Path(), {"No.Factory", kHostLibrary, "VxCreateNothing"}));

  const auto unknown = CreateObject("Never.Registered");
  ASSERT_FALSE(unknown);
  EXPECT_EQ(unknown.error().number, static_cast<uint32_t>(ErrorNumber::ClassNotRegistered));

  const auto missing = CreateObject("Gone.Library");
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().number, static_cast<uint32_t>(ErrorNumber::LibraryNotFound));
  EXPECT_NE(missing.error().description.find("\"Gone.Library\""), std::string::npos);
  EXPECT_NE(missing.error().description.find("cannot be loaded"), std::string::npos);

  const auto absent = CreateObject("No.Factory");
  ASSERT_FALSE(absent);
  EXPECT_EQ(absent.error().number, static_cast<uint32_t>(ErrorNumber::EntryNotFound));
  EXPECT_NE(absent.error().description.find("no factory \"VxCreateNothing\""), std::string::npos);
}

TEST_F(Registry, AMalformedRegistryIsReportedAndNeverRewritten) {
  const std::string text = "[Excel.Application]\nLibrary=" + kHostLibrary + "\ngarbage here\n";
  std::ofstream(Path()) << text;
  const auto created = CreateObject("Excel.Application");
  ASSERT_FALSE(created);
  EXPECT_NE(created.error().description.find("malformed at line 3"), std::string::npos)
      << created.error().description;
  const test::ProcessResult registered = test::RunProcess({kRegister, kHostLibrary});
  EXPECT_NE(registered.exitCode, 0);
  EXPECT_NE(registered.err.find(Path()), std::string::npos) << registered.err;
  std::ifstream in(Path());
  std::stringstream kept;
  kept << in.rdbuf();
  EXPECT_EQ(kept.str(), text);
}

TEST_F(Registry, ALibraryWithoutEntryPointsIsRefusedByVxregister) {
  const test::ProcessResult result =
      test::RunProcess({kRegister, "/lib/x86_64-linux-gnu/libz.so.1"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("registers no objects"), std::string::npos) << result.err;
  EXPECT_EQ(test::RunProcess({kRegister}).exitCode, 2);
}

TEST_F(Registry, RegistrationsMadeAtOnceAllLand) {
  std::vector<std::thread> writers;
  for (int i = 0; i < 8; ++i) {
    writers.emplace_back([this, i] {
      WriteRegistryEntry(Path(), {"Object" + std::to_string(i) + ".Application", kHostLibrary,
                                  "VxCreateSpreadsheetHost"});
    });
  }
  for (std::thread& writer : writers) writer.join();
  for (int i = 0; i < 8; ++i) {
    EXPECT_TRUE(FindRegistryEntry("Object" + std::to_string(i) + ".Application")) << i;
  }
}

TEST(RegistryPaths, TheBuildTreeRegistryIsFoundBesideThePrograms) {
  ::unsetenv("VX_OBJECT_REGISTRY");
  const std::vector<std::string> paths = RegistrySearchPath();
  ASSERT_FALSE(paths.empty());
  EXPECT_EQ(paths.front(), InstalledRegistryPath());
  EXPECT_NE(paths.front().find("/share/object-registry.ini"), std::string::npos);
}

}  // namespace
}  // namespace vx::automation
