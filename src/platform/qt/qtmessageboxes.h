#pragma once

#include "platform/messagebox.h"

namespace quillon {

// Message boxes as modal QMessageBox dialogs with an OK button. Main thread only.
class TQtMessageBoxes : public TMessageBoxes {
 public:
  void Show(const std::string& caption, const std::string& text, TMessageIcon icon) override;
  void ShowException(const std::string& text) override;
  TAnswer AskYesNoCancel(const std::string& caption, const std::string& text) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
};

}  // namespace quillon
