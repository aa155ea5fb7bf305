#include "Platform/Camera/SimulatedCameraDevice.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <opencv2/imgproc.hpp>
#include <tuple>
#include <utility>

#include "Platform/Camera/CameraAuthorization.h"
#include "Platform/Camera/EmptySensorFrame.h"
#include "Platform/Camera/FittedPicture.h"
#include "Platform/Camera/FrameDelivery.h"
#include "Platform/Camera/PictureSensorFrame.h"
#include "Platform/Camera/SensorNoise.h"
#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Foundation/Device.h"
#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/ExifOrientation.h"
#include "Platform/Graphics/PictureFile.h"
#include "Platform/Imaging/ImageEncoding.h"

namespace quorvel::platform {
namespace {

constexpr double kJpegQuality = 0.9;
constexpr double kPhotoFrameNoise = 2.0;

// The orientation a phone writes into a photo taken in `orientation`: its sensor reads the
// picture upright when the phone is held in landscape with its bottom on the right.
ImageOrientation photoOrientation(DeviceOrientation orientation) {
    switch (orientation) {
        case DeviceOrientation::portraitUpsideDown:
            return ImageOrientation::left;
        case DeviceOrientation::landscapeLeft:
            return ImageOrientation::up;
        case DeviceOrientation::landscapeRight:
            return ImageOrientation::down;
        case DeviceOrientation::portrait:
        case DeviceOrientation::faceUp:
        case DeviceOrientation::faceDown:
        case DeviceOrientation::unknown:
            break;
    }
    return ImageOrientation::right;
}

// A frame of the generated scene, rendered straight into the buffer in the asked orientation.
class SceneSensorFrame final : public SensorFrame {
public:
    SceneSensorFrame(std::shared_ptr<const SimulatedScene> scene, int width, int height,
                     SimulatedScene::Pose pose)
        : scene_(std::move(scene)), width_(width), height_(height), pose_(pose) {}

    int width() const override { return width_; }
    int height() const override { return height_; }

    std::shared_ptr<PixelBuffer> makePixelBuffer(VideoOrientation orientation) const override {
        auto buffer = makeTurnedBuffer(width_, height_, orientation);
        if (!buffer) {
            return nullptr;
        }
        buffer->lockBaseAddress();
        cv::Mat pixels = buffer->asMat();
        const bool rendered = scene_->renderFrame(pixels, width_, height_, orientation, pose_);
        buffer->unlockBaseAddress();
        return rendered ? buffer : nullptr;
    }

private:
    std::shared_ptr<const SimulatedScene> scene_;
    int width_;
    int height_;
    SimulatedScene::Pose pose_;
};

// The photo at `path` as the sensor records it, BGR at its own resolution; empty, with why in
// `why`, when it does not decode. Filmed by a phone held upright, whatever the picture's shape:
// the sensor reads the upright picture turned a quarter counter-clockwise, as it reads the
// generated scene, and a portrait connection turns it upright again.
cv::Mat sensorPicture(const std::filesystem::path& path, std::string& why) {
    auto image = PictureFile::read(path, true, why);
    if (!image) {
        return {};
    }
    try {
        cv::Mat bgr;
        {
            const Bitmap& bitmap = *image->bitmap();
            const cv::Mat stored(bitmap.height(), bitmap.width(), CV_8UC4,
                                 const_cast<std::uint8_t*>(bitmap.data()), bitmap.bytesPerRow());
            cv::cvtColor(stored, bgr, cv::COLOR_BGRA2BGR);
        }
        // The decoded bitmap goes before the turned copy is made: a picture of 100 megapixels
        // takes 400 MB as a bitmap.
        image.reset();
        cv::Mat picture;
        cv::rotate(bgr, picture, cv::ROTATE_90_COUNTERCLOCKWISE);
        return picture;
    } catch (const std::exception& error) {
        why = std::string("cannot decode: ") + error.what();
        return {};
    }
}

}  // namespace

std::shared_ptr<SimulatedCameraDevice> SimulatedCameraDevice::make(
    std::shared_ptr<SimulatedScene> scene) {
    if (!scene) {
        scene = SimulatedScene::make();
    }
    if (!scene) {
        return nullptr;
    }
    return std::make_shared<SimulatedCameraDevice>(Token{}, std::move(scene),
                                                   std::vector<std::filesystem::path>{});
}

std::shared_ptr<SimulatedCameraDevice> SimulatedCameraDevice::fromPhoto(
    const std::filesystem::path& path, std::string* why) {
    std::string failure;
    cv::Mat picture = sensorPicture(path, failure);
    if (picture.empty()) {
        if (why) *why = failure;
        return nullptr;
    }
    auto device = std::make_shared<SimulatedCameraDevice>(Token{}, nullptr,
                                                          std::vector<std::filesystem::path>{path});
    // Decoded once: the frames show the picture that was read to see that it decodes.
    std::lock_guard lock(device->mutex_);
    device->sensorPictureIndex_ = 0;
    device->sensorPicture_ = std::move(picture);
    return device;
}

std::shared_ptr<SimulatedCameraDevice> SimulatedCameraDevice::fromPhotos(
    const std::filesystem::path& directory, const SkippedPhoto& skipped) {
    // Only the headers are read here: each photo is decoded when it is filmed, so that a folder
    // of large photos neither delays the start nor takes the memory of all of them at once.
    std::vector<std::filesystem::path> photos;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_directory(error)) {
            continue;
        }
        std::string why;
        if (PictureFile::examine(it->path(), why)) {
            photos.push_back(it->path());
        } else if (skipped) {
            skipped(it->path(), why);
        }
    }
    if (photos.empty()) {
        return nullptr;
    }
    std::sort(photos.begin(), photos.end());
    return std::make_shared<SimulatedCameraDevice>(Token{}, nullptr, std::move(photos));
}

