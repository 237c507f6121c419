// The document that the operation walks (failures, cancellations) start from.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/clipboard.h"
#include "support/document_harness.h"

namespace quillon::test {

// Stereo samples that differ from their neighbours, so a misplaced one shows.
inline std::vector<int16_t> Numbered(int frames) {
  std::vector<int16_t> samples;
  for (int i = 0; i < frames * 2; ++i) samples.push_back(static_cast<int16_t>(i * 7 - 30000));
  return samples;
}

// A stereo source of frames frames beside the user's files and a clip waiting on the clipboard;
// OpenAndEdit opens the source and edits it twice with one edit undone, so that both histories
// hold a state.
struct TSceneBase {
  explicit TSceneBase(int frames) {
    SetClipboard(&clipboard);
    source = h.files.File("source.wav");
    WriteWav16(source, 2, 44100, Numbered(frames));
    std::string clip = h.files.File("clip");
    WriteWav16(clip, 1, 22050, {100, -200, 300, -400, 500});
    clipboard.SetWave(ReadFileBytes(clip));
    std::remove(clip.c_str());
  }
  ~TSceneBase() {
    h.WaitIdle();
    SetClipboard(nullptr);
  }
  TSceneBase(const TSceneBase&) = delete;
  TSceneBase& operator=(const TSceneBase&) = delete;

  void OpenAndEdit() {
    EXPECT_TRUE(h.Open(source));
    EXPECT_TRUE(h.Run([](Twavefile& d) { return d.Invert(); }));
    EXPECT_TRUE(h.Run([](Twavefile& d) { return d.Reverse(); }));
    h.document.Undo();
    h.WaitIdle();
    EXPECT_TRUE(h.boxes.shown.empty());
  }

  TMemoryClipboard clipboard;
  TDocumentHarness h;
  std::string source;
};

// A step of a walk that makes one request and waits for its end.
inline std::function<void(TSceneBase&)> Request(std::function<bool(Twavefile&)> request) {
  return [request](TSceneBase& s) { EXPECT_TRUE(s.h.Run(request)); };
}

}  // namespace quillon::test
