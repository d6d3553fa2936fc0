#include "core/VersionText.h"

namespace qarvo {

std::string BuildVersionText(unsigned major, unsigned minor, unsigned release, unsigned build) {
  return " " + std::to_string(major) + "." + std::to_string(minor) + std::to_string(release) +
         std::to_string(build) + " ";
}

std::string BuildVersionText() {
  return BuildVersionText(QARVO_VERSION_MAJOR, QARVO_VERSION_MINOR, QARVO_VERSION_PATCH,
                          QARVO_VERSION_TWEAK);
}

}  // namespace qarvo
