#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvel::platform {

enum class FontWeight { regular, medium, semibold, bold };

// A font: a face, known to the FontRegistry by name, at a point size. A plain value; two fonts
// are equal when name, size and weight are.
//
// The system font is the DejaVu Sans family (Debian's fonts-dejavu-core), standing in for the
// phone platform's system face:
//   regular, medium   → "DejaVuSans"       (the family has no medium face)
//   semibold, bold    → "DejaVuSans-Bold"  (nor a semibold one)
// The font keeps the weight it was asked for, so a caller can tell a semibold system font from a
// bold one even though both draw with the same face.
class Font {
public:
    static constexpr std::string_view systemRegularName = "DejaVuSans";
    static constexpr std::string_view systemBoldName = "DejaVuSans-Bold";

    static Font systemFont(double pointSize, FontWeight weight = FontWeight::regular);
    // The font of that PostScript or full name at that size; nullopt when the FontRegistry does
    // not know the name. Its weight is the face's own, as the registry read it.
    static std::optional<Font> named(std::string_view name, double pointSize);

    // The face's PostScript name.
    const std::string& fontName() const { return name_; }
    double pointSize() const { return pointSize_; }
    FontWeight weight() const { return weight_; }
    Font withSize(double pointSize) const;

    friend bool operator==(const Font&, const Font&) = default;

private:
    Font(std::string name, double pointSize, FontWeight weight);

    std::string name_;
    double pointSize_;
    FontWeight weight_;
};

}  // namespace quorvel::platform
