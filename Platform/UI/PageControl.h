#pragma once

#include <memory>
#include <optional>

#include "Platform/Graphics/Color.h"
#include "Platform/UI/Control.h"

namespace quorvel::platform {

// A row of dots, one per page, the current one highlighted, standing in for the phone
// platform's page control. A tap on the left half goes one page back, on the right half one page
// on (within the pages), and sends valueChanged when the page changed. Adjustable for assistive
// technology ("page 2 of 3"; increment / decrement and the arrow keys move a page). Main thread
// only.
class PageControl : public Control {
public:
    static constexpr double dotDiameter = 7;
    static constexpr double dotSpacing = 9;

    static std::shared_ptr<PageControl> make(const Rect& frame = {});

    int numberOfPages() const { return numberOfPages_; }
    // Negative counts become 0; the current page is kept within the pages.
    void setNumberOfPages(int pages);
    int currentPage() const { return currentPage_; }
    // Clamped to [0, numberOfPages − 1] (0 without pages). Sends no event.
    void setCurrentPage(int page);
    bool hidesForSinglePage() const { return hidesForSinglePage_; }
    void setHidesForSinglePage(bool hides);
    // Nullopt: white at 30 % and white (the platform's look on dark bars).
    std::optional<Color> pageIndicatorTintColor() const { return pageIndicatorTintColor_; }
    void setPageIndicatorTintColor(std::optional<Color> color);
    std::optional<Color> currentPageIndicatorTintColor() const { return currentTintColor_; }
    void setCurrentPageIndicatorTintColor(std::optional<Color> color);

    // Whether the dots are drawn (not with one page or none when hidesForSinglePage).
    bool showsDots() const;
    // Where dot `page` is drawn, in bounds coordinates.
    Rect dotRect(int page) const;
    Size intrinsicContentSize() const override;
    void draw(GraphicsContext& context, const Rect& rect) override;

    void touchesEnded(const std::vector<Touch>& touches, const Event& event) override;
    std::string accessibilityValue() const override;
    AccessibilityTraits accessibilityTraits() const override;
    bool accessibilityActivate() override;
    void accessibilityIncrement() override;
    void accessibilityDecrement() override;

protected:
    explicit PageControl(const Rect& frame);

private:
    void step(int delta, const Event* event);

    int numberOfPages_ = 0;
    int currentPage_ = 0;
    bool hidesForSinglePage_ = false;
    std::optional<Color> pageIndicatorTintColor_;
    std::optional<Color> currentTintColor_;
};

}  // namespace quorvel::platform
