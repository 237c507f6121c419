#pragma once

#include <string>

namespace quillon {

// The caption of the application's own messages.
inline constexpr const char* kApplicationTitle = "Quillon";

enum class TMessageIcon { None, Information, Exclamation, Error, Question };
enum class TAnswer { Yes, No, Cancel };

// Tells the user something and waits until it is dismissed. The editor shows a dialog on the
// main thread; quillon-cli writes to stderr. Call on the main thread (MainThread().Post).
class TMessageBoxes {
 public:
  virtual ~TMessageBoxes() = default;
  virtual void Show(const std::string& caption, const std::string& text, TMessageIcon icon) = 0;
  // The application's standard box for an operation that ended with an exception.
  virtual void ShowException(const std::string& text) = 0;
  // A question with Yes, No and Cancel. Without a user to ask (or a box closed another way) the
  // answer is Cancel, which changes nothing.
  virtual TAnswer AskYesNoCancel(const std::string& /*caption*/, const std::string& /*text*/) {
    return TAnswer::Cancel;
  }
  // Asks a question with Yes and No; true for Yes. Without a user to ask, the answer is No.
  virtual bool AskYesNo(const std::string& /*caption*/, const std::string& /*text*/) {
    return false;
  }
};

// Writes "caption: text" lines to stderr.
class TStderrMessageBoxes : public TMessageBoxes {
 public:
  void Show(const std::string& caption, const std::string& text, TMessageIcon icon) override;
  void ShowException(const std::string& text) override;
};

TMessageBoxes& MessageBoxes();
void SetMessageBoxes(TMessageBoxes* boxes);

}  // namespace quillon
