#pragma once

#include <QObject>
#include <QPointer>
#include <string>

#include "platform/clipboard.h"
#include "platform/clipfilewriter.h"

class QMimeData;

namespace quillon {

// The desktop clipboard. A WAV block goes there under every name desktops use for WAV, and as
// a WAV file named by a URI list, so that other programs can paste it whichever they take; any
// of those names is accepted back, and so are files named by a URI list or as plain text. The
// bytes are offered at once; the file is written off the main thread and offered beside them once
// it is complete. It stays until this clipboard goes away or another program takes the clipboard.
class TQtClipboard : public QObject, public TClipboardPort {
  Q_OBJECT
 public:
  TQtClipboard();
  ~TQtClipboard() override;
  bool SetWave(std::vector<uint8_t> block) override;
  std::optional<std::vector<uint8_t>> GetWave() override;
  bool HasWave() override;
  std::vector<std::string> GetFiles() override;

  // The file offered with the clipboard's audio; empty when none, or not yet written.
  const std::string& OfferedFile() const { return offeredFile_; }

  static const QStringList& WaveMimeTypes();
  // The WAV bytes under every WAV name and, when file holds the same audio, the file as a URI
  // list, as a file manager's copied file and as plain text.
  static QMimeData* MakeWaveMimeData(const QByteArray& bytes, const std::string& file);
  // The file as a URI list, as a file manager's copied file and as plain text.
  static void AddFileNames(QMimeData& data, const std::string& file);

 private:
  void ClipboardChanged();
  void DeleteOfferedFile();
  void Offer(QMimeData* data);
  void OfferFile(const QByteArray& bytes, const std::string& file);

  QPointer<QMimeData> offered_;
  std::string offeredFile_;
  // Counts the offers, so that an old offer going away leaves a newer one's file alone.
  uint64_t offers_ = 0;
  // Last: it finishes its writes and deletions before the rest goes.
  TClipFileWriter files_;
};

}  // namespace quillon
