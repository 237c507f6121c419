#include "platform/qt/qtclipboard.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace quillon {
namespace {

std::vector<uint8_t> SomeBlock() {
  return {'R', 'I', 'F', 'F', 1, 2, 3, 4, 5};
}

TEST(QtClipboardTest, OffersTheBlockUnderEveryWavNameAndReadsItBack) {
  TQtClipboard port;
  int changes = 0;
  port.OnChanged = [&] { ++changes; };
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

}  // namespace
}  // namespace quillon
