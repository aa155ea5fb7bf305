#include "Source/Capture/Engine/CaptureViewModel.h"

#include "Platform/Foundation/Device.h"
#include "Source/Capture/Engine/FlashManager.h"
#include "Source/Configuration/FatalError.h"
#include "Source/Configuration/Logger.h"
#include "Source/Configuration/ResourceBundle.h"
#include "Source/Imaging/BlurDetection.h"
#include "Source/Imaging/ImageOperations.h"

namespace quorvel {

using platform::DispatchQueue;

CaptureViewModel::CaptureViewModel(std::shared_ptr<CaptureConfiguration> configuration,
                                   std::weak_ptr<CaptureViewModelDelegate> delegate)
    : autoCaptureStartTime(platform::Clock::now()),
      config_(std::move(configuration)),
      rectangleDetector_(RectangleDetector::make()),
      theme_(config_->theme() ? config_->theme()
                              : std::make_shared<CaptureTheme>(config_->bundle())),
      detectionQueue_(DispatchQueue::makeSerial("com.quorvelhq.capture.rectangle_detection",
                                                platform::QualityOfService::userInitiated)),
      capturedImages_(std::make_shared<CapturedImageGroup>()),
      buttonThemes_(std::make_unique<CaptureButtonThemes>(*theme_)),
      delegate_(std::move(delegate)) {
    requireMainQueue("CaptureViewModel::make");
}

std::shared_ptr<CaptureViewModel> CaptureViewModel::make(
    std::shared_ptr<CaptureConfiguration> configuration,
    std::weak_ptr<CaptureViewModelDelegate> delegate) {
    std::shared_ptr<CaptureViewModel> model(
        new CaptureViewModel(std::move(configuration), std::move(delegate)));
    model->captureSession_ = CaptureSession::make(model->weak_from_this(), model->weak_from_this(),
                                                  *model->requirePreviewView());
    const auto& features = *model->config_->features();
    if (!features.defaultToAutoCapture() || !features.enableAutoCapture()) {
        model->captureType = CaptureType::manual;
    }
    return model;
}

std::shared_ptr<CaptureViewModel> CaptureViewModel::make(
    std::shared_ptr<CaptureConfiguration> configuration,
    std::weak_ptr<CaptureViewModelDelegate> delegate, const CaptureViewModel& withSettingsFrom) {
    auto model = make(std::move(configuration), std::move(delegate));
    model->captureType = withSettingsFrom.captureType;
    model->captureDocumentType =
        withSettingsFrom.captureDocumentType == CaptureDocumentType::longSecond
            ? CaptureDocumentType::longFirst
            : withSettingsFrom.captureDocumentType;
    model->torchShouldBeOn_ = withSettingsFrom.torchShouldBeOn();
    return model;
}

CaptureViewModel::~CaptureViewModel() {
    // A view model released without being stopped must not leave its camera running.
    auto stop = [timer = captureTimer_, session = captureSession_] {
        if (timer) timer->invalidate();
        if (session) session->stop();
    };
    if (DispatchQueue::isMainThread()) {
        stop();
    } else {
        DispatchQueue::main()->async(stop);
    }
}

std::shared_ptr<CameraPreviewView> CaptureViewModel::requirePreviewView() const {
    auto delegate = delegate_.lock();
    auto view = delegate ? delegate->previewView() : nullptr;
    if (!view) fatalError("CaptureViewModel needs the camera screen's preview view");
    return view;
}

const std::shared_ptr<platform::Bundle>& CaptureViewModel::moduleBundle() {
    if (!moduleBundle_) moduleBundle_ = ResourceBundle::resources();
    return moduleBundle_;
}

platform::ImageOrientation CaptureViewModel::imageOrientationForDeviceOrientation() {
    using platform::DeviceOrientation;
    using platform::ImageOrientation;
    switch (platform::Device::current().orientation()) {
        case DeviceOrientation::portraitUpsideDown:
            return ImageOrientation::right;
        case DeviceOrientation::landscapeLeft:
            return ImageOrientation::down;
        case DeviceOrientation::landscapeRight:
            return ImageOrientation::up;
        default:
            return ImageOrientation::left;
    }
}

std::optional<CaptureViewModel::ImageBufferProperties> CaptureViewModel::imageBufferProperties()
    const {
    std::lock_guard lock(shotMutex_);
    return imageBufferProperties_;
}

void CaptureViewModel::setImageBufferProperties(ImageBufferProperties properties) {
    std::lock_guard lock(shotMutex_);
    imageBufferProperties_ = std::move(properties);
}

bool CaptureViewModel::hideCaptureDocumentTypeButtons() const {
    return !capturedImages_->isEmpty() || !config_->features()->enableLongCapture();
}

std::optional<std::size_t> CaptureViewModel::replaceAtIndex() const {
    if (retakeIndex) return retakeIndex;
    if (captureDocumentType == CaptureDocumentType::longSecond && !capturedImages_->isEmpty()) {
        return capturedImages_->count() - 1;
    }
    return std::nullopt;
}

bool CaptureViewModel::shouldDetectBlur() const {
    return config_->features()->enableBlurDetection() && captureSession_ &&
           captureSession_->isRAWFormatSupported();
}

void CaptureViewModel::resetCounters() {
    rectangleLockedTime = 0;
    rectangleDetectedForFrames = 0;
    rectangleLostForFrames = 0;
}

void CaptureViewModel::stopTimer() {
    if (captureTimer_) {
        captureTimer_->invalidate();
        captureTimer_.reset();
    }
}

void CaptureViewModel::startTimer() {
    // The timer holds the view model weakly: a view model that is dropped without being stopped
    // goes away with its timer.
    captureTimer_ = platform::Timer::scheduled(timerInterval, true,
                                               [weakSelf = weak_from_this()](platform::Timer&) {
                                                   if (auto self = weakSelf.lock())
                                                       self->onCaptureTimerTick();
                                               });
}

void CaptureViewModel::onCaptureTimerTick() {
    requireMainQueue("CaptureViewModel::onCaptureTimerTick");
    if (autoCaptureStartTime + gracePeriod < platform::Clock::now()) ++rectangleLockedTime;
}

void CaptureViewModel::startCaptureSession() {
    requireMainQueue("CaptureViewModel::startCaptureSession");
    auto delegate = delegate_.lock();
    if (!delegate) {
        Logger::capture().error("Cannot start capture session: no delegate");
        return;
    }
    if (captureDocumentType == CaptureDocumentType::longFirst) capturedImages_->removeAll();
    if (captureSession_) {
        // The camera starts on a background queue, but the torch follows the choice on the main
        // queue, where the choice is made: a flash toggle made while the camera starts is then
        // never undone by a restore that read the choice before it.
        captureSession_->start(
            weak_from_this(), weak_from_this(), *requirePreviewView(),
            [weakSelf = weak_from_this()] {
                DispatchQueue::main()->async([weakSelf] {
                    if (auto self = weakSelf.lock()) {
                        FlashManager::instance().updateState(self->torchShouldBeOn());
                    }
                });
            });
    }
    stopTimer();
    resetCounters();
    startTimer();
    isCapturingImage_ = false;
    autoCaptureStartTime = platform::Clock::now();
}

void CaptureViewModel::stopCaptureSession() {
    requireMainQueue("CaptureViewModel::stopCaptureSession");
    if (captureSession_ && captureSession_->isRunning()) captureSession_->stop();
    resetCounters();
    stopTimer();
    resetCounters();
}

void CaptureViewModel::captureTypeChanged(CaptureType to) {
    requireMainQueue("CaptureViewModel::captureTypeChanged");
    if (to == CaptureType::automatic && !config_->features()->enableAutoCapture()) return;
    captureType = to;
    effectiveCaptureType_ = to;
    stopTimer();
    resetCounters();
    if (to == CaptureType::automatic) startTimer();
    resetCounters();
    isCapturingImage_ = false;
    if (auto delegate = delegate_.lock()) delegate->didLoseRectangle();
}

void CaptureViewModel::captureDocumentTypeChanged(CaptureDocumentType to) {
    requireMainQueue("CaptureViewModel::captureDocumentTypeChanged");
    previousCaptureDocumentType = captureDocumentType;
    captureDocumentType = to;
    switch (to) {
        case CaptureDocumentType::normal:
            captureTypeChanged(captureType);
            break;
        case CaptureDocumentType::longFirst:
        case CaptureDocumentType::longSecond:
            effectiveCaptureType_ = CaptureType::manual;
            stopTimer();
            resetCounters();
            resetCounters();
            isCapturingImage_ = false;
            if (auto delegate = delegate_.lock()) delegate->didLoseRectangle();
            break;
        case CaptureDocumentType::album:
            break;
    }
}

void CaptureViewModel::toggleTorch() {
    requireMainQueue("CaptureViewModel::toggleTorch");
    const bool on = !torchShouldBeOn_.load();
    auto& manager = FlashManager::instance();
    manager.updateState(on);
    // The choice follows the torch: a change the camera refused leaves the choice as it was, so
    // the next camera start does not try it again and the button keeps telling the truth.
    if (manager.isTorchActive() == on) torchShouldBeOn_ = on;
}

void CaptureViewModel::captureOutput(platform::CaptureVideoDataOutput&,
                                     std::shared_ptr<platform::SampleBuffer> sampleBuffer,
                                     platform::CaptureConnection&) {
    if (effectiveCaptureType_.load() != CaptureType::automatic) return;
    DispatchQueue::main()->async([weakSelf = weak_from_this(), sampleBuffer] {
        auto self = weakSelf.lock();
        if (!self || self->isDetectingRectangles) return;
        auto delegate = self->delegate_.lock();
        if (!delegate) return;
        auto previewLayer = self->requirePreviewView()->videoPreviewLayer();
        self->isDetectingRectangles = true;
        auto pixelBuffer = sampleBuffer->imageBuffer();
        if (!pixelBuffer) {
            Logger::capture().error("Failed to obtain a pixel buffer for the current output frame");
            // No pass was started: later frames must still be analysed.
            self->isDetectingRectangles = false;
            return;
        }
        self->rectangleDetector_->detectPath(
            pixelBuffer, imageOrientationForDeviceOrientation(),
            [previewLayer](platform::Size frameSize) {
                return platform::VideoPreviewLayer::pictureRect(frameSize, previewLayer->bounds(),
                                                                previewLayer->videoGravity());
            },
            self->detectionQueue_,
            [weakSelf](auto path, auto feature, platform::Point center, platform::Rect extent) {
                if (auto self = weakSelf.lock())
                    self->processNewPath(path, feature, center, extent);
            });
    });
}

void CaptureViewModel::processNewPath(std::shared_ptr<platform::BezierPath> path,
                                      std::shared_ptr<RectangleFeature> feature,
                                      platform::Point pathCenter, platform::Rect imageExtent) {
    requireMainQueue("CaptureViewModel::processNewPath");
    if (auto delegate = delegate_.lock()) delegate->didFindRectangle(feature, path, pathCenter);
    if (feature && !isCapturingImage_.load() &&
        rectangleLockedTime >= requiredRectangleLockedTime) {
        captureImageAutomatically(*feature, imageExtent);
        if (auto delegate = delegate_.lock()) delegate->displayCaptureLoadingCircle(pathCenter);
    }
}

void CaptureViewModel::captureImageManually() {
    requireMainQueue("CaptureViewModel::captureImageManually");
    requestPhoto({CaptureType::manual, nullptr, std::nullopt});
}

void CaptureViewModel::captureImageAutomatically(const RectangleFeature& feature,
                                                 platform::Rect resizedExtent) {
    // The live rectangle is in the preview's points; the photo's processing falls back on it,
    // scaled by the photo's size over the frame's, when it finds no page on the photo. So the
    // record keeps it in the frame's pixels: where the preview layer draws the frame decides
    // how points go back to pixels (a picture that fills the preview is cropped at its edges).
    auto inFrame = std::make_shared<RectangleFeature>(feature);
    const auto layer = requirePreviewView()->videoPreviewLayer();
    const auto picture = platform::VideoPreviewLayer::pictureRect(
        resizedExtent.size, layer->bounds(), layer->videoGravity());
    if (picture.width() > 0 && picture.height() > 0) {
        const double sx = resizedExtent.width() / picture.width();
        const double sy = resizedExtent.height() / picture.height();
        for (auto* corner :
             {&inFrame->topLeft, &inFrame->topRight, &inFrame->bottomRight, &inFrame->bottomLeft}) {
            *corner = {(corner->x - picture.minX()) * sx, (corner->y - picture.minY()) * sy};
        }
    }
    requestPhoto({CaptureType::automatic, std::move(inFrame), resizedExtent});
}

void CaptureViewModel::requestPhoto(ImageBufferProperties properties) {
    {
        std::lock_guard lock(shotMutex_);
        if (shotPending_) {
            Logger::capture().error("Cannot capture image: a capture is already in progress");
            return;
        }
        imageBufferProperties_ = std::move(properties);
        if (captureSession_) shotPending_ = true;
    }
    if (!captureSession_) {
        Logger::capture().error("Cannot capture image: no capture session");
        return;
    }
    stopTimer();
    resetCounters();
    captureSession_->takePhoto([weakSelf = weak_from_this()] {
        if (auto self = weakSelf.lock()) {
            self->isCapturingImage_ = true;
            if (auto delegate = self->delegate_.lock()) delegate->didStartCapture();
        }
    });
}

void CaptureViewModel::reportFailure() {
    {
        std::lock_guard lock(shotMutex_);
        shotPending_ = false;
    }
    if (auto delegate = delegate_.lock()) delegate->didFailCapture();
}

void CaptureViewModel::reportImage(std::shared_ptr<platform::Image> image, bool isBlurry) {
    {
        std::lock_guard lock(shotMutex_);
        shotPending_ = false;
    }
    if (auto delegate = delegate_.lock()) delegate->didCaptureImage(std::move(image), isBlurry);
}

void CaptureViewModel::photoOutput(platform::CapturePhotoOutput&,
                                   std::shared_ptr<platform::CapturePhoto> photo,
                                   std::optional<platform::CameraError> error) {
    if (error) {
        Logger::capture().error("Received an error capturing image: %s",
                                error->localizedDescription);
        reportFailure();
        return;
    }
    const auto properties = imageBufferProperties();
    if (!properties) {
        Logger::capture().error(
            "Cannot process a captured image: no image buffer properties were set");
        reportFailure();
        return;
    }
    if (properties->captureType == CaptureType::manual) {
        processManualPhoto(*photo);
        return;
    }
    if (!properties->feature || !properties->resizedExtent) {
        Logger::capture().error(
            "Cannot process a captured image: image buffer properties required for auto capture "
            "were not set");
        reportFailure();
        return;
    }
    processAutoPhoto(*photo, *properties->feature, *properties->resizedExtent);
}

void CaptureViewModel::processManualPhoto(const platform::CapturePhoto& photo) {
    const auto& data = photo.fileDataRepresentation();
    auto image = data ? platform::Image::fromEncodedData(*data) : nullptr;
    if (!image) {
        Logger::capture().error("Manual capture: failed to convert to a presentable image");
        reportFailure();
        return;
    }
    auto photoImage = platform::FilterImage::fromImage(*image);
    // The camera stores a portrait picture turned a quarter: turn it right.
    auto upright = photoImage ? photoImage->oriented(6) : nullptr;
    auto page = upright ? ImageOperations::imageFromFilterImage(*upright) : nullptr;
    if (!page) {
        Logger::capture().error("Manual capture: failed to convert to a core image");
        reportFailure();
        return;
    }
    const bool blurry = shouldDetectBlur() && BlurDetection::isBlurry(upright);
    reportImage(page, blurry);
}

namespace {

// The lens's focal length in the photo's pixels, when the camera gave its intrinsic matrix.
std::optional<double> focalLength(const platform::CapturePhoto& photo) {
    if (!photo.intrinsicMatrix()) return std::nullopt;
    return (*photo.intrinsicMatrix())[0];
}

}  // namespace

void CaptureViewModel::processAutoPhoto(const platform::CapturePhoto& photo,
                                        const RectangleFeature& feature,
                                        platform::Rect resizedExtent) {
    // The detector rescales the rectangle it is given: it gets a copy of the record's.
    rectangleDetector_->automaticProcessedImage(
        photo.fileDataRepresentation(), imageOrientationForDeviceOrientation(),
        std::make_shared<RectangleFeature>(feature), resizedExtent, shouldDetectBlur(),
        [weakSelf = weak_from_this()](std::optional<RectangleDetector::ProcessedImage> result) {
            auto self = weakSelf.lock();
            if (!self) return;
            if (!result) {
                Logger::capture().error("Automatic capture: failed to produce a page image");
                self->reportFailure();
                return;
            }
            self->reportImage(result->image, result->isBlurry);
        },
        focalLength(photo));
}

}  // namespace quorvel
