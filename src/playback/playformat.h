#pragma once

#include <cstdint>
#include <string>

#include "playback/dsoundtypes.h"

namespace quillon {

// 16-bit integer PCM with these channels and rate, as documents hold it.
TWaveFormatEx Pcm16Format(uint16_t channels, uint32_t rate);

// The speaker positions of a channel count; 0 for counts without a standard layout.
uint32_t ChannelMask(uint16_t channels);

// The playback buffer's extensible format for a basic integer PCM format.
TWaveFormatExtensible PlaybackFormat(const TWaveFormatEx& format);

// The fields of a format, one "name: value" line each (CR LF), for failure reports.
std::string FormatDescription(const TWaveFormatExtensible& format);

// Bytes of 50 ms, raised to a whole frame.
uint32_t SegmentBytes(const TWaveFormatEx& format);

}  // namespace quillon
