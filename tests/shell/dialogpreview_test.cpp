#include "shell/preview/dialogpreview.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QVBoxLayout>

#include "playback/previewsource.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

constexpr int64_t kFrames = 4000;

std::vector<int16_t> Tones() {
  std::vector<int16_t> samples(kFrames);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<int16_t>(static_cast<int32_t>((i * 4099) % 40001) - 20000);
  return samples;
}

// A dialog with one value, its preview playing into a source the test reads.
class DialogPreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.OpenSamples(1, Tones(), 8000));
    layout = new QVBoxLayout(&dialog);
    value = new QSpinBox(&dialog);
    value->setRange(0, 200);
    value->setValue(150);
    layout->addWidget(value);
    preview = new TDialogPreview(dialog, *layout,
                                 {[this] {
                                    ++starts;
                                    source = MakeLoopSource(h.document.State(), 0, kFrames);
                                    return source;
                                  },
                                  [this] { ++stops; }});
    QObject::connect(value, &QSpinBox::valueChanged, preview, &TDialogPreview::EffectChanged);
    preview->SetEffect(
        [this] { return TPreviewEffect::Amplify(static_cast<uint32_t>(value->value())); });
  }

  std::vector<int16_t> Played() {
    std::vector<int16_t> out(100);
    source->Read(out.data(), 0, 100);
    return out;
  }

  std::vector<int16_t> Amplified(double factor) {
    std::vector<int16_t> out = h.Samples();
    out.resize(100);
    for (int16_t& s : out) s = static_cast<int16_t>(std::clamp(s * factor, -32767.0, 32767.0));
    return out;
  }

  test::TDocumentHarness h;
  QDialog dialog;
  QVBoxLayout* layout = nullptr;
  QSpinBox* value = nullptr;
  TDialogPreview* preview = nullptr;
  std::shared_ptr<TPreviewSource> source;
  int starts = 0, stops = 0;
};

TEST_F(DialogPreviewTest, SpaceAndBInANumberBoxPreviewAndBypass) {
  QTest::keyClick(value, Qt::Key_Space);
  ASSERT_TRUE(preview->Previewing());
  EXPECT_TRUE(preview->PreviewButton->isChecked());
  EXPECT_EQ(Played(), Amplified(1.5));
  QTest::keyClick(value, Qt::Key_B);
  EXPECT_TRUE(source->Bypassed());
  EXPECT_EQ(Played(), Amplified(1.0));
  QTest::keyClick(value, Qt::Key_B);
  EXPECT_FALSE(source->Bypassed());
  QTest::keyClick(value, Qt::Key_Space);
  EXPECT_FALSE(preview->Previewing());
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(value->value(), 150) << "the keys reached the number box";
}

TEST_F(DialogPreviewTest, AValueChangedWhilePlayingIsPlayedAtOnce) {
  preview->PreviewButton->click();
  ASSERT_TRUE(preview->Previewing());
  source->TakeChange();
  value->setValue(50);
  EXPECT_TRUE(source->TakeChange());
  EXPECT_EQ(Played(), Amplified(0.5));
}

TEST_F(DialogPreviewTest, CancelStopsThePreviewAndLeavesTheDocumentAlone) {
  const std::vector<int16_t> before = h.Samples();
  preview->BypassButton->click();
  preview->PreviewButton->click();
  ASSERT_TRUE(source->Bypassed()) << "a bypass chosen before playing holds";
  dialog.reject();
  EXPECT_FALSE(preview->Previewing());
  EXPECT_FALSE(preview->PreviewButton->isChecked());
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(h.Samples(), before);
}

TEST_F(DialogPreviewTest, AUseWithoutAnEffectHidesTheButtonsAndLeavesTheKeys) {
  preview->SetEffect(nullptr);
  EXPECT_TRUE(preview->PreviewButton->isHidden());
  EXPECT_TRUE(preview->BypassButton->isHidden());
  QTest::keyClick(value, Qt::Key_Space);
  EXPECT_FALSE(preview->Previewing());
  EXPECT_EQ(starts, 0);
}

}  // namespace
}  // namespace quillon
