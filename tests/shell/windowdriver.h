#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/config.h"
#include "platform/messagebox.h"
#include "support/fixtures.h"
#include "support/ports.h"

class QAction;

namespace quillon {

class Tmainform;
class TWaveView;
class Twavefile;

namespace test {

// Counts the messages the window shows; questions get the prepared answer and are not counted.
class TCountingMessageBoxes : public TMessageBoxes {
 public:
  void Show(const std::string&, const std::string& text, TMessageIcon) override {
    shown.push_back(text);
  }
  void ShowException(const std::string& text) override { shown.push_back(text); }
  TAnswer AskYesNoCancel(const std::string&, const std::string&) override { return answer; }
  bool AskYesNo(const std::string&, const std::string&) override { return answer == TAnswer::Yes; }

  std::vector<std::string> shown;
  TAnswer answer = TAnswer::No;
};

// Where the view's cursor and selection stand, followed from the mouse positions sent and the
// commands taken up, never read from the view.
struct TPlaceModel {
  uint32_t cursor = 0;
  // Playback moves the cursor at its own pace: unknown until a click while nothing plays.
  bool cursorKnown = true;
  uint32_t start = 0;
  uint32_t stop = 0;
  bool selected = false;
  // The length the view shows: an edit's until its end reaches the window, which then holds
  // the cursor and the selection to the new length.
  uint32_t shown = 0;
  bool following = false;
};

// The samples, history, clipboard and place of the document as the accepted commands made
// them, computed here from the commands' definitions, beside the real window.
struct TDocumentModel {
  uint16_t channels = 1;
  uint32_t rate = 8000;
  std::vector<int16_t> now;
  std::vector<std::vector<int16_t>> undo;
  std::vector<std::vector<int16_t>> redo;
  std::optional<std::vector<int16_t>> clip;
  // Which state each is: Modified holds while the current one is not the one opened.
  uint64_t nowId = 0;
  std::vector<uint64_t> undoIds, redoIds;
  uint64_t nextId = 1;
  // Whether the current state's index is the decoder's, as after opening, or a rebuilt one.
  bool nowDecoded = true;
  TPlaceModel place;

  void Reset(uint16_t channelCount, uint32_t sampleRate, std::vector<int16_t> samples);
  void Edit(std::vector<int16_t> next);
  void Undo();
  void Redo();
  uint32_t Frames() const { return static_cast<uint32_t>(now.size() / channels); }
  bool Modified() const { return nowId != 0; }
  std::vector<int16_t> Range(uint64_t start, uint64_t stop) const;
  std::vector<int16_t> Without(uint64_t start, uint64_t stop) const;
  std::vector<int16_t> With(uint64_t position, const std::vector<int16_t>& inserted) const;
  // The view's end of an edit: the cursor and the selection held to the new length.
  void Follow();

 private:
  // Undo or redo: the top of from becomes the current state, which goes onto to.
  void Switch(std::vector<std::vector<int16_t>>& from, std::vector<uint64_t>& fromIds,
              std::vector<std::vector<int16_t>>& to, std::vector<uint64_t>& toIds);
};

// The editor's main window offscreen, with its own temporary and settings folders, driven
// through its commands the way keys and the mouse drive it, and a model kept in step.
class TWindowDriver {
 public:
  TWindowDriver();
  ~TWindowDriver();

  // Opens a stereo file of frames frames with a pattern of its name's, and waits for it.
  bool OpenFile(const std::string& name, uint32_t frames, uint32_t rate = 8000);
  // Opens one of two such files, the one not open now.
  bool OpenAnother(uint32_t frames);
  // Runs what the event loop has queued, as between two key presses.
  void Breathe();
  // Waits until no operation runs, no command waits and nothing plays.
  bool Settle();

  // Commands; each returns whether the document took up an operation. One given while an
  // operation runs waits its turn; the driver waits for it, so that at most one ever waits.
  bool Trigger(const char* actionName);
  void SelectAll();
  bool Delete();
  bool Cut();
  bool Copy();
  bool Paste();
  bool Undo();
  bool Redo();
  bool Fade(bool in);
  bool Reverse();
  bool Invert();
  bool InsertSilence(uint32_t frames);
  bool Amplify(uint32_t percent);
  bool Normalize(int32_t percent);
  // A drag with the mouse over the view from x1 to x2; a click when they are equal.
  void Drag(int x1, int x2);
  // Stops playback and clicks at x, so that the cursor stands where the model knows.
  void PlaceCursor(int x);
  void Wheel(int notches);
  void Scroll(double fraction);
  void Resize(int width, int height);

  // Compares the document (samples, peak index, Modified), every state of its history, the
  // clipboard, the view's place and the temporary folder with the model; empty when they agree,
  // else what differs.
  std::string Mismatch();

  Tmainform& Form() const { return *form_; }
  TWaveView& View() const;
  Twavefile& Document() const;
  QAction* Action(const char* name) const;

  TCountingMessageBoxes boxes;
  TDocumentModel model;

 private:
  // Runs command and says whether it started an operation of the document.
  bool Accepted(const std::function<void()>& command);
  // Triggers a command that works on the place as the model has it, and says whether it was
  // taken up; notes it when that is not what the model expects.
  bool Taken(const char* actionName, bool expected);
  // The model's place as a command given now captures it.
  const TPlaceModel& PlaceNow();
  // The frame under x, by the view's mapping of pixels to frames over the span it shows.
  uint32_t FrameAt(int x) const;

  std::string surprises_;

  TTempDir settings_;
  TTempDir temp_;
  TTempDir files_;
  TConfig savedConfig_;
  std::unique_ptr<Tmainform> form_;
  std::optional<TScopedMessageBoxes> boxesPort_;
};

}  // namespace test
}  // namespace quillon
