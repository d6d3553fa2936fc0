#include "core/TlvFilesRecord.h"

namespace qarvo {

int32_t DurationSeconds(int64_t durationUs) {
  return durationUs > 0 ? static_cast<int32_t>(durationUs / 1000000) : 0;
}

TlvFilesRecord NewJobRecord(const std::string& sourceFile, const std::string& destFile,
                            int64_t durationUs, const std::string& zoom) {
  TlvFilesRecord record;
  record.SourceFile = sourceFile;
  record.DestFile = destFile;
  record.Duration = DurationSeconds(durationUs);
  record.Zoom = zoom;
  return record;
}

}  // namespace qarvo
