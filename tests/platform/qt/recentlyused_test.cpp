#include "platform/qt/recentlyused.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#ifdef QUILLON_HAVE_GLIB
#include <glib.h>
#endif

namespace quillon {
namespace {

const QDateTime kFirst = QDateTime::fromString("2026-01-02T03:04:05.678Z", Qt::ISODateWithMs);
const QDateTime kLater = QDateTime::fromString("2026-02-03T04:05:06.789Z", Qt::ISODateWithMs);

// What another program (a GTK file dialog) left: two entries, one of them for the file we use
// too, with an application, a group and a private metadata block we do not know.
constexpr char kTheirs[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<xbel version="1.0"
      xmlns:bookmark="http://www.freedesktop.org/standards/desktop-bookmarks"
      xmlns:mime="http://www.freedesktop.org/standards/shared-mime-info"
>
  <bookmark href="file:///home/u/notes.txt" added="2025-05-01T10:00:00.000000Z" modified="2025-05-01T10:00:00.000000Z" visited="2025-05-01T10:00:00.000000Z">
    <title>Notes &amp; plans</title>
    <info>
      <metadata owner="http://freedesktop.org">
        <mime:mime-type type="text/plain"/>
        <bookmark:groups>
          <bookmark:group>gedit</bookmark:group>
        </bookmark:groups>
        <bookmark:applications>
          <bookmark:application name="gedit" exec="&apos;gedit %u&apos;" modified="2025-05-01T10:00:00.000000Z" count="3"/>
        </bookmark:applications>
      </metadata>
      <metadata owner="http://example.org/private"><x:thing xmlns:x="urn:x" a="1">kept</x:thing></metadata>
    </info>
  </bookmark>
  <bookmark href="file:///music/take%201.wav" added="2025-06-01T10:00:00Z" modified="2025-06-01T10:00:00Z" visited="2025-06-01T10:00:00Z">
    <info>
      <metadata owner="http://freedesktop.org">
        <mime:mime-type type="audio/x-wav"/>
        <bookmark:applications>
          <bookmark:application name="audacious" exec="&apos;audacious %u&apos;" modified="2025-06-01T10:00:00Z" count="7"/>
        </bookmark:applications>
      </metadata>
    </info>
  </bookmark>
</xbel>
)";

TRecentUse Use(const char* href, const QDateTime& time) {
  return {href, "audio/x-wav", time};
}

// An element tree as a reader sees it: names with their namespaces, attributes and text. Two
// documents that mean the same give the same tree, whatever their prefixes and layout.
struct TNode {
  QString name;
  std::map<QString, QString> attributes;
  QString text;
  std::vector<TNode> children;
  bool operator==(const TNode&) const = default;
};

TNode ReadNode(QXmlStreamReader& in) {
  TNode node{"{" + in.namespaceUri().toString() + "}" + in.name().toString(), {}, {}, {}};
  for (const QXmlStreamAttribute& attribute : in.attributes())
    node.attributes["{" + attribute.namespaceUri().toString() + "}" + attribute.name().toString()] =
        attribute.value().toString();
  while (in.readNext() != QXmlStreamReader::EndElement && !in.atEnd()) {
    if (in.isStartElement()) node.children.push_back(ReadNode(in));
    if (in.isCharacters() && !in.isWhitespace()) node.text += in.text();
  }
  return node;
}

TNode Tree(const QByteArray& bytes) {
  QXmlStreamReader in(bytes);
  while (!in.atEnd() && !in.isStartElement()) in.readNext();
  TNode root = ReadNode(in);
  EXPECT_FALSE(in.hasError()) << in.errorString().toStdString();
  return root;
}

const TNode* Bookmark(const TNode& root, const QString& href) {
  for (const TNode& child : root.children)
    if (child.name == "{}bookmark" && child.attributes.at("{}href") == href) return &child;
  return nullptr;
}

// Descends by element names, the first of each.
const TNode* Find(const TNode& from, std::vector<QString> path) {
  const TNode* node = &from;
  for (const QString& name : path) {
    const TNode* next = nullptr;
    for (const TNode& child : node->children)
      if (child.name == name && !next) next = &child;
    if (!next) return nullptr;
    node = next;
  }
  return node;
}

const QString kB = "{http://www.freedesktop.org/standards/desktop-bookmarks}";
const QString kM = "{http://www.freedesktop.org/standards/shared-mime-info}";

TEST(RecentlyUsedTest, ANewListHoldsTheUseAsTheBookmarkFormatSays) {
  const auto bytes = MergeRecentUse({}, Use("file:///music/a%20b.wav", kFirst));
  ASSERT_TRUE(bytes);
  const TNode root = Tree(*bytes);
  EXPECT_EQ(root.name, "{}xbel");
  EXPECT_EQ(root.attributes.at("{}version"), "1.0");
  const TNode* mark = Bookmark(root, "file:///music/a%20b.wav");
  ASSERT_NE(mark, nullptr);
  for (const char* time : {"{}added", "{}modified", "{}visited"})
    EXPECT_EQ(mark->attributes.at(time), "2026-01-02T03:04:05.678Z") << time;
  const TNode* metadata = Find(*mark, {"{}info", "{}metadata"});
  ASSERT_NE(metadata, nullptr);
  EXPECT_EQ(metadata->attributes.at("{}owner"), "http://freedesktop.org");
  EXPECT_EQ(Find(*metadata, {kM + "mime-type"})->attributes.at("{}type"), "audio/x-wav");
  const TNode* app = Find(*metadata, {kB + "applications", kB + "application"});
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(app->attributes, (std::map<QString, QString>{{"{}name", "Quillon"},
                                                         {"{}exec", "quillon %u"},
                                                         {"{}modified", "2026-01-02T03:04:05.678Z"},
                                                         {"{}count", "1"}}));
}

TEST(RecentlyUsedTest, AFileNameBecomesAPercentEncodedFileAddress) {
  const struct {
    const char* path;
    const char* href;
  } rows[] = {
      {"/music/a b.wav", "file:///music/a%20b.wav"},
      {"/music/Ärger #1?.mp3", "file:///music/%C3%84rger%20%231%3F.mp3"},
      {"/music/100%.wav", "file:///music/100%25.wav"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(RecentUseOf(row.path, kFirst).href.toStdString(), row.href) << row.path;
}

TEST(RecentlyUsedTest, AnotherProgramsEntriesAndUnknownElementsStayAsTheyMean) {
  const auto merged = MergeRecentUse(kTheirs, Use("file:///music/new.wav", kFirst));
  ASSERT_TRUE(merged);
  const TNode before = Tree(kTheirs), after = Tree(*merged);
  ASSERT_EQ(after.children.size(), 3u);
  EXPECT_EQ(after.children[0], before.children[0]);
  EXPECT_EQ(after.children[1], before.children[1]);
  EXPECT_NE(Bookmark(after, "file:///music/new.wav"), nullptr);
  EXPECT_EQ(after.attributes, before.attributes);
}

TEST(RecentlyUsedTest, UsingAListedFileAgainUpdatesItsTimesAndOurCountOnly) {
  // The file another program listed, then the same again: our count goes 1, 2.
  const auto once = MergeRecentUse(kTheirs, Use("file:///music/take%201.wav", kFirst));
  ASSERT_TRUE(once);
  const auto twice = MergeRecentUse(*once, Use("file:///music/take%201.wav", kLater));
  ASSERT_TRUE(twice);
  const TNode root = Tree(*twice);
  ASSERT_EQ(root.children.size(), 2u);
  const TNode* mark = Bookmark(root, "file:///music/take%201.wav");
  ASSERT_NE(mark, nullptr);
  EXPECT_EQ(mark->attributes.at("{}added"), "2025-06-01T10:00:00Z");
  EXPECT_EQ(mark->attributes.at("{}modified"), "2026-02-03T04:05:06.789Z");
  EXPECT_EQ(mark->attributes.at("{}visited"), "2026-02-03T04:05:06.789Z");
  const TNode* apps = Find(*mark, {"{}info", "{}metadata", kB + "applications"});
  ASSERT_NE(apps, nullptr);
  ASSERT_EQ(apps->children.size(), 2u);
  EXPECT_EQ(apps->children[0], Bookmark(Tree(kTheirs), "file:///music/take%201.wav")
                                   ->children[0]
                                   .children[0]
                                   .children[1]
                                   .children[0]);
  EXPECT_EQ(apps->children[1].attributes.at("{}count"), "2");
  EXPECT_EQ(apps->children[1].attributes.at("{}modified"), "2026-02-03T04:05:06.789Z");
  EXPECT_EQ(Bookmark(root, "file:///home/u/notes.txt")->attributes,
            Bookmark(Tree(kTheirs), "file:///home/u/notes.txt")->attributes);
}

// A bookmark another program wrote with less in it gets what our use needs, and keeps the rest.
TEST(RecentlyUsedTest, ABookmarkMissingPartsGetsThemAdded) {
  const char* rows[] = {
      "<bookmark href=\"file:///m/a.wav\" added=\"2025-01-01T00:00:00Z\"/>",
      "<bookmark href=\"file:///m/a.wav\" added=\"2025-01-01T00:00:00Z\"><info>"
      "<metadata owner=\"http://example.org/private\">kept</metadata></info></bookmark>",
      "<bookmark href=\"file:///m/a.wav\" added=\"2025-01-01T00:00:00Z\"><info>"
      "<metadata owner=\"http://freedesktop.org\"><bookmark:groups><bookmark:group>g"
      "</bookmark:group></bookmark:groups></metadata></info></bookmark>",
      "<bookmark href=\"file:///m/a.wav\" added=\"2025-01-01T00:00:00Z\"><info>"
      "<metadata owner=\"http://freedesktop.org\"><mime:mime-type type=\"audio/wav\"/>"
      "<bookmark:applications/></metadata></info></bookmark>",
  };
  for (const char* bookmark : rows) {
    const QByteArray list =
        QByteArray(
            "<xbel version=\"1.0\" xmlns:bookmark=\"http://www.freedesktop.org/standards/"
            "desktop-bookmarks\" xmlns:mime=\"http://www.freedesktop.org/standards/"
            "shared-mime-info\">") +
        bookmark + "</xbel>";
    const auto merged = MergeRecentUse(list, Use("file:///m/a.wav", kFirst));
    ASSERT_TRUE(merged) << bookmark;
    const TNode root = Tree(*merged);
    ASSERT_EQ(root.children.size(), 1u) << bookmark;
    const TNode& mark = root.children[0];
    EXPECT_EQ(mark.attributes.at("{}added"), "2025-01-01T00:00:00Z") << bookmark;
    const TNode* ours = nullptr;
    for (const TNode& metadata : Find(mark, {"{}info"})->children)
      if (metadata.attributes.at("{}owner") == "http://freedesktop.org") ours = &metadata;
    ASSERT_NE(ours, nullptr) << bookmark;
    EXPECT_EQ(Find(*ours, {kM + "mime-type"})->attributes.at("{}type"), "audio/x-wav");
    const TNode* app = Find(*ours, {kB + "applications", kB + "application"});
    ASSERT_NE(app, nullptr) << bookmark;
    EXPECT_EQ(app->attributes.at("{}count"), "1");
    const TNode before = Tree(list);
    const std::vector<TNode>& kept = Find(mark, {"{}info"})->children;
    // What the other program wrote is all still there.
    if (const TNode* info = Find(before.children[0], {"{}info"})) {
      for (const TNode& metadata : info->children) {
        if (metadata.attributes.at("{}owner") != "http://freedesktop.org") {
          EXPECT_NE(std::find(kept.begin(), kept.end(), metadata), kept.end()) << bookmark;
        }
      }
    }
    if (const TNode* groups = Find(before.children[0], {"{}info", "{}metadata", kB + "groups"})) {
      EXPECT_EQ(*Find(*ours, {kB + "groups"}), *groups);
    }
  }
}

TEST(RecentlyUsedTest, ABrokenListIsLeftByteForByte) {
  const QByteArray rows[] = {
      QByteArray(kTheirs).left(900),                               // cut off
      "<?xml version=\"1.0\"?><other/>",                           // not a bookmark list
      "<xbel version=\"1.0\"><bookmark href=\"&nope;\"/></xbel>",  // unknown entity
      QByteArray("\x00\xff\xfe<xbel>", 8),                         // not text
      "<xbel></xbel><xbel></xbel>",                                // two roots
  };
  QTemporaryDir folder;
  const QString list = folder.filePath("recently-used.xbel");
  for (const QByteArray& broken : rows) {
    QFile file(list);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(broken);
    file.close();
    EXPECT_EQ(AddRecentUse(list, Use("file:///music/new.wav", kFirst)),
              TRecentlyUsedResult::kBroken)
        << broken.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), broken);
    file.close();
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"recently-used.xbel"});
  }
}

