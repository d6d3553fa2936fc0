// Source facts read with the media probe.
#pragma once

#include <optional>
#include <string>

#include "core/TSourceFacts.h"

namespace qarvo {

class TCustomMediaProbe;

// Facts of the file the probe has loaded.
TSourceFacts FactsOf(TCustomMediaProbe& probe);

// Loads the file into a fresh probe; nothing with `error` set when it cannot be read.
std::optional<TSourceFacts> ProbeSource(const std::string& fileName, std::string& error);

}  // namespace qarvo
