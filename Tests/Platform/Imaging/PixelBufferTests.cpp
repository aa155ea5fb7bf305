#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <tuple>

#include "ImagingTestPictures.h"
#include "Platform/Graphics/ImageRenderer.h"
#include "Platform/Imaging/PixelBuffer.h"

namespace quorvel::platform {
namespace {

using namespace quorvel::platform::testing;

using Bytes = std::array<std::uint8_t, 4>;

Bytes bytesAt(PixelBuffer& buffer, int x, int y) {
    buffer.lockBaseAddress();
    Bytes bytes;
    std::memcpy(bytes.data(), buffer.baseAddress() + y * buffer.bytesPerRow() + 4 * x, 4);
    buffer.unlockBaseAddress();
    return bytes;
}

TEST(PixelBufferMemory, RowsArePaddedToTheAlignmentAndStartZeroed) {
    const auto narrow = PixelBuffer::make(3, 2, PixelFormat::argb32);
    ASSERT_TRUE(narrow);
    EXPECT_EQ(narrow->bytesPerRow(), 64u);
    EXPECT_EQ(narrow->dataSize(), 128u);
    EXPECT_EQ(PixelBuffer::make(16, 1, PixelFormat::argb32)->bytesPerRow(), 64u);
    EXPECT_EQ(PixelBuffer::make(17, 1, PixelFormat::argb32)->bytesPerRow(), 128u);
    EXPECT_EQ(PixelBuffer::make(3, 1, PixelFormat::bgra32, {true, true, 16})->bytesPerRow(), 16u);
    for (auto [width, height, alignment] :
         {std::tuple{0, 5, 64}, {5, -1, 64}, {40000, 1, 64}, {5, 5, 3}, {5, 5, 2}}) {
        EXPECT_FALSE(PixelBuffer::make(width, height, PixelFormat::argb32,
                                       {false, false, static_cast<std::size_t>(alignment)}));
    }

    narrow->lockBaseAddress();
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(narrow->baseAddress()) % 64, 0u);
    EXPECT_EQ(std::count(narrow->baseAddress(), narrow->baseAddress() + 128, 0), 128);
    // The matrix view shares the memory and steps by the padded row.
    cv::Mat view = narrow->asMat();
    EXPECT_EQ(view.type(), CV_8UC4);
    view.at<cv::Vec4b>(1, 2) = cv::Vec4b(1, 2, 3, 4);
    EXPECT_EQ(narrow->baseAddress()[64 + 8 + 3], 4);
    narrow->unlockBaseAddress();
}

TEST(PixelBufferMemory, LockIsCountedAndAttachmentsAreKeptByKey) {
    const auto buffer = PixelBuffer::make(2, 2, PixelFormat::argb32);
    buffer->lockBaseAddress();
    buffer->lockBaseAddress();
    buffer->unlockBaseAddress();
    EXPECT_TRUE(buffer->isLocked());
    buffer->unlockBaseAddress();
    EXPECT_FALSE(buffer->isLocked());
    buffer->unlockBaseAddress();  // one too many: ignored
    buffer->lockBaseAddress();
    EXPECT_TRUE(buffer->isLocked());
    buffer->unlockBaseAddress();

    const char* key = PixelBuffer::cameraIntrinsicMatrixKey;
    EXPECT_FALSE(buffer->attachment(key));
    // Column-major: fx, 0, 0 | 0, fy, 0 | cx, cy, 1.
    const FloatMatrix3x3 intrinsics = {1500, 0, 0, 0, 1500, 0, 960, 540, 1};
    buffer->setAttachment(key, {});
    buffer->setAttachment(key, intrinsics);
    EXPECT_EQ(buffer->attachment(key), intrinsics);
    EXPECT_FALSE(buffer->attachment("SomethingElse"));
    buffer->removeAttachment(key);
    EXPECT_FALSE(buffer->attachment(key));
}

TEST(PixelBufferDrawing, WritesBytesAlphaRedGreenBlueWithFullAlpha) {
    const auto image = Image::make(solidBitmap(4, 3, Color::fromRGBA8(200, 100, 50)));
    const auto buffer = PixelBuffer::make(4, 3, PixelFormat::argb32);
    ASSERT_TRUE(buffer->drawImage(*image, Rect::make(0, 0, 4, 3)));
    EXPECT_FALSE(buffer->isLocked());
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(bytesAt(*buffer, x, y), (Bytes{255, 200, 100, 50}));
        }
    }
    // The row padding is left alone.
    buffer->lockBaseAddress();
    EXPECT_EQ(buffer->baseAddress()[16], 0);
    buffer->unlockBaseAddress();

    const auto bgra = PixelBuffer::make(4, 3, PixelFormat::bgra32);
    ASSERT_TRUE(bgra->drawImage(*image, Rect::make(0, 0, 4, 3)));
    EXPECT_EQ(bytesAt(*bgra, 1, 1), (Bytes{50, 100, 200, 255}));
}

