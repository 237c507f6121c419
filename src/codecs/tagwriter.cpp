#include "codecs/tagwriter.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>

#include "codecs/id3chapters.h"
#include "codecs/infotext.h"
#include "codecs/pictureshape.h"
#include "codecs/xiphchapters.h"
#include "localization/constants.h"
#include "platform/error.h"
#include "platform/faults.h"

namespace quillon {

namespace {

TagLib::String Text(const std::string& text) {
  return TagLib::String(text, TagLib::String::UTF8);
}

TagLib::ByteVector Bytes(const std::vector<uint8_t>& data) {
  return TagLib::ByteVector(reinterpret_cast<const char*>(data.data()),
                            static_cast<unsigned int>(data.size()));
}

// The property names of the fields, in the order of kTagFields.
constexpr const char* kPropertyNames[] = {"TITLE", "ARTIST",      "ALBUM", "ALBUMARTIST",
                                          "DATE",  "TRACKNUMBER", "GENRE", "COMMENT"};

// Every value of every field; with a separator, a field's values as one text.
TagLib::PropertyMap PropertiesOf(const TTags& tags, const char* separator = nullptr) {
  TagLib::PropertyMap map;
  for (size_t i = 0; i < std::size(kTagFields); ++i) {
    const TTagValues& field = tags.*kTagFields[i];
    if (field.empty()) continue;
    TagLib::StringList values;
    if (separator)
      values.append(Text(field.Joined(separator)));
    else
      for (const std::string& value : field.All()) values.append(Text(value));
    map.insert(kPropertyNames[i], values);
  }
  return map;
}

TagLib::FLAC::Picture* FlacPicture(const TCoverPicture& cover) {
  auto* picture = new TagLib::FLAC::Picture;
  picture->setType(TagLib::FLAC::Picture::FrontCover);
  picture->setMimeType(Text(cover.mimeType));
  picture->setDescription(Text(cover.description));
  const TPictureShape shape = PictureShapeOf(cover.data);
  picture->setWidth(static_cast<int>(shape.width));
  picture->setHeight(static_cast<int>(shape.height));
  picture->setColorDepth(static_cast<int>(shape.depth));
  picture->setNumColors(static_cast<int>(shape.colors));
  picture->setData(Bytes(cover.data));
  return picture;
}

// A Vorbis comment takes the document's fields, and keeps the name of the encoder that wrote the
// file, as it has when there are no tags to write.
void PutXiph(TagLib::Ogg::XiphComment* comment, const TTags& tags) {
  const TagLib::Ogg::FieldListMap fields = comment->fieldListMap();
  TagLib::PropertyMap map = PropertiesOf(tags);
  if (auto encoder = fields.find("ENCODER"); encoder != fields.end())
    map.insert("ENCODER", encoder->second);
  comment->setProperties(map);
}

// separator: as in PropertiesOf.
void PutId3(TagLib::ID3v2::Tag* tag, const TTags& tags, const char* separator) {
  tag->setProperties(PropertiesOf(tags, separator));
  if (!tags.cover) return;
  auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
  frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
  frame->setMimeType(Text(tags.cover->mimeType));
  frame->setDescription(Text(tags.cover->description));
  frame->setTextEncoding(TagLib::String::UTF16);
  frame->setPicture(Bytes(tags.cover->data));
  tag->addFrame(frame);
}

// FFmpeg reads an id3 chunk's texts only when there is no INFO, but its pictures always; INFO
// stays for every reader that knows only INFO.
bool NeedsId3Chunk(const TTags& tags) {
  return tags.cover || !tags.albumArtist.empty() ||
         std::any_of(std::begin(kTagFields), std::end(kTagFields),
                     [&tags](auto field) { return (tags.*field).size() > 1; });
}

bool SaveWav(const std::string& path, const TTags& tags) {
  UseUtf8InfoText();
  TagLib::RIFF::WAV::File file(path.c_str(), false);
  if (!file.isValid()) return false;
  TagLib::RIFF::Info::Tag* info = file.InfoTag();
  const std::pair<const char*, const TTagValues*> fields[] = {
      {"INAM", &tags.title}, {"IART", &tags.artist}, {"IPRD", &tags.album},  {"ICRD", &tags.year},
      {"IPRT", &tags.track}, {"IGNR", &tags.genre},  {"ICMT", &tags.comment}};
  // INFO holds one text a field: several values are joined as Windows shows them.
  for (const auto& [id, values] : fields)
    if (!values->empty()) info->setFieldText(id, Text(values->Joined("; ")));
  if (!NeedsId3Chunk(tags))
    return file.save(TagLib::RIFF::WAV::File::Info, TagLib::File::StripOthers);
  PutId3(file.ID3v2Tag(), tags, nullptr);
  return file.save(TagLib::RIFF::WAV::File::AllTags, TagLib::File::StripOthers, TagLib::ID3v2::v4);
}

bool SaveMp3(const std::string& path, const TTags& tags, const std::vector<TChapter>& chapters) {
  TagLib::MPEG::File file(path.c_str(), false);
  if (!file.isValid()) return false;
  // ID3v2.3 holds one text a frame; its way for several artists is a slash between them.
  PutId3(file.ID3v2Tag(true), tags, "/");
  PutId3Chapters(*file.ID3v2Tag(), chapters);
  return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v3,
                   TagLib::File::DoNotDuplicate);
}

bool SaveFlac(const std::string& path, const TTags& tags, const std::vector<TChapter>& chapters) {
  TagLib::FLAC::File file(path.c_str(), false);
  if (!file.isValid()) return false;
  PutXiph(file.xiphComment(true), tags);
  PutXiphChapters(*file.xiphComment(), chapters);
  file.removePictures();
  if (tags.cover) file.addPicture(FlacPicture(*tags.cover));
  return file.save();
}

template <typename OggFile>
bool SaveOgg(const std::string& path, const TTags& tags, const std::vector<TChapter>& chapters) {
  OggFile file(path.c_str(), false);
  if (!file.isValid()) return false;
  TagLib::Ogg::XiphComment* comment = file.tag();
  PutXiph(comment, tags);
  PutXiphChapters(*comment, chapters);
  comment->removeAllPictures();
  if (tags.cover) comment->addPicture(FlacPicture(*tags.cover));
  return file.save();
}

bool Save(const std::string& path, TSaveFormat format, const TTags& tags,
          const std::vector<TChapter>& chapters) {
  switch (format) {
    case TSaveFormat::wav:
      return SaveWav(path, tags);
    case TSaveFormat::mp3:
      return SaveMp3(path, tags, chapters);
    case TSaveFormat::flac:
      return SaveFlac(path, tags, chapters);
    case TSaveFormat::vorbis:
      return SaveOgg<TagLib::Ogg::Vorbis::File>(path, tags, chapters);
    case TSaveFormat::opus:
      return SaveOgg<TagLib::Ogg::Opus::File>(path, tags, chapters);
  }
  return false;
}

// Why the tag library gave up on a file: the system's reason when the file cannot be opened for
// writing, else that the library could not take it.
std::string WhyNotSaved(const std::string& path) {
  if (access(path.c_str(), R_OK | W_OK) != 0) return EOSError(errno).what();
  return ConstantText("tagrefused");
}

}  // namespace

void WriteTags(const std::string& path, TSaveFormat format, const TTags& tags,
               const std::string& shownName, const std::vector<TChapter>& chapters) {
  if (tags.Empty() && (chapters.empty() || format == TSaveFormat::wav)) return;
  std::string why;
  try {
    // The tag write counts as one write of the save, so that tests can make it fail.
    CheckFault(TFault::Write);
    if (!Save(path, format, tags, chapters)) why = WhyNotSaved(path);
  } catch (const std::exception& error) {
    why = error.what();
  }
  if (!why.empty()) throw Exception(ConstantText("tagwriteerror") + "\n" + shownName + "\n" + why);
}

}  // namespace quillon
