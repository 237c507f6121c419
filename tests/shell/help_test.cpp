#include "shell/help.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/fixtures.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

class HelpFolderTest : public ::testing::Test {
 protected:
  // A manual at relative inside the temporary tree.
  void PlaceManual(const std::string& relative) {
    fs::create_directories(root_.File(relative));
    test::WriteFileBytes(root_.File(relative) + "/" + kHelpFileName, {'<', 'p', '>'});
  }
  std::string Bin() const { return root_.File("usr/bin"); }
  test::TTempDir root_;
};

TEST_F(HelpFolderTest, BuildTreeKeepsTheManualBesideTheProgram) {
  PlaceManual("usr/bin");
  EXPECT_EQ(HelpFolderFor(Bin()), Bin());
  // A manual beside the program wins over an installed one.
  PlaceManual("usr/share/doc/quillon");
  EXPECT_EQ(HelpFolderFor(Bin()), Bin());
}

TEST_F(HelpFolderTest, InstalledTreeFindsTheManualUnderSharedDocs) {
  fs::create_directories(Bin());
  PlaceManual("usr/share/doc/quillon");
  EXPECT_EQ(HelpFolderFor(Bin()), root_.File("usr/share/doc/quillon"));
  // A trailing slash on the program's folder leads to the same place.
  EXPECT_EQ(HelpFolderFor(Bin() + "/"), root_.File("usr/share/doc/quillon"));
}

TEST_F(HelpFolderTest, NoManualAnywhereNamesTheProgramFolder) {
  fs::create_directories(Bin());
  // A folder of the manual's name is not the manual.
  fs::create_directories(root_.File("usr/share/doc/quillon/") + kHelpFileName);
  EXPECT_EQ(HelpFolderFor(Bin()), Bin());
}

}  // namespace
}  // namespace quillon
