// qarvo-convert: converts files the way the application's Start does, without windows.
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <string>
#include <vector>

#include "base/MainThread.h"
#include "base/ProcessEnd.h"
#include "media/EngineLogger.h"
#include "media/LibraryLoader.h"
#include "probe/TMediaProbe.h"
#include "core/AppPaths.h"
#include "core/ErrorMessage.h"
#include "core/FormatCatalogue.h"
#include "core/GlobalObject.h"
#include "convert/ConvertArguments.h"
#include "convert/ConvertRunner.h"
#include "convert/EngineBatch.h"

namespace {

using namespace qarvo;

// A probe waiting on a slow source gives up too; a running conversion is stopped by the
// runner, keeping what it converted.
extern "C" void OnInterrupt(int) {
  TConvertRunner::StopRequested() = true;
  RequestProcessEnd();
}

bool LoadLibraries() {
  TLibraryLoader& loader = TLibraryLoader::Instance();
  loader.SetLibPath(ExecutableFolder() + "LibAV");
  if (loader.Load(kEngineLibraries)) return true;
  std::cerr << "qarvo-convert: cannot load the media libraries: " << loader.LastError() << '\n';
  return false;
}

// QARVO_LOG=<level> (a level name such as "verbose", or a library number) copies the engine
// log to standard error, for finding out why a conversion failed.
void LogToStandardError() {
  const char* level = std::getenv("QARVO_LOG");
  if (!level || !*level) return;
  TEngineLogger& logger = TEngineLogger::GetLogger();
  logger.SetLevelFromText(level);
  logger.SetTriggerEventInMainThread(false);
  logger.SetOnLog([](const void*, uint32_t, TLogLevel level, const std::string& message) {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    std::cerr << "[" << LogLevelName(level) << "] " << message;
    if (message.empty() || message.back() != '\n') std::cerr << '\n';
  });
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
    std::cerr << "qarvo-convert: " << file << ": " << PlainJobMessage(probe.LastErrMsg(), file, "")
              << '\n';
    return 1;
  }
  std::cout << probe.FileInfoText() << '\n';
  return 0;
}

int Convert(const TConvertArguments& arguments) {
  if (!LoadLibraries()) return 1;
  LogToStandardError();
  TGlobalObject global;
  ApplyProductConfigurations(global, CurrentPathEnvironment());
  PrepareSettingsFolder(global.SettingsFile());
  TMainThread::SetMainThread();
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::unique_ptr<IHeadlessEngine> engine = MakeEngineBatch();
  TConvertRunner runner(*engine, {global.SettingsFile(), global.FormatFile()}, std::cout, std::cerr,
                        ::isatty(STDERR_FILENO) != 0);
  return runner.Run(arguments);
}

}  // namespace

int main(int argc, char** argv) {
  // The AV1 library writes its start-up notes to standard error, through the progress lines;
  // its errors still show. Set before any thread starts; a value the user set is kept.
  ::setenv("SVT_LOG", "1", 0);  // NOLINT(concurrency-mt-unsafe): no other thread runs yet
  const TConvertArguments arguments =
      ParseConvertArguments(std::vector<std::string>(argv + 1, argv + argc));
  if (!arguments.Error.empty()) {
    std::cerr << "qarvo-convert: " << arguments.Error << "\n\n" << kConvertUsage;
    return 2;
  }
  try {
    switch (arguments.Mode) {
      case TConvertMode::Help:
        std::cout << kConvertUsage;
        return 0;
      case TConvertMode::ListFormats:
        return ListFormats();
      case TConvertMode::Info:
        return Info(arguments.Files.front());
      case TConvertMode::Convert:
        return Convert(arguments);
    }
  } catch (const std::exception& e) {
    std::cerr << "qarvo-convert: " << e.what() << '\n';
  }
  return 1;
}
