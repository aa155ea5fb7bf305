// quorvel-detect [--help] [--] IMAGE...
//
// Decodes each image upright (EXIF orientation applied), finds the document outline through the
// library's still-image path (the crop screen's corner detection, with the image's pixel size as
// the view size) and prints one JSON line per image:
//   {"image": "<path>", "found": true, "corners": [[x,y],[x,y],[x,y],[x,y]], "ms": 3.1}
// Corners are pixels of the upright image, origin at the centre of the top-left pixel, y down,
// in the order top-left, top-right, bottom-right, bottom-left; "corners" is empty when nothing is
// found. "ms" is the time the image took, from reading its file and decoding it to the end of the
// detection (for an image that cannot be used, until it was refused). A file name that is not
// valid UTF-8 is written with U+FFFD in place of each invalid byte.
//
// An image that cannot be used gets its line too, with "found" false and an "error": "cannot
// read: <reason>" (missing, not permitted...), "not a regular file" (a folder, a FIFO, a device:
// never opened), "cannot decode: <reason>" (not a JPEG or PNG, cut short, corrupt) or "too large:
// <reason>" (a file over the library's size cap, refused before it is read; a picture over its
// pixel limit or too long on a side). Standard output carries the JSON lines only.
//
// Exit status: 0 when every image was examined (found or not), 1 when any could not be, 2 for a
// usage error.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <opencv2/core/utils/logger.hpp>
#include <string>
#include <vector>

#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Graphics/PictureFile.h"
#include "Platform/Log/PrintableText.h"
#include "Source/Imaging/RectangleDetector.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kUsage =
    "usage: quorvel-detect [--help] [--] IMAGE...\n"
    "Finds the document outline in each image; prints one JSON line per image.\n"
    "An image that cannot be used has \"found\": false and an \"error\" saying why: cannot\n"
    "read, not a regular file, cannot decode (not a JPEG or PNG, cut short, corrupt) or too\n"
    "large (a file over 256 MB, more than 100 megapixels, more than 32767 pixels on a side).\n"
    "\"ms\" is the time the image took: reading and decoding its file, then finding the\n"
    "outline (for an image that cannot be used, the time until it was refused).\n"
    "Exit status: 0 when every image was examined, 1 when any could not be, 2 for bad usage.\n";

double rounded(double value, double perUnit) {
    return std::round(value * perUnit) / perUnit;
}

}  // namespace

int main(int argc, char** argv) {
    // The reasons are in the JSON lines; OpenCV's own warnings would only repeat them.
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);

    std::vector<std::string> paths;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (options && argument == "--") {
            options = false;
        } else if (options && (argument == "--help" || argument == "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (options && argument.size() > 1 && argument[0] == '-') {
            std::fprintf(stderr, "quorvel-detect: unknown option %s\n%s",
                         quorvel::platform::printableText(argument).c_str(), kUsage);
            return 2;
        } else {
            paths.push_back(argument);
        }
    }
    if (paths.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    auto detector = quorvel::RectangleDetector::make();
    auto queue = quorvel::platform::DispatchQueue::makeSerial("quorvel-detect");
    bool anyFailed = false;
    for (const std::string& path : paths) {
        nlohmann::json line;
        line["image"] = path;
        nlohmann::json corners = nlohmann::json::array();
        // Timed from the read on: decoding can cost more than the detection.
        const auto start = Clock::now();
        // The library's own reader: only a regular file is read, one over the size cap is
        // refused before it is read, and a truncated or corrupt picture, or one over the
        // decoder's pixel limit, is no image. The pixels are turned upright as they are decoded.
        std::string error;
        if (const auto image = quorvel::platform::PictureFile::read(path, true, error)) {
            const quorvel::platform::Size size = image->size();
            // Shared with the completion, which may outlive a detection given up on.
            struct Outcome {
                std::shared_ptr<quorvel::RectangleFeature> feature;
                bool done = false;
            };
            auto outcome = std::make_shared<Outcome>();
            detector->detectCropCorners(image, size, queue,
                                        [outcome](std::shared_ptr<quorvel::RectangleFeature> f) {
                                            outcome->feature = std::move(f);
                                            outcome->done = true;
                                        });
            // Every detection completes; the limit only guards against a hang.
            quorvel::platform::MainRunLoop::runUntil([&] { return outcome->done; },
                                                     std::chrono::minutes(1));
            const bool done = outcome->done;
            const auto found = outcome->feature;
            if (!done) {
                line["error"] = "detection did not finish";
                anyFailed = true;
            } else if (found) {
                // View points have the pixel's top-left corner at 0; pixels are named by their
                // centre. With y down, bottomLeft is the page's top-left corner.
                for (const quorvel::platform::Point& p :
                     {found->bottomLeft, found->bottomRight, found->topRight, found->topLeft}) {
                    corners.push_back({rounded(p.x - 0.5, 10), rounded(p.y - 0.5, 10)});
                }
            }
        } else {
            line["error"] = error;
            anyFailed = true;
        }
        line["found"] = !corners.empty();
        line["corners"] = corners;
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        line["ms"] = rounded(ms, 1000);
        std::cout << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
                  << std::endl;
    }
    return anyFailed ? 1 : 0;
}
