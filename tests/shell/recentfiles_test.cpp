#include "shell/recentfiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "support/fixtures.h"

namespace quillon {
namespace {

using TNames = std::vector<std::string>;

TNames Numbered(int from, int to) {
  TNames names;
  for (int i = to; i >= from; --i) names.push_back("/m/" + std::to_string(i) + ".wav");
  return names;
}

struct TAddRow {
  const char* name;
  TNames added;
  TNames expected;
};

class RecentFilesAddTest : public ::testing::TestWithParam<TAddRow> {};

TEST_P(RecentFilesAddTest, KeepsTheNewestFirstOnceEachAndTenAtMost) {
  TRecentFiles list;
  for (const std::string& name : GetParam().added) list.Add(name);
  EXPECT_EQ(list.Files(), GetParam().expected);
}

TNames TwelveAdded() {
  TNames names;
  for (int i = 1; i <= 12; ++i) names.push_back("/m/" + std::to_string(i) + ".wav");
  return names;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RecentFilesAddTest,
    ::testing::Values(
        TAddRow{
            "Order", {"/m/a.wav", "/m/b.wav", "/m/c.wav"}, {"/m/c.wav", "/m/b.wav", "/m/a.wav"}},
        TAddRow{"Repeat", {"/m/a.wav", "/m/b.wav", "/m/a.wav"}, {"/m/a.wav", "/m/b.wav"}},
        TAddRow{"SameFileTwice", {"/m/a.wav", "/m/./x/../a.wav"}, {"/m/a.wav"}},
        TAddRow{"Limit", TwelveAdded(), Numbered(3, 12)},
        TAddRow{"RepeatAtTheLimit",
                [] {
                  TNames names = TwelveAdded();
                  names.push_back("/m/5.wav");
                  return names;
                }(),
                [] {
                  TNames names = Numbered(3, 12);
                  std::erase(names, "/m/5.wav");
                  names.insert(names.begin(), "/m/5.wav");
                  return names;
                }()},
        TAddRow{"Empty", {""}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RecentFilesTest, ARelativeNameIsKeptAbsolute) {
  TRecentFiles list;
  list.Add("take.wav");
  EXPECT_EQ(list.Files(), TNames{QDir::current().absoluteFilePath("take.wav").toStdString()});
}

TEST(RecentFilesTest, PruningDropsOnlyTheFilesThatAreGone) {
  const struct {
    TNames listed;
    std::set<std::string> present;
    TNames kept;
    bool changed;
  } rows[] = {
      {{"/m/a", "/m/b", "/m/c"}, {"/m/a", "/m/b", "/m/c"}, {"/m/a", "/m/b", "/m/c"}, false},
      {{"/m/a", "/m/b", "/m/c"}, {"/m/a", "/m/c"}, {"/m/a", "/m/c"}, true},
      {{"/m/a", "/m/b"}, {}, {}, true},
  };
  for (const auto& row : rows) {
    TRecentFiles list;
    for (auto it = row.listed.rbegin(); it != row.listed.rend(); ++it) list.Add(*it);
    EXPECT_EQ(list.Prune([&](const std::string& name) { return row.present.contains(name); }),
              row.changed);
    EXPECT_EQ(list.Files(), row.kept);
  }
}

TEST(RecentFilesTest, TheListOutlivesTheProgramInTheSettings) {
  test::TTempDir dir;
  const QString ini = QString::fromStdString(dir.File("settings.ini"));
  const struct {
    TNames added;
    bool cleared;
  } rows[] = {{{"/m/a.wav", "/m/b.wav"}, false},
              {TwelveAdded(), false},
              {{"/m/a.wav"}, true},
              {{"/m/ä ö.wav", "/m/x=y;z.wav"}, false}};
  for (const auto& row : rows) {
    TRecentFiles before;
    for (const std::string& name : row.added) before.Add(name);
    if (row.cleared) before.Clear();
    {
      QSettings store(ini, QSettings::IniFormat);
      before.Save(store);
    }
    QSettings store(ini, QSettings::IniFormat);
    TRecentFiles after;
    after.Load(store);
    EXPECT_EQ(after.Files(), before.Files());
  }
}

TEST(RecentFilesTest, ADamagedStoreGivesAShorterListNeverAnError) {
  test::TTempDir dir;
  std::ofstream(dir.File("settings.ini"))
      << "[RecentFiles]\nfile1=/m/a.wav\nfile2=\nfile3=/m/a.wav\nfile4=/m/b.wav\n"
         "file5=1, 2\nfile11=/m/z.wav\n";
  QSettings store(QString::fromStdString(dir.File("settings.ini")), QSettings::IniFormat);
  TRecentFiles list;
  list.Add("/m/old.wav");
  list.Load(store);
  EXPECT_EQ(list.Files(), (TNames{"/m/a.wav", "/m/b.wav"}));
}

}  // namespace
}  // namespace quillon
