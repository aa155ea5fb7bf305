#pragma once

#include <memory>

#include "Platform/Graphics/Font.h"

namespace quorvel {

// The fallback fonts of the three weights, used by a font manager for a style without a usable
// font name. Never changes once built; may be shared by several managers.
class FontSet {
public:
    FontSet() = delete;
    FontSet(platform::Font regular, platform::Font semibold, platform::Font bold);
    // `semibold` is `bold`.
    FontSet(platform::Font regular, platform::Font bold);

    // The system font at 12 points in regular, semibold and bold, new on every call.
    static std::shared_ptr<FontSet> getInstance();

    const platform::Font& regular() const { return regular_; }
    const platform::Font& semibold() const { return semibold_; }
    const platform::Font& bold() const { return bold_; }

private:
    platform::Font regular_;
    platform::Font semibold_;
    platform::Font bold_;
};

}  // namespace quorvel
