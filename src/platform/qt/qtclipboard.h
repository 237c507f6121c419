#pragma once

#include <QObject>

#include "platform/clipboard.h"

namespace quillon {

// The desktop clipboard. A WAV block goes there under every name desktops use for WAV, so that
// other programs can paste it; any of those names is accepted back.
class TQtClipboard : public QObject, public TClipboardPort {
  Q_OBJECT
 public:
  TQtClipboard();
  bool SetWave(std::vector<uint8_t> block) override;
  std::optional<std::vector<uint8_t>> GetWave() override;
  bool HasWave() override;

  static const QStringList& WaveMimeTypes();
};

}  // namespace quillon
