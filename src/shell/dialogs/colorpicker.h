#pragma once

#include <QComboBox>
#include <cstdint>

namespace quillon {

// Converts between the settings' 0x00BBGGRR colours and Qt's.
QColor ToQColor(uint32_t bgr);
uint32_t ToBgr(const QColor& color);

// A drop-down of named colours: the standard ones, the extended ones, "Default" (the colour the
// picker was made with) and "Custom..." (the system's colour dialog).
class TColorPicker : public QComboBox {
  Q_OBJECT

 public:
  TColorPicker(uint32_t defaultColor, QWidget* parent = nullptr);

  uint32_t Selected() const { return selected_; }
  // Selects the first entry showing the colour; the custom entry takes any other colour.
  // Raises no signal.
  void SetSelected(uint32_t bgr);
  // Selects the custom entry with a colour, as the colour dialog does; raises ColorChanged.
  void PickCustom(uint32_t bgr);

 signals:
  void ColorChanged(uint32_t bgr);

 private:
  void EntryActivated(int index);
  void SetEntryColor(int index, uint32_t bgr);
  int CustomIndex() const { return count() - 1; }

  uint32_t selected_;
};

}  // namespace quillon
