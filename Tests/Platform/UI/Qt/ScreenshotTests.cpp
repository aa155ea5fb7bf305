#include <gtest/gtest.h>

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>

#include "PaintingTestSupport.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/UI/AlertController.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/ImageView.h"
#include "Platform/UI/Label.h"
#include "Platform/UI/Qt/ImageBridge.h"
#include "Platform/UI/ShapeLayer.h"
#include "Platform/UI/VideoPreviewLayer.h"
#include "Platform/UI/ViewController.h"
#include "Platform/UI/Window.h"
#include "Support/UITestEnvironment.h"

// Pictures of what the platform can show, written to <build>/screenshots/ for a person to look
// at. Each test also pins a few pixels, so a picture that went blank or lost its parts fails.
namespace quorvel::platform {
namespace {

using testing::near;
using testing::rgba;

constexpr Color kBrand = Color::fromRGBA8(0x1E, 0x88, 0xE5);
constexpr Color kBrandDark = Color::fromRGBA8(0x0D, 0x47, 0xA1);
constexpr Color kSurface = Color::fromRGBA8(0xF2, 0xF2, 0xF7);
constexpr Color kText = Color::fromRGBA8(0x1C, 0x1C, 0x1E);

std::shared_ptr<Label> label(const std::string& text, const Font& font, const Color& colour,
                             const Rect& frame) {
    auto result = Label::make(frame);
    result->setText(text);
    result->setFont(font);
    result->setTextColor(colour);
    return result;
}

std::shared_ptr<Button> button(const std::string& title, const Rect& frame) {
    auto result = Button::make({}, frame);
    result->setTitle(title, ControlState::normal);
    result->titleLabel()->setFont(Font::systemFont(17, FontWeight::semibold));
    result->layer()->setCornerRadius(frame.height() / 2);
    return result;
}

QImage pixels(const std::shared_ptr<Image>& image) {
    return ImageBridge::qImage(*image);
}

// Windows of the phone's size with a light surface.
std::shared_ptr<Window> makeWindow() {
    auto window = Window::make();
    window->setBackgroundColor(kSurface);
    return window;
}

TEST(ScreenshotTest, Buttons) {
    auto window = makeWindow();
    window->addSubview(label("Buttons", Font::systemFont(34, FontWeight::bold), kText,
                             Rect::make(20, 60, 350, 44)));

    auto primary = button("Done", Rect::make(20, 130, 350, 50));
    primary->setBackgroundColor(kBrand);
    auto secondary = button("Retake", Rect::make(20, 200, 350, 50));
    secondary->setBackgroundColor(Color::white());
    secondary->setTitleColor(kBrandDark, ControlState::normal);
    secondary->layer()->setBorderWidth(2);
    secondary->layer()->setBorderColor(kBrandDark);
    auto pressed = button("Pressed", Rect::make(20, 270, 350, 50));
    pressed->setBackgroundColor(kBrandDark);
    pressed->setTitleColor(Color::white().withAlpha(0.6), ControlState::highlighted);
    pressed->setHighlighted(true);
    auto disabled = button("Disabled", Rect::make(20, 340, 350, 50));
    disabled->setBackgroundColor(Color::fromRGBA8(0xC7, 0xC9, 0xCC));
    disabled->setTitleColor(Color::fromRGBA8(0x5F, 0x63, 0x6A), ControlState::disabled);
    disabled->setEnabled(false);
    auto small = button("Normal", Rect::make(20, 420, 110, 36));
    small->setBackgroundColor(Color::black().withAlpha(0.75));
    small->titleLabel()->setFont(Font::systemFont(15, FontWeight::medium));
    auto smallLong = button("Long", Rect::make(140, 420, 110, 36));
    smallLong->setBackgroundColor(Color::clear());
    smallLong->setTitleColor(kText, ControlState::normal);
    smallLong->titleLabel()->setFont(Font::systemFont(15, FontWeight::medium));
    auto icon = Button::make({}, Rect::make(280, 410, 56, 56));
    icon->setBackgroundColor(Color::white());
    icon->layer()->setCornerRadius(28);
    icon->layer()->setBorderWidth(4);
    icon->layer()->setBorderColor(kBrand);
    for (const auto& view : {primary, secondary, pressed, disabled, small, smallLong, icon}) {
        window->addSubview(view);
    }

    auto shot = window->snapshot();
    ASSERT_NE(shot, nullptr);
    EXPECT_FALSE(testsupport::saveScreenshot(*shot, "platform-buttons").empty());
    const QImage image = pixels(shot);
    EXPECT_TRUE(near(image.pixelColor(3 * 30, 3 * 155), rgba(0x1E, 0x88, 0xE5)));
    EXPECT_TRUE(near(image.pixelColor(3 * 20 + 1, 3 * 130 + 1), rgba(0xF2, 0xF2, 0xF7)))
        << "rounded corner";
    EXPECT_TRUE(near(image.pixelColor(3 * 195, 3 * 201), rgba(0x0D, 0x47, 0xA1))) << "border";
}

TEST(ScreenshotTest, Labels) {
    auto window = makeWindow();
    double y = 60;
    const auto add = [&](std::shared_ptr<Label> view, double height) {
        view->setFrame(Rect::make(20, y, 350, height));
        window->addSubview(view);
        y += height + 14;
    };
    add(label("Labels", Font::systemFont(34, FontWeight::bold), kText, {}), 44);
    add(label("Headline, semibold 17", Font::systemFont(17, FontWeight::semibold), kText, {}), 22);
    add(label("Body text in the system font at 17 points", Font::systemFont(17), kText, {}), 22);
    auto centred =
        label("Centred caption", Font::systemFont(12), Color::fromRGBA8(0x5F, 0x63, 0x6A), {});
    centred->setTextAlignment(TextAlignment::center);
    centred->setBackgroundColor(Color::white());
    add(centred, 30);
    auto right = label("Right aligned", Font::systemFont(15), kBrandDark, {});
    right->setTextAlignment(TextAlignment::right);
    add(right, 20);
    auto multi = label(
        "Hold the phone steady over the document. The photo is taken by itself "
        "once the outline stays put for three seconds.",
        Font::systemFont(17), kText, {});
    multi->setNumberOfLines(0);
    multi->setBackgroundColor(Color::white());
    multi->layer()->setCornerRadius(12);
    add(multi, multi->sizeThatFits({350, 0}).height);
    auto cut = label("A line far too long to fit into the width of this label is cut at its end",
                     Font::systemFont(17), kText, {});
    add(cut, 22);
    auto shrunk = label("A line shrunk to fit into the width of this label instead of cut",
                        Font::systemFont(17), kText, {});
    shrunk->setAdjustsFontSizeToFitWidth(true);
    shrunk->setMinimumScaleFactor(0.5);
    add(shrunk, 22);
    auto toast = label("Section 1 of 2", Font::systemFont(15), Color::white(), {});
    toast->setTextAlignment(TextAlignment::center);
    toast->setBackgroundColor(Color::black().withAlpha(0.45));
    toast->layer()->setCornerRadius(24);
    toast->setClipsToBounds(true);
    add(toast, 48);

    auto shot = window->snapshot();
    ASSERT_NE(shot, nullptr);
    EXPECT_FALSE(testsupport::saveScreenshot(*shot, "platform-labels").empty());
    // Something dark is written in the title's line.
    const QImage image = pixels(shot);
    int dark = 0;
    for (int x = 3 * 20; x < 3 * 150; ++x) {
        dark += image.pixelColor(x, 3 * 82).lightness() < 80;
    }
    EXPECT_GT(dark, 20);
}

// A camera picture of a sheet of paper lying on a desk, as a BGRA frame.
std::shared_ptr<PixelBuffer> deskFrame(int width, int height, const QPolygonF& page) {
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient desk(0, 0, width, height);
    desk.setColorAt(0, QColor(0x6B, 0x4A, 0x2F));
    desk.setColorAt(1, QColor(0x3E, 0x2A, 0x1A));
    painter.fillRect(picture.rect(), desk);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xF4, 0xF1, 0xEA));
    painter.drawPolygon(page);
    // Lines of print across the page.
    painter.setPen(QPen(QColor(0x55, 0x55, 0x5A), height / 200.0));
    const QPointF top = page[0], right = page[1], bottom = page[2], left = page[3];
    for (int line = 1; line < 18; ++line) {
        const double t = line / 19.0;
        const QPointF a = top + (left - top) * t;
        const QPointF b = right + (bottom - right) * t;
        const double shorter = line % 4 == 0 ? 0.55 : 0.85;
        painter.drawLine(a + (b - a) * 0.08, a + (b - a) * shorter);
    }
    painter.end();

