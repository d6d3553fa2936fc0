#include "player/ComponentTestSupport.h"

#include <stdexcept>

namespace qarvo::test {

void LoadPlayerLibraries() {
  TLibraryLoader& loader = TLibraryLoader::Instance();
  if (!loader.Load(kPlayerLibraries))
    throw std::runtime_error("cannot load the player libraries: " + loader.LastError());
}

}  // namespace qarvo::test
