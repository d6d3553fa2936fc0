// What each row of the format selector list carries.
#pragma once

#include <cstdint>

namespace qarvo {

struct TItemInfo {
  uint8_t IsFormat = 0;
  uint8_t IsCategory = 0;
  bool Collapsed = false;  // category rows only
  int32_t Code = 0;        // category row: category number; format row: format code
};

}  // namespace qarvo
