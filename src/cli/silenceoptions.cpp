#include "cli/silenceoptions.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace quillon {

namespace {

std::optional<double> ParseDecimal(std::string_view text) {
  if (text.empty() || text.size() > 32) return std::nullopt;
  const std::string copy(text);
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::vector<std::string_view> Fields(std::string_view text) {
  std::vector<std::string_view> fields;
  for (size_t colon; (colon = text.find(':')) != std::string_view::npos;) {
    fields.push_back(text.substr(0, colon));
    text.remove_prefix(colon + 1);
  }
  fields.push_back(text);
  return fields;
}

bool ThresholdFits(double db) {
  return db < 0 && db >= -120;
}

std::nullopt_t Refuse(std::string_view option, const char* value, const char* wanted) {
  std::fprintf(stderr, "quillon-cli: %.*s takes %s%s%s%s\n", static_cast<int>(option.size()),
               option.data(), wanted, value ? ", not \"" : ".", value ? value : "",
               value ? "\"." : "");
  return std::nullopt;
}

}  // namespace

bool ParseSilenceOption(std::string_view option, const char* value,
                        std::optional<TSilenceOption>& result, bool& usedValue) {
  usedValue = false;
  if (option == "--trim-silence") {
    TSilenceOption trim{true, {}};
    // The level is optional: a following number below zero is it, anything else is not.
    if (value) {
      if (const auto db = ParseDecimal(value); db && *db < 0) {
        usedValue = true;
        if (!ThresholdFits(*db)) {
          result = Refuse(option, value, "a level in dBFS from -120 to below 0");
          return true;
        }
        trim.settings.thresholdDb = *db;
      }
    }
    result = trim;
    return true;
  }
  if (option != "--shorten-silences") return false;
  usedValue = value != nullptr;
  const char* wanted = "DB:MINSECONDS:KEEPSECONDS, a level below 0 dBFS and two lengths";
  const std::vector<std::string_view> fields = Fields(value ? value : "");
  std::optional<double> db, min, keep;
  if (fields.size() == 3) {
    db = ParseDecimal(fields[0]);
    min = ParseDecimal(fields[1]);
    keep = ParseDecimal(fields[2]);
  }
  if (!db || !min || !keep || !ThresholdFits(*db) || *min <= 0 || *keep < 0 || *keep >= *min) {
    result = Refuse(option, value, wanted);
    return true;
  }
  result = TSilenceOption{false, {*db, *min, *keep}};
  return true;
}

}  // namespace quillon
