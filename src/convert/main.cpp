// qarvo-convert: converts files the way the application's Start does, without windows.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "convert/ConvertArguments.h"
#include "convert/ConvertRunner.h"
#include "core/AppPaths.h"
#include "core/FormatCatalogue.h"
#include "engine/LibraryLoader.h"
#include "probe/TMediaProbe.h"

namespace {

using namespace qarvo;

bool LoadLibraries() {
  TLibraryLoader& loader = TLibraryLoader::Instance();
  loader.SetLibPath(ExecutableFolder() + "LibAV");
  if (loader.Load(kEngineLibraries)) return true;
  std::cerr << "qarvo-convert: cannot load the media libraries: " << loader.LastError() << '\n';
  return false;
}

int ListFormats() {
  for (const TCatalogueFormat& format : AllCatalogueFormats())
    std::cout << format.Code << '\t' << format.Name << '\n';
  return 0;
}

int Info(const std::string& file) {
  if (!LoadLibraries()) return 1;
  TMediaProbe probe;
  if (!probe.LoadFile(file)) {
    std::cerr << "qarvo-convert: " << file << ": " << probe.LastErrMsg() << '\n';
    return 1;
  }
  std::cout << probe.FileInfoText() << '\n';
  return 0;
}

// The conversion engine is not part of this build yet: say so instead of pretending.
int Convert(const TConvertArguments&) {
  std::cerr << "qarvo-convert: converting needs the conversion engine, which this build does "
               "not contain yet\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const TConvertArguments arguments =
      ParseConvertArguments(std::vector<std::string>(argv + 1, argv + argc));
  if (!arguments.Error.empty()) {
    std::cerr << "qarvo-convert: " << arguments.Error << "\n\n" << kConvertUsage;
    return 2;
  }
  try {
    switch (arguments.Mode) {
      case TConvertMode::Help: std::cout << kConvertUsage; return 0;
      case TConvertMode::ListFormats: return ListFormats();
      case TConvertMode::Info: return Info(arguments.Files.front());
      case TConvertMode::Convert: return Convert(arguments);
    }
  } catch (const std::exception& e) {
    std::cerr << "qarvo-convert: " << e.what() << '\n';
  }
  return 1;
}
