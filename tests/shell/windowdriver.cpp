#include "shell/windowdriver.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <numbers>
#include <utility>

#include "codecs/cache.h"
#include "display/waveview.h"
#include "document/wavfile.h"
#include "shell/main.h"
#include "support/wait.h"

namespace quillon::test {

// The model

namespace {

// The effects' per-sample definitions, written out here apart from the editor's code: rounding
// is to the nearest, halves to even; truncation is toward zero.
int16_t Clipped(double x, double low) {
  return static_cast<int16_t>(std::clamp(x, low, 32767.0));
}
// A fade's gain is the sine (in) or cosine (out) of i * 90 / n degrees.
int16_t Faded(int16_t s, uint64_t i, uint64_t n, bool in) {
  const double angle =
      static_cast<double>(i) * (90.0 / static_cast<double>(n)) * (std::numbers::pi / 180.0);
  return static_cast<int16_t>(std::nearbyint(s * (in ? std::sin(angle) : std::cos(angle))));
}
// The factor is the percentage as a 32-bit float; truncated, clipped to -32767..32767.
int16_t Amplified(int16_t s, uint32_t percent) {
  const double factor = static_cast<float>(percent / 100.0);
  return Clipped(std::trunc(s * factor), -32767.0);
}
// The gain brings the peak to the percentage of 32768; rounded, clipped to -32768..32767.
int16_t Normalized(int16_t s, int32_t percent, int16_t peak) {
  return Clipped(std::nearbyint(s * (percent / 100.0 * 32768.0 / peak)), -32768.0);
}
// Two's-complement negation: -32768 has no positive partner and stays.
int16_t Inverted(int16_t s) {
  return s == -32768 ? s : static_cast<int16_t>(-s);
}

std::vector<int16_t> Mapped(std::vector<int16_t> samples,
                            const std::function<int16_t(int16_t)>& rule) {
  for (int16_t& s : samples) s = rule(s);
  return samples;
}

// Single precision, rounded, as the selection boxes show positions in milliseconds.
uint32_t FramesToMs(uint32_t frames, uint32_t rate) {
  return static_cast<uint32_t>(
      std::nearbyint(static_cast<float>(frames) / static_cast<float>(rate) * 1000.0f));
}
uint32_t MsToFrames(uint32_t ms, uint32_t rate) {
  return static_cast<uint32_t>(
      std::nearbyint(static_cast<float>(ms) / 1000.0f * static_cast<float>(rate)));
}

constexpr uint32_t kBlockFrames = 512;

// The peak index of samples: per block of 512 frames and channel the greatest sample (from 0)
// and the least, then (0, 0) for the block after the last. The decoder that opens a file starts
// a block's least at 0 and closes the last one, whole or not, before that empty one; a rebuild
// starts it at 32767 and has the empty one only after whole blocks.
Tindexdata PeakIndex(const std::vector<int16_t>& samples, uint16_t channels, bool decoded) {
  const size_t frames = samples.size() / channels;
  const size_t blocks =
      decoded ? (frames + kBlockFrames - 1) / kBlockFrames : frames / kBlockFrames;
  Tindexdata index((blocks + 1) * channels);
  for (size_t b = 0; b * kBlockFrames < frames; ++b)
    for (uint16_t k = 0; k < channels; ++k) {
      Tindextype entry{0, static_cast<int16_t>(decoded ? 0 : 32767)};
      for (size_t f = b * kBlockFrames; f < std::min(frames, (b + 1) * kBlockFrames); ++f) {
        entry.max = std::max(entry.max, samples[f * channels + k]);
        entry.min = std::min(entry.min, samples[f * channels + k]);
      }
      index[b * channels + k] = entry;
    }
  return index;
}

int16_t PeakOf(const Tindexdata& index) {
  int16_t peak = 0;
  for (const Tindextype& entry : index) peak = std::max(peak, entry.max);
  return peak;
}

// The clipboard's block: a canonical WAV header of the document's format, then the samples.
std::vector<uint8_t> ClipBlock(const std::vector<int16_t>& samples, uint16_t channels,
                               uint32_t rate) {
  std::vector<uint8_t> block;
  auto put = [&](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) block.push_back(static_cast<uint8_t>(value >> (8 * i)));
  };
  auto tag = [&](const char* text) {
    for (int i = 0; i < 4; ++i) block.push_back(static_cast<uint8_t>(text[i]));
  };
  const auto data = static_cast<uint32_t>(samples.size() * 2);
  tag("RIFF"), put(data + 36, 4), tag("WAVE"), tag("fmt "), put(16, 4), put(1, 2);
  put(channels, 2), put(rate, 4), put(rate * channels * 2, 4), put(channels * 2u, 2);
  put(16, 2), tag("data"), put(data, 4);
  for (int16_t s : samples) put(static_cast<uint16_t>(s), 2);
  return block;
}

// Where samples first differ from the model's; empty when they agree.
std::string Difference(const std::vector<int16_t>& samples, const std::vector<int16_t>& model) {
  if (samples.size() != model.size())
    return std::to_string(samples.size()) + " samples instead of " + std::to_string(model.size());
  const auto at = std::mismatch(samples.begin(), samples.end(), model.begin());
  if (at.first == samples.end()) return "";
  return "differ first at sample " + std::to_string(at.first - samples.begin()) + ": " +
         std::to_string(*at.first) + " instead of " + std::to_string(*at.second);
}

std::string Shown(uint32_t start, uint32_t stop, bool selected) {
  return std::to_string(start) + ".." + std::to_string(stop) + (selected ? " selected" : "");
}

}  // namespace

