#include "codecs/infotext.h"

#include <taglib/infotag.h>

#include <mutex>

namespace quillon {

namespace {

class TUtf8InfoText : public TagLib::RIFF::Info::StringHandler {
 public:
  TagLib::String parse(const TagLib::ByteVector& data) const override {
    TagLib::String text(data, TagLib::String::UTF8);
    // TagLib gives an empty text for bytes that are no UTF-8.
    if (text.isEmpty() && !data.isEmpty()) return TagLib::String(data, TagLib::String::Latin1);
    return text;
  }
  TagLib::ByteVector render(const TagLib::String& text) const override {
    return text.data(TagLib::String::UTF8);
  }
};

}  // namespace

void UseUtf8InfoText() {
  static std::once_flag once;
  static TUtf8InfoText handler;
  std::call_once(once, [] { TagLib::RIFF::Info::Tag::setStringHandler(&handler); });
}

}  // namespace quillon
