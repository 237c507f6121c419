// Tags read from every format a file may come in, written in every format a save makes, and
// hostile tags that must cost a notice, never the audio or unbounded memory.
#include <gtest/gtest.h>
#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/opusfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <zlib.h>

#include <functional>

#include "codecs/pictureshape.h"
#include "codecs/tagreader.h"
#include "codecs/tagtext.h"
#include "codecs/tagwriter.h"
#include "localization/constants.h"
#include "platform/error.h"
#include "support/fixtures.h"
#include "support/tagprobe.h"

namespace quillon {
namespace {

using namespace test;

const char* kMetadata =
    "-metadata title=Tïtle -metadata artist=Ärtist -metadata album=Albüm "
    "-metadata album_artist=Band -metadata date=2021-05-17 -metadata track=3/12 -metadata "
    "genre=Jazz "
    "-metadata comment=Cömment";

// A 16x16 PNG as FFmpeg makes it.
std::vector<uint8_t> PngCover(const TTempDir& dir) {
  const std::string path = dir.File("cover.png");
  MakeWithFfmpeg("-v error -f lavfi -i color=c=red:s=16x16:d=1 -frames:v 1", path);
  return ReadFileBytes(path);
}

TTags FullTags(std::vector<uint8_t> cover) {
  TTags tags{"Tïtle", "Ärtist", "Albüm", "Band", "2021-05-17", "3/12", "Jazz", "Cömment", {}};
  tags.cover = TCoverPicture{"image/png", "", std::move(cover)};
  return tags;
}

TagLib::ByteVector Bytes(const std::vector<uint8_t>& data) {
  return {reinterpret_cast<const char*>(data.data()), static_cast<unsigned int>(data.size())};
}

TagLib::FLAC::Picture* XiphPicture(const std::vector<uint8_t>& png) {
  auto* picture = new TagLib::FLAC::Picture;
  picture->setType(TagLib::FLAC::Picture::FrontCover);
  picture->setMimeType("image/png");
  picture->setData(Bytes(png));
  return picture;
}

// Covers where FFmpeg cannot write them, put there by TagLib directly.
void AddOggCover(const std::string& path, const std::vector<uint8_t>& png) {
  TagLib::Ogg::Vorbis::File file(path.c_str());
  file.tag()->addPicture(XiphPicture(png));
  ASSERT_TRUE(file.save());
}
void AddOpusCover(const std::string& path, const std::vector<uint8_t>& png) {
  TagLib::Ogg::Opus::File file(path.c_str());
  file.tag()->addPicture(XiphPicture(png));
  ASSERT_TRUE(file.save());
}
void AddWavCover(const std::string& path, const std::vector<uint8_t>& png) {
  TagLib::RIFF::WAV::File file(path.c_str());
  auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
  frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
  frame->setMimeType("image/png");
  frame->setPicture(Bytes(png));
  file.ID3v2Tag()->addFrame(frame);
  ASSERT_TRUE(file.save());
}
void AddWmaCover(const std::string& path, const std::vector<uint8_t>& png) {
  TagLib::ASF::File file(path.c_str());
  TagLib::ASF::Picture picture;
  picture.setType(TagLib::ASF::Picture::FrontCover);
  picture.setMimeType("image/png");
  picture.setPicture(Bytes(png));
  file.tag()->addAttribute("WM/Picture", TagLib::ASF::Attribute(picture));
  ASSERT_TRUE(file.save());
}

struct TSource {
  const char* extension;
  const char* codec;  // FFmpeg arguments for the audio
  bool ffmpegCover;   // FFmpeg attaches the cover itself
  std::function<void(const std::string&, const std::vector<uint8_t>&)> addCover;
};

const TSource kSources[] = {
    {"mp3", "", true, nullptr},      {"flac", "", true, nullptr},
    {"m4a", "", true, nullptr},      {"wav", "", false, AddWavCover},
    {"ogg", "", false, AddOggCover}, {"opus", "-c:a libopus", false, AddOpusCover},
    {"wma", "", false, AddWmaCover},
};

// A file of the source's format with every field and the cover, made by FFmpeg and, where it
// cannot write a cover, TagLib.
std::string MakeSource(const TTempDir& dir, const TSource& source,
                       const std::vector<uint8_t>& png) {
  const std::string path = dir.File(std::string("source.") + source.extension);
  const std::string tone = "-v error -f lavfi -i sine=f=440:d=0.5:r=44100 ";
  if (source.ffmpegCover)
    MakeWithFfmpeg(tone + "-i " + dir.File("cover.png") +
                       " -map 0 -map 1 -c:v copy -disposition:v attached_pic " + source.codec +
                       " " + kMetadata,
                   path);
  else
    MakeWithFfmpeg(tone + source.codec + " " + kMetadata, path);
  if (source.addCover) source.addCover(path, png);
  return path;
}

TEST(TagReader, ReadsEveryFieldAndTheCoverOfEverySourceFormat) {
  TTempDir dir;
  const std::vector<uint8_t> png = PngCover(dir);
  for (const TSource& source : kSources) {
    SCOPED_TRACE(source.extension);
    const TTagReading reading = ReadTags(MakeSource(dir, source, png));
    EXPECT_TRUE(reading.notices.empty());
    TTags expected = FullTags(png);
    // RIFF INFO has no album artist, and FFmpeg writes no id3 chunk.
    if (std::string(source.extension) == "wav") expected.albumArtist = {};
    EXPECT_EQ(reading.tags.title, expected.title);
    EXPECT_EQ(reading.tags.artist, expected.artist);
    EXPECT_EQ(reading.tags.album, expected.album);
    EXPECT_EQ(reading.tags.albumArtist, expected.albumArtist);
    EXPECT_EQ(reading.tags.year, expected.year);
    EXPECT_EQ(reading.tags.track, expected.track);
    EXPECT_EQ(reading.tags.genre, expected.genre);
    EXPECT_EQ(reading.tags.comment, expected.comment);
    ASSERT_TRUE(reading.tags.cover);
    EXPECT_EQ(reading.tags.cover->mimeType, "image/png");
    EXPECT_EQ(reading.tags.cover->data, png);
  }
}

struct TTarget {
  TSaveFormat format;
  const char* extension;
  const char* codec;
};

const TTarget kTargets[] = {
    {TSaveFormat::wav, "wav", ""},
    {TSaveFormat::mp3, "mp3", "-c:a libmp3lame"},
    {TSaveFormat::flac, "flac", ""},
    {TSaveFormat::vorbis, "ogg", ""},
    {TSaveFormat::opus, "opus", "-c:a libopus"},
};

// The samples FFmpeg decodes from a file, counted in bytes of 16-bit PCM.
long DecodedBytes(const std::string& path) {
  const std::string count =
      CommandOutput("ffmpeg -v error -i '" + path + "' -f s16le - 2>/dev/null | wc -c");
  return count.empty() ? -1 : std::atol(count.c_str());
}

TEST(TagWriter, FfprobeReadsEveryFieldAndTheCoverOfEveryTargetFormat) {
  if (!HaveFfprobe()) GTEST_SKIP() << "ffprobe is not installed";
  TTempDir dir;
  const std::vector<uint8_t> png = PngCover(dir);
  for (const TTarget& target : kTargets) {
    SCOPED_TRACE(target.extension);
    const std::string path = dir.File(std::string("target.") + target.extension);
    MakeWithFfmpeg("-v error -f lavfi -i sine=f=440:d=0.5:r=44100 -map_metadata -1 " +
                       std::string(target.codec),
                   path);
    const long before = DecodedBytes(path);
    const std::string encoder = ProbeTags(path).tags["encoder"];
    WriteTags(path, target.format, FullTags(png), path);
    TProbedTags probed = ProbeTags(path);
    // The encoder's name the muxer wrote stays, as it does when there are no tags to write.
    if (target.format != TSaveFormat::mp3) {
      EXPECT_EQ(probed.tags["encoder"], encoder);
    }
    // FFmpeg takes a WAV's texts from INFO alone once there is INFO, which has no album artist;
    // the id3 chunk beside it still gives the cover.
    const char* albumArtist = target.format == TSaveFormat::wav ? "(none)" : "Band";
    for (const auto& [key, value] :
         std::map<std::string, std::string>{{"title", "Tïtle"},
                                            {"artist", "Ärtist"},
                                            {"album", "Albüm"},
                                            {"album_artist", albumArtist},
                                            {"date", "2021-05-17"},
                                            {"track", "3/12"},
                                            {"genre", "Jazz"},
                                            {"comment", "Cömment"}})
      EXPECT_EQ(probed.tags.count(key) ? probed.tags.at(key) : "(none)", value) << key;
    EXPECT_EQ(probed.coverCodec, "png");
    // The tag goes before the audio and leaves its length (the MP3's Info frame) alone.
    EXPECT_EQ(DecodedBytes(path), before);
  }
}

// ---- Several values ----

// Two artists and two genres, put there by TagLib in the format's own way; ASF keeps one artist
// in its content description, and Windows Media Player the others as attributes.
void AddSeveralValues(const std::string& path) {
  TagLib::FileRef file(path.c_str());
  TagLib::PropertyMap map = file.file()->properties();
  auto two = [](const char* first, const char* second) {
    TagLib::StringList values(TagLib::String(first, TagLib::String::UTF8));
    values.append(TagLib::String(second, TagLib::String::UTF8));
    return values;
  };
  auto* asf = dynamic_cast<TagLib::ASF::File*>(file.file());
  if (!asf) map.replace("ARTIST", two("Ärtist", "Second"));
  map.replace("GENRE", two("Jazz", "Blues"));
  file.file()->setProperties(map);
  if (asf) asf->tag()->addAttribute("Author", TagLib::ASF::Attribute(TagLib::String("Second")));
  ASSERT_TRUE(file.save());
}

// What ffprobe reads of a file's tags once Quillon has read them from source and written them
// into a file of format.
std::map<std::string, std::string> CarriedOver(const std::string& source, const TTarget& target,
                                               const std::string& path) {
  MakeWithFfmpeg(
      "-v error -f lavfi -i sine=f=440:d=0.2:r=44100 -map_metadata -1 " + std::string(target.codec),
      path);
  WriteTags(path, target.format, ReadTags(source).tags, path);
  return ProbeTags(path).tags;
}

TEST(TagReader, KeepsEverySeveralValuesFromEveryFormatThatHasThem) {
  TTempDir dir;
  const std::vector<uint8_t> png = PngCover(dir);
  for (const TSource& source : kSources) {
    const std::string extension = source.extension;
    if (extension == "wav") continue;
    SCOPED_TRACE(extension);
    const std::string path = MakeSource(dir, source, png);
    AddSeveralValues(path);
    auto probed = CarriedOver(path, kTargets[2], dir.File("carried.flac"));
    EXPECT_EQ(probed["artist"], "Ärtist;Second");
    // TagLib writes ASF's values last first; they are read in the file's order.
    EXPECT_EQ(probed["genre"], extension == "wma" ? "Blues;Jazz" : "Jazz;Blues");
  }
}

TEST(TagWriter, SeveralValuesAFullDateAndATrackTotalSurviveTwoRoundsInEveryFormat) {
  if (!HaveFfprobe()) GTEST_SKIP() << "ffprobe is not installed";
  TTempDir dir;
  const std::vector<uint8_t> png = PngCover(dir);
  const std::string source = MakeSource(dir, kSources[1], png);
  AddSeveralValues(source);
  for (const TTarget& target : kTargets) {
    SCOPED_TRACE(target.extension);
    const std::string first = dir.File(std::string("first.") + target.extension);
    // ID3v2.3 and INFO hold one text a field; ID3v2.3 has several artists apart by slashes.
    const std::string format = target.extension;
    const char* separator = format == "mp3" ? "/" : format == "wav" ? "; " : ";";
    for (auto probed : {CarriedOver(source, target, first),
                        CarriedOver(first, kTargets[2], dir.File("second.flac"))}) {
      EXPECT_EQ(probed["artist"], std::string("Ärtist") + separator + "Second");
      EXPECT_EQ(probed["genre"], std::string("Jazz") + separator + "Blues");
      EXPECT_EQ(probed["date"], "2021-05-17");
      EXPECT_EQ(probed["track"], "3/12");
      // Read back from Quillon's own file, the second round writes a FLAC the same way.
      if (format != "mp3") separator = ";";
    }
  }
}

TPictureShape ShapeOfFirst(const TagLib::List<TagLib::FLAC::Picture*>& pictures) {
  if (pictures.isEmpty()) return {};
  const TagLib::FLAC::Picture& picture = *pictures.front();
  return {static_cast<uint32_t>(picture.width()), static_cast<uint32_t>(picture.height()),
          static_cast<uint32_t>(picture.colorDepth()), static_cast<uint32_t>(picture.numColors())};
}

// The shape the first picture block of a FLAC, Ogg Vorbis or Opus file records.
TPictureShape RecordedShape(const std::string& path, TSaveFormat format) {
  if (format == TSaveFormat::flac)
    return ShapeOfFirst(TagLib::FLAC::File(path.c_str()).pictureList());
  if (format == TSaveFormat::vorbis)
    return ShapeOfFirst(TagLib::Ogg::Vorbis::File(path.c_str()).tag()->pictureList());
  return ShapeOfFirst(TagLib::Ogg::Opus::File(path.c_str()).tag()->pictureList());
}

TEST(TagWriter, PictureBlocksRecordTheWidthHeightAndDepthOfTheirPicture) {
  TTempDir dir;
  const struct {
    const char* file;
    const char* pixels;
    TPictureShape shape;
  } pictures[] = {
      {"rgb.png", "rgb24", {16, 24, 24, 0}},
      {"rgba.png", "rgba", {16, 24, 32, 0}},
      {"palette.png", "pal8", {16, 24, 24, 256}},
      {"colour.jpg", "yuvj420p", {16, 24, 24, 0}},
  };
  const TTarget targets[] = {kTargets[2], kTargets[3], kTargets[4]};
  std::map<std::string, std::vector<uint8_t>> plain;
  for (const TTarget& target : targets) {
    const std::string path = dir.File(std::string("plain.") + target.extension);
    MakeWithFfmpeg("-v error -f lavfi -i sine=d=0.2 " + std::string(target.codec), path);
    plain[target.extension] = ReadFileBytes(path);
  }
  for (const auto& picture : pictures) {
    const std::string path = dir.File(picture.file);
    MakeWithFfmpeg("-v error -f lavfi -i color=c=red:s=16x24:d=1 -frames:v 1 -pix_fmt " +
                       std::string(picture.pixels),
                   path);
    TTags tags;
    tags.cover = TCoverPicture{ImageMimeTypeOf(ReadFileBytes(path)), "", ReadFileBytes(path)};
    for (const TTarget& target : targets) {
      SCOPED_TRACE(std::string(picture.file) + " in " + target.extension);
      const std::string saved = dir.File(std::string("covered.") + target.extension);
      WriteFileBytes(saved, plain[target.extension]);
      WriteTags(saved, target.format, tags, saved);
      EXPECT_EQ(RecordedShape(saved, target.format), picture.shape);
    }
  }
}

TEST(TagWriter, EmptyTagsLeaveTheFileAsItWas) {
  TTempDir dir;
  for (const TTarget& target : kTargets) {
    SCOPED_TRACE(target.extension);
    const std::string path = dir.File(std::string("plain.") + target.extension);
    MakeWithFfmpeg("-v error -f lavfi -i sine=f=440:d=0.2:r=44100 -map_metadata -1 " +
                       std::string(target.codec),
                   path);
    const std::vector<uint8_t> before = ReadFileBytes(path);
    WriteTags(path, target.format, TTags{}, path);
    EXPECT_EQ(ReadFileBytes(path), before);
  }
}

TEST(TagWriter, AFileTagLibCannotTakeIsAClearErrorNamingIt) {
  TTempDir dir;
  const std::string path = dir.File("broken.flac");
  WriteFileBytes(path, std::vector<uint8_t>(100, 0x55));
  try {
    WriteTags(path, TSaveFormat::flac, TTags{"Title", {}, {}, {}, {}, {}, {}, {}, {}},
              "/music/chosen.flac");
    ADD_FAILURE() << "no error";
  } catch (const Exception& error) {
    EXPECT_NE(std::string(error.what()).find(ConstantText("tagwriteerror")), std::string::npos);
    EXPECT_NE(std::string(error.what()).find("/music/chosen.flac"), std::string::npos);
    EXPECT_NE(std::string(error.what()).find(ConstantText("tagrefused")), std::string::npos);
  }
}

// ---- Hostile tags ----

std::vector<uint8_t> Id3Header(uint32_t size, uint8_t version = 3) {
  std::vector<uint8_t> bytes = {'I', 'D', '3', version, 0, 0};
  for (int shift : {21, 14, 7, 0}) bytes.push_back(static_cast<uint8_t>((size >> shift) & 0x7F));
  return bytes;
}

void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes) {
  to.insert(to.end(), bytes.begin(), bytes.end());
}

std::vector<uint8_t> Id3Frame(const char* id, uint32_t declared, const std::vector<uint8_t>& body) {
  std::vector<uint8_t> frame(id, id + 4);
  for (int shift : {24, 16, 8, 0}) frame.push_back(static_cast<uint8_t>(declared >> shift));
  frame.push_back(0), frame.push_back(0);
  Append(frame, body);
  return frame;
}

// An APIC frame holding a PNG signature followed by size bytes.
std::vector<uint8_t> ApicBody(size_t size) {
  std::vector<uint8_t> body = {0};
  for (char c : std::string("image/png")) body.push_back(c);
  body.push_back(0), body.push_back(3), body.push_back(0);
  Append(body, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A});
  body.resize(body.size() + size);
  return body;
}

