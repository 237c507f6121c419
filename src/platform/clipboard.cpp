#include "platform/clipboard.h"

#include <atomic>

namespace quillon {

namespace {
std::atomic<TClipboardPort*> installed{nullptr};
}

bool TMemoryClipboard::SetWave(std::vector<uint8_t> block) {
  wave_ = std::move(block);
  files_.clear();
  Changed();
  return true;
}

std::optional<std::vector<uint8_t>> TMemoryClipboard::GetWave() {
  return wave_;
}

void TMemoryClipboard::SetFiles(std::vector<std::string> paths) {
  wave_.reset();
  files_ = std::move(paths);
  Changed();
}

void TMemoryClipboard::SetOther() {
  wave_.reset();
  files_.clear();
  Changed();
}

void TMemoryClipboard::Changed() {
  if (OnChanged) OnChanged();
}

TClipboardPort& Clipboard() {
  if (TClipboardPort* current = installed.load()) return *current;
  static TMemoryClipboard fallback;
  return fallback;
}

void SetClipboard(TClipboardPort* clipboard) {
  installed.store(clipboard);
}

}  // namespace quillon
