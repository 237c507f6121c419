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

// The keys reach the preview from inside a number box, and every value shown is what plays.
TEST(DialogPreviewTest, SpaceBAndEveryValueReachWhatPlays) {
  test::TDocumentHarness h;
  std::vector<int16_t> samples(4000);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<int16_t>(static_cast<int32_t>((i * 4099) % 40001) - 20000);
  ASSERT_TRUE(h.OpenSamples(1, samples, 8000));
  QDialog dialog;
  auto* layout = new QVBoxLayout(&dialog);
  auto* value = new QSpinBox(&dialog);
  value->setRange(0, 200);
  value->setValue(150);
  layout->addWidget(value);
  std::shared_ptr<TPreviewSource> source;
  int starts = 0, stops = 0;
  auto* preview = new TDialogPreview(dialog, *layout,
                                     {[&] {
                                        ++starts;
                                        return source = MakeLoopSource(h.document.State(), 0, 4000);
                                      },
                                      [&] { ++stops; }});
  QObject::connect(value, &QSpinBox::valueChanged, preview, &TDialogPreview::EffectChanged);
  preview->SetEffect(
      [&] { return TPreviewEffect::Amplify(static_cast<uint32_t>(value->value())); });
  auto played = [&] {
    std::vector<int16_t> out(100);
    source->Read(out.data(), 0, 100);
    return out;
  };
  auto amplified = [&](double factor) {
    std::vector<int16_t> out(samples.begin(), samples.begin() + 100);
    for (int16_t& s : out) s = static_cast<int16_t>(std::clamp(s * factor, -32767.0, 32767.0));
    return out;
  };

  QTest::keyClick(value, Qt::Key_Space);
  ASSERT_TRUE(preview->Previewing());
  EXPECT_EQ(played(), amplified(1.5));
  source->TakeChange();
  value->setValue(50);
  EXPECT_TRUE(source->TakeChange());
  EXPECT_EQ(played(), amplified(0.5));
  QTest::keyClick(value, Qt::Key_B);
  EXPECT_EQ(played(), amplified(1.0));
  QTest::keyClick(value, Qt::Key_B);
  EXPECT_FALSE(source->Bypassed());
  QTest::keyClick(value, Qt::Key_Space);
  EXPECT_FALSE(preview->Previewing());
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(value->value(), 50) << "the keys reached the number box";
}

}  // namespace
}  // namespace quillon
