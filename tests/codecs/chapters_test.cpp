// Chapters in ID3v2 tags and Vorbis comments: whatever a tag holds is read as far as it makes
// sense, each kind of fault costing one notice.
#include "codecs/chapters.h"

#include <gtest/gtest.h>
#include <taglib/chapterframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/tableofcontentsframe.h>
#include <taglib/textidentificationframe.h>

#include <array>
#include <cstdio>
#include <iterator>
#include <sstream>

#include "codecs/id3chapters.h"
#include "codecs/xiphchapters.h"

namespace quillon {
namespace {

// At 1000 Hz, frames are milliseconds; the audio lasts ten seconds.
std::string Fitted(const TChapterFind& found) {
  const TMarkerReading reading = MarkersOfChapters(found, 1000, 10000, "f");
  std::string text;
  for (const TMarker& m : reading.list.markers)
    text += "m" + std::to_string(m.frame) + ":" + m.name + " ";
  for (const TRegion& r : reading.list.regions)
    text += "r" + std::to_string(r.start) + "-" + std::to_string(r.end) + ":" + r.name + " ";
  return text + std::to_string(reading.notices.size()) + " notices";
}

TEST(XiphChaptersTest, KeepWhatCanBeKeptWithANoticeAKind) {
  const std::pair<const char*, const char*> rows[] = {
      // By number, not by place; an end makes a region; a chapter's URL is none of ours.
      {"CHAPTER002=00:00:02 CHAPTER001NAME=a CHAPTER001=00:00:01.000 CHAPTER002END=00:00:03 "
       "CHAPTER002URL=x",
       "m1000:a r2000-3000: 0 notices"},
      // Out of order; past the end, and running past it; a number twice; an end before the
      // start, or none; times that are none; a name alone, a number too long.
      {"CHAPTER001=00:00:05 CHAPTER002=00:00:01 CHAPTER003=00:00:11 CHAPTER004=00:00:09 "
       "CHAPTER004END=00:00:12 CHAPTER002=00:00:03 CHAPTER005=00:00:07 CHAPTER005END=00:00:06 "
       "CHAPTER006=1:2:3 CHAPTER007=0:00:08 CHAPTER007END=soon CHAPTER008NAME=alone "
       "CHAPTER0000000009=00:00:04 CHAPTERS=x",
       "m1000: m5000: m7000: m8000: r9000-10000: 5 notices"}};
  for (const auto& [text, expected] : rows) {
    std::istringstream in(text);
    std::vector<std::string> words(std::istream_iterator<std::string>(in), {});
    std::vector<TXiphField> fields;
    for (std::string_view w : words)
      fields.push_back({w.substr(0, w.find('=')), w.substr(w.find('=') + 1)});
    EXPECT_EQ(Fitted(XiphChaptersOf(fields)), expected) << text;
  }
  std::vector<std::string> keys;
  for (size_t i = 0; i <= kMaxMarkers; ++i) keys.push_back("CHAPTER" + std::to_string(i + 1));
  std::vector<TXiphField> many;
  for (const std::string& key : keys) many.push_back({key, "00:00:01"});
  EXPECT_TRUE(XiphChaptersOf(many).tooMany);
}

TEST(Id3ChaptersTest, KeepWhatCanBeKeptWithANoticeAKind) {
  // Chapters "id start end [title]" separated by commas; the ids of the ordered (after "~",
  // unordered) table of contents.
  const std::array<const char*, 3> rows[] = {
      {"a 0 0 S, b 1000 4000 Song, c 2000 2000", "a b c", "m0:S m2000: r1000-4000:Song 0 notices"},
      // One starts before the one listed ahead, one inside it.
      {"a 5000 6000 x, b 1000 2000 y, c 1500 2500 z", "a b c",
       "r1000-2000:y r1500-2500:z r5000-6000:x 2 notices"},
      // An id twice, a chapter not listed, one past the end and one running past it, an end
      // before the start, a listed id with no chapter.
      {"a 1000 2000 x, a 3000 3000 again, z 500 500 alone, p 10002 11000 past, q 9000 10500 over, "
       "r 7000 6000 back",
       "~ a missing p q r", "m500:alone m7000:back r1000-2000:x r9000-10000:over 3 notices"}};
  for (const auto& [chapters, contents, expected] : rows) {
    TagLib::ID3v2::Tag tag;
    std::istringstream list(chapters);
    for (std::string item; std::getline(list, item, ',');) {
      char id[8], title[8] = "";
      unsigned start = 0, end = 0;
      std::sscanf(item.c_str(), "%7s %u %u %7s", id, &start, &end, title);
      auto* frame = new TagLib::ID3v2::ChapterFrame(id, start, end, ~0u, ~0u);
      if (*title) {
        frame->addEmbeddedFrame(new TagLib::ID3v2::TextIdentificationFrame("TIT2"));
        frame->embeddedFrameList("TIT2").front()->setText(title);
      }
      tag.addFrame(frame);
    }
    std::istringstream in(contents);
    TagLib::ByteVectorList ids;
    for (std::string id; in >> id;) ids.append(id.c_str());
    auto* toc = new TagLib::ID3v2::TableOfContentsFrame("toc", ids);
    toc->setIsTopLevel(true);
    toc->setIsOrdered(contents[0] != '~');
    tag.addFrame(toc);
    EXPECT_EQ(Fitted(Id3ChaptersOf(tag)), expected) << chapters;
  }
}

}  // namespace
}  // namespace quillon
