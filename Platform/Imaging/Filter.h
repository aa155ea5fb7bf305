#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Imaging/FilterImage.h"

namespace quorvel::platform {

// An image filter looked up by name, standing in for the phone platform's Core Image filter: set
// its inputs by key, then read its output image. As on the platform, a filter made by name starts
// with its inputs at their defaults. One filter belongs to one thread at a time; the images it
// takes and gives are immutable and may be shared.
//
// Filters (the platform's names, keys and defaults; coordinates are the image's own: pixels,
// lower-left origin):
//
// "CIPerspectiveCorrection": inputImage; inputTopLeft, inputTopRight, inputBottomLeft,
//   inputBottomRight (points, no default here: the output is nullptr until all four are set).
//   Straightens the quadrilateral into a rectangle: the corner given as inputTopLeft lands at the
//   output's top-left (the corner at the larger y, y being up), and so on, with no reordering, so
//   corners named upside down give an upside-down output. Output size: width = the longer of the
//   top edge (topLeft–topRight) and the bottom edge (bottomLeft–bottomRight), height = the longer
//   of the left and right edges, each rounded to whole pixels; extent origin (0, 0). Bilinear
//   sampling (the platform's default sampler); as the output is at least as long as each side of
//   the quadrilateral, the source is not thinned out along the sides. Output pixels whose source
//   lies outside the input are transparent. nullptr for a degenerate quadrilateral.
//   Beyond the platform's filter: inputWidth and inputHeight (numbers, no default), when both are
//   set, give the output's size instead (rounded to whole pixels; nullptr when only one is set or
//   the size is out of range), so that a caller who knows the page's shape resamples the picture
//   once, straight to it. Where every output pixel then spans 1.5 source pixels or more in every
//   direction, the source is first shrunk by area averaging to about the output's density, as a
//   careful resampler does, so that fine print does not alias.
//
// "CILanczosScaleTransform": inputImage, inputScale (1), inputAspectRatio (1). Output size =
//   round(width × scale × aspectRatio) × round(height × scale), at least 1 × 1; the extent origin
//   scales too. Enlarging uses Lanczos resampling (8 × 8 kernel); shrinking uses area averaging
//   instead, since a fixed-size Lanczos kernel would alias where the platform's filter widens its
//   kernel; each axis gets its own method when one grows and the other shrinks. Edge pixels are
//   repeated beyond the border. nullptr for a scale or aspect ratio that is not a positive finite
//   number, or an output larger than Bitmap::maximumDimension.
//
// "CIColorControls": inputImage, inputSaturation (1), inputBrightness (0), inputContrast (1). On
//   each colour c (components 0 to 1, alpha taken out), in this order:
//   saturation: c = luma + s × (c − luma), luma = 0.2125 R + 0.7154 G + 0.0721 B (Rec. 709, as
//   the platform), so saturation 0 gives that grey; brightness: c = c + b; contrast:
//   c = (c − 0.5) × k + 0.5; clamped to 0…1. Alpha is kept.
//
// "CIUnsharpMask": inputImage, inputRadius (2.5), inputIntensity (0.5).
//   out = in + intensity × (in − gaussianBlur(in, sigma = radius)), clamped. The blur repeats the
//   edge pixels beyond the border, so flat areas stay unchanged up to the image's edges. A radius
//   of 0 or less leaves the image unchanged.
class Filter {
public:
    enum class Kind { perspectiveCorrection, lanczosScale, colorControls, unsharpMask };

    static constexpr const char* inputImageKey = "inputImage";

    // The filter of that name with its defaults set; nullptr for a name the platform stand-in
    // does not provide.
    static std::shared_ptr<Filter> named(std::string_view name);

    const std::string& name() const { return name_; }
    Kind kind() const { return kind_; }

    // Sets an input. False (and nothing changes) for a key the filter does not have or a value
    // of the wrong kind (a point for a number, and so on).
    bool setValue(std::string_view key, FilterValue value);
    // The input's current value; nullopt for an unknown key or an input that has no value.
    std::optional<FilterValue> value(std::string_view key) const;
    // Puts every input back to its default (inputs without a default lose their value).
    void setDefaults();

    // The filter applied to its inputs, computed on each call; nullptr when an input is missing
    // or out of range, or the computation fails.
    std::shared_ptr<const FilterImage> outputImage() const;

private:
    Filter(Kind kind, std::string name);

    Kind kind_;
    std::string name_;
    std::map<std::string, FilterValue, std::less<>> values_;
};

}  // namespace quorvel::platform
