#pragma once

#include <memory>
#include <opencv2/core.hpp>
#include <optional>
#include <vector>

#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"
#include "Platform/UI/GraphicsContext.h"
#include "Platform/UI/LayoutConstraint.h"
#include "Platform/UI/View.h"
#include "Source/Configuration/CaptureTheme.h"
#include "Source/Crop/Components/CornerPoint.h"
#include "Source/Crop/ViewControllers/CropViewControllerDelegate.h"
#include "Source/Crop/ViewModels/CropViewModelDelegate.h"

namespace croptest {

// The framework's default capture theme (colours from the resource bundle).
std::shared_ptr<quorvel::CaptureTheme> defaultTheme();

// A plain image of `width` × `height` pixels of one grey level.
std::shared_ptr<quorvel::platform::Image> plainImage(int width, int height, double scale = 1);
// An image of BGR pixels.
std::shared_ptr<quorvel::platform::Image> imageFromBGR(const cv::Mat& bgr);
// The image's pixels as BGR.
cv::Mat toBGR(const quorvel::platform::Image& image);

// Four handles (tags 1 to 4, top-left, top-right, bottom-right, bottom-left) inside `area`, each
// with leading, top and width constraints wired, laid out by the area's layout handler.
std::vector<std::shared_ptr<quorvel::CornerPoint>> makeHandles(
    const std::shared_ptr<quorvel::platform::View>& area);
// The handles' centres, in order.
std::vector<quorvel::platform::Point> centers(
    const std::vector<std::shared_ptr<quorvel::CornerPoint>>& handles);

// Records what a crop view model reports.
class ModelDelegateRecorder : public quorvel::CropViewModelDelegate {
public:
    void cropViewModelStartedCornerDetection() override { ++started; }
    void cropViewModelDetectedCornerPoints(
        const std::optional<std::vector<quorvel::platform::Point>>& points) override {
        ++detected;
        lastPoints = points;
    }
    int started = 0;
    int detected = 0;
    std::optional<std::vector<quorvel::platform::Point>> lastPoints;
};

// Records what a crop screen reports.
class ScreenDelegateRecorder : public quorvel::CropViewControllerDelegate {
public:
    void cropViewControllerCroppedImage(
        std::shared_ptr<quorvel::platform::Image> image,
        const std::vector<quorvel::platform::Point>& corners) override {
        ++cropped;
        croppedImage = std::move(image);
        croppedCorners = corners;
    }
    void cropViewControllerDetectedCornerPoints(
        const std::vector<quorvel::platform::Point>& points) override {
        ++detected;
        detectedPoints = points;
    }
    int cropped = 0;
    std::shared_ptr<quorvel::platform::Image> croppedImage;
    std::vector<quorvel::platform::Point> croppedCorners;
    int detected = 0;
    std::vector<quorvel::platform::Point> detectedPoints;
};

// A drawing context that draws nothing and records the transforms and renders asked of it.
class RecordingContext : public quorvel::platform::GraphicsContext {
public:
    struct Call {
        enum class Kind { translate, scale, render } kind;
        double x = 0;
        double y = 0;
        const quorvel::platform::View* view = nullptr;
    };
    std::vector<Call> calls;

    void saveState() override {}
    void restoreState() override {}
    void translate(double dx, double dy) override {
        calls.push_back({Call::Kind::translate, dx, dy});
    }
    void scale(double sx, double sy) override { calls.push_back({Call::Kind::scale, sx, sy}); }
    void rotate(double) override {}
    void concatenate(const quorvel::platform::AffineTransform&) override {}
    quorvel::platform::AffineTransform currentTransform() const override { return {}; }
    void setFillColor(const quorvel::platform::Color&) override {}
    void setStrokeColor(const quorvel::platform::Color&) override {}
    void setLineWidth(double) override {}
    void setAlpha(double) override {}
    void clip(const quorvel::platform::Rect&) override {}
    void clip(const quorvel::platform::BezierPath&) override {}
    void fillRect(const quorvel::platform::Rect&) override {}
    void strokeRect(const quorvel::platform::Rect&) override {}
    void fill(const quorvel::platform::BezierPath&) override {}
    void stroke(const quorvel::platform::BezierPath&) override {}
    void drawImage(const quorvel::platform::Image&, const quorvel::platform::Rect&) override {}
    void drawText(const std::string&, const quorvel::platform::Rect&,
                  const quorvel::platform::Font&, const quorvel::platform::Color&) override {}
    void render(const quorvel::platform::Layer&) override {}
    void render(const quorvel::platform::View& view) override {
        calls.push_back({Call::Kind::render, 0, 0, &view});
    }
};

}  // namespace croptest
