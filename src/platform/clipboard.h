#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/subscription.h"

namespace quillon {

// The system clipboard as far as audio goes: one WAV block (a RIFF/WAVE file in memory), or
// audio files named by their paths. The
// editor's port sits on the desktop clipboard; quillon-cli and the tests use TMemoryClipboard.
// Call on the main thread only (workers go through MainThread().Post).
class TClipboardPort {
 public:
  virtual ~TClipboardPort() = default;
  // Replaces the clipboard's contents with the block; false when the clipboard is unavailable.
  virtual bool SetWave(std::vector<uint8_t> block) = 0;
  // The WAV block on the clipboard; none when it holds no audio.
  virtual std::optional<std::vector<uint8_t>> GetWave() = 0;
  // Whether the clipboard offers a WAV block, without fetching it.
  virtual bool HasWave() = 0;
  // Local files the clipboard names (a URI list, or paths as plain text); empty when none.
  virtual std::vector<std::string> GetFiles() = 0;
  // Whether paste finds something to take: audio, or files to try.
  bool CanPaste() { return HasWave() || !GetFiles().empty(); }

  // Raised on the main thread whenever the clipboard's contents change, from here or elsewhere.
  TSignal<> OnChanged;
};

// The clipboard of this process alone.
class TMemoryClipboard : public TClipboardPort {
 public:
  bool SetWave(std::vector<uint8_t> block) override;
  std::optional<std::vector<uint8_t>> GetWave() override;
  bool HasWave() override { return wave_.has_value(); }
  std::vector<std::string> GetFiles() override { return files_; }
  // Names files, as a file manager's copy does.
  void SetFiles(std::vector<std::string> paths);
  // Puts something other than audio there (text, say).
  void SetOther();

 private:
  void Changed();
  std::optional<std::vector<uint8_t>> wave_;
  std::vector<std::string> files_;
};

// The process's clipboard; a TMemoryClipboard until another is installed.
TClipboardPort& Clipboard();
void SetClipboard(TClipboardPort* clipboard);

}  // namespace quillon
