#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "codecs/bassdecoder.h"
#include "codecs/lameenc.h"
#include "codecs/mp3maker.h"
#include "codecs/mp3record.h"
#include "codecs/mp3settings.h"
#include "codecs/mp3testing.h"
#include "localization/constants.h"
#include "platform/error.h"
#include "platform/faults.h"
#include "support/fixtures.h"

namespace quillon {
namespace {

using namespace test;

TMp3Choice Choice(TMp3Mode mode, int bitrate, int maxBitrate, int quality, int average,
                  bool crc = false) {
  TMp3Choice c;
  c.mode = mode;
  c.bitratePosition = bitrate;
  c.maxBitratePosition = maxBitrate;
  c.qualityPosition = quality;
  c.averagePosition = average;
  c.crc = crc;
  return c;
}

// ---- Bitrate lists and the configuration record ----

TEST(Mp3Settings, BitrateAtMatchesTheListsAndClamps) {
  for (uint32_t rate : {8000u, 11025u, 16000u, 22050u, 32000u, 44100u, 48000u}) {
    std::vector<int> offered = OfferedBitrates(rate);
    for (size_t i = 0; i < offered.size(); ++i)
      EXPECT_EQ(BitrateAt(rate, static_cast<int>(i)), offered[i]) << rate << " " << i;
    EXPECT_EQ(BitrateAt(rate, -5), offered.front()) << rate;
    EXPECT_EQ(BitrateAt(rate, 14), offered.back()) << rate;
    EXPECT_EQ(BitrateAt(rate, 1000), offered.back()) << rate;
  }
  for (int position : {-1, 0, 3, 13, 99})
    EXPECT_EQ(BitrateAt(96000, position), BitrateAt(48000, position)) << position;
}

// The record a save with the choice hands the encoder.
TMp3Record Record(const TMp3Choice& choice, uint32_t rate, uint16_t channels) {
  return UnpackMp3Record(MakeMp3Config(choice, rate, channels));
}

TEST(Mp3Settings, RecordMembers) {
  // Fixed members; resample, psychoacoustic model, emphasis, private, copyright, no-reservoir,
  // strict ISO and the reserved tail stay zero.
  const TMp3Config block = MakeMp3Config(Choice(TMp3Mode::Cbr, 0, 0, 0, 0), 44100, 2);
  TMp3Record fixed;
  fixed.config = 256;
  fixed.structVersion = 1;
  fixed.structSize = 331;
  fixed.sampleRate = 44100;
  fixed.bitrate = 320;
  fixed.maxBitrate = 320;
  fixed.preset = 12;
  fixed.mpegVersion = 1;
  fixed.original = true;
  fixed.vbrQuality = 8;
  fixed.vbrMethod = -1;
  fixed.quality = 5;
  EXPECT_TRUE(UnpackMp3Record(block) == fixed);
  // Nothing outside the members, and flags as the record stores them.
  EXPECT_EQ(PackMp3Record(UnpackMp3Record(block)), block);

  TMp3Record r = Record(Choice(TMp3Mode::Cbr, 3, 1, 4, 2, true), 44100, 2);
  EXPECT_EQ(r.bitrate, 192u);
  EXPECT_EQ(r.maxBitrate, 256u);
  EXPECT_EQ(r.preset, 12);
  EXPECT_EQ(r.mpegVersion, 1u);
  EXPECT_TRUE(r.crc);
  EXPECT_FALSE(r.writeVbrHeader);
  EXPECT_FALSE(r.enableVbr);
  EXPECT_EQ(r.abrBps, 0u);
  EXPECT_EQ(r.vbrMethod, -1);
  EXPECT_FALSE(Record(Choice(TMp3Mode::Cbr, 3, 1, 4, 2, false), 44100, 2).crc);

  r = Record(Choice(TMp3Mode::Vbr, 13, 0, 3, 5), 44100, 2);
  EXPECT_EQ(r.vbrQuality, 5);
  EXPECT_TRUE(r.writeVbrHeader);
  EXPECT_TRUE(r.enableVbr);
  EXPECT_EQ(r.preset, -1);
  EXPECT_EQ(r.vbrMethod, 0);
  EXPECT_EQ(r.abrBps, 0u);
  EXPECT_EQ(r.bitrate, 32u);
  EXPECT_EQ(r.maxBitrate, 320u);

  // The header member says VBR only; the encoder writes its Info frame in every mode anyway.
  r = Record(Choice(TMp3Mode::Abr, 13, 0, 0, 3), 44100, 2);
  EXPECT_EQ(r.abrBps, 192000u);
  EXPECT_EQ(r.vbrMethod, 4);
  EXPECT_EQ(r.preset, 11);
  EXPECT_FALSE(r.writeVbrHeader);
  EXPECT_TRUE(r.enableVbr);
  // ABR keeps the lists' own bitrates, even when they exclude the target: the encoder copes.
  r = Record(Choice(TMp3Mode::Abr, 0, 13, 0, 5), 44100, 2);
  EXPECT_EQ(r.bitrate, 320u);
  EXPECT_EQ(r.maxBitrate, 32u);
  EXPECT_EQ(r.abrBps, 128000u);
}

TEST(Mp3Settings, ChannelsRatesAndQuality) {
  TMp3Choice cbr = Choice(TMp3Mode::Cbr, 0, 0, 0, 0);
  EXPECT_EQ(Record(cbr, 44100, 1).mode, 3);
  EXPECT_EQ(Record(cbr, 44100, 2).mode, 0);
  const TMp3Record low = Record(cbr, 11025, 1);
  EXPECT_EQ(low.bitrate, 64u);
  EXPECT_EQ(low.mpegVersion, 0u);
  EXPECT_EQ(low.resampleRate, 0u);
  EXPECT_EQ(Record(cbr, 32000, 2).mpegVersion, 1u);
  EXPECT_EQ(Record(cbr, 22050, 2).mpegVersion, 0u);
  // A rate MP3 lacks: the record asks for the rate the MP3 gets, with that rate's bitrates.
  for (int position : {0, 5, 13}) {
    const uint32_t kbps = static_cast<uint32_t>(BitrateAt(48000, position));
    const TMp3Record r = Record(Choice(TMp3Mode::Abr, position, position, 0, position), 96000, 2);
    EXPECT_EQ(r.sampleRate, 96000u) << position;
    EXPECT_EQ(r.resampleRate, 48000u) << position;
    EXPECT_EQ(r.mpegVersion, 1u) << position;
    EXPECT_EQ(r.bitrate, kbps) << position;
    EXPECT_EQ(r.maxBitrate, kbps) << position;
    EXPECT_EQ(r.abrBps, kbps * 1000) << position;
  }

  // The encoder's VBR quality runs 0..9, best first; the last position goes one past its best.
  const int expected[] = {8, 8, 7, 6, 5, 4, 3, 2, 1, 0, -1, -1};
  for (int position = -1; position <= 10; ++position)
    EXPECT_EQ(Record(Choice(TMp3Mode::Vbr, 0, 0, position, 0), 44100, 2).vbrQuality,
              expected[position + 1])
        << position;
}

// ---- The encoder layer ----

TEST(Mp3Encoder, ChunkAndBufferSizes) {
  struct TCase {
    uint32_t rate;
    uint16_t channels;
    uint32_t chunk;
  };
  // MPEG-1 frames hold 1152 samples a channel, MPEG-2 and 2.5 frames 576.
  const TCase cases[] = {{44100, 2, 2304}, {48000, 1, 1152}, {22050, 1, 576},
                         {16000, 2, 1152}, {11025, 1, 576},  {8000, 2, 1152}};
  for (const TCase& c : cases) {
    THbeStream stream = nullptr;
    uint32_t chunk = 0, buffer = 0;
    TMp3Config config = MakeMp3Config(Choice(TMp3Mode::Cbr, 1, 0, 0, 0), c.rate, c.channels);
    ASSERT_EQ(beInitStream(config, chunk, buffer, stream), 0u) << c.rate;
    EXPECT_EQ(chunk, c.chunk) << c.rate;
    EXPECT_EQ(buffer, static_cast<uint32_t>(1.25 * (chunk / c.channels) + 7200)) << c.rate;
    EXPECT_EQ(beCloseStream(stream), 0u);
  }
}

TEST(Mp3Encoder, BadInputGivesCodes) {
  TMp3Config good = MakeMp3Config(Choice(TMp3Mode::Vbr, 0, 0, 0, 0), 44100, 2);
  auto init = [](const TMp3Config& config) {
    THbeStream stream = reinterpret_cast<TLameStream*>(uintptr_t{8});  // must be reset
    uint32_t chunk = 9, buffer = 9;
    uint32_t code = beInitStream(config, chunk, buffer, stream);
    if (code == 0) beCloseStream(stream);
    EXPECT_TRUE(code == 0 || (stream == nullptr && chunk == 0));
    return code;
  };
  EXPECT_EQ(init(good), 0u);
  EXPECT_EQ(init(MakeMp3Config(TMp3Choice{}, 0, 2)), kBeErrInvalidFormatParameters);
  EXPECT_EQ(init(MakeMp3Config(TMp3Choice{}, 5000000, 2)), kBeErrInvalidFormatParameters);
  // Kind (the older MP3-only layout), version, size, channel mode, VBR method.
  struct TPatch {
    void (*spoil)(TMp3Record&);
    uint32_t code;
  };
  const TPatch patches[] = {
      {[](TMp3Record& r) { r.config = 0; }, kBeErrInvalidFormat},
      {[](TMp3Record& r) { r.structVersion = 7; }, kBeErrInvalidFormatParameters},
      {[](TMp3Record& r) { r.structSize = 263; }, kBeErrInvalidFormatParameters},
      {[](TMp3Record& r) { r.mode = 7; }, kBeErrInvalidFormatParameters},
      {[](TMp3Record& r) { r.vbrMethod = 7; }, kBeErrInvalidFormatParameters}};
  for (size_t i = 0; i < std::size(patches); ++i) {
    TMp3Record bad = UnpackMp3Record(good);
    patches[i].spoil(bad);
    EXPECT_EQ(init(PackMp3Record(bad)), patches[i].code) << i;
  }

  uint8_t out[16];
  int16_t pcm[4] = {};
  uint32_t bytes = 7;
  std::vector<uint8_t> frame(3);
  EXPECT_EQ(beEncodeChunk(nullptr, 4, pcm, out, bytes), kBeErrInvalidHandle);
  EXPECT_EQ(bytes, 0u);
  EXPECT_EQ(beDeinitStream(nullptr, out, bytes), kBeErrInvalidHandle);
  EXPECT_EQ(beGetVBRHeaderFrame(nullptr, frame), kBeErrInvalidHandle);
  EXPECT_TRUE(frame.empty());
  EXPECT_EQ(beCloseStream(nullptr), kBeErrInvalidHandle);

  // More than a chunk, or no samples: refused rather than overrunning the output.
  THbeStream stream = nullptr;
  uint32_t chunk = 0, buffer = 0;
  ASSERT_EQ(beInitStream(MakeMp3Config(TMp3Choice{}, 44100, 1), chunk, buffer, stream), 0u);
  std::vector<int16_t> many(chunk * 2);
  std::vector<uint8_t> output(buffer);
  EXPECT_EQ(beEncodeChunk(stream, chunk + 1, many.data(), output.data(), bytes),
            kBeErrInvalidFormatParameters);
  EXPECT_EQ(beEncodeChunk(stream, 4, nullptr, output.data(), bytes), kBeErrInvalidFormatParameters);
  EXPECT_EQ(beEncodeChunk(stream, chunk, many.data(), output.data(), bytes), 0u);
  EXPECT_EQ(beCloseStream(stream), 0u);
}

// Records the dialog can produce but the encoder copes with badly: an ABR minimum above the
// maximum (the encoder's own check would stop the program) and a rate far below the lowest MPEG
// rate (upsampled output larger than a chunk's usual worst case).
TEST(Mp3Encoder, OddRecordsStillEncode) {
  struct TCase {
    TMp3Choice choice;
    uint32_t rate;
    uint16_t channels;
  };
  const TCase cases[] = {{Choice(TMp3Mode::Abr, 0, 13, 0, 6), 44100, 2},
                         {Choice(TMp3Mode::Abr, 2, 9, 0, 0), 22050, 1},
                         {Choice(TMp3Mode::Vbr, 0, 13, 9, 0), 48000, 2},
                         {Choice(TMp3Mode::Cbr, 0, 0, 0, 0), 500, 1},
                         {Choice(TMp3Mode::Vbr, 0, 0, 0, 0), 500, 2}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.rate);
    THbeStream stream = nullptr;
    uint32_t chunk = 0, buffer = 0;
    ASSERT_EQ(beInitStream(MakeMp3Config(c.choice, c.rate, c.channels), chunk, buffer, stream), 0u);
    std::vector<int16_t> pcm(chunk);
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<int16_t>((i * 7919) % 30000);
    std::vector<uint8_t> out(buffer);
    uint32_t bytes = 0, total = 0;
    for (int i = 0; i < 40; ++i) {
      ASSERT_EQ(beEncodeChunk(stream, chunk, pcm.data(), out.data(), bytes), 0u) << i;
      total += bytes;
    }
    ASSERT_EQ(beDeinitStream(stream, out.data(), bytes), 0u);
    EXPECT_GT(total + bytes, 0u);
    EXPECT_EQ(beCloseStream(stream), 0u);
  }
}

// An average bitrate whose bounds leave the encoder a single bitrate: the encoder's own check
// used to stop the program on this input.
TEST(Mp3Encoder, AverageHeldToOneBitrateStillEncodes) {
  TTempDir dir;
  const size_t frames = 57337;
  const std::string mp3 = dir.File("out.mp3");
  const TMp3Choice pinned = Choice(TMp3Mode::Abr, 13, 13, 0, 13);  // 32, 32 and 32 kbit/s
  EncodeMp3(mp3, MakeMp3Config(pinned, 44100, 2), MusicSamples(44100, 2, frames));
  EXPECT_EQ(FfmpegFrames(mp3, 2), frames);
}

// ---- Whole files ----

struct TProbe {
  uint32_t rate = 0;
  uint32_t channels = 0;
  int64_t bitRate = 0;
  double duration = 0;
};

TProbe Probe(const std::string& path) {
  TProbe probe;
  std::string command =
      "ffprobe -v error -show_entries stream=sample_rate,channels,bit_rate "
      "-show_entries format=duration -of default=nw=1 '" +
      path + "'";
  std::map<std::string, std::string> values;
  std::istringstream lines(test::CheckedOutput(command));
  for (std::string text; std::getline(lines, text);) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    size_t eq = text.find('=');
    if (eq != std::string::npos) values[text.substr(0, eq)] = text.substr(eq + 1);
  }
  try {
    probe.rate = static_cast<uint32_t>(std::stoul(values.at("sample_rate")));
    probe.channels = static_cast<uint32_t>(std::stoul(values.at("channels")));
    probe.bitRate = std::stoll(values.at("bit_rate"));
    probe.duration = std::stod(values.at("duration"));
  } catch (const std::exception&) {
    ADD_FAILURE() << "unexpected ffprobe output for " << path;
  }
  return probe;
}

