#include "update/osdescription.h"

#include <sys/utsname.h>

#include <cctype>
#include <fstream>
#include <sstream>

namespace quillon {

namespace {
// os-release values may be quoted, with backslash escapes inside quotes.
std::string Unquoted(const std::string& value) {
  if (value.size() < 2 || (value.front() != '"' && value.front() != '\'')) return value;
  std::string text;
  for (size_t i = 1; i + 1 < value.size(); ++i) {
    if (value[i] == '\\' && i + 2 < value.size()) ++i;
    text += value[i];
  }
  return text;
}

std::string OsReleaseValue(const std::string& osRelease, const std::string& key) {
  std::istringstream lines(osRelease);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.compare(0, key.size() + 1, key + "=") == 0)
      return Unquoted(line.substr(key.size() + 1));
  }
  return "";
}

std::string DistributionName(const std::string& osRelease) {
  for (const char* key : {"PRETTY_NAME", "NAME"}) {
    std::string name = OsReleaseValue(osRelease, key);
    if (!name.empty()) return name;
  }
  return "Linux";
}

std::string LeadingNumber(const std::string& text, size_t& pos) {
  size_t start = pos;
  while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) ++pos;
  return pos > start ? text.substr(start, pos - start) : "0";
}

// "6.1.0-18-amd64" gives 6, 1 and 0.
void KernelNumbers(const std::string& release, std::string& major, std::string& minor,
                   std::string& patch) {
  size_t pos = 0;
  major = LeadingNumber(release, pos);
  if (pos < release.size() && release[pos] == '.') ++pos;
  minor = LeadingNumber(release, pos);
  if (pos < release.size() && release[pos] == '.') ++pos;
  patch = LeadingNumber(release, pos);
}

// The kernel's build count ("#1 SMP ..."), else its patch level.
std::string BuildNumber(const std::string& kernelVersion, const std::string& patch) {
  size_t pos = kernelVersion.find('#');
  if (pos == std::string::npos || pos + 1 >= kernelVersion.size() ||
      !std::isdigit(static_cast<unsigned char>(kernelVersion[pos + 1])))
    return patch;
  ++pos;
  return LeadingNumber(kernelVersion, pos);
}

std::string Edition(const std::string& machine) {
  bool wide = machine.find("64") != std::string::npos || machine == "s390x";
  return wide ? "64-bit Edition" : "32-bit Edition";
}

std::string FileText(const char* path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}
}  // namespace

std::string DescribeOperatingSystem(const std::string& osRelease, const std::string& kernelRelease,
                                    const std::string& kernelVersion, const std::string& machine) {
  std::string major, minor, patch;
  KernelNumbers(kernelRelease, major, minor, patch);
  return DistributionName(osRelease) + " (Version " + major + "." + minor + ", Build " +
         BuildNumber(kernelVersion, patch) + ", " + Edition(machine) + ")";
}

std::string OperatingSystemDescription() {
  std::string osRelease = FileText("/etc/os-release");
  if (osRelease.empty()) osRelease = FileText("/usr/lib/os-release");
  utsname system{};
  if (uname(&system) != 0) return DescribeOperatingSystem(osRelease, "", "", "");
  return DescribeOperatingSystem(osRelease, system.release, system.version, system.machine);
}

}  // namespace quillon
