#include "core/PathEscapes.h"

namespace qarvo {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;
constexpr char16_t kReplacement = 0xFFFD;

bool IsEscape(char16_t unit) { return unit >= 0xDC80 && unit <= 0xDCFF; }

// The length of the well-formed UTF-8 sequence at `at` (1 to 4) and its code point, or 0:
// overlong forms, encoded surrogates and points past U+10FFFF are not well formed.
int DecodeAt(std::string_view bytes, size_t at, char32_t& point) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) {
    point = lead;
    return 1;
  }
  int length;
  char32_t least;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    least = 0x80;
    point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    least = 0x800;
    point = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    least = 0x10000;
    point = lead & 0x07;
  } else {
    return 0;
  }
  if (at + length > bytes.size()) return 0;
  for (int i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    point = (point << 6) | (byte(i) & 0x3F);
  }
  if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return 0;
  return length;
}

void AppendUtf16(std::u16string& out, char32_t point) {
  if (point < 0x10000) {
    out += static_cast<char16_t>(point);
    return;
  }
  point -= 0x10000;
  out += static_cast<char16_t>(0xD800 + (point >> 10));
  out += static_cast<char16_t>(0xDC00 + (point & 0x3FF));
}

void AppendUtf8(std::string& out, char32_t point) {
  if (point < 0x80) {
    out += static_cast<char>(point);
  } else if (point < 0x800) {
    out += static_cast<char>(0xC0 | (point >> 6));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    out += static_cast<char>(0xE0 | (point >> 12));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (point >> 18));
    out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  }
}

}  // namespace

std::u16string EscapePathBytes(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (size_t at = 0; at < bytes.size();) {
    char32_t point = 0;
    const int length = DecodeAt(bytes, at, point);
    if (length == 0) {
      out += static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[at]));
      ++at;
      continue;
    }
    AppendUtf16(out, point);
    at += static_cast<size_t>(length);
  }
  return out;
}

std::string UnescapePathBytes(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size(); ++at) {
    const char16_t unit = text[at];
    if (IsEscape(unit)) {
      out += static_cast<char>(unit - kEscapeBase);
    } else if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 &&
               text[at + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                          (static_cast<char32_t>(text[at + 1]) - 0xDC00));
      ++at;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::u16string ShownPathText(std::u16string_view text) {
  std::u16string shown(text);
  for (size_t at = 0; at < shown.size(); ++at) {
    const char16_t unit = shown[at];
    if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < shown.size() && shown[at + 1] >= 0xDC00 &&
        shown[at + 1] <= 0xDFFF) {
      ++at;  // a character past U+FFFF
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      shown[at] = kReplacement;
    }
  }
  return shown;
}

}  // namespace qarvo
