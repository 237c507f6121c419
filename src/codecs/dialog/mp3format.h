#pragma once

#include "platform/qt/dialogkeys.h"

#include <cstdint>
#include <optional>

#include "codecs/mp3settings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QStackedWidget;

namespace quillon {

// "MPEG Layer3 Settings": how an MP3 is to be encoded. One instance lives as long as the program
// so that the user's last choices are offered again; nothing is written to disk. The object names
// of the children are fixed because the translation layer finds them by name.
class Tmpegsettings : public TKeyedDialog {
  Q_OBJECT
 public:
  explicit Tmpegsettings(QWidget* parent = nullptr);

  // Readies the dialog for a document of this sample rate; call before every showing.
  void Prepare(uint32_t sampleRate);
  // Prepare, then modal; the choice on Ok, nothing on Cancel.
  std::optional<TMp3Choice> Ask(uint32_t sampleRate);

  TMp3Choice Choice() const;
  // Positions out of range are clamped to the lists as they stand.
  void SetChoice(const TMp3Choice& choice);

 private slots:
  void vbrmodeChange();

 private:
  void FormCreate();
  void FormActivate(uint32_t sampleRate);
  // Shows, above the buttons, that the MP3 gets another rate than the document, if it does.
  void ShowRateNotice(uint32_t sampleRate);

  QGroupBox* GroupBox1;
  QLabel* Label1;
  QComboBox* vbrmode;
  QLabel* Bitratelabel;
  QComboBox* bitrate;
  QLabel* maxbitLabel;
  QComboBox* maxbitrate;
  QStackedWidget* Notebook3;
  QLabel* Label37;
  QSlider* vbrquality;
  QLabel* Label40;
  QComboBox* avgbitrate;
  QCheckBox* crc;
  QCheckBox* keepframes;
  QLabel* ratenote;
  QPushButton* Button1;
  QPushButton* Button2;

  // The rate the lists were last filled for; 0 before the first showing.
  uint32_t lastRate_ = 0;
  // "Bitrate:" is the bitrate in CBR and the lowest a frame may have in VBR and ABR: each use
  // keeps its own position, and the list shows the one of the current mode.
  bool bitrateIsFloor_ = false;
  int cbrPosition_ = 0;
  int floorPosition_ = 0;
};

}  // namespace quillon
