#include "update/versioncompare.h"

#include <cstdint>
#include <vector>

namespace quillon {

namespace {
std::vector<std::string> Parts(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t dot = text.find('.', start);
    parts.push_back(text.substr(start, dot - start));
    if (dot == std::string::npos) return parts;
    start = dot + 1;
  }
}

std::optional<int64_t> Number(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::optional<int64_t> Weight(const std::vector<std::string>& list, size_t first) {
  static constexpr int64_t kWeights[] = {1000000, 10000, 100, 1};
  int64_t weight = 0;
  for (size_t i = 0; i < 4; ++i) {
    if (first + i >= list.size()) return std::nullopt;
    auto value = Number(list[first + i]);
    if (!value) return std::nullopt;
    weight += *value * kWeights[i];
  }
  return weight;
}
}  // namespace

std::optional<bool> IsNewerVersion(const std::string& remote, const std::string& current) {
  if (remote.find('.') == std::string::npos || current.find('.') == std::string::npos) return false;
  std::vector<std::string> list = Parts(remote);
  std::vector<std::string> currentParts = Parts(current);
  list.insert(list.end(), currentParts.begin(), currentParts.end());
  auto remoteValue = Weight(list, 0);
  auto currentValue = Weight(list, 4);
  if (!remoteValue || !currentValue) return std::nullopt;
  return *currentValue < *remoteValue;
}

bool IsWellFormedVersion(const std::string& text) {
  std::vector<std::string> parts = Parts(text);
  if (parts.size() != 4) return false;
  for (const auto& part : parts)
    if (!Number(part)) return false;
  return true;
}

}  // namespace quillon
