#include "localization/localetable.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <set>

namespace quillon {
namespace {

TEST(LocaleTableTest, NamesLanguagesAndShowsUnknownIdentifiersAsNumbers) {
  EXPECT_EQ(LanguageName(1033), "English");
  EXPECT_EQ(LanguageName(1049), "Russian");
  EXPECT_EQ(LanguageName(2052), "Chinese");
  EXPECT_EQ(LanguageName(1031), "German");
  EXPECT_EQ(LanguageName(4242), "4242");
  const TLocaleRecord* german = FindLocale(1031);
  ASSERT_NE(german, nullptr);
  EXPECT_STREQ(german->culture, "de-DE");
  EXPECT_STREQ(german->cultureName, "German (Germany)");
  EXPECT_STREQ(german->nativeName, "Deutsch (Deutschland)");
  EXPECT_STREQ(FindLocale(1033)->cultureName, "English (United States)");
}

TEST(LocaleTableTest, HoldsTheWholeListOnceInOrder) {
  const auto records = LocaleRecords();
  EXPECT_EQ(records.size(), 273u);
  std::set<std::string> cultures;
  for (size_t i = 0; i < records.size(); ++i) {
    if (i > 0) {
      EXPECT_LT(records[i - 1].id, records[i].id);
    }
    EXPECT_TRUE(cultures.insert(records[i].culture).second) << records[i].culture;
  }
}

TEST(LocaleTableTest, CultureCodesMapToIdentifiers) {
  EXPECT_EQ(LocaleIdForCulture("ru_RU"), 1049);
  EXPECT_EQ(LocaleIdForCulture("DE-at"), 3079);
  EXPECT_EQ(LocaleIdForCulture("zh_CN"), 2052);
  // A country the table lacks falls back to the language's first locale.
  EXPECT_EQ(LocaleIdForCulture("de_BE"), 1031);
  EXPECT_EQ(LocaleIdForCulture("C"), 0);
  EXPECT_EQ(LocaleIdForCulture(""), 0);
}

TEST(LocaleTableTest, SystemLanguageFollowsTheDefaultLocale) {
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  // QLocale::system() reads the environment, so only the mapping of its name is checked here.
  EXPECT_EQ(LocaleIdForCulture(QLocale().name().toStdString()), 1049);
  QLocale::setDefault(saved);
  EXPECT_NE(SystemLanguageId(), 0);
}

}  // namespace
}  // namespace quillon
