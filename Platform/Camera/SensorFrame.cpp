#include "Platform/Camera/SensorFrame.h"

#include <algorithm>
#include <exception>
#include <opencv2/imgproc.hpp>

namespace quorvel::platform {

std::shared_ptr<const PixelBuffer> SensorFrame::pixelBuffer(VideoOrientation orientation) const {
    const auto index = static_cast<std::size_t>(orientation) - 1;
    if (index >= buffers_.size()) {
        return nullptr;
    }
    // Held while the buffer is made: whoever asks meanwhile waits for it instead of making a
    // second one.
    std::lock_guard lock(buffersMutex_);
    Made& slot = buffers_[index];
    if (!slot.made) {
        std::shared_ptr<PixelBuffer> made = makePixelBuffer(orientation);
        if (made) {
            made->setAttachment(PixelBuffer::cameraIntrinsicMatrixKey,
                                intrinsicMatrix(width(), height(), orientation));
        }
        slot = {true, std::move(made)};
    }
    return slot.buffer;
}

FloatMatrix3x3 SensorFrame::intrinsicMatrix(int sensorWidth, int sensorHeight,
                                            VideoOrientation orientation) {
    const bool swapped = swapsSensorDimensions(orientation);
    const float width = static_cast<float>(swapped ? sensorHeight : sensorWidth);
    const float height = static_cast<float>(swapped ? sensorWidth : sensorHeight);
    const float focal = 1.2f * static_cast<float>(std::max(sensorWidth, sensorHeight));
    return {focal, 0, 0, 0, focal, 0, width / 2, height / 2, 1};
}

std::shared_ptr<PixelBuffer> SensorFrame::makeTurnedBuffer(int width, int height,
                                                           VideoOrientation orientation) {
    return swapsSensorDimensions(orientation)
               ? PixelBuffer::make(height, width, PixelFormat::bgra32)
               : PixelBuffer::make(width, height, PixelFormat::bgra32);
}

std::shared_ptr<PixelBuffer> SensorFrame::turnedPixelBuffer(const cv::Mat& picture,
                                                            VideoOrientation orientation) {
    if (picture.empty() || (picture.type() != CV_8UC4 && picture.type() != CV_8UC3)) {
        return nullptr;
    }
    auto buffer = makeTurnedBuffer(picture.cols, picture.rows, orientation);
    if (!buffer) {
        return nullptr;
    }
    try {
        cv::Mat bgra;
        if (picture.type() == CV_8UC3) {
            cv::cvtColor(picture, bgra, cv::COLOR_BGR2BGRA);
        } else {
            bgra = picture;
        }
        buffer->lockBaseAddress();
        cv::Mat target = buffer->asMat();
        switch (orientation) {
            case VideoOrientation::landscapeRight:
                bgra.copyTo(target);
                break;
            case VideoOrientation::portrait:
                cv::rotate(bgra, target, cv::ROTATE_90_CLOCKWISE);
                break;
            case VideoOrientation::portraitUpsideDown:
                cv::rotate(bgra, target, cv::ROTATE_90_COUNTERCLOCKWISE);
                break;
            case VideoOrientation::landscapeLeft:
                cv::rotate(bgra, target, cv::ROTATE_180);
                break;
        }
        buffer->unlockBaseAddress();
    } catch (const std::exception&) {
        buffer->unlockBaseAddress();
        return nullptr;
    }
    return buffer;
}

cv::Matx23d SensorFrame::turnTransform(int width, int height, VideoOrientation orientation) {
    const double w = width - 1;
    const double h = height - 1;
    switch (orientation) {
        case VideoOrientation::portrait:  // (x, y) → (h − y, x)
            return {0, -1, h, 1, 0, 0};
        case VideoOrientation::portraitUpsideDown:  // (x, y) → (y, w − x)
            return {0, 1, 0, -1, 0, w};
        case VideoOrientation::landscapeLeft:  // (x, y) → (w − x, h − y)
            return {-1, 0, w, 0, -1, h};
        case VideoOrientation::landscapeRight:
            break;
    }
    return {1, 0, 0, 0, 1, 0};
}

}  // namespace quorvel::platform