TEST(PixelBufferDrawing, PixelForPixelDrawingMatchesTheRenderer) {
    // Every pixel its own colour, sides that are not a multiple of four, some transparency.
    const int pageWidth = 11, pageHeight = 9;
    auto bitmap = cornerBitmap(pageWidth, pageHeight);
    for (int y = 0; y < pageHeight; ++y) {
        for (int x = 0; x < pageWidth; ++x) {
            setPixel(*bitmap, x, y,
                     Color::fromRGBA8(static_cast<std::uint8_t>(20 * x + y),
                                      static_cast<std::uint8_t>(25 * y + x),
                                      static_cast<std::uint8_t>(7 * x * y),
                                      static_cast<std::uint8_t>((x + 2 * y) % 5 == 0 ? 128 : 255)));
        }
    }
    for (int raw = 0; raw < 8; ++raw) {
        SCOPED_TRACE(raw);
        const auto page = Image::make(bitmap, 2, static_cast<ImageOrientation>(raw));
        const bool swapped = Image::swapsWidthAndHeight(page->orientation());
        const int width = swapped ? pageHeight : pageWidth;
        const int height = swapped ? pageWidth : pageHeight;
        // One column and row more than the page: they stay black.
        const auto buffer = PixelBuffer::make(width + 1, height + 1, PixelFormat::argb32);
        ASSERT_TRUE(buffer->drawImage(*page, Rect::make(0, 0, width, height)));

        ImageRenderer renderer(Size{double(width + 1), double(height + 1)}, true, 1);
        renderer.drawImage(*page, Rect::make(0, 0, width, height));
        const auto expected = renderer.makeImage()->bitmap();
        for (int y = 0; y <= height; ++y) {
            for (int x = 0; x <= width; ++x) {
                const std::uint32_t w = expected->argb(x, y);
                const Bytes argb = {
                    static_cast<std::uint8_t>(w >> 24), static_cast<std::uint8_t>(w >> 16),
                    static_cast<std::uint8_t>(w >> 8), static_cast<std::uint8_t>(w)};
                ASSERT_EQ(bytesAt(*buffer, x, y), argb) << x << ", " << y;
            }
        }
    }
}

TEST(PixelBufferDrawing, StretchesAndPlacesThePageInTheRectangle) {
    const auto page = Image::make(solidBitmap(8, 4, Color::fromRGBA8(200, 100, 50)), 2);
    const auto buffer = PixelBuffer::make(5, 3, PixelFormat::argb32);
    ASSERT_TRUE(buffer->drawImage(*page, Rect::make(1, 1, 4, 2)));
    for (auto [x, y] : {std::pair{0, 0}, {0, 2}, {4, 0}}) {
        EXPECT_EQ(bytesAt(*buffer, x, y), (Bytes{255, 0, 0, 0}));
    }
    EXPECT_EQ(bytesAt(*buffer, 1, 1), (Bytes{255, 200, 100, 50}));
    EXPECT_EQ(bytesAt(*buffer, 4, 2), (Bytes{255, 200, 100, 50}));
    EXPECT_FALSE(buffer->drawImage(*page, Rect::make(0, 0, 0, 2)));
}

TEST(PixelBufferDrawing, DrawsThePageAsDisplayedWithTheFirstRowOnTop) {
    // Stored 3 × 2, to be shown turned 90° clockwise: displayed 2 × 3 with the stored bottom-left
    // (blue) at the top-left and the stored top-left (red) at the top-right.
    const auto page = Image::make(cornerBitmap(3, 2), 1, ImageOrientation::right);
    const auto buffer = PixelBuffer::make(2, 3, PixelFormat::argb32);
    ASSERT_TRUE(buffer->drawImage(*page, Rect::make(0, 0, 2, 3)));
    EXPECT_EQ(bytesAt(*buffer, 0, 0), (Bytes{255, 0, 0, 255}));      // blue
    EXPECT_EQ(bytesAt(*buffer, 1, 0), (Bytes{255, 255, 0, 0}));      // red
    EXPECT_EQ(bytesAt(*buffer, 0, 2), (Bytes{255, 255, 255, 255}));  // white
    EXPECT_EQ(bytesAt(*buffer, 1, 2), (Bytes{255, 0, 255, 0}));      // green
}

TEST(PixelBufferImages, FilterImageReadsTheBufferInItsByteOrder) {
    for (const PixelFormat format : {PixelFormat::argb32, PixelFormat::bgra32}) {
        const auto buffer = PixelBuffer::make(3, 2, format);
        buffer->lockBaseAddress();
        cv::Mat view = buffer->asMat();
        const bool argb = format == PixelFormat::argb32;
        view.setTo(argb ? cv::Scalar(255, 128, 128, 128) : cv::Scalar(128, 128, 128, 255));
        view.at<cv::Vec4b>(0, 0) = argb ? cv::Vec4b(255, 255, 0, 0) : cv::Vec4b(0, 0, 255, 255);
        view.at<cv::Vec4b>(1, 2) = argb ? cv::Vec4b(255, 0, 0, 255) : cv::Vec4b(255, 0, 0, 255);
        buffer->unlockBaseAddress();

        const auto image = FilterImage::fromPixelBuffer(*buffer);
        ASSERT_TRUE(image);
        EXPECT_FALSE(buffer->isLocked());
        EXPECT_EQ(image->extent(), Rect::make(0, 0, 3, 2));
        EXPECT_EQ(wordAt(*image, 0, 1), word(red));  // first row on top
        EXPECT_EQ(wordAt(*image, 2, 0), word(blue));
        EXPECT_EQ(wordAt(*image, 1, 0), word(grey));
    }
}

}  // namespace
}  // namespace quorvel::platform
