#include "localization/langfile.h"

#include <gtest/gtest.h>

#include <QString>

#include "localization/langtext.h"

namespace quillon {
namespace {

std::vector<uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

TVxLang_CompTranslations Load(std::string_view text, bool paramsOnly = false) {
  TVxLang_CompTranslations translations;
  translations.Text_LoadFromStream(Bytes(text), paramsOnly);
  return translations;
}

TEST(EscapesTest, DecodeTheDocumentedExamples) {
  EXPECT_EQ(DecodeEscapes("Line one\\nLine two"), "Line one\r\nLine two");
  EXPECT_EQ(DecodeEscapes("C:\\\\Temp"), "C:\\Temp");
  EXPECT_EQ(DecodeEscapes("\\65"), "A");
  EXPECT_EQ(DecodeEscapes("\\x"), "\\x");
  EXPECT_EQ(DecodeEscapes("a\\tb"), "a\tb");
  // A backslash at the end, or before one digit only, stays.
  EXPECT_EQ(DecodeEscapes("end\\"), "end\\");
  EXPECT_EQ(DecodeEscapes("\\7"), "\\7");
}

TEST(EscapesTest, EncodingIsTheInverse) {
  EXPECT_EQ(EncodeEscapes("a\tb"), "a\\tb");
  for (const char* lineBreak : {"\r\n", "\n\r", "\n", "\r"})
    EXPECT_EQ(EncodeEscapes(std::string("one") + lineBreak + "two"), "one\\ntwo");
  EXPECT_EQ(EncodeEscapes("C:\\Temp"), "C:\\\\Temp");
  EXPECT_EQ(EncodeEscapes(std::string("bell\x07")), "bell\\07");
  const std::string text = "Tab\there\r\nback\\slash \x01 Grüße";
  EXPECT_EQ(DecodeEscapes(EncodeEscapes(text)), text);
}

TEST(LanguageFileTest, ReadsParametersSectionsAndSkipsWhatItCannotUse) {
  const auto file = Load(
      "; a comment\n"
      "  LANGID = 1049  \n"
      "Author=Someone\\n\n"
      "[$constants]\n"
      "formatstring = Формат:\n"
      "=no name\n"
      "no equals sign\n"
      "[broken section\n"
      "[ mainform ]\n"
      "1=Editor\n"
      "0=zero\n"
      "abc=letters\n"
      "-3=negative\n"
      "5=Line one\\nLine two\n"
      "[other]\n"
      "2=other\n"
      "[MAINFORM]\n"
      "3=continued\n");
  EXPECT_EQ(file.LangId(), 1049);
  // Parameters are kept as they stand.
  EXPECT_EQ(file.Param("author"), "Someone\\n");
  EXPECT_EQ(file.FConstants.GetValues("formatstring"), "Формат:");
  EXPECT_EQ(file.FConstants.Count(), 1u);
  const TVxLang_CompTranslation* main = file.FindComponentName("MainForm");
  ASSERT_NE(main, nullptr);
  ASSERT_EQ(main->Items().size(), 3u);
  EXPECT_EQ(main->FindID(1)->wsValue, "Editor");
  EXPECT_EQ(main->FindID(3)->wsValue, "continued");
  EXPECT_EQ(main->FindID(5)->wsValue, "Line one\r\nLine two");
  EXPECT_EQ(main->IndexOfID(0), -1);
  EXPECT_EQ(file.Sections.size(), 2u);
}

TEST(LanguageFileTest, ParametersOnlyStopsAtTheFirstSection) {
  const auto file = Load("LANGID=1031\n[$CONSTANTS]\n1bad=x\n[mainform]\n1=a\n1=b\n", true);
  EXPECT_EQ(file.LangId(), 1031);
  EXPECT_TRUE(file.Sections.empty());
  EXPECT_EQ(Load("Name=x\n").LangId(), 0);
  EXPECT_EQ(Load("LANGID=German\n").LangId(), 0);
}

TEST(LanguageFileTest, ErrorsNameTheLineCountedFromZero) {
  auto expectError = [](std::string_view text, const char* message) {
    try {
      Load(text);
      FAIL() << "no error for " << text;
    } catch (const EVxLangError& error) {
      EXPECT_EQ(std::string(error.what()), message);
    }
  };
  expectError(
      "LANGID=1031\n\n[mainform]\n7=a\n7=b\n",
      "Loading translations failed.\r\nLine 4: Duplicate property value translation ID (7)");
  expectError("LANGID=1031\r\n[$CONSTANTS]\r\n2nd=x\r\n",
              "Loading translations failed.\r\nLine 2: Invalid constant name (\"2nd\")");
  expectError("[$CONSTANTS]\nsame=x\nSAME=y\n",
              "Loading translations failed.\r\nLine 2: Duplicate constant name (\"SAME\")");
}

TEST(LanguageFileTest, DecodesByteOrderMarksAndFallsBackToWindows1252) {
  const std::string text = "LANGID=1031\n[$CONSTANTS]\nformatstring=Größe €\n";
  auto utf16 = [&](bool bigEndian) {
    const QString unicode = QString::fromStdString(text);
    std::vector<uint8_t> bytes =
        bigEndian ? std::vector<uint8_t>{0xFE, 0xFF} : std::vector<uint8_t>{0xFF, 0xFE};
    for (QChar c : unicode) {
      const uint8_t high = c.unicode() >> 8, low = c.unicode() & 0xFF;
      bytes.push_back(bigEndian ? high : low);
      bytes.push_back(bigEndian ? low : high);
    }
    return bytes;
  };
  std::vector<uint8_t> utf8Bom{0xEF, 0xBB, 0xBF};
  utf8Bom.insert(utf8Bom.end(), text.begin(), text.end());
  // "Größe €" in Windows-1252: ö = F6, ß = DF, € = 80.
  const std::vector<uint8_t> ansi = Bytes(
      "LANGID=1031\n[$CONSTANTS]\nformatstring=Gr\xF6\xDF"
      "e \x80\n");
  for (const auto& bytes : {utf16(false), utf16(true), utf8Bom, Bytes(text), ansi}) {
    TVxLang_CompTranslations file;
    file.Text_LoadFromStream(bytes, false);
    EXPECT_EQ(file.LangId(), 1031);
    EXPECT_EQ(file.FConstants.GetValues("formatstring"), "Größe €");
  }
}

TEST(LanguageTextTest, MasksAndIntegers) {
  EXPECT_TRUE(MatchesMask("OpenDialog.Filter", "opendialog.filter"));
  EXPECT_TRUE(MatchesMask("ConvertAction.Hint", "ConvertAction.*"));
  EXPECT_TRUE(MatchesMask("Action.Category", "*.Category"));
  EXPECT_TRUE(MatchesMask("de.lng", "*.lng"));
  EXPECT_TRUE(MatchesMask("ab", "a?"));
  EXPECT_FALSE(MatchesMask(".Caption", "mainform.Caption"));
  EXPECT_FALSE(MatchesMask("de.lngx", "*.lng"));
  EXPECT_FALSE(MatchesMask("a", "a?"));
  EXPECT_EQ(ToIntDef("1049", 0), 1049);
  EXPECT_EQ(ToIntDef("$419", 0), 1049);
  EXPECT_EQ(ToIntDef("-5", 0), -5);
  EXPECT_EQ(ToIntDef("12a", 0), 0);
  EXPECT_EQ(ToIntDef("99999999999", 0), 0);
  EXPECT_EQ(ToIntDef("", 7), 7);
}

}  // namespace
}  // namespace quillon
