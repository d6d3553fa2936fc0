// The seven colour schemes on screen: a palette and a style sheet for the whole application,
// so every dialog takes the main window's scheme when it is shown.
#pragma once

namespace qarvo {

// An index outside 0 to 6 applies the default scheme.
void ApplyColourScheme(int index);

}  // namespace qarvo