// A 440 Hz sine through a WAV file, as the editor's working copy would hold it.
std::vector<int16_t> SineSamples(const TTempDir& dir, uint32_t rate, uint16_t channels,
                                 size_t frames) {
  std::vector<int16_t> samples(frames * channels);
  for (size_t i = 0; i < frames; ++i)
    for (uint16_t ch = 0; ch < channels; ++ch)
      samples[i * channels + ch] = static_cast<int16_t>(
          std::lround(12000 * std::sin(2 * M_PI * (440.0 + 220 * ch) * double(i) / rate)));
  std::string wav = dir.File("source.wav");
  WriteWav16(wav, channels, rate, samples);
  return ReadWav16Samples(wav);
}

// Full chunks, then the remainder (possibly empty), then the flush: the save's own sequence.
void EncodeInChunks(MP3writer& writer, const std::vector<int16_t>& samples, uint32_t chunk) {
  size_t done = 0;
  while (samples.size() - done >= chunk) {
    writer.EncodeChunk(samples.data() + done, chunk * 2);
    done += chunk;
  }
  writer.EncodeChunk(samples.data() + done, static_cast<uint32_t>((samples.size() - done) * 2));
  writer.Finish();
}

bool Contains(const std::vector<uint8_t>& bytes, size_t limit, const std::string& text) {
  auto end = bytes.begin() + static_cast<std::ptrdiff_t>(std::min(limit, bytes.size()));
  return std::search(bytes.begin(), end, text.begin(), text.end()) != end;
}

