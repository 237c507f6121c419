#include "update/uuriencode.h"

#include "platform/percentencoding.h"

namespace quillon {

std::string URIEncode(const std::string& text) {
  return PercentEncode(text);
}

}  // namespace quillon
