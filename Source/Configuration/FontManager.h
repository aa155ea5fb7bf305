#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/Decoder.h"
#include "Platform/Graphics/Font.h"
#include "Platform/Graphics/FontMetrics.h"
#include "Source/Configuration/FontSet.h"

namespace quorvel {

// The fonts of the eleven text styles. Each style keeps an optional font name and a size, taken
// from the configuration property list where it gives them. A font is built afresh on every read:
// the named font at the style's size, else the fallback of the style's weight from
// `defaultFontSet`, then scaled for the user's text size and never larger than twice the size.
class FontManager {
public:
    enum class Style {
        body,
        headline,
        subhead,
        largeTitle,
        title,
        titleTwo,
        titleThree,
        footnote,
        callout,
        captionOne,
        captionTwo
    };
    static constexpr std::size_t styleCount = 11;

    FontManager() = delete;
    // Defaults, then the font entries of "QuorvelConfiguration.plist" in `overrideBundle`.
    explicit FontManager(const std::shared_ptr<platform::Bundle>& overrideBundle);
    // Defaults, then the given manager's fallback set (the same object) and all names and sizes.
    explicit FontManager(const FontManager& defaultFonts);
    // Defaults, then each font key the decoder holds with a value of the right kind. A size
    // outside its range (see FontManager.cpp) keeps its default, and is logged.
    explicit FontManager(const platform::Decoder& decoder);

    // A manager with every default and nothing read, for themes that carry no fonts.
    static std::shared_ptr<FontManager> makeDefault();
    // Defaults, then the font entries of an already parsed configuration file; without one, the
    // defaults and the message that they are used.
    static std::shared_ptr<FontManager> fromConfiguration(
        const std::optional<platform::Decoder>& configuration);

    std::shared_ptr<FontSet> defaultFontSet;

    platform::Font font(Style style) const;
    // Stores the font's name and point size as the style's.
    void setFont(Style style, const platform::Font& font);

    platform::Font body() const { return font(Style::body); }
    platform::Font headline() const { return font(Style::headline); }
    platform::Font subhead() const { return font(Style::subhead); }
    platform::Font largeTitle() const { return font(Style::largeTitle); }
    platform::Font title() const { return font(Style::title); }
    platform::Font titleTwo() const { return font(Style::titleTwo); }
    platform::Font titleThree() const { return font(Style::titleThree); }
    platform::Font footnote() const { return font(Style::footnote); }
    platform::Font callout() const { return font(Style::callout); }
    platform::Font captionOne() const { return font(Style::captionOne); }
    platform::Font captionTwo() const { return font(Style::captionTwo); }
    void setBody(const platform::Font& f) { setFont(Style::body, f); }
    void setHeadline(const platform::Font& f) { setFont(Style::headline, f); }
    void setSubhead(const platform::Font& f) { setFont(Style::subhead, f); }
    void setLargeTitle(const platform::Font& f) { setFont(Style::largeTitle, f); }
    void setTitle(const platform::Font& f) { setFont(Style::title, f); }
    void setTitleTwo(const platform::Font& f) { setFont(Style::titleTwo, f); }
    void setTitleThree(const platform::Font& f) { setFont(Style::titleThree, f); }
    void setFootnote(const platform::Font& f) { setFont(Style::footnote, f); }
    void setCallout(const platform::Font& f) { setFont(Style::callout, f); }
    void setCaptionOne(const platform::Font& f) { setFont(Style::captionOne, f); }
    void setCaptionTwo(const platform::Font& f) { setFont(Style::captionTwo, f); }

    // The scaling of a font size for the icon buttons: factor F in [0, 1) gives floor(size × F)
    // (taken through a 32-bit float), any other factor the size itself; then clamped to
    // [lower, upper], a non-number giving `lower`.
    static double getScaledSize(const platform::Font& font, double factor, double lower,
                                double upper);

private:
    struct Entry {
        std::optional<std::string> name;
        double size;
    };

    FontManager(std::shared_ptr<FontSet> fontSet);
    void initializeFonts(const FontManager& other);
    static platform::Font accessibleFontForStyle(platform::TextStyle style,
                                                 const platform::Font& font);

    std::array<Entry, styleCount> entries_;
};

}  // namespace quorvel
