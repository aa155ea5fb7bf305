#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
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
// object form gives another scale from 1 to 4 (a positive scale outside keeps 1, logged at info
// level naming the image). An entry of the wrong shape or with a component outside 0 to 1 (say,
// a file written with 0-255 values, or a number such as 1e309 that is valid JSON but out of a
// double's range) is skipped and logged, naming the entry and the file (error level, one record
// per entry), quoting no more than a short prefix of a long name or value. A malformed file (not
// JSON, not an object, nested deeper than 32 levels, larger than maximumFileSize, not a regular
// file) makes an empty catalogue and is logged once, naming the file and why, as is any other
// failure that empties one; a missing file makes an empty catalogue silently. Nothing throws.
//
// A bundle's catalogue is read once, on first use, and kept for the process, keyed by the
// bundle's path. An image file is decoded once, when an image of it is first asked for, scaled
// down to maximumImageSide, and its pixels are shared by every name that points at it; a file
// that cannot be read, does not decode or has more than maximumImagePixels is logged once,
// naming it and why, and its names find nothing. Safe to use from any thread.
class AssetCatalog {
public:
    static constexpr std::string_view fileName = "Assets.json";

    // The largest catalogue file that is read: 1 MB, hundreds of times a catalogue of every
    // colour and image a host themes. A larger file is refused from its size, unread.
    static constexpr std::size_t maximumFileSize = std::size_t{1} << 20;

    // The most pixels an image of a catalogue may have: 16 million (64 MB decoded). The images
    // are icons, never drawn larger than the window: a full 390 × 844-point window at scale 3 is
    // 3 megapixels, a 4K screen 8.3. A larger image is refused from its header, undecoded.
    static constexpr std::int64_t maximumImagePixels = 16'000'000;

    // The most pixels an image keeps on its longer side: 512. The screens' icons are drawn 30 to
    // 76 points wide (the capture button), at most 3 pixels per point on the phone-sized window
    // and never denser than the densest scale an image may have, 4: 128 points at scale 4 leave
    // room to spare. A larger picture is scaled down to this once decoded, its scale lowered to
    // match, so that its size in points (on its longer side exactly) stays what it was: thirteen
    // icons then keep at most 13 MB of pixels, where thirteen of 16 megapixels kept 832 MB.
    static constexpr int maximumImageSide = 512;

    // A null bundle means the main bundle (Bundle::main()).
    static std::optional<Color> color(std::string_view name,
                                      const std::shared_ptr<Bundle>& bundle = nullptr);
    static std::shared_ptr<Image> image(std::string_view name,
                                        const std::shared_ptr<Bundle>& bundle = nullptr);
    // The same lookups in a bundle at hand.
    static std::optional<Color> color(std::string_view name, const Bundle& bundle);
    static std::shared_ptr<Image> image(std::string_view name, const Bundle& bundle);

    // The image in a file that no catalogue names (an uncompiled catalogue's image set), at
    // scale 1, bounded and scaled down as a catalogue's images are. It is decoded once and kept,
    // by the file's path, until resetCache, and so is the lack of one; only a file that cannot
    // be read (missing, say) is tried again on the next call. `failure`, when not null, tells
    // why there is no image on the call that found out, and is left alone otherwise.
    static std::shared_ptr<Image> imageFile(const std::filesystem::path& file,
                                            ImageFailure* failure = nullptr);

    // Names that can be in a catalogue: not empty, not "." or "..", without "/" or NUL. Other
    // names are never found.
    static bool isValidName(std::string_view name);

    // Forgets every catalogue read so far, for hosts that rewrite a bundle and for tests.
    static void resetCache();
};

}  // namespace quorvel::platform
