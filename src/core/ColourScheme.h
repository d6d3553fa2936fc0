// The seven colour schemes as data: each screen colour of a scheme, the job list's row
// colours, and the contrast arithmetic that keeps every caption readable.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qarvo {

struct TRgb {
  uint8_t R = 0, G = 0, B = 0;
  friend bool operator==(const TRgb&, const TRgb&) = default;
};

// "#rrggbb".
std::string HexText(TRgb colour);

struct TColourScheme {
  const char* Caption;
  TRgb Window;  // window and dialog background
  TRgb OddRow;  // job list rows 1, 3, 5, ...
  TRgb Accent;  // selection, focus frame, group titles, progress, slider handles
  TRgb TextOnAccent;
  TRgb Text;    // captions and list text on every light surface
  TRgb Base;    // lists, edit boxes, even rows
  TRgb Button;  // button face
  TRgb Border;  // frames of buttons, boxes and lists
  TRgb Link;    // the progress window's news row
  TRgb Muted;   // secondary captions (the label column of the progress window)
};

inline constexpr int kColourSchemeCount = 7;

// Index outside 0 to 6: the default scheme (0).
const TColourScheme& ColourScheme(int index);

// Background of an odd job-list row; #EBEBEB for an index outside 0 to 6.
TRgb OddRowColour(int index);

// The focused row of the job list, with and without the keyboard focus in the list.
struct TFocusRowColours {
  TRgb Fill;
  TRgb Frame;
};
TFocusRowColours FocusRowColours(bool listHasFocus);

// A blend: weight 0 gives `a`, 1 gives `b`.
TRgb Mix(TRgb a, TRgb b, double weightOfB);
// The accent lightened for surfaces that carry normal text (progress bar chunks, pressed
// buttons).
TRgb SoftAccent(const TColourScheme& scheme);
// Captions of disabled controls (not held to the text contrast).
TRgb DisabledText(const TColourScheme& scheme);

// Relative luminance and contrast ratio (1 to 21) as the accessibility guidelines define them.
double RelativeLuminance(TRgb colour);
double ContrastRatio(TRgb a, TRgb b);

// Normal text must reach this ratio against its background.
inline constexpr double kMinimumTextContrast = 4.5;

}  // namespace qarvo
