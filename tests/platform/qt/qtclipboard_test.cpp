#include "platform/qt/qtclipboard.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>
#include <filesystem>
#include <optional>

#include "platform/config.h"
#include "platform/filelist.h"
#include "platform/filesystem.h"
#include "support/fixtures.h"
#include "support/wait.h"

namespace quillon {
namespace {

std::vector<uint8_t> SomeBlock() {
  return {'R', 'I', 'F', 'F', 1, 2, 3, 4, 5};
}

TEST(QtClipboardTest, OffersTheBlockUnderEveryWavNameAndReadsItBack) {
  TQtClipboard port;
  int changes = 0;
  const TSubscription counting = port.OnChanged.Subscribe([&] { ++changes; });
  ASSERT_TRUE(port.SetWave(SomeBlock()));
  EXPECT_GE(changes, 1);
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  for (const char* type : {"audio/x-wav", "audio/wav", "audio/vnd.wave"}) {
    QByteArray bytes = data->data(type);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), SomeBlock()) << type;
  }
  EXPECT_TRUE(port.HasWave());
  EXPECT_EQ(port.GetWave(), SomeBlock());
}

TEST(QtClipboardTest, AcceptsAnyWavNameFromOtherProgramsAndIgnoresText) {
  TQtClipboard port;
  auto* foreign = new QMimeData;
  foreign->setData("audio/vnd.wave", QByteArray("RIFFxyz"));
  QGuiApplication::clipboard()->setMimeData(foreign);
  EXPECT_TRUE(port.HasWave());
  EXPECT_EQ(port.GetWave(), (std::vector<uint8_t>{'R', 'I', 'F', 'F', 'x', 'y', 'z'}));

  QGuiApplication::clipboard()->setText("just words");
  EXPECT_FALSE(port.HasWave());
  EXPECT_FALSE(port.GetWave().has_value());
}

// The clipboard's files go into a private temporary folder.
class QtClipboardFileTest : public ::testing::Test {
 protected:
  test::TTempFolder temp;
};

TEST_F(QtClipboardFileTest, TheAudioIsAlsoAFileNamedByAUriListUntilAnotherOwnerComes) {
  std::optional<TQtClipboard> port;
  port.emplace();
  ASSERT_TRUE(port->SetWave(SomeBlock()));
  // The bytes are there at once, the file once the writer has written it.
  EXPECT_EQ(port->GetWave(), SomeBlock());
  ASSERT_TRUE(test::WaitUntil([&] { return !port->OfferedFile().empty(); }));
  const std::string file = temp.File("Quillon clip 1.wav");
  EXPECT_EQ(port->OfferedFile(), file);
  EXPECT_EQ(test::ReadFileBytes(file), SomeBlock());
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(LocalPathsOfUriList(data->data("text/uri-list").toStdString()),
            std::vector<std::string>{file});
  ASSERT_EQ(data->urls().size(), 1);
  EXPECT_EQ(data->urls().front().toLocalFile().toStdString(), file);
  EXPECT_EQ(data->text().toStdString(), file);
  EXPECT_TRUE(data->data("x-special/gnome-copied-files").startsWith("copy\nfile://"));
  // Our own copy pastes back as the block rather than through the file.
  EXPECT_EQ(port->GetWave(), SomeBlock());

  // A new copy replaces the file; text from elsewhere takes the clipboard and the file goes.
  ASSERT_TRUE(port->SetWave({'R', 'I', 'F', 'F'}));
  ASSERT_TRUE(test::WaitUntil([&] { return !port->OfferedFile().empty(); }));
  ASSERT_TRUE(test::WaitUntil([&] { return temp.List().size() == 1; }));
  EXPECT_EQ(test::ReadFileBytes(port->OfferedFile()), (std::vector<uint8_t>{'R', 'I', 'F', 'F'}));
  QGuiApplication::clipboard()->setText("words");
  EXPECT_TRUE(port->OfferedFile().empty());
  ASSERT_TRUE(test::WaitUntil([&] { return temp.List().empty(); }));

  // So does ending the program, even with the file still being written.
  ASSERT_TRUE(port->SetWave(SomeBlock()));
  port.reset();
  EXPECT_TRUE(temp.List().empty());
}

// Copies faster than the writer: only the newest offer gets a file, and nothing else is left.
TEST_F(QtClipboardFileTest, CopiesInQuickSuccessionLeaveOnlyTheNewestFile) {
  TQtClipboard port;
  for (uint8_t n = 1; n <= 5; ++n) ASSERT_TRUE(port.SetWave({'R', 'I', 'F', 'F', n}));
  ASSERT_TRUE(test::WaitUntil([&] { return !port.OfferedFile().empty(); }));
  ASSERT_TRUE(test::WaitUntil([&] { return temp.List().size() == 1; }));
  test::ServeFor(std::chrono::milliseconds(50));
  EXPECT_EQ(temp.List().size(), 1u);
  EXPECT_EQ(test::ReadFileBytes(port.OfferedFile()), (std::vector<uint8_t>{'R', 'I', 'F', 'F', 5}));
  EXPECT_EQ(port.GetWave(), (std::vector<uint8_t>{'R', 'I', 'F', 'F', 5}));
}

// The file is written while the main thread is held up; it is offered once the main thread
// serves again.
TEST_F(QtClipboardFileTest, TheFileIsWrittenWhileTheMainThreadIsHeldUp) {
  TQtClipboard port;
  const std::vector<uint8_t> block(3 << 20, 7);
  ASSERT_TRUE(port.SetWave(block));
  const std::string file = temp.File("Quillon clip 1.wav");
  ASSERT_TRUE(test::StallMainThreadUntil([&] {
    std::error_code error;
    return std::filesystem::file_size(file, error) == block.size();
  })) << "the write waited for the main thread";
  EXPECT_TRUE(port.OfferedFile().empty());
  ASSERT_TRUE(test::WaitUntil([&] { return port.OfferedFile() == file; }));
  EXPECT_EQ(test::ReadFileBytes(file), block);
}

TEST_F(QtClipboardFileTest, FilesAreReadFromUriListsAndFromPathsAsText) {
  TQtClipboard port;
  const std::string song = temp.File("my song.wav");
  test::WriteFileBytes(song, SomeBlock());
  auto* list = new QMimeData;
  list->setData("text/uri-list", "# from a file manager\r\nfile:///x/my%20song.wav\r\n");
  QGuiApplication::clipboard()->setMimeData(list);
  EXPECT_EQ(port.GetFiles(), std::vector<std::string>{"/x/my song.wav"});
  EXPECT_TRUE(port.CanPaste());
  EXPECT_FALSE(port.HasWave());

  QGuiApplication::clipboard()->setText(QString::fromStdString(song + "\n"));
  EXPECT_EQ(port.GetFiles(), std::vector<std::string>{song});
  EXPECT_TRUE(port.CanPaste());
  // Text naming nothing that exists is just text.
  QGuiApplication::clipboard()->setText("/not/there.wav");
  EXPECT_TRUE(port.GetFiles().empty());
  EXPECT_FALSE(port.CanPaste());
}

}  // namespace
}  // namespace quillon
