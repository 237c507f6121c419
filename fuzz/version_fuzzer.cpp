// Any server answer to the update check, against any installed version: the comparison is
// consistent, and the only address ever opened is the product site's page.
#include <string>

#include "fuzz_support.h"
#include "platform/urlopener.h"
#include "update/checkpad5.h"
#include "update/versioncompare.h"

using namespace quillon;

namespace {

class TRecordingUrlOpener : public TUrlOpener {
 public:
  void Open(const std::string& url) override { opened.push_back(url); }
  std::vector<std::string> opened;
};

struct TCheckBench {
  TCheckBench() : checker(1) {
    checker.Configure({"https://example.com", "", ""});
    SetMessageBoxes(&boxes);
    SetUrlOpener(&opener);
    boxes.answer = true;
  }
  ~TCheckBench() {
    SetUrlOpener(nullptr);
    SetMessageBoxes(nullptr);
  }
  TVersionCheck checker;
  fuzz::TQuietMessageBoxes boxes;
  TRecordingUrlOpener opener;
};

void CheckComparison(const std::string& a, const std::string& b) {
  const auto newer = IsNewerVersion(a, b);
  const auto older = IsNewerVersion(b, a);
  if (IsWellFormedVersion(a) && IsWellFormedVersion(b)) {
    fuzz::Check(newer.has_value() && older.has_value(), "two versions that do not compare");
    fuzz::Check(!(*newer && *older), "each version newer than the other");
  }
  if (IsWellFormedVersion(a)) fuzz::Check(IsNewerVersion(a, a) == false, "newer than itself");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TCheckBench bench;
  // The installed version comes first, up to the first line break; the rest is the answer.
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t lineEnd = input.find('\n');
  const std::string installed = input.substr(0, lineEnd);
  const std::string response = lineEnd == std::string::npos ? "" : input.substr(lineEnd + 1);
  CheckComparison(response, installed);

  bench.checker.Version = installed;
  bench.checker.VersionKnown = true;
  bench.boxes.shown = 0;
  bench.opener.opened.clear();
  ShowCheckResult(bench.checker, response);
  fuzz::Check(bench.boxes.shown <= 1, "more than one message for one answer");
  for (const auto& url : bench.opener.opened)
    fuzz::Check(url == "https://example.com/", "an address off the product site");
  return 0;
}