std::vector<uint8_t> TitleBody(const std::string& text) {
  std::vector<uint8_t> body = {0};
  Append(body, std::vector<uint8_t>(text.begin(), text.end()));
  return body;
}

std::vector<uint8_t> Id3Tag(const std::vector<std::vector<uint8_t>>& frames, uint8_t version = 3) {
  std::vector<uint8_t> content;
  for (const auto& frame : frames) Append(content, frame);
  std::vector<uint8_t> tag = Id3Header(static_cast<uint32_t>(content.size()), version);
  Append(tag, content);
  return tag;
}

std::vector<uint8_t> BigEndian(uint32_t n, int bitsPerByte = 8) {
  std::vector<uint8_t> bytes;
  for (int i = 3; i >= 0; --i)
    bytes.push_back(static_cast<uint8_t>((n >> (i * bitsPerByte)) & ((1u << bitsPerByte) - 1)));
  return bytes;
}

// A frame whose body is zlib-packed after the size it declares unpacked: v2.3's compression
// flag, or v2.4's with its data length indicator, and unsynchronised when asked.
std::vector<uint8_t> PackedFrame(const char* id, uint32_t declared,
                                 const std::vector<uint8_t>& body, uint8_t version = 3,
                                 bool unsynchronised = false) {
  std::vector<uint8_t> packed(compressBound(body.size()));
  uLongf size = packed.size();
  compress2(packed.data(), &size, body.data(), body.size(), 9);
  packed.resize(size);
  const int bits = version == 3 ? 8 : 7;
  std::vector<uint8_t> data = BigEndian(declared, bits);
  for (uint8_t byte : packed) {
    data.push_back(byte);
    if (unsynchronised && byte == 0xFF) data.push_back(0);
  }
  std::vector<uint8_t> frame(id, id + 4);
  Append(frame, BigEndian(static_cast<uint32_t>(data.size()), bits));
  Append(frame, {0, static_cast<uint8_t>(version == 3 ? 0x80 : 0x09 | (unsynchronised ? 2 : 0))});
  Append(frame, data);
  return frame;
}

