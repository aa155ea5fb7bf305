#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "Platform/Foundation/Bundle.h"
#include "Platform/Graphics/Color.h"
#include "Platform/Graphics/Image.h"

namespace quorvel::platform {

// Named colours and images of a bundle, standing in for the phone platform's compiled asset
// catalogues. The compiled form is one JSON file at the top of the bundle, "Assets.json":
//
//   {
//     "colors": { "accent": {"red": 0.1, "green": 0.2, "blue": 0.3, "alpha": 1.0}, ... },
//     "images": { "logo": "Images/logo.png",
//                 "badge": {"file": "Images/badge@2x.png", "scale": 2}, ... }
//   }
//
// Colours are sRGB components from 0 to 1 (alpha may be left out and is then 1). Images are files
// relative to the bundle's folder (absolute paths and ".." are refused), at scale 1 unless the
// object form gives another positive scale. An entry of the wrong shape or with a component
// outside 0 to 1 (say, a file written with 0-255 values) is skipped and logged, naming the entry
// and the file (error level, one record per entry), quoting no more than a short prefix of a
// long name or value. A malformed file (not JSON, not an object, nested deeper than 32 levels,
// not a regular file) makes an empty catalogue and is logged once; a missing file makes an empty
// catalogue silently. Nothing throws.
//
// A bundle's catalogue is read once, on first use, and kept for the process, keyed by the
// bundle's path; its images are decoded once, when first asked for, and shared. Safe to use from
// any thread.
class AssetCatalog {
public:
    static constexpr std::string_view fileName = "Assets.json";

    // A null bundle means the main bundle (Bundle::main()).
    static std::optional<Color> color(std::string_view name,
                                      const std::shared_ptr<Bundle>& bundle = nullptr);
    static std::shared_ptr<Image> image(std::string_view name,
                                        const std::shared_ptr<Bundle>& bundle = nullptr);
    // The same lookups in a bundle at hand.
    static std::optional<Color> color(std::string_view name, const Bundle& bundle);
    static std::shared_ptr<Image> image(std::string_view name, const Bundle& bundle);

    // Names that can be in a catalogue: not empty, not "." or "..", without "/" or NUL. Other
    // names are never found.
    static bool isValidName(std::string_view name);

    // Forgets every catalogue read so far, for hosts that rewrite a bundle and for tests.
    static void resetCache();
};

}  // namespace quorvel::platform
