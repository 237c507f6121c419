#pragma once

// FFmpeg as the codecs call it. Its libraries bring some hundred further libraries with them,
// whose loading would stand before every start-up of the editor although a start without a file
// needs none of them: they are loaded on the first call instead. Every FFmpeg function the
// codecs use is reached through the table below, under its own name (each name is defined to
// its table entry), so that the calling code reads as plain FFmpeg. Include this header in place
// of FFmpeg's own headers, after them if any are included at all. FFmpeg's inline helpers call
// the libraries directly and fail to link: avio_tell is avio_seek(context, 0, SEEK_CUR).
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/murmur3.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
#include <libavutil/tx.h>
#include <libswresample/swresample.h>
}

// The library of each function and its name. A function added here also needs its name defined
// below.
#define QUILLON_FFMPEG_FUNCTIONS(X)           \
  X(avutil, av_audio_fifo_alloc)              \
  X(avutil, av_audio_fifo_free)               \
  X(avutil, av_audio_fifo_read)               \
  X(avutil, av_audio_fifo_size)               \
  X(avutil, av_audio_fifo_write)              \
  X(avutil, av_channel_layout_compare)        \
  X(avutil, av_channel_layout_copy)           \
  X(avutil, av_channel_layout_default)        \
  X(avutil, av_channel_layout_uninit)         \
  X(avutil, av_dict_free)                     \
  X(avutil, av_dict_set_int)                  \
  X(avformat, av_find_best_stream)            \
  X(avformat, av_find_input_format)           \
  X(avutil, av_frame_alloc)                   \
  X(avutil, av_frame_free)                    \
  X(avutil, av_frame_get_buffer)              \
  X(avutil, av_frame_unref)                   \
  X(avutil, av_free)                          \
  X(avutil, av_freep)                         \
  X(avutil, av_get_bytes_per_sample)          \
  X(avutil, av_get_packed_sample_fmt)         \
  X(avformat, av_interleaved_write_frame)     \
  X(avutil, av_log_set_level)                 \
  X(avutil, av_malloc)                        \
  X(avutil, av_murmur3_alloc)                 \
  X(avutil, av_murmur3_final)                 \
  X(avutil, av_murmur3_init)                  \
  X(avutil, av_murmur3_update)                \
  X(avutil, av_opt_set_double)                \
  X(avutil, av_opt_set_int)                   \
  X(avcodec, av_packet_alloc)                 \
  X(avcodec, av_packet_free)                  \
  X(avcodec, av_packet_get_side_data)         \
  X(avcodec, av_packet_rescale_ts)            \
  X(avcodec, av_packet_unref)                 \
  X(avformat, av_read_frame)                  \
  X(avutil, av_rescale_rnd)                   \
  X(avutil, av_sample_fmt_is_planar)          \
  X(avutil, av_samples_fill_arrays)           \
  X(avutil, av_samples_get_buffer_size)       \
  X(avutil, av_samples_set_silence)           \
  X(avutil, av_strerror)                      \
  X(avutil, av_tx_init)                       \
  X(avutil, av_tx_uninit)                     \
  X(avformat, av_write_trailer)               \
  X(avcodec, avcodec_alloc_context3)          \
  X(avcodec, avcodec_descriptor_get)          \
  X(avcodec, avcodec_find_encoder_by_name)    \
  X(avcodec, avcodec_free_context)            \
  X(avcodec, avcodec_get_name)                \
  X(avcodec, avcodec_open2)                   \
  X(avcodec, avcodec_parameters_from_context) \
  X(avcodec, avcodec_parameters_to_context)   \
  X(avcodec, avcodec_receive_frame)           \
  X(avcodec, avcodec_receive_packet)          \
  X(avcodec, avcodec_send_frame)              \
  X(avcodec, avcodec_send_packet)             \
  X(avformat, avformat_alloc_output_context2) \
  X(avformat, avformat_close_input)           \
  X(avformat, avformat_find_stream_info)      \
  X(avformat, avformat_free_context)          \
  X(avformat, avformat_new_stream)            \
  X(avformat, avformat_open_input)            \
  X(avformat, avformat_write_header)          \
  X(avformat, avio_alloc_context)             \
  X(avformat, avio_context_free)              \
  X(avformat, avio_flush)                     \
  X(avformat, avio_seek)                      \
  X(avformat, avio_size)                      \
  X(swresample, swr_alloc_set_opts2)          \
  X(swresample, swr_convert)                  \
  X(swresample, swr_free)                     \
  X(swresample, swr_get_delay)                \
  X(swresample, swr_get_out_samples)          \
  X(swresample, swr_init)

