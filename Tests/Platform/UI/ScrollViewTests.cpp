#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ModelTestSupport.h"
#include "Platform/UI/ImageView.h"
#include "Platform/UI/ScrollView.h"
#include "Platform/UI/TapGestureRecognizer.h"
#include "Platform/UI/UIDriver.h"

namespace quorvel::platform {
namespace {

using testing::UIModelTest;

// Pages of zoomable image views inside a horizontal pager, as the preview screen builds them.
class Pager : public ScrollViewDelegate {
public:
    void scrollViewDidEndDecelerating(ScrollView& scrollView) override {
        endedAt.push_back(scrollView.contentOffset());
    }
    std::shared_ptr<View> viewForZooming(ScrollView&) override { return zoomed; }
    void scrollViewDidEndZooming(ScrollView& scrollView, View* view, double scale) override {
        zoomEnds.push_back(scale);
        EXPECT_EQ(view, zoomed.get());
        scrollView.setContentSize(view->frame().size);
    }
    std::vector<Point> endedAt;
    std::vector<double> zoomEnds;
    std::shared_ptr<View> zoomed;
};

class Scrolling : public UIModelTest {
protected:
    void SetUp() override {
        UIModelTest::SetUp();
        outer = ScrollView::make(Rect::make(0, 100, 390, 600));
        outer->setPagingEnabled(true);
        outer->setContentSize(Size{3 * 390, 600});
        outer->setDelegate(pager);
        for (int i = 0; i < 3; ++i) {
            auto page = ScrollView::make(Rect::make(i * 390, 0, 390, 600));
            page->setMinimumZoomScale(1);
            page->setMaximumZoomScale(2);
            page->setContentSize(Size{390, 600});
            page->setDelegate(pager);
            auto image = ImageView::make(nullptr, Rect::make(0, 0, 390, 600));
            page->addSubview(image);
            outer->addSubview(page);
            pages.push_back(page);
            images.push_back(image);
        }
        pager->zoomed = images[0];
        root->addSubview(outer);
        window->layoutIfNeeded();
    }