struct TEncoded {
  TProbe probe;
  std::vector<uint8_t> bytes;
  double sourceSeconds = 0;
  uint32_t chunk = 0;
};

TEncoded Encode(const TTempDir& dir, const TMp3Choice& choice, uint32_t rate, uint16_t channels,
                size_t frames) {
  TEncoded e;
  std::vector<int16_t> samples = SineSamples(dir, rate, channels, frames);
  std::string path = dir.File("out.mp3");
  {
    MP3writer writer(path, e.chunk, MakeMp3Config(choice, rate, channels));
    EXPECT_GT(e.chunk, 0u);
    if (e.chunk == 0) return e;
    EncodeInChunks(writer, samples, e.chunk);
  }
  e.probe = Probe(path);
  e.bytes = ReadFileBytes(path);
  e.sourceSeconds = double(frames) / rate;
  EXPECT_EQ(e.probe.rate, rate);
  EXPECT_EQ(e.probe.channels, channels);
  // One frame of slack plus the encoder's delay (576 + 529 samples).
  EXPECT_NEAR(e.probe.duration, e.sourceSeconds, (1152.0 + 1105.0) / rate);
  // Audio starts at the first byte: a frame sync, no ID3 tag.
  EXPECT_GE(e.bytes.size(), 4u);
  if (e.bytes.size() >= 4) {
    EXPECT_EQ(e.bytes[0], 0xFF);
    EXPECT_EQ(e.bytes[1] & 0xE0, 0xE0);
  }
  return e;
}

