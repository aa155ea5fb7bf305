#include <gtest/gtest.h>

#include <chrono>
#include <numbers>

#include "PaintingTestSupport.h"
#include "Platform/Dispatch/ScopedManualClock.h"
#include "Platform/UI/GraphicsContext.h"
#include "Platform/UI/ImageView.h"
#include "Platform/UI/Qt/ImageBridge.h"
#include "Platform/UI/Qt/ScaledImageCache.h"
#include "Platform/UI/ShapeLayer.h"
#include "Platform/UI/VideoPreviewLayer.h"
#include "Platform/UI/Window.h"

namespace quorvel::platform {
namespace {

using namespace std::chrono_literals;
using testing::blue;
using testing::green;
using testing::near;
using testing::red;
using testing::render;
using testing::rgba;
using testing::transparent;

std::shared_ptr<View> coloured(const Rect& frame, const Color& colour) {
    auto view = View::make(frame);
    view->setBackgroundColor(colour);
    return view;
}

// Left half red, right half blue.
std::shared_ptr<Image> halves(int width, int height) {
    return testing::makeImage(width, height,
                              [width](int x, int) { return x < width / 2 ? red : blue; });
}

// A view backed by a video preview layer, as the camera preview is.
class PreviewView : public View {
public:
    explicit PreviewView(const Rect& frame) : View(frame, VideoPreviewLayer::make()) {}
    VideoPreviewLayer& preview() const { return static_cast<VideoPreviewLayer&>(*layer()); }
};

// --- Layers of a view: background, corners, border, clipping ---------------------------------

TEST(PaintingTest, BackgroundFillsTheFrameAndNothingElse) {
    auto root = View::make(Rect::make(0, 0, 40, 40));
    root->addSubview(coloured(Rect::make(5, 5, 20, 10), red));
    const auto picture = render(*root);
    EXPECT_TRUE(near(picture.at(6, 6), rgba(255, 0, 0)));
    EXPECT_TRUE(near(picture.at(24, 14), rgba(255, 0, 0)));
    EXPECT_TRUE(near(picture.at(4, 6), transparent));
    EXPECT_TRUE(near(picture.at(25, 6), transparent));
    EXPECT_TRUE(near(picture.at(6, 15), transparent));
}

TEST(PaintingTest, CornerRadiusRoundsTheBackground) {
    auto circle = coloured(Rect::make(0, 0, 40, 40), red);
    circle->layer()->setCornerRadius(20);
    const auto picture = render(*circle, 3);
    EXPECT_TRUE(near(picture.at(1, 1), transparent));
    EXPECT_TRUE(near(picture.at(38.5, 38.5), transparent));
    EXPECT_TRUE(near(picture.at(20, 20), rgba(255, 0, 0)));
    EXPECT_TRUE(near(picture.at(20, 1.5), rgba(255, 0, 0)));
}

TEST(PaintingTest, BorderLiesInsideTheEdgeOverTheSubviews) {
    auto root = View::make(Rect::make(0, 0, 60, 60));
    auto framed = coloured(Rect::make(10, 10, 40, 40), red);
    framed->layer()->setBorderWidth(4);
    framed->layer()->setBorderColor(blue);
    framed->addSubview(coloured(Rect::make(0, 0, 40, 40), green));
    root->addSubview(framed);
    const auto picture = render(*root, 2);
    EXPECT_TRUE(near(picture.at(11, 30), rgba(0, 0, 255)));
    EXPECT_TRUE(near(picture.at(13.5, 30), rgba(0, 0, 255)));
    EXPECT_TRUE(near(picture.at(16, 30), rgba(0, 255, 0)));
    EXPECT_TRUE(near(picture.at(9.5, 30), transparent));
}

TEST(PaintingTest, MasksToBoundsClipsSubviewsToTheRoundedBounds) {
    auto root = View::make(Rect::make(0, 0, 80, 80));
    auto container = View::make(Rect::make(0, 0, 40, 40));
    container->layer()->setCornerRadius(10);
    container->addSubview(coloured(Rect::make(0, 0, 60, 60), green));
    root->addSubview(container);

    auto overflowing = render(*root);
    EXPECT_TRUE(near(overflowing.at(50, 20), rgba(0, 255, 0)));
    EXPECT_TRUE(near(overflowing.at(0.5, 0.5), rgba(0, 255, 0)));

    container->setClipsToBounds(true);
    auto clipped = render(*root);
    EXPECT_TRUE(near(clipped.at(50, 20), transparent));
    EXPECT_TRUE(near(clipped.at(0.5, 0.5), transparent));
    EXPECT_TRUE(near(clipped.at(20, 20), rgba(0, 255, 0)));
}

TEST(PaintingTest, SubviewsAreShiftedByTheBoundsOrigin) {
    auto scrolled = View::make(Rect::make(0, 0, 40, 40));
    scrolled->setBounds(Rect::make(20, 0, 40, 40));
    scrolled->addSubview(coloured(Rect::make(20, 0, 10, 10), red));
    const auto picture = render(*scrolled);
    EXPECT_TRUE(near(picture.at(5, 5), rgba(255, 0, 0)));
    EXPECT_TRUE(near(picture.at(25, 5), transparent));
}

// --- Visibility and opacity ------------------------------------------------------------------

TEST(PaintingTest, HiddenViewsAndHiddenLayersAreNotPainted) {
    auto root = View::make(Rect::make(0, 0, 30, 10));
    auto hiddenView = coloured(Rect::make(0, 0, 10, 10), red);
    hiddenView->setHidden(true);
    auto hiddenLayer = coloured(Rect::make(10, 0, 10, 10), red);
    hiddenLayer->layer()->setHidden(true);
    root->addSubview(hiddenView);
    root->addSubview(hiddenLayer);
    root->addSubview(coloured(Rect::make(20, 0, 10, 10), red));
    const auto picture = render(*root);
    EXPECT_TRUE(near(picture.at(5, 5), transparent));
    EXPECT_TRUE(near(picture.at(15, 5), transparent));
    EXPECT_TRUE(near(picture.at(25, 5), rgba(255, 0, 0)));
}

TEST(PaintingTest, AlphaAppliesToTheViewAndItsSubviewsAsOneGroup) {
    auto faded = coloured(Rect::make(0, 0, 20, 20), red);
    faded->addSubview(coloured(Rect::make(0, 0, 20, 20), green));
    faded->setAlpha(0.5);
    // The subview covers the red background within the group: green at half strength, no red.
    EXPECT_TRUE(near(render(*faded).at(10, 10), rgba(0, 255, 0, 128)));

    faded->layer()->setOpacity(0.5);
    EXPECT_TRUE(near(render(*faded).at(10, 10), rgba(0, 255, 0, 64)));
}

TEST(PaintingTest, AnAnimatedAlphaIsPaintedAtItsPresentationValue) {
    ScopedManualClock clock;
    auto view = coloured(Rect::make(0, 0, 10, 10), red);
    View::animate(1.0, [&] { view->setAlpha(0); });
    EXPECT_TRUE(near(render(*view).at(5, 5), rgba(255, 0, 0)));
    clock.advance(500ms);
    // Ease in, ease out: half way at half time.
    EXPECT_TRUE(near(render(*view).at(5, 5), rgba(255, 0, 0, 128), 4));
    clock.advance(500ms);
    EXPECT_TRUE(near(render(*view).at(5, 5), transparent));
}

// --- Images ----------------------------------------------------------------------------------

TEST(PaintingTest, ImagesArePlacedByTheContentMode) {
    auto root = View::make(Rect::make(0, 0, 200, 100));
    auto imageView = ImageView::make(halves(200, 100), Rect::make(50, 0, 100, 100));
    root->addSubview(imageView);

    imageView->setContentMode(ContentMode::scaleAspectFill);
    auto filled = render(*root);
    // Scale 1, centred: the middle of the image fills the view and spills over both sides.
    EXPECT_TRUE(near(filled.at(60, 50), rgba(255, 0, 0)));
    EXPECT_TRUE(near(filled.at(140, 50), rgba(0, 0, 255)));
    EXPECT_TRUE(near(filled.at(10, 50), rgba(255, 0, 0)));
    imageView->setClipsToBounds(true);
    EXPECT_TRUE(near(render(*root).at(10, 50), transparent));

    imageView->setContentMode(ContentMode::scaleAspectFit);
    auto fitted = render(*root);
    EXPECT_TRUE(near(fitted.at(100, 20), transparent));
    EXPECT_TRUE(near(fitted.at(75, 50), rgba(255, 0, 0)));
    EXPECT_TRUE(near(fitted.at(125, 50), rgba(0, 0, 255)));

    imageView->setContentMode(ContentMode::scaleToFill);
    auto stretched = render(*root);
    EXPECT_TRUE(near(stretched.at(60, 5), rgba(255, 0, 0)));
    EXPECT_TRUE(near(stretched.at(140, 95), rgba(0, 0, 255)));
}

TEST(PaintingTest, ImagesAreTurnedByTheirOrientation) {
    // Stored landscape, shown turned clockwise: the stored left half ends up on top.
    auto stored = halves(200, 100);
    auto turned = Image::make(stored->bitmap(), 1, ImageOrientation::right);
    auto imageView = ImageView::make(turned, Rect::make(0, 0, 100, 200));
    const auto picture = render(*imageView);
    EXPECT_TRUE(near(picture.at(50, 50), rgba(255, 0, 0)));
    EXPECT_TRUE(near(picture.at(50, 150), rgba(0, 0, 255)));
}

TEST(PaintingTest, AScaledImageIsKeptOnlyWhileItsImageLives) {
    ScaledImageCache::clear();
    auto imageView = ImageView::make(testing::makeImage(100, 100, [](int, int) { return red; }),
                                     Rect::make(0, 0, 50, 50));
    EXPECT_TRUE(near(render(*imageView).at(25, 25), rgba(255, 0, 0)));
    EXPECT_EQ(ScaledImageCache::entryCount(), 1u);
    EXPECT_TRUE(near(render(*imageView).at(25, 25), rgba(255, 0, 0)));
    EXPECT_EQ(ScaledImageCache::entryCount(), 1u) << "the repaint reused the scaled pixels";

    // A new image of the same size, perhaps at the same address, shows its own pixels.
    imageView->setImage(testing::makeImage(100, 100, [](int, int) { return blue; }));
    EXPECT_TRUE(near(render(*imageView).at(25, 25), rgba(0, 0, 255)));
    EXPECT_EQ(ScaledImageCache::entryCount(), 1u) << "the first image's entry went with it";
    imageView->setImage(nullptr);
    ScaledImageCache::clear();
}

TEST(PaintingTest, AnImagePlacedLargerThanTheDeviceIsScaledNoLargerThanWhatShows) {
    ScaledImageCache::clear();
    // 100 × 100 pixels at scale 0.5 are 200 points a side: centred in a 20-point view (and a
    // 20 × 20-point device), only their middle shows.
    auto imageView =
        ImageView::make(Image::make(halves(100, 100)->bitmap(), 0.5), Rect::make(0, 0, 20, 20));
    imageView->setContentMode(ContentMode::center);
    auto enlarged = render(*imageView, 2);
    EXPECT_TRUE(near(enlarged.at(5, 10), rgba(255, 0, 0)));
    EXPECT_TRUE(near(enlarged.at(15, 10), rgba(0, 0, 255)));
    EXPECT_LE(ScaledImageCache::byteCount(), 40u * 40u * 4u);

    // 400 × 400 pixels at scale 2, 200 points again: the part that shows is reduced.
    imageView->setImage(Image::make(halves(400, 400)->bitmap(), 2));
    auto reduced = render(*imageView);
    EXPECT_TRUE(near(reduced.at(4, 10), rgba(255, 0, 0)));
    EXPECT_TRUE(near(reduced.at(16, 10), rgba(0, 0, 255)));
    EXPECT_LE(ScaledImageCache::byteCount(), 20u * 20u * 4u);
    imageView->setImage(nullptr);
    ScaledImageCache::clear();
}

TEST(PaintingTest, BitmapsAndCameraFramesAreWrappedWithoutCopies) {
    auto image = halves(8, 8);
    const QImage wrappedImage = ImageBridge::qImage(*image);
    EXPECT_EQ(wrappedImage.constBits(), image->bitmap()->data());
    EXPECT_EQ(wrappedImage.pixelColor(0, 0), rgba(255, 0, 0));

    auto frame = testing::makeFrame(8, 8, [](int, int) { return green; });
    {
        const QImage wrappedFrame = ImageBridge::qImage(frame);
        EXPECT_EQ(wrappedFrame.constBits(), static_cast<const PixelBuffer&>(*frame).baseAddress());
        EXPECT_TRUE(frame->isLocked()) << "the frame stays locked while its pixels are shown";
        EXPECT_EQ(wrappedFrame.pixelColor(3, 3), rgba(0, 255, 0));
    }
    EXPECT_FALSE(frame->isLocked());
}

// --- Shape layers ----------------------------------------------------------------------------

TEST(PaintingTest, ShapeLayersFillByTheirFillRule) {
    BezierPath ring = BezierPath::rect(Rect::make(0, 0, 40, 40));
    ring.append(BezierPath::rect(Rect::make(10, 10, 20, 20)));
    auto host = View::make(Rect::make(0, 0, 40, 40));
    auto shape = ShapeLayer::make();
    shape->setFrame(Rect::make(0, 0, 40, 40));
    shape->setPath(ring);
    shape->setFillColor(red);
    host->layer()->addSublayer(shape);

    EXPECT_TRUE(near(render(*host).at(20, 20), rgba(255, 0, 0)));
    shape->setFillRule(FillRule::evenOdd);
    EXPECT_TRUE(near(render(*host).at(20, 20), transparent));
    EXPECT_TRUE(near(render(*host).at(5, 5), rgba(255, 0, 0)));
}

TEST(PaintingTest, ShapeLayersStrokeFromTheStartToTheStrokeEnd) {
    BezierPath line;
    line.moveTo({0, 20});
    line.addLineTo({40, 20});
    auto host = View::make(Rect::make(0, 0, 40, 40));
    auto shape = ShapeLayer::make();
    shape->setPath(line);
    shape->setFillColor(std::nullopt);
    shape->setStrokeColor(blue);
    shape->setLineWidth(4);
    host->layer()->addSublayer(shape);

    EXPECT_TRUE(near(render(*host).at(30, 20), rgba(0, 0, 255)));
    shape->setStrokeEnd(0.5);
    const auto half = render(*host);
    EXPECT_TRUE(near(half.at(10, 20), rgba(0, 0, 255)));
    EXPECT_TRUE(near(half.at(30, 20), transparent));
    EXPECT_TRUE(near(half.at(10, 23), transparent)) << "the stroke is 4 points wide";
}

TEST(PaintingTest, LayersTurnAboutTheirCentre) {
    auto host = View::make(Rect::make(0, 0, 40, 40));
    auto bar = Layer::make();
    bar->setFrame(Rect::make(10, 18, 20, 4));
    bar->setBackgroundColor(red);
    host->layer()->addSublayer(bar);
    EXPECT_TRUE(near(render(*host).at(12, 20), rgba(255, 0, 0)));

    bar->setAffineTransform(AffineTransform::rotation(std::numbers::pi / 2));
    const auto turned = render(*host);
    EXPECT_TRUE(near(turned.at(12, 20), transparent));
    EXPECT_TRUE(near(turned.at(20, 12), rgba(255, 0, 0)));
    EXPECT_TRUE(near(turned.at(20, 28), rgba(255, 0, 0)));
}

// --- The camera picture ----------------------------------------------------------------------

TEST(PaintingTest, TheVideoPreviewShowsTheLatestFrameByItsGravity) {
    // A landscape frame with a red strip down its left tenth, blue elsewhere.
    auto frame = testing::makeFrame(192, 108, [](int x, int) { return x < 19 ? red : blue; });
    auto preview = std::make_shared<PreviewView>(Rect::make(0, 0, 39, 84));
    preview->preview().enqueue(frame);

    preview->preview().setVideoGravity(VideoGravity::resizeAspectFill);
    auto filled = render(*preview);
    // Filling a portrait area cuts the sides off, the red strip with them.
    EXPECT_TRUE(near(filled.at(0.5, 42), rgba(0, 0, 255)));
    EXPECT_TRUE(near(filled.at(38.5, 1), rgba(0, 0, 255)));

    preview->preview().setVideoGravity(VideoGravity::resizeAspect);
    auto fitted = render(*preview);
    EXPECT_TRUE(near(fitted.at(0.5, 42), rgba(255, 0, 0)));
    EXPECT_TRUE(near(fitted.at(20, 10), transparent));

    preview->preview().setVideoGravity(VideoGravity::resize);
    EXPECT_TRUE(near(render(*preview).at(0.5, 5), rgba(255, 0, 0)));

    // A newer frame replaces the picture.
    preview->preview().enqueue(testing::makeFrame(192, 108, [](int, int) { return green; }));
    EXPECT_TRUE(near(render(*preview).at(20, 42), rgba(0, 255, 0)));
}

TEST(PaintingTest, SublayersOfThePreviewAreDrawnOverThePicture) {
    auto preview = std::make_shared<PreviewView>(Rect::make(0, 0, 40, 40));
    preview->preview().setVideoGravity(VideoGravity::resizeAspectFill);
    preview->preview().enqueue(testing::makeFrame(64, 64, [](int, int) { return blue; }));
    auto outline = ShapeLayer::make();
    outline->setPath(BezierPath::rect(Rect::make(10, 10, 20, 20)));
    outline->setFillColor(Color{0, 1, 0, 0.5});
    preview->layer()->addSublayer(outline);
    const auto picture = render(*preview);
    EXPECT_TRUE(near(picture.at(5, 5), rgba(0, 0, 255)));
    EXPECT_TRUE(near(picture.at(20, 20), rgba(0, 128, 127), 3));
}

// --- Custom drawing, loupes and snapshots ----------------------------------------------------

class DrawingView : public View {
public:
    DrawingView(const Rect& frame, std::function<void(GraphicsContext&)> drawing)
        : View(frame), drawing_(std::move(drawing)) {}
    void draw(GraphicsContext& context, const Rect&) override {
        EXPECT_EQ(GraphicsContext::current(), &context);
        drawing_(context);
    }

private:
    std::function<void(GraphicsContext&)> drawing_;
};

TEST(PaintingTest, ViewsDrawTheirOwnContentOverTheirBackground) {
    auto view = std::make_shared<DrawingView>(Rect::make(0, 0, 20, 20), [](GraphicsContext& c) {
        c.setFillColor(green);
        c.fillRect(Rect::make(0, 0, 10, 10));
        c.saveState();
        c.translate(10, 10);
        c.setFillColor(blue);
        c.fillRect(Rect::make(0, 0, 10, 10));
        c.restoreState();
        c.fillRect(Rect::make(0, 10, 5, 5));
    });
    view->setBackgroundColor(red);
    const auto picture = render(*view);
    EXPECT_TRUE(near(picture.at(5, 5), rgba(0, 255, 0)));
    EXPECT_TRUE(near(picture.at(15, 15), rgba(0, 0, 255)));
    EXPECT_TRUE(near(picture.at(2, 12), rgba(0, 255, 0))) << "the fill colour was restored";
    EXPECT_TRUE(near(picture.at(15, 5), rgba(255, 0, 0)));
    EXPECT_FALSE(view->needsDisplay());
    EXPECT_EQ(GraphicsContext::current(), nullptr);
}

TEST(PaintingTest, ALoupeRendersAnotherViewMagnifiedAndNeverItself) {
    // The area shown: blue, with a red square at (10, 10).
    auto area = coloured(Rect::make(0, 0, 40, 40), blue);
    area->addSubview(coloured(Rect::make(10, 10, 4, 4), red));
    // A loupe of 20 × 20 showing the 10 × 10 points around (12, 12) at twice their size, placed
    // inside the area it shows.
    auto loupe = std::make_shared<DrawingView>(Rect::make(20, 20, 20, 20), [&](GraphicsContext& c) {
        c.translate(10, 10);
        c.scale(2, 2);
        c.translate(-12, -12);
        c.render(*area);
    });
    loupe->setClipsToBounds(true);
    area->addSubview(loupe);
    const auto picture = render(*area);
    // Loupe point (10, 10) shows area point (12, 12): red; (2, 2) shows (8, 8): blue.
    EXPECT_TRUE(near(picture.at(30, 30), rgba(255, 0, 0)));
    EXPECT_TRUE(near(picture.at(33, 33), rgba(255, 0, 0)));
    EXPECT_TRUE(near(picture.at(22, 22), rgba(0, 0, 255)));
    EXPECT_TRUE(near(picture.at(11, 11), rgba(255, 0, 0)));
}

TEST(PaintingTest, ASnapshotIsTheViewAtItsWindowsScale) {
    auto window = Window::make();
    auto view = coloured(Rect::make(10, 10, 30, 20), red);
    window->addSubview(view);
    auto snapshot = view->snapshot();
    ASSERT_NE(snapshot, nullptr);
    EXPECT_EQ(snapshot->scale(), 3);
    EXPECT_EQ(snapshot->size(), (Size{30, 20}));
    EXPECT_EQ(snapshot->bitmap()->width(), 90);
    EXPECT_EQ(snapshot->bitmap()->pixel(45, 30), red);
}

}  // namespace
}  // namespace quorvel::platform
