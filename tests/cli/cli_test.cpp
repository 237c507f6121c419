#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "platform/filesystem.h"
#include "support/fixtures.h"
#include "support/tagprobe.h"

namespace quillon {
namespace {

struct TRun {
  int status = -1;
  std::string out;
  std::string err;
};

TRun RunCli(const std::string& arguments) {
  test::TTempDir dir;
  std::string errPath = dir.File("stderr");
  std::string command = std::string(QUILLON_CLI) + " " + arguments + " 2>'" + errPath + "'";
  TRun run;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  std::array<char, 4096> chunk;
  size_t n;
  while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) run.out.append(chunk.data(), n);
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::vector<uint8_t> err = test::ReadFileBytes(errPath);
  run.err.assign(err.begin(), err.end());
  return run;
}

std::string Quoted(const std::string& path) {
  return "'" + path + "'";
}

TEST(CliTest, InfoPrintsTheDocumentsFormatAndPeak) {
  test::TTempDir dir;
  std::string path = dir.File("tone.wav");
  std::vector<int16_t> samples(2 * 1000, 0);
  samples[500] = 16384;
  samples[501] = -20000;
  test::WriteWav16(path, 2, 8000, samples);
  TRun run = RunCli("info " + Quoted(path));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "channels: 2\nsample_rate: 8000\nframes: 1000\nduration: 0.125000\n"
            "original_bits: 16\npeak: 16384\npeak_db: -6\nsource_channels: 2\n");
  EXPECT_EQ(run.err, "");
}

TEST(CliTest, InfoReadsAnMp3) {
  test::TTempDir dir;
  std::string path = dir.File("tone.mp3");
  test::MakeWithFfmpeg(
      "-f lavfi -i sine=frequency=440:sample_rate=22050:duration=2 -ac 1 -c:a libmp3lame -b:a 64k",
      path);
  TRun run = RunCli("info " + Quoted(path));
  ASSERT_EQ(run.status, 0) << run.err;
  std::istringstream lines(run.out);
  std::string key;
  double channels = 0, rate = 0, frames = 0;
  lines >> key >> channels >> key >> rate >> key >> frames;
  EXPECT_EQ(channels, 1);
  EXPECT_EQ(rate, 22050);
  // Two seconds, give or take the encoder's delay and padding.
  EXPECT_NEAR(frames, 44100, 2400);
}

TEST(CliTest, InfoShowsTheSourcesChannelsOfAMixedDownFile) {
  test::TTempDir dir;
  for (int channels : {6, 4}) {
    SCOPED_TRACE(channels);
    const std::string path = dir.File("surround.flac");
    test::MakeWithFfmpeg("-f lavfi -i sine=sample_rate=8000:duration=0.5 -ac " +
                             std::to_string(channels) + " -c:a flac",
                         path);
    TRun run = RunCli("info " + Quoted(path));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("channels: 2\nsample_rate: 8000\nframes: 4000\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\nsource_channels: " + std::to_string(channels) + "\n"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.err,
              "quillon-cli: mixed down from " + std::to_string(channels) + " channels to stereo\n");
  }
}

// A 64-bit float source reports its own 64 bits, and that it was narrowed.
TEST(CliTest, InfoTellsA64BitFloatSourceAndThatItWasNarrowed) {
  test::TTempDir dir;
  const std::string path = dir.File("wide.wav");
  test::MakeWithFfmpeg("-f lavfi -i sine=sample_rate=8000:duration=0.5 -c:a pcm_f64le", path);
  TRun run = RunCli("info " + Quoted(path));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("\noriginal_bits: 64\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.err, "quillon-cli: converted from 64-bit float to 16 bits\n");
}

TEST(CliTest, PeaksPrintsOneEntryALineInIndexOrder) {
  test::TTempDir dir;
  std::string path = dir.File("mono.wav");
  std::vector<int16_t> samples(600, -5);
  samples[520] = 300;
  test::WriteWav16(path, 1, 8000, samples);
  TRun run = RunCli("peaks " + Quoted(path));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "0 -5\n300 -5\n0 0\n");
}

