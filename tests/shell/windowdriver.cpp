#include "shell/windowdriver.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <filesystem>

#include "display/waveview.h"
#include "document/effectmath.h"
#include "document/wavfile.h"
#include "shell/main.h"
#include "support/wait.h"

namespace quillon::test {

// The model

void TDocumentModel::Reset(uint16_t channelCount, std::vector<int16_t> samples) {
  channels = channelCount;
  now = std::move(samples);
  undo.clear();
  redo.clear();
}

void TDocumentModel::Edit(std::vector<int16_t> next) {
  undo.push_back(std::move(now));
  redo.clear();
  now = std::move(next);
}

void TDocumentModel::Undo() {
  redo.push_back(std::move(now));
  now = std::move(undo.back());
  undo.pop_back();
}

void TDocumentModel::Redo() {
  undo.push_back(std::move(now));
  now = std::move(redo.back());
  redo.pop_back();
}

std::vector<int16_t> TDocumentModel::Range(uint64_t start, uint64_t stop) const {
  return {now.begin() + start * channels, now.begin() + stop * channels};
}

std::vector<int16_t> TDocumentModel::Without(uint64_t start, uint64_t stop) const {
  std::vector<int16_t> result(now.begin(), now.begin() + start * channels);
  result.insert(result.end(), now.begin() + stop * channels, now.end());
  return result;
}

std::vector<int16_t> TDocumentModel::With(uint64_t position,
                                          const std::vector<int16_t>& inserted) const {
  std::vector<int16_t> result(now.begin(), now.begin() + position * channels);
  result.insert(result.end(), inserted.begin(), inserted.end());
  result.insert(result.end(), now.begin() + position * channels, now.end());
  return result;
}

// The window

TWindowDriver::TWindowDriver() : savedConfig_(config) {
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                     QString::fromStdString(settings_.Path()));
  form_ = std::make_unique<Tmainform>();
  // After the window: it reads the settings.
  config.tempfolder = temp_.Path() + "/";
  boxesPort_.emplace(&boxes);
  form_->resize(900, 600);
  form_->show();
  QApplication::clipboard()->clear();
}

TWindowDriver::~TWindowDriver() {
  Settle();
  boxesPort_.reset();
  form_.reset();
  config = savedConfig_;
}

TWaveView& TWindowDriver::View() const {
  return *form_->View();
}

Twavefile& TWindowDriver::Document() const {
  return *form_->Document();
}

QAction* TWindowDriver::Action(const char* name) const {
  return form_->findChild<QAction*>(name);
}

bool TWindowDriver::OpenAnother(uint32_t frames) {
  const bool aIsOpen = Document().FileName().find("/a-") != std::string::npos;
  return OpenFile(aIsOpen ? "b" : "a", frames);
}

bool TWindowDriver::OpenFile(const std::string& name, uint32_t frames, uint32_t rate) {
  const std::string path = files_.File(name + "-" + std::to_string(frames) + ".wav");
  std::vector<int16_t> samples(2 * static_cast<size_t>(frames));
  // A different, recognisable pattern per file and channel.
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<int16_t>((i * (7 + name.size()) + (i % 2) * 9001) % 60000 - 30000);
  if (!std::filesystem::exists(path)) WriteWav16(path, 2, rate, samples);
  if (!Accepted([&] { form_->openfile(path); })) return false;
  model.Reset(2, std::move(samples));
  return Settle() && Document().Loaded();
}

void TWindowDriver::Breathe() {
  QApplication::processEvents();
}

bool TWindowDriver::Settle() {
  return WaitUntil(
      [&] { return !Document().Busy() && form_->WaitingCommands() == 0 && !View().Playing(); },
      std::chrono::seconds(60));
}

bool TWindowDriver::Accepted(const std::function<void()>& command) {
  const bool before = Document().Busy();
  const size_t waiting = form_->WaitingCommands();
  form_->statusBar()->clearMessage();
  command();
  if (form_->WaitingCommands() > waiting) {
    // Kept for its turn, with the selection and cursor of now: the model follows once it has
    // run, or not at all when the window skipped it (and said so in the status bar).
    // Until it has had its turn; a Play it was keeps playing.
    WaitUntil([&] { return !Document().Busy() && form_->WaitingCommands() == 0; },
              std::chrono::seconds(60));
    return form_->statusBar()->currentMessage().isEmpty();
  }
  return !before && Document().Busy();
}

bool TWindowDriver::Trigger(const char* actionName) {
  QAction* action = Action(actionName);
  return Accepted([&] {
    if (action->isEnabled()) action->trigger();
  });
}

bool TWindowDriver::Delete() {
  const uint32_t start = View().SelStart(), stop = View().SelStop();
  if (!Trigger("DeleteAction")) return false;
  model.Edit(model.Without(start, stop));
  return true;
}

bool TWindowDriver::Cut() {
  const uint32_t start = View().SelStart(), stop = View().SelStop();
  if (!Trigger("CutAction")) return false;
  model.clip = model.Range(start, stop);
  model.Edit(model.Without(start, stop));
  return true;
}

bool TWindowDriver::Copy() {
  const uint32_t start = View().SelStart(), stop = View().SelStop();
  if (!Trigger("CopyAction")) return false;
  model.clip = model.Range(start, stop);
  return true;
}

bool TWindowDriver::Paste() {
  const uint32_t position = View().CursorPos();
  if (!Trigger("PasteAction")) return false;
  if (model.clip) model.Edit(model.With(position, *model.clip));
  return true;
}

