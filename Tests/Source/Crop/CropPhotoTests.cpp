// The crop screen on real document photos, and driven by a mouse through the window's widget.

#include <gtest/gtest.h>

#include <QWidget>
#include <QtTest/QTest>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "CropScreenTestSupport.h"
#include "Platform/UI/Qt/WindowHost.h"
#include "Source/Crop/Components/AspectFit.h"
#include "Source/Imaging/PageAspectRatio.h"
#include "Source/Imaging/RectangleFeature.h"
#include "Support/UITestEnvironment.h"

using namespace quorvel;
using namespace croptest;
namespace ui = quorvel::platform;

namespace {

std::filesystem::path sharedData() {
    if (const char* env = std::getenv("QUORVEL_SHARED_DATA")) {
        return env;
    }
    return std::filesystem::path(__FILE__).parent_path() / "../../../../shared/data";
}

struct MarkedPhoto {
    std::string file;
    std::array<cv::Point2d, 4>
        corners;  // upright pixels: top-left, top-right, bottom-right, bottom-left
};

std::vector<MarkedPhoto> markedPhotos() {
    std::ifstream file(sharedData() / "photos" / "ground-truth.json");
    if (!file) {
        return {};
    }
    const auto truth = nlohmann::json::parse(file);
    std::vector<MarkedPhoto> photos;
    for (const auto& entry : truth["images"]) {
        if (!entry.value("document", false)) {
            continue;
        }
        MarkedPhoto photo{entry["file"].get<std::string>(), {}};
        for (std::size_t i = 0; i < 4; ++i) {
            photo.corners[i] = {entry["corners"][i][0].get<double>(),
                                entry["corners"][i][1].get<double>()};
        }
        photos.push_back(photo);
    }
    return photos;
}

// Normalized cross-correlation of two grey pictures of one size.
double correlation(const cv::Mat& a, const cv::Mat& b) {
    cv::Mat fa, fb, result;
    a.convertTo(fa, CV_32F);
    b.convertTo(fb, CV_32F);
    cv::matchTemplate(fa, fb, result, cv::TM_CCOEFF_NORMED);
    return result.at<float>(0, 0);
}

cv::Mat grey(const cv::Mat& bgr, cv::Size size) {
    cv::Mat resized, g;
    cv::resize(bgr, resized, size, 0, 0, cv::INTER_AREA);
    cv::cvtColor(resized, g, cv::COLOR_BGR2GRAY);
    return g;
}

class CropPhotoTest : public CropScreenTest {
protected:
    // The handles' centres in upright pixels of the shown picture.
    std::vector<cv::Point2d> handlesInPixels() const {
        const auto& image = *screen->viewModel()->image();
        const auto fitted = makeRectWithAspectRatioInsideRect(image.size(), area().bounds());
        const double perPoint = image.size().width * image.scale() / fitted.width();
        std::vector<cv::Point2d> pixels;
        for (const auto& c : corners()) {
            pixels.emplace_back((c.x - fitted.minX()) * perPoint, (c.y - fitted.minY()) * perPoint);
        }
        return pixels;
    }
};

}  // namespace