// The first frame is the finished VBR header: a Xing or Info tag with a frame count, and the
// encoder's LAME extension.
void ExpectHeaderFrame(const std::vector<uint8_t>& bytes) {
  const size_t firstFrame = 400;
  bool xing = Contains(bytes, firstFrame, "Xing");
  bool info = Contains(bytes, firstFrame, "Info");
  ASSERT_TRUE(xing || info);
  EXPECT_TRUE(Contains(bytes, firstFrame, "LAME"));
  std::string tag = xing ? "Xing" : "Info";
  auto at = std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end()) - bytes.begin();
  ASSERT_LT(static_cast<size_t>(at) + 12, bytes.size());
  uint32_t flags = uint32_t{bytes[at + 7]};
  ASSERT_TRUE(flags & 1) << "no frame count";
  uint32_t count = uint32_t{bytes[at + 8]} << 24 | uint32_t{bytes[at + 9]} << 16 |
                   uint32_t{bytes[at + 10]} << 8 | bytes[at + 11];
  EXPECT_GT(count, 10u);
}

TEST(Mp3Writer, CbrStereoWithChecksum) {
  TTempDir dir;
  TEncoded e = Encode(dir, Choice(TMp3Mode::Cbr, 3, 0, 0, 0, true), 44100, 2, 44100 * 5 / 2);
  EXPECT_EQ(e.probe.bitRate, 192000);
  ASSERT_GE(e.bytes.size(), 4u);
  EXPECT_EQ(e.bytes[1] & 0x01, 0) << "protection bit: CRC expected";
  ExpectHeaderFrame(e.bytes);

  TEncoded plain = Encode(dir, Choice(TMp3Mode::Cbr, 3, 0, 0, 0, false), 44100, 2, 44100);
  ASSERT_GE(plain.bytes.size(), 4u);
  EXPECT_EQ(plain.bytes[1] & 0x01, 1) << "no CRC expected";
}

TEST(Mp3Writer, VbrMono22050) {
  TTempDir dir;
  TEncoded e = Encode(dir, Choice(TMp3Mode::Vbr, 13, 0, 3, 0), 22050, 1, 22050 * 2);
  EXPECT_EQ(e.chunk, 576u);
  ExpectHeaderFrame(e.bytes);
}

