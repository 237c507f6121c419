#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/messagebox.h"
#include "platform/urlopener.h"

namespace quillon::test {

// Records the boxes and questions instead of showing them; answers questions with answer.
class TRecordingBoxes : public TMessageBoxes {
 public:
  void Show(const std::string& /*caption*/, const std::string& text, TMessageIcon) override {
    std::lock_guard lock(mutex);
    shown.push_back(text);
  }
  void ShowException(const std::string& text) override { Show("", text, TMessageIcon::Error); }
  bool AskYesNo(const std::string& /*caption*/, const std::string& text) override {
    {
      std::lock_guard lock(mutex);
      asked.push_back(text);
    }
    if (whileAsking) whileAsking();
    return answer;
  }

  std::mutex mutex;
  std::vector<std::string> shown;
  std::vector<std::string> asked;
  bool answer = true;
  std::function<void()> whileAsking;  // runs while the question is "open"
};

class TRecordingOpener : public TUrlOpener {
 public:
  void Open(const std::string& url) override { opened.push_back(url); }
  std::vector<std::string> opened;
};

// Installs the recorders for one test and removes them afterwards.
struct TInstalledRecorders {
  TInstalledRecorders() {
    SetMessageBoxes(&boxes);
    SetUrlOpener(&opener);
  }
  ~TInstalledRecorders() {
    SetMessageBoxes(nullptr);
    SetUrlOpener(nullptr);
  }
  TRecordingBoxes boxes;
  TRecordingOpener opener;
};

}  // namespace quillon::test