SimulatedCameraDevice::SimulatedCameraDevice(Token, std::shared_ptr<SimulatedScene> scene,
                                             std::vector<std::filesystem::path> photos)
    : scene_(std::move(scene)), photos_(std::move(photos)) {
    CaptureDevice::setHasTorch(true);
    CaptureDevice::setTorchAvailable(true);
}

SimulatedCameraDevice::~SimulatedCameraDevice() {
    std::unique_lock lock(preparations_->mutex);
    preparations_->finished.wait(lock, [this] { return preparations_->running == 0; });
}

std::string SimulatedCameraDevice::localizedName() const {
    return scene_ ? "Simulated Camera" : "Simulated Camera (photos)";
}

void SimulatedCameraDevice::setSensorSize(int width, int height) {
    if (width <= 0 || height <= 0) {
        return;
    }
    std::lock_guard lock(mutex_);
    sensorWidth_ = width;
    sensorHeight_ = height;
}

int SimulatedCameraDevice::sensorWidth() const {
    std::lock_guard lock(mutex_);
    return sensorWidth_;
}

int SimulatedCameraDevice::sensorHeight() const {
    std::lock_guard lock(mutex_);
    return sensorHeight_;
}

void SimulatedCameraDevice::setFrameRate(double framesPerSecond) {
    {
        std::lock_guard lock(mutex_);
        frameRate_ = std::isfinite(framesPerSecond) ? std::max(0.0, framesPerSecond) : 0.0;
    }
    frameIntervalDidChange();
}

double SimulatedCameraDevice::frameRate() const {
    std::lock_guard lock(mutex_);
    return frameRate_;
}

void SimulatedCameraDevice::setFramesPerPhoto(int frames) {
    std::lock_guard lock(mutex_);
    framesPerPhoto_ = std::max(0, frames);
}

int SimulatedCameraDevice::emitFrames(int count) {
    int delivered = 0;
    for (int i = 0; i < count; ++i) {
        if (!hasRunningSessions()) {
            break;
        }
        if (emitFrame(captureFrame())) {
            ++delivered;
        }
    }
    return delivered;
}

std::shared_ptr<SensorFrame> SimulatedCameraDevice::readFrame() {
    return captureFrame();
}

bool SimulatedCameraDevice::emitFrame(const std::shared_ptr<SensorFrame>& frame) {
    auto delivery = std::make_shared<FrameDelivery>();
    const bool delivered = deliverFrame(frame, delivery) > 0;
    delivery->wait();
    return delivered;
}

void SimulatedCameraDevice::dropPixelBufferOfNextFrames(int count) {
    std::lock_guard lock(mutex_);
    framesWithoutPixels_ = std::max(0, count);
}

int SimulatedCameraDevice::capturedFrameCount() const {
    std::lock_guard lock(mutex_);
    return capturedFrames_;
}

void SimulatedCameraDevice::setPhotoSize(int width, int height) {
    if (width <= 0 || height <= 0 || width > Bitmap::maximumDimension ||
        height > Bitmap::maximumDimension) {
        return;
    }
    std::lock_guard lock(mutex_);
    photoWidth_ = width;
    photoHeight_ = height;
}

int SimulatedCameraDevice::photoWidth() const {
    std::lock_guard lock(mutex_);
    return photoWidth_;
}

int SimulatedCameraDevice::photoHeight() const {
    std::lock_guard lock(mutex_);
    return photoHeight_;
}

void SimulatedCameraDevice::setPhotoLatency(Duration latency) {
    std::lock_guard lock(mutex_);
    photoLatency_ = std::max(latency, Duration::zero());
}

