#include "jobs/EncoderAvailability.h"

#include "media/LibraryApi.h"
#include "media/LibraryLoader.h"
#include "media/NameMapping.h"

namespace qarvo {

bool LoadedLibrariesHaveEncoder(const std::string& profileEncoder) {
  if (!TLibraryLoader::Instance().Loaded(kEngineLibraries)) return true;
  const std::string present = TranslateEncoderName(profileEncoder);
  return api().avcodec_find_encoder_by_name(present.c_str()) != nullptr;
}

}  // namespace qarvo