TEST(CliTest, FailuresAndBadUsageExitWithTheirCodes) {
  test::TTempDir dir;
  std::string text = dir.File("text.mp3");
  test::WriteFileBytes(text, {'n', 'o', 't', ' ', 'a', 'u', 'd', 'i', 'o'});
  TRun broken = RunCli("info " + Quoted(text));
  EXPECT_EQ(broken.status, 1);
  EXPECT_EQ(broken.out, "");
  EXPECT_NE(broken.err.find("Could not import audio file. Format not supported or file broken"),
            std::string::npos)
      << broken.err;

  for (const char* usage : {"", "info", "frobnicate x.wav", "info a.wav b.wav"}) {
    TRun run = RunCli(usage);
    EXPECT_EQ(run.status, 2) << usage;
    EXPECT_NE(run.err.find("usage:"), std::string::npos) << usage;
  }
}

TEST(CliTest, PlayExitsOneWhenPlaybackCannotStartAndPrintsWholeLines) {
  test::TTempDir dir;
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  const std::string tone = dir.File("tone.wav");
  test::WriteWav16(tone, 1, 8000, std::vector<int16_t>(800, 1000));
  TRun played = RunCli("play " + Quoted(tone));
  EXPECT_EQ(played.status, 0) << played.err;
  EXPECT_NE(played.out.find("position "), std::string::npos);

  // A rate the sound output refuses: the buffer cannot be made.
  const std::string tooFast = dir.File("fast.wav");
  test::WriteWav16(tooFast, 1, 400000, std::vector<int16_t>(4000, 1000));
  TRun refused = RunCli("play " + Quoted(tooFast));
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err.find('\r'), std::string::npos)
      << "a raw carriage return overwrites the line";
  EXPECT_NE(refused.err.find("\nThe specified WAVE format is not supported\n"), std::string::npos)
      << refused.err;

  setenv("SDL_AUDIODRIVER", "nosuchdriver", 1);
  TRun noDevice = RunCli("play " + Quoted(tone));
  EXPECT_EQ(noDevice.status, 1);
  EXPECT_NE(noDevice.err.find("No sound driver is available for use"), std::string::npos)
      << noDevice.err;
  unsetenv("SDL_AUDIODRIVER");
}

TEST(CliTest, EditRunsTheOperationsInOrderAndWritesTheResult) {
  test::TTempDir dir;
  std::string in = dir.File("in.wav"), out = dir.File("out.wav"), clip = dir.File("clip.wav");
  test::WriteWav16(in, 1, 8000, {1, 2, 3, 4, 5, 6});
  TRun run = RunCli("edit " + Quoted(in) + " --delete 0:2 --reverse --invert --undo --copy 0:2" +
                    " --clip-out " + Quoted(clip) + " -o " + Quoted(out));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(test::ReadWav16Samples(out), (std::vector<int16_t>{6, 5, 4, 3}));
  EXPECT_EQ(test::ReadWav16Samples(clip), (std::vector<int16_t>{6, 5}));

  // A clip from a file, pasted like audio another program put on the clipboard.
  run = RunCli("edit " + Quoted(in) + " --clip " + Quoted(clip) + " --paste 6 -o " + Quoted(out));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(test::ReadWav16Samples(out), (std::vector<int16_t>{1, 2, 3, 4, 5, 6, 6, 5}));
}

TEST(CliTest, WithinNarrowsTheEffectsAfterItUntilAll) {
  test::TTempDir dir;
  std::string in = dir.File("in.wav"), out = dir.File("out.wav");
  test::WriteWav16(in, 1, 8000, {1, 2, 3, 4, 5, 6, 7, 8});
  TRun run = RunCli("edit " + Quoted(in) +
                    " --within 2:5 --invert --amplify 200 --within all --reverse"
                    " --within 6:8 --normalize 50 -o " +
                    Quoted(out));
  ASSERT_EQ(run.status, 0) << run.err;
  // Frames 6 and 7 hold 2 and 1 by then: half scale over their own peak of 2.
  EXPECT_EQ(test::ReadWav16Samples(out), (std::vector<int16_t>{8, 7, 6, -10, -8, -6, 16384, 8192}));
}

