#include "platform/qt/qtmessageboxes.h"

#include <QApplication>
#include <QMessageBox>

namespace quillon {

namespace {
QMessageBox::Icon BoxIcon(TMessageIcon icon) {
  switch (icon) {
    case TMessageIcon::Information:
      return QMessageBox::Information;
    case TMessageIcon::Exclamation:
      return QMessageBox::Warning;
    case TMessageIcon::Error:
      return QMessageBox::Critical;
    case TMessageIcon::Question:
      return QMessageBox::Question;
    case TMessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}
}  // namespace

void TQtMessageBoxes::Show(const std::string& caption, const std::string& text, TMessageIcon icon) {
  QMessageBox box(BoxIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

TAnswer TQtMessageBoxes::AskYesNoCancel(const std::string& caption, const std::string& text) {
  QMessageBox box(
      QMessageBox::Question, QString::fromStdString(caption), QString::fromStdString(text),
      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QApplication::activeWindow());
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return TAnswer::Yes;
    case QMessageBox::No:
      return TAnswer::No;
    default:
      return TAnswer::Cancel;
  }
}

void TQtMessageBoxes::ShowException(const std::string& text) {
  Show(kApplicationTitle, text, TMessageIcon::Error);
}

bool TQtMessageBoxes::AskYesNo(const std::string& caption, const std::string& text) {
  QMessageBox box(QMessageBox::Question, QString::fromStdString(caption),
                  QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No,
                  QApplication::activeWindow());
  return box.exec() == QMessageBox::Yes;
}

}  // namespace quillon