namespace quillon {

struct TFfmpegApi {
#define QUILLON_FFMPEG_POINTER(library, name) decltype(&::name) name = nullptr;
  QUILLON_FFMPEG_FUNCTIONS(QUILLON_FFMPEG_POINTER)
#undef QUILLON_FFMPEG_POINTER
};

// The table, filled on the first call from any thread. Raises Exception with a clear message
// when a library or a function cannot be found; every later call tries again.
const TFfmpegApi& FfmpegApi();

}  // namespace quillon

// The loader itself names the table's entries.
#ifndef QUILLON_FFMPEG_TABLE_ONLY
// clang-format off
#define av_audio_fifo_alloc (::quillon::FfmpegApi().av_audio_fifo_alloc)
#define av_audio_fifo_free (::quillon::FfmpegApi().av_audio_fifo_free)
#define av_audio_fifo_read (::quillon::FfmpegApi().av_audio_fifo_read)
#define av_audio_fifo_size (::quillon::FfmpegApi().av_audio_fifo_size)
#define av_audio_fifo_write (::quillon::FfmpegApi().av_audio_fifo_write)
#define av_channel_layout_compare (::quillon::FfmpegApi().av_channel_layout_compare)
#define av_channel_layout_copy (::quillon::FfmpegApi().av_channel_layout_copy)
#define av_channel_layout_default (::quillon::FfmpegApi().av_channel_layout_default)
#define av_channel_layout_uninit (::quillon::FfmpegApi().av_channel_layout_uninit)
#define av_dict_free (::quillon::FfmpegApi().av_dict_free)
#define av_dict_set_int (::quillon::FfmpegApi().av_dict_set_int)
#define av_find_best_stream (::quillon::FfmpegApi().av_find_best_stream)
#define av_find_input_format (::quillon::FfmpegApi().av_find_input_format)
#define av_frame_alloc (::quillon::FfmpegApi().av_frame_alloc)
#define av_frame_free (::quillon::FfmpegApi().av_frame_free)
#define av_frame_get_buffer (::quillon::FfmpegApi().av_frame_get_buffer)
#define av_frame_unref (::quillon::FfmpegApi().av_frame_unref)
#define av_free (::quillon::FfmpegApi().av_free)
#define av_freep (::quillon::FfmpegApi().av_freep)
#define av_get_bytes_per_sample (::quillon::FfmpegApi().av_get_bytes_per_sample)
#define av_get_packed_sample_fmt (::quillon::FfmpegApi().av_get_packed_sample_fmt)
#define av_interleaved_write_frame (::quillon::FfmpegApi().av_interleaved_write_frame)
#define av_log_set_level (::quillon::FfmpegApi().av_log_set_level)
#define av_malloc (::quillon::FfmpegApi().av_malloc)
#define av_murmur3_alloc (::quillon::FfmpegApi().av_murmur3_alloc)
#define av_murmur3_final (::quillon::FfmpegApi().av_murmur3_final)
#define av_murmur3_init (::quillon::FfmpegApi().av_murmur3_init)
#define av_murmur3_update (::quillon::FfmpegApi().av_murmur3_update)
#define av_opt_set_double (::quillon::FfmpegApi().av_opt_set_double)
#define av_opt_set_int (::quillon::FfmpegApi().av_opt_set_int)
#define av_packet_alloc (::quillon::FfmpegApi().av_packet_alloc)
#define av_packet_free (::quillon::FfmpegApi().av_packet_free)
#define av_packet_get_side_data (::quillon::FfmpegApi().av_packet_get_side_data)
#define av_packet_rescale_ts (::quillon::FfmpegApi().av_packet_rescale_ts)
#define av_packet_unref (::quillon::FfmpegApi().av_packet_unref)
#define av_read_frame (::quillon::FfmpegApi().av_read_frame)
#define av_rescale_rnd (::quillon::FfmpegApi().av_rescale_rnd)
#define av_sample_fmt_is_planar (::quillon::FfmpegApi().av_sample_fmt_is_planar)
#define av_samples_fill_arrays (::quillon::FfmpegApi().av_samples_fill_arrays)
#define av_samples_get_buffer_size (::quillon::FfmpegApi().av_samples_get_buffer_size)
#define av_samples_set_silence (::quillon::FfmpegApi().av_samples_set_silence)
#define av_strerror (::quillon::FfmpegApi().av_strerror)
#define av_tx_init (::quillon::FfmpegApi().av_tx_init)
#define av_tx_uninit (::quillon::FfmpegApi().av_tx_uninit)
#define av_write_trailer (::quillon::FfmpegApi().av_write_trailer)
#define avcodec_alloc_context3 (::quillon::FfmpegApi().avcodec_alloc_context3)
#define avcodec_descriptor_get (::quillon::FfmpegApi().avcodec_descriptor_get)
#define avcodec_find_encoder_by_name (::quillon::FfmpegApi().avcodec_find_encoder_by_name)
#define avcodec_free_context (::quillon::FfmpegApi().avcodec_free_context)
#define avcodec_get_name (::quillon::FfmpegApi().avcodec_get_name)
#define avcodec_open2 (::quillon::FfmpegApi().avcodec_open2)
#define avcodec_parameters_from_context (::quillon::FfmpegApi().avcodec_parameters_from_context)
#define avcodec_parameters_to_context (::quillon::FfmpegApi().avcodec_parameters_to_context)
#define avcodec_receive_frame (::quillon::FfmpegApi().avcodec_receive_frame)
#define avcodec_receive_packet (::quillon::FfmpegApi().avcodec_receive_packet)
#define avcodec_send_frame (::quillon::FfmpegApi().avcodec_send_frame)
#define avcodec_send_packet (::quillon::FfmpegApi().avcodec_send_packet)
#define avformat_alloc_output_context2 (::quillon::FfmpegApi().avformat_alloc_output_context2)
#define avformat_close_input (::quillon::FfmpegApi().avformat_close_input)
#define avformat_find_stream_info (::quillon::FfmpegApi().avformat_find_stream_info)
#define avformat_free_context (::quillon::FfmpegApi().avformat_free_context)
#define avformat_new_stream (::quillon::FfmpegApi().avformat_new_stream)
#define avformat_open_input (::quillon::FfmpegApi().avformat_open_input)
#define avformat_write_header (::quillon::FfmpegApi().avformat_write_header)
#define avio_alloc_context (::quillon::FfmpegApi().avio_alloc_context)
#define avio_context_free (::quillon::FfmpegApi().avio_context_free)
#define avio_flush (::quillon::FfmpegApi().avio_flush)
#define avio_seek (::quillon::FfmpegApi().avio_seek)
#define avio_size (::quillon::FfmpegApi().avio_size)
#define swr_alloc_set_opts2 (::quillon::FfmpegApi().swr_alloc_set_opts2)
#define swr_convert (::quillon::FfmpegApi().swr_convert)
#define swr_free (::quillon::FfmpegApi().swr_free)
#define swr_get_delay (::quillon::FfmpegApi().swr_get_delay)
#define swr_get_out_samples (::quillon::FfmpegApi().swr_get_out_samples)
#define swr_init (::quillon::FfmpegApi().swr_init)
// clang-format on
#endif
