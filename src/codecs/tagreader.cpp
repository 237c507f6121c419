#include "codecs/tagreader.h"

#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>

#include "codecs/id3chapters.h"
#include "codecs/infotext.h"
#include "codecs/tagstream.h"
#include "codecs/tagtext.h"
#include "codecs/xiphchapters.h"
#include "localization/constants.h"

namespace quillon {

namespace {

// A picture as the tag gave it, before its size is checked.
struct TFoundPicture {
  std::string mimeType;
  std::string description;
  TagLib::ByteVector data;
  bool front = false;
};

// A picture's type or description.
std::string Utf8(const TagLib::String& text) {
  return CleanTagText(text.to8Bit(true));
}

// Takes texts into the document while they fit what it keeps, and remembers a cut.
class TTextTaker {
 public:
  TTagValues Take(const TagLib::StringList& values) {
    TTagValues taken;
    for (const TagLib::String& value : values) taken.Add(Text(value));
    return taken;
  }
  std::string Text(const TagLib::String& value) {
    // Each value costs a little besides its bytes, so that countless tiny ones are bounded too.
    constexpr size_t kValueCost = 32;
    if (value.isEmpty()) return {};
    if (left_ <= kValueCost) {
      cut_ = true;
      return {};
    }
    left_ -= kValueCost;
    std::string text = CleanTagText(value.to8Bit(true), std::min(left_, kMaxTagTextBytes), &cut_);
    left_ -= text.size();
    return text;
  }
  bool Cut() const { return cut_; }

