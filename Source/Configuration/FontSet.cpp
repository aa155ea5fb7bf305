#include "Source/Configuration/FontSet.h"

namespace quorvel {

FontSet::FontSet(platform::Font regular, platform::Font semibold, platform::Font bold)
    : regular_(std::move(regular)), semibold_(std::move(semibold)), bold_(std::move(bold)) {}

FontSet::FontSet(platform::Font regular, platform::Font bold) : FontSet(regular, bold, bold) {}

std::shared_ptr<FontSet> FontSet::getInstance() {
    using platform::Font;
    using platform::FontWeight;
    return std::make_shared<FontSet>(Font::systemFont(12, FontWeight::regular),
                                     Font::systemFont(12, FontWeight::semibold),
                                     Font::systemFont(12, FontWeight::bold));
}

}  // namespace quorvel
