// The news rows the progress window shows, one at a time, and the rule for the addresses
// the news may open or fetch.
#pragma once

#include <QLoggingCategory>
#include <QString>
#include <string>
#include <vector>

namespace qarvo {

// Refused news addresses and answers are logged here ("qarvo.news").
Q_DECLARE_LOGGING_CATEGORY(lcNews)

struct TAdInfo {
  std::string AdText;
  std::string AdUrl;  // opened only when it is an http or https address (IsWebAddress)
  bool operator==(const TAdInfo&) const = default;
};

// The seven rows used when no news file is available.
const std::vector<TAdInfo>& BuiltInNewsRows();

// An absolute http or https address naming a host. The news comes from the network, so no
// other scheme (a file, a share, a desktop entry, a program's own scheme) is ever opened.
bool IsWebAddress(const QString& address);

// The address a click on a row opens: AdUrl + "?" + title + " " + newest version. Empty for
// a row whose link does not contain "http" (such a row only shows its text) and for one that
// is not a web address (logged).
std::string NewsLink(const TAdInfo& row, const std::string& appTitle,
                     const std::string& newestVersion);

}  // namespace qarvo