void SimulatedCameraDevice::failNextPhoto(CameraError error) {
    std::lock_guard lock(mutex_);
    nextPhotoError_ = std::move(error);
}

int SimulatedCameraDevice::photoRequestCount() const {
    std::lock_guard lock(mutex_);
    return photoRequests_;
}

void SimulatedCameraDevice::setSupportsRaw(bool supports) {
    std::lock_guard lock(mutex_);
    supportsRaw_ = supports;
}

void SimulatedCameraDevice::setRefusesInput(bool refuses) {
    std::lock_guard lock(mutex_);
    refusesInput_ = refuses;
}

void SimulatedCameraDevice::setRefusesPhotoOutput(bool refuses) {
    std::lock_guard lock(mutex_);
    refusesPhotoOutput_ = refuses;
}

void SimulatedCameraDevice::setRefusesVideoOutput(bool refuses) {
    std::lock_guard lock(mutex_);
    refusesVideoOutput_ = refuses;
}

void SimulatedCameraDevice::holdSessionStarts(bool hold) {
    std::lock_guard lock(mutex_);
    holdsStarts_ = hold;
    if (!hold) {
        startsReleased_.notify_all();
    }
}

int SimulatedCameraDevice::heldSessionStartCount() const {
    std::lock_guard lock(mutex_);
    return heldStarts_;
}

void SimulatedCameraDevice::sessionWillStart() {
    std::unique_lock lock(mutex_);
    if (scene_) {
        // The scene's still picture for photos is made while the camera runs its first frames,
        // not when the first photo is asked for.
        {
            std::lock_guard preparing(preparations_->mutex);
            ++preparations_->running;
        }
        DispatchQueue::global(QualityOfService::utility)
            ->async([scene = scene_, preparations = preparations_, width = photoWidth_,
                     height = photoHeight_] {
                scene->preparePhotos(width, height);
                std::lock_guard done(preparations->mutex);
                --preparations->running;
                preparations->finished.notify_all();
            });
    }
    if (photoTaken_ && framesPerPhoto_ == 0 && !photos_.empty()) {
        currentPhoto_ = (currentPhoto_ + 1) % photos_.size();
    }
    photoTaken_ = false;
    if (!holdsStarts_) {
        return;
    }
    ++heldStarts_;
    startsReleased_.wait(lock, [this] { return !holdsStarts_; });
    --heldStarts_;
}

void SimulatedCameraDevice::setAuthorization(AuthorizationStatus status) {
    CameraAuthorization::set(status);
}

std::optional<Duration> SimulatedCameraDevice::frameInterval() const {
    std::lock_guard lock(mutex_);
    if (frameRate_ <= 0) {
        return std::nullopt;
    }
    return toDuration(std::chrono::duration<double>(1.0 / frameRate_));
}

std::shared_ptr<SensorFrame> SimulatedCameraDevice::captureFrame() {
    int width = 0;
    int height = 0;
    bool withoutPixels = false;
    std::size_t photo = 0;
    int frameNumber = 0;
    std::shared_ptr<const SensorNoise> noise;
    {
        std::lock_guard lock(mutex_);
        width = sensorWidth_;
        height = sensorHeight_;
        frameNumber = capturedFrames_++;
        withoutPixels = framesWithoutPixels_ > 0;
        if (withoutPixels) {
            --framesWithoutPixels_;
        }
        if (!photos_.empty()) {
            if (framesPerPhoto_ > 0) {
                currentPhoto_ =
                    static_cast<std::size_t>(frameNumber / framesPerPhoto_) % photos_.size();
            }
            photo = currentPhoto_;
            if (!noise_ || noise_->maximumSide() < std::max(width, height)) {
                noise_ = std::make_shared<SensorNoise>(std::max(width, height), kPhotoFrameNoise,
                                                       0xF00D);
            }
            noise = noise_;
        }
    }
    if (scene_) {
        const SimulatedScene::Pose pose = scene_->advance();
        if (withoutPixels) {
            return std::make_shared<EmptySensorFrame>(width, height);
        }
        return std::make_shared<SceneSensorFrame>(scene_, width, height, pose);
    }
    if (withoutPixels) {
        return std::make_shared<EmptySensorFrame>(width, height);
    }
    cv::Mat picture = photoPicture(photo, width, height);
    if (picture.empty()) {
        return std::make_shared<EmptySensorFrame>(width, height);
    }
    return std::make_shared<PictureSensorFrame>(std::move(picture), std::move(noise),
                                                (frameNumber * 37) % SensorNoise::kMaximumOffset,
                                                (frameNumber * 53) % SensorNoise::kMaximumOffset);
}

