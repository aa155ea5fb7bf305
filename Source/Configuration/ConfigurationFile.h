#pragma once

#include <memory>
#include <optional>

#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Decoder.h"

namespace quorvel {

// The host's configuration property list, "QuorvelConfiguration.plist" in its override bundle,
// read once and parsed once for everything a theme takes from it (its metrics and its fonts).
struct ConfigurationFile {
    // Whether the bundle has a file (or anything else) under that name; false without a bundle.
    bool found = false;
    // The file's bytes, when it could be read.
    std::optional<platform::Data> bytes;
    // The parsed list, when the bytes are a property list.
    std::optional<platform::Decoder> decoder;

    // Reads and parses the file of `bundle`. A file larger than PropertyList::maximumSize is
    // refused from its size, unread. When something is found that cannot be used, the reason is
    // logged once on the themes channel: "<name>.plist could not be read: <why>" or
    // "<name>.plist is not a property list: <why>". A missing file is not logged here: each
    // reader says what it falls back to.
    static ConfigurationFile load(const std::shared_ptr<platform::Bundle>& bundle);
};

}  // namespace quorvel
