#include "support/document_harness.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/config.h"
#include "platform/mainthread.h"

namespace quillon::test {

TDocumentHarness::TDocumentHarness() : savedFolder_(config.tempfolder) {
  config.tempfolder = temp.Path() + "/";
  subscriptions_ += document.OnLoaded.Subscribe([this](Twavefile*) { events += 'L'; });
  subscriptions_ += document.OnReady.Subscribe([this](Twavefile*) { events += 'R'; });
  subscriptions_ += document.OnAction.Subscribe([this](Twavefile*, bool canUndo, bool canRedo) {
    EXPECT_TRUE(loop.IsMainThread()) << "OnAction off the main thread";
    actions.emplace_back(canUndo, canRedo);
  });
}

TDocumentHarness::~TDocumentHarness() {
  WaitIdle();
  document.Close();
  config.tempfolder = savedFolder_;
}

void TDocumentHarness::WaitIdle() {
  bool idle = loop.RunUntil([this] { return !document.Busy(); }, std::chrono::seconds(120));
  EXPECT_TRUE(idle) << "the operation did not end";
}

bool TDocumentHarness::OpenSamples(uint16_t channels, const std::vector<int16_t>& samples,
                                   uint32_t sampleRate) {
  std::string path = files.File("source" + std::to_string(++sources_) + ".wav");
  WriteWav16(path, channels, sampleRate, samples);
  return Open(path);
}

bool TDocumentHarness::Run(const std::function<bool(Twavefile&)>& request) {
  if (!request(document)) return false;
  WaitIdle();
  return true;
}

std::vector<int16_t> TDocumentHarness::Samples() const {
  return ReadWav16Samples(document.TempFileName());
}

bool TDocumentHarness::Open(const std::string& path) {
  document.Open(path);
  WaitIdle();
  return document.Loaded();
}

}  // namespace quillon::test
