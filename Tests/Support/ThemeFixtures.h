#pragma once

#include <map>
#include <string>
#include <vector>

#include "Platform/Graphics/Color.h"
#include "Platform/Log/LogRecord.h"
#include "Support/TemporaryBundle.h"

namespace quorvel::testsupport {

// Writes the bundle's compiled asset catalogue with these named colours.
void writeColorAssets(const TemporaryBundle& bundle,
                      const std::map<std::string, quorvel::platform::Color>& colors);

// Writes "QuorvelConfiguration.plist" holding a dictionary with `entries` (XML of the keys and
// values, e.g. "<key>a</key><real>1</real>").
void writeConfiguration(const TemporaryBundle& bundle, std::string_view entries);

// The messages of the records, each as "category: message".
std::vector<std::string> categorized(const std::vector<quorvel::platform::LogRecord>& records);

}  // namespace quorvel::testsupport
