#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <opencv2/core.hpp>
#include <random>
#include <tuple>

#include "Platform/Camera/CaptureConnection.h"
#include "Platform/Camera/SensorNoise.h"
#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Imaging/PixelBuffer.h"

namespace quorvel::platform {

// What the simulated camera films: a printed page (a heading, lines of text, a table and a few
// boxes on white paper) lying on a wooden desk, seen from above at a slight slant, held by a hand
// that shakes a little from frame to frame (sub-pixel to a few pixels) and recorded with sensor
// noise. Reference type; thread-safe.
//
// The scene is fixed to the camera as a phone held in portrait sees it: upright in a portrait
// picture, so turned 90° (counter-clockwise) in the landscape frames and photos the sensor
// records. A `portrait` connection turns the frames upright again.
//
// Geometry is shared by every picture size: pictures of any size show the same field, scaled by
// their long side (a 4:3 photo shows a little more desk at the sides than a 16:9 frame).
class SimulatedScene {
    struct Token {};

public:
    // Where the hand is: an offset and a turn of the whole picture, in units of the picture's
    // long side and radians, plus the offsets of the frame's noise.
    struct Pose {
        double dx = 0;
        double dy = 0;
        double angle = 0;
        int noiseX = 0;
        int noiseY = 0;
    };

    // The page's width and height in pixels of pageImage().
    static constexpr int kPageWidth = 1700;
    static constexpr int kPageHeight = 2200;

    static std::shared_ptr<SimulatedScene> make(std::uint64_t seed = 1);
    SimulatedScene(Token, std::uint64_t seed);

    // The flat page, upright, kPageWidth × kPageHeight pixels.
    std::shared_ptr<Image> pageImage() const;

    // The page's corners (top-left, top-right, bottom-right, bottom-left of the page as it reads)
    // in pixel coordinates (pixel centres at whole numbers) of a delivered frame of `frameSize`
    // turned by `orientation`, for the current pose (the last frame made). A photo's corners are
    // those of its size with landscapeRight (photos are stored as the sensor reads them).
    std::array<Point, 4> pageCorners(
        Size frameSize, VideoOrientation orientation = VideoOrientation::landscapeRight) const;

    // How far the hand shakes, in pixels of a 1920-pixel-wide frame (default 1.5; 0 holds the
    // camera still).
    void setShakeAmplitude(double pixels);
    double shakeAmplitude() const;
    // Standard deviation of the frames' sensor noise in levels (default 2.5; 0: none). Applies
    // to frames rendered from then on.
    void setNoiseLevel(double levels);
    double noiseLevel() const;

    // Moves the hand on to the next frame's pose and makes it the current pose.
    Pose advance();
    Pose currentPose() const;

    // Renders the frame of a `sensorWidth` × `sensorHeight` sensor at `pose`, turned by
    // `orientation`, into `target` (CV_8UC4 BGRA of the turned size, opaque). False when the
    // target does not fit.
    bool renderFrame(cv::Mat& target, int sensorWidth, int sensorHeight,
                     VideoOrientation orientation, const Pose& pose) const;
    // Renders a photo of `width` × `height` (stored as the sensor reads it) at `pose` into
    // `target` (CV_8UC4 BGRA of that size, opaque). False when the target does not fit. Like a
    // frame, it is the still scene, rendered once for its size, moved by the hand.
    bool renderPhoto(cv::Mat& target, const Pose& pose) const;
    // The lens's intrinsic matrix for a sensor picture of `width` × `height` (column-major; the
    // focal length is three quarters of the long side, the principal point the picture's centre).
    static FloatMatrix3x3 intrinsicMatrix(int width, int height);
    // Renders the still scene for photos of `width` × `height` ahead of the first one (a camera
    // starting does it, so that its first photo costs no more than the next).
    void preparePhotos(int width, int height) const;

private:
    using FrameKey = std::tuple<int, int, VideoOrientation>;
    // The still scene for one picture size and orientation, rendered once when first asked.
    struct Resting {
        std::once_flag rendered;
        cv::Mat picture;
    };

    // World (scene units, upright portrait view, origin at the centre, y down) to pixels of a
    // `width` × `height` sensor picture turned by `orientation`.
    static cv::Matx33d worldToPicture(int width, int height, VideoOrientation orientation);
    cv::Matx33d shakeTransform(const Pose& pose) const;
    // Renders the still scene through `worldToPixels` into `target`.
    void renderScene(cv::Mat& target, const cv::Matx33d& worldToPixels) const;
    cv::Mat restingFrame(int sensorWidth, int sensorHeight, VideoOrientation orientation) const;
    std::shared_ptr<const SensorNoise> noiseFor(int maximumSide) const;

    std::shared_ptr<Image> page_;
    cv::Mat pageTexture_;      // BGRA, kPageWidth × kPageHeight
    cv::Mat deskTexture_;      // BGRA, covering the world square of kDeskExtent
    cv::Matx33d pageToWorld_;  // page pixels → world
    std::array<cv::Point2d, 4> worldCorners_;

    mutable std::mutex mutex_;
    std::mt19937_64 random_;
    Pose pose_;
    double shakeAmplitude_ = 1.5;
    double noiseLevel_ = 2.5;
    mutable std::map<FrameKey, std::shared_ptr<Resting>> restingFrames_;
    mutable std::shared_ptr<const SensorNoise> noise_;
};

}  // namespace quorvel::platform