void TDocumentModel::Reset(uint16_t channelCount, uint32_t sampleRate,
                           std::vector<int16_t> samples) {
  channels = channelCount;
  rate = sampleRate;
  now = std::move(samples);
  undo.clear();
  redo.clear();
  nowId = 0;
  nowDecoded = true;
  undoIds.clear();
  redoIds.clear();
  place = {};
  place.shown = Frames();
}

void TDocumentModel::Edit(std::vector<int16_t> next) {
  // It runs after the previous edit's end reached the window.
  if (place.following) Follow();
  nowDecoded = false;
  undo.push_back(std::move(now));
  undoIds.push_back(nowId);
  redo.clear();
  redoIds.clear();
  now = std::move(next);
  nowId = nextId++;
  place.following = true;
}

void TDocumentModel::Undo() {
  Switch(undo, undoIds, redo, redoIds);
}

void TDocumentModel::Redo() {
  Switch(redo, redoIds, undo, undoIds);
}

void TDocumentModel::Switch(std::vector<std::vector<int16_t>>& from, std::vector<uint64_t>& fromIds,
                            std::vector<std::vector<int16_t>>& to, std::vector<uint64_t>& toIds) {
  // It runs after the previous edit's end reached the window.
  if (place.following) Follow();
  nowDecoded = false;
  to.push_back(std::move(now));
  toIds.push_back(nowId);
  now = std::move(from.back());
  nowId = fromIds.back();
  from.pop_back();
  fromIds.pop_back();
  place.following = true;
}

