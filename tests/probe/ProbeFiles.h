// Files for probe tests: copies of standard clips with metadata, other containers, damage.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qarvo::test {

using TMetadata = std::vector<std::pair<std::string, std::string>>;

struct TRemuxSpec {
  std::string Muxer;            // output format short name
  TMetadata ContainerMetadata;  // set on the output container
  TMetadata StreamMetadata;     // set on every output stream
};

// Copies every stream of `source` into `target` without re-encoding.
void RemuxClip(const std::string& source, const std::string& target, const TRemuxSpec& spec);

// The first `size` bytes of `source`.
void WritePrefix(const std::string& source, const std::string& target, int64_t size);
// `size` pseudo-random bytes, the same for every run.
void WriteRandomBytes(const std::string& target, int64_t size);

}  // namespace qarvo::test
