// The everyday tools' dialogs and controller as a user drives them: values typed or chosen, the
// operation the document then runs, and what bad values are told while nothing changes.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSlider>
#include <QWidget>
#include <string>
#include <vector>

#include "display/waveview.h"
#include "platform/config.h"
#include "shell/dialogs/channeltools.h"
#include "shell/dialogs/findsilences.h"
#include "shell/dialogs/measureloudness.h"
#include "shell/dialogs/normalizeloudness.h"
#include "shell/tools/toolscontroller.h"
#include "support/document_harness.h"

namespace quillon {
namespace {

constexpr uint32_t kRate = 8000;

// Interleaved frames of one value per channel.
std::vector<int16_t> Frames(size_t count, std::vector<int16_t> frame) {
  std::vector<int16_t> samples;
  for (size_t i = 0; i < count; ++i) samples.insert(samples.end(), frame.begin(), frame.end());
  return samples;
}

// A tone that no silence threshold below -20 dBFS takes for silence.
std::vector<int16_t> Loud(size_t count, uint16_t channels) {
  std::vector<int16_t> samples;
  for (size_t i = 0; i < count; ++i)
    for (uint16_t c = 0; c < channels; ++c) samples.push_back(i % 8 < 4 ? 12000 : -12000);
  return samples;
}

std::vector<int16_t> Join(std::initializer_list<std::vector<int16_t>> parts) {
  std::vector<int16_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class ToolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TToolsHost host;
    // As the window gives them: behind a running operation a command waits its turn.
    host.give = [this](TQueuedCommand command) {
      if (harness.document.Busy() || !queue.Empty()) return queue.Add(std::move(command));
      const TCommandOutcome outcome = command.run();
      if (outcome.kind == TCommandOutcome::TKind::skipped) lines.push_back(outcome.why);
      harness.WaitIdle();
    };
    host.commandsWait = [this] { return harness.document.Busy() || !queue.Empty(); };
    queue.OnSkipped = [this](const std::string& why) { lines.push_back(why); };
    idle = harness.document.OnIdle.Subscribe([this](Twavefile*) { queue.RunUntilStarted(); });
    host.placeWhenGiven = [this] { return [place = place] { return place; }; };
    host.placeNow = [this] { return place; };
    host.stopPlayback = [] {};
    host.select = [this](uint32_t start, uint32_t stop) { selected = TFrameSpan{start, stop}; };
    host.setAvailable = [](QAction* action, bool on) { action->setEnabled(on); };
    host.statusLine = [this](const std::string& text) { lines.push_back(text); };
    tools = new TToolsController(window, std::move(host));
    view = new TWaveView(&window);
    notices = harness.document.OnNotice.Subscribe(
        [this](Twavefile*, const std::string& text) { lines.push_back(text); });
  }
  void Open(uint16_t channels, const std::vector<int16_t>& samples) {
    ASSERT_TRUE(harness.OpenSamples(channels, samples, kRate));
    if (!attached_) tools->Attach(harness.document, *view);
    attached_ = true;
    tools->MakeDialogs();
  }
  std::string Shown() const {
    return harness.boxes.shown.empty() ? "" : harness.boxes.shown.back().text;
  }
  std::string Said() const { return lines.empty() ? "" : lines.back(); }
  bool Serve(const std::function<bool()>& done) {
    return harness.loop.RunUntil(done, std::chrono::seconds(20));
  }

