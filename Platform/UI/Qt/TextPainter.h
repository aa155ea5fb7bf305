#pragma once

#include <QFont>
#include <QString>
#include <string>
#include <vector>

#include "Platform/Graphics/Color.h"
#include "Platform/Graphics/Font.h"
#include "Platform/Graphics/Geometry.h"
#include "Platform/UI/Label.h"

class QPainter;
class QPaintDevice;

namespace quorvel::platform {

// The Qt side of the text engine: lays text out in lines and draws it. TextLayout measures with
// the same layout, so what a label measures is what it paints. Part of the Qt backend: the
// framework's code uses TextLayout and Label instead. Main thread only, with the application
// started.
//
// Sizes are in points. A font's point size is its pixel size at one pixel per point, on every
// device: the font is made for the device's resolution, and hinting is off so that glyph advances
// scale exactly with the device-pixel ratio. Qt rounds font sizes to whole pixels, so the Qt font
// is made fontScale times larger than asked and everything measured with it is scaled back down
// (drawing too): sizes keep a sixteenth of a point, and a font shrunk by half a point is smaller.
class TextPainter {
public:
    struct Line {
        // The line's text as drawn (trailing spaces removed; an ellipsis where the text was cut).
        QString text;
        double width = 0;
        // Top of the line, from the top of the text block.
        double top = 0;
        double ascent = 0;
        double height = 0;
    };

    struct Layout {
        std::vector<Line> lines;
        // The widest line and the sum of the line heights, not rounded.
        Size size;
        // True when text was left out (too many lines or too little room).
        bool truncated = false;
    };

    TextPainter() = delete;

    static constexpr double fontScale = 16;

    // The Qt font for `font` on a device of that resolution (dots per inch), fontScale times the
    // size.
    static QFont qFont(const Font& font, int dpi);
    // The same for the device a painter paints on.
    static QFont qFont(const Font& font, const QPaintDevice& device);

    // Breaks `text` into lines no wider than `maxWidth` (<= 0: unlimited; lines then break only at
    // line breaks in the text), keeps at most `numberOfLines` lines (0: any number) and no more
    // lines than fit in `maxHeight` (<= 0: unlimited; at least one line is kept), and ends the
    // last kept line with an ellipsis when text is left over.
    static Layout layout(const std::string& text, const Font& font, double maxWidth,
                         int numberOfLines, double maxHeight = 0);

    // Draws the text laid out in `rect`: lines aligned horizontally, the block centred
    // vertically, as a label shows its text.
    static void draw(QPainter& painter, const std::string& text, const Font& font,
                     const Color& color, const Rect& rect, TextAlignment alignment,
                     int numberOfLines);
    // Draws a layout made by layout() with its block's top left at `origin`, lines aligned within
    // `width`.
    static void draw(QPainter& painter, const Layout& layout, const Font& font, const Color& color,
                     Point origin, double width, TextAlignment alignment);
};

}  // namespace quorvel::platform
