#include "editing/TFrameProcessor.h"

#include "core/FrameEffects.h"

namespace qarvo {

bool TFrameProcessor::Process(TBitmap& frame, const TlvFilesRecord& record, std::string& error) {
  const TWatermarkPicture* watermark = nullptr;
  if (!record.WaterImage.empty()) {
    watermark = pictures_.Picture(record.WaterImage, error);
    if (!watermark) return false;
  }
  ProcessFrame(frame, record, &text_, watermark);
  return true;
}

}  // namespace qarvo