TEST(CliTest, EditFailuresExitOneAndBadOptionsTwo) {
  test::TTempDir dir;
  std::string in = dir.File("in.wav"), out = dir.File("out.wav");
  test::WriteWav16(in, 2, 8000, {1, 2, 3, 4});
  for (const char* failing :
       {"--delete 2:1", "--undo", "--paste 3", "--fade-in 0:9", "--within 0:9 --invert"}) {
    TRun run = RunCli("edit " + Quoted(in) + " " + failing + " -o " + Quoted(out));
    EXPECT_EQ(run.status, 1) << failing;
    EXPECT_NE(run.err.find("quillon-cli: "), std::string::npos) << failing;
    EXPECT_FALSE(FileExists(out)) << failing;
  }
  for (const char* malformed :
       {"--delete 2", "--delete a:b", "--normalize 101", "--amplify -1", "--frobnicate", "-o",
        "--within 3:1", "--within -1:2", "--within"}) {
    TRun run = RunCli("edit " + Quoted(in) + " " + malformed);
    EXPECT_EQ(run.status, 2) << malformed;
  }
}

TEST(CliTest, EditTakesMarkersInOrderWithTheOperationsAndWritesThemOut) {
  test::TTempDir dir;
  const std::string in = dir.File("in.wav"), labels = dir.File("labels.txt");
  test::WriteWav16(in, 1, 1000, std::vector<int16_t>(5000, 9));
  test::WriteFileBytes(labels, {'4', '\t', '4', '\t', 'F', 'o', 'u', 'r', '\n', '?', '\n'});
  // The marker at 800 and the region move back with the delete; the file's come after it.
  TRun run = RunCli("edit " + Quoted(in) + " --marker 800:Intro:1 --region 100:300:Part" +
                    " --marker 50 --delete 0:100 --markers-from " + Quoted(labels) +
                    " --markers-to " + Quoted(dir.File("out.txt")) + " --markers-to " +
                    Quoted(dir.File("out.cue")) + " -o " + Quoted(in));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "quillon-cli: Line 2 of labels.txt could not be read and was left out.\n");
  // Saved in the WAV, and read back from there.
  const TRun info = RunCli("info " + Quoted(in));
  EXPECT_NE(info.out.find("\nmarker: 700 Intro:1\nmarker: 4000 Four\nregion: 0 200 Part\n"),
            std::string::npos)
      << info.out;
  const std::vector<uint8_t> cue = test::ReadFileBytes(dir.File("out.cue"));
  EXPECT_EQ(std::string(cue.begin(), cue.end()),
            "FILE \"in.wav\" WAVE\n"
            "  TRACK 01 AUDIO\n    TITLE \"Part\"\n    INDEX 01 00:00:00\n"
            "  TRACK 02 AUDIO\n    TITLE \"Intro:1\"\n    INDEX 01 00:00:53\n"
            "  TRACK 03 AUDIO\n    TITLE \"Four\"\n    INDEX 01 00:04:00\n");

  // Read back from the label file written last time, after every other marker went.
  run = RunCli("edit " + Quoted(in) + " --marker 1 --no-markers --markers-from " +
               Quoted(dir.File("out.cue")) + " --markers-to " + Quoted(dir.File("again.txt")));
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<uint8_t> text = test::ReadFileBytes(dir.File("again.txt"));
  EXPECT_EQ(std::string(text.begin(), text.end()),
            "0.000000\t0.000000\tPart\n0.707000\t0.707000\tIntro:1\n4.000000\t4.000000\tFour\n");

  for (const char* failing : {"--marker 5001", "--region 10:5001", "--markers-from none.txt"}) {
    run = RunCli("edit " + Quoted(in) + " " + failing);
    EXPECT_EQ(run.status, 1) << failing;
    EXPECT_NE(run.err.find("quillon-cli: "), std::string::npos) << failing;
  }
}

