#pragma once

#include <memory>
#include <optional>

#include "Platform/Graphics/Color.h"
#include "Platform/Graphics/Geometry.h"
#include "Platform/UI/View.h"

namespace quorvel {

// The circular loupe shown while a crop corner is dragged: it renders the view it magnifies at
// twice its size, centred on the touch point. 100 × 100 points, so it shows the 50 × 50 points
// around that point. Main thread only.
class MagnifyView : public platform::View {
public:
    // The corner a loupe belongs to; the raw values are the corner handles' tags.
    enum class Position { topLeft = 1, topRight = 2, bottomRight = 3, bottomLeft = 4 };
    // None outside 1 to 4.
    static std::optional<Position> positionFromRawValue(int rawValue);

    // The colour of every loupe's border and of the crop overlay's outline and grips. Blue until
    // a crop screen is themed; lives for the whole process.
    static platform::Color borderColor();
    static void setBorderColor(platform::Color color);

    static std::shared_ptr<MagnifyView> make(Position position);

    // The view whose content is shown (the crop screen's image area). Held weakly.
    std::shared_ptr<platform::View> viewToMagnify() const { return viewToMagnify_.lock(); }
    void setViewToMagnify(const std::shared_ptr<platform::View>& view) { viewToMagnify_ = view; }
    // The point shown at the loupe's centre, in the coordinates of viewToMagnify.
    const std::optional<platform::Point>& touchPoint() const { return touchPoint_; }
    // Points the loupe at `pt`: stores it and centres the loupe on it (less the offset).
    void setTouchPoint(platform::Point pt);

    void layoutSubviews() override;
    void draw(platform::GraphicsContext& context, const platform::Rect& rect) override;

private:
    explicit MagnifyView(Position position);
    void commonInit();

    double offset_ = 0;
    std::weak_ptr<platform::View> viewToMagnify_;
    std::optional<platform::Point> touchPoint_;
    [[maybe_unused]] Position position_;
};

}  // namespace quorvel