// A CHAP frame from 0 to 1000 ms holding embedded.
std::vector<uint8_t> Chapter(const std::vector<uint8_t>& embedded) {
  std::vector<uint8_t> body = {'c', '1', 0, 0, 0, 0, 0, 0, 0, 3, 0xE8};
  body.insert(body.end(), 8, 0xFF);
  Append(body, embedded);
  return Id3Frame("CHAP", static_cast<uint32_t>(body.size()), body);
}

struct THostile {
  const char* name;
  std::function<std::vector<uint8_t>()> tag;
  const char* notice;  // empty: none
  const char* title;   // what is still read
  bool flac = false;   // the bytes are a whole FLAC file rather than a tag before MP3 frames
};

// A FLAC head: STREAMINFO, then a picture block that declares 16 MB and holds 50 bytes.
std::vector<uint8_t> FlacWithLyingPicture() {
  std::vector<uint8_t> bytes = {'f', 'L', 'a', 'C', 0, 0, 0, 34};
  const std::vector<uint8_t> info = {0x10, 0, 0x10, 0, 0, 0, 0, 0, 0, 0, 0x0A, 0xC4, 0x40, 0xF0};
  Append(bytes, info);
  bytes.resize(8 + 34);
  Append(bytes, {0x86, 0xFF, 0xFF, 0xFF});
  bytes.resize(bytes.size() + 50);
  return bytes;
}

