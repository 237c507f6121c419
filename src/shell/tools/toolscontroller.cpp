#include "shell/tools/toolscontroller.h"

#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QTimer>
#include <QWidget>
#include <cmath>

#include "analysis/loudnessgain.h"
#include "analysis/silencechoices.h"
#include "display/waveview.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "shell/dialogs/channeltools.h"
#include "shell/dialogs/findsilences.h"
#include "shell/dialogs/measureloudness.h"
#include "shell/dialogs/normalizeloudness.h"
#include "shell/effectscope.h"
#include "shell/tools/silenceshade.h"
#include "shell/utils.h"

namespace quillon {

namespace {

constexpr int kProgressIntervalMs = 50;
constexpr const char* kSilenceGroup = "Silence/";

TCommandOutcome StartedIf(bool started) {
  return started ? TCommandOutcome::Started() : TCommandOutcome::Done();
}

double StoredNumber(QSettings& store, const char* key, double fallback, double low, double high) {
  bool ok = false;
  const double value = store.value(QString(kSilenceGroup) + key).toDouble(&ok);
  return ok && std::isfinite(value) && value >= low && value <= high ? value : fallback;
}

std::string Seconds(uint64_t frames, uint32_t rate) {
  return FormatMs(static_cast<uint32_t>(rate ? std::llround(frames * 1000.0 / rate) : 0));
}

}  // namespace

TSilenceSettings LoadTrimSettings(QSettings& store) {
  TSilenceSettings settings;
  settings.thresholdDb = StoredNumber(store, "trimthresholddb", settings.thresholdDb, -120, -1);
  settings.keepSeconds = StoredNumber(store, "trimkeepseconds", settings.keepSeconds, 0, 10);
  return settings;
}

TToolsController::TToolsController(QWidget& window, TToolsHost host)
    : QObject(&window), window_(window), host_(std::move(host)) {
  setObjectName("ToolsController");
  TrimSilenceAction =
      MakeAction("TrimSilenceAction", "&Trim Silence at Start and End",
                 "Trim Silence at Start and End", &TToolsController::TrimSilenceExecute);
  FindSilencesAction = MakeAction("FindSilencesAction", "&Find Silences...", "Find Silences",
                                  &TToolsController::FindSilencesExecute);
  MeasureLoudnessAction = MakeAction("MeasureLoudnessAction", "&Measure Loudness...",
                                     "Measure Loudness", &TToolsController::MeasureLoudnessExecute);
  NormalizeLoudnessAction =
      MakeAction("NormalizeLoudnessAction", "Normali&ze Loudness...", "Normalize Loudness",
                 &TToolsController::NormalizeLoudnessExecute);
  ChangeRateAction = MakeAction("ChangeRateAction", "Change Sample &Rate...", "Change Sample Rate",
                                &TToolsController::ChangeRateExecute);
  ToMonoAction = MakeAction("ToMonoAction", "Convert to M&ono...", "Convert to Mono",
                            &TToolsController::ToMonoExecute);
  ToStereoAction = MakeAction("ToStereoAction", "&Convert to Stereo", "Convert to Stereo",
                              &TToolsController::ToStereoExecute);
  SwapChannelsAction = MakeAction("SwapChannelsAction", "S&wap Channels", "Swap Channels",
                                  &TToolsController::SwapChannelsExecute);
  if (auto store = OpenUserSettings()) trim_ = LoadTrimSettings(*store);
  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(kProgressIntervalMs);
  connect(progressTimer_, &QTimer::timeout, this, [this] {
    if (measureForm_) measureForm_->SetProgress(measureWorker_.Progress());
    if (!measureWorker_.Running()) progressTimer_->stop();
  });
}

TToolsController::~TToolsController() {
  // The dialogs are the window's and outlive the controller: nothing of theirs calls it back.
  if (findForm_) {
    findForm_->OnChanged = findForm_->OnSelectNext = findForm_->OnDelete = nullptr;
    findForm_->OnShorten = findForm_->OnRegions = findForm_->OnClosed = nullptr;
  }
  if (measureForm_) measureForm_->OnCancel = nullptr;
  if (shade_) delete shade_.data();
}

QAction* TToolsController::MakeAction(const char* name, const char* caption, const char* hint,
                                      void (TToolsController::*execute)()) {
  auto* action = new QAction(caption, &window_);
  action->setObjectName(name);
  action->setToolTip(hint);
  connect(action, &QAction::triggered, this, [this, execute] { (this->*execute)(); });
  return action;
}

void TToolsController::Attach(Twavefile& document, TWaveView& view) {
  document_ = &document;
  view_ = &view;
  subscriptions_ += document.OnStateChanged.Subscribe([this](Twavefile*) { StateChanged(); });
  subscriptions_ += document.OnLoaded.Subscribe([this](Twavefile*) { StateChanged(); });
  subscriptions_ += document.OnReady.Subscribe([this](Twavefile*) { RefreshChannels(); });
  RefreshChannels();
}

void TToolsController::AddToMenus(QMenu& operations, QMenu& analyze) {
  operations.addSeparator();
  operations.addActions({TrimSilenceAction, NormalizeLoudnessAction});
  operations.addSeparator();
  operations.addActions({ChangeRateAction, ToMonoAction, ToStereoAction, SwapChannelsAction});
  analyze.addActions({FindSilencesAction, MeasureLoudnessAction});
}

std::vector<QAction*> TToolsController::QueueableActions() const {
  return {TrimSilenceAction, FindSilencesAction, MeasureLoudnessAction, NormalizeLoudnessAction,
          ChangeRateAction,  ToMonoAction,       ToStereoAction,        SwapChannelsAction};
}

void TToolsController::MakeDialogs() {
  if (findForm_) return;
  findForm_ = new TFindSilencesForm(&window_);
  findForm_->OnChanged = [this] { RunSearch(); };
  findForm_->OnSelectNext = [this] { SelectNextSilence(); };
  findForm_->OnDelete = [this] { DeleteSilences(); };
  findForm_->OnShorten = [this] { ShortenSilences(); };
  findForm_->OnRegions = [this] { RegionsOfSounds(); };
  findForm_->OnClosed = [this] { CloseSearch(); };
  measureForm_ = new TMeasureLoudnessForm(&window_);
  measureForm_->OnCancel = [this] {
    measureWorker_.Cancel();
    measureForm_->ShowNote(ConstantText("measurecancelled"));
  };
  // A measurement nobody will see is stopped with its dialog.
  connect(measureForm_, &QDialog::finished, this, [this] { measureWorker_.Cancel(); });
  normalizeForm_ = new TNormalizeLoudnessForm(&window_);
  connect(normalizeForm_, &QDialog::finished, this, [this](int result) {
    forecastWorker_.Cancel();
    if (result != QDialog::Accepted) return;
    GiveEdit(
        NormalizeLoudnessAction,
        [this, target = normalizeForm_->Target(), place = host_.placeWhenGiven()] {
          host_.stopPlayback();
          const TEffectScope scope = EffectScopeAt(place());
          return StartedIf(scope.ApplyGain(*document_, LoudnessGainPlanner(target, scope.span)));
        },
        false);
  });
  rateForm_ = new TSampleRateForm(&window_);
  connect(rateForm_, &QDialog::accepted, this, [this] {
    GiveEdit(
        ChangeRateAction,
        [this, rate = rateForm_->Rate()] {
          if (document_->SampleRate() == rate)
            return Skip(ChangeRateAction, "skippedsamerate", std::to_string(rate));
          host_.stopPlayback();
          return StartedIf(document_->ChangeSampleRate(rate));
        },
        true);
  });
  monoForm_ = new TMonoForm(&window_);
  connect(monoForm_, &QDialog::accepted, this, [this] {
    GiveEdit(
        ToMonoAction,
        [this, mix = monoForm_->Mix()] {
          if (document_->Channels() != 2) return Skip(ToMonoAction, "skippedonechannel");
          host_.stopPlayback();
          return StartedIf(document_->ToMono(mix));
        },
        false);
  });
  if (host_.dialogsMade) host_.dialogsMade();
}

bool TToolsController::Loaded() const {
  return document_ && document_->Loaded();
}

TCommandOutcome TToolsController::Skip(const QAction* action, const char* key,
                                       const std::string& more) {
  const std::string caption = action->text().remove('&').remove("...").trimmed().toStdString();
  return TCommandOutcome::Skipped(ConstantText(key, {caption, more}));
}

void TToolsController::GiveEdit(QAction* action, std::function<TCommandOutcome()> start,
                                bool movesSelection) {
  host_.give({[this, action, start = std::move(start)] {
                if (!Loaded()) return Skip(action, "toolnodocument");
                return start();
              },
              movesSelection});
}

void TToolsController::RefreshChannels() {
  const uint16_t channels = Loaded() ? document_->Channels() : 0;
  // Without a document every command takes its key and says at its turn why it cannot run.
  host_.setAvailable(ToMonoAction, channels != 1);
  host_.setAvailable(ToStereoAction, channels != 2);
  host_.setAvailable(SwapChannelsAction, channels != 1);
}

void TToolsController::StateChanged() {
  RefreshChannels();
  // A measurement holds for the state it measured, until an edit, an undo or a close.
  if (measured_ && (!Loaded() || measured_->state.lock() != document_->State())) measured_.reset();
  if (findForm_ && findForm_->isVisible()) {
    if (Loaded())
      RunSearch();
    else
      findForm_->close();
  }
}

TFrameSpan TToolsController::RangeOf(const TToolPlace& place) const {
  const uint64_t frames = Loaded() ? document_->FrameCount() : 0;
  if (place.selected && place.stop > place.start)
    return {std::min<uint64_t>(place.start, frames), std::min<uint64_t>(place.stop, frames)};
  return {0, frames};
}

std::string TToolsController::ScopeText(const TToolPlace& place, TFrameSpan span) const {
  const uint32_t rate = document_->SampleRate();
  if (place.selected)
    return ConstantText("scopeselection", {Seconds(span.start, rate), Seconds(span.stop, rate)});
  return ConstantText("scopedocument", "%1", Seconds(span.stop, rate));
}

// Silence

void TToolsController::TrimSilenceExecute() {
  GiveEdit(
      TrimSilenceAction,
      [this] {
        host_.stopPlayback();
        return StartedIf(
            document_->RemoveSpans(TrimEndsPlanner(trim_), ConstantText("nosilencefound")));
      },
      true);
}

void TToolsController::FindSilencesExecute() {
  if (!Loaded()) {
    host_.statusLine(Skip(FindSilencesAction, "toolnodocument").why);
    return;
  }
  MakeDialogs();
  const TToolPlace place = host_.placeNow();
  searchSpan_ = RangeOf(place);
  if (!shade_ && view_) shade_ = new TSilenceShade(*view_);
  if (!findPlaced_) {
    // First shown over the window's lower right corner, so that the wave it shades stays in view.
    findPlaced_ = true;
    const QSize size = findForm_->sizeHint();
    findForm_->move(
        window_.mapToGlobal(QPoint(std::max(0, window_.width() - size.width() - 16),
                                   std::max(0, window_.height() - size.height() - 16))));
  }
  findForm_->show();
  findForm_->raise();
  findForm_->activateWindow();
  RunSearch();
}

void TToolsController::RunSearch() {
  if (!Loaded() || !findForm_) return;
  if (searchWorker_.Running()) {
    searchPending_ = true;
    return;
  }
  searchPending_ = false;
  std::shared_ptr<const TAudioState> state = document_->State();
  const TSilenceSearch search = findForm_->Search();
  const TFrameSpan span{std::min<uint64_t>(searchSpan_.start, state->frameCount),
                        std::min<uint64_t>(searchSpan_.stop, state->frameCount)};
  searchWorker_.Start([this, state, search, span](const TCancelToken&, std::atomic<int32_t>&) {
    std::vector<TFrameSpan> found = FindPaddedSilences(*state, search, span);
    return std::function<void()>(
        [this, state, found = std::move(found)]() mutable { ShowFound(state, std::move(found)); });
  });
}

void TToolsController::ShowFound(std::shared_ptr<const TAudioState> state,
                                 std::vector<TFrameSpan> found) {
  found_ = std::move(found);
  foundState_ = state;
  const std::string count =
      found_.empty() ? ConstantText("silencesnone")
                     : ConstantText("silencesfound", "%1", std::to_string(found_.size()));
  if (findForm_) findForm_->ShowCount(count, !found_.empty());
  if (shade_) shade_->SetSpans(found_, QString::fromStdString(count));
  if (searchPending_) RunSearch();
}

void TToolsController::CloseSearch() {
  searchWorker_.Cancel();
  searchPending_ = false;
  found_.clear();
  if (shade_) delete shade_.data();
}

void TToolsController::SelectNextSilence() {
  if (found_.empty()) return;
  const TToolPlace place = host_.placeNow();
  const uint64_t from = place.selected ? place.start + 1 : place.cursor;
  auto next = std::find_if(found_.begin(), found_.end(),
                           [from](const TFrameSpan& span) { return span.start >= from; });
  if (next == found_.end()) next = found_.begin();
  host_.select(static_cast<uint32_t>(next->start), static_cast<uint32_t>(next->stop));
}

void TToolsController::DeleteSilences() {
  const TSilenceSearch search = findForm_->Search();
  const TFrameSpan span = searchSpan_;
  findForm_->close();
  GiveEdit(
      FindSilencesAction,
      [this, search, span] {
        host_.stopPlayback();
        return StartedIf(document_->RemoveSpans(DeleteSilencesPlanner(search, span),
                                                ConstantText("nosilencefound")));
      },
      true);
}

void TToolsController::ShortenSilences() {
  const TSilenceSearch search = findForm_->Search();
  const double keep = findForm_->ShortenSeconds();
  const TFrameSpan span = searchSpan_;
  findForm_->close();
  GiveEdit(
      FindSilencesAction,
      [this, search, keep, span] {
        host_.stopPlayback();
        return StartedIf(document_->RemoveSpans(ShortenSilencesWithinPlanner(search, keep, span),
                                                ConstantText("nosilencefound")));
      },
      true);
}

void TToolsController::RegionsOfSounds() {
  std::vector<TRegion> regions = SoundRegions(found_, searchSpan_, ConstantText("soundregion"));
  const std::weak_ptr<const TAudioState> state = foundState_;
  findForm_->close();
  GiveEdit(
      FindSilencesAction,
      [this, regions = std::move(regions), state] {
        // The sounds were found in what the user saw; an edit since has moved them.
        if (state.lock() != document_->State()) return Skip(FindSilencesAction, "skippedchanged");
        TMarkerList list = document_->Markers();
        for (const TRegion& region : regions) list.AddRegion(region);
        // One step of the history, so that Undo takes the regions away again.
        document_->ChangeMarkers(std::move(list));
        host_.statusLine(ConstantText("regionsmade", "%1", std::to_string(regions.size())));
        return TCommandOutcome::Done();
      },
      false);
}

// Loudness

void TToolsController::MeasureLoudnessExecute() {
  host_.give({[this, place = host_.placeWhenGiven()] {
                if (!Loaded()) return Skip(MeasureLoudnessAction, "toolnodocument");
                MeasureAt(place());
                return TCommandOutcome::Done();
              },
              false});
}

std::optional<TLoudness> TToolsController::Cached(TFrameSpan span) const {
  if (!measured_ || !Loaded() || measured_->span != span ||
      measured_->state.lock() != document_->State())
    return std::nullopt;
  return measured_->loudness;
}

void TToolsController::ShowMeasured(const std::string& scope, const TLoudness& loudness) {
  measureForm_->ShowResult(scope, loudness);
  if (!std::isfinite(loudness.integratedLufs)) measureForm_->ShowNote(ConstantText("loudnessnone"));
}

void TToolsController::MeasureAt(const TToolPlace& place) {
  MakeDialogs();
  const TFrameSpan span = RangeOf(place);
  const std::string scope = ScopeText(place, span);
  measureForm_->show();
  measureForm_->raise();
  measureWorker_.Cancel();
  if (place.selected && span.Length() < 2) {
    measureForm_->ShowMeasuring(scope);
    measureForm_->ShowNote(ConstantText("measuretooshort"));
    return;
  }
  if (const auto cached = Cached(span)) {
    ShowMeasured(scope, *cached);
    return;
  }
  measureForm_->ShowMeasuring(scope);
  std::shared_ptr<const TAudioState> state = document_->State();
  measureWorker_.Start(
      [this, state, span, scope](const TCancelToken& cancel, std::atomic<int32_t>& progress) {
        const TLoudness loudness = MeasureLoudness(
            {state->samples.get(), state->channels, state->sampleRate, span.start, span.Length()},
            &progress, cancel);
        return std::function<void()>([this, state, span, scope, loudness] {
          measured_ = TMeasured{state, span, loudness};
          ShowMeasured(scope, loudness);
          if (normalizeForm_ && normalizeForm_->isVisible()) Forecast();
        });
      });
  progressTimer_->start();
}

void TToolsController::NormalizeLoudnessExecute() {
  if (!Loaded() && !host_.commandsWait()) {
    host_.statusLine(Skip(NormalizeLoudnessAction, "toolnodocument").why);
    return;
  }
  MakeDialogs();
  normalizeForm_->open();
  Forecast();
}

void TToolsController::Forecast() {
  // While commands wait, the document the gain meets is not the one shown.
  if (!Loaded() || host_.commandsWait()) {
    normalizeForm_->SetMeasured(std::nullopt);
    return;
  }
  // What the gain will be found from: the frames it will change.
  const TFrameSpan span =
      EffectScopeAt(host_.placeNow()).span.value_or(TFrameSpan{0, document_->FrameCount()});
  if (const auto cached = Cached(span)) {
    normalizeForm_->SetMeasured(cached);
    return;
  }
  normalizeForm_->SetMeasured(std::nullopt);
  std::shared_ptr<const TAudioState> state = document_->State();
  forecastWorker_.Start([this, state, span](const TCancelToken& cancel, std::atomic<int32_t>&) {
    const TLoudness loudness = MeasureLoudness(
        {state->samples.get(), state->channels, state->sampleRate, span.start, span.Length()},
        nullptr, cancel);
    return std::function<void()>([this, state, span, loudness] {
      measured_ = TMeasured{state, span, loudness};
      if (normalizeForm_->isVisible()) normalizeForm_->SetMeasured(loudness);
    });
  });
}

// Rate and channels

void TToolsController::ChangeRateExecute() {
  if (!Loaded() && !host_.commandsWait()) {
    host_.statusLine(Skip(ChangeRateAction, "toolnodocument").why);
    return;
  }
  MakeDialogs();
  rateForm_->SetCurrentRate(Loaded() ? document_->SampleRate() : 0);
  rateForm_->open();
}

void TToolsController::ToMonoExecute() {
  if (!Loaded() && !host_.commandsWait()) {
    host_.statusLine(Skip(ToMonoAction, "toolnodocument").why);
    return;
  }
  MakeDialogs();
  monoForm_->open();
}

void TToolsController::ToStereoExecute() {
  GiveEdit(
      ToStereoAction,
      [this] {
        if (document_->Channels() != 1) return Skip(ToStereoAction, "skippedtwochannels");
        host_.stopPlayback();
        return StartedIf(document_->ToStereo());
      },
      false);
}

void TToolsController::SwapChannelsExecute() {
  GiveEdit(
      SwapChannelsAction,
      [this] {
        if (document_->Channels() != 2) return Skip(SwapChannelsAction, "skippedswapmono");
        host_.stopPlayback();
        return StartedIf(document_->SwapChannels());
      },
      false);
}

}  // namespace quillon
