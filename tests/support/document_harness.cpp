#include "support/document_harness.h"

#include <gtest/gtest.h>

#include "platform/config.h"

namespace quillon::test {

TDocumentHarness::TDocumentHarness() : savedFolder_(config.tempfolder) {
  config.tempfolder = temp.Path() + "/";
  SetMainThread(&loop);
  SetMessageBoxes(&boxes);
  document.OnLoaded = [this](Twavefile*) { events += 'L'; };
  document.OnReady = [this](Twavefile*) { events += 'R'; };
}

TDocumentHarness::~TDocumentHarness() {
  WaitIdle();
  document.Close();
  SetMessageBoxes(nullptr);
  SetMainThread(nullptr);
  config.tempfolder = savedFolder_;
}

void TDocumentHarness::WaitIdle() {
  bool idle = loop.RunUntil([this] { return !document.Busy(); }, std::chrono::seconds(120));
  EXPECT_TRUE(idle) << "the operation did not end";
}

bool TDocumentHarness::Open(const std::string& path) {
  document.Open(path);
  WaitIdle();
  return document.Loaded();
}

}  // namespace quillon::test
