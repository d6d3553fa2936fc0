// qarvo-mkclip: writes one clip of the standard test catalogue.
//   qarvo-mkclip NAME OUTPUT_PATH
//   qarvo-mkclip --list
#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>

#include "support/TestMedia.h"

namespace {

int Usage() {
  std::cerr << "usage: qarvo-mkclip NAME OUTPUT_PATH\n       qarvo-mkclip --list\n";
  return 2;
}

int List() {
  for (const qarvo::TNamedClip& clip : qarvo::StandardClips())
    std::cout << clip.Name << ": " << qarvo::DescribeClip(clip.Spec) << '\n';
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0) return List();
    if (argc != 3) return Usage();
    const qarvo::TClipSpec& spec = qarvo::StandardClip(argv[1]);
    const std::filesystem::path folder = std::filesystem::path(argv[2]).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder);
    qarvo::GenerateClip(spec, argv[2]);
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "qarvo-mkclip: " << e.what() << '\n';
    return 1;
  }
}
