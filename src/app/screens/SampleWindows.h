// Windows filled with sample content for the screenshots.
#pragma once

#include <QImage>
#include <memory>

#include "base/TBitmap.h"

class QMenu;
class QWidget;

namespace qarvo {
class TfrmProgress;
}

namespace qarvo::screens {

// A picture like a frame of a holiday clip, drawn in code.
void DrawSamplePicture(TBitmap& bitmap, int width, int height);

// The progress window during the second of three jobs, with its preview picture.
std::unique_ptr<TfrmProgress> ProgressDuringARun(const TBitmap& picture);

// Every kind of control a scheme styles, side by side.
std::unique_ptr<QWidget> ControlGallery();

// A menu as it opens from the menu bar.
std::unique_ptr<QMenu> SampleMenu();

}  // namespace qarvo::screens
