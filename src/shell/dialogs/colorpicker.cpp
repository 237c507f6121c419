#include "shell/dialogs/colorpicker.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

namespace quillon {
namespace {

struct TNamedColor {
  const char* name;
  uint32_t bgr;
};

constexpr TNamedColor kNamedColors[] = {
    {"Black", 0x000000}, {"Maroon", 0x000080},      {"Green", 0x008000},
    {"Olive", 0x008080}, {"Navy", 0x800000},        {"Purple", 0x800080},
    {"Teal", 0x808000},  {"Gray", 0x808080},        {"Silver", 0xC0C0C0},
    {"Red", 0x0000FF},   {"Lime", 0x00FF00},        {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},  {"Fuchsia", 0xFF00FF},     {"Aqua", 0xFFFF00},
    {"White", 0xFFFFFF}, {"Money Green", 0xC0DCC0}, {"Sky Blue", 0xF0CAA6},
    {"Cream", 0xF0FBFF}, {"Medium Gray", 0xA4A0A0},
};

QIcon Swatch(uint32_t bgr) {
  QPixmap pixmap(16, 16);
  pixmap.fill(ToQColor(bgr));
  QPainter painter(&pixmap);
  painter.setPen(Qt::black);
  painter.drawRect(0, 0, 15, 15);
  return QIcon(pixmap);
}

}  // namespace

QColor ToQColor(uint32_t bgr) {
  return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

uint32_t ToBgr(const QColor& color) {
  return static_cast<uint32_t>(color.red()) | static_cast<uint32_t>(color.green()) << 8 |
         static_cast<uint32_t>(color.blue()) << 16;
}

TColorPicker::TColorPicker(uint32_t defaultColor, QWidget* parent)
    : QComboBox(parent), selected_(defaultColor) {
  setEditable(false);
  for (const TNamedColor& named : kNamedColors) addItem(Swatch(named.bgr), named.name, named.bgr);
  addItem(Swatch(defaultColor), "Default", defaultColor);
  addItem(Swatch(defaultColor), "Custom...", defaultColor);
  SetSelected(defaultColor);
  connect(this, &QComboBox::activated, this, &TColorPicker::EntryActivated);
}

void TColorPicker::SetSelected(uint32_t bgr) {
  bgr &= 0xFFFFFF;
  selected_ = bgr;
  int index = findData(bgr);
  if (index < 0 || index == CustomIndex()) {
    index = CustomIndex();
    SetEntryColor(index, bgr);
  }
  setCurrentIndex(index);
}

void TColorPicker::PickCustom(uint32_t bgr) {
  SetEntryColor(CustomIndex(), bgr & 0xFFFFFF);
  setCurrentIndex(CustomIndex());
  selected_ = bgr & 0xFFFFFF;
  emit ColorChanged(selected_);
}

void TColorPicker::EntryActivated(int index) {
  if (index != CustomIndex()) {
    selected_ = itemData(index).toUInt();
    emit ColorChanged(selected_);
    return;
  }
  const QColor picked = QColorDialog::getColor(ToQColor(selected_), this);
  if (picked.isValid())
    PickCustom(ToBgr(picked));
  else
    SetSelected(selected_);  // cancelled: the previous entry stays
}

void TColorPicker::SetEntryColor(int index, uint32_t bgr) {
  setItemData(index, bgr);
  setItemIcon(index, Swatch(bgr));
}

}  // namespace quillon
