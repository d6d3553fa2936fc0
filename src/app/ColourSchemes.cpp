#include "app/ColourSchemes.h"

namespace qarvo {

void ApplyColourScheme(int) {}

}  // namespace qarvo