cv::Mat SimulatedCameraDevice::photoPicture(std::size_t index, int width, int height) const {
    std::lock_guard lock(mutex_);
    const std::tuple<std::size_t, int, int> key{index, width, height};
    if (framedKey_ != key) {
        cv::Mat framed(height, width, CV_8UC4);
        if (!FittedPicture::draw(sensorPictureLocked(index), framed)) {
            framed.release();
        }
        framedPicture_ = framed;
        framedKey_ = key;
    }
    return framedPicture_;
}

std::shared_ptr<const Bitmap> SimulatedCameraDevice::photoBitmapLocked(std::size_t index, int width,
                                                                       int height) const {
    const std::tuple<std::size_t, int, int> key{index, width, height};
    if (photoBitmapKey_ != key) {
        photoBitmap_.reset();
        photoBitmapKey_ = key;
        if (auto bitmap = Bitmap::makeForOverwrite(width, height)) {  // every pixel is drawn
            cv::Mat pixels(height, width, CV_8UC4, bitmap->mutableData(), bitmap->bytesPerRow());
            if (FittedPicture::draw(sensorPictureLocked(index), pixels)) {
                photoBitmap_ = std::move(bitmap);
            }
        }
    }
    return photoBitmap_;
}

cv::Mat SimulatedCameraDevice::sensorPictureLocked(std::size_t index) const {
    if (sensorPictureIndex_ != index) {
        // The photo filmed before goes first: one decoded photo is held at a time.
        sensorPicture_.release();
        sensorPicture_ = sensorPicture(photos_[index], sensorPictureProblem_);
        sensorPictureIndex_ = index;
    }
    return sensorPicture_;
}

SimulatedCameraDevice::FilmedPhoto SimulatedCameraDevice::filmedPhoto() const {
    std::lock_guard lock(mutex_);
    if (photos_.empty()) {
        return {};
    }
    return {photos_[currentPhoto_],
            sensorPictureIndex_ == currentPhoto_ ? sensorPictureProblem_ : std::string()};
}

CaptureDevice::PhotoJob SimulatedCameraDevice::preparePhoto(const PhotoSettings&) {
    std::optional<CameraError> error;
    int width = 0;
    int height = 0;
    std::shared_ptr<const Bitmap> picture;
    {
        std::lock_guard lock(mutex_);
        ++photoRequests_;
        error = std::exchange(nextPhotoError_, std::nullopt);
        width = photoWidth_;
        height = photoHeight_;
        if (!photos_.empty() && !error) {
            picture = photoBitmapLocked(currentPhoto_, width, height);
            photoTaken_ = true;
        }
    }
    const ImageOrientation orientation = photoOrientation(Device::current().orientation());
    if (error) {
        return [error] { return PhotoResult{std::nullopt, error}; };
    }
    if (scene_) {
        return [scene = scene_, pose = scene_->currentPose(), width, height, orientation] {
            auto bitmap = Bitmap::makeForOverwrite(width, height);  // every pixel is rendered
            if (!bitmap) {
                return PhotoResult{std::nullopt, CameraError{"The photo could not be made"}};
            }
            cv::Mat pixels(height, width, CV_8UC4, bitmap->mutableData(), bitmap->bytesPerRow());
            if (!scene->renderPhoto(pixels, pose)) {
                return PhotoResult{std::nullopt, CameraError{"The photo could not be made"}};
            }
            return PhotoResult{
                ImageEncoding::jpegData(*bitmap, kJpegQuality, exifOrientation(orientation)),
                std::nullopt, SimulatedScene::intrinsicMatrix(width, height)};
        };
    }
    return [picture, orientation] {
        if (!picture) {
            return PhotoResult{std::nullopt, CameraError{"The photo could not be read"}};
        }
        return PhotoResult{
            ImageEncoding::jpegData(*picture, kJpegQuality, exifOrientation(orientation)),
            std::nullopt};
    };
}

Duration SimulatedCameraDevice::photoLatency() const {
    std::lock_guard lock(mutex_);
    return photoLatency_;
}

bool SimulatedCameraDevice::supportsRawPhotos() const {
    std::lock_guard lock(mutex_);
    return supportsRaw_;
}

bool SimulatedCameraDevice::refusesSessionInput() const {
    std::lock_guard lock(mutex_);
    return refusesInput_;
}

bool SimulatedCameraDevice::refusesPhotoOutput() const {
    std::lock_guard lock(mutex_);
    return refusesPhotoOutput_;
}

bool SimulatedCameraDevice::refusesVideoOutput() const {
    std::lock_guard lock(mutex_);
    return refusesVideoOutput_;
}

}  // namespace quorvel::platform
