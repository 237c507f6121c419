#include "platform/filelist.h"

#include <unistd.h>

#include <cctype>
#include <optional>

#include "platform/percentencoding.h"

namespace quillon {

namespace {

constexpr std::string_view kFileScheme = "file:";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// None when an escape is malformed or decodes to a NUL byte, which no path holds.
std::optional<std::string> PercentDecoded(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      result += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
    if (high < 0 || low < 0 || (high == 0 && low == 0)) return std::nullopt;
    result += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return result;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithNoCase(a, b);
}

bool IsLocalHost(std::string_view host) {
  if (host.empty() || EqualsNoCase(host, "localhost")) return true;
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return false;
  return EqualsNoCase(host, name);
}

// The local path of one file URI; none for any other URI or a file on another machine.
std::optional<std::string> LocalPathOfUri(std::string_view uri) {
  if (!StartsWithNoCase(uri, kFileScheme)) return std::nullopt;
  std::string_view rest = uri.substr(kFileScheme.size());
  if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    size_t slash = rest.find('/');
    if (slash == std::string_view::npos || !IsLocalHost(rest.substr(0, slash))) return std::nullopt;
    rest.remove_prefix(slash);
  }
  // A query or fragment is no part of a file's name.
  rest = rest.substr(0, rest.find_first_of("?#"));
  if (!rest.starts_with('/')) return std::nullopt;
  return PercentDecoded(rest);
}

std::string_view Trimmed(std::string_view line) {
  const char* blanks = " \t\r\n";
  size_t first = line.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return line.substr(first, line.find_last_not_of(blanks) - first + 1);
}

template <typename TakeLine>
void ForEachLine(std::string_view text, TakeLine take) {
  while (!text.empty()) {
    size_t end = text.find('\n');
    take(Trimmed(text.substr(0, end)));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

}  // namespace

std::vector<std::string> LocalPathsOfUriList(std::string_view text) {
  std::vector<std::string> paths;
  ForEachLine(text, [&](std::string_view line) {
    if (line.empty() || line.starts_with('#')) return;
    if (std::optional<std::string> path = LocalPathOfUri(line)) paths.push_back(std::move(*path));
  });
  return paths;
}

std::vector<std::string> LocalPathsOfText(std::string_view text) {
  std::vector<std::string> paths;
  bool allPaths = true;
  ForEachLine(text, [&](std::string_view line) {
    if (line.empty()) return;
    std::optional<std::string> path;
    if (line.starts_with('/') && line.find('\0') == std::string_view::npos)
      path = std::string(line);
    else
      path = LocalPathOfUri(line);
    if (path)
      paths.push_back(std::move(*path));
    else
      allPaths = false;
  });
  if (!allPaths) paths.clear();
  return paths;
}

std::string FileUriOf(const std::string& path) {
  return std::string(kFileScheme) + "//" + PercentEncode(path, "/");
}

}  // namespace quillon