bool TWindowDriver::Undo() {
  if (!Trigger("UndoAction")) return false;
  model.Undo();
  return true;
}

bool TWindowDriver::Redo() {
  if (!Trigger("RedoAction")) return false;
  model.Redo();
  return true;
}

bool TWindowDriver::Fade(bool in) {
  const uint32_t start = View().SelStart(), stop = View().SelStop();
  if (!Trigger(in ? "FadeInAction" : "FadeOutAction")) return false;
  std::vector<int16_t> next = model.now;
  ApplyFade(next.data() + start * model.channels, stop - start, model.channels, 0, stop - start,
            in);
  model.Edit(std::move(next));
  return true;
}

bool TWindowDriver::Reverse() {
  if (!Trigger("ReverseAction")) return false;
  std::vector<int16_t> next;
  const size_t frames = model.now.size() / model.channels;
  for (size_t f = frames; f-- > 0;)
    for (size_t k = 0; k < model.channels; ++k) next.push_back(model.now[f * model.channels + k]);
  model.Edit(std::move(next));
  return true;
}

bool TWindowDriver::Invert() {
  if (!Trigger("InvertAction")) return false;
  std::vector<int16_t> next = model.now;
  InvertSamples(next.data(), next.size());
  model.Edit(std::move(next));
  return true;
}

// The dialogs' commands, with the value the dialog would have been given.
bool TWindowDriver::InsertSilence(uint32_t frames) {
  Trigger("StopAction");
  const uint32_t position = View().CursorPos();
  if (!Accepted([&] { Document().InsertSilence(position, frames); })) return false;
  model.Edit(model.With(position, std::vector<int16_t>(size_t{frames} * model.channels, 0)));
  return true;
}

bool TWindowDriver::Amplify(uint32_t percent) {
  Trigger("StopAction");
  if (!Accepted([&] { Document().Amplify(percent); })) return false;
  std::vector<int16_t> next = model.now;
  for (int16_t& s : next) s = AmplifySample(s, AmplifyFactor(percent));
  model.Edit(std::move(next));
  return true;
}

bool TWindowDriver::Normalize(int32_t percent) {
  Trigger("StopAction");
  if (!Accepted([&] { Document().Normalize(percent); })) return false;
  std::vector<int16_t> next = model.now;
  // Only positive excursions count towards the peak.
  const int16_t peak = std::max<int16_t>(0, *std::max_element(next.begin(), next.end()));
  if (peak > 0)
    for (int16_t& s : next) s = NormalizeSample(s, percent / 100.0 * 32768.0 / peak);
  model.Edit(std::move(next));
  return true;
}

void TWindowDriver::Drag(int x1, int x2) {
  QTest::mousePress(&View(), Qt::LeftButton, {}, QPoint(x1, 100));
  QTest::mouseMove(&View(), QPoint((x1 + x2) / 2, 100));
  Breathe();
  QTest::mouseMove(&View(), QPoint(x2, 100));
  QTest::mouseRelease(&View(), Qt::LeftButton, {}, QPoint(x2, 100));
}

void TWindowDriver::Wheel(int notches) {
  const QPoint at(100, 100);
  QWheelEvent wheel(at, form_->mapToGlobal(at), {}, QPoint(0, 120 * notches), Qt::NoButton, {},
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(form_.get(), &wheel);
}

void TWindowDriver::Scroll(double fraction) {
  QScrollBar* scroll = View().ScrollBar();
  if (scroll) scroll->setValue(static_cast<int>(scroll->maximum() * fraction));
}

void TWindowDriver::Resize(int width, int height) {
  form_->resize(width, height);
}

std::string TWindowDriver::Mismatch() const {
  std::string why;
  const Twavefile& document = Document();
  if (!document.Loaded()) return "the document is not loaded";
  if (document.FrameCount() * size_t{model.channels} != model.now.size())
    why += "frames " + std::to_string(document.FrameCount()) + " instead of " +
           std::to_string(model.now.size() / model.channels) + "; ";
  else if (ReadWav16Samples(document.TempFileName()) != model.now)
    why += "the samples differ; ";
  if (document.UndoStack().Count() != model.undo.size())
    why += "undo steps " + std::to_string(document.UndoStack().Count()) + " instead of " +
           std::to_string(model.undo.size()) + "; ";
  if (document.RedoStack().Count() != model.redo.size())
    why += "redo steps " + std::to_string(document.RedoStack().Count()) + " instead of " +
           std::to_string(model.redo.size()) + "; ";
  std::vector<std::string> expected{document.TempFileName()};
  for (const auto& name : document.UndoStack().Names()) expected.push_back(name);
  for (const auto& name : document.RedoStack().Names()) expected.push_back(name);
  for (std::string& name : expected) name = std::filesystem::path(name).filename().string();
  std::sort(expected.begin(), expected.end());
  std::vector<std::string> present;
  // What the clipboard offers other programs is a file of its own, not a leftover.
  for (const std::string& name : temp_.List())
    if (name.rfind("Quillon clip ", 0) != 0) present.push_back(name);
  if (present != expected)
    why += std::to_string(present.size()) + " temporary files for " +
           std::to_string(expected.size()) + " states; ";
  if (!boxes.shown.empty()) why += "a message: \"" + boxes.shown.front() + "\"; ";
  return why;
}

}  // namespace quillon::test
