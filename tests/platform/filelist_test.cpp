#include "platform/filelist.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/copiedwavfile.h"
#include "platform/config.h"
#include "platform/error.h"
#include "support/fixtures.h"

namespace quillon {
namespace {

using Paths = std::vector<std::string>;

std::string HostName() {
  char name[256] = {};
  gethostname(name, sizeof name - 1);
  return name;
}

TEST(FileListTest, UriListsNameLocalFilesWithTheirEscapesDecoded) {
  EXPECT_EQ(LocalPathsOfUriList("file:///tmp/My%20Song%2523.wav\r\n"),
            Paths{"/tmp/My Song%23.wav"});
  EXPECT_EQ(LocalPathsOfUriList("file:///tmp/K%C3%B6ln.mp3"), Paths{"/tmp/Köln.mp3"});
  // The host forms: none, localhost in any case, this machine's name; and file:/p.
  EXPECT_EQ(LocalPathsOfUriList("file://localhost/a.wav\nFILE://LocalHost/b.wav\n"
                                "file://" +
                                HostName() + "/c.wav\nfile:/d.wav"),
            (Paths{"/a.wav", "/b.wav", "/c.wav", "/d.wav"}));
  // Comments, blank lines, other hosts, other schemes and broken escapes are left out.
  EXPECT_EQ(LocalPathsOfUriList("# copied\n\n  file:///kept.wav  \nfile://elsewhere.example/x.wav\n"
                                "https://example.com/y.wav\nfile:///bad%2.wav\nfile:///nul%00\n"
                                "file:///cut%4"),
            Paths{"/kept.wav"});
  EXPECT_EQ(LocalPathsOfUriList("file:///q.wav?x=1#frag"), Paths{"/q.wav"});
  EXPECT_TRUE(LocalPathsOfUriList("").empty());
}

TEST(FileListTest, PlainTextCountsOnlyWhenEveryLineNamesAFile) {
  EXPECT_EQ(LocalPathsOfText("  /home/me/a b.wav \n"), Paths{"/home/me/a b.wav"});
  EXPECT_EQ(LocalPathsOfText("/one.wav\r\nfile:///two%20x.wav\n\n"),
            (Paths{"/one.wav", "/two x.wav"}));
  EXPECT_TRUE(LocalPathsOfText("/one.wav\nand some words").empty());
  EXPECT_TRUE(LocalPathsOfText("relative/path.wav").empty());
  EXPECT_TRUE(LocalPathsOfText("").empty());
}

TEST(FileListTest, FileUrisEscapeWhatUriListsMustNotCarryAndReadBack) {
  const std::string path = "/tmp/Quillon clip 1 #%?\xC3\xA4\n.wav";
  const std::string uri = FileUriOf(path);
  EXPECT_EQ(uri, "file:///tmp/Quillon%20clip%201%20%23%25%3F%C3%A4%0A.wav");
  EXPECT_EQ(LocalPathsOfUriList(uri + "\r\n"), Paths{path});
}

class ClipFileTest : public ::testing::Test {
 protected:
  test::TTempFolder temp_;
};

TEST_F(ClipFileTest, WritesRecognisableNumberedFilesThatNeverReplaceEachOther) {
  const std::vector<uint8_t> first{'R', 'I', 'F', 'F', 1, 2, 3};
  const std::vector<uint8_t> second{9, 8};
  const std::string a = WriteClipFile(first.data(), first.size());
  const std::string b = WriteClipFile(second.data(), second.size());
  EXPECT_EQ(a, temp_.File("Quillon clip 1.wav"));
  EXPECT_EQ(b, temp_.File("Quillon clip 2.wav"));
  EXPECT_EQ(test::ReadFileBytes(a), first);
  EXPECT_EQ(test::ReadFileBytes(b), second);
  unlink(a.c_str());
  // The lowest free number is taken again.
  EXPECT_EQ(WriteClipFile(second.data(), second.size()), a);
}

TEST_F(ClipFileTest, AFolderThatCannotHoldTheFileRaisesAndLeavesNothing) {
  config.tempfolder = temp_.File("missing") + "/";
  const uint8_t byte = 0;
  EXPECT_THROW(WriteClipFile(&byte, 1), EOSError);
  EXPECT_TRUE(temp_.List().empty());
}

}  // namespace
}  // namespace quillon
