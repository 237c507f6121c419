#include "shell/exportregions.h"

#include <QAction>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>
#include <filesystem>

#include "codecs/encodersettings.h"
#include "document/wavfile.h"
#include "localization/constants.h"
#include "platform/mainthread.h"
#include "platform/messagebox.h"
#include "shell/dialogs/exportregionsdialog.h"
#include "shell/utils.h"

namespace quillon {

namespace {

constexpr int kProgressPollMs = 100;

}  // namespace

TExportRegions::TExportRegions(QWidget& window, Twavefile& document, QAction& action,
                               TWindowSide side)
    : QObject(&window),
      window_(window),
      document_(document),
      action_(action),
      side_(std::move(side)),
      timer_(new QTimer(this)) {
  timer_->setInterval(kProgressPollMs);
  connect(timer_, &QTimer::timeout, this, [this] { ShowProgress(); });
  connect(&action_, &QAction::triggered, this, [this] { Execute(); });
  subscriptions_ += document_.OnStateChanged.Subscribe([this](Twavefile*) { Refresh(); });
  subscriptions_ += document_.OnLoaded.Subscribe([this](Twavefile*) { Refresh(); });
  subscriptions_ += document_.OnIdle.Subscribe([this](Twavefile*) {
    if (progress_) SplitEnded();
    Refresh();
  });
  Refresh();
}

TExportRegions::~TExportRegions() = default;

TExportRegionsForm* TExportRegions::Dialog() {
  if (!dialog_) dialog_ = new TExportRegionsForm(&window_);
  return dialog_;
}

void TExportRegions::Refresh() {
  // Behind a running operation the command waits its turn, which checks again.
  action_.setEnabled(document_.Busy() || (document_.Loaded() && !document_.Markers().Empty()));
}

TSplitChoice TExportRegions::Offered() const {
  if (last_) return *last_;
  TSplitChoice choice;
  const std::string& source = document_.FileName();
  choice.folder = std::filesystem::path(source).parent_path().string();
  const std::string extension = LowerExtension(source);
  choice.extension = SaveFormatOf(source) ? extension.substr(1) : "wav";
  choice.by = document_.Markers().regions.empty() ? TSplitBy::markers : TSplitBy::regions;
  return choice;
}

void TExportRegions::Execute() {
  QUILLON_MAIN_THREAD_ONLY();
  if (!document_.Loaded() || document_.Markers().Empty()) return;
  TExportRegionsForm& dialog = *Dialog();
  dialog.Offer(document_.Markers(), document_.FrameCount(), document_.Tags(), document_.FileName(),
               Offered());
  if (dialog.exec() != QDialog::Accepted) return;
  const TSplitChoice choice = dialog.Choice();
  last_ = std::make_unique<TSplitChoice>(choice);
  const TSplitFiles plan = dialog.Files();
  if (plan.files.empty() || !plan.duplicate.empty()) return;
  size_t existing = 0;
  for (const TSplitFile& file : plan.files)
    existing += QFileInfo::exists(QString::fromStdString(file.path)) ? 1 : 0;
  if (existing > 0 &&
      !MessageBoxes().AskYesNo(
          kApplicationTitle,
          ConstantText("splitoverwrite", {std::to_string(existing), choice.folder})))
    return;
  side_.give({[this, choice] { return RunAtTurn(choice); }});
}

TCommandOutcome TExportRegions::RunAtTurn(const TSplitChoice& choice) {
  const std::string caption = action_.text().remove('&').remove("...").trimmed().toStdString();
  if (!document_.Loaded())
    return TCommandOutcome::Skipped(ConstantText("skippednodocument", "%s", caption));
  // The markers as the edits ahead of this command left them.
  TSplitFiles plan = PlanSplitFiles(document_.Markers(), document_.FrameCount(), document_.Tags(),
                                    document_.FileName(), choice);
  if (plan.files.empty() || !plan.duplicate.empty())
    return TCommandOutcome::Skipped(plan.files.empty()
                                        ? ConstantText("splitnothing")
                                        : ConstantText("splitduplicate", "%1", plan.duplicate));
  side_.stopPlayback();
  auto progress = std::make_shared<TSplitProgress>();
  if (!document_.Split(std::move(plan.files), progress)) return TCommandOutcome::Done();
  progress_ = std::move(progress);
  shownFile_ = 0;
  timer_->start();
  return TCommandOutcome::Started();
}

void TExportRegions::ShowProgress() {
  if (!progress_) return;
  const int32_t file = progress_->file.load(std::memory_order_relaxed);
  if (file == shownFile_ || file == 0) return;
  shownFile_ = file;
  side_.showLine(
      ConstantText("splitprogress", {std::to_string(file), std::to_string(progress_->total)}));
}

void TExportRegions::SplitEnded() {
  timer_->stop();
  progress_.reset();
  // The document's own line says what was written or kept; the count gives way to it.
  if (shownFile_ > 0) side_.showLine({});
  shownFile_ = 0;
}

}  // namespace quillon
