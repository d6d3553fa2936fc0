// An output file while it is written: a hidden name of its own beside the final one
// (".<final name>.qarvo-part-XXXXXX"), created exclusively and locked for as long as this
// object lives, and moved to the final name only when complete. A part file not moved is
// removed, so a failed or stopped output leaves nothing under its name; one a killed program
// left behind is removed by the next run writing into that folder.
#pragma once

#include <chrono>
#include <string>

#include "base/EngineRecords.h"
#include "media/TFileDescriptor.h"

namespace qarvo {

class TPartFile {
 public:
  // Creates the part file of `finalPath` in the same folder. Throws EEngineError naming the
  // final file when it cannot be made.
  explicit TPartFile(const std::string& finalPath);
  ~TPartFile();
  TPartFile(const TPartFile&) = delete;
  TPartFile& operator=(const TPartFile&) = delete;

  const std::string& Path() const { return path_; }
  bool Committed() const { return committed_; }
  int Descriptor() const { return fd_.Get(); }

  // Gives the file its final name and returns it (once: again, the name it got). Without
  // `nameIfTaken` an existing file of that name is replaced; with it nothing is ever replaced: a
  // name that was taken meanwhile moves on to the next one it gives. Throws EEngineError when no
  // name can be given.
  std::string Commit(const std::string& finalPath, const TNameIfTaken& nameIfTaken);

  // Whether a folder entry is a part file of this program.
  static bool IsPartName(const std::string& fileName);
  // Removes the part files in `folder` that nobody holds and that were last written before
  // `before`: the leftovers of a program that was killed. Returns how many it removed.
  static int RemoveLeftovers(const std::string& folder,
                             std::chrono::system_clock::time_point before);

 private:
  std::string path_;
  TFileDescriptor fd_;
  bool committed_ = false;
};

}  // namespace qarvo