const THostile kHostile[] = {
    {"an ID3 size far beyond the file", [] { return Id3Header(0x0FFFFFFF); }, "tagskipped", ""},
    {"a frame that claims more than the tag holds",
     [] {
       return Id3Tag({Id3Frame("TIT2", 6, TitleBody("Title")), Id3Frame("TPE1", 1 << 27, {0})});
     },
     "", "Title"},
    {"a cover above the limit",
     [] {
       return Id3Tag({Id3Frame("TIT2", 6, TitleBody("Title")),
                      Id3Frame("APIC", static_cast<uint32_t>(ApicBody(kMaxCoverBytes).size()),
                               ApicBody(kMaxCoverBytes))});
     },
     "coverrefused", "Title"},
    {"a cover block above what a tag may hold",
     [] {
       const size_t huge = 24u << 20;
       return Id3Tag(
           {Id3Frame("TIT2", 6, TitleBody("Title")),
            Id3Frame("APIC", static_cast<uint32_t>(ApicBody(huge).size()), ApicBody(huge))});
     },
     "tagskipped", ""},
    {"a FLAC picture block that claims 16 MB", FlacWithLyingPicture, "tagskipped", "", true},
    {"a packed frame that unpacks to more than it declares",
     [] {
       return Id3Tag({Id3Frame("TIT2", 6, TitleBody("Title")),
                      PackedFrame("TPE1", 16, TitleBody(std::string(8u << 20, 'A')))});
     },
     "tagframerefused", "Title"},
    {"a packed frame that declares more than a tag may hold",
     [] {
       return Id3Tag({Id3Frame("TIT2", 6, TitleBody("Title")),
                      PackedFrame("TPE1", 200u << 20, TitleBody(std::string(1u << 16, 'A')))});
     },
     "tagframerefused", "Title"},
    {"a packed cover above what a cover may be",
     [] {
       const std::vector<uint8_t> body = ApicBody(24u << 20);
       return Id3Tag({Id3Frame("TIT2", 6, TitleBody("Title")),
                      PackedFrame("APIC", static_cast<uint32_t>(body.size()), body)});
     },
     "tagframerefused", "Title"},
    {"a v2.4 packed frame whose data length lies",
     [] { return Id3Tag({PackedFrame("TIT2", 16, TitleBody(std::string(8u << 20, 'A')), 4)}, 4); },
     "tagframerefused", ""},
    {"an unsynchronised v2.4 packed frame whose data length lies",
     [] {
       return Id3Tag({PackedFrame("TIT2", 16, TitleBody(std::string(8u << 20, 'A')), 4, true)}, 4);
     },
     "tagframerefused", ""},
    {"a chapter holding a packed frame that unpacks to more than it declares",
     [] {
       return Id3Tag({Id3Frame("TIT2", 6, TitleBody("Title")),
                      Chapter(PackedFrame("TIT2", 16, TitleBody(std::string(8u << 20, 'A'))))});
     },
     "tagframerefused", "Title"},
    {"a packed title within its limits",
     [] { return Id3Tag({PackedFrame("TIT2", 7, TitleBody("Packed"))}); }, "", "Packed"},
    {"text that is no UTF-8 in a UTF-8 frame",
     [] {
       return Id3Tag({Id3Frame("TIT2", 5, {3, 0xC3, 0x28, 0xFF, 'A'})});
     },
     "", nullptr},
};