TEST(Mp3Writer, Abr44100) {
  TTempDir dir;
  TEncoded e = Encode(dir, Choice(TMp3Mode::Abr, 13, 0, 0, 5), 44100, 2, 44100 * 2);
  ExpectHeaderFrame(e.bytes);
  // Near its 128 kbit/s target, far from the bounds.
  EXPECT_GT(e.probe.bitRate, 64000);
  EXPECT_LT(e.probe.bitRate, 256000);
}

TEST(Mp3Writer, AbrWithTheDialogsFirstBitrateStillAimsAtItsTarget) {
  TTempDir dir;
  TEncoded e = Encode(dir, Choice(TMp3Mode::Abr, 0, 0, 0, 5), 44100, 2, 44100 * 2);  // target 128
  EXPECT_LT(e.probe.bitRate, 250000) << "the 320 kbit/s minimum must not override the target";
}

TEST(Mp3Writer, LowRateMono) {
  TTempDir dir;
  TEncoded e = Encode(dir, Choice(TMp3Mode::Cbr, 4, 0, 0, 0), 11025, 1, 11025 * 2);
  EXPECT_EQ(e.probe.bitRate, 32000);
}

TEST(Mp3Writer, ExactMultipleOfTheChunkEndsWithAnEmptyChunk) {
  TTempDir dir;
  // 2304 samples a chunk for 44100 stereo: 40 chunks exactly.
  TEncoded e = Encode(dir, Choice(TMp3Mode::Vbr, 13, 0, 5, 0), 44100, 2, 1152 * 40);
  EXPECT_EQ(e.chunk, 2304u);
  ExpectHeaderFrame(e.bytes);
}

TEST(Mp3Writer, InvalidRecordFailsConstruction) {
  TTempDir dir;
  uint32_t chunk = 99;
  try {
    MP3writer writer(dir.File("bad.mp3"), chunk, MakeMp3Config(TMp3Choice{}, 0, 2));
    FAIL() << "no exception";
  } catch (const Exception& error) {
    std::string message = error.what();
    EXPECT_EQ(message.rfind("Error opening encoding stream", 0), 0u) << message;
    EXPECT_EQ(message, ConstantText("streamerror") + std::to_string(kBeErrInvalidFormatParameters));
  }
  EXPECT_EQ(chunk, 0u);
}

TEST(Mp3Writer, UncreatableFileThrows) {
  TTempDir dir;
  uint32_t chunk = 0;
  EXPECT_THROW(MP3writer(dir.File("missing/x.mp3"), chunk, MakeMp3Config(TMp3Choice{}, 44100, 2)),
               Exception);
}

struct TFaultGuard {
  ~TFaultGuard() { ClearFaults(); }
};

// The writer buffers, so an injected failure surfaces from a later chunk or from Finish; either
// way as a write error with the system's reason, never as a finished file. The second write is
// the VBR header's.
TEST(Mp3Writer, WriteFailureThrows) {
  for (int nth : {1, 2}) {
    TTempDir dir;
    std::vector<int16_t> samples = SineSamples(dir, 44100, 2, 44100 * 2);
    uint32_t chunk = 0;
    TFaultGuard guard;
    TMp3Choice vbr = Choice(TMp3Mode::Vbr, 13, 0, 5, 0);
    MP3writer writer(dir.File("out.mp3"), chunk, MakeMp3Config(vbr, 44100, 2));
    FailNth(TFault::Write, nth);
    try {
      EncodeInChunks(writer, samples, chunk);
      ADD_FAILURE() << "no exception for write " << nth;
    } catch (const Exception& error) {
      std::string message = error.what();
      EXPECT_EQ(message.rfind(ConstantText("writeerror"), 0), 0u) << message;
    }
    EXPECT_THROW(writer.Finish(), Exception);
  }
}

TEST(Mp3Writer, NoUseAfterFinishAndNoFinishNeeded) {
  TTempDir dir;
  uint32_t chunk = 0;
  std::vector<int16_t> samples(4096);
  {
    MP3writer writer(dir.File("a.mp3"), chunk, MakeMp3Config(TMp3Choice{}, 44100, 2));
    writer.EncodeChunk(samples.data(), chunk * 2);
    writer.Finish();
    EXPECT_THROW(writer.EncodeChunk(samples.data(), chunk * 2), Exception);
    EXPECT_THROW(writer.Finish(), Exception);
  }
  {
    // Destroyed mid-stream: releases everything without throwing.
    MP3writer writer(dir.File("b.mp3"), chunk, MakeMp3Config(TMp3Choice{}, 44100, 2));
    writer.EncodeChunk(samples.data(), chunk * 2);
  }
  EXPECT_THROW(
      {
        MP3writer writer(dir.File("c.mp3"), chunk, MakeMp3Config(TMp3Choice{}, 44100, 2));
        writer.EncodeChunk(samples.data(), (chunk + 2) * 2);
      },
      Exception);
}

// ---- Output rate and channel mode as the record says ----

struct TFrameHeader {
  uint32_t rate = 0;
  int mode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
  int kbps = 0;
};

