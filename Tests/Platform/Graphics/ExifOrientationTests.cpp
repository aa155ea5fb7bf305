#include <gtest/gtest.h>

#include "Platform/Graphics/ExifOrientation.h"

namespace {

using namespace quorvel::platform;

TEST(ExifOrientation, NumbersOneToEightRoundTripAndNothingElseIsAnOrientation) {
    for (int exif = 1; exif <= 8; ++exif) {
        const auto orientation = imageOrientationFromExif(exif);
        ASSERT_TRUE(orientation) << exif;
        EXPECT_EQ(exifOrientation(*orientation), exif);
    }
    EXPECT_FALSE(imageOrientationFromExif(0));
    EXPECT_FALSE(imageOrientationFromExif(9));
}

// The TIFF/EXIF definition says where the stored picture's first row and first column end up
// when it is shown: e.g. 6 is "the 0th row is the visual right-hand side, the 0th column the
// visual top". Followed here for the pixel centres of a 3 × 2 picture: its first pixel and the
// pixel next to it along the first row.
TEST(ExifOrientation, UprightTransformShowsTheFirstRowWhereTheExifNumberSays) {
    struct Expected {
        int exif;
        Point firstPixel;
        Point alongFirstRow;
    };
    const Expected table[] = {
        {1, {0, 0}, {1, 0}},  // row at the top, read left to right
        {2, {2, 0}, {1, 0}},  // row at the top, read right to left
        {3, {2, 1}, {1, 1}},  // row at the bottom, read right to left
        {4, {0, 1}, {1, 1}},  // row at the bottom, read left to right
        {5, {0, 0}, {0, 1}},  // row on the left, read downwards
        {6, {1, 0}, {1, 1}},  // row on the right, read downwards
        {7, {1, 2}, {1, 1}},  // row on the right, read upwards
        {8, {0, 2}, {0, 1}},  // row on the left, read upwards
    };
    for (const auto& expected : table) {
        const auto turn = uprightTransform(*imageOrientationFromExif(expected.exif), Size{2, 1});
        EXPECT_EQ(turn.apply(Point{0, 0}), expected.firstPixel) << expected.exif;
        EXPECT_EQ(turn.apply(Point{1, 0}), expected.alongFirstRow) << expected.exif;
    }
}

}  // namespace
