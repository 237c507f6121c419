#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "localization/constants.h"
#include "shell/dialogs/coverfile.h"
#include "shell/dialogs/properties.h"
#include "shell/dialogs/tageditor.h"
#include "support/document_harness.h"
#include "support/fixtures.h"

namespace quillon {
namespace {

std::vector<uint8_t> Picture(const char* format, int width = 40, int height = 30) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(QColor(200, 40, 90));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return {bytes.begin(), bytes.end()};
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& data) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

TTags SongTags() {
  TTags tags;
  tags.title = "Night Train";
  tags.artist = "The Quills";
  tags.album = "Rails";
  tags.albumArtist = "Various";
  tags.year = "1987";
  tags.track = "3/12";
  tags.genre = "Blues";
  tags.comment = "Recorded live\nin one take";
  tags.cover = TCoverPicture{"image/png", "front", Picture("PNG")};
  return tags;
}

struct TTextField {
  const char* edit;
  TTagValues TTags::*member;
};

constexpr TTextField kTextFields[] = {
    {"TitleEdit", &TTags::title}, {"ArtistEdit", &TTags::artist},
    {"AlbumEdit", &TTags::album}, {"AlbumArtistEdit", &TTags::albumArtist},
    {"YearEdit", &TTags::year},   {"TrackEdit", &TTags::track},
    {"GenreEdit", &TTags::genre},
};

class PropertyTagsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(harness_.OpenSamples(1, std::vector<int16_t>(800, 100)));
    harness_.document.SetTags(SongTags());
    // Saved whole, so that the document starts unmodified.
    ASSERT_TRUE(harness_.Run([](Twavefile& d) { return d.Save(); }));
    ASSERT_FALSE(harness_.document.Modified());
    form_.setfilename(harness_.document);
  }
  Twavefile& Document() { return harness_.document; }
  QLineEdit* Edit(const char* name) { return form_.Tags->Field(name); }

  test::TDocumentHarness harness_;
  TPropertiesForm form_;
};

TEST_F(PropertyTagsTest, ShowsEveryTagAndTheCoverOfTheDocument) {
  const TTags tags = SongTags();
  for (const TTextField& field : kTextFields) {
    ASSERT_NE(Edit(field.edit), nullptr) << field.edit;
    EXPECT_EQ(Edit(field.edit)->text().toStdString(), tags.*field.member) << field.edit;
  }
  EXPECT_EQ(form_.Tags->CommentEdit->toPlainText().toStdString(), tags.comment);
  ASSERT_FALSE(form_.Tags->CoverImage->pixmap().isNull());
  EXPECT_EQ(form_.Tags->CoverImage->pixmap().size(), QSize(40, 30));
  EXPECT_TRUE(form_.Tags->RemoveCoverButton->isEnabled());
  EXPECT_FALSE(form_.ApplyButton->isEnabled());
}

