#pragma once

#include <functional>
#include <string>
#include <vector>

#include "document/wavfile.h"
#include "platform/messagebox.h"
#include "platform/taskloop.h"
#include "support/fixtures.h"
#include "support/ports.h"

namespace quillon::test {

// Records every message instead of showing it.
class TRecordingMessageBoxes : public TMessageBoxes {
 public:
  struct TShown {
    std::string caption;
    std::string text;
  };
  void Show(const std::string& caption, const std::string& text, TMessageIcon) override {
    shown.push_back({caption, text});
  }
  void ShowException(const std::string& text) override { shown.push_back({"", text}); }
  // Questions are recorded like messages and get the prepared answer.
  TAnswer AskYesNoCancel(const std::string& caption, const std::string& text) override {
    shown.push_back({caption, text});
    return answer;
  }
  bool AskYesNo(const std::string& caption, const std::string& text) override {
    shown.push_back({caption, text});
    if (whileAsking) whileAsking();
    return answer == TAnswer::Yes;
  }
  std::vector<TShown> shown;
  TAnswer answer = TAnswer::Cancel;
  std::function<void()> whileAsking;  // runs while a yes/no question is open
};

// Exposes the document's internal steps to tests.
class TTestWavefile : public Twavefile {
 public:
  using Twavefile::BuildPeakIndex;
};

// A document with its own main-thread loop, recorded messages and a private temporary folder.
// Records the order of the document's notifications as letters: L OnLoaded, R OnReady.
class TDocumentHarness {
 public:
  TDocumentHarness();
  ~TDocumentHarness();

  // Serves the loop until no operation runs; fails the test after a generous time-out.
  void WaitIdle();
  // Opens path and waits for the end.
  bool Open(const std::string& path);
  // Opens a WAV of these samples and waits for the end.
  bool OpenSamples(uint16_t channels, const std::vector<int16_t>& samples,
                   uint32_t sampleRate = 8000);
  // Makes a request and waits for its end; false when it did not start.
  bool Run(const std::function<bool(Twavefile&)>& request);
  // The current state's samples.
  std::vector<int16_t> Samples() const;
  // Files in the temporary folder.
  std::vector<std::string> TempFiles() const { return temp.List(); }

  TTempDir temp;
  TTempDir files;
  TTaskLoop loop;
  TRecordingMessageBoxes boxes;
  TScopedMainThread mainThreadPort{&loop};
  TScopedMessageBoxes messageBoxesPort{&boxes};
  TTestWavefile document;
  std::string events;
  // OnAction's (CanUndo, CanRedo), in order.
  std::vector<std::pair<bool, bool>> actions;

 private:
  std::string savedFolder_;
  int sources_ = 0;
  TSubscriptions subscriptions_;
};

}  // namespace quillon::test
