#include "platform/clipboard.h"

#include "platform/installed.h"

namespace quillon {

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

namespace {
constinit TInstalled<TClipboardPort, TMemoryClipboard> installed;
}

TClipboardPort& Clipboard() {
  return installed.Get();
}

void SetClipboard(TClipboardPort* clipboard) {
  installed.Set(clipboard);
}

}  // namespace quillon
