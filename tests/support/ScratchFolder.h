// A fresh folder for one test's files, removed with everything in it afterwards. Unique
// across the test programs that run at the same time.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace qarvo::test {

class TScratchFolder {
 public:
  explicit TScratchFolder(const std::string& tag = "test") {
    std::string pattern =
        (std::filesystem::temp_directory_path() / ("qarvo-" + tag + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
      throw std::runtime_error("cannot make a scratch folder " + pattern);
    folder_ = pattern;
  }
  ~TScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;

  std::string File(const std::string& name) const { return folder_ + "/" + name; }
  const std::string& Folder() const { return folder_; }

  // Names of what the folder holds, in directory order.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_))
      names.push_back(entry.path().filename().string());
    return names;
  }

 private:
  std::string folder_;
};

inline void WriteText(const std::string& fileName, const std::string& text) {
  std::ofstream(fileName, std::ios::binary) << text;
}

inline std::string ReadText(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace qarvo::test
