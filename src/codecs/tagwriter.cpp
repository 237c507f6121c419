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

#include "codecs/infotext.h"
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

TagLib::PropertyMap PropertiesOf(const TTags& tags) {
  TagLib::PropertyMap map;
  auto put = [&map](const char* key, const std::string& value) {
    if (!value.empty()) map.insert(key, TagLib::StringList(Text(value)));
  };
  put("TITLE", tags.title);
  put("ARTIST", tags.artist);
  put("ALBUM", tags.album);
  put("ALBUMARTIST", tags.albumArtist);
  put("DATE", tags.year);
  put("TRACKNUMBER", tags.track);
  put("GENRE", tags.genre);
  put("COMMENT", tags.comment);
  return map;
}

TagLib::FLAC::Picture* FlacPicture(const TCoverPicture& cover) {
  auto* picture = new TagLib::FLAC::Picture;
  picture->setType(TagLib::FLAC::Picture::FrontCover);
  picture->setMimeType(Text(cover.mimeType));
  picture->setDescription(Text(cover.description));
  picture->setData(Bytes(cover.data));
  return picture;
}

void PutId3(TagLib::ID3v2::Tag* tag, const TTags& tags) {
  tag->setProperties(PropertiesOf(tags));
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
  return tags.cover || !tags.albumArtist.empty();
}

bool SaveWav(const std::string& path, const TTags& tags) {
  UseUtf8InfoText();
  TagLib::RIFF::WAV::File file(path.c_str(), false);
  if (!file.isValid()) return false;
  TagLib::RIFF::Info::Tag* info = file.InfoTag();
  const std::pair<const char*, const std::string*> fields[] = {
      {"INAM", &tags.title}, {"IART", &tags.artist}, {"IPRD", &tags.album},  {"ICRD", &tags.year},
      {"IPRT", &tags.track}, {"IGNR", &tags.genre},  {"ICMT", &tags.comment}};
  for (const auto& [id, text] : fields)
    if (!text->empty()) info->setFieldText(id, Text(*text));
  if (!NeedsId3Chunk(tags))
    return file.save(TagLib::RIFF::WAV::File::Info, TagLib::File::StripOthers);
  PutId3(file.ID3v2Tag(), tags);
  return file.save(TagLib::RIFF::WAV::File::AllTags, TagLib::File::StripOthers, TagLib::ID3v2::v3);
}

bool SaveMp3(const std::string& path, const TTags& tags) {
  TagLib::MPEG::File file(path.c_str(), false);
  if (!file.isValid()) return false;
  PutId3(file.ID3v2Tag(true), tags);
  return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v3,
                   TagLib::File::DoNotDuplicate);
}

bool SaveFlac(const std::string& path, const TTags& tags) {
  TagLib::FLAC::File file(path.c_str(), false);
  if (!file.isValid()) return false;
  file.xiphComment(true)->setProperties(PropertiesOf(tags));
  file.removePictures();
  if (tags.cover) file.addPicture(FlacPicture(*tags.cover));
  return file.save();
}

template <typename OggFile>
bool SaveOgg(const std::string& path, const TTags& tags) {
  OggFile file(path.c_str(), false);
  if (!file.isValid()) return false;
  TagLib::Ogg::XiphComment* comment = file.tag();
  comment->setProperties(PropertiesOf(tags));
  comment->removeAllPictures();
  if (tags.cover) comment->addPicture(FlacPicture(*tags.cover));
  return file.save();
}

bool Save(const std::string& path, TSaveFormat format, const TTags& tags) {
  switch (format) {
    case TSaveFormat::wav:
      return SaveWav(path, tags);
    case TSaveFormat::mp3:
      return SaveMp3(path, tags);
    case TSaveFormat::flac:
      return SaveFlac(path, tags);
    case TSaveFormat::vorbis:
      return SaveOgg<TagLib::Ogg::Vorbis::File>(path, tags);
    case TSaveFormat::opus:
      return SaveOgg<TagLib::Ogg::Opus::File>(path, tags);
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
               const std::string& shownName) {
  if (tags.Empty()) return;
  std::string why;
  try {
    // The tag write counts as one write of the save, so that tests can make it fail.
    CheckFault(TFault::Write);
    if (!Save(path, format, tags)) why = WhyNotSaved(path);
  } catch (const std::exception& error) {
    why = error.what();
  }
  if (!why.empty()) throw Exception(ConstantText("tagwriteerror") + "\n" + shownName + "\n" + why);
}

}  // namespace quillon
