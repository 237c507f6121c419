#include "codecs/id3chapters.h"

#include <taglib/chapterframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/tableofcontentsframe.h>
#include <taglib/textidentificationframe.h>

#include <map>
#include <set>

namespace quillon {

namespace {

// Neither byte offset is given.
constexpr unsigned int kNoOffset = 0xFFFFFFFF;
// The most a CHAP can say, as its fields are 32 bits.
constexpr uint64_t kMaxId3Ms = 0xFFFFFFFF;

unsigned int Ms(uint64_t ms) {
  return static_cast<unsigned int>(std::min(ms, kMaxId3Ms));
}

std::string TitleOf(const TagLib::ID3v2::ChapterFrame& chapter) {
  const TagLib::ID3v2::FrameList& titles = chapter.embeddedFrameList("TIT2");
  if (titles.isEmpty()) return {};
  const TagLib::String text = titles.front()->toString();
  return MarkerName(text.to8Bit(true));
}

}  // namespace

void PutId3Chapters(TagLib::ID3v2::Tag& tag, const std::vector<TChapter>& chapters) {
  if (chapters.empty()) return;
  TagLib::ByteVectorList ids;
  for (size_t i = 0; i < chapters.size(); ++i) {
    const TChapter& c = chapters[i];
    const TagLib::ByteVector id(("chp" + std::to_string(i)).c_str());
    auto* frame = new TagLib::ID3v2::ChapterFrame(
        id, Ms(c.startMs), Ms(c.endMs.value_or(c.startMs)), kNoOffset, kNoOffset);
    if (!c.name.empty()) {
      // ID3v2.3 has no UTF-8.
      auto* title = new TagLib::ID3v2::TextIdentificationFrame("TIT2", TagLib::String::UTF16);
      title->setText(TagLib::String(c.name, TagLib::String::UTF8));
      frame->addEmbeddedFrame(title);
    }
    tag.addFrame(frame);
    ids.append(id);
  }
  auto* toc = new TagLib::ID3v2::TableOfContentsFrame("toc", ids);
  toc->setIsTopLevel(true);
  toc->setIsOrdered(ChaptersInSequence(chapters));
  tag.addFrame(toc);
}

TChapterFind Id3ChaptersOf(const TagLib::ID3v2::Tag& tag) {
  TChapterFind found;
  std::map<TagLib::ByteVector, const TagLib::ID3v2::ChapterFrame*> byId;
  std::vector<const TagLib::ID3v2::ChapterFrame*> inTag;
  for (const TagLib::ID3v2::Frame* frame : tag.frameList("CHAP")) {
    const auto* chapter = dynamic_cast<const TagLib::ID3v2::ChapterFrame*>(frame);
    if (!chapter) continue;
    if (!byId.emplace(chapter->elementID(), chapter).second) {
      ++found.duplicates;
      continue;
    }
    inTag.push_back(chapter);
  }
  if (inTag.empty()) return found;
  std::vector<const TagLib::ID3v2::ChapterFrame*> order;
  std::set<const TagLib::ID3v2::ChapterFrame*> taken;
  if (const auto* toc = TagLib::ID3v2::TableOfContentsFrame::findTopLevel(&tag)) {
    found.ordered = found.sequential = toc->isOrdered();
    for (const TagLib::ByteVector& id : toc->childElements()) {
      auto it = byId.find(id);
      // A child that names no chapter (or another table) has no time to take.
      if (it != byId.end() && taken.insert(it->second).second) order.push_back(it->second);
    }
  }
  for (const auto* chapter : inTag)
    if (!taken.count(chapter)) order.push_back(chapter);
  for (const auto* chapter : order) {
    if (found.chapters.size() == kMaxMarkers) {
      found.tooMany = true;
      break;
    }
    TChapter c{chapter->startTime(), std::nullopt, TitleOf(*chapter)};
    if (chapter->endTime() != chapter->startTime()) c.endMs = chapter->endTime();
    found.chapters.push_back(std::move(c));
  }
  return found;
}

}  // namespace quillon
