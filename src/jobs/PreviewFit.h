// Fitting the conversion preview picture into the progress window's picture area.
#pragma once

namespace qarvo {

struct TFitRect {
  int X = 0, Y = 0, Width = 0, Height = 0;
  friend bool operator==(const TFitRect&, const TFitRect&) = default;
};

// The largest rectangle of the picture's shape inside the area, centred; the margin on each
// side is half the free space rounded to the nearest integer, halves to even. An empty
// picture or area gives an empty rectangle.
TFitRect FitPicture(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight);

}  // namespace qarvo
