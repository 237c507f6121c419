// Copy and paste between the editor's clipboard and another X client (xclip), on the X server
// the runner started. While xclip reads what we offer, this process must serve the X events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QMimeData>
#include <QProcess>
#include <functional>
#include <optional>

#include "codecs/clipformat.h"
#include "platform/clipboard.h"
#include "platform/filelist.h"
#include "platform/filesystem.h"
#include "platform/mainthread.h"
#include "platform/qt/qtclipboard.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

constexpr int kXclipTimeoutMs = 15000;

// Runs xclip on the clipboard while serving this process's events; none when it fails or
// overruns. Input is what it offers; its output what it read.
std::optional<QByteArray> Xclip(const QStringList& arguments, const QByteArray& input = {}) {
  QProcess xclip;
  if (!input.isEmpty()) {
    // Offering, xclip stays behind in the background; its output must not hold our pipes.
    xclip.setStandardOutputFile(QProcess::nullDevice());
    xclip.setStandardErrorFile(QProcess::nullDevice());
  }
  xclip.start("xclip", QStringList{"-selection", "clipboard"} + arguments);
  if (!xclip.waitForStarted(kXclipTimeoutMs)) return std::nullopt;
  if (!input.isEmpty()) {
    xclip.write(input);
    xclip.closeWriteChannel();
  }
  QElapsedTimer timer;
  timer.start();
  while (!xclip.waitForFinished(10)) {
    QCoreApplication::processEvents();
    if (timer.elapsed() > kXclipTimeoutMs) {
      xclip.kill();
      xclip.waitForFinished(1000);
      return std::nullopt;
    }
  }
  if (xclip.exitStatus() != QProcess::NormalExit || xclip.exitCode() != 0) return std::nullopt;
  return input.isEmpty() ? xclip.readAllStandardOutput() : QByteArray();
}

// Serves events until done says so, as news from other clients arrives asynchronously; false
// after the time-out.
bool ServeUntil(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < kXclipTimeoutMs) {
    // The hand-over too: the clipboard's file arrives through it.
    MainThread().WaitServing([] { return true; });
    QCoreApplication::processEvents();
    if (done()) return true;
  }
  return false;
}

// Until the clipboard offers type.
bool WaitForOffer(const QString& type) {
  return ServeUntil([&type] {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasFormat(type);
  });
}

std::vector<int16_t> Numbered(int count) {
  std::vector<int16_t> samples;
  for (int i = 0; i < count; ++i) samples.push_back(static_cast<int16_t>(i * 7 - 3000));
  return samples;
}

class X11ClipboardTest : public ::testing::Test {
 protected:
  void SetUp() override { SetClipboard(&port); }
  void TearDown() override { SetClipboard(nullptr); }
  TQtClipboard port;
  test::TDocumentHarness h;
};

TEST_F(X11ClipboardTest, OtherProgramsReadTheCopyAsWavUnderEveryNameAndAsAFile) {
  ASSERT_TRUE(h.OpenSamples(2, Numbered(2000), 44100));
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Copy(100, 600); }));
  const std::vector<int16_t> all = Numbered(2000);
  const std::vector<int16_t> expected(all.begin() + 200, all.begin() + 1200);
  // The bytes are offered at once, the file beside them once it is written.
  ASSERT_TRUE(WaitForOffer("text/uri-list"));

  std::optional<QByteArray> targets = Xclip({"-t", "TARGETS", "-o"});
  ASSERT_TRUE(targets);
  for (const char* type : {"audio/x-wav", "audio/wav", "audio/vnd.wave", "text/uri-list"})
    EXPECT_TRUE(targets->contains(type)) << type << " missing from:\n" << targets->toStdString();

  for (const char* type : {"audio/x-wav", "audio/wav", "audio/vnd.wave"}) {
    std::optional<QByteArray> bytes = Xclip({"-t", type, "-o"});
    ASSERT_TRUE(bytes) << type;
    ASSERT_EQ(bytes->size(), 44 + 1000 * 2) << type;
    EXPECT_TRUE(bytes->startsWith("RIFF") && bytes->mid(8, 8) == "WAVEfmt ") << type;
    EXPECT_EQ(
        ReadClipAudio(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size(), 2, 44100),
        expected)
        << type;
  }

  std::optional<QByteArray> list = Xclip({"-t", "text/uri-list", "-o"});
  ASSERT_TRUE(list);
  const std::vector<std::string> paths = LocalPathsOfUriList(list->toStdString());
  ASSERT_EQ(paths.size(), 1u) << list->toStdString();
  EXPECT_EQ(paths[0], port.OfferedFile());
  const std::vector<uint8_t> file = test::ReadFileBytes(paths[0]);
  EXPECT_EQ(ReadClipAudio(file.data(), file.size(), 2, 44100), expected);

  // Once another program owns the clipboard the file is gone.
  ASSERT_TRUE(Xclip({"-t", "text/plain", "-i"}, "other"));
  EXPECT_TRUE(ServeUntil([&] { return !FileExists(paths[0]); }));
}

TEST_F(X11ClipboardTest, PasteTakesAUriListAndWavBytesThatOtherProgramsOffer) {
  ASSERT_TRUE(h.OpenSamples(2, Numbered(2000), 44100));
  // 1000 frames; then mono at 22050 Hz, named with an escaped space and the localhost form.
  const std::string path = h.files.File("from elsewhere.wav");
  test::WriteWav16(path, 1, 22050, std::vector<int16_t>(500, 1234));
  const std::string uri = FileUriOf(path);
  ASSERT_NE(uri.find("%20"), std::string::npos);
  const QByteArray list = QByteArray::fromStdString(
      "file://localhost" + uri.substr(std::string("file://").size()) + "\r\n");
  ASSERT_TRUE(Xclip({"-t", "text/uri-list", "-i"}, list));
  ASSERT_TRUE(WaitForOffer("text/uri-list"));
  EXPECT_TRUE(port.CanPaste());
  EXPECT_EQ(port.GetFiles(), std::vector<std::string>{path});

  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Paste(1000); }));
  EXPECT_TRUE(h.boxes.shown.empty());
  ASSERT_EQ(h.document.FrameCount(), 2000u);
  const std::vector<int16_t> pasted = h.Samples();
  EXPECT_EQ(std::vector<int16_t>(pasted.begin() + 2400, pasted.begin() + 2404),
            (std::vector<int16_t>{1234, 1234, 1234, 1234}));
  EXPECT_EQ(h.document.UndoStack().Count(), 1u);

  // WAV bytes under one of the audio names.
  std::vector<int16_t> clip{10, -10, 20, -20};
  std::vector<uint8_t> block = MakeClipBlock(2, 44100, clip.data(), clip.size());
  ASSERT_TRUE(
      Xclip({"-t", "audio/x-wav", "-i"}, QByteArray(reinterpret_cast<const char*>(block.data()),
                                                    static_cast<qsizetype>(block.size()))));
  ASSERT_TRUE(WaitForOffer("audio/x-wav"));
  EXPECT_TRUE(port.HasWave());
  ASSERT_TRUE(h.Run([](Twavefile& d) { return d.Paste(0); }));
  EXPECT_EQ(h.document.FrameCount(), 2002u);
  const std::vector<int16_t> now = h.Samples();
  EXPECT_EQ(std::vector<int16_t>(now.begin(), now.begin() + 4), clip);
}

}  // namespace
}  // namespace quillon

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