    auto frame = PixelBuffer::make(width, height, PixelFormat::bgra32);
    frame->lockBaseAddress();
    for (int y = 0; y < height; ++y) {
        std::memcpy(frame->baseAddress() + static_cast<std::size_t>(y) * frame->bytesPerRow(),
                    picture.constScanLine(y), static_cast<std::size_t>(width) * 4);
    }
    frame->unlockBaseAddress();
    return frame;
}

class PreviewView : public View {
public:
    explicit PreviewView(const Rect& frame) : View(frame, VideoPreviewLayer::make()) {}
    VideoPreviewLayer& preview() const { return static_cast<VideoPreviewLayer&>(*layer()); }
};

TEST(ScreenshotTest, ShapeLayersOverACameraFrame) {
    auto window = Window::make();
    window->setBackgroundColor(Color::black());
    auto preview = std::make_shared<PreviewView>(Rect::make(0, 100, 390, 600));
    preview->preview().setVideoGravity(VideoGravity::resizeAspectFill);
    // A portrait frame (the camera turned upright) with the page slightly askew.
    const QPolygonF page{QPointF(300, 420), QPointF(820, 470), QPointF(770, 1330),
                         QPointF(250, 1280)};
    preview->preview().enqueue(deskFrame(1080, 1920, page));
    window->addSubview(preview);

    // The outline in preview points: frame pixels scaled by the fill factor, shifted to centre.
    const double scale = std::max(390.0 / 1080, 600.0 / 1920);
    const double dx = (390 - 1080 * scale) / 2;
    const double dy = (600 - 1920 * scale) / 2;
    BezierPath outline;
    for (int i = 0; i < 4; ++i) {
        const Point p{page[i].x() * scale + dx, page[i].y() * scale + dy};
        i == 0 ? outline.moveTo(p) : outline.addLineTo(p);
    }
    outline.close();
    auto detection = ShapeLayer::make();
    detection->setFrame(preview->bounds());
    detection->setPath(outline);
    detection->setStrokeColor(kBrand);
    detection->setFillColor(kBrand.withAlpha(0.25));
    detection->setLineWidth(4);
    detection->setLineJoin(LineJoin::round);
    preview->layer()->addSublayer(detection);

    auto ring = ShapeLayer::make();
    ring->setPath(BezierPath::arc(Point{195, 300}, 30, -std::numbers::pi / 2,
                                  3 * std::numbers::pi / 2, true));
    ring->setFillColor(std::nullopt);
    ring->setStrokeColor(Color::white());
    ring->setLineWidth(2);
    ring->setStrokeEnd(0.65);
    preview->layer()->addSublayer(ring);

    auto bar = View::make(Rect::make(0, 700, 390, 144));
    bar->setBackgroundColor(Color::black());
    auto shutter = Button::make({}, Rect::make(160, 730, 70, 70));
    shutter->setBackgroundColor(Color::white());
    shutter->layer()->setCornerRadius(35);
    shutter->layer()->setBorderWidth(5);
    shutter->layer()->setBorderColor(Color::fromRGBA8(0x9E, 0x9E, 0x9E));
    window->addSubview(bar);
    window->addSubview(shutter);
    auto hint = label("Hold steady", Font::systemFont(15, FontWeight::semibold), Color::white(),
                      Rect::make(125, 114, 140, 36));
    hint->setTextAlignment(TextAlignment::center);
    hint->setBackgroundColor(Color::black().withAlpha(0.45));
    hint->layer()->setCornerRadius(18);
    window->addSubview(hint);

    auto shot = window->snapshot();
    ASSERT_NE(shot, nullptr);
    EXPECT_FALSE(testsupport::saveScreenshot(*shot, "platform-camera-preview").empty());
    const QImage image = pixels(shot);
    // The stroke of the outline at the middle of its top side, in window pixels.
    const QPointF topMiddle = (page[0] + page[1]) / 2 * scale + QPointF(dx, dy + 100);
    EXPECT_TRUE(near(
        image.pixelColor(static_cast<int>(3 * topMiddle.x()), static_cast<int>(3 * topMiddle.y())),
        rgba(0x1E, 0x88, 0xE5), 12));
    // The page shows through the tinted fill inside the outline.
    const QColor inside = image.pixelColor(3 * 195, 3 * 480);
    EXPECT_GT(inside.lightness(), 150);
    EXPECT_GT(inside.blue(), inside.red());
}