 private:
  size_t left_ = kMaxTagTextsBytes;
  bool cut_ = false;
};

TTagValues Values(const TagLib::PropertyMap& map, const char* key, TTextTaker& take) {
  auto it = map.find(key);
  return it == map.end() ? TTagValues() : take.Take(it->second);
}

// Vorbis comments may keep the number of tracks apart from the track's own.
void JoinTrackTotal(const TagLib::PropertyMap& map, TTags& tags, TTextTaker& take) {
  if (tags.track.size() != 1 || tags.track.First().find('/') != std::string::npos) return;
  for (const char* key : {"TRACKTOTAL", "TOTALTRACKS"}) {
    const TTagValues total = Values(map, key, take);
    if (total.empty()) continue;
    tags.track = tags.track.First() + "/" + total.First();
    return;
  }
}

void TakeTexts(const TagLib::PropertyMap& map, TTags& tags, TTextTaker& take) {
  tags.title = Values(map, "TITLE", take);
  tags.artist = Values(map, "ARTIST", take);
  tags.album = Values(map, "ALBUM", take);
  tags.albumArtist = Values(map, "ALBUMARTIST", take);
  tags.year = Values(map, "DATE", take);
  tags.track = Values(map, "TRACKNUMBER", take);
  JoinTrackTotal(map, tags, take);
  tags.genre = Values(map, "GENRE", take);
  tags.comment = Values(map, "COMMENT", take);
  // Vorbis comments have two names for it.
  if (tags.comment.empty()) tags.comment = Values(map, "DESCRIPTION", take);
}

// RIFF INFO as its fields hold it: TagLib's property map of INFO gives the year and the track as
// numbers, which loses a full date and the number of tracks.
void TakeInfoTexts(const TagLib::RIFF::Info::Tag& info, TTags& tags, TTextTaker& take) {
  const TagLib::RIFF::Info::FieldListMap fields = info.fieldListMap();
  auto field = [&fields, &take](const char* id) {
    auto it = fields.find(id);
    return it == fields.end() ? TTagValues() : TTagValues(take.Text(it->second));
  };
  tags.title = field("INAM");
  tags.artist = field("IART");
  tags.album = field("IPRD");
  tags.year = field("ICRD");
  tags.track = field("IPRT");
  if (tags.track.empty()) tags.track = field("ITRK");
  tags.genre = field("IGNR");
  tags.comment = field("ICMT");
}

// Fields a format keeps outside its property map (ASF's content description, its year) come
// through TagLib's common interface.
void FillGaps(TagLib::Tag* tag, TTags& tags, TTextTaker& take) {
  if (!tag) return;
  auto fill = [&take](TTagValues& field, const TagLib::String& value) {
    if (field.empty()) field = take.Text(value);
  };
  fill(tags.title, tag->title());
  fill(tags.artist, tag->artist());
  fill(tags.album, tag->album());
  fill(tags.genre, tag->genre());
  fill(tags.comment, tag->comment());
  if (tags.year.empty() && tag->year()) tags.year = std::to_string(tag->year());
  if (tags.track.empty() && tag->track()) tags.track = std::to_string(tag->track());
}

// The front cover, else the first picture.
std::optional<TFoundPicture> Choose(const std::vector<TFoundPicture>& pictures) {
  for (const TFoundPicture& picture : pictures)
    if (picture.front) return picture;
  if (pictures.empty()) return std::nullopt;
  return pictures.front();
}

std::vector<TFoundPicture> PicturesOf(TagLib::ID3v2::Tag* tag) {
  std::vector<TFoundPicture> found;
  if (!tag) return found;
  for (TagLib::ID3v2::Frame* frame : tag->frameList("APIC")) {
    auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
    if (!picture) continue;
    found.push_back({Utf8(picture->mimeType()), Utf8(picture->description()), picture->picture(),
                     picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover});
  }
  return found;
}

std::vector<TFoundPicture> PicturesOf(const TagLib::List<TagLib::FLAC::Picture*>& pictures) {
  std::vector<TFoundPicture> found;
  for (TagLib::FLAC::Picture* picture : pictures)
    found.push_back({Utf8(picture->mimeType()), Utf8(picture->description()), picture->data(),
                     picture->type() == TagLib::FLAC::Picture::FrontCover});
  return found;
}

std::vector<TFoundPicture> PicturesOf(TagLib::ASF::Tag* tag) {
  std::vector<TFoundPicture> found;
  if (!tag) return found;
  for (const TagLib::ASF::Attribute& attribute : tag->attribute("WM/Picture")) {
    const TagLib::ASF::Picture picture = attribute.toPicture();
    if (!picture.isValid()) continue;
    found.push_back({Utf8(picture.mimeType()), Utf8(picture.description()), picture.picture(),
                     picture.type() == TagLib::ASF::Picture::FrontCover});
  }
  return found;
}

std::vector<TFoundPicture> PicturesOf(TagLib::MP4::Tag* tag) {
  std::vector<TFoundPicture> found;
  if (!tag || !tag->contains("covr")) return found;
  for (const TagLib::MP4::CoverArt& art : tag->item("covr").toCoverArtList()) {
    const char* mime = art.format() == TagLib::MP4::CoverArt::PNG ? "image/png" : "image/jpeg";
    // MP4 has no picture types: its first cover is the front one.
    found.push_back({mime, {}, art.data(), found.empty()});
  }
  return found;
}

// FFmpeg writes a WMA's comment and year as plain attributes under their own names.
void FillAsfGaps(TagLib::ASF::Tag* tag, TTags& tags, TTextTaker& take) {
  if (!tag) return;
  auto fill = [tag, &take](TTagValues& field, const char* name) {
    if (!field.empty() || !tag->contains(name)) return;
    for (const TagLib::ASF::Attribute& attribute : tag->attribute(name))
      field.Add(take.Text(attribute.toString()));
  };
  fill(tags.comment, "Description");
  fill(tags.year, "date");
  // Several artists: the first in the content description, all or the others as attributes.
  for (const TagLib::ASF::Attribute& attribute : tag->attribute("Author")) {
    std::string artist = take.Text(attribute.toString());
    const std::vector<std::string>& known = tags.artist.All();
    if (std::find(known.begin(), known.end(), artist) == known.end())
      tags.artist.Add(std::move(artist));
  }
}

// The texts, pictures and chapters of the file TagLib recognised, in its own form.
void ReadFile(TagLib::File* file, TTags& tags, std::vector<TFoundPicture>& pictures,
              TTextTaker& take, TChapterFind& chapters) {
  if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(file)) {
    // The id3 chunk, when there is one, holds more than INFO can; INFO fills the gaps.
    TakeInfoTexts(*wav->InfoTag(), tags, take);
    if (wav->hasID3v2Tag()) {
      TTags fromId3;
      TakeTexts(wav->ID3v2Tag()->properties(), fromId3, take);
      for (auto field : kTagFields)
        if (!(fromId3.*field).empty()) tags.*field = fromId3.*field;
      pictures = PicturesOf(wav->ID3v2Tag());
    }
    return;
  }
  TakeTexts(file->properties(), tags, take);
  FillGaps(file->tag(), tags, take);
  if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file)) {
    pictures = PicturesOf(mpeg->ID3v2Tag());
    if (mpeg->hasID3v2Tag()) chapters = Id3ChaptersOf(*mpeg->ID3v2Tag());
  } else if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file)) {
    pictures = PicturesOf(flac->pictureList());
    if (flac->hasXiphComment()) chapters = XiphChaptersOf(*flac->xiphComment());
  } else if (auto* vorbis = dynamic_cast<TagLib::Ogg::Vorbis::File*>(file)) {
    pictures = PicturesOf(vorbis->tag()->pictureList());
    chapters = XiphChaptersOf(*vorbis->tag());
  } else if (auto* opus = dynamic_cast<TagLib::Ogg::Opus::File*>(file)) {
    pictures = PicturesOf(opus->tag()->pictureList());
    chapters = XiphChaptersOf(*opus->tag());
  } else if (auto* asf = dynamic_cast<TagLib::ASF::File*>(file)) {
    FillAsfGaps(asf->tag(), tags, take);
    pictures = PicturesOf(asf->tag());
  } else if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file))
    pictures = PicturesOf(mp4->tag());
}

