// quorvel-detect IMAGE...
//
// Decodes each image upright (EXIF orientation applied), looks for one document outline and
// prints one JSON line per image:
//   {"image": "<path>", "found": true, "corners": [[x,y],[x,y],[x,y],[x,y]], "ms": 3.1}
// Corners are pixels of the upright image, origin top-left, y down, in the order top-left,
// top-right, bottom-right, bottom-left; "corners" is empty when nothing is found. "ms" is the
// detection time alone, without decoding.

#include <chrono>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <opencv2/imgcodecs.hpp>

#include "Platform/Vision/QuadrilateralFinder.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: quorvel-detect IMAGE...\n");
        return 2;
    }
    platform::RectangleDetectionSettings settings;
    settings.minimumSize = 0.1;
    settings.minimumAspectRatio = 0.0;
    settings.maximumAspectRatio = 1.0;
    settings.quadratureTolerance = 30;
    settings.maximumObservations = 1;
    settings.minimumConfidence = 0;

    for (int i = 1; i < argc; ++i) {
        nlohmann::json line;
        line["image"] = argv[i];
        cv::Mat image;
        try {
            image = cv::imread(argv[i], cv::IMREAD_COLOR);
        } catch (const cv::Exception&) {
            image.release();
        }
        nlohmann::json corners = nlohmann::json::array();
        double ms = 0;
        if (image.empty()) {
            line["error"] = "cannot decode";
        } else {
            const auto start = std::chrono::steady_clock::now();
            const auto found = platform::findQuadrilaterals(image, settings);
            const auto end = std::chrono::steady_clock::now();
            ms = std::chrono::duration<double, std::milli>(end - start).count();
            if (!found.empty()) {
                for (const cv::Point2d& p : found.front().corners) {
                    corners.push_back({std::round(p.x * 10) / 10, std::round(p.y * 10) / 10});
                }
                line["confidence"] = std::round(found.front().confidence * 1000) / 1000;
            }
        }
        line["found"] = !corners.empty();
        line["corners"] = corners;
        line["ms"] = std::round(ms * 1000) / 1000;
        std::cout << line.dump() << std::endl;
    }
    return 0;
}