// Audio to put behind a tag, so that the file is an MP3 whatever the tag says.
std::vector<uint8_t> Mp3Frames(const TTempDir& dir) {
  const std::string audio = dir.File("audio.mp3");
  MakeWithFfmpeg(
      "-v error -f lavfi -i sine=f=440:d=0.3:r=44100 -map_metadata -1 -write_xing 0 "
      "-id3v2_version 0",
      audio);
  return ReadFileBytes(audio);
}

TEST(TagReader, HostileTagsCostOneNoticeAtMost) {
  TTempDir dir;
  const std::vector<uint8_t> frames = Mp3Frames(dir);
  for (const THostile& hostile : kHostile) {
    SCOPED_TRACE(hostile.name);
    std::vector<uint8_t> bytes = hostile.tag();
    if (!hostile.flac) Append(bytes, frames);
    const std::string path = dir.File(hostile.flac ? "hostile.flac" : "hostile.mp3");
    WriteFileBytes(path, bytes);
    const TTagReading reading = ReadTags(path);
    if (*hostile.notice)
      EXPECT_EQ(reading.notices, std::vector<std::string>{ConstantText(hostile.notice)});
    else
      EXPECT_TRUE(reading.notices.empty());
    if (hostile.title) {
      EXPECT_EQ(reading.tags.title, hostile.title);
    }
    EXPECT_FALSE(reading.tags.cover);
    // Whatever was read is text the document can hold.
    for (char c : reading.tags.title.First()) EXPECT_NE(c, '\0');
  }
}

