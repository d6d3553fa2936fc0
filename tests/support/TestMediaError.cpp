#include "support/TestMediaError.h"

#include <stdexcept>

#include "media/LibraryApi.h"
#include "media/LibraryLoader.h"

namespace qarvo {

std::string AvErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  if (api().av_strerror(code, text, sizeof text) < 0) return "error " + std::to_string(code);
  return text;
}

int CheckAv(int code, const std::string& call) {
  if (code < 0) throw std::runtime_error(call + ": " + AvErrorText(code));
  return code;
}

void LoadMediaLibraries() {
  TLibraryLoader& loader = TLibraryLoader::Instance();
  if (!loader.Load(kEngineLibraries))
    throw std::runtime_error("cannot load the media libraries: " + loader.LastError());
}

}  // namespace qarvo