// The headers of every layer III frame of a file without tags, walked by their lengths.
std::vector<TFrameHeader> FrameHeaders(const std::vector<uint8_t>& bytes) {
  static const int kKbps1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
  static const int kKbps2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
  static const uint32_t kRates[3] = {44100, 48000, 32000};
  std::vector<TFrameHeader> headers;
  size_t at = 0;
  while (at + 4 <= bytes.size()) {
    const uint8_t* h = bytes.data() + at;
    int version = (h[1] >> 3) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    int rateIndex = (h[2] >> 2) & 3;
    int bitrateIndex = h[2] >> 4;
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0 || version == 1 || ((h[1] >> 1) & 3) != 1 ||
        rateIndex == 3 || bitrateIndex == 0 || bitrateIndex == 15) {
      ADD_FAILURE() << "no frame header at " << at;
      break;
    }
    uint32_t rate = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    int kbps = version == 3 ? kKbps1[bitrateIndex] : kKbps2[bitrateIndex];
    size_t length = (version == 3 ? 144000 : 72000) * size_t(kbps) / rate + ((h[2] >> 1) & 1);
    headers.push_back({rate, h[3] >> 6, kbps});
    at += length;
  }
  return headers;
}

size_t DecodedFrames(const TTempDir& dir, const std::string& mp3, uint16_t channels) {
  TBASSDecoder decoder(mp3, dir.File("decoded.wav"));
  std::atomic<int32_t> progress{0};
  EXPECT_TRUE(decoder.Ready() && decoder.Decode(progress));
  return static_cast<size_t>(decoder.BytesWritten()) / (2u * channels);
}

// Every quality and the lowest bitrates the dialog offers keep the document's rate (the encoder
// left alone drops to 24 or 32 kHz), and decode to the document's exact length.
TEST(Mp3Writer, KeepsTheDocumentsRateForEveryChoice) {
  const size_t frames = 44100 + 1234;
  for (uint32_t rate : {44100u, 48000u}) {
    std::vector<TMp3Choice> choices = {Choice(TMp3Mode::Cbr, 13, 0, 0, 0),
                                       Choice(TMp3Mode::Abr, 13, 13, 0, 13)};
    for (int quality = 0; quality <= 9; ++quality)
      choices.push_back(Choice(TMp3Mode::Vbr, 13, 0, quality, 0));
    for (const TMp3Choice& choice : choices) {
      SCOPED_TRACE(testing::Message() << rate << " Hz, mode " << int(choice.mode) << ", quality "
                                      << choice.qualityPosition);
      TTempDir dir;
      TEncoded e = Encode(dir, choice, rate, 2, frames);
      for (const TFrameHeader& header : FrameHeaders(e.bytes)) ASSERT_EQ(header.rate, rate);
      EXPECT_EQ(DecodedFrames(dir, dir.File("out.mp3"), 2), frames);
    }
  }
}

// Two channels are stereo in the record, and every frame says so: no preset turns them into
// joint stereo.
TEST(Mp3Writer, StereoFramesAreStereoInEveryMode) {
  for (TMp3Mode mode : {TMp3Mode::Cbr, TMp3Mode::Vbr, TMp3Mode::Abr}) {
    SCOPED_TRACE(int(mode));
    TTempDir dir;
    TEncoded e = Encode(dir, Choice(mode, 5, 0, 4, 5), 44100, 2, 44100);
    std::vector<TFrameHeader> headers = FrameHeaders(e.bytes);
    ASSERT_GT(headers.size(), 30u);
    for (const TFrameHeader& header : headers) ASSERT_EQ(header.mode, 0);
  }
  TTempDir dir;
  for (const TFrameHeader& header :
       FrameHeaders(Encode(dir, Choice(TMp3Mode::Cbr, 5, 0, 0, 0), 44100, 1, 44100).bytes))
    ASSERT_EQ(header.mode, 3);
}

// ---- Exact length ----

constexpr uint32_t kMp3Rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

// One choice per mode, the bitrate lists at their middle; VBR and ABR from the lowest floor.
TMp3Choice ChoiceFor(TMp3Mode mode, uint32_t rate) {
  const int lowest = static_cast<int>(OfferedBitrates(rate).size()) - 1;
  switch (mode) {
    case TMp3Mode::Cbr:
      return Choice(TMp3Mode::Cbr, 4, 0, 0, 0);
    case TMp3Mode::Vbr:
      return Choice(TMp3Mode::Vbr, lowest, 0, 4, 0);
    case TMp3Mode::Abr:
      return Choice(TMp3Mode::Abr, lowest, 0, 0, 3);
  }
  return {};
}

const char* ModeName(TMp3Mode mode) {
  return mode == TMp3Mode::Cbr ? "CBR" : mode == TMp3Mode::Vbr ? "VBR" : "ABR";
}

