#include "Source/Capture/ViewControllers/CapturePreviewViewModel.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <future>
#include <mutex>
#include <utility>

#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Graphics/ExifOrientation.h"
#include "Platform/Imaging/FilterImage.h"
#include "Source/Configuration/FatalError.h"
#include "Source/Imaging/ImageOperations.h"

namespace quorvel {

// Counts the renders under way; once closed, no other one starts.
struct CapturePreviewViewModel::LaterRenders {
    std::mutex mutex;
    std::condition_variable ended;
    std::size_t running = 0;
    bool closed = false;

    // Whether a render may start; if so it counts as under way until end().
    bool begin() {
        std::lock_guard lock(mutex);
        if (closed) {
            return false;
        }
        ++running;
        return true;
    }
    void end() {
        {
            std::lock_guard lock(mutex);
            --running;
        }
        ended.notify_all();
    }
    // Lets no other render start and waits for those under way.
    void close() {
        std::unique_lock lock(mutex);
        closed = true;
        ended.wait(lock, [this] { return running == 0; });
    }
};

CapturePreviewViewModel::CapturePreviewViewModel(
    std::shared_ptr<CapturedImageGroup> imageGroup,
    std::shared_ptr<CaptureConfiguration> configuration, std::shared_ptr<CaptureTheme> theme,
    CaptureDocumentType captureDocumentType, std::optional<std::size_t> startingIndex)
    : imageGroup(std::move(imageGroup)),
      theme(std::move(theme)),
      captureDocumentType(captureDocumentType),
      startingIndex(startingIndex),
      config_(std::move(configuration)),
      laterRenders_(std::make_shared<LaterRenders>()) {
    if (!this->imageGroup || !this->theme || !config_) {
        fatalError("The preview screen needs a page group, a theme and a configuration");
    }
    reloadButtonThemes();
}

CapturePreviewViewModel::~CapturePreviewViewModel() {
    laterRenders_->close();
}

void CapturePreviewViewModel::reloadButtonThemes() {
    buttonThemes = std::make_shared<CaptureButtonThemes>(*theme);
}

bool CapturePreviewViewModel::hideAddPageButton() const {
    return captureDocumentType == CaptureDocumentType::longFirst ||
           captureDocumentType == CaptureDocumentType::longSecond ||
           imageGroup->count() >= CapturedImageGroup::maxNumberOfPages ||
           !config_->features()->enableAddPage();
}

bool CapturePreviewViewModel::hideCropButton() const {
    return captureDocumentType == CaptureDocumentType::longFirst ||
           !config_->features()->enableCrop();
}

bool CapturePreviewViewModel::hidePaginationBar() const {
    // An empty group (which the camera screen never hands over) has nothing to page either.
    return imageGroup->count() <= 1;
}

namespace {

// Pixels only, no partly covered edge.
std::shared_ptr<const platform::FilterImage> wholePixels(
    const std::shared_ptr<const platform::FilterImage>& image) {
    if (!image) {
        return nullptr;
    }
    const auto extent = image->extent();
    return image->cropped(
        platform::Rect{extent.origin, {std::floor(extent.width()), std::floor(extent.height())}});
}

// Scaled by `factor` (at most 1): halved as often as it fits, each halving averaging 2 × 2
// pixels, then the rest by bilinear sampling, which is close enough to 1 not to skip pixels.
std::shared_ptr<const platform::FilterImage> scaledDown(
    std::shared_ptr<const platform::FilterImage> image, double factor) {
    while (image && factor <= 0.5) {
        image = wholePixels(image->transformed(platform::AffineTransform::scale(0.5, 0.5)));
        factor *= 2;
    }
    if (image && factor < 1) {
        image = wholePixels(image->transformed(platform::AffineTransform::scale(factor, factor)));
    }
    return image;
}

}  // namespace

std::shared_ptr<platform::Image> CapturePreviewViewModel::renderFiltered(
    const platform::Image& image, platform::Size maxPixelSize) {
    auto stored = platform::FilterImage::fromImage(image);
    if (!stored) {
        return nullptr;
    }
    const auto extent = stored->extent();
    // Scaling first leaves less to turn upright and to filter.
    const bool swaps = platform::Image::swapsWidthAndHeight(image.orientation());
    const double shownWidth = swaps ? extent.height() : extent.width();
    const double shownHeight = swaps ? extent.width() : extent.height();
    const double factor =
        std::min({1.0, maxPixelSize.width / shownWidth, maxPixelSize.height / shownHeight});
    if (!(factor > 0)) {
        return nullptr;
    }
    auto scaled = scaledDown(stored, factor);
    auto upright =
        scaled ? scaled->oriented(platform::exifOrientation(image.orientation())) : nullptr;
    auto grey =
        upright ? upright->applyingFilter("CIColorControls", {{"inputSaturation", 0.0}}) : nullptr;
    auto sharp = grey ? grey->applyingFilter("CIUnsharpMask",
                                             {{"inputIntensity", 2.0}, {"inputRadius", 1.0}})
                      : nullptr;
    return sharp ? ImageOperations::imageFromFilterImage(*sharp) : nullptr;
}

std::shared_ptr<platform::Image> CapturePreviewViewModel::render(
    const platform::Image& image, platform::Size maxPixelSize) const {
    return renderer_ ? renderer_(image, maxPixelSize) : renderFiltered(image, maxPixelSize);
}

std::shared_ptr<platform::Image> CapturePreviewViewModel::previewImage(
    std::size_t at, platform::Size maxPixelSize) const {
    if (at >= imageGroup->count()) {
        return nullptr;
    }
    auto source = imageGroup->image(at, false);
    return source ? render(*source, maxPixelSize) : nullptr;
}

void CapturePreviewViewModel::previewImageLater(
    std::size_t at, platform::Size maxPixelSize,
    std::function<void(std::shared_ptr<platform::Image>)> completion) const {
    auto source = at < imageGroup->count() ? imageGroup->image(at, false) : nullptr;
    platform::DispatchQueue::global(platform::QualityOfService::userInitiated)
        ->async([renders = laterRenders_, source, renderer = renderer_, maxPixelSize,
                 completion = std::move(completion)] {
            if (!renders->begin()) {
                return;
            }
            std::shared_ptr<platform::Image> result;
            if (source) {
                result = renderer ? renderer(*source, maxPixelSize)
                                  : renderFiltered(*source, maxPixelSize);
            }
            platform::DispatchQueue::main()->async([completion, result] { completion(result); });
            renders->end();
        });
}

std::vector<std::shared_ptr<platform::Image>> CapturePreviewViewModel::previewImages(
    platform::Size maxPixelSize) const {
    const std::size_t n = imageGroup->count();
    std::vector<std::shared_ptr<platform::Image>> sources(n);
    for (std::size_t i = 0; i < n; ++i) {
        sources[i] = imageGroup->image(i, false);
    }
    std::vector<std::shared_ptr<platform::Image>> results(n);
    if (n == 0) {
        return results;
    }
    // The first page here, the others on the global queue meanwhile.
    auto renderer = renderer_;
    std::vector<std::future<std::shared_ptr<platform::Image>>> pending;
    const auto queue = platform::DispatchQueue::global(platform::QualityOfService::userInitiated);
    for (std::size_t i = 1; i < n; ++i) {
        auto promise = std::make_shared<std::promise<std::shared_ptr<platform::Image>>>();
        pending.push_back(promise->get_future());
        queue->async([promise, source = sources[i], renderer, maxPixelSize] {
            std::shared_ptr<platform::Image> result;
            if (source) {
                result = renderer ? renderer(*source, maxPixelSize)
                                  : renderFiltered(*source, maxPixelSize);
            }
            promise->set_value(std::move(result));
        });
    }
    results[0] = sources[0] ? render(*sources[0], maxPixelSize) : nullptr;
    for (std::size_t i = 1; i < n; ++i) {
        results[i] = pending[i - 1].get();
    }
    return results;
}

}  // namespace quorvel
