#include "platform/tempfile.h"

#include <gtest/gtest.h>

#include "platform/config.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "support/fixtures.h"

namespace quillon {
namespace {

TEST(TempFileTest, MakesUniqueEmptyPrefixedFilesInTheTempFolder) {
  test::TTempDir dir;
  std::string saved = config.tempfolder;
  config.tempfolder = dir.Path();  // without the trailing slash on purpose
  std::string first = MakeTempFileName();
  std::string second = MakeTempFileName();
  config.tempfolder = saved;
  EXPECT_NE(first, second);
  EXPECT_EQ(first.rfind(dir.Path() + "/~ql", 0), 0u) << first;
  EXPECT_EQ(FileSize(first), 0u);
  EXPECT_EQ(dir.List().size(), 2u);
}

TEST(TempFileTest, MissingFolderIsAnError) {
  std::string saved = config.tempfolder;
  config.tempfolder = "/nonexistent-quillon-folder/";
  EXPECT_THROW(MakeTempFileName(), EOSError);
  config.tempfolder = saved;
}

TEST(TempFileTest, DefaultFolderEndsWithSlash) {
  std::string folder = DefaultTempFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
}

}  // namespace
}  // namespace quillon