TEST(CliTest, SplitWritesTaggedPartsThatAreTheDocumentEndToEnd) {
  if (!test::HaveFfprobe()) GTEST_SKIP() << "ffprobe is not installed";
  test::TTempDir dir;
  const std::string in = dir.File("side.wav");
  std::vector<int16_t> samples(2 * 8000);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(i * 7);
  test::WriteWav16(in, 2, 8000, samples);
  TRun run = RunCli("edit " + Quoted(in) + " --tag artist=Band --tag title=Side --marker 1000" +
                    " --marker 3001:Song/One --marker 7999:Last -o " + Quoted(in));
  ASSERT_EQ(run.status, 0) << run.err;
  run = RunCli("split " + Quoted(in) + " --dir " + Quoted(dir.File("parts")));
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> names = {"1.wav", "2.wav", "3 Song_One.wav", "4 Last.wav"};
  EXPECT_EQ(run.out, "1.wav\n2.wav\n3 Song_One.wav\n4 Last.wav\n");
  std::vector<int16_t> joined;
  const char* titles[] = {"Side", "Side", "Song/One", "Last"};
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string part = dir.File("parts/" + names[i]);
    const std::vector<int16_t> audio = test::ReadWav16Samples(part);
    joined.insert(joined.end(), audio.begin(), audio.end());
    const test::TProbedTags probed = test::ProbeTags(part);
    EXPECT_EQ(probed.tags.at("track"), std::to_string(i + 1) + "/4") << part;
    EXPECT_EQ(probed.tags.at("title"), titles[i]) << part;
    EXPECT_EQ(probed.tags.at("artist"), "Band") << part;
  }
  EXPECT_EQ(joined, samples);

  run = RunCli("split " + Quoted(in) + " --dir " + Quoted(dir.File("mp3")) +
               " --format mp3 --pattern '%s %n of %t'");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "side 1 of 4.mp3\nside 2 of 4.mp3\nside 3 of 4.mp3\nside 4 of 4.mp3\n");
  const std::string plain = dir.File("plain.wav");
  test::WriteWav16(plain, 1, 8000, {1, 2, 3});
  for (const std::string& failing : {Quoted(in) + " --pattern x", Quoted(in) + " --format aiff",
                                     Quoted(plain), Quoted(in) + " --dir"}) {
    run = RunCli("split " + failing + " --dir " + Quoted(dir.File("x")));
    EXPECT_NE(run.status, 0) << failing;
    EXPECT_NE(run.err.find("quillon-cli: "), std::string::npos) << failing;
  }
}

// Bad usage names the argument and what is wrong with it, then prints the usage.
TEST(CliTest, BadUsageNamesTheArgumentBeforeTheUsage) {
  test::TTempDir dir;
  const std::string in = Quoted(dir.File("in.wav"));
  test::WriteWav16(dir.File("in.wav"), 2, 8000, {1, 2, 3, 4});
  const std::pair<std::string, std::string> rows[] = {
      {"frobnicate x.wav", "unknown command \"frobnicate\""},
      {"info a.wav b.wav", "info takes one FILE, not 2 arguments"},
      {"edit " + in + " --delete 2", "--delete takes two frame numbers as A:B, not \"2\"."},
      {"edit " + in + " --paste x", "--paste takes a frame number, not \"x\"."},
      {"edit " + in + " --normalize 101",
       "--normalize takes a whole number from 0 to 100, not \"101\"."},
      {"edit " + in + " --mp3-mode fast", "--mp3-mode takes cbr, vbr or abr, not \"fast\"."},
      {"edit " + in + " --bitrate lots",
       "--bitrate takes a bitrate in kbit/s, a whole number, not \"lots\"."},
      {"edit " + in + " --frobnicate", "unknown option \"--frobnicate\""},
      {"edit " + in + " -o", "-o takes a file name, which is missing."},
      {"edit " + in + " --marker x:name",
       "--marker takes a frame number, then :NAME if you like, not \"x:name\"."},
      {"edit " + in + " --region 5:2",
       "--region takes two frame numbers as A:B with A below B, then :NAME if you like, not "
       "\"5:2\"."},
      {"edit " + in + " --markers-to", "--markers-to takes a file name, which is missing."},
      {"play " + in + " --from x",
       "--from takes a frame count (a whole number of 0 or more), not \"x\"."},
  };
  for (const auto& [arguments, named] : rows) {
    TRun run = RunCli(arguments);
    EXPECT_EQ(run.status, 2) << arguments;
    const size_t at = run.err.find("quillon-cli: " + named + "\n");
    EXPECT_NE(at, std::string::npos) << arguments << "\n" << run.err;
    EXPECT_NE(run.err.find("usage:", at), std::string::npos) << arguments;
  }
}

