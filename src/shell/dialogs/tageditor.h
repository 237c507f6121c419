#pragma once

#include <QGroupBox>
#include <optional>
#include <string>

#include "codecs/tags.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace quillon {

// The editable tags of the properties window: the text fields and the front cover. It holds the
// tags it was last shown and the user's edits of them; the window decides when they apply.
class TTagEditor : public QGroupBox {
  Q_OBJECT

 public:
  explicit TTagEditor(QWidget* parent = nullptr);

  // Shows these tags; they are what Changed compares with from now on.
  void Show(const TTags& tags);
  // The tags as the user has edited them.
  TTags Edited() const;
  bool Changed() const { return Edited() != shown_; }

  // Takes the picture in that file as the new cover; a file that cannot be one is refused with a
  // message and changes nothing. False when refused.
  bool ReplaceCover(const std::string& path);
  void RemoveCover();
  // Asks for a picture file and replaces the cover with it.
  void ChooseCover();

  const std::optional<TCoverPicture>& Cover() const { return cover_; }
  // The edit box of a text field, by its objectName ("TitleEdit", ...); none when unknown.
  QLineEdit* Field(const char* objectName) const;

  QPlainTextEdit* CommentEdit;
  QLabel* CoverImage;
  QLabel* NoCoverLabel;
  QPushButton* ReplaceCoverButton;
  QPushButton* RemoveCoverButton;

 signals:
  void EditsChanged();

 private:
  void ShowCover();

  TTags shown_;
  std::optional<TCoverPicture> cover_;
};

}  // namespace quillon
