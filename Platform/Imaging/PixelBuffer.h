#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <opencv2/core.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/PictureMemory.h"

namespace quorvel::platform {

// Pixel layouts of a buffer, named after the bytes of one pixel in memory.
enum class PixelFormat {
    // 32-bit ARGB, big-endian: bytes A, R, G, B (the phone platform's '32ARGB').
    argb32,
    // 32-bit BGRA: bytes B, G, R, A (the platform's 'BGRA', the usual camera frame layout).
    bgra32,
};

// Creation attributes, as the phone platform takes them. Every buffer here can back an image and
// a bitmap context, so the two compatibility flags change nothing; they are kept so that calls
// read like the platform's.
struct PixelBufferAttributes {
    bool imageCompatibility = false;
    bool bitmapContextCompatibility = false;
    // Rows are padded to a multiple of this many bytes (a power of two, at least 4).
    std::size_t bytesPerRowAlignment = 64;
};

// A 3 × 3 matrix of 32-bit floats in column-major order (the platform's matrix_float3x3: element
// [column * 3 + row]).
using FloatMatrix3x3 = std::array<float, 9>;

// A buffer of pixels, standing in for the phone platform's Core Video pixel buffer: a video frame
// or an image to be searched for rectangles. Shared as std::shared_ptr<PixelBuffer>.
//
// As on the platform, the memory may only be touched between lockBaseAddress() and
// unlockBaseAddress(); the lock is counted (locks nest, and may be taken on several threads at
// once), and baseAddress() and asMat() assert in debug builds that the buffer is locked. Rows may
// be padded: always step by bytesPerRow(). A new buffer is zero-filled.
class PixelBuffer {
public:
    // The key of the camera's intrinsic matrix attachment (a FloatMatrix3x3).
    static constexpr const char* cameraIntrinsicMatrixKey = "CameraIntrinsicMatrix";

    // nullptr when a dimension is not positive or exceeds Bitmap::maximumDimension, the
    // alignment is not a power of two of at least 4, or there is no memory.
    static std::shared_ptr<PixelBuffer> make(int width, int height, PixelFormat format,
                                             const PixelBufferAttributes& attributes = {});
    // The same without clearing the memory, for a buffer that is written whole at once (by
    // drawImage, which writes every pixel when it succeeds): its bytes are unspecified until
    // then.
    static std::shared_ptr<PixelBuffer> makeForOverwrite(
        int width, int height, PixelFormat format, const PixelBufferAttributes& attributes = {});

    int width() const { return width_; }
    int height() const { return height_; }
    PixelFormat pixelFormat() const { return format_; }
    std::size_t bytesPerRow() const { return bytesPerRow_; }
    std::size_t dataSize() const { return bytesPerRow_ * static_cast<std::size_t>(height_); }

    void lockBaseAddress() const;
    // Ignored when the buffer is not locked.
    void unlockBaseAddress() const;
    bool isLocked() const { return lockCount_.load(std::memory_order_acquire) > 0; }

    // The first byte of the first row; valid while locked.
    std::uint8_t* baseAddress();
    const std::uint8_t* baseAddress() const;
    // A view of the memory while locked: CV_8UC4, bytes in the buffer's own order (A, R, G, B for
    // argb32), step bytesPerRow(). It shares the memory; it must not outlive the lock.
    cv::Mat asMat();
    cv::Mat asMat() const;
    // The pixels as blue, green, red, alpha bytes (CV_8UC4) in `into`: a copy for either format.
    // Must be locked.
    void copyAsBGRA(cv::Mat& into) const;

    // Draws a page image into the buffer, as the phone platform does through a bitmap context
    // over the buffer's memory (8 bits per component, device RGB, alpha "none, skip first"),
    // flipped vertically so that y runs down from the first row: the image is drawn as
    // displayed (its orientation applied) stretched into `rect`, given in pixels of the buffer
    // from the top-left. The context has no alpha: drawing replaces the buffer's contents with
    // the image over opaque black (a new buffer's colour), and the unused alpha byte of every
    // pixel is written as 255. Locks the buffer while drawing. False, with the buffer left as it
    // was, when the rectangle is empty or not finite or there is no memory to draw in.
    bool drawImage(const Image& image, const Rect& rect);

    // Attachments by key (the one in use is cameraIntrinsicMatrixKey). Safe from any thread.
    void setAttachment(std::string_view key, const FloatMatrix3x3& value);
    std::optional<FloatMatrix3x3> attachment(std::string_view key) const;
    void removeAttachment(std::string_view key);

private:
    PixelBuffer(int width, int height, PixelFormat format, std::size_t bytesPerRow,
                PictureMemory::Block memory);
    static std::shared_ptr<PixelBuffer> create(int width, int height, PixelFormat format,
                                               const PixelBufferAttributes& attributes,
                                               bool cleared);

    // Fills the buffer: premultiplied B, G, R, A pixels from the top-left, black where they do
    // not reach, alpha byte 255 everywhere. The top-left keptWidth × keptHeight pixels, already
    // written, are left as they are.
    void writeOverBlack(const cv::Mat& pixels, int keptWidth = 0, int keptHeight = 0);

    int width_;
    int height_;
    PixelFormat format_;
    std::size_t bytesPerRow_;
    PictureMemory::Block memory_;
    mutable std::atomic<int> lockCount_{0};
    mutable std::mutex attachmentsMutex_;
    std::map<std::string, FloatMatrix3x3, std::less<>> attachments_;
};

}  // namespace quorvel::platform
