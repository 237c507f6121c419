#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// Local paths named by a URI list (text/uri-list): one URI a line, lines starting with '#' are
// comments. file:///p, file://localhost/p and file://<this machine's name>/p name local files;
// other hosts and other schemes are left out. Percent escapes are decoded.
std::vector<std::string> LocalPathsOfUriList(std::string_view text);

// Paths named by plain text: every non-blank line an absolute path or a file URI. None when any
// line is something else, as ordinary text must not pass for a file name.
std::vector<std::string> LocalPathsOfText(std::string_view text);

// The file URI of an absolute path, with every byte but the unreserved ones and '/' escaped.
std::string FileUriOf(const std::string& path);

}  // namespace quillon
