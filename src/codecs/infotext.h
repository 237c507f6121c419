#pragma once

namespace quillon {

// Makes TagLib read RIFF INFO texts as UTF-8 (Latin-1 when they are not valid UTF-8) and write
// them as UTF-8, as FFmpeg and most writers do; TagLib's own default is Latin-1 only. The
// handler is global to TagLib: set once, before the first tag is read or written.
void UseUtf8InfoText();

}  // namespace quillon
