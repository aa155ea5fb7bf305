#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>

#include "Platform/Camera/CaptureDevice.h"

namespace quorvel::platform {

// A real camera behind a Video4Linux device node (/dev/videoN), read through OpenCV. Reference
// type; thread-safe.
//
// A webcam is not a phone sensor: its stream is taken as already upright in landscape, so it is
// treated as the sensor's own picture (the orientation a phone's sensor reads when the phone is
// held in landscape with its bottom on the right). Connections turn it as they turn any sensor
// frame: a `portrait` connection delivers it turned 90° clockwise. Photos are the latest frame
// as a JPEG with EXIF orientation 1, whatever the device orientation. There is no torch and no
// RAW. Frames come as fast as the camera delivers them (at most the rate it was opened with).
class V4L2CameraDevice final : public CaptureDevice {
    struct Token {};

public:
    // Opens the camera at `path` and reads one frame to be sure it works; nullptr otherwise.
    // Asks for 1920×1080 frames; the camera may give another size.
    static std::shared_ptr<V4L2CameraDevice> open(const std::filesystem::path& path);
    // The first working camera among /dev/video0 … /dev/video63; nullptr when there is none.
    static std::shared_ptr<V4L2CameraDevice> openFirst();

    V4L2CameraDevice(Token, std::filesystem::path path, cv::VideoCapture capture, cv::Mat first);
    ~V4L2CameraDevice() override;

    std::string localizedName() const override;
    const std::filesystem::path& path() const { return path_; }

protected:
    std::optional<Duration> frameInterval() const override;
    std::shared_ptr<SensorFrame> captureFrame() override;
    PhotoJob preparePhoto(const PhotoSettings& settings) override;

private:
    const std::filesystem::path path_;
    mutable std::mutex mutex_;
    cv::VideoCapture capture_;
    cv::Mat latest_;  // BGR
};

}  // namespace quorvel::platform
