#include "playback/playformat.h"

#include <cstdio>

namespace quillon {

TWaveFormatEx Pcm16Format(uint16_t channels, uint32_t rate) {
  const auto blockAlign = static_cast<uint16_t>(channels * 2);
  return {WAVE_FORMAT_PCM, channels, rate, rate * blockAlign, blockAlign, 16, 0};
}

uint32_t ChannelMask(uint16_t channels) {
  switch (channels) {
    case 1:
      return 0x4;
    case 2:
      return 0x3;
    case 3:
      return 0xB;
    case 4:
      return 0x33;
    case 5:
      return 0x3B;
    case 6:
      return 0x3F;
    case 8:
      return 0xFF;
    default:
      return 0;
  }
}

TWaveFormatExtensible PlaybackFormat(const TWaveFormatEx& format) {
  TWaveFormatExtensible result{};
  result.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
  result.Format.nChannels = format.nChannels;
  result.Format.nSamplesPerSec = format.nSamplesPerSec;
  result.Format.wBitsPerSample = format.wBitsPerSample;
  result.Format.nBlockAlign = static_cast<uint16_t>(format.nChannels * (format.wBitsPerSample / 8));
  result.Format.nAvgBytesPerSec = format.nSamplesPerSec * result.Format.nBlockAlign;
  result.Format.cbSize = kExtensibleExtraSize;
  result.wValidBitsPerSample = 16;
  result.dwChannelMask = ChannelMask(format.nChannels);
  result.SubFormat = kSubFormatPcm;
  return result;
}

std::string FormatDescription(const TWaveFormatExtensible& format) {
  const TWaveFormatEx& f = format.Format;
  char text[512];
  std::snprintf(text, sizeof text,
                "Format:     %d\r\nChannels:   %d\r\nSamplerate:       %d\r\nBytesPerSecond: "
                "%d\r\nBlockAlign: %d\r\nBitsPerSample: %d\r\ncbSize: %d\r\n",
                f.wFormatTag, f.nChannels, static_cast<int>(f.nSamplesPerSec),
                static_cast<int>(f.nAvgBytesPerSec), f.nBlockAlign, f.wBitsPerSample, f.cbSize);
  std::string result = text;
  if (f.wFormatTag == WAVE_FORMAT_EXTENSIBLE) {
    std::snprintf(text, sizeof text, "Valid bits:   %d\r\nChannelsmask: %d\r\nKSDataFormat: %s\r\n",
                  format.wValidBitsPerSample, static_cast<int>(format.dwChannelMask),
                  GuidToString(format.SubFormat).c_str());
    result += text;
  }
  return result;
}

uint32_t SegmentBytes(const TWaveFormatEx& format) {
  uint32_t align = format.nBlockAlign;
  uint32_t segment = format.nSamplesPerSec * align / 20;
  if (align > 0 && segment % align != 0) segment += align - segment % align;
  return segment;
}

std::string GuidToString(const TGuid& guid) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.data1,
                guid.data2, guid.data3, guid.data4[0], guid.data4[1], guid.data4[2], guid.data4[3],
                guid.data4[4], guid.data4[5], guid.data4[6], guid.data4[7]);
  return text;
}

}  // namespace quillon
