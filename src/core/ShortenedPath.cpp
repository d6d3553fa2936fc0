#include "core/ShortenedPath.h"

#include <filesystem>

#include "core/Utf8Text.h"

namespace qarvo {

std::string ShortenedPath(const std::string& path, size_t longest, size_t kept) {
  if (Utf8Length(path) <= longest) return path;
  return Utf8Prefix(path, kept) + ".." + std::filesystem::path(path).extension().string() + "  ";
}

}  // namespace qarvo