TEST(ScreenshotTest, CropOverlayShapes) {
    auto window = Window::make();
    window->setBackgroundColor(Color::black());
    auto image = ImageView::make(
        testing::makeImage(300, 400,
                           [](int x, int y) {
                               const double shade = 0.55 + 0.4 * ((x / 25 + y / 25) % 2);
                               return Color{shade, shade * 0.97, shade * 0.9, 1};
                           }),
        Rect::make(20, 120, 350, 560));
    image->setContentMode(ContentMode::scaleAspectFit);
    window->addSubview(image);
    auto overlay = View::make(Rect::make(20, 120, 350, 560));
    window->addSubview(overlay);

    const Point corners[4] = {{60, 140}, {290, 120}, {310, 450}, {40, 430}};
    BezierPath quad;
    quad.moveTo(corners[0]);
    for (int i = 1; i < 4; ++i) {
        quad.addLineTo(corners[i]);
    }
    quad.close();
    BezierPath dim = BezierPath::rect(Rect::make(0, 0, 350, 560));
    dim.append(quad);
    dim.setUsesEvenOddFillRule(true);
    auto fill = ShapeLayer::make();
    fill->setPath(dim);
    fill->setFillRule(FillRule::evenOdd);
    fill->setFillColor(Color::black().withAlpha(0.3));
    overlay->layer()->addSublayer(fill);
    auto edge = ShapeLayer::make();
    edge->setPath(quad);
    edge->setFillColor(std::nullopt);
    edge->setStrokeColor(kBrandDark);
    edge->setLineWidth(3);
    overlay->layer()->addSublayer(edge);
    for (int i = 0; i < 4; ++i) {
        const Point a = corners[i];
        const Point b = corners[(i + 1) % 4];
        const Point m{(a.x + b.x) / 2, (a.y + b.y) / 2};
        auto grip = ShapeLayer::make();
        grip->setFrame(Rect::make(m.x - 7.5, m.y - 20, 15, 40));
        grip->setPath(BezierPath::roundedRect(Rect::make(0, 0, 15, 40), 8));
        grip->setFillColor(kBrandDark);
        double angle = std::atan2(b.y - a.y, b.x - a.x);
        if (angle < 0) {
            angle += 2 * std::numbers::pi;
        }
        grip->setAffineTransform(AffineTransform::rotation(angle + std::numbers::pi / 2));
        overlay->layer()->addSublayer(grip);
        auto handle = View::make(Rect::make(a.x - 15, a.y - 15, 30, 30));
        handle->layer()->setCornerRadius(15);
        handle->layer()->setBorderWidth(3);
        handle->layer()->setBorderColor(kBrandDark);
        handle->setBackgroundColor(Color::white().withAlpha(0.45));
        overlay->addSubview(handle);
    }
    auto loupe = View::make(Rect::make(0, 0, 100, 100));
    loupe->setCenter({20 + 60, 120 + 140 - 80});
    loupe->layer()->setCornerRadius(50);
    loupe->layer()->setBorderWidth(3);
    loupe->layer()->setBorderColor(kBrandDark);
    loupe->setBackgroundColor(Color::white());
    loupe->setAlpha(0.9);
    window->addSubview(loupe);

    auto shot = window->snapshot();
    ASSERT_NE(shot, nullptr);
    EXPECT_FALSE(testsupport::saveScreenshot(*shot, "platform-crop-shapes").empty());
    const QImage picture = pixels(shot);
    // Outside the quadrilateral the image is dimmed; inside it is not.
    const QColor outside = picture.pixelColor(3 * (20 + 175), 3 * (120 + 520));
    const QColor inside = picture.pixelColor(3 * (20 + 175), 3 * (120 + 280));
    EXPECT_LT(outside.lightness() + 20, inside.lightness());
}

}  // namespace
}  // namespace quorvel::platform

