#include "localization/constants.h"

#include <gtest/gtest.h>

#include "localization/builtinconstants.h"

namespace quillon {
namespace {

void PutWord(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(value & 0xFF);
  out.push_back(value >> 8);
}

void PutUtf8(std::vector<uint8_t>& out, const std::string& text) {
  PutWord(out, static_cast<uint16_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}

void PutUtf16(std::vector<uint8_t>& out, const std::u16string& text) {
  PutWord(out, static_cast<uint16_t>(text.size()));
  for (char16_t unit : text) PutWord(out, unit);
}

void PutCount(std::vector<uint8_t>& out, int32_t count) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back((count >> shift) & 0xFF);
}

// One constant "greeting" = "Grüße" in the layout of each stream version.
std::vector<uint8_t> StreamOfVersion(uint8_t version, uint8_t flag) {
  std::vector<uint8_t> out{version};
  if (version >= 2) out.push_back(flag);
  PutCount(out, 1);
  if (version == 3)
    PutUtf16(out, u"greeting");
  else
    PutUtf8(out, "greeting");
  if (version >= 2)
    PutUtf16(out, u"Grüße");
  else
    PutUtf8(out, "Grüße");
  return out;
}

TEST(ConstantsTest, ReadsEveryStreamVersion) {
  for (uint8_t version = 0; version <= 3; ++version) {
    SCOPED_TRACE(int(version));
    TVxLang_Constants table;
    table.LoadFromStream(StreamOfVersion(version, 7));
    EXPECT_EQ(table.GetValues("GREETING"), "Grüße");
    EXPECT_EQ(table.Items()[0].wsDefValue, "Grüße");
    // Versions 0 and 1 carry the flag in the version number itself.
    EXPECT_EQ(table.FAutoSaveLangSource, version != 0);
  }
}

TEST(ConstantsTest, WritesVersionThreeAndReadsItBack) {
  TVxLang_Constants table;
  table.Add("one", "Eins");
  table.Add("two", "Два\r\nlines");
  table.FAutoSaveLangSource = true;
  const auto bytes = table.SaveToStream();
  EXPECT_EQ(bytes[0], 3);
  EXPECT_EQ(bytes[1], 1);
  TVxLang_Constants copy;
  copy.LoadFromStream(bytes);
  ASSERT_EQ(copy.Count(), 2u);
  EXPECT_EQ(copy.GetValues("two"), "Два\r\nlines");
  EXPECT_TRUE(copy.FAutoSaveLangSource);
}

TEST(ConstantsTest, RefusesNewerAndBrokenStreamsWithoutChangingTheTable) {
  TVxLang_Constants table;
  table.Add("kept", "yes");
  auto newer = StreamOfVersion(3, 1);
  newer[0] = 4;
  try {
    table.LoadFromStream(newer);
    FAIL();
  } catch (const EVxLangError& error) {
    EXPECT_STREQ(error.what(), "Stream version (4) is greater than the current one (3)");
  }
  auto truncated = StreamOfVersion(3, 1);
  truncated.resize(truncated.size() - 3);
  EXPECT_THROW(table.LoadFromStream(truncated), EVxLangError);
  // A count far beyond the data ends at the data, not past it.
  std::vector<uint8_t> huge{3, 0};
  PutCount(huge, 0x7FFFFFFF);
  EXPECT_THROW(table.LoadFromStream(huge), EVxLangError);
  EXPECT_EQ(table.GetValues("kept"), "yes");
}

TEST(ConstantsTest, AddChecksNamesAndLookupNamesTheMissingKey) {
  TVxLang_Constants table;
  table.Add("_ok1", "x");
  try {
    table.Add("1bad", "x");
    FAIL();
  } catch (const EVxLangError& error) {
    EXPECT_STREQ(error.what(), "Invalid constant name (\"1bad\")");
  }
  try {
    table.Add("_OK1", "y");
    FAIL();
  } catch (const EVxLangError& error) {
    EXPECT_STREQ(error.what(), "Duplicate constant name (\"_OK1\")");
  }
  try {
    table.GetValues("nothing");
    FAIL();
  } catch (const EVxLangError& error) {
    EXPECT_STREQ(error.what(), "Constant \"nothing\" not found");
  }
}

TEST(ConstantsTest, BuiltInBlockIsVersionThreeWithTheProgramsConstantsInOrder) {
  const auto block = BuiltInResource("VXLANG_CONSTS");
  ASSERT_TRUE(block);
  EXPECT_EQ((*block)[0], 3);
  EXPECT_EQ((*block)[1], 1);
  EXPECT_FALSE(BuiltInResource("OTHER"));
  const auto& designed = DesignedConstants();
  ASSERT_EQ(designed.size(), 36u);
  EXPECT_EQ(designed.front().wsName, "uptodate");
  EXPECT_EQ(designed[4].wsValue, "is available from quillon.morvane.net");
  EXPECT_EQ(designed.back().wsName, "mixeddown");
  // Saving the loaded block gives the block back byte for byte.
  TVxLang_Constants table;
  ASSERT_TRUE(table.LoadFromResource("vxlang_consts"));
  EXPECT_EQ(table.SaveToStream(), std::vector<uint8_t>(block->begin(), block->end()));
}

TEST(ConstantsTest, ConstantTextAnswersTheDesignedEnglish) {
  EXPECT_EQ(ConstantText("FormatString"), "Format:");
  EXPECT_EQ(ConstantText("outofmemory"),
            "There is not enough memory or disk space to complete the operation.");
  EXPECT_THROW(ConstantText("nosuchkey"), EVxLangError);
}

}  // namespace
}  // namespace quillon
