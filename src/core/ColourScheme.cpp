#include "core/ColourScheme.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace qarvo {
namespace {

constexpr TRgb Hex(uint32_t rgb) {
  return {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
          static_cast<uint8_t>(rgb)};
}

constexpr TRgb kText = Hex(0x1F1F1F);
constexpr TRgb kWhite = Hex(0xFFFFFF);
constexpr TRgb kLink = Hex(0x1A4FB5);

// Window, odd rows, accent, border, secondary captions. The odd-row colours are fixed by the
// job list's drawing rules; the rest is chosen so every caption keeps a 4.5:1 contrast.
constexpr std::array<TColourScheme, kColourSchemeCount> kSchemes{{
    {"Default", Hex(0xF3F5FB), Hex(0xE2E6F6), Hex(0x3A5BA0), kWhite, kText, kWhite, kWhite,
     Hex(0xA9B4D0), kLink, Hex(0x4A5060)},
    {"Gray", Hex(0xF4F4F4), Hex(0xECECEC), Hex(0x5F6368), kWhite, kText, kWhite, kWhite,
     Hex(0xB4B4B4), kLink, Hex(0x505050)},
    {"Orange", Hex(0xFBF7EE), Hex(0xF8F2E0), Hex(0xA8550F), kWhite, kText, kWhite, kWhite,
     Hex(0xD5C29A), kLink, Hex(0x5C4A32)},
    {"Purple", Hex(0xFAF3F8), Hex(0xF6E6F1), Hex(0x7E3F7A), kWhite, kText, kWhite, kWhite,
     Hex(0xCFAFC8), kLink, Hex(0x5A4157)},
    {"Red", Hex(0xFBF2F2), Hex(0xF7E1E1), Hex(0xA83232), kWhite, kText, kWhite, kWhite,
     Hex(0xD9AFAF), kLink, Hex(0x5E3C3C)},
    {"Green", Hex(0xF2FAF2), Hex(0xE2F7E1), Hex(0x2F7D32), kWhite, kText, kWhite, kWhite,
     Hex(0xA9CDA9), kLink, Hex(0x3E5540)},
    // A lighter blue accent reads at 4.4:1 as a group title on this window colour.
    {"Light blue", Hex(0xF1F8FB), Hex(0xE1F0F7), Hex(0x1A6BA0), kWhite, kText, kWhite, kWhite,
     Hex(0xA8CBDD), kLink, Hex(0x3A5260)},
}};

constexpr TRgb kOddRowOutsideSchemes = Hex(0xEBEBEB);

double Linear(uint8_t channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

bool InRange(int index) { return index >= 0 && index < kColourSchemeCount; }

}  // namespace

std::string HexText(TRgb colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", colour.R, colour.G, colour.B);
  return text;
}

const TColourScheme& ColourScheme(int index) { return kSchemes[InRange(index) ? index : 0]; }

TRgb OddRowColour(int index) {
  return InRange(index) ? kSchemes[index].OddRow : kOddRowOutsideSchemes;
}

TFocusRowColours FocusRowColours(bool listHasFocus) {
  if (listHasFocus) return {Hex(0xB9CCEC), Hex(0x7AA0DA)};
  return {Hex(0xE5ECF8), Hex(0x98B5E2)};
}

TRgb Mix(TRgb a, TRgb b, double weightOfB) {
  const auto channel = [weightOfB](uint8_t x, uint8_t y) {
    return static_cast<uint8_t>(std::lround(x + (y - x) * weightOfB));
  };
  return {channel(a.R, b.R), channel(a.G, b.G), channel(a.B, b.B)};
}

TRgb SoftAccent(const TColourScheme& scheme) { return Mix(scheme.Accent, scheme.Base, 0.6); }

TRgb DisabledText(const TColourScheme& scheme) { return Mix(scheme.Text, scheme.Window, 0.55); }

double RelativeLuminance(TRgb colour) {
  return 0.2126 * Linear(colour.R) + 0.7152 * Linear(colour.G) + 0.0722 * Linear(colour.B);
}

double ContrastRatio(TRgb a, TRgb b) {
  double la = RelativeLuminance(a);
  double lb = RelativeLuminance(b);
  if (la < lb) std::swap(la, lb);
  return (la + 0.05) / (lb + 0.05);
}

}  // namespace qarvo