// The first frame tells decoders the encoder's delay and padding, so what they give back is the
// document, not the document plus 1105 samples in front and up to a frame behind.
TEST(Mp3Length, EveryModeRateAndChannelCountDecodesToTheDocumentsLength) {
  for (TMp3Mode mode : {TMp3Mode::Cbr, TMp3Mode::Vbr, TMp3Mode::Abr}) {
    for (uint32_t rate : {8000u, 22050u, 32000u, 44100u, 48000u}) {
      for (uint16_t channels : {uint16_t{1}, uint16_t{2}}) {
        SCOPED_TRACE(testing::Message()
                     << ModeName(mode) << ", " << rate << " Hz, " << channels << " channels");
        TTempDir dir;
        const size_t frames = rate * 3 / 4 + 37;
        const std::string mp3 = dir.File("out.mp3");
        EncodeMp3(mp3, MakeMp3Config(ChoiceFor(mode, rate), rate, channels),
                  MusicSamples(rate, channels, frames));
        EXPECT_EQ(FfmpegFrames(mp3, channels), frames);
        EXPECT_EQ(DecodedFrames(dir, mp3, channels), frames);
      }
    }
  }
}

// Open, save, open again: five rounds of one file keep its length.
TEST(Mp3Length, FiveOpenSaveRoundsKeepTheLength) {
  for (TMp3Mode mode : {TMp3Mode::Cbr, TMp3Mode::Vbr, TMp3Mode::Abr}) {
    SCOPED_TRACE(ModeName(mode));
    TTempDir dir;
    const uint32_t rate = 44100;
    const size_t frames = 57337;
    const std::string mp3 = dir.File("round.mp3");
    std::vector<int16_t> samples = MusicSamples(rate, 2, frames);
    for (int round = 1; round <= 5; ++round) {
      SCOPED_TRACE(round);
      EncodeMp3(mp3, MakeMp3Config(ChoiceFor(mode, rate), rate, 2), samples);
      ASSERT_EQ(FfmpegFrames(mp3, 2), frames);
      TBASSDecoder decoder(mp3, dir.File("opened.wav"));
      std::atomic<int32_t> progress{0};
      ASSERT_TRUE(decoder.Ready() && decoder.Decode(progress));
      samples = ReadWav16Samples(dir.File("opened.wav"));
      ASSERT_EQ(samples.size(), frames * 2);
    }
  }
}

// ---- Bitrates the encoder honours ----

// What the encoder writes at each rate: the MPEG-1, MPEG-2 and MPEG-2.5 tables (the last is the
// MPEG-2 table up to 64 kbit/s). Every audio frame after the Info frame carries the chosen
// bitrate, and the length is exact also where a frame is too small to hold the Info frame.
TEST(Mp3Settings, EveryOfferedBitrateIsTheOneEveryFrameCarries) {
  const std::vector<int> mpeg1 = {320, 256, 224, 192, 160, 128, 112, 96, 80, 64, 56, 48, 40, 32};
  const std::vector<int> mpeg2 = {160, 144, 128, 112, 96, 80, 64, 56, 48, 40, 32, 24, 16, 8};
  const std::vector<int> mpeg25 = {64, 56, 48, 40, 32, 24, 16, 8};
  for (uint32_t rate : kMp3Rates) {
    const std::vector<int> offered = OfferedBitrates(rate);
    EXPECT_EQ(offered, rate >= 32000 ? mpeg1 : rate >= 16000 ? mpeg2 : mpeg25) << rate;
    for (size_t position = 0; position < offered.size(); ++position) {
      for (uint16_t channels : {uint16_t{1}, uint16_t{2}}) {
        SCOPED_TRACE(testing::Message() << rate << " Hz, " << offered[position] << " kbit/s, "
                                        << channels << " channels");
        TTempDir dir;
        const std::string mp3 = dir.File("out.mp3");
        const size_t frames = rate / 5 + 11;
        const TMp3Choice cbr = Choice(TMp3Mode::Cbr, static_cast<int>(position), 0, 0, 0);
        EncodeMp3(mp3, MakeMp3Config(cbr, rate, channels), MusicSamples(rate, channels, frames));
        const std::vector<TFrameHeader> headers = FrameHeaders(ReadFileBytes(mp3));
        ASSERT_GT(headers.size(), 2u);
        for (size_t i = 1; i < headers.size(); ++i) {
          ASSERT_EQ(headers[i].kbps, offered[position]) << "frame " << i;
          ASSERT_EQ(headers[i].rate, rate) << "frame " << i;
        }
        EXPECT_EQ(DecodedFrames(dir, mp3, channels), frames);
        // The thinnest frames hold no Info frame of the encoder's own: ffmpeg reads ours.
        if (position + 1 == offered.size()) {
          EXPECT_EQ(FfmpegFrames(mp3, channels), frames);
        }
      }
    }
  }
}

