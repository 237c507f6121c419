#include "shell/dialogs/tageditor.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <iterator>
#include <limits>
#include <string_view>

#include "localization/constants.h"
#include "platform/messagebox.h"
#include "shell/dialogs/coverfile.h"

namespace quillon {

namespace {

struct TTagField {
  const char* label;
  const char* caption;
  const char* edit;
  TTagValues TTags::*member;
  // Typed "; " parts become values of their own, as in the fields players list several of.
  bool several;
};

constexpr TTagField kTextFields[] = {
    {"TitleLabel", "&Title:", "TitleEdit", &TTags::title, false},
    {"ArtistLabel", "A&rtist:", "ArtistEdit", &TTags::artist, true},
    {"AlbumLabel", "Al&bum:", "AlbumEdit", &TTags::album, false},
    {"AlbumArtistLabel", "Album art&ist:", "AlbumArtistEdit", &TTags::albumArtist, true},
    {"YearLabel", "&Year:", "YearEdit", &TTags::year, false},
    {"TrackLabel", "Trac&k:", "TrackEdit", &TTags::track, false},
    {"GenreLabel", "&Genre:", "GenreEdit", &TTags::genre, true},
};

// How a field shows several values.
constexpr std::string_view kValueSeparator = "; ";
constexpr std::string_view kCommentSeparator = "\n";

// A field's values as edited: those shown while its text is as shown, else what was typed.
TTagValues EditedValues(const QString& text, const TTagValues& shown, std::string_view separator,
                        bool several) {
  const std::string edited = text.toStdString();
  if (edited == shown.Joined(separator)) return shown;
  if (!several) return TTagValues(edited);
  TTagValues values;
  size_t start = 0;
  for (size_t end; (end = edited.find(separator, start)) != std::string::npos;
       start = end + separator.size())
    values.Add(edited.substr(start, end - start));
  values.Add(edited.substr(start));
  return values;
}

constexpr int kThumbnailSize = 112;

QLabel* AddLabel(QWidget* parent, const char* name, const char* caption) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  return label;
}

// Pictures that cannot be shown still belong to the document; the box says what they are.
QString PictureSummary(const TCoverPicture& cover, QSize size) {
  QString text = QString::fromStdString(cover.mimeType);
  if (size.isValid()) text += QString(", %1 × %2").arg(size.width()).arg(size.height());
  return text + QString(", %1 KB").arg((cover.data.size() + 1023) / 1024);
}

}  // namespace

TTagEditor::TTagEditor(QWidget* parent) : QGroupBox("Tags", parent) {
  setObjectName("TagsBox");
  auto* grid = new QGridLayout(this);
  int row = 0;
  for (const TTagField& field : kTextFields) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(field.edit);
    // Texts of any length the document keeps; Qt's default would cut them at 32767.
    edit->setMaxLength(std::numeric_limits<int>::max());
    QLabel* label = AddLabel(this, field.label, field.caption);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row++, 1);
    connect(edit, &QLineEdit::textChanged, this, &TTagEditor::EditsChanged);
  }
  CommentEdit = new QPlainTextEdit(this);
  CommentEdit->setObjectName("CommentEdit");
  CommentEdit->setTabChangesFocus(true);
  CommentEdit->setFixedHeight(CommentEdit->fontMetrics().lineSpacing() * 3 + 12);
  QLabel* commentLabel = AddLabel(this, "CommentLabel", "Co&mment:");
  commentLabel->setBuddy(CommentEdit);
  grid->addWidget(commentLabel, row, 0, Qt::AlignTop);
  grid->addWidget(CommentEdit, row++, 1);
  connect(CommentEdit, &QPlainTextEdit::textChanged, this, &TTagEditor::EditsChanged);

  CoverImage = new QLabel(this);
  CoverImage->setObjectName("CoverImage");
  NoCoverLabel = AddLabel(this, "NoCoverLabel", "No cover");
  for (QLabel* box : {CoverImage, NoCoverLabel}) {
    box->setFixedSize(kThumbnailSize, kThumbnailSize);
    box->setFrameShape(QFrame::StyledPanel);
    box->setAlignment(Qt::AlignCenter);
  }
  NoCoverLabel->setWordWrap(true);
  ReplaceCoverButton = new QPushButton("Re&place…", this);
  ReplaceCoverButton->setObjectName("ReplaceCoverButton");
  RemoveCoverButton = new QPushButton("Remo&ve", this);
  RemoveCoverButton->setObjectName("RemoveCoverButton");
  connect(ReplaceCoverButton, &QPushButton::clicked, this, &TTagEditor::ChooseCover);
  connect(RemoveCoverButton, &QPushButton::clicked, this, &TTagEditor::RemoveCover);
  auto* coverButtons = new QVBoxLayout;
  coverButtons->addWidget(ReplaceCoverButton);
  coverButtons->addWidget(RemoveCoverButton);
  coverButtons->addStretch();
  auto* cover = new QHBoxLayout;
  cover->addWidget(CoverImage);
  cover->addWidget(NoCoverLabel);
  cover->addLayout(coverButtons);
  cover->addStretch();
  grid->addWidget(AddLabel(this, "CoverLabel", "Front cover:"), row, 0, Qt::AlignTop);
  grid->addLayout(cover, row, 1);
  grid->setColumnStretch(1, 1);
  ShowCover();
}