void TDocumentModel::Follow() {
  place.following = false;
  place.shown = Frames();
  place.cursor = std::min(place.cursor, place.shown);
  place.start = std::min(place.start, place.shown);
  place.stop = std::min(place.stop, place.shown);
  if (place.start >= place.stop) place.selected = false;
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
  // A different, recognisable pattern per file and channel, with both extremes now and then.
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<int16_t>((i * (7 + name.size()) + (i % 2) * 9001) % 60000 - 30000);
  for (size_t i = 0; i < samples.size(); i += 997) samples[i] = i % 2 ? 32767 : -32768;
  if (!std::filesystem::exists(path)) WriteWav16(path, 2, rate, samples);
  if (!Accepted([&] { form_->openfile(path); })) return false;
  model.Reset(2, rate, std::move(samples));
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

const TPlaceModel& TWindowDriver::PlaceNow() {
  // The window holds the view to an edit's length once the edit has ended.
  if (model.place.following && !Document().Busy()) model.Follow();
  return model.place;
}

bool TWindowDriver::Taken(const char* actionName, bool expected) {
  // A command the window offers not (effects while playing) cannot be given.
  expected = expected && Action(actionName)->isEnabled();
  const bool taken = Trigger(actionName);
  if (taken != expected)
    surprises_ += std::string(actionName) + (taken ? " taken up" : " skipped") +
                  " against the model (\"" + form_->statusBar()->currentMessage().toStdString() +
                  "\"); ";
  return taken;
}

void TWindowDriver::SelectAll() {
  Trigger("SelectAllAction");
  // All, as the boxes in milliseconds give it: the length held to the last frame's time.
  TPlaceModel& place = model.place;
  PlaceNow();
  if (model.Frames() == 0) return;
  const uint32_t ms =
      std::min(FramesToMs(model.Frames(), model.rate), FramesToMs(model.Frames() - 1, model.rate));
  place.start = 0;
  place.stop = std::min(MsToFrames(ms, model.rate), place.shown);
  place.selected = true;
}

bool TWindowDriver::Delete() {
  const TPlaceModel at = PlaceNow();
  if (!Taken("DeleteAction", at.selected && at.stop <= model.Frames())) return false;
  model.Edit(model.Without(at.start, at.stop));
  model.place.cursor = model.place.start = model.place.stop = at.start;
  model.place.selected = false;
  return true;
}

bool TWindowDriver::Cut() {
  const TPlaceModel at = PlaceNow();
  if (!Taken("CutAction", at.selected && at.stop <= model.Frames())) return false;
  model.clip = model.Range(at.start, at.stop);
  model.Edit(model.Without(at.start, at.stop));
  model.place.cursor = model.place.start = model.place.stop = at.start;
  model.place.selected = false;
  return true;
}

bool TWindowDriver::Copy() {
  const TPlaceModel at = PlaceNow();
  if (!Taken("CopyAction", at.selected && at.stop <= model.Frames())) return false;
  model.clip = model.Range(at.start, at.stop);
  // Its end, too, holds the view to the document: an empty selection is none.
  model.place.following = true;
  return true;
}

bool TWindowDriver::Paste() {
  const TPlaceModel at = PlaceNow();
  // Where an unknown cursor stood, the model cannot follow: the caller places it first.
  if (!at.cursorKnown) surprises_ += "a paste at a cursor the model does not know; ";
  if (!Taken("PasteAction", model.clip && at.cursor <= model.Frames())) return false;
  model.Edit(model.With(at.cursor, *model.clip));
  return true;
}

bool TWindowDriver::Undo() {
  PlaceNow();
  if (!Taken("UndoAction", !model.undo.empty())) return false;
  model.Undo();
  return true;
}

bool TWindowDriver::Redo() {
  PlaceNow();
  if (!Taken("RedoAction", !model.redo.empty())) return false;
  model.Redo();
  return true;
}

bool TWindowDriver::Fade(bool in) {
  const TPlaceModel at = PlaceNow();
  if (!Taken(in ? "FadeInAction" : "FadeOutAction", at.selected && at.stop <= model.Frames()))
    return false;
  std::vector<int16_t> next = model.now;
  for (uint64_t i = 0; i < at.stop - at.start; ++i)
    for (size_t k = 0; k < model.channels; ++k) {
      int16_t& s = next[(at.start + i) * model.channels + k];
      s = Faded(s, i, at.stop - at.start, in);
    }
  model.Edit(std::move(next));
  model.place.start = at.start;
  model.place.stop = at.stop;
  model.place.selected = false;
  return true;
}

bool TWindowDriver::Reverse() {
  PlaceNow();
  if (!Trigger("ReverseAction")) return false;
  std::vector<int16_t> next;
  const size_t frames = model.now.size() / model.channels;
  for (size_t f = frames; f-- > 0;)
    for (size_t k = 0; k < model.channels; ++k) next.push_back(model.now[f * model.channels + k]);
  model.Edit(std::move(next));
  return true;
}

bool TWindowDriver::Invert() {
  PlaceNow();
  if (!Trigger("InvertAction")) return false;
  model.Edit(Mapped(model.now, Inverted));
  return true;
}

// The dialogs' commands, with the value the dialog would have been given, at the view's cursor
// as the window takes it: the model inserts at its own.
bool TWindowDriver::InsertSilence(uint32_t frames) {
  Trigger("StopAction");
  const TPlaceModel at = PlaceNow();
  const uint32_t position = View().CursorPos();
  if (!Accepted([&] { Document().InsertSilence(position, frames); })) return false;
  if (!at.cursorKnown) surprises_ += "silence inserted at a cursor the model does not know; ";
  model.Edit(model.With(at.cursor, std::vector<int16_t>(size_t{frames} * model.channels, 0)));
  return true;
}

bool TWindowDriver::Amplify(uint32_t percent) {
  Trigger("StopAction");
  PlaceNow();
  if (!Accepted([&] { Document().Amplify(percent); })) return false;
  model.Edit(Mapped(model.now, [&](int16_t s) { return Amplified(s, percent); }));
  return true;
}

bool TWindowDriver::Normalize(int32_t percent) {
  Trigger("StopAction");
  PlaceNow();
  if (!Accepted([&] { Document().Normalize(percent); })) return false;
  // The peak counts positive excursions only; without one the samples stay.
  const int16_t peak = PeakOf(PeakIndex(model.now, model.channels, model.nowDecoded));
  model.Edit(peak > 0 ? Mapped(model.now, [&](int16_t s) { return Normalized(s, percent, peak); })
                      : model.now);
  return true;
}

uint32_t TWindowDriver::FrameAt(int x) const {
  const TWaveView& view = View();
  const double framesPerPixel =
      static_cast<double>(view.ViewLength()) / std::max(view.width() - RightMargin, 1);
  const double frame = std::nearbyint(x * framesPerPixel) + view.ViewStart();
  return static_cast<uint32_t>(std::min<double>(frame, model.place.shown));
}

void TWindowDriver::Drag(int x1, int x2) {
  TPlaceModel& place = model.place;
  PlaceNow();
  // While an edit runs the view takes no mouse selection; with no pause in between, the whole
  // drag then meets the same document.
  const bool selects = Document().Loaded();
  const bool playing = View().Playing();
  const uint32_t from = FrameAt(x1);
  QTest::mousePress(&View(), Qt::LeftButton, {}, QPoint(x1, 100));
  QTest::mouseMove(&View(), QPoint((x1 + x2) / 2, 100));
  if (selects) Breathe();
  // After the pause: a resize may have reached the view in it.
  const uint32_t to = FrameAt(x2);
  QTest::mouseMove(&View(), QPoint(x2, 100));
  QTest::mouseRelease(&View(), Qt::LeftButton, {}, QPoint(x2, 100));
  if (!selects) return;
  // The press puts the cursor there and restarts playback from it.
  place.cursor = from;
  place.cursorKnown = !playing && !View().Playing();
  place.start = std::min(from, to);
  place.stop = std::max(from, to);
  place.selected = x1 != x2 && from != to;
}

void TWindowDriver::PlaceCursor(int x) {
  Trigger("StopAction");
  // Not during an edit either: the view would take no click.
  WaitUntil([&] { return !View().Playing() && Document().Loaded(); });
  Breathe();
  Drag(x, x);
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

std::string TWindowDriver::Mismatch() {
  std::string why = std::exchange(surprises_, "");
  const Twavefile& document = Document();
  if (!document.Loaded()) return "the document is not loaded";
  const TPlaceModel& place = PlaceNow();
  if (const std::string differ = Difference(ReadWav16Samples(document.TempFileName()), model.now);
      !differ.empty())
    why += "the samples " + differ + "; ";
  else if (const Tindexdata index = PeakIndex(model.now, model.channels, model.nowDecoded);
           document.Index() != index || document.Peak() != PeakOf(index))
    why += "the peak index differs; ";
  if (document.Modified() != model.Modified())
    why += std::string("Modified is ") + (document.Modified() ? "true; " : "false; ");
  auto compareStates = [&](const TStack& stack, const std::vector<std::vector<int16_t>>& states,
                           const char* name) {
    if (stack.Count() != states.size()) {
      why += std::string(name) + " steps " + std::to_string(stack.Count()) + " instead of " +
             std::to_string(states.size()) + "; ";
      return;
    }
    for (size_t i = 0; i < states.size(); ++i)
      if (const std::string differ = Difference(ReadWav16Samples(stack.Names()[i]), states[i]);
          !differ.empty())
        why += std::string(name) + " state " + std::to_string(i) + ": " + differ + "; ";
  };
  compareStates(document.UndoStack(), model.undo, "undo");
  compareStates(document.RedoStack(), model.redo, "redo");
  if (model.clip) {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    const QByteArray bytes = data ? data->data("audio/wav") : QByteArray();
    if (std::vector<uint8_t>(bytes.begin(), bytes.end()) !=
        ClipBlock(*model.clip, model.channels, model.rate))
      why += "the clipboard holds " + std::to_string(bytes.size()) + " other bytes; ";
  }
  const TWaveView& view = View();
  if (view.SelStart() != place.start || view.SelStop() != place.stop ||
      view.Selected() != place.selected)
    why += "the selection " + Shown(view.SelStart(), view.SelStop(), view.Selected()) +
           " instead of " + Shown(place.start, place.stop, place.selected) + "; ";
  if (place.cursorKnown && view.CursorPos() != place.cursor)
    why += "the cursor at " + std::to_string(view.CursorPos()) + " instead of " +
           std::to_string(place.cursor) + "; ";
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