TEST_F(CropPhotoTest, PlacesTheHandlesOnThePageAndStraightensItUntouched) {
    const auto photos = markedPhotos();
    if (photos.empty()) {
        GTEST_SKIP() << "no marked document photos in " << sharedData();
    }
    for (const auto& photo : photos) {
        SCOPED_TRACE(photo.file);
        const auto path = sharedData() / "photos" / photo.file;
        // As a library picture comes: the file's orientation kept as the image's.
        auto image = ui::Image::contentsOfFile(path);
        ASSERT_TRUE(image);
        delegate = std::make_shared<ScreenDelegateRecorder>();
        open(image, std::nullopt, false);
        waitForPlacement();
        ASSERT_EQ(delegate->detected, 1);

        const auto size = image->size();
        const double diagonal = std::hypot(size.width, size.height);
        const auto placed = handlesInPixels();
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_LT(
                std::hypot(placed[i].x - photo.corners[i].x, placed[i].y - photo.corners[i].y),
                0.02 * diagonal)
                << "corner " << i;
        }

        ASSERT_TRUE(ui::UIDriver::tap(*outlets().doneButton));
        settle();
        ASSERT_EQ(delegate->cropped, 1);
        const auto& result = delegate->croppedImage;
        ASSERT_TRUE(result);
        EXPECT_EQ(result->orientation(), ui::ImageOrientation::up);

        // The marked page, straightened from the upright photo, at the result's size.
        const cv::Mat upright = cv::imread(path.string(), cv::IMREAD_COLOR);
        const cv::Size resultSize(result->bitmap()->width(), result->bitmap()->height());
        const std::array<cv::Point2f, 4> target{cv::Point2f(0, 0), cv::Point2f(resultSize.width, 0),
                                                cv::Point2f(resultSize.width, resultSize.height),
                                                cv::Point2f(0, resultSize.height)};
        std::array<cv::Point2f, 4> source;
        for (std::size_t i = 0; i < 4; ++i) {
            source[i] = cv::Point2f(photo.corners[i].x, photo.corners[i].y);
        }
        cv::Mat expected;
        cv::warpPerspective(upright, expected,
                            cv::getPerspectiveTransform(source.data(), target.data()), resultSize);
        const cv::Size small(200, 200 * resultSize.height / resultSize.width);
        EXPECT_GT(correlation(grey(toBGR(*result), small), grey(expected, small)), 0.8);
        // Upright, with the paper's own proportions as the marked corners give them.
        const RectangleFeature marked(
            {photo.corners[0].x, photo.corners[0].y}, {photo.corners[1].x, photo.corners[1].y},
            {photo.corners[2].x, photo.corners[2].y}, {photo.corners[3].x, photo.corners[3].y});
        const auto paper = PageAspectRatio::estimate(marked, {{0, 0}, size}, std::nullopt);
        ASSERT_TRUE(paper);
        EXPECT_NEAR(static_cast<double>(resultSize.width) / resultSize.height, *paper,
                    0.02 * *paper);
        if (photo.file == "desk.JPG") {
            testsupport::saveScreenshot(*result, "crop-straightened-result");
        }
        screen.reset();
    }
}

TEST_F(CropScreenTest, AMouseDragOfACornerMovesItUnderTheLoupeAndDoneStraightensThePage) {
    auto host = ui::WindowHost::make(window);
    ASSERT_TRUE(host);
    host->show();
    open(plainImage(600, 800), std::vector<ui::Point>{{60, 80}, {280, 80}, {280, 420}, {60, 420}},
         false);
    QWidget* widget = host->widget();
    const auto inWindow = [&](ui::Point p) {
        const auto w = touchLayer().convert(p, nullptr);
        return QPoint(static_cast<int>(std::lround(w.x)), static_cast<int>(std::lround(w.y)));
    };
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, inWindow({60, 80}));
    ASSERT_TRUE(screen->magnifyView());
    for (int step = 1; step <= 8; ++step) {
        QTest::mouseMove(widget, inWindow({60.0 + 5 * step, 80.0 + 5 * step}));
    }
    // The loupe follows the handle, which is hidden under it.
    ASSERT_TRUE(screen->magnifyView());
    EXPECT_EQ(outlets().topLeftCornerPoint->center(), (ui::Point{100, 120}));
    EXPECT_EQ(screen->magnifyView()->center(), (ui::Point{100, 120}));
    EXPECT_TRUE(outlets().topLeftCornerPoint->isHidden());
    host->repaintIfNeeded();
    testsupport::saveScreenshot(*host->grab(), "crop-mouse-drag");
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, inWindow({100, 120}));
    EXPECT_FALSE(screen->magnifyView());
    EXPECT_FALSE(outlets().topLeftCornerPoint->isHidden());

    const auto done =
        outlets().doneButton->convert(outlets().doneButton->bounds().center(), nullptr);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier,
                      QPoint(static_cast<int>(done.x), static_cast<int>(done.y)));
    settle();
    ASSERT_EQ(delegate->cropped, 1);
    EXPECT_EQ(delegate->croppedCorners,
              (std::vector<ui::Point>{{100, 120}, {280, 80}, {280, 420}, {60, 420}}));
    ASSERT_TRUE(delegate->croppedImage);
    EXPECT_FALSE(onTop());
}
