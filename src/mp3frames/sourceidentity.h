// sourceidentity: what tells one MP3 file from another, so that frames mapped to a source in one
// place (a copied clip, a journal of an earlier run) are only taken as those of the same file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

struct TMp3Frame;
class TMp3Source;

// The file's name, size and modification time, and a digest of its frames' layout: a file
// written anew at the same name has another time, another file of the same layout another name.
struct TSourceIdentity {
  std::string path;
  uint64_t bytes = 0;
  int64_t modifiedNs = 0;
  uint64_t digest = 0;
  bool operator==(const TSourceIdentity&) const = default;
};

TSourceIdentity IdentifySource(const std::string& path, uint64_t bytes, int64_t modifiedNs,
                               const std::vector<TMp3Frame>& frames);

// Whether a and b are the same usable file, indexed once or twice.
bool SameSource(const TMp3Source* a, const TMp3Source* b);

}  // namespace quillon