// The chosen picture as the document's cover, unless it is too large or not a picture at all.
void TakeCover(const std::optional<TFoundPicture>& found, TTagReading& reading) {
  if (!found || found->data.isEmpty()) return;
  if (found->data.size() > kMaxCoverBytes) {
    reading.notices.push_back(ConstantText("coverrefused"));
    return;
  }
  TCoverPicture cover;
  cover.data.assign(found->data.begin(), found->data.end());
  cover.mimeType = ImageMimeTypeOf(cover.data);
  if (cover.mimeType.empty()) cover.mimeType = found->mimeType.substr(0, 64);
  if (cover.mimeType.empty()) return;
  cover.description = found->description;
  reading.tags.cover = std::move(cover);
}

// An ID3v2 tag at the start whose declared size runs past the end of the file lies: TagLib would
// take the audio that follows for frames.
bool Id3SizeLies(TagLib::IOStream& stream) {
  stream.seek(0, TagLib::IOStream::Beginning);
  const TagLib::ByteVector header = stream.readBlock(10);
  stream.seek(0, TagLib::IOStream::Beginning);
  if (header.size() < 10 || !header.startsWith("ID3")) return false;
  uint64_t size = 0;
  for (int i = 6; i < 10; ++i) size = size << 7 | (static_cast<uint8_t>(header[i]) & 0x7F);
  return size + 10 > static_cast<uint64_t>(std::max<long>(stream.length(), 0));
}

bool NamesATagForm(TagLib::IOStream& stream) {
  const std::string name = stream.name();
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || name.find('/', dot) != std::string::npos) return false;
  std::string extension = name.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return TagLib::FileRef::defaultFileExtensions().contains(TagLib::String(extension));
}

}  // namespace

TTagReading ReadTagsFrom(TagLib::IOStream& stream) {
  TTagReading reading;
  try {
    UseUtf8InfoText();
    if (Id3SizeLies(stream)) {
      reading.notices.push_back(ConstantText("tagskipped"));
      return reading;
    }
    TBoundedTagStream bounded(stream);
    TagLib::FileRef ref(&bounded, false);
    // A file of a form TagLib reads, by its name, that TagLib cannot read has broken tags or
    // blocks that lie; any other file simply has no tags we know.
    if (ref.isNull()) {
      if (NamesATagForm(stream)) reading.notices.push_back(ConstantText("tagskipped"));
      return reading;
    }
    std::vector<TFoundPicture> pictures;
    TTextTaker take;
    ReadFile(ref.file(), reading.tags, pictures, take, reading.chapters);
    // A block that was refused leaves whatever TagLib made of the rest unreliable.
    if (bounded.Refused()) {
      reading.tags = {};
      reading.chapters = {};
      reading.notices.push_back(ConstantText("tagskipped"));
      return reading;
    }
    if (bounded.RefusedFrames() > 0) reading.notices.push_back(ConstantText("tagframerefused"));
    if (take.Cut()) reading.notices.push_back(ConstantText("tagtextcut"));
    TakeCover(Choose(pictures), reading);
  } catch (const std::exception&) {
    reading = {};
    reading.notices.push_back(ConstantText("tagskipped"));
  }
  return reading;
}

TTagReading ReadTags(const std::string& path) {
  TagLib::FileStream stream(path.c_str(), true);
  if (!stream.isOpen()) return {};
  return ReadTagsFrom(stream);
}

}  // namespace quillon