TEST(CliTest, EditSavesRangesAndMp3WithCommandLineSettings) {
  test::TTempDir dir;
  std::string in = dir.File("in.wav"), part = dir.File("part.wav"), mp3 = dir.File("out.mp3");
  std::vector<int16_t> samples(2 * 22050);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>((i * 97) % 8000);
  test::WriteWav16(in, 2, 22050, samples);
  TRun run = RunCli("edit " + Quoted(in) + " --save-selection 1:3 " + Quoted(part) +
                    " --mp3-mode abr --abr 64 -o " + Quoted(mp3));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(test::ReadWav16Samples(part),
            std::vector<int16_t>(samples.begin() + 2, samples.begin() + 6));
  std::vector<uint8_t> encoded = test::ReadFileBytes(mp3);
  ASSERT_GT(encoded.size(), 1000u);
  EXPECT_EQ(encoded[0], 0xFF) << "an MP3 frame first, no tag in front";

  TRun refused = RunCli("edit " + Quoted(in) + " --bitrate 192 -o " + Quoted(mp3));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("160, 144, 128"), std::string::npos) << refused.err;
  TRun text = RunCli("edit " + Quoted(in) + " -o " + Quoted(dir.File("out.txt")));
  EXPECT_EQ(text.status, 1);
  EXPECT_NE(text.err.find(".wav, .mp3, .flac, .ogg or .opus"), std::string::npos) << text.err;
  EXPECT_EQ(RunCli("edit " + Quoted(in) + " --mp3-mode xyz -o " + Quoted(mp3)).status, 2);
  EXPECT_EQ(RunCli("edit " + Quoted(in) + " --vbr-quality 10 -o " + Quoted(mp3)).status, 2);
}

std::string ProbeStream(const std::string& path) {
  return test::CommandOutput(
      "ffprobe -v error -show_entries stream=codec_name,sample_rate,bit_rate -of default=nw=1 " +
      Quoted(path) + " 2>/dev/null");
}

// Every rate saves as MP3 with the bitrates offered there; a rate MP3 lacks is saved at the
// nearest one it has, and stderr says so before the file is written.
TEST(CliTest, EditSavesEveryRateAsMp3AndNamesAChangedRate) {
  struct TCase {
    uint32_t rate;
    const char* options;
    uint32_t saved;
  };
  const TCase cases[] = {{96000, "", 48000},
                         {7000, "--mp3-mode vbr", 8000},
                         {12000, "--bitrate 64", 12000},
                         {24000, "--mp3-mode abr --abr 96", 24000},
                         {44100, "", 44100}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.rate);
    test::TTempDir dir;
    const std::string in = dir.File("in.wav"), mp3 = dir.File("out.mp3");
    std::vector<int16_t> samples(c.rate);
    for (size_t i = 0; i < samples.size(); ++i)
      samples[i] = static_cast<int16_t>((i * 977) % 20000);
    test::WriteWav16(in, 1, c.rate, samples);
    TRun run = RunCli("edit " + Quoted(in) + " " + c.options + " -o " + Quoted(mp3));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string notice = "This MP3 will be saved at " + std::to_string(c.saved) +
                               " Hz: MP3 has no " + std::to_string(c.rate) + " Hz.";
    if (c.saved != c.rate)
      EXPECT_NE(run.err.find(notice), std::string::npos) << run.err;
    else
      EXPECT_EQ(run.err, "");
    const std::string probed = ProbeStream(mp3);
    EXPECT_NE(probed.find("sample_rate=" + std::to_string(c.saved)), std::string::npos) << probed;
  }
}

