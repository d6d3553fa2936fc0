// The version text shown after the application title, e.g. " 3.300 ".
#pragma once

#include <string>

namespace qarvo {

// " " + major + "." + minor, release and build written one after another + " ".
std::string BuildVersionText(unsigned major, unsigned minor, unsigned release, unsigned build);

// From the version compiled into this program.
std::string BuildVersionText();

}  // namespace qarvo
