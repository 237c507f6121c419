#include "localization/constants.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <shared_mutex>

namespace quillon {

namespace {

// The product web site's host, completing "availablefrom".
constexpr const char* kProductHost = "quillon.morvane.net";

std::vector<TMessageConstant> MakeDesignedConstants() {
  const std::pair<const char*, std::string> designed[] = {
      {"uptodate", "You already have the latest version of this program:"},
      {"writeerror", "Data write error!"},
      {"downloadit", "Do you want to download it now ?"},
      {"normalname", "Normalization (%)"},
      {"availablefrom", std::string("is available from ") + kProductHost},
      {"formatstring", "Format:"},
      {"silencetitle", "Silence Duration"},
      {"existoverwrite", "This file already exists. Overwrite?"},
      {"selectfolder", "Select a folder for temporary files:"},
      {"silencename", "Silence (ms)"},
      {"savechanges", "Would you like to save changes?"},
      {"alreadyloaded", "This file already loaded"},
      {"operationinprogress", "Please wait. Operation in progress..."},
      {"cursorpositionstring", "Cursor Position:"},
      {"normaltitle", "Normalization Settings"},
      {"amplitudestring", "Max. Amplitude:"},
      {"streamerror", "Error opening encoding stream"},
      {"amplifytitle", "Amplify"},
      {"newversion", "The new version of this program"},
      {"componentnotfound", "Component not found"},
      {"outofmemory", "There is not enough memory or disk space to complete the operation."},
      {"amplifyname", "Amplify (%)"},
      {"pleaseinstall", "Please download and install it from our site."},
      {"unableconnect", "Unable to connect to"},
      {"durationstring", "Duration:"},
  };
  std::vector<TMessageConstant> constants;
  for (const auto& [name, text] : designed) constants.push_back({name, text, text});
  return constants;
}

bool SameKey(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

std::shared_mutex lock;

std::vector<TMessageConstant>& Current() {
  static std::vector<TMessageConstant> current = DesignedConstants();
  return current;
}

TMessageConstant* Find(std::string_view key) {
  auto& all = Current();
  auto it = std::find_if(all.begin(), all.end(), [&](auto& c) { return SameKey(c.wsName, key); });
  return it == all.end() ? nullptr : &*it;
}

}  // namespace

const std::vector<TMessageConstant>& DesignedConstants() {
  static const std::vector<TMessageConstant> designed = MakeDesignedConstants();
  return designed;
}

std::string ConstantText(std::string_view key) {
  std::shared_lock reading(lock);
  if (const TMessageConstant* constant = Find(key)) return constant->wsValue;
  throw EVxLangError("Constant \"" + std::string(key) + "\" not found");
}

bool SetConstantText(std::string_view key, const std::string& text) {
  std::unique_lock writing(lock);
  TMessageConstant* constant = Find(key);
  if (!constant) return false;
  constant->wsValue = text;
  return true;
}

void RestoreDesignedConstants() {
  std::unique_lock writing(lock);
  for (auto& constant : Current()) constant.wsValue = constant.wsDefValue;
}

}  // namespace quillon
