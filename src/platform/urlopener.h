#pragma once

#include <string>

namespace quillon {

// Opens an address with the desktop's default handler (a web address in the browser). The
// editor installs one; without it nothing opens.
class TUrlOpener {
 public:
  virtual ~TUrlOpener() = default;
  virtual void Open(const std::string& url) = 0;
};

TUrlOpener& UrlOpener();
void SetUrlOpener(TUrlOpener* opener);

}  // namespace quillon
