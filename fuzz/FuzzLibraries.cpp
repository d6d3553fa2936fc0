#include "FuzzLibraries.h"

#include <cstdio>
#include <cstdlib>

#include "media/EngineLogger.h"
#include "media/LibraryLoader.h"

namespace qarvo::fuzz {

void LoadEngineLibraries() {
  TLibraryLoader& loader = TLibraryLoader::Instance();
  if (loader.Loaded(kEngineLibraries)) return;
  if (!loader.Load(kEngineLibraries)) {
    std::fprintf(stderr, "fuzz: cannot load the media libraries: %s\n", loader.LastError().c_str());
    std::exit(1);
  }
  TEngineLogger::GetLogger().SetLevelFromText("quiet");
}

}  // namespace qarvo::fuzz
