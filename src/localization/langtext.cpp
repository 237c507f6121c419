#include "localization/langtext.h"

#include <QString>
#include <QStringDecoder>
#include <cctype>
#include <charconv>

namespace quillon {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; the five unassigned codes stay as
// their C1 controls, as Windows itself maps them.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString DecodeWindows1252(const std::vector<uint8_t>& bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (uint8_t byte : bytes)
    text += QChar(byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : char16_t(byte));
  return text;
}

QString Decode(QStringConverter::Encoding encoding, const std::vector<uint8_t>& bytes, size_t skip,
               bool* failed = nullptr) {
  QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
  QByteArrayView view(reinterpret_cast<const char*>(bytes.data()) + skip,
                      static_cast<qsizetype>(bytes.size() - skip));
  QString text = decoder(view);
  if (failed) *failed = decoder.hasError();
  return text;
}

bool StartsWith(const std::vector<uint8_t>& bytes, std::initializer_list<uint8_t> mark) {
  return bytes.size() >= mark.size() && std::equal(mark.begin(), mark.end(), bytes.begin());
}

QString DecodeWhole(const std::vector<uint8_t>& bytes) {
  if (StartsWith(bytes, {0xEF, 0xBB, 0xBF})) return Decode(QStringConverter::Utf8, bytes, 3);
  if (StartsWith(bytes, {0xFF, 0xFE})) return Decode(QStringConverter::Utf16LE, bytes, 2);
  if (StartsWith(bytes, {0xFE, 0xFF})) return Decode(QStringConverter::Utf16BE, bytes, 2);
  bool failed = false;
  QString text = Decode(QStringConverter::Utf8, bytes, 0, &failed);
  return failed ? DecodeWindows1252(bytes) : text;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::vector<std::string> DecodeLanguageText(const std::vector<uint8_t>& bytes) {
  const QString text = DecodeWhole(bytes);
  std::vector<std::string> lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.mid(start, i - start).toStdString());
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.mid(start).toStdString());
  return lines;
}

std::string DecodeEscapes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (text[i] != '\\') {
      out += text[i];
    } else if (next == 'n') {
      out += "\r\n";
      ++i;
    } else if (next == 't') {
      out += '\t';
      ++i;
    } else if (next == '\\') {
      out += '\\';
      ++i;
    } else if (IsDigit(next) && i + 2 < text.size() && IsDigit(text[i + 2])) {
      out += static_cast<char>((next - '0') * 10 + (text[i + 2] - '0'));
      i += 2;
    } else {
      out += '\\';
    }
  }
  return out;
}

std::string EncodeEscapes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\t') {
      out += "\\t";
    } else if (c == '\r' || c == '\n') {
      // A CR LF or LF CR pair is one line break.
      const char next = i + 1 < text.size() ? text[i + 1] : '\0';
      if ((next == '\r' || next == '\n') && next != c) ++i;
      out += "\\n";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (static_cast<unsigned char>(c) < 32) {
      out += '\\';
      out += static_cast<char>('0' + c / 10);
      out += static_cast<char>('0' + c % 10);
    } else {
      out += c;
    }
  }
  return out;
}

int32_t ToIntDef(std::string_view text, int32_t fallback) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.starts_with('$')) {
    base = 16;
    text.remove_prefix(1);
  } else if (text.starts_with("0x") || text.starts_with("0X")) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty() || text.front() == '-' || text.front() == '+') return fallback;
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size()) return fallback;
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return fallback;
  return static_cast<int32_t>(value);
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

bool MatchesMask(std::string_view text, std::string_view mask) {
  auto same = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  };
  // Greedy match with one back-tracking point: the last "*" seen.
  size_t t = 0, m = 0, starMask = std::string_view::npos, starText = 0;
  while (t < text.size()) {
    if (m < mask.size() && (mask[m] == '?' || (mask[m] != '*' && same(mask[m], text[t])))) {
      ++t;
      ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starText = t;
    } else if (starMask != std::string_view::npos) {
      m = starMask + 1;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

}  // namespace quillon
