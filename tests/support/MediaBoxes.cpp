#include "support/MediaBoxes.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>

namespace qarvo::test {

std::vector<std::string> TopLevelBoxTypes(const std::string& path) {
  std::vector<std::string> types;
  std::ifstream in(path, std::ios::binary);
  in.seekg(0, std::ios::end);
  const auto end = static_cast<uint64_t>(in.tellg());
  for (uint64_t at = 0; in && at + 8 <= end;) {
    std::array<unsigned char, 16> header{};
    in.seekg(static_cast<std::streamoff>(at));
    in.read(reinterpret_cast<char*>(header.data()), 16);
    in.clear();
    uint64_t size = 0;
    for (int i = 0; i < 4; ++i) size = (size << 8) | header[i];
    if (size == 1)
      for (int i = 8; i < 16; ++i) size = (size << 8) | header[i];
    types.emplace_back(reinterpret_cast<const char*>(header.data() + 4), 4);
    if (size < 8) break;
    at += size;
  }
  return types;
}

bool IndexBeforeData(const std::string& path) {
  const std::vector<std::string> types = TopLevelBoxTypes(path);
  const auto moov = std::find(types.begin(), types.end(), "moov");
  const auto mdat = std::find(types.begin(), types.end(), "mdat");
  return moov != types.end() && mdat != types.end() && moov < mdat;
}

}  // namespace qarvo::test
