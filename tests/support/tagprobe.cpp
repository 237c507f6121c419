#include "support/tagprobe.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

#include "support/fixtures.h"

namespace quillon::test {

namespace {

struct TStream {
  std::string type, codec;
  bool attachedPicture = false;
  std::map<std::string, std::string> tags;
};

std::string Unquote(std::string value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = value.substr(1, value.size() - 2);
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) ++i;
    out += value[i];
  }
  return out;
}

std::string FfmpegName(std::string key) {
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  if (key == "albumartist" || key == "album artist") return "album_artist";
  if (key == "tracknumber") return "track";
  if (key == "year") return "date";
  return key;
}

std::vector<std::string> Lines(const std::string& command) {
  std::vector<std::string> lines;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return lines;
  std::string line;
  for (int c; (c = std::fgetc(pipe)) != EOF;) {
    if (c != '\n') {
      line += static_cast<char>(c);
      continue;
    }
    lines.push_back(line);
    line.clear();
  }
  pclose(pipe);
  return lines;
}

}  // namespace

TProbedTags ProbeTags(const std::string& path) {
  std::map<int, TStream> streams;
  std::map<std::string, std::string> format;
  const std::string streamPrefix = "streams.stream.", formatTags = "format.tags.";
  for (const std::string& line :
       Lines("ffprobe -v error -show_format -show_streams -of flat '" + path + "'")) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals), value = Unquote(line.substr(equals + 1));
    if (key.starts_with(formatTags)) {
      format[FfmpegName(key.substr(formatTags.size()))] = value;
      continue;
    }
    if (!key.starts_with(streamPrefix)) continue;
    const size_t dot = key.find('.', streamPrefix.size());
    if (dot == std::string::npos) continue;
    TStream& stream = streams[std::stoi(key.substr(streamPrefix.size()))];
    const std::string field = key.substr(dot + 1);
    if (field == "codec_type") stream.type = value;
    if (field == "codec_name") stream.codec = value;
    if (field == "disposition.attached_pic") stream.attachedPicture = value == "1";
    if (field.starts_with("tags.")) stream.tags[FfmpegName(field.substr(5))] = value;
  }
  TProbedTags probed;
  probed.tags = format;
  for (const auto& [index, stream] : streams) {
    if (stream.type == "audio")
      for (const auto& [key, value] : stream.tags) probed.tags.emplace(key, value);
    if (stream.attachedPicture && probed.coverCodec.empty()) probed.coverCodec = stream.codec;
  }
  return probed;
}

bool HaveFfprobe() {
  return RunCommand("ffprobe -version >/dev/null 2>&1") == 0;
}

}  // namespace quillon::test