// A rate MP3 lacks is saved at the nearest one it has, which the notice names; its lists are
// that rate's, so nothing falls back to a fixed bitrate.
TEST(Mp3Settings, RatesMp3LacksAreSavedAtTheNearestAndSaidSo) {
  const std::pair<uint32_t, uint32_t> cases[] = {{96000, 48000}, {88200, 48000}, {46000, 44100},
                                                 {37800, 32000}, {20000, 22050}, {7000, 8000},
                                                 {5512, 8000}};
  for (auto [rate, saved] : cases) {
    SCOPED_TRACE(rate);
    EXPECT_EQ(Mp3SampleRate(rate), saved);
    const std::string notice = Mp3RateNotice(rate);
    EXPECT_NE(notice.find(std::to_string(saved) + " Hz"), std::string::npos) << notice;
    EXPECT_NE(notice.find(std::to_string(rate) + " Hz"), std::string::npos) << notice;
    EXPECT_EQ(OfferedBitrates(rate), OfferedBitrates(saved));
    TTempDir dir;
    const std::string mp3 = dir.File("out.mp3");
    const TMp3Choice cbr = Choice(TMp3Mode::Cbr, 1, 0, 0, 0);
    EncodeMp3(mp3, MakeMp3Config(cbr, rate, 2), MusicSamples(rate, 2, rate / 2));
    EXPECT_EQ(ProbedNumber(mp3, "sample_rate"), saved);
    EXPECT_EQ(ProbedNumber(mp3, "bit_rate"), BitrateAt(saved, 1) * 1000);
  }
  for (uint32_t rate : kMp3Rates) {
    EXPECT_EQ(Mp3SampleRate(rate), rate);
    EXPECT_EQ(Mp3RateNotice(rate), "") << rate;
  }
}

// ---- Very short files ----

// Documents of a few to a few hundred frames. FFmpeg's own guess at such a file's format can tie
// with another's; FFmpeg drops the rest of the delay's skip where the padding starts within 47
// frames of 576 samples; LAME's decoder reads a file only when enough audio follows the Info
// frame. Each row reopens at its exact length here and in mpg123, in ffmpeg told the format
// (exact from 47 frames on), and in lame --decode where enough audio follows any Info frame.
TEST(Mp3Short, VeryShortFilesReopenAtTheirLength) {
  auto lowest = [](uint32_t rate) { return static_cast<int>(OfferedBitrates(rate).size()) - 1; };
  const struct {
    uint32_t rate;
    uint16_t channels;
    TMp3Choice choice;
    size_t frames;
    bool lameReads;
  } cases[] = {
      // FFmpeg's guess ties with H.263's.
      {11025, 1, Choice(TMp3Mode::Abr, lowest(11025), 0, 0, lowest(11025)), 577, false},
      {22050, 2, Choice(TMp3Mode::Abr, lowest(22050), 0, 0, lowest(22050)), 125, false},
      // Two frames of audio after an Info frame of our own.
      {44100, 2, Choice(TMp3Mode::Cbr, lowest(44100), 0, 0, 0), 441, true},
      {44100, 1, Choice(TMp3Mode::Cbr, lowest(44100) - 1, 0, 0, 0), 441, true},
      {22050, 1, Choice(TMp3Mode::Cbr, lowest(22050) - 2, 0, 0, 0), 100, true},
      // The delay's skip ends in the frame where the padding starts.
      {8000, 2, Choice(TMp3Mode::Cbr, 4, 0, 0, 0), 10, true},
      {22050, 1, Choice(TMp3Mode::Vbr, lowest(22050), 0, 4, 0), 46, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.channels << " channels, mode "
                                    << int(c.choice.mode) << ", " << c.frames << " frames");
    TTempDir dir;
    const std::string mp3 = dir.File("short.mp3"), wav = dir.File("other.wav");
    EncodeMp3(mp3, MakeMp3Config(c.choice, c.rate, c.channels),
              MusicSamples(c.rate, c.channels, c.frames));
    EXPECT_EQ(DecodedFrames(dir, mp3, c.channels), c.frames);
    CheckedOutput("mpg123 -q -w '" + wav + "' '" + mp3 + "'");
    EXPECT_EQ(ReadWav16Samples(wav).size(), c.frames * c.channels);
    const size_t ffmpegBytes =
        CheckedOutput("ffmpeg -v error -f mp3 -i '" + mp3 + "' -f s16le -acodec pcm_s16le -")
            .size();
    if (c.frames >= 47) {
      EXPECT_EQ(ffmpegBytes, c.frames * c.channels * 2);
    }
    if (!c.lameReads) continue;
    CheckedOutput("lame --quiet --decode '" + mp3 + "' '" + wav + "'");
    EXPECT_EQ(ReadWav16Samples(wav).size(), c.frames * c.channels);
  }
}

// A Xing frame count that no file of its size could hold is damage, not a length to plan for.
TEST(Mp3Length, AFrameCountTheFileCannotHoldIsIgnored) {
  TTempDir dir;
  const std::string mp3 = dir.File("count.mp3");
  EncodeMp3(mp3, MakeMp3Config(ChoiceFor(TMp3Mode::Vbr, 44100), 44100, 2),
            MusicSamples(44100, 2, 44100));
  std::vector<uint8_t> bytes = ReadFileBytes(mp3);
  const std::string xing = "Xing";
  const auto tag = std::search(bytes.begin(), bytes.end(), xing.begin(), xing.end());
  ASSERT_NE(tag, bytes.end());
  std::fill(tag + 8, tag + 12, 0xFF);
  WriteFileBytes(mp3, bytes);
  EXPECT_EQ(TBASSDecoder(mp3, dir.File("out.wav")).EstimatedBytes(), std::nullopt);
  EXPECT_NEAR(DecodedFrames(dir, mp3, 2), 44100, 1152);  // the padding stays without the count
}

}  // namespace
}  // namespace quillon
