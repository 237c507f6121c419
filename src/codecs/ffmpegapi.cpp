#define QUILLON_FFMPEG_TABLE_ONLY
#include "codecs/ffmpegapi.h"

#include <dlfcn.h>

#include <string>
#include <string_view>

#include "localization/constants.h"
#include "platform/error.h"

namespace quillon {

namespace {

// The sonames of the libraries the headers were written for.
const char* LibraryName(std::string_view library) {
  if (library == "avutil") return "libavutil.so." AV_STRINGIFY(LIBAVUTIL_VERSION_MAJOR);
  if (library == "avcodec") return "libavcodec.so." AV_STRINGIFY(LIBAVCODEC_VERSION_MAJOR);
  if (library == "avformat") return "libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR);
  return "libswresample.so." AV_STRINGIFY(LIBSWRESAMPLE_VERSION_MAJOR);
}

[[noreturn]] void Missing(const std::string& what) {
  throw Exception(ConstantText("ffmpegmissing") + " " + what);
}

void* Function(std::string_view library, const char* name) {
  // Each library stays loaded for the process's life.
  void* handle = dlopen(LibraryName(library), RTLD_NOW | RTLD_LOCAL);
  if (!handle) Missing(dlerror());
  void* function = dlsym(handle, name);
  if (!function) Missing(std::string(LibraryName(library)) + ": " + name);
  return function;
}

TFfmpegApi Load() {
  TFfmpegApi api;
#define QUILLON_FFMPEG_LOAD(library, name) \
  api.name = reinterpret_cast<decltype(api.name)>(Function(#library, #name));
  QUILLON_FFMPEG_FUNCTIONS(QUILLON_FFMPEG_LOAD)
#undef QUILLON_FFMPEG_LOAD
  return api;
}

}  // namespace

const TFfmpegApi& FfmpegApi() {
  // Loaded once, by whichever thread comes first; a load that throws is tried again next time.
  static const TFfmpegApi api = Load();
  return api;
}

}  // namespace quillon