  test::TDocumentHarness harness;
  QWidget window;
  TWaveView* view = nullptr;
  TToolsController* tools = nullptr;
  TToolPlace place;
  std::optional<TFrameSpan> selected;
  std::vector<std::string> lines;
  TSubscription notices;
  TCommandQueue queue;
  TSubscription idle;
  bool attached_ = false;
};

TEST_F(ToolsTest, SampleRateDialogChangesTheRateOrSaysWhyNot) {
  struct TRow {
    const char* typed;
    uint32_t rate;        // 0: refused
    const char* message;  // what the refusal says
  } rows[] = {
      {"16000", 16000, ""},
      {" 12 000 ", 12000, ""},
      {"192000", 192000, ""},
      {"8000", 0, "already"},
      {"7999", 0, "8000 to 192000"},
      {"192001", 0, "8000 to 192000"},
      {"-16000", 0, "8000 to 192000"},
      {"abc", 0, "\"abc\""},
      {"", 0, "8000 to 192000"},
      {"4.41e4", 0, "8000 to 192000"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.typed);
    Open(1, Loud(800, 1));
    const size_t steps = harness.document.UndoStack().Count();
    harness.boxes.shown.clear();
    tools->ChangeRateExecute();
    TSampleRateForm& form = *tools->RateForm();
    form.RateBox->setCurrentText(row.typed);
    form.OkButton->click();
    if (row.rate) {
      EXPECT_TRUE(harness.boxes.shown.empty()) << Shown();
      EXPECT_EQ(harness.document.SampleRate(), row.rate);
      // The length the resampler must give: round(frames x new / old), whole here.
      EXPECT_EQ(harness.document.FrameCount(), 800ull * row.rate / kRate);
      EXPECT_EQ(harness.document.UndoStack().Count(), steps + 1);
    } else {
      EXPECT_TRUE(Contains(Shown(), row.message)) << Shown();
      EXPECT_TRUE(form.isVisible()) << "a refused rate keeps the dialog open";
      EXPECT_EQ(harness.document.SampleRate(), kRate);
      EXPECT_EQ(harness.document.UndoStack().Count(), steps);
      form.reject();
    }
  }
}

TEST_F(ToolsTest, NormalizeLoudnessTakesATargetAndACeilingOrSaysWhyNot) {
  struct TRow {
    const char* target;
    const char* ceiling;
    const char* message;  // empty: the gain is applied
  } rows[] = {
      {"-16", "-1", ""},
      {"\u221223", "-1", ""},
      {"-23,5", "-2", ""},
      {"0", "0", ""},
      {"0.5", "-1", "0 LUFS"},
      {"-71", "-1", "-70"},
      {"-16", "1", "0 dBTP"},
      {"-16", "-31", "-30"},
      {"loud", "-1", "\"loud\""},
      {"-16", "", "not a number"},
      {"nan", "-1", "not a number"},
      {"-1e999", "-1", "not a number"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(std::string(row.target) + " / " + row.ceiling);
    Open(1, Loud(4000, 1));
    const auto before = harness.Samples();
    const size_t steps = harness.document.UndoStack().Count();
    harness.boxes.shown.clear();
    tools->NormalizeLoudnessExecute();
    TNormalizeLoudnessForm& form = *tools->NormalizeForm();
    form.TargetEdit->setText(row.target);
    form.CeilingEdit->setText(row.ceiling);
    form.OkButton->click();
    if (*row.message == '\0') {
      EXPECT_TRUE(harness.boxes.shown.empty()) << Shown();
      EXPECT_EQ(harness.document.UndoStack().Count(), steps + 1);
      EXPECT_TRUE(Contains(Said(), "LUFS")) << Said();
    } else {
      EXPECT_TRUE(Contains(Shown(), row.message)) << Shown();
      EXPECT_TRUE(form.isVisible());
      EXPECT_EQ(harness.document.UndoStack().Count(), steps);
      EXPECT_EQ(harness.Samples(), before);
      form.reject();
    }
  }
}

TEST_F(ToolsTest, NormalizeLoudnessOfSilenceSaysWhyAndChangesNothing) {
  Open(1, Frames(8000, {0}));
  const size_t steps = harness.document.UndoStack().Count();
  tools->NormalizeLoudnessExecute();
  TNormalizeLoudnessForm& form = *tools->NormalizeForm();
  ASSERT_TRUE(Serve([&] { return form.ForecastLabel->text().contains("-inf"); }))
      << form.ForecastLabel->text().toStdString();
  form.OkButton->click();
  EXPECT_TRUE(Contains(Said(), "silent")) << Said();
  EXPECT_EQ(harness.document.UndoStack().Count(), steps);
  EXPECT_EQ(harness.Samples(), Frames(8000, {0}));
}

// Working like other audio editors, the forecast and the gain take the selection alone.
TEST_F(ToolsTest, NormalizeLoudnessWorkingLikeOtherEditorsTakesTheSelection) {
  const TConfig saved = config;
  config.likepeers = true;
  Open(1, Join({Loud(8000, 1), Frames(8000, {0})}));
  TNormalizeLoudnessForm& form = *tools->NormalizeForm();
  place = {8000, 16000, true, 0};
  tools->NormalizeLoudnessExecute();
  EXPECT_TRUE(Serve([&] { return form.ForecastLabel->text().contains("-inf"); }))
      << form.ForecastLabel->text().toStdString();
  form.OkButton->click();
  EXPECT_TRUE(Contains(Said(), "silent")) << Said();
  config = saved;
}

TEST_F(ToolsTest, PresetsFillTheTargetAndTheForecastTellsACeilingThatLimits) {
  Open(1, Loud(16000, 1));
  tools->NormalizeLoudnessExecute();
  TNormalizeLoudnessForm& form = *tools->NormalizeForm();
  const char* presets[] = {"-16", "-19", "-14", "-23"};
  for (int i = 0; i < 4; ++i) {
    form.PresetBox->setCurrentIndex(i);
    EXPECT_EQ(form.TargetEdit->text(), presets[i]);
  }
  // The document's own measurement answers first; then one whose ceiling limits the gain:
  // 7 dB would reach -3 LUFS, but the true peak of -4 dBTP allows 3 dB below -1 dBTP.
  form.TargetEdit->setText("-3");
  form.CeilingEdit->setText("-1");
  ASSERT_TRUE(Serve([&] { return !Contains(form.ForecastLabel->text().toStdString(), "..."); }));
  form.SetMeasured(TLoudness{-10, 0, -10, -10, -4, -4});
  EXPECT_TRUE(form.ForecastLabel->text().contains("+3.0 dB"))
      << form.ForecastLabel->text().toStdString();
  EXPECT_TRUE(form.ForecastLabel->text().contains("-7.0 LUFS"));
  form.reject();
}

TEST_F(ToolsTest, ChannelCommandsFollowTheirOwnArithmetic) {
  struct TRow {
    uint16_t channels;
    void (TToolsController::*command)();
    int mix;  // Convert to Mono: 0 average, 1 left, 2 right
    std::vector<int16_t> frame;
    std::vector<int16_t> expected;  // empty: skipped and unchanged
    const char* said;
  } rows[] = {
      {2, &TToolsController::ToMonoExecute, 0, {1000, 3000}, {2000}, ""},
      {2, &TToolsController::ToMonoExecute, 0, {-7, 6}, {-1}, ""},
      {2, &TToolsController::ToMonoExecute, 0, {32767, 32767}, {32767}, ""},
      {2, &TToolsController::ToMonoExecute, 1, {1000, 3000}, {1000}, ""},
      {2, &TToolsController::ToMonoExecute, 2, {1000, 3000}, {3000}, ""},
      {1, &TToolsController::ToStereoExecute, 0, {-1234}, {-1234, -1234}, ""},
      {2, &TToolsController::SwapChannelsExecute, 0, {5, -9}, {-9, 5}, ""},
      {2, &TToolsController::ToStereoExecute, 0, {5, -9}, {}, "two channels already"},
      {1, &TToolsController::SwapChannelsExecute, 0, {5}, {}, "nothing to swap"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(std::to_string(row.channels) + " channels, mix " + std::to_string(row.mix));
    Open(row.channels, Frames(600, row.frame));
    const size_t steps = harness.document.UndoStack().Count();
    lines.clear();
    (tools->*row.command)();
    if (row.command == &TToolsController::ToMonoExecute) {
      TMonoForm& form = *tools->MonoForm();
      (row.mix == 0   ? form.AverageButton
       : row.mix == 1 ? form.LeftButton
                      : form.RightButton)
          ->setChecked(true);
      form.OkButton->click();
    }
    if (row.expected.empty()) {
      EXPECT_TRUE(Contains(Said(), row.said)) << Said();
      EXPECT_EQ(harness.document.UndoStack().Count(), steps);
      EXPECT_EQ(harness.Samples(), Frames(600, row.frame));
    } else {
      EXPECT_EQ(harness.document.Channels(), row.expected.size());
      EXPECT_EQ(harness.Samples(), Frames(600, row.expected));
      EXPECT_EQ(harness.document.UndoStack().Count(), steps + 1);
    }
  }
}

TEST_F(ToolsTest, CommandsGivenWhileAnOperationRunsWaitTheirTurn) {
  Open(2, Frames(600, {100, -200}));
  const size_t steps = harness.document.UndoStack().Count();
  ASSERT_TRUE(harness.document.Invert());
  tools->SwapChannelsExecute();
  tools->ToMonoExecute();
  tools->MonoForm()->LeftButton->setChecked(true);
  tools->MonoForm()->OkButton->click();
  tools->TrimSilenceExecute();
  EXPECT_EQ(queue.Waiting(), 3u);
  ASSERT_TRUE(Serve([&] { return queue.Empty() && !harness.document.Busy(); }));
  // Inverted to (-100, 200), swapped to (200, -100), the left one kept; nothing silent to trim.
  EXPECT_EQ(harness.Samples(), Frames(600, {200}));
  EXPECT_EQ(harness.document.UndoStack().Count(), steps + 3);
  EXPECT_TRUE(Contains(Said(), "nothing")) << Said();
}

TEST_F(ToolsTest, ChannelCommandsAreOfferedOnlyWhereTheyChangeSomething) {
  Open(1, Loud(600, 1));
  EXPECT_FALSE(tools->SwapChannelsAction->isEnabled());
  EXPECT_FALSE(tools->ToMonoAction->isEnabled());
  EXPECT_TRUE(tools->ToStereoAction->isEnabled());
  tools->ToStereoExecute();
  EXPECT_TRUE(tools->SwapChannelsAction->isEnabled());
  EXPECT_TRUE(tools->ToMonoAction->isEnabled());
  EXPECT_FALSE(tools->ToStereoAction->isEnabled());
}

// 0.5 s of sound, 1 s of silence, 0.5 s of sound, 0.25 s of silence, 0.5 s of sound.
std::vector<int16_t> Speech() {
  return Join({Loud(4000, 1), Frames(8000, {0}), Loud(4000, 1), Frames(2000, {3}), Loud(4000, 1)});
}
constexpr uint32_t kSpeechFrames = 22000;

TEST_F(ToolsTest, FindSilencesShadesWhatTheSlidersFindAndActsOnIt) {
  struct TRow {
    int minTenths;  // the minimum length slider
    std::vector<TFrameSpan> found;
    const char* action;
    uint32_t framesAfter;
  } rows[] = {
      // Padding 0.1 s (800 frames) beside each sound.
      {5, {{4800, 11200}}, "delete", kSpeechFrames - 6400},
      {2, {{4800, 11200}, {16800, 17200}}, "delete", kSpeechFrames - 6400 - 400},
      // Each cut to 0.5 s (4000 frames) of its own, padding aside.
      {5, {{4800, 11200}}, "shorten", kSpeechFrames - 4000},
      {2, {{4800, 11200}, {16800, 17200}}, "regions", kSpeechFrames},
      {20, {}, "none", kSpeechFrames},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(std::string(row.action) + " at " + std::to_string(row.minTenths));
    Open(1, Speech());
    harness.document.SetMarkers({});
    tools->FindSilencesExecute();
    TFindSilencesForm& form = *tools->FindForm();
    form.MinLengthSlider->setValue(row.minTenths);
    ASSERT_TRUE(Serve([&] { return !tools->Searching() && tools->FoundSilences() == row.found; }))
        << tools->FoundSilences().size();
    EXPECT_EQ(tools->Shade()->Spans(), row.found);
    EXPECT_EQ(form.DeleteButton->isEnabled(), !row.found.empty());
    const std::string action = row.action;
    if (action == "delete") form.DeleteButton->click();
    if (action == "shorten") form.ShortenButton->click();
    if (action == "regions") {
      form.RegionsButton->click();
      const auto& regions = harness.document.Markers().regions;
      ASSERT_EQ(regions.size(), row.found.size() + 1);
      EXPECT_EQ(regions[0].start, 0);
      EXPECT_EQ(regions[0].end, 4800);
      EXPECT_EQ(regions[1].start, 11200);
      EXPECT_EQ(regions.back().end, kSpeechFrames);
      harness.document.Undo();
      EXPECT_TRUE(harness.document.Markers().regions.empty()) << "the regions are one undo step";
    }
    if (action == "none") form.CloseButton->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(tools->Shade(), nullptr) << "the shading goes with the dialog";
    EXPECT_EQ(harness.document.FrameCount(), row.framesAfter);
  }
}

TEST_F(ToolsTest, SelectNextStepsThroughTheSilencesFromTheCursor) {
  Open(1, Speech());
  tools->FindSilencesExecute();
  tools->FindForm()->MinLengthSlider->setValue(2);
  ASSERT_TRUE(Serve([&] { return !tools->Searching() && tools->FoundSilences().size() == 2; }));
  const std::pair<TToolPlace, TFrameSpan> rows[] = {
      {{0, 0, false, 0}, {4800, 11200}},
      {{0, 0, false, 12000}, {16800, 17200}},
      {{4800, 11200, true, 4800}, {16800, 17200}},
      {{16800, 17200, true, 16800}, {4800, 11200}},
  };
  for (const auto& [at, expected] : rows) {
    place = at;
    tools->FindForm()->SelectButton->click();
    EXPECT_EQ(selected, expected);
  }
}

TEST_F(ToolsTest, TrimSilenceKeepsTheSettingsLengthOfEachEnd) {
  Open(1, Join({Frames(8000, {0}), Loud(4000, 1), Frames(8000, {2})}));
  tools->TrimSilenceExecute();
  const uint32_t keep = static_cast<uint32_t>(tools->TrimSettings().keepSeconds * kRate);
  EXPECT_EQ(harness.document.FrameCount(), 4000 + 2 * keep);
  tools->TrimSilenceExecute();
  EXPECT_TRUE(Contains(Said(), "nothing")) << Said();
  EXPECT_EQ(harness.document.UndoStack().Count(), 1u);
}

TEST_F(ToolsTest, MeasureLoudnessTellsWhatItMeasuredAndKeepsItUntilTheNextEdit) {
  struct TRow {
    std::vector<int16_t> samples;
    TToolPlace place;
    const char* note;  // empty: values shown
    const char* integrated;
  } rows[] = {
      {Loud(8000, 1), {}, "", "LUFS"},
      {Frames(8000, {0}), {}, "silent", "-inf LUFS"},
      {Loud(8000, 1), {100, 101, true, 100}, "one frame", ""},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.note);
    Open(1, row.samples);
    place = row.place;
    tools->MeasureLoudnessExecute();
    TMeasureLoudnessForm& form = *tools->MeasureForm();
    ASSERT_TRUE(Serve([&] { return !tools->Measuring() && !form.CancelButton->isVisible(); }));
    EXPECT_TRUE(form.NoteLabel->text().contains(row.note)) << form.NoteLabel->text().toStdString();
    const std::string value = form.ValueText(0).toStdString();
    EXPECT_TRUE(*row.integrated ? Contains(value, row.integrated) : value.empty()) << value;
  }
  // A second look at the same audio answers at once; after an edit it is measured again.
  tools->MeasureLoudnessExecute();
  place = {};
  tools->MeasureLoudnessExecute();
  ASSERT_TRUE(Serve([&] { return !tools->Measuring(); }));
  tools->MeasureLoudnessExecute();
  EXPECT_FALSE(tools->Measuring());
  ASSERT_TRUE(harness.Run([](Twavefile& d) { return d.Invert(); }));
  tools->MeasureLoudnessExecute();
  EXPECT_TRUE(tools->MeasureForm()->ValueText(0).isEmpty());
}

TEST_F(ToolsTest, CommandsWithoutADocumentSayWhy) {
  tools->Attach(harness.document, *view);
  for (void (TToolsController::*command)() :
       {&TToolsController::TrimSilenceExecute, &TToolsController::FindSilencesExecute,
        &TToolsController::MeasureLoudnessExecute, &TToolsController::ToStereoExecute}) {
    lines.clear();
    (tools->*command)();
    EXPECT_TRUE(Contains(Said(), "no audio is open")) << Said();
  }
}

TEST(TrimSettingsTest, StoredValuesAreTakenWhereTheyMakeSense) {
  struct TRow {
    const char* threshold;  // nullptr: not stored
    const char* keep;
    double thresholdDb;
    double keepSeconds;
  } rows[] = {
      {"-40", "0.3", -40, 0.3}, {"-120", "10", -120, 10}, {nullptr, nullptr, -50, 0.1},
      {"abc", "", -50, 0.1},    {"0", "-0.1", -50, 0.1},  {"-121", "10.5", -50, 0.1},
      {"nan", "inf", -50, 0.1}, {"-60.5", "0", -60.5, 0},
  };
  test::TTempDir dir;
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.threshold ? row.threshold : "none");
    QSettings store(QString::fromStdString(dir.File("tools.ini")), QSettings::IniFormat);
    store.clear();
    if (row.threshold) store.setValue("Silence/trimthresholddb", row.threshold);
    if (row.keep) store.setValue("Silence/trimkeepseconds", row.keep);
    const TSilenceSettings settings = LoadTrimSettings(store);
    EXPECT_EQ(settings.thresholdDb, row.thresholdDb);
    EXPECT_EQ(settings.keepSeconds, row.keepSeconds);
  }
}

}  // namespace
}  // namespace quillon
