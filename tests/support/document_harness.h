#pragma once

#include <string>
#include <vector>

#include "document/wavfile.h"
#include "platform/messagebox.h"
#include "platform/taskloop.h"
#include "support/fixtures.h"

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
  std::vector<TShown> shown;
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
  // Files in the temporary folder.
  std::vector<std::string> TempFiles() const { return temp.List(); }

  TTempDir temp;
  TTempDir files;
  TTaskLoop loop;
  TRecordingMessageBoxes boxes;
  TTestWavefile document;
  std::string events;

 private:
  std::string savedFolder_;
};

}  // namespace quillon::test
