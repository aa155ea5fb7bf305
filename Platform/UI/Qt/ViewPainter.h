#pragma once

#include <QImage>
#include <memory>

class QPainter;

namespace quorvel::platform {

class Image;
class Layer;
class View;

// Paints the model's view and layer trees with QPainter, with the values on screen at the current
// Clock time (presentation values). Part of the Qt backend; the framework's code asks for
// View::snapshot() instead. Main thread only.
//
// A view is painted, in its bounds coordinates and clipped to its rounded bounds where its layer
// masks to bounds:
//   1. the background (the layer's, then the view's colour), filling the rounded bounds;
//   2. the content: a label's text, an image view's image placed by its content mode, the
//      picture of a video preview layer by its gravity, the path of a shape layer, then whatever
//      View::draw() draws;
//   3. the layer's sublayers, back to front, each the same way (background, content, sublayers,
//      border) in its frame, turned by its affine transform about its centre;
//   4. the subviews, back to front, at their frames less the bounds origin;
//   5. the border, over everything, inside the rounded bounds.
// Hidden views and layers (either flag) are skipped. The view's alpha times its layer's opacity
// applies to the view and everything in it as one group; the layer's affine transform turns the
// view about its centre. A window is finished with the focus ring around its focused view while
// it shows one (Window::showsFocusRing): a white and a dark blue line just outside the view's
// rounded bounds, visible over the camera picture as over light screens. Its corners follow the
// ones the user sees (where a corner lies in the rounded corner of a view that cuts it, as an
// alert's button in the card's, that corner's radius), and what lies in front of the focused
// view (a page count badge on a thumbnail) is painted again over it.
class ViewPainter {
public:
    ViewPainter() = delete;

    // Paints `view` and everything in it with the top left of its bounds at the painter's origin
    // (its own position and transform left out, its alpha applied).
    static void paint(QPainter& painter, const View& view);
    // The same for a layer; a view's layer paints its view.
    static void paint(QPainter& painter, const Layer& layer);

    // The view painted into a new transparent image of its bounds size × `scale` pixels, whose
    // device-pixel ratio is `scale`.
    static QImage render(const View& view, double scale);

    // View::snapshot(): the view rendered at its window's screen scale (the default screen scale
    // out of a window) as an Image of that scale.
    static std::shared_ptr<Image> snapshot(const View& view);
    // Makes snapshot() the model's snapshot provider.
    static void install();
};

}  // namespace quorvel::platform
