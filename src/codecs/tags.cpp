#include "codecs/tags.h"

namespace quillon {

TTagValues::TTagValues(std::string text) {
  Add(std::move(text));
}

TTagValues::TTagValues(std::vector<std::string> values) {
  for (std::string& value : values) Add(std::move(value));
}

const std::string& TTagValues::First() const {
  static const std::string kNone;
  return values_.empty() ? kNone : values_.front();
}

void TTagValues::Add(std::string value) {
  if (!value.empty()) values_.push_back(std::move(value));
}

std::string TTagValues::Joined(std::string_view separator) const {
  std::string text;
  for (const std::string& value : values_) {
    if (!text.empty()) text += separator;
    text += value;
  }
  return text;
}

}  // namespace quillon
