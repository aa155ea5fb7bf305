#include "Source/Crop/Components/MagnifyView.h"

#include "Platform/UI/GraphicsContext.h"

namespace quorvel {

namespace {

constexpr double loupeSide = 100;
constexpr double magnification = 2;
constexpr double loupeBorderWidth = 3;

// The platform's blue, until a crop screen sets the theme's colour.
platform::Color& sharedBorderColor() {
    static platform::Color color = platform::Color::fromRGBA8(0, 122, 255);
    return color;
}

}  // namespace

std::optional<MagnifyView::Position> MagnifyView::positionFromRawValue(int rawValue) {
    if (rawValue < 1 || rawValue > 4) {
        return std::nullopt;
    }
    return static_cast<Position>(rawValue);
}

platform::Color MagnifyView::borderColor() {
    return sharedBorderColor();
}

void MagnifyView::setBorderColor(platform::Color color) {
    sharedBorderColor() = color;
}

std::shared_ptr<MagnifyView> MagnifyView::make(Position position) {
    std::shared_ptr<MagnifyView> view(new MagnifyView(position));
    view->commonInit();
    return view;
}

MagnifyView::MagnifyView(Position position)
    : View(platform::Rect::make(0, 0, loupeSide, loupeSide)), position_(position) {}

void MagnifyView::commonInit() {
    layer()->setBorderColor(borderColor());
    layer()->setBorderWidth(loupeBorderWidth);
    layer()->setMasksToBounds(true);
    layer()->setCornerRadius(frame().width() * 0.5);
}

void MagnifyView::setTouchPoint(platform::Point pt) {
    touchPoint_ = pt;
    setCenter({pt.x - offset_, pt.y - offset_});
}

void MagnifyView::layoutSubviews() {
    View::layoutSubviews();
    layer()->setCornerRadius(frame().width() * 0.5);
}

void MagnifyView::draw(platform::GraphicsContext& context, const platform::Rect&) {
    const auto size = frame().size;
    context.translate(size.width * 0.5, size.height * 0.5);
    context.scale(magnification, magnification);
    if (!touchPoint_) {
        return;
    }
    context.translate(-touchPoint_->x, -touchPoint_->y);
    if (auto view = viewToMagnify()) {
        context.render(*view);
    }
}

}  // namespace quorvel
