// quorvel-detect IMAGE...
//
// Decodes each image upright (EXIF orientation applied), finds the document outline through the
// library's still-image path (the crop screen's corner detection, with the image's pixel size as
// the view size) and prints one JSON line per image:
//   {"image": "<path>", "found": true, "corners": [[x,y],[x,y],[x,y],[x,y]], "ms": 3.1}
// Corners are pixels of the upright image, origin at the centre of the top-left pixel, y down,
// in the order top-left, top-right, bottom-right, bottom-left; "corners" is empty when nothing is
// found. "ms" is the detection time alone, without decoding.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Graphics/ExifOrientation.h"
#include "Platform/Imaging/FilterImage.h"
#include "Source/Imaging/RectangleDetector.h"

namespace {

std::shared_ptr<quorvel::platform::Image> decodeUpright(const char* path) {
    // The library's own decoder: a truncated or corrupt picture is no image.
    const auto stored = quorvel::platform::Image::contentsOfFile(path);
    if (!stored) return nullptr;
    if (stored->orientation() == quorvel::platform::ImageOrientation::up) return stored;
    const auto upright = quorvel::platform::FilterImage::fromImage(*stored)->oriented(
        quorvel::platform::exifOrientation(stored->orientation()));
    const auto bitmap = upright ? upright->toBitmap() : nullptr;
    return bitmap ? quorvel::platform::Image::make(bitmap) : nullptr;
}

double rounded(double value, double perUnit) {
    return std::round(value * perUnit) / perUnit;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: quorvel-detect IMAGE...\n");
        return 2;
    }
    auto detector = quorvel::RectangleDetector::make();
    auto queue = quorvel::platform::DispatchQueue::makeSerial("quorvel-detect");

    for (int i = 1; i < argc; ++i) {
        nlohmann::json line;
        line["image"] = argv[i];
        nlohmann::json corners = nlohmann::json::array();
        double ms = 0;
        if (auto image = decodeUpright(argv[i])) {
            const quorvel::platform::Size size = image->size();
            std::shared_ptr<quorvel::RectangleFeature> found;
            bool done = false;
            const auto start = std::chrono::steady_clock::now();
            detector->detectCropCorners(image, size, queue,
                                        [&](std::shared_ptr<quorvel::RectangleFeature> feature) {
                                            found = std::move(feature);
                                            done = true;
                                        });
            quorvel::platform::MainRunLoop::runUntil([&] { return done; }, std::chrono::minutes(1));
            ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count();
            if (found) {
                // View points have the pixel's top-left corner at 0; pixels are named by their
                // centre. With y down, bottomLeft is the page's top-left corner.
                for (const quorvel::platform::Point& p :
                     {found->bottomLeft, found->bottomRight, found->topRight, found->topLeft}) {
                    corners.push_back({rounded(p.x - 0.5, 10), rounded(p.y - 0.5, 10)});
                }
            }
        } else {
            line["error"] = "cannot decode";
        }
        line["found"] = !corners.empty();
        line["corners"] = corners;
        line["ms"] = rounded(ms, 1000);
        std::cout << line.dump() << std::endl;
    }
    return 0;
}