TEST(TagEditorTest, SeveralValuesShowJoinedAndStayUntilTheirFieldIsEdited) {
  const struct {
    const char* edit;
    TTagValues TTags::*member;
    TTagValues shown;
    const char* typed;  // none: left as shown
    TTagValues edited;
  } rows[] = {
      {"ArtistEdit", &TTags::artist, {"The Quills", "Guest"}, nullptr, {"The Quills", "Guest"}},
      {"ArtistEdit",
       &TTags::artist,
       {"The Quills", "Guest"},
       "The Quills; Host",
       {"The Quills", "Host"}},
      {"GenreEdit", &TTags::genre, {"Blues"}, "Blues; Jazz", {"Blues", "Jazz"}},
      // A title is one text, whatever it holds.
      {"TitleEdit", &TTags::title, {"Night; Train", "Two"}, "Night; Bus", {"Night; Bus"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.edit);
    TTagEditor editor;
    TTags tags;
    tags.*row.member = row.shown;
    editor.Show(tags);
    EXPECT_EQ(editor.Field(row.edit)->text().toStdString(), row.shown.Joined("; "));
    if (row.typed) editor.Field(row.edit)->setText(QString::fromUtf8(row.typed));
    EXPECT_EQ(editor.Edited().*row.member, row.edited);
    EXPECT_EQ(editor.Changed(), row.typed != nullptr);
  }
}

TEST_F(PropertyTagsTest, EveryFieldsEditReachesTheDocumentAndMarksItModified) {
  for (const TTextField& field : kTextFields) {
    SCOPED_TRACE(field.edit);
    Edit(field.edit)->setText(QString::fromUtf8("Ёлка — ") + field.edit);
    EXPECT_TRUE(form_.ApplyButton->isEnabled());
    form_.ApplyButton->click();
    TTags expected = SongTags();
    expected.*field.member = std::string("Ёлка — ") + field.edit;
    // Each edit leaves the others, and the ones applied before, as they are.
    EXPECT_EQ(Document().Tags().*field.member, expected.*field.member);
    EXPECT_FALSE(form_.ApplyButton->isEnabled());
  }
  form_.Tags->CommentEdit->setPlainText("two\nlines");
  form_.ApplyButton->click();
  EXPECT_EQ(Document().Tags().comment, "two\nlines");
  EXPECT_EQ(Document().Tags().cover, SongTags().cover);
  EXPECT_TRUE(Document().Modified());
}

// How the user leaves an edit, and whether it reaches the document.
struct TEnding {
  const char* name;
  std::function<void(TPropertiesForm&)> end;
  TAnswer answer;  // to the question on closing with edits
  bool applied;
  bool staysOpen;
  size_t questions;
};

void PrintTo(const TEnding& ending, std::ostream* out) {
  *out << ending.name;
}

class EditEndingTest : public PropertyTagsTest, public ::testing::WithParamInterface<TEnding> {};

TEST_P(EditEndingTest, AnEditIsAppliedDroppedOrKeptNeverLostUnasked) {
  const TEnding& ending = GetParam();
  form_.show();
  Edit("TitleEdit")->setText("Day Train");
  harness_.boxes.answer = ending.answer;
  ending.end(form_);
  EXPECT_EQ(Document().Tags().title, ending.applied ? "Day Train" : "Night Train");
  EXPECT_EQ(Document().Modified(), ending.applied);
  EXPECT_EQ(form_.isVisible(), ending.staysOpen);
  EXPECT_EQ(harness_.boxes.shown.size(), ending.questions);
  // Still open, the edit waits; closed, the window shows what the document holds.
  EXPECT_EQ(Edit("TitleEdit")->text(),
            ending.staysOpen || ending.applied ? "Day Train" : "Night Train");
}

INSTANTIATE_TEST_SUITE_P(
    Endings, EditEndingTest,
    ::testing::Values(
        TEnding{"Ok", [](TPropertiesForm& f) { f.Button1->click(); }, TAnswer::Cancel, true, false,
                0},
        TEnding{"Apply", [](TPropertiesForm& f) { f.ApplyButton->click(); }, TAnswer::Cancel, true,
                true, 0},
        TEnding{"Cancel", [](TPropertiesForm& f) { f.CancelButton->click(); }, TAnswer::Cancel,
                false, false, 0},
        TEnding{"CloseYes", [](TPropertiesForm& f) { f.close(); }, TAnswer::Yes, true, false, 1},
        TEnding{"CloseNo", [](TPropertiesForm& f) { f.close(); }, TAnswer::No, false, false, 1},
        TEnding{"CloseCancel", [](TPropertiesForm& f) { f.close(); }, TAnswer::Cancel, false, true,
                1},
        TEnding{"EscapeCancel", [](TPropertiesForm& f) { f.reject(); }, TAnswer::Cancel, false,
                true, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PropertyTagsTest, EditsWaitWhileTheDocumentIsBusy) {
  form_.show();
  Edit("TitleEdit")->setText("Day Train");
  ASSERT_TRUE(Document().Invert());
  form_.Button1->click();
  ASSERT_EQ(harness_.boxes.shown.size(), 1u);
  EXPECT_EQ(harness_.boxes.shown[0].text, ConstantText("operationinprogress"));
  EXPECT_EQ(Document().Tags().title, "Night Train");
  EXPECT_TRUE(form_.isVisible());
  EXPECT_EQ(Edit("TitleEdit")->text(), "Day Train");
  harness_.WaitIdle();
  form_.Button1->click();
  EXPECT_EQ(Document().Tags().title, "Day Train");
  EXPECT_FALSE(form_.isVisible());
}

TEST_F(PropertyTagsTest, TheWindowFollowsTheDocumentButKeepsEditsNotYetApplied) {
  form_.show();
  TTags changed = SongTags();
  changed.album = "Tracks";
  Document().SetTags(changed);
  form_.DocumentChanged();
  EXPECT_EQ(Edit("AlbumEdit")->text(), "Tracks");
  Edit("GenreEdit")->setText("Jazz");
  changed.album = "Sleepers";
  Document().SetTags(changed);
  form_.DocumentChanged();
  EXPECT_EQ(Edit("GenreEdit")->text(), "Jazz");
  EXPECT_TRUE(form_.ApplyButton->isEnabled());
}

// A file offered as the cover, and whether it becomes one.
struct TCoverCase {
  const char* name;
  std::function<void(const std::string& path)> make;
  const char* mimeType;  // empty when refused
  const char* messageKey;
};

void PrintTo(const TCoverCase& c, std::ostream* out) {
  *out << c.name;
}

class CoverReplaceTest : public PropertyTagsTest,
                         public ::testing::WithParamInterface<TCoverCase> {};

TEST_P(CoverReplaceTest, TakesJpegAndPngByContentAndRefusesTheRestWithAMessage) {
  const TCoverCase& c = GetParam();
  const std::string path = harness_.files.File(std::string(c.name) + ".png");
  c.make(path);
  const bool taken = form_.Tags->ReplaceCover(path);
  EXPECT_EQ(taken, *c.mimeType != '\0');
  if (taken) {
    EXPECT_TRUE(harness_.boxes.shown.empty());
    ASSERT_TRUE(form_.Tags->Cover());
    EXPECT_EQ(form_.Tags->Cover()->mimeType, c.mimeType);
    EXPECT_EQ(form_.Tags->Cover()->description, "front");
    EXPECT_TRUE(form_.ApplyButton->isEnabled());
    return;
  }
  ASSERT_EQ(harness_.boxes.shown.size(), 1u);
  const std::string& told = harness_.boxes.shown[0].text;
  EXPECT_EQ(told.rfind(ConstantText(c.messageKey), 0), 0u) << told;
  EXPECT_NE(told.find(path), std::string::npos) << told;
  EXPECT_EQ(form_.Tags->Cover(), SongTags().cover);
  EXPECT_FALSE(form_.ApplyButton->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Files, CoverReplaceTest,
    ::testing::Values(
        TCoverCase{"Jpeg", [](const std::string& p) { WriteFile(p, Picture("JPEG")); },
                   "image/jpeg", ""},
        TCoverCase{"Png", [](const std::string& p) { WriteFile(p, Picture("PNG", 600, 20)); },
                   "image/png", ""},
        TCoverCase{"Text", [](const std::string& p) { std::ofstream(p) << "not a picture"; }, "",
                   "covernotpicture"},
        TCoverCase{"Empty", [](const std::string& p) { std::ofstream{p}; }, "", "covernotpicture"},
        TCoverCase{
            "Gif",
            [](const std::string& p) { std::ofstream(p) << "GIF89a\x01\x00\x01\x00\x00\x00\x00;"; },
            "", "covernotpicture"},
        TCoverCase{"CutOffPng",
                   [](const std::string& p) {
                     std::vector<uint8_t> png = Picture("PNG");
                     png.resize(20);
                     WriteFile(p, png);
                   },
                   "", "covernotpicture"},
        TCoverCase{"Oversized",
                   [](const std::string& p) {
                     WriteFile(p, Picture("PNG"));
                     std::filesystem::resize_file(p, kMaxCoverBytes + 1);
                   },
                   "", "covertoolarge"},
        TCoverCase{"Folder", [](const std::string& p) { std::filesystem::create_directory(p); }, "",
                   "coverunreadable"},
        TCoverCase{"Missing", [](const std::string&) {}, "", "coverunreadable"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PropertyTagsTest, RemoveTakesTheCoverAwayOnceApplied) {
  form_.Tags->RemoveCoverButton->click();
  EXPECT_FALSE(form_.Tags->Cover());
  EXPECT_FALSE(form_.Tags->RemoveCoverButton->isEnabled());
  EXPECT_TRUE(form_.Tags->NoCoverLabel->isVisibleTo(&form_));
  EXPECT_TRUE(Document().Tags().cover) << "nothing changes before it is applied";
  form_.ApplyButton->click();
  EXPECT_FALSE(Document().Tags().cover);
  EXPECT_EQ(Document().Tags().title, "Night Train");
  EXPECT_TRUE(Document().Modified());
}

}  // namespace
}  // namespace quillon
