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

// The samples, history and clipboard of the document as the accepted commands made them,
// computed here from the commands' definitions, beside the real window.
struct TDocumentModel {
  uint16_t channels = 1;
  std::vector<int16_t> now;
  std::vector<std::vector<int16_t>> undo;
  std::vector<std::vector<int16_t>> redo;
  std::optional<std::vector<int16_t>> clip;

  void Reset(uint16_t channelCount, std::vector<int16_t> samples);
  void Edit(std::vector<int16_t> next);
  void Undo();
  void Redo();
  std::vector<int16_t> Range(uint64_t start, uint64_t stop) const;
  std::vector<int16_t> Without(uint64_t start, uint64_t stop) const;
  std::vector<int16_t> With(uint64_t position, const std::vector<int16_t>& inserted) const;
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
  void SelectAll() { Trigger("SelectAllAction"); }
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
  // A drag with the mouse over the view from x1 to x2.
  void Drag(int x1, int x2);
  void Wheel(int notches);
  void Scroll(double fraction);
  void Resize(int width, int height);

  // Compares the document, its history and the temporary folder with the model; empty when
  // they agree, else what differs.
  std::string Mismatch() const;

  Tmainform& Form() const { return *form_; }
  TWaveView& View() const;
  Twavefile& Document() const;
  QAction* Action(const char* name) const;

  TCountingMessageBoxes boxes;
  TDocumentModel model;

 private:
  // Runs command and says whether it started an operation of the document.
  bool Accepted(const std::function<void()>& command);

  TTempDir settings_;
  TTempDir temp_;
  TTempDir files_;
  TConfig savedConfig_;
  std::unique_ptr<Tmainform> form_;
  std::optional<TScopedMessageBoxes> boxesPort_;
};

}  // namespace test
}  // namespace quillon
