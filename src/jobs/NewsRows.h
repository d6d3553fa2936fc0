// The news rows the progress window shows, one at a time.
#pragma once

#include <string>
#include <vector>

namespace qarvo {

struct TAdInfo {
  std::string AdText;
  std::string AdUrl;  // opened only when it contains "http"
  bool operator==(const TAdInfo&) const = default;
};

// The seven rows used when no news file is available.
const std::vector<TAdInfo>& BuiltInNewsRows();

// The address a click on a row opens: AdUrl + "?" + title + " " + newest version; empty for a
// row whose link cannot be opened.
std::string NewsLink(const TAdInfo& row, const std::string& appTitle,
                     const std::string& newestVersion);

}  // namespace qarvo
