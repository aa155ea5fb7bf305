#include "Platform/Camera/V4L2CameraDevice.h"

#include <exception>
#include <opencv2/imgproc.hpp>
#include <string>
#include <system_error>
#include <utility>

#include "Platform/Camera/PictureSensorFrame.h"
#include "Platform/Graphics/Bitmap.h"
#include "Platform/Imaging/ImageEncoding.h"

namespace quorvel::platform {
namespace {

constexpr int kLargestNodeNumber = 63;

// A BGR picture from whatever the camera gave (grey, BGR or BGRA).
cv::Mat toBgr(const cv::Mat& frame) {
    cv::Mat bgr;
    if (frame.type() == CV_8UC3) {
        bgr = frame.clone();
    } else if (frame.type() == CV_8UC1) {
        cv::cvtColor(frame, bgr, cv::COLOR_GRAY2BGR);
    } else if (frame.type() == CV_8UC4) {
        cv::cvtColor(frame, bgr, cv::COLOR_BGRA2BGR);
    }
    return bgr;
}

}  // namespace

std::shared_ptr<V4L2CameraDevice> V4L2CameraDevice::open(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error) || error) {
        return nullptr;
    }
    try {
        cv::VideoCapture capture(path.string(), cv::CAP_V4L2);
        if (!capture.isOpened()) {
            return nullptr;
        }
        capture.set(cv::CAP_PROP_FRAME_WIDTH, 1920);
        capture.set(cv::CAP_PROP_FRAME_HEIGHT, 1080);
        cv::Mat frame;
        if (!capture.read(frame) || frame.empty()) {
            return nullptr;
        }
        cv::Mat first = toBgr(frame);
        if (first.empty()) {
            return nullptr;
        }
        return std::make_shared<V4L2CameraDevice>(Token{}, path, std::move(capture),
                                                  std::move(first));
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::shared_ptr<V4L2CameraDevice> V4L2CameraDevice::openFirst() {
    for (int number = 0; number <= kLargestNodeNumber; ++number) {
        const std::filesystem::path path = "/dev/video" + std::to_string(number);
        if (auto device = open(path)) {
            return device;
        }
    }
    return nullptr;
}

V4L2CameraDevice::V4L2CameraDevice(Token, std::filesystem::path path, cv::VideoCapture capture,
                                   cv::Mat first)
    : path_(std::move(path)), capture_(std::move(capture)), latest_(std::move(first)) {}

V4L2CameraDevice::~V4L2CameraDevice() {
    std::lock_guard lock(mutex_);
    try {
        capture_.release();
    } catch (const std::exception&) {
    }
}

std::string V4L2CameraDevice::localizedName() const {
    return "Camera " + path_.string();
}

std::optional<Duration> V4L2CameraDevice::frameInterval() const {
    // Reading a frame waits for the camera.
    return Duration::zero();
}

std::shared_ptr<SensorFrame> V4L2CameraDevice::captureFrame() {
    std::lock_guard lock(mutex_);
    try {
        cv::Mat frame;
        if (!capture_.read(frame) || frame.empty()) {
            return nullptr;
        }
        cv::Mat bgr = toBgr(frame);
        if (bgr.empty()) {
            return nullptr;
        }
        latest_ = bgr;
        return std::make_shared<PictureSensorFrame>(std::move(bgr));
    } catch (const std::exception&) {
        return nullptr;
    }
}

CaptureDevice::PhotoJob V4L2CameraDevice::preparePhoto(const PhotoSettings&) {
    cv::Mat picture;
    {
        std::lock_guard lock(mutex_);
        picture = latest_;
    }
    return [picture] {
        auto bitmap = picture.empty() ? nullptr : Bitmap::make(picture.cols, picture.rows);
        if (!bitmap) {
            return PhotoResult{std::nullopt, CameraError{"The camera has no picture to take"}};
        }
        try {
            cv::Mat target(bitmap->height(), bitmap->width(), CV_8UC4, bitmap->mutableData(),
                           bitmap->bytesPerRow());
            cv::cvtColor(picture, target, cv::COLOR_BGR2BGRA);
        } catch (const std::exception&) {
            return PhotoResult{std::nullopt, CameraError{"The photo could not be made"}};
        }
        return PhotoResult{ImageEncoding::jpegData(*bitmap, 0.9, 1), std::nullopt};
    };
}

}  // namespace quorvel::platform