    std::shared_ptr<Pager> pager = std::make_shared<Pager>();
    std::shared_ptr<ScrollView> outer;
    std::vector<std::shared_ptr<ScrollView>> pages;
    std::vector<std::shared_ptr<ImageView>> images;
};

TEST_F(Scrolling, ADragPastHalfAPageSnapsToTheNextPageOnTheClockThenReportsTheEnd) {
    // The drag starts on an unzoomed page, which passes it on to the pager.
    UIDriver::press(*pages[0], {300, 300});
    UIDriver::moveTo(*pages[0], {200, 300});
    EXPECT_EQ(outer->contentOffset(), (Point{100, 0}));
    EXPECT_TRUE(outer->isDragging());
    UIDriver::moveTo(*pages[0], {50, 300});
    UIDriver::release(*pages[0], {50, 300});
    EXPECT_EQ(outer->contentOffset(), (Point{390, 0}));  // the model snaps at once
    EXPECT_TRUE(outer->isDecelerating());
    EXPECT_TRUE(pager->endedAt.empty());
    advance(0.15);
    const double onScreen = outer->presentationBounds().minX();
    EXPECT_GT(onScreen, 250);
    EXPECT_LT(onScreen, 390);
    advance(0.15);
    EXPECT_EQ(pager->endedAt, (std::vector<Point>{{390, 0}}));
    EXPECT_FALSE(outer->isDecelerating());

    // A short drag goes back to the page it started on; the far edge holds.
    UIDriver::pan(*pages[1], {200, 300}, {100, 300}, 5);
    advance(0.3);
    EXPECT_EQ(outer->contentOffset(), (Point{390, 0}));
    UIDriver::pan(*pages[1], {100, 300}, {380, 300}, 5);
    advance(0.3);
    EXPECT_EQ(outer->contentOffset(), (Point{0, 0}));
    UIDriver::pan(*pages[0], {380, 300}, {0, 300}, 5);
    UIDriver::pan(*root, {380, 400}, {0, 400}, 5);
    UIDriver::pan(*root, {380, 400}, {0, 400}, 5);  // the last page: nothing further
    advance(0.3);
    EXPECT_EQ(outer->contentOffset(), (Point{780, 0}));
}

TEST_F(Scrolling, ZoomingToARectangleScalesTheZoomedViewAndCentresTheRectangle) {
    const auto page = pages[0];
    page->zoom(Rect::make(100 - 97.5, 150 - 150, 195, 300), true);  // half the page around a tap
    EXPECT_EQ(page->zoomScale(), 2);
    EXPECT_EQ(images[0]->frame(), Rect::make(0, 0, 780, 1200));
    EXPECT_EQ(page->contentSize(), (Size{780, 1200}));
    EXPECT_EQ(page->contentOffset(), (Point{5, 0}));
    EXPECT_TRUE(pager->zoomEnds.empty());
    advance(0.3);
    EXPECT_EQ(pager->zoomEnds, (std::vector<double>{2}));

    // A drag on a zoomed page scrolls the page, not the pager.
    UIDriver::pan(*page, {200, 300}, {100, 200}, 5);
    EXPECT_EQ(page->contentOffset(), (Point{105, 100}));
    EXPECT_EQ(outer->contentOffset(), (Point{0, 0}));

    page->setZoomScale(1, false);
    EXPECT_EQ(images[0]->frame(), Rect::make(0, 0, 390, 600));
    EXPECT_EQ(page->contentOffset(), (Point{0, 0}));
}

TEST_F(Scrolling, APinchZoomsAboutItsPointWithinTheLimits) {
    const auto page = pages[0];
    ASSERT_TRUE(UIDriver::pinch(*page, {100, 100}, 1.5));
    EXPECT_DOUBLE_EQ(page->zoomScale(), 1.5);
    // The content point under the fingers stays under them.
    EXPECT_EQ(page->contentOffset(), (Point{50, 50}));
    EXPECT_EQ(pager->zoomEnds, (std::vector<double>{1.5}));
    UIDriver::pinch(*page, {100, 100}, 3);
    EXPECT_DOUBLE_EQ(page->zoomScale(), 2);
    UIDriver::pinch(*page, {100, 100}, 0.1);
    EXPECT_DOUBLE_EQ(page->zoomScale(), 1);

    // The pager itself does not zoom, whatever its delegate names: its limits are equal.
    const auto before = images[0]->frame();
    outer->setZoomScale(2, false);
    EXPECT_EQ(images[0]->frame(), before);
    EXPECT_EQ(outer->contentSize(), (Size{3 * 390, 600}));
}

TEST_F(Scrolling, ADoubleTapOnAPageReachesItsRecognizerWithoutScrolling) {
    int doubles = 0;
    auto doubleTap = TapGestureRecognizer::make([&](GestureRecognizer& r) {
        ++doubles;
        auto& page = static_cast<ScrollView&>(*r.view());
        const Point p = r.location(&page);
        page.zoom(Rect::make(p.x - 97.5, p.y - 150, 195, 300), true);
    });
    doubleTap->setNumberOfTapsRequired(2);
    pages[0]->addGestureRecognizer(doubleTap);
    UIDriver::doubleTap(*pages[0], {200, 300});
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(pages[0]->zoomScale(), 2);
    EXPECT_EQ(outer->contentOffset(), (Point{0, 0}));
    advance(0.3);
    EXPECT_EQ(pager->zoomEnds.size(), 1u);
}

TEST_F(Scrolling, ScrollingARectangleIntoViewMovesTheLeastAndAnimatedMovesReportTheirEnd) {
    struct Ends : ScrollViewDelegate {
        int scrolls = 0, ends = 0;
        void scrollViewDidScroll(ScrollView&) override { ++scrolls; }
        void scrollViewDidEndScrollingAnimation(ScrollView&) override { ++ends; }
    };
    auto ends = std::make_shared<Ends>();
    outer->setDelegate(ends);
    outer->scrollRectToVisible(Rect::make(780, 0, 390, 600), true);
    EXPECT_EQ(outer->contentOffset(), (Point{780, 0}));
    EXPECT_EQ(ends->scrolls, 1);
    EXPECT_EQ(ends->ends, 0);
    // A new animated move replaces the first; only the last one reports its end.
    outer->setContentOffset({390, 0}, true);
    advance(0.3);
    EXPECT_EQ(ends->ends, 1);
    outer->scrollRectToVisible(Rect::make(400, 0, 100, 100), false);
    EXPECT_EQ(outer->contentOffset(), (Point{390, 0}));  // already visible
}

}  // namespace
}  // namespace quorvel::platform