TEST(RecentlyUsedTest, TheListLivesInTheDataHome) {
  const QByteArray saved = qgetenv("XDG_DATA_HOME");
  const struct {
    const char* dataHome;
    QString expected;
  } rows[] = {{"/tmp/data", "/tmp/data/recently-used.xbel"},
              {"", QDir::homePath() + "/.local/share/recently-used.xbel"},
              {"relative/data", QDir::homePath() + "/.local/share/recently-used.xbel"}};
  for (const auto& row : rows) {
    qputenv("XDG_DATA_HOME", row.dataHome);
    EXPECT_EQ(RecentlyUsedFile(), row.expected) << row.dataHome;
  }
  qputenv("XDG_DATA_HOME", saved);
}

TEST(RecentlyUsedTest, AddingCreatesTheFolderAndTheList) {
  QTemporaryDir folder;
  const QString list = folder.filePath("new/share/recently-used.xbel");
  ASSERT_EQ(AddRecentUse(list, Use("file:///music/a.wav", kFirst)), TRecentlyUsedResult::kAdded);
  QFile file(list);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_NE(Bookmark(Tree(file.readAll()), "file:///music/a.wav"), nullptr);
}

#ifdef QUILLON_HAVE_GLIB
// GLib's own bookmark reader, which the desktop's file dialogs use, reads what we wrote.
TEST(RecentlyUsedTest, GLibsReaderFindsOurUseAndTheOtherEntries) {
  QTemporaryDir folder;
  const QString list = folder.filePath("recently-used.xbel");
  QFile file(list);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  // GLib takes only text inside another owner's metadata.
  file.write(
      QByteArray(kTheirs).replace("<x:thing xmlns:x=\"urn:x\" a=\"1\">kept</x:thing>", "kept"));
  file.close();
  for (const QDateTime& time : {kFirst, kLater})
    ASSERT_EQ(AddRecentUse(list, Use("file:///music/a%20b.wav", time)),
              TRecentlyUsedResult::kAdded);

  GBookmarkFile* bookmarks = g_bookmark_file_new();
  GError* error = nullptr;
  ASSERT_TRUE(g_bookmark_file_load_from_file(bookmarks, list.toUtf8().constData(), &error))
      << (error ? error->message : "");
  EXPECT_EQ(g_bookmark_file_get_size(bookmarks), 3);
  const char* ours = "file:///music/a%20b.wav";
  gchar* mime = g_bookmark_file_get_mime_type(bookmarks, ours, nullptr);
  EXPECT_STREQ(mime, "audio/x-wav");
  g_free(mime);
  gchar* exec = nullptr;
  guint count = 0;
  GDateTime* stamp = nullptr;
  ASSERT_TRUE(g_bookmark_file_get_application_info(bookmarks, ours, "Quillon", &exec, &count,
                                                   &stamp, &error))
      << (error ? error->message : "");
  // GLib expands the command line for the file.
  EXPECT_STREQ(exec, "quillon file:///music/a%20b.wav");
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(g_date_time_to_unix(stamp), kLater.toSecsSinceEpoch());
  g_free(exec);
  EXPECT_EQ(g_date_time_to_unix(g_bookmark_file_get_added_date_time(bookmarks, ours, nullptr)),
            kFirst.toSecsSinceEpoch());
  EXPECT_TRUE(
      g_bookmark_file_has_application(bookmarks, "file:///home/u/notes.txt", "gedit", nullptr));
  EXPECT_TRUE(g_bookmark_file_has_group(bookmarks, "file:///home/u/notes.txt", "gedit", nullptr));
  gchar* title = g_bookmark_file_get_title(bookmarks, "file:///home/u/notes.txt", nullptr);
  EXPECT_STREQ(title, "Notes & plans");
  g_free(title);
  g_bookmark_file_free(bookmarks);
}
#endif

}  // namespace
}  // namespace quillon
