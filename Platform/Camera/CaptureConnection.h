#pragma once

#include <atomic>
#include <memory>

namespace quorvel::platform {

// How a connection turns the sensor's frames, with the phone platform's cases and raw values.
// The sensor is mounted as on a phone: its frames are upright when the phone is held in landscape
// with its bottom on the right, which is `landscapeRight`, the orientation in which frames are
// delivered as the sensor reads them. `portrait` turns them 90° clockwise (a 1920×1080 sensor
// gives 1080×1920 buffers, upright for a phone held in portrait), `portraitUpsideDown` 90°
// counter-clockwise and `landscapeLeft` by 180°.
enum class VideoOrientation {
    portrait = 1,
    portraitUpsideDown = 2,
    landscapeRight = 3,
    landscapeLeft = 4,
};

// The link between a session's video input and one of its outputs. Thread-safe.
class CaptureConnection {
public:
    static std::shared_ptr<CaptureConnection> make() {
        return std::make_shared<CaptureConnection>();
    }

    // landscapeRight until set, as the platform's video data connections start.
    VideoOrientation videoOrientation() const {
        return orientation_.load(std::memory_order_acquire);
    }
    void setVideoOrientation(VideoOrientation orientation) {
        orientation_.store(orientation, std::memory_order_release);
    }
    bool isVideoOrientationSupported() const { return true; }

private:
    std::atomic<VideoOrientation> orientation_{VideoOrientation::landscapeRight};
};

// Whether frames delivered in `orientation` have the sensor's width and height swapped.
constexpr bool swapsSensorDimensions(VideoOrientation orientation) {
    return orientation == VideoOrientation::portrait ||
           orientation == VideoOrientation::portraitUpsideDown;
}

}  // namespace quorvel::platform
