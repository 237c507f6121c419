#pragma once

#include <cstdio>
#include <string>

namespace quillon {

class Twavefile;

// The document's format and peak level, one "name: value" a line.
void PrintInfo(const Twavefile& document, std::FILE* out);
// The peak index, one "MAX MIN" entry a line.
void PrintPeaks(const Twavefile& document, std::FILE* out);

// Runs quillon-cli with its arguments (without the program name); returns the exit status.
int RunCli(int argc, const char* const* argv);

}  // namespace quillon
