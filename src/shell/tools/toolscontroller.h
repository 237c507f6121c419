#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/loudness.h"
#include "analysis/silenceedits.h"
#include "document/editplans.h"
#include "platform/subscription.h"
#include "shell/commandqueue.h"
#include "shell/tools/silenceshade.h"
#include "shell/tools/toolworker.h"

class QAction;
class QMenu;
class QSettings;
class QTimer;
class QWidget;

namespace quillon {

class TFindSilencesForm;
class TMeasureLoudnessForm;
class TMonoForm;
class TNormalizeLoudnessForm;
class TSampleRateForm;
class TWaveView;
class Twavefile;
struct TAudioState;

// The selection and cursor a command works on.
struct TToolPlace {
  uint32_t start = 0;
  uint32_t stop = 0;
  bool selected = false;
  uint32_t cursor = 0;
};

// What the tools need of the window that holds them; each set by the window, which outlives them.
struct TToolsHost {
  // Runs a command now, or at its turn behind the running operation and the commands waiting.
  std::function<void(TQueuedCommand)> give;
  std::function<bool()> commandsWait;
  // The place as the user sees it now, or as a waiting command leaves it at this one's turn.
  std::function<std::function<TToolPlace()>()> placeWhenGiven;
  std::function<TToolPlace()> placeNow;
  std::function<void()> stopPlayback;
  // Selects frames start to stop - 1 as a selection by hand does.
  std::function<void(uint32_t start, uint32_t stop)> select;
  // A queueable command's own availability.
  std::function<void(QAction* action, bool on)> setAvailable;
  std::function<void(const std::string& text)> statusLine;
  // The dialogs have just been made: the window may add to them.
  std::function<void()> dialogsMade;
};

// The values Trim Silence at Start and End takes from the settings ("Silence" group, the
// defaults where a value is missing or out of range).
TSilenceSettings LoadTrimSettings(QSettings& store);

// The everyday tools of the window: trimming and finding silences, measuring and normalizing
// loudness, the sample rate and the channels. Every edit goes to the document as one operation,
// given like every other command; the measurements run on workers of their own. Main thread only.
class TToolsController : public QObject {
  Q_OBJECT

 public:
  TToolsController(QWidget& window, TToolsHost host);
  ~TToolsController() override;

  // The document and its view, once the window has made them.
  void Attach(Twavefile& document, TWaveView& view);
  // Operations gets the edits, analyze the measurements.
  void AddToMenus(QMenu& operations, QMenu& analyze);
  // The commands that wait their turn behind a running operation.
  std::vector<QAction*> QueueableActions() const;
  // The dialogs, made once with the window's other dialogs.
  void MakeDialogs();

  void TrimSilenceExecute();
  void FindSilencesExecute();
  void MeasureLoudnessExecute();
  void NormalizeLoudnessExecute();
  void ChangeRateExecute();
  void ToMonoExecute();
  void ToStereoExecute();
  void SwapChannelsExecute();

  const TSilenceSettings& TrimSettings() const { return trim_; }
  TFindSilencesForm* FindForm() const { return findForm_; }
  TMeasureLoudnessForm* MeasureForm() const { return measureForm_; }
  TNormalizeLoudnessForm* NormalizeForm() const { return normalizeForm_; }
  TSampleRateForm* RateForm() const { return rateForm_; }
  TMonoForm* MonoForm() const { return monoForm_; }
  TSilenceShade* Shade() const { return shade_; }
  // The silences the Find Silences dialog shows, once its search has answered.
  const std::vector<TFrameSpan>& FoundSilences() const { return found_; }
  bool Searching() const { return searchWorker_.Running(); }
  bool Measuring() const { return measureWorker_.Running(); }

  QAction* TrimSilenceAction;
  QAction* FindSilencesAction;
  QAction* MeasureLoudnessAction;
  QAction* NormalizeLoudnessAction;
  QAction* ChangeRateAction;
  QAction* ToMonoAction;
  QAction* ToStereoAction;
  QAction* SwapChannelsAction;

 private:
  QAction* MakeAction(const char* name, const char* caption, const char* hint,
                      void (TToolsController::*execute)());
  // Gives a command that needs a document; start runs at its turn with one loaded.
  void GiveEdit(QAction* action, std::function<TCommandOutcome()> start, bool movesSelection);
  TCommandOutcome Skip(const QAction* action, const char* key, const std::string& more = {});
  bool Loaded() const;
  void RefreshChannels();
  void StateChanged();
  // The selection when it holds frames, else the whole document.
  TFrameSpan RangeOf(const TToolPlace& place) const;
  std::string ScopeText(const TToolPlace& place, TFrameSpan span) const;

  void MeasureAt(const TToolPlace& place);
  // The loudness already measured for the installed state over span, if any.
  std::optional<TLoudness> Cached(TFrameSpan span) const;
  void ShowMeasured(const std::string& scope, const TLoudness& loudness);
  void Forecast();

  void RunSearch();
  void ShowFound(std::shared_ptr<const TAudioState> state, std::vector<TFrameSpan> found);
  void CloseSearch();
  void SelectNextSilence();
  void DeleteSilences();
  void ShortenSilences();
  void RegionsOfSounds();

  QWidget& window_;
  TToolsHost host_;
  Twavefile* document_ = nullptr;
  // The window deletes the controller before the view.
  TWaveView* view_ = nullptr;
  TSubscriptions subscriptions_;
  TSilenceSettings trim_;

  TFindSilencesForm* findForm_ = nullptr;
  TMeasureLoudnessForm* measureForm_ = nullptr;
  TNormalizeLoudnessForm* normalizeForm_ = nullptr;
  TSampleRateForm* rateForm_ = nullptr;
  TMonoForm* monoForm_ = nullptr;
  QPointer<TSilenceShade> shade_;
  QTimer* progressTimer_ = nullptr;

  // One measurement kept: of which state, over which frames.
  struct TMeasured {
    std::weak_ptr<const TAudioState> state;
    TFrameSpan span;
    TLoudness loudness;
  };
  std::optional<TMeasured> measured_;

  TToolWorker measureWorker_;
  TToolWorker forecastWorker_;
  TToolWorker searchWorker_;
  // The slider moved while a search ran: one more follows it.
  bool searchPending_ = false;
  bool findPlaced_ = false;
  TFrameSpan searchSpan_;
  std::vector<TFrameSpan> found_;
  std::weak_ptr<const TAudioState> foundState_;
};

}  // namespace quillon
