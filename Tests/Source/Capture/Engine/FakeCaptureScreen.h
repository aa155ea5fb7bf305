#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "Platform/Dispatch/DispatchQueue.h"
#include "Source/Capture/Engine/CaptureViewModel.h"

namespace quorvel::testsupport {

// A stand-in for the camera screen: it owns a preview view and counts frames the way the camera
// screen does (steady after three found frames, cleared after three tolerated misses or jumps of
// 20 points or more), keeping the outline it would draw. Reports that arrive off the main queue
// are recorded as they come.
class FakeCaptureScreen : public CaptureViewModelDelegate {
public:
    explicit FakeCaptureScreen(quorvel::platform::Rect previewFrame = {{0, 0}, {540, 960}})
        : previewView_(CameraPreviewView::make(previewFrame)) {}

    std::weak_ptr<CaptureViewModel> viewModel;

    // Main queue only.
    std::shared_ptr<quorvel::platform::BezierPath> drawnOutline;
    int framesReported = 0;
    int framesFound = 0;
    int lostReports = 0;
    std::vector<quorvel::platform::Point> circles;

    // Any thread.
    std::atomic<int> startedCaptures{0};
    std::atomic<int> failedCaptures{0};
    std::atomic<int> capturedImages{0};

    struct Capture {
        std::shared_ptr<quorvel::platform::Image> image;
        bool isBlurry;
        bool onMainThread;
    };
    std::vector<Capture> captures() const {
        std::lock_guard lock(mutex_);
        return captures_;
    }

    std::shared_ptr<CameraPreviewView> previewView() const override { return previewView_; }

    void didFindRectangle(std::shared_ptr<RectangleFeature> feature,
                          std::shared_ptr<quorvel::platform::BezierPath> path,
                          quorvel::platform::Point) override {
        ++framesReported;
        auto model = viewModel.lock();
        if (!model) return;
        const bool found = feature && path && model->captureType == CaptureType::automatic &&
                           model->captureDocumentType == CaptureDocumentType::normal;
        if (!found) {
            miss(*model);
            model->isDetectingRectangles = false;
            return;
        }
        ++framesFound;
        const bool jumped = model->currentRectangle &&
                            feature->cornerVarianceFrom(*model->currentRectangle) >= 20.0f;
        if (jumped) {
            miss(*model);
        } else if (model->rectangleDetectedForFrames <
                   CaptureViewModel::requiredRectangleDetectionFrames) {
            model->rectangleLockedTime = 0;
            ++model->rectangleDetectedForFrames;
        } else {
            model->rectangleLostForFrames = 0;
            drawnOutline = path;
        }
        model->currentRectangle = feature;
        model->isDetectingRectangles = false;
    }

    void didLoseRectangle() override {
        ++lostReports;
        if (auto model = viewModel.lock()) {
            if (model->rectangleDetectedForFrames <
                    CaptureViewModel::requiredRectangleDetectionFrames ||
                model->rectangleLost()) {
                clear(*model);
            } else {
                ++model->rectangleLostForFrames;
            }
            model->isDetectingRectangles = false;
        }
    }

    void didStartCapture() override { ++startedCaptures; }
    void didFailCapture() override { ++failedCaptures; }
    void didCaptureImage(std::shared_ptr<quorvel::platform::Image> image, bool isBlurry) override {
        {
            std::lock_guard lock(mutex_);
            captures_.push_back(
                {image, isBlurry, quorvel::platform::DispatchQueue::isMainThread()});
        }
        ++capturedImages;
    }
    void displayCaptureLoadingCircle(quorvel::platform::Point at) override {
        circles.push_back(at);
    }

private:
    void miss(CaptureViewModel& model) {
        if (model.rectangleDetectedForFrames >=
                CaptureViewModel::requiredRectangleDetectionFrames &&
            model.rectangleLostForFrames < CaptureViewModel::requiredRectangleLostFrames) {
            ++model.rectangleLostForFrames;
        } else {
            clear(model);
        }
    }
    void clear(CaptureViewModel& model) {
        model.rectangleLockedTime = 0;
        model.rectangleDetectedForFrames = 0;
        drawnOutline.reset();
        model.currentRectangle.reset();
    }

    std::shared_ptr<CameraPreviewView> previewView_;
    mutable std::mutex mutex_;
    std::vector<Capture> captures_;
};

}  // namespace quorvel::testsupport
