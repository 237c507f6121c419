#include "codecs/lameenc.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "codecs/infoframe.h"
#include "codecs/mp3record.h"

namespace quillon {

struct TLameStream {
  lame_global_flags* flags = nullptr;
  uint32_t chunkSamples = 0;
  uint32_t bufferSize = 0;
  // A CBR stream too thin for the encoder's Info frame gets ours: its room goes in front of
  // the first output, and it is built once the stream is complete.
  size_t ownInfoSize = 0;
  bool ownInfoPending = false;
  uint64_t bytesOut = 0;
};

namespace {

constexpr int kMinKbps = 8;
constexpr int kMaxKbps = 320;
// What the record's quality word stands for when it does not carry its own check byte.
constexpr int kDefaultQuality = 5;

int ClampKbps(int64_t kbps) {
  return static_cast<int>(std::clamp<int64_t>(kbps, kMinKbps, kMaxKbps));
}

// Bitrates are handed on as kbit/s ints; absurd record values must not wrap negative.
int Kbps(uint32_t value) {
  return static_cast<int>(std::min<uint32_t>(value, 1u << 20));
}

void ApplyPreset(lame_global_flags* gf, int32_t preset) {
  switch (preset) {
    case kPresetLowQuality:
      lame_set_quality(gf, 9);
      break;
    case kPresetHighQuality:
      lame_set_quality(gf, 2);
      break;
    case kPresetVoiceQuality:
    case kPresetVoice:
      lame_set_mode(gf, MONO);
      lame_set_preset(gf, 56);
      break;
    case kPresetR3mix:
      lame_set_preset(gf, R3MIX);
      break;
    case kPresetVeryHighQuality:
      lame_set_quality(gf, 0);
      break;
    case kPresetStandard:
      lame_set_preset(gf, STANDARD);
      break;
    case kPresetFastStandard:
      lame_set_preset(gf, STANDARD_FAST);
      break;
    case kPresetExtreme:
      lame_set_preset(gf, EXTREME);
      break;
    case kPresetFastExtreme:
      lame_set_preset(gf, EXTREME_FAST);
      break;
    case kPresetInsane:
      lame_set_preset(gf, INSANE);
      break;
    case kPresetMedium:
      lame_set_preset(gf, MEDIUM);
      break;
    case kPresetFastMedium:
      lame_set_preset(gf, MEDIUM_FAST);
      break;
    case kPresetPhone:
      lame_set_mode(gf, MONO);
      lame_set_preset(gf, 16);
      break;
    case kPresetSw:
      lame_set_mode(gf, MONO);
      lame_set_preset(gf, 24);
      break;
    case kPresetAm:
      lame_set_mode(gf, MONO);
      lame_set_preset(gf, 40);
      break;
    case kPresetFm:
    case kPresetRadio:
    case kPresetTape:
      lame_set_preset(gf, 112);
      break;
    case kPresetHifi:
      lame_set_preset(gf, 160);
      break;
    case kPresetCd:
      lame_set_preset(gf, 192);
      break;
    case kPresetStudio:
      lame_set_preset(gf, 256);
      break;
    default:  // normal quality, and ABR and CBR, which were applied before
      break;
  }
}

constexpr uint32_t kMpeg1 = 1;

// Whether an output rate belongs to the record's MPEG version: 1 is MPEG-1, 0 MPEG-2 (with
// its 2.5 extension below 16 kHz).
bool RateOfVersion(uint32_t rate, uint32_t version) {
  switch (rate) {
    case 32000:
    case 44100:
    case 48000:
      return version == kMpeg1;
    case 8000:
    case 11025:
    case 12000:
    case 16000:
    case 22050:
    case 24000:
      return version != kMpeg1;
    default:
      return false;
  }
}

// The named presets that make the file mono whatever the record says.
bool PresetForcesMono(int32_t preset) {
  return preset == kPresetVoiceQuality || preset == kPresetVoice || preset == kPresetPhone ||
         preset == kPresetSw || preset == kPresetAm;
}

uint32_t ApplyChannelMode(lame_global_flags* gf, int32_t mode) {
  switch (mode) {
    case kModeStereo:
      lame_set_mode(gf, STEREO);
      lame_set_num_channels(gf, 2);
      break;
    case kModeJointStereo:
      lame_set_mode(gf, JOINT_STEREO);
      lame_set_num_channels(gf, 2);
      break;
    case kModeMono:
      lame_set_mode(gf, MONO);
      lame_set_num_channels(gf, 1);
      break;
    case kModeDualChannel:  // the encoder has no dual channel: forced mid/side stereo instead
      lame_set_force_ms(gf, 1);
      lame_set_mode(gf, STEREO);
      lame_set_num_channels(gf, 2);
      break;
    default:
      return kBeErrInvalidFormatParameters;
  }
  return kBeErrSuccessful;
}

// VBR method and bitrates, which the record decides only below the named presets.
uint32_t ApplyManualSettings(lame_global_flags* gf, const TMp3Record& r) {
  if (r.enableVbr) {
    lame_set_VBR_q(gf, std::clamp(r.vbrQuality, 0, 9));
    switch (r.vbrMethod) {
      case kVbrMethodNone:
        lame_set_VBR(gf, vbr_off);
        break;
      case kVbrMethodDefault:
        lame_set_VBR(gf, vbr_default);
        break;
      case kVbrMethodOld:
        lame_set_VBR(gf, vbr_rh);
        break;
      case kVbrMethodNew:
      case kVbrMethodMtrh:
        lame_set_VBR(gf, vbr_mtrh);
        break;
      case kVbrMethodAbr:
        lame_set_VBR(gf, vbr_abr);
        break;
      default:
        return kBeErrInvalidFormatParameters;
    }
  } else {
    lame_set_VBR(gf, vbr_off);
  }

  // For VBR this is the minimum.
  lame_set_brate(gf, Kbps(r.bitrate));

  // A target rate means ABR whatever the method says.
  if (r.abrBps > 0) {
    lame_set_VBR(gf, vbr_abr);
    lame_set_VBR_mean_bitrate_kbps(gf, ClampKbps((int64_t{r.abrBps} + 500) / 1000));
  }
  return kBeErrSuccessful;
}

// Makes maxKbps the bitrate above minKbps in the rate's table, or, at the table's top, minKbps
// the one below.
void WidenByOneStep(uint32_t rate, int& minKbps, int& maxKbps) {
  const std::vector<int> table = OfferedBitrates(rate);  // highest first
  const auto at = std::find(table.begin(), table.end(), minKbps);
  if (at == table.end()) return;
  if (at != table.begin())
    maxKbps = *(at - 1);
  else if (at + 1 != table.end())
    minKbps = *(at + 1);
}

uint32_t Configure(lame_global_flags* gf, const TMp3Record& r) {
  lame_set_in_samplerate(gf, static_cast<int>(r.sampleRate));

  if (r.preset == kPresetAbr) lame_set_preset(gf, ClampKbps(r.abrBps / 1000));
  if (r.preset == kPresetCbr) {
    lame_set_preset(gf, Kbps(r.bitrate));
    lame_set_VBR(gf, vbr_off);
  }

  // Below the named presets the record's own settings rule.
  if (r.preset < kPresetStandard) {
    if (uint32_t code = ApplyManualSettings(gf, r); code != kBeErrSuccessful) return code;
  }

  if (r.preset != kPresetNone) ApplyPreset(gf, r.preset);

  // Left unset, the encoder would choose joint stereo for two channels, whatever the preset.
  if (!PresetForcesMono(r.preset)) {
    if (uint32_t code = ApplyChannelMode(gf, r.mode); code != kBeErrSuccessful) return code;
  }

  // Left unset, the encoder would lower the rate for low qualities and bitrates (44.1 kHz VBR at
  // quality 8 comes out at 24 kHz): the record's version keeps the document's rate.
  if (r.resampleRate > 0)
    lame_set_out_samplerate(gf, static_cast<int>(r.resampleRate));
  else if (RateOfVersion(r.sampleRate, r.mpegVersion))
    lame_set_out_samplerate(gf, static_cast<int>(r.sampleRate));

  // The psychoacoustic model and emphasis members are left to the encoder.
  lame_set_strict_ISO(gf, r.strictIso ? 1 : 0);
  if (r.copyright) lame_set_copyright(gf, 1);
  lame_set_original(gf, r.original ? 1 : 0);
  lame_set_error_protection(gf, r.crc ? 1 : 0);
  lame_set_extension(gf, r.isPrivate ? 1 : 0);

  int minKbps = Kbps(r.bitrate);
  int maxKbps = Kbps(r.maxBitrate);
  if (lame_get_VBR(gf) == vbr_abr) {
    // Bounds that exclude the target would override it (the dialog's first "Bitrate:" entry
    // would make every ABR file 320 kbit/s CBR), and a minimum above the maximum stops the
    // encoder on a failed check: the bounds are widened to take the target in.
    int target = lame_get_VBR_mean_bitrate_kbps(gf);
    minKbps = std::min(minKbps, target);
    if (maxKbps > 0) maxKbps = std::max(maxKbps, target);
    // Bounds of a single bitrate can stop the encoder on a failed check too (44.1 kHz stereo
    // held to 32 kbit/s does): they are widened by one step of the rate's table.
    if (maxKbps > 0 && maxKbps <= minKbps) {
      const int rate = lame_get_out_samplerate(gf);
      WidenByOneStep(rate > 0 ? static_cast<uint32_t>(rate) : r.sampleRate, minKbps, maxKbps);
    }
  }
  if (minKbps > 0) lame_set_VBR_min_bitrate_kbps(gf, minKbps);
  if (maxKbps > 0) lame_set_VBR_max_bitrate_kbps(gf, maxKbps);
  if (r.noReservoir) lame_set_disable_reservoir(gf, 1);
  // The Info frame in every mode, whatever the record's header member says: it carries the
  // encoder's delay and padding, without which decoders give back the document plus 1105
  // samples in front and up to a frame behind, growing with every open and save.
  lame_set_bWriteVbrTag(gf, 1);

  // The quality word counts only when its high byte is the complement of its low byte.
  int low = r.quality & 0xFF;
  int check = ~(r.quality >> 8) & 0xFF;
  lame_set_quality(gf, low == check ? low : kDefaultQuality);
  // Below the best VBR quality: the best, searched with the most thorough algorithm.
  if (r.enableVbr && r.vbrQuality < 0) lame_set_quality(gf, 0);

  // The Info frame must be the file's first bytes, so no ID3v2 tag goes before it.
  lame_set_write_id3tag_automatic(gf, 0);

  if (lame_init_params(gf) < 0) return kBeErrInvalidFormatParameters;
  return kBeErrSuccessful;
}

uint32_t ValidateRecord(const TMp3Record& r) {
  // Only the LAME layout is supported, not the older MP3-only one.
  if (r.config != kConfigLame) return kBeErrInvalidFormat;
  if (r.structVersion != kStructVersion || r.structSize != kStructSize)
    return kBeErrInvalidFormatParameters;
  if (r.sampleRate == 0 || r.sampleRate > 1000000) return kBeErrInvalidFormatParameters;
  return kBeErrSuccessful;
}

// Zeros where the Info frame will go, in front of the stream's first bytes; how many.
size_t ReserveInfoRoom(TLameStream& stream, uint8_t* output) {
  if (!stream.ownInfoPending) return 0;
  stream.ownInfoPending = false;
  std::memset(output, 0, stream.ownInfoSize);
  return stream.ownInfoSize;
}

std::vector<uint8_t> OwnInfoFrame(const TLameStream& stream) {
  lame_global_flags* gf = stream.flags;
  TInfoFrameFacts facts;
  facts.sampleRate = static_cast<uint32_t>(lame_get_out_samplerate(gf));
  facts.mono = lame_get_mode(gf) == MONO;
  facts.kbps = lame_get_brate(gf);
  facts.lowpassHz = lame_get_lowpassfreq(gf);
  facts.audioFrames = static_cast<uint32_t>(std::max(lame_get_frameNum(gf), 0));
  facts.fileBytes = stream.bytesOut;
  facts.delay = lame_get_encoder_delay(gf);
  facts.padding = lame_get_encoder_padding(gf);
  return MakeInfoFrame(facts);
}

}  // namespace

uint32_t beInitStream(const TMp3Config& config, uint32_t& samplesPerChunk,
                      uint32_t& outputBufferSize, THbeStream& handle) {
  handle = nullptr;
  samplesPerChunk = 0;
  outputBufferSize = 0;
  TMp3Record record = UnpackMp3Record(config);
  if (uint32_t code = ValidateRecord(record); code != kBeErrSuccessful) return code;

  lame_global_flags* gf = lame_init();
  if (gf == nullptr) return kBeErrNoMoreHandles;
  if (uint32_t code = Configure(gf, record); code != kBeErrSuccessful) {
    lame_close(gf);
    return code;
  }

  uint32_t channels = static_cast<uint32_t>(lame_get_num_channels(gf));
  // Version 0 (MPEG-2 and 2.5) frames hold 576 samples a channel, MPEG-1 frames 1152. The
  // encoder accepts any count: this only sizes the caller's chunks.
  uint32_t frameSamples = lame_get_version(gf) == 0 ? 576 : 1152;
  auto* stream = new (std::nothrow) TLameStream;
  if (stream == nullptr) {
    lame_close(gf);
    return kBeErrNoMoreHandles;
  }
  stream->flags = gf;
  stream->chunkSamples = frameSamples * channels;
  // The encoder's own worst case for a chunk of that many samples a channel, times the growth
  // when it upsamples (a rate below its lowest), so a chunk's output always fits.
  uint32_t inRate = static_cast<uint32_t>(lame_get_in_samplerate(gf));
  uint32_t outRate = static_cast<uint32_t>(lame_get_out_samplerate(gf));
  uint32_t growth = outRate > inRate && inRate > 0 ? (outRate + inRate - 1) / inRate : 1;
  stream->bufferSize = static_cast<uint32_t>(1.25 * frameSamples * growth + 7200);
  const bool mono = lame_get_mode(gf) == MONO;
  if (lame_get_VBR(gf) == vbr_off && !StreamFrameHoldsInfo(outRate, mono, lame_get_brate(gf))) {
    stream->ownInfoSize = InfoFrameSize(outRate, mono);
    stream->ownInfoPending = true;
    stream->bufferSize += static_cast<uint32_t>(stream->ownInfoSize);
  }
  samplesPerChunk = stream->chunkSamples;
  outputBufferSize = stream->bufferSize;
  handle = stream;
  return kBeErrSuccessful;
}

uint32_t beEncodeChunk(THbeStream handle, uint32_t sampleCount, const int16_t* samples,
                       uint8_t* output, uint32_t& outputBytes) {
  outputBytes = 0;
  if (handle == nullptr) return kBeErrInvalidHandle;
  if (output == nullptr || (samples == nullptr && sampleCount > 0) ||
      sampleCount > handle->chunkSamples)
    return kBeErrInvalidFormatParameters;
  lame_global_flags* gf = handle->flags;
  int channels = lame_get_num_channels(gf);
  int frames = static_cast<int>(sampleCount) / channels;
  // The encoder reads but does not write the samples; its interface just lacks the const.
  auto* pcm = const_cast<int16_t*>(samples);
  const size_t room = ReserveInfoRoom(*handle, output);
  int size = static_cast<int>(handle->bufferSize - room);
  int produced = channels == 1
                     ? lame_encode_buffer(gf, pcm, pcm, frames, output + room, size)
                     : lame_encode_buffer_interleaved(gf, pcm, frames, output + room, size);
  if (produced < 0) return kBeErrBufferTooSmall;
  outputBytes = static_cast<uint32_t>(room + static_cast<size_t>(produced));
  handle->bytesOut += outputBytes;
  return kBeErrSuccessful;
}

uint32_t beDeinitStream(THbeStream handle, uint8_t* output, uint32_t& outputBytes) {
  outputBytes = 0;
  if (handle == nullptr) return kBeErrInvalidHandle;
  if (output == nullptr) return kBeErrInvalidFormatParameters;
  const size_t room = ReserveInfoRoom(*handle, output);
  int produced =
      lame_encode_flush(handle->flags, output + room, static_cast<int>(handle->bufferSize - room));
  if (produced < 0) return kBeErrBufferTooSmall;
  outputBytes = static_cast<uint32_t>(room + static_cast<size_t>(produced));
  handle->bytesOut += outputBytes;
  return kBeErrSuccessful;
}

uint32_t beGetVBRHeaderFrame(THbeStream handle, std::vector<uint8_t>& frame) {
  frame.clear();
  if (handle == nullptr) return kBeErrInvalidHandle;
  if (handle->ownInfoSize > 0) {
    frame = OwnInfoFrame(*handle);
    return frame.size() == handle->ownInfoSize ? kBeErrSuccessful : kBeErrBufferTooSmall;
  }
  size_t size = lame_get_lametag_frame(handle->flags, nullptr, 0);
  if (size == 0) return kBeErrSuccessful;
  frame.resize(size);
  size_t written = lame_get_lametag_frame(handle->flags, frame.data(), frame.size());
  if (written == 0 || written > size) {
    frame.clear();
    return kBeErrBufferTooSmall;
  }
  frame.resize(written);
  return kBeErrSuccessful;
}

uint32_t beCloseStream(THbeStream handle) {
  if (handle == nullptr) return kBeErrInvalidHandle;
  lame_close(handle->flags);
  delete handle;
  return kBeErrSuccessful;
}

}  // namespace quillon
