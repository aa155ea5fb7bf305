#include <gtest/gtest.h>

#include <QRectF>
#include <cmath>
#include <string>

#include "PaintingTestSupport.h"
#include "Platform/UI/Label.h"
#include "Platform/UI/Qt/TextLayout.h"

namespace quorvel::platform {
namespace {

using testing::render;

constexpr double kScale = 3;
const std::string kSentence = "Hold the phone over the document until the outline turns steady.";

// The box of the inked pixels of a rendering, in points; an empty box when nothing is inked.
QRectF ink(const testing::Rendering& picture) {
    int minX = picture.image.width(), minY = picture.image.height(), maxX = -1, maxY = -1;
    for (int y = 0; y < picture.image.height(); ++y) {
        for (int x = 0; x < picture.image.width(); ++x) {
            if (picture.image.pixelColor(x, y).alpha() >= 24) {
                minX = std::min(minX, x);
                minY = std::min(minY, y);
                maxX = std::max(maxX, x);
                maxY = std::max(maxY, y);
            }
        }
    }
    if (maxX < 0) {
        return {};
    }
    return QRectF(minX / picture.scale, minY / picture.scale, (maxX + 1 - minX) / picture.scale,
                  (maxY + 1 - minY) / picture.scale);
}

// A label at (10, 10) inside a transparent 10-point margin, sized to `size`.
testing::Rendering paintLabel(const std::shared_ptr<Label>& label, Size size) {
    auto root = View::make(Rect::make(0, 0, size.width + 20, size.height + 20));
    label->setFrame(Rect{{10, 10}, size});
    root->addSubview(label);
    return render(*root, kScale);
}

TEST(PaintingTextTest, ALabelPaintsWithinTheSizeItMeasuresAndFillsItsWidth) {
    for (const Font& font : {Font::systemFont(17), Font::systemFont(13, FontWeight::bold),
                             Font::systemFont(28, FontWeight::medium)}) {
        auto label = Label::make();
        label->setText("Capture 3 pages");
        label->setFont(font);
        const Size size = label->intrinsicContentSize();
        const QRectF painted = ink(paintLabel(label, size));
        SCOPED_TRACE(font.fontName() + " " + std::to_string(font.pointSize()));
        ASSERT_FALSE(painted.isEmpty());
        EXPECT_GE(painted.left(), 10);
        EXPECT_GE(painted.top(), 10);
        EXPECT_LE(painted.right(), 10 + size.width);
        EXPECT_LE(painted.bottom(), 10 + size.height);
        // Only the side bearings of the first and last glyph and the rounding up stay blank.
        EXPECT_GE(painted.width(), size.width - 0.12 * font.pointSize() - 1);
    }
}

TEST(PaintingTextTest, MeasuresScaleWithTheFontSize) {
    const Size small = TextLayout::measure(kSentence, Font::systemFont(10));
    const Size large = TextLayout::measure(kSentence, Font::systemFont(30));
    EXPECT_NEAR(large.width, 3 * small.width, 3);
    EXPECT_NEAR(TextLayout::lineHeight(Font::systemFont(30)),
                3 * TextLayout::lineHeight(Font::systemFont(10)), 0.01);
    EXPECT_EQ(small.height, std::ceil(TextLayout::lineHeight(Font::systemFont(10))));
    // Fractional sizes (text-size factors, fonts shrunk to fit) are sizes of their own, not the
    // next whole size.
    const double at11 = TextLayout::measure(kSentence, Font::systemFont(11)).width;
    const double at11half = TextLayout::measure(kSentence, Font::systemFont(11.5)).width;
    const double at12 = TextLayout::measure(kSentence, Font::systemFont(12)).width;
    EXPECT_GT(at11half, at11 + 5);
    EXPECT_LT(at11half, at12 - 5);
}

TEST(PaintingTextTest, WeightsPickTheFaces) {
    const Size regular = TextLayout::measure(kSentence, Font::systemFont(17));
    const Size bold = TextLayout::measure(kSentence, Font::systemFont(17, FontWeight::bold));
    const Size semibold =
        TextLayout::measure(kSentence, Font::systemFont(17, FontWeight::semibold));
    EXPECT_GT(bold.width, regular.width + 10);
    // The family has no semibold face: semibold draws with the bold one.
    EXPECT_EQ(semibold, bold);
}

TEST(PaintingTextTest, TextBreaksIntoLinesNoWiderThanAskedAndStopsAtTheLineLimit) {
    const Font font = Font::systemFont(17);
    const double line = TextLayout::lineHeight(font);
    const Size unlimited = TextLayout::measure(kSentence, font, 120, 0);
    EXPECT_LE(unlimited.width, 120);
    EXPECT_GE(unlimited.height, std::floor(4 * line));
    EXPECT_EQ(TextLayout::measure(kSentence, font, 120, 2).height, std::ceil(2 * line));
    EXPECT_EQ(TextLayout::measure("two\nlines", font, 0, 0).height, std::ceil(2 * line));
    EXPECT_EQ(TextLayout::measure("", font), (Size{0, 0}));
}

TEST(PaintingTextTest, AMultiLineLabelPaintsTheLinesItMeasures) {
    auto label = Label::make();
    label->setText(kSentence);
    label->setNumberOfLines(0);
    const Size size = label->sizeThatFits(Size{150, 0});
    ASSERT_LE(size.width, 150);
    const QRectF painted = ink(paintLabel(label, size));
    EXPECT_GE(painted.top(), 10);
    EXPECT_LE(painted.bottom(), 10 + size.height);
    // The last line's glyphs reach into the last line height.
    EXPECT_GT(painted.bottom(), 10 + size.height - TextLayout::lineHeight(label->effectiveFont()));
}

TEST(PaintingTextTest, TextTooLongForOneLineEndsWithinTheLabel) {
    auto label = Label::make();
    label->setText(kSentence);
    const Size full = label->intrinsicContentSize();
    const QRectF painted = ink(paintLabel(label, Size{full.width / 3, full.height}));
    ASSERT_FALSE(painted.isEmpty());
    EXPECT_LE(painted.right(), 10 + full.width / 3);
    EXPECT_GT(painted.right(), 10 + full.width / 3 - 20);
}

TEST(PaintingTextTest, AlignmentPlacesTheLineAndTheBlockIsCentredVertically) {
    auto label = Label::make();
    label->setText("Done");
    const Size text = label->intrinsicContentSize();
    const Size box{text.width + 100, text.height + 40};

    label->setTextAlignment(TextAlignment::center);
    const QRectF centred = ink(paintLabel(label, box));
    EXPECT_NEAR(centred.center().x(), 10 + box.width / 2, 1.5);

    label->setTextAlignment(TextAlignment::right);
    const QRectF right = ink(paintLabel(label, box));
    EXPECT_NEAR(right.right(), 10 + box.width, 2.5);
    EXPECT_GT(right.top(), 10 + 20 - 1);
    EXPECT_LT(right.bottom(), 10 + 20 + text.height + 1);

    label->setTextAlignment(TextAlignment::natural);
    EXPECT_NEAR(ink(paintLabel(label, box)).left(), 10, 2.5);
}

TEST(PaintingTextTest, ShrinkingToFitDrawsTheWholeTextInTheWidth) {
    auto label = Label::make();
    label->setText("capture-preview-next-page-button-label");
    label->setAdjustsFontSizeToFitWidth(true);
    label->setMinimumScaleFactor(0.3);
    const Size full = label->intrinsicContentSize();
    const QRectF painted = ink(paintLabel(label, Size{full.width / 2, full.height}));
    EXPECT_LE(painted.right(), 10 + full.width / 2);
    EXPECT_GT(painted.width(), full.width / 2 - 6) << "shrunk, not cut";
}

}  // namespace
}  // namespace quorvel::platform