// Without --bitrate, VBR's lowest bitrate is the lowest offered, so the quality decides.
TEST(CliTest, EditVbrQualityDecidesTheBitrate) {
  test::TTempDir dir;
  const std::string in = dir.File("in.wav"), low = dir.File("low.mp3"), high = dir.File("high.mp3");
  std::vector<int16_t> samples(2 * 44100);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>((i * 977) % 20000);
  test::WriteWav16(in, 2, 44100, samples);
  ASSERT_EQ(
      RunCli("edit " + Quoted(in) + " --mp3-mode vbr --vbr-quality 0 -o " + Quoted(low)).status, 0);
  ASSERT_EQ(
      RunCli("edit " + Quoted(in) + " --mp3-mode vbr --vbr-quality 8 -o " + Quoted(high)).status,
      0);
  EXPECT_LT(test::ReadFileBytes(low).size() * 3 / 2, test::ReadFileBytes(high).size());
}

TEST(CliTest, EditSavesFlacOggAndOpusWithTheirSettings) {
  test::TTempDir dir;
  std::string in = dir.File("in.wav"), flac = dir.File("out.FLAC"), ogg = dir.File("out.ogg");
  std::string opus = dir.File("part.opus");
  std::vector<int16_t> samples(2 * 22050);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>((i * 977) % 20000);
  test::WriteWav16(in, 2, 22050, samples);
  TRun run = RunCli("edit " + Quoted(in) + " --opus-bitrate 48 --save-selection 0:11025 " +
                    Quoted(opus) + " -o " + Quoted(flac));
  ASSERT_EQ(run.status, 0) << run.err;
  test::MakeWithFfmpeg("-v error -i " + Quoted(flac) + " -bitexact -c:a pcm_s16le",
                       dir.File("back.wav"));
  EXPECT_EQ(test::ReadWav16Samples(dir.File("back.wav")), samples);
  run = RunCli("edit " + Quoted(in) + " --vorbis-quality -1 -o " + Quoted(ogg));
  ASSERT_EQ(run.status, 0) << run.err;
  if (test::RunCommand("ffprobe -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ffprobe";
  const std::string probedOgg = ProbeStream(ogg), probedOpus = ProbeStream(opus);
  EXPECT_NE(probedOgg.find("codec_name=vorbis"), std::string::npos) << probedOgg;
  EXPECT_NE(probedOgg.find("sample_rate=22050"), std::string::npos) << probedOgg;
  EXPECT_NE(probedOpus.find("codec_name=opus"), std::string::npos) << probedOpus;
  EXPECT_NE(probedOpus.find("sample_rate=48000"), std::string::npos) << probedOpus;
}

TEST(CliTest, BadVorbisQualityAndOpusBitrateAreRefusedWithTheirRange) {
  test::TTempDir dir;
  std::string in = dir.File("in.wav");
  test::WriteWav16(in, 1, 8000, {1, 2, 3, 4});
  for (const char* bad :
       {"--vorbis-quality 11", "--vorbis-quality -2", "--vorbis-quality 5.5", "--vorbis-quality",
        "--opus-bitrate 15", "--opus-bitrate 257", "--opus-bitrate abc", "--opus-bitrate 96k"}) {
    SCOPED_TRACE(bad);
    TRun run = RunCli("edit " + Quoted(in) + " " + bad + " -o " + Quoted(dir.File("x.opus")));
    EXPECT_EQ(run.status, 2);
    const bool vorbis = std::string(bad).find("vorbis") != std::string::npos;
    EXPECT_NE(run.err.find(vorbis ? "--vorbis-quality takes a whole number from -1 to 10"
                                  : "--opus-bitrate takes a whole number from 16 to 256"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(FileExists(dir.File("x.opus")));
  }
}

// A WAV to edit and a small PNG and JPEG to put on it as covers.
struct TTagFiles {
  TTagFiles() {
    test::WriteWav16(wav, 1, 8000, std::vector<int16_t>(800, 100));
    test::MakeWithFfmpeg("-v error -f lavfi -i color=c=red:s=8x8:d=1 -frames:v 1", png);
    test::MakeWithFfmpeg("-v error -f lavfi -i color=c=blue:s=8x8:d=1 -frames:v 1", jpeg);
  }
  test::TTempDir dir;
  std::string wav = dir.File("in.wav"), png = dir.File("c.png"), jpeg = dir.File("c.jpg");
};

// The lines of info's output that are about tags.
std::string TagLines(const std::string& out) {
  std::istringstream lines(out);
  std::string text;
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with("tag.") || line.starts_with("cover:")) text += line + "\n";
  return text;
}

TEST(CliTest, EditSetsTagsAndCoverAndInfoPrintsThemInEveryFormat) {
  TTagFiles files;
  const std::vector<uint8_t> png = test::ReadFileBytes(files.png);
  for (const char* extension : {"wav", "mp3", "flac", "ogg", "opus"}) {
    SCOPED_TRACE(extension);
    const std::string out = files.dir.File(std::string("out.") + extension);
    TRun edit = RunCli("edit " + Quoted(files.wav) +
                       " --tag 'title=Song 1' --tag artist=Äöü --tag artist=Zweite "
                       "--tag albumartist=Band --tag year=1999-04-02 --tag track=2/9 "
                       "--tag genre=Folk --tag comment=x --tag comment= --cover " +
                       Quoted(files.png) + " -o " + Quoted(out));
    ASSERT_EQ(edit.status, 0) << edit.err;
    TRun info = RunCli("info " + Quoted(out));
    ASSERT_EQ(info.status, 0) << info.err;
    // ID3v2.3 keeps several artists as one text, a slash between them.
    const std::string artists = std::string(extension) == "mp3"
                                    ? "tag.artist: Äöü/Zweite\n"
                                    : "tag.artist: Äöü\ntag.artist: Zweite\n";
    EXPECT_EQ(TagLines(info.out),
              "tag.title: Song 1\n" + artists +
                  "tag.albumartist: Band\ntag.year: 1999-04-02\ntag.track: 2/9\n"
                  "tag.genre: Folk\ncover: image/png " +
                  std::to_string(png.size()) + " bytes\n");
    // --no-tags saves the same document without any.
    const std::string bare = files.dir.File(std::string("bare.") + extension);
    ASSERT_EQ(RunCli("edit " + Quoted(out) + " --no-tags -o " + Quoted(bare)).status, 0);
    EXPECT_EQ(TagLines(RunCli("info " + Quoted(bare)).out), "");
  }
}

TEST(CliTest, BadTagOptionsNameTheArgument) {
  TTagFiles files;
  const std::string big = files.dir.File("big.png"), text = files.dir.File("text.png");
  std::vector<uint8_t> huge = test::ReadFileBytes(files.png);
  huge.resize((16u << 20) + 1);
  test::WriteFileBytes(big, huge);
  test::WriteFileBytes(text, {'h', 'i'});
  const struct {
    std::string arguments;
    int status;
    std::string named;
  } rows[] = {
      {"--tag colour=red", 2, "--tag colour=red"},
      {"--tag title", 2, "--tag title"},
      {"--cover " + Quoted(files.dir.File("missing.png")), 1, "missing.png"},
      {"--cover " + Quoted(big), 1, "big.png"},
      {"--cover " + Quoted(text), 1, "text.png"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arguments);
    const std::string out = files.dir.File("out.wav");
    TRun run = RunCli("edit " + Quoted(files.wav) + " " + row.arguments + " -o " + Quoted(out));
    EXPECT_EQ(run.status, row.status);
    EXPECT_NE(run.err.find(row.named), std::string::npos) << run.err;
    EXPECT_FALSE(FileExists(out));
  }
}

TEST(CliTest, EditWithAJpegCoverKeepsItsType) {
  TTagFiles files;
  const std::string out = files.dir.File("out.flac");
  ASSERT_EQ(
      RunCli("edit " + Quoted(files.wav) + " --cover " + Quoted(files.jpeg) + " -o " + Quoted(out))
          .status,
      0);
  EXPECT_EQ(
      TagLines(RunCli("info " + Quoted(out)).out),
      "cover: image/jpeg " + std::to_string(test::ReadFileBytes(files.jpeg).size()) + " bytes\n");
}

TEST(CliTest, EditKeepsAnMp3sFramesUnlessToldToReencode) {
  test::TTempDir dir;
  const std::string wav = dir.File("in.wav"), mp3 = dir.File("in.mp3"), out = dir.File("out.mp3");
  ASSERT_EQ(test::RunCommand("sox -n -r 44100 -c 2 -b 16 " + Quoted(wav) + " synth 3 sine 440"), 0);
  ASSERT_EQ(test::RunCommand("lame --quiet -b 128 " + Quoted(wav) + " " + Quoted(mp3)), 0);
  // Rows: the options, and whether the frames line says what was kept.
  const std::pair<std::string, bool> rows[] = {{"--time", true}, {"--time --reencode", false}};
  for (const auto& [options, kept] : rows) {
    TRun run =
        RunCli("edit " + Quoted(mp3) + " --delete 46080:92160 " + options + " -o " + Quoted(out));
    ASSERT_EQ(run.status, 0) << run.err;
    const size_t frames = run.err.find("frames: ");
    EXPECT_EQ(frames != std::string::npos, kept) << options << "\n" << run.err;
    if (kept) {
      EXPECT_NE(run.err.find(" copied ", frames), std::string::npos) << run.err;
    }
    EXPECT_EQ(run.err.find("Saved: ") != std::string::npos, kept) << run.err;
  }
}

}  // namespace
}  // namespace quillon

namespace quillon {
namespace {

// Width and height from a PNG's header chunk.
std::pair<uint32_t, uint32_t> PngSize(const std::vector<uint8_t>& png) {
  auto word = [&](size_t at) {
    return uint32_t{png[at]} << 24 | uint32_t{png[at + 1]} << 16 | uint32_t{png[at + 2]} << 8 |
           png[at + 3];
  };
  if (png.size() < 24 || png[1] != 'P' || png[12] != 'I') return {0, 0};
  return {word(16), word(20)};
}

TEST(CliTest, SpectrogramWritesAPngOfTheRequestedSizeAndRefusesBadOptions) {
  test::TTempDir dir;
  const std::string in = dir.File("tone.wav");
  std::vector<int16_t> samples(2 * 8000);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>((i * 37) % 2000);
  test::WriteWav16(in, 2, 8000, samples);
  struct TRow {
    std::string options;
    uint32_t width, height;
  };
  const TRow rows[] = {{"", 1600, 500},
                       {"--size 320x101 --window 256 --scale mel", 320, 101},
                       {"--size 7x3 --scale linear --from 7990 --frames 50", 7, 3},
                       {"--size 64x64 --window 8192 --from 0 --frames 1", 64, 64}};
  for (const TRow& row : rows) {
    const std::string out = dir.File("out.png");
    std::remove(out.c_str());
    TRun run = RunCli("spectrogram " + Quoted(in) + " -o " + Quoted(out) + " " + row.options);
    EXPECT_EQ(run.status, 0) << row.options << run.err;
    EXPECT_EQ(PngSize(test::ReadFileBytes(out)), std::make_pair(row.width, row.height))
        << row.options;
  }
  for (const char* bad : {"--window 1000", "--size 0x5", "--scale bark", "--from 5",
                          "--frames 0 --from 1", "--size 12"}) {
    TRun run =
        RunCli("spectrogram " + Quoted(in) + " -o " + Quoted(dir.File("bad.png")) + " " + bad);
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_NE(run.err.find("usage:"), std::string::npos) << bad;
  }
  TRun past = RunCli("spectrogram " + Quoted(in) + " -o " + Quoted(dir.File("bad.png")) +
                     " --from 8000 --frames 10");
  EXPECT_EQ(past.status, 1);
  EXPECT_NE(past.err.find("past the end"), std::string::npos) << past.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("bad.png")));
}

}  // namespace
}  // namespace quillon