TEST(TagReader, KeepsLongTextsAndSaysWhenOneIsCut) {
  TTempDir dir;
  const std::vector<uint8_t> audio = Mp3Frames(dir);
  auto frame = [](const char* id, size_t bytes) {
    const std::vector<uint8_t> body = TitleBody(std::string(bytes, 'x'));
    return Id3Frame(id, static_cast<uint32_t>(body.size()), body);
  };
  const size_t most = kMaxTagTextBytes;
  const struct {
    const char* name;
    std::vector<std::vector<uint8_t>> frames;
    size_t titleBytes;
    bool cut;
  } rows[] = {
      {"a title of 20 KB", {frame("TIT2", 20000)}, 20000, false},
      {"a title above the limit of one", {frame("TIT2", most + 100)}, most, true},
      {"texts above the limit of all",
       {frame("TIT2", most), frame("TPE1", most), frame("TALB", most), frame("TPE2", most)},
       most,
       true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<uint8_t> bytes = Id3Tag(row.frames);
    Append(bytes, audio);
    WriteFileBytes(dir.File("long.mp3"), bytes);
    const TTagReading reading = ReadTags(dir.File("long.mp3"));
    EXPECT_EQ(reading.tags.title.First(), std::string(row.titleBytes, 'x'));
    EXPECT_EQ(reading.notices, row.cut ? std::vector<std::string>{ConstantText("tagtextcut")}
                                       : std::vector<std::string>{});
  }
}

TEST(TagText, CleaningKeepsLineBreaksAndCutsAtACharacter) {
  const struct {
    std::string in, out;
  } rows[] = {
      {std::string("a\0b\x01\x7F"
                   "c",
                   6),
       "abc"},
      {"line\nnext\tcol", "line\nnext\tcol"},
      {std::string(kMaxTagTextBytes - 1, 'x') + "\xC3\xA4", std::string(kMaxTagTextBytes - 1, 'x')},
  };
  for (const auto& row : rows) EXPECT_EQ(CleanTagText(row.in), row.out);
}

}  // namespace
}  // namespace quillon
