#pragma once

#include <cstdint>
#include <optional>

namespace quorvel::platform {

// RAW file formats a photo output can write.
enum class RawPhotoFileType { dng };

// The RAW pixel format the simulated camera offers: 14-bit Bayer BGGR ('bgg4').
inline constexpr std::uint32_t rawBayerPixelFormat = 0x62676734;

// What one photo request asks for: a JPEG, a RAW photo in a given pixel format, or both.
struct PhotoSettings {
    enum class Kind { jpeg, raw, rawPlusJpeg };

    Kind kind = Kind::jpeg;
    // The RAW pixel format; set for the raw kinds only.
    std::optional<std::uint32_t> rawPixelFormat;

    static PhotoSettings jpeg() { return {}; }
    static PhotoSettings raw(std::uint32_t format) { return {Kind::raw, format}; }
    static PhotoSettings rawPlusProcessed(std::uint32_t format) {
        return {Kind::rawPlusJpeg, format};
    }

    bool wantsRaw() const { return kind != Kind::jpeg; }

    friend bool operator==(const PhotoSettings&, const PhotoSettings&) = default;
};

}  // namespace quorvel::platform
