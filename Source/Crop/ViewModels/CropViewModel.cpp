#include "Source/Crop/ViewModels/CropViewModel.h"

#include <utility>

#include "Source/Configuration/FatalError.h"
#include "Source/Configuration/Logger.h"
#include "Source/Crop/Components/AspectFit.h"
#include "Source/Imaging/ImageOperations.h"

namespace quorvel {

namespace {

constexpr std::size_t cornerCount = 4;

std::optional<std::vector<platform::Point>> usableCorners(
    std::optional<std::vector<platform::Point>> corners) {
    if (corners && corners->size() != cornerCount) {
        Logger::capture().error("Ignoring %d stored crop corners: four are needed",
                                static_cast<int>(corners->size()));
        return std::nullopt;
    }
    return corners;
}

}  // namespace

std::shared_ptr<CropViewModel> CropViewModel::make(
    std::shared_ptr<platform::Image> image, std::shared_ptr<CaptureTheme> theme,
    std::optional<std::vector<platform::Point>> cornerPoints, bool autoCaptured) {
    return std::shared_ptr<CropViewModel>(new CropViewModel(std::move(image), std::move(theme),
                                                            std::move(cornerPoints), autoCaptured));
}

CropViewModel::CropViewModel(std::shared_ptr<platform::Image> image,
                             std::shared_ptr<CaptureTheme> theme,
                             std::optional<std::vector<platform::Point>> cornerPoints,
                             bool autoCaptured)
    : workQueue_(platform::DispatchQueue::makeSerial("com.quorvel.corners",
                                                     platform::QualityOfService::unspecified)),
      detector_(RectangleDetector::make()),
      image_(std::move(image)),
      theme_(std::move(theme)),
      startingCorners_(usableCorners(std::move(cornerPoints))),
      autoCaptured_(autoCaptured) {
    if (!image_ || !theme_) {
        fatalError("The crop screen needs an image and a theme");
    }
    reloadButtonThemes();
}

void CropViewModel::reloadButtonThemes() {
    buttonThemes_ = std::make_shared<CaptureButtonThemes>(*theme_);
}

void CropViewModel::setCornerPoints(std::vector<std::shared_ptr<CornerPoint>> cornerPoints,
                                    const std::shared_ptr<platform::View>& in) {
    cornerPoints_ = std::move(cornerPoints);
    if (startingCorners_) {
        setCornerConstraints(*startingCorners_);
        return;
    }
    if (auto delegate = delegate_.lock()) {
        delegate->cropViewModelStartedCornerDetection();
    }
    getInitialCornerPoints(in);
}

void CropViewModel::getInitialCornerPoints(const std::shared_ptr<platform::View>& in) {
    if (!in) {
        fatalError("The crop handles are placed in no view");
    }
    const auto size = makeRectWithAspectRatioInsideRect(image_->size(), in->bounds()).size;
    if (autoCaptured_) {
        setDefaultCorners(size, *in);
        return;
    }

    std::weak_ptr<CropViewModel> weakSelf = weak_from_this();
    auto view = in;
    auto completion = [weakSelf, view, size](std::shared_ptr<RectangleFeature> feature) {
        platform::DispatchQueue::main()->async([weakSelf, view, size, feature] {
            auto self = weakSelf.lock();
            if (!self) {
                return;
            }
            self->placeDetectedCorners(feature, size, *view);
        });
    };
    if (image_->orientation() == platform::ImageOrientation::up) {
        detector_->detectCropCorners(image_, size, workQueue_, std::move(completion));
        return;
    }
    // The detector reads the pixels as stored; the handles live on the picture as shown. Turn
    // it upright first, off the main queue.
    auto image = image_;
    auto detector = detector_;
    auto queue = workQueue_;
    workQueue_->async([image, detector, queue, size, completion = std::move(completion)] {
        auto upright = ImageOperations::orientPhotoPortrait(image);
        detector->detectCropCorners(upright ? upright : image, size, queue, completion);
    });
}

void CropViewModel::placeDetectedCorners(const std::shared_ptr<RectangleFeature>& feature,
                                         platform::Size size, const platform::View& in) {
    if (!feature) {
        setDefaultCorners(size, in);
        return;
    }
    // The offset is read now: the view may have changed size since the request.
    const auto locations = detectedCornerLocations(*feature, size, in.bounds());
    setCornerConstraints(locations);
    if (auto delegate = delegate_.lock()) {
        delegate->cropViewModelDetectedCornerPoints(locations);
    }
}

void CropViewModel::setDefaultCorners(platform::Size size, const platform::View& in) {
    const auto locations = defaultCornerLocations(size, in.bounds());
    setCornerConstraints(locations);
    if (auto delegate = delegate_.lock()) {
        delegate->cropViewModelDetectedCornerPoints(locations);
    }
}

std::vector<platform::Point> CropViewModel::detectedCornerLocations(
    const RectangleFeature& feature, platform::Size fittedSize, const platform::Rect& viewBounds) {
    const double dx = (viewBounds.width() - fittedSize.width) * 0.5;
    const double dy = (viewBounds.height() - fittedSize.height) * 0.5;
    // The detector names corners as if y grew upward: its bottom corners are the top of the
    // picture as shown.
    return {
        {feature.bottomLeft.x + dx, feature.bottomLeft.y + dy},
        {feature.bottomRight.x + dx, feature.bottomRight.y + dy},
        {feature.topRight.x + dx, feature.topRight.y + dy},
        {feature.topLeft.x + dx, feature.topLeft.y + dy},
    };
}

std::vector<platform::Point> CropViewModel::defaultCornerLocations(
    platform::Size fittedSize, const platform::Rect& viewBounds) {
    const double dx = (viewBounds.width() - fittedSize.width) * 0.5;
    const double dy = (viewBounds.height() - fittedSize.height) * 0.5;
    return {
        {dx, dy},
        {dx + fittedSize.width, dy},
        {dx + fittedSize.width, dy + fittedSize.height},
        {dx, dy + fittedSize.height},
    };
}

void CropViewModel::setCornerConstraints(const std::vector<platform::Point>& cornerLocations) {
    const double r = cgFloat(theme_->cropCornerPointDiameter * 0.5f);
    if (cornerLocations.size() < cornerPoints_.size()) {
        fatalError("Fewer crop corner locations than handles");
    }
    for (std::size_t i = 0; i < cornerPoints_.size(); ++i) {
        const auto& point = cornerPoints_[i];
        if (!point->top || !point->leading) {
            fatalError("A crop corner handle is placed before its constraints are wired");
        }
        point->top->setConstant(cornerLocations[i].y - r);
        point->leading->setConstant(cornerLocations[i].x - r);
    }
}

}  // namespace quorvel
