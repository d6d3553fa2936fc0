// The job record attached to each row of the job list: what the user set for one file.
#pragma once

#include <cstdint>
#include <string>

namespace qarvo {

// Font of the watermark text. Colour is 0xRRGGBB.
struct TWaterFont {
  std::string Name = "MS Sans Serif";
  int Size = 8;  // points
  uint32_t Color = 0x000000;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
};

struct TlvFilesRecord {
  std::string SourceFile;
  std::string DestFile;
  int32_t Duration = 0;       // whole seconds
  int64_t TrimStart = 0;      // µs; 0 = from the beginning
  int64_t TrimLength = 0;     // µs; 0 = to the end
  std::string Zoom = "lbox";  // "full", "lbox", "pan", "center" (crop dialog: "orig", "cent")
  int32_t CropTop = 0, CropLeft = 0, CropBottom = 0, CropRight = 0;  // source pixels, even
  int32_t CropTopEntered = 0, CropLeftEntered = 0, CropBottomEntered = 0, CropRightEntered = 0;
  std::string WaterText;
  TWaterFont WaterFont;  // owned with the record
  int32_t TextX = 0, TextY = 0;
  int32_t TextHorizPos = 0, TextVertPos = 0;
  std::string WaterImage;
  int32_t ImageX = 0, ImageY = 0;
  int32_t ImageHorizPos = 0, ImageVertPos = 0;
  int32_t ImageAlpha = 168;
  int32_t TransparentStyle = 1;
  int32_t Brightness = 255;  // 255 neutral
  int32_t Contrast = 0;      // 0 neutral
  int32_t Saturation = 255;  // 255 neutral
  int32_t Exposure = 0;      // 0 neutral
  bool ProcessText = false;
  bool ProcessImage = false;

  // True when the conversion hook has something to do for this job: a colour effect,
  // exposure, a watermark text or a watermark picture.
  bool NeedsHook() const {
    return Brightness != 255 || Contrast != 0 || Saturation != 255 || Exposure != 0 ||
           !WaterText.empty() || !WaterImage.empty();
  }
};

// The record of a newly added row.
TlvFilesRecord NewJobRecord(const std::string& sourceFile, const std::string& destFile,
                            int64_t durationUs, const std::string& zoom);

// Whole seconds of a container duration in µs, towards zero; 0 for an unknown duration.
int32_t DurationSeconds(int64_t durationUs);

}  // namespace qarvo
