#pragma once

namespace quillon {

// quillon-cli split IN --dir DIR [--pattern P] [--format EXT]: writes one file per region of
// IN, or per span between its markers, each with IN's tags, its track number and its title.
int RunSplitCommand(int argc, const char* const* argv);

// The lines of the usage text that describe the split command.
extern const char* const kSplitUsage;

}  // namespace quillon