void TTagEditor::Show(const TTags& tags) {
  shown_ = tags;
  for (const TTagField& field : kTextFields)
    Field(field.edit)
        ->setText(QString::fromStdString((tags.*field.member).Joined(kValueSeparator)));
  CommentEdit->setPlainText(QString::fromStdString(tags.comment.Joined(kCommentSeparator)));
  cover_ = tags.cover;
  ShowCover();
  emit EditsChanged();
}

TTags TTagEditor::Edited() const {
  TTags tags;
  for (const TTagField& field : kTextFields)
    tags.*field.member = EditedValues(Field(field.edit)->text(), shown_.*field.member,
                                      kValueSeparator, field.several);
  tags.comment = EditedValues(CommentEdit->toPlainText(), shown_.comment, kCommentSeparator, false);
  tags.cover = cover_;
  return tags;
}

bool TTagEditor::ReplaceCover(const std::string& path) {
  TCoverFile file = ReadCoverFile(path);
  if (!file.cover) {
    MessageBoxes().Show(kApplicationTitle, file.error, TMessageIcon::Exclamation);
    return false;
  }
  // What the old picture was described as still describes the front cover.
  if (cover_) file.cover->description = cover_->description;
  cover_ = std::move(file.cover);
  ShowCover();
  emit EditsChanged();
  return true;
}

void TTagEditor::RemoveCover() {
  if (!cover_) return;
  cover_.reset();
  ShowCover();
  emit EditsChanged();
}

void TTagEditor::ChooseCover() {
  // Other names are offered too: the content decides, and a refusal says why.
  const QString filter = QString::fromStdString(ConstantText("coverpictures")) +
                         " (*.jpg *.jpeg *.jpe *.png *.JPG *.JPEG *.PNG);;*";
  const QString path = QFileDialog::getOpenFileName(
      this, QString::fromStdString(ConstantText("choosecover")), QString(), filter);
  if (!path.isEmpty()) ReplaceCover(path.toStdString());
}

QLineEdit* TTagEditor::Field(const char* objectName) const {
  return findChild<QLineEdit*>(objectName);
}

void TTagEditor::ShowCover() {
  CoverImage->setVisible(cover_.has_value());
  NoCoverLabel->setVisible(!cover_);
  RemoveCoverButton->setEnabled(cover_.has_value());
  if (!cover_) {
    CoverImage->clear();
    CoverImage->setToolTip(QString());
    return;
  }
  const TThumbnail thumbnail = CoverThumbnail(cover_->data, kThumbnailSize - 4);
  CoverImage->setToolTip(PictureSummary(*cover_, thumbnail.original));
  if (thumbnail.image.isNull())
    CoverImage->setText(QString::fromStdString(cover_->mimeType));
  else
    CoverImage->setPixmap(QPixmap::fromImage(thumbnail.image));
}

}  // namespace quillon
