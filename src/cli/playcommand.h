#pragma once

namespace quillon {

// quillon-cli play FILE [--from FRAME] [--frames N]: plays the frames through the player at
// full volume and prints each reported position as "position FRAME".
int RunPlayCommand(int argc, const char* const* argv);

// The lines of the usage text that describe the play command.
extern const char* const kPlayUsage;

}  // namespace quillon