namespace quorvel::platform {
namespace {

// WCAG relative luminance and contrast ratio of two opaque colours.
double luminance(const QColor& colour) {
    const auto linear = [](int component) {
        const double c = component / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.red()) + 0.7152 * linear(colour.green()) +
           0.0722 * linear(colour.blue());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The least contrast, all around a round view of that centre and radius, between what is drawn
// just outside it (the best of 1 to 5 points out) and what lies 12 points out.
double weakestRingContrast(const QImage& image, Point centre, double radius) {
    double weakest = 1e9;
    for (int degrees = 0; degrees < 360; degrees += 10) {
        const double a = degrees * std::numbers::pi / 180;
        const auto at = [&](double r) {
            return image.pixelColor(static_cast<int>(3 * (centre.x + r * std::cos(a))),
                                    static_cast<int>(3 * (centre.y + r * std::sin(a))));
        };
        const QColor background = at(radius + 12);
        double best = 1;
        for (double out = 1; out <= 5; out += 0.5) {
            best = std::max(best, contrast(at(radius + out), background));
        }
        weakest = std::min(weakest, best);
    }
    return weakest;
}

TEST(ScreenshotTest, TheKeyboardFocusRingStandsOutOverTheCameraPictureAndLightScreens) {
    auto window = Window::make();
    window->setBackgroundColor(kSurface);
    // A camera picture running from black through every grey to white, behind a white shutter.
    auto picture = ImageView::make(testing::makeImage(390, 1,
                                                      [](int x, int) {
                                                          const double v = x / 389.0;
                                                          return Color{v, v * 0.95, v * 0.9, 1};
                                                      }),
                                   Rect::make(0, 0, 390, 600));
    picture->setContentMode(ContentMode::scaleToFill);
    window->addSubview(picture);
    auto shutter = Button::make({}, Rect::make(160, 400, 70, 70));
    shutter->setBackgroundColor(Color::white());
    shutter->layer()->setCornerRadius(35);
    window->addSubview(shutter);
    // A light button on the light surface below.
    auto done = button("OK", Rect::make(170, 700, 50, 50));
    done->setBackgroundColor(Color::white());
    done->setTitleColor(kBrandDark, ControlState::normal);
    window->addSubview(done);
    window->makeKeyAndVisible();
    const QImage before = pixels(window->snapshot());

    ASSERT_TRUE(window->sendKey(Key::tab));
    ASSERT_EQ(window->focusedView(), shutter);
    auto shot = window->snapshot();
    EXPECT_FALSE(testsupport::saveScreenshot(*shot, "platform-focus-ring-camera").empty());
    EXPECT_GE(weakestRingContrast(pixels(shot), Point{195, 435}, 35), 3.0);

    ASSERT_TRUE(window->sendKey(Key::tab));
    ASSERT_EQ(window->focusedView(), done);
    shot = window->snapshot();
    EXPECT_FALSE(testsupport::saveScreenshot(*shot, "platform-focus-ring-light").empty());
    EXPECT_GE(weakestRingContrast(pixels(shot), Point{195, 725}, 25), 3.0);

    // A touch puts the pointer back in charge: the ring goes, the focus stays.
    window->sendTouch(TouchPhase::began, Point{20, 650});
    window->sendTouch(TouchPhase::ended, Point{20, 650});
    EXPECT_EQ(window->focusedView(), done);
    EXPECT_TRUE(pixels(window->snapshot()) == before);
}

class PlainScreen : public ViewController {
public:
    static std::shared_ptr<PlainScreen> make() {
        return std::shared_ptr<PlainScreen>(new PlainScreen());
    }
};

TEST(ScreenshotTest, TheFocusRingLeavesABadgeReadableAndFollowsTheCornerOfTheCardItIsIn) {
    auto window = Window::make();
    window->setBackgroundColor(Color::black());
    window->makeKeyAndVisible();
    auto screen = PlainScreen::make();
    window->setRootViewController(screen);
    // A page thumbnail with a red page count on its corner, in front of it.
    auto thumbnail = Button::make({}, Rect::make(287, 734, 56, 56));
    thumbnail->setBackgroundColor(Color::white());
    thumbnail->layer()->setCornerRadius(6);
    screen->view()->addSubview(thumbnail);
    auto badge = label("2", Font::systemFont(13), Color::white(), Rect::make(329, 724, 24, 24));
    badge->setTextAlignment(TextAlignment::center);
    badge->setBackgroundColor(Color::fromRGBA8(0xC6, 0x28, 0x28));
    badge->layer()->setCornerRadius(12);
    badge->setClipsToBounds(true);
    screen->view()->addSubview(badge);
    const auto at = [](const QImage& image, double x, double y) {
        return image.pixelColor(static_cast<int>(3 * x), static_cast<int>(3 * y))
            .name(QColor::HexArgb)
            .toStdString();
    };

    const QImage thumbnailWithoutRing = pixels(window->snapshot());
    ASSERT_TRUE(window->sendKey(Key::tab));
    ASSERT_EQ(window->focusedView(), thumbnail);
    auto shot = window->snapshot();
    EXPECT_FALSE(testsupport::saveScreenshot(*shot, "platform-focus-ring-badge").empty());
    QImage picture = pixels(shot);
    // The ring's two lines give way to the badge across it, and show beside it.
    for (const double y : {733.0, 731.0}) {
        EXPECT_EQ(at(picture, 335, y), at(thumbnailWithoutRing, 335, y)) << "at y " << y;
        EXPECT_NE(at(picture, 300, y), at(thumbnailWithoutRing, 300, y)) << "at y " << y;
    }

    // An alert's button in the card's rounded corner: the ring goes round that corner.
    auto alert = AlertController::make(std::nullopt, "Discard the pages?");
    alert->addAction({"Discard", AlertActionStyle::destructive, {}});
    alert->addAction({"Keep", AlertActionStyle::cancel, {}});
    screen->present(alert, false);
    MainRunLoop::runUntilIdle();
    window->setShowsFocusRing(false);
    const QImage withoutRing = pixels(window->snapshot());
    window->setShowsFocusRing(true);
    const auto button = window->focusedView();
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isDescendantOf(*alert->view()));
    shot = window->snapshot();
    EXPECT_FALSE(testsupport::saveScreenshot(*shot, "platform-focus-ring-alert").empty());
    picture = pixels(shot);
    const Rect frame = button->convert(button->bounds(), nullptr);
    const Rect card = button->superview()->convert(button->superview()->bounds(), nullptr);
    const bool left = frame.minX() == card.minX();
    // Nothing is drawn beside the card's corner or below the card; the ring runs inside the
    // button along its bottom edge.
    const double besideCorner = left ? card.minX() - 1.5 : card.maxX() + 1.5;
    for (const double y : {card.maxY() - 1, card.maxY() - 3}) {
        EXPECT_EQ(at(picture, besideCorner, y), at(withoutRing, besideCorner, y)) << "at y " << y;
    }
    EXPECT_EQ(at(picture, frame.midX(), card.maxY() + 1),
              at(withoutRing, frame.midX(), card.maxY() + 1));
    EXPECT_NE(at(picture, frame.midX(), card.maxY() - 1),
              at(withoutRing, frame.midX(), card.maxY() - 1));
}

}  // namespace
}  // namespace quorvel::platform
