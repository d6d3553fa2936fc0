// The top-level boxes of an ISO media file (MP4, MOV, 3GP...), read from the file itself.
#pragma once

#include <string>
#include <vector>

namespace qarvo::test {

// Box types in file order; empty when the file cannot be read.
std::vector<std::string> TopLevelBoxTypes(const std::string& path);

// The index ("moov") comes before the media data ("mdat"), and both are there.
bool IndexBeforeData(const std::string& path);

}  // namespace qarvo::test
