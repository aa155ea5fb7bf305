// quorvel-eval SET_DIR...
//
// Measures the document-outline detector on sets of images with marked outlines. Each set folder
// holds a ground-truth.json ({"images": [{"file", "document", "corners": [[x,y] x4]}]}). The
// detector program quorvel-detect, found next to this one, runs once per set; per image this
// prints the IoU of the detected and marked quadrilaterals, the worst corner error as a share
// of the image diagonal (detected corners matched to the marked ones as the best cyclic
// rotation) and the detection time, then totals for the set. Always exits 0 once it has run.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Quad = std::vector<cv::Point2f>;

namespace {

std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

std::optional<Quad> readQuad(const nlohmann::json& corners) {
    if (!corners.is_array() || corners.size() != 4) {
        return std::nullopt;
    }
    Quad quad;
    for (const auto& c : corners) {
        if (!c.is_array() || c.size() != 2) {
            return std::nullopt;
        }
        quad.emplace_back(c[0].get<float>(), c[1].get<float>());
    }
    return quad;
}

double polygonIoU(const Quad& a, const Quad& b) {
    Quad ca, cb;
    cv::convexHull(a, ca);
    cv::convexHull(b, cb);
    Quad shared;
    const double inter = cv::intersectConvexConvex(ca, cb, shared, true);
    const double uni = cv::contourArea(ca) + cv::contourArea(cb) - inter;
    return uni > 0 ? std::max(0.0, inter) / uni : 0;
}

double worstCornerError(const Quad& detected, const Quad& truth) {
    double best = 1e18;
    for (size_t shift = 0; shift < 4; ++shift) {
        double worst = 0;
        for (size_t i = 0; i < 4; ++i) {
            const cv::Point2f d = detected[(i + shift) % 4] - truth[i];
            worst = std::max(worst, std::hypot(static_cast<double>(d.x), static_cast<double>(d.y)));
        }
        best = std::min(best, worst);
    }
    return best;
}

struct Detection {
    bool found = false;
    Quad corners;
    double ms = 0;
};

std::map<std::string, Detection> runDetector(const fs::path& detector,
                                             const std::vector<fs::path>& images) {
    std::map<std::string, Detection> out;
    std::string command = shellQuote(detector.string());
    for (const auto& p : images) {
        command += ' ';
        command += shellQuote(p.string());
    }
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return out;
    }
    std::string line;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        line += buffer;
        if (line.empty() || line.back() != '\n') {
            continue;
        }
        try {
            const auto j = nlohmann::json::parse(line);
            Detection d;
            d.found = j.value("found", false);
            d.ms = j.value("ms", 0.0);
            if (auto q = readQuad(j.value("corners", nlohmann::json::array()))) {
                d.corners = *q;
            } else {
                d.found = false;
            }
            out[fs::path(j.value("image", std::string())).filename().string()] = d;
        } catch (const nlohmann::json::exception&) {
        }
        line.clear();
    }
    pclose(pipe);
    return out;
}

void evaluate(const fs::path& set, const fs::path& detector) {
    std::ifstream in(set / "ground-truth.json");
    nlohmann::json truth;
    try {
        in >> truth;
    } catch (const nlohmann::json::exception&) {
        std::printf("%s: cannot read ground-truth.json\n", set.string().c_str());
        return;
    }
    const auto& images = truth["images"];
    std::vector<fs::path> paths;
    for (const auto& image : images) {
        paths.push_back(set / image.value("file", std::string()));
    }
    const auto detections = runDetector(detector, paths);

    std::printf("== %s\n%-28s %7s %9s %9s\n", set.string().c_str(), "file", "IoU", "corner%", "ms");
    int pages = 0, misses = 0, falsePositives = 0, negatives = 0, within1 = 0, within2 = 0;
    double iouSum = 0, msSum = 0, msMax = 0;
    int timed = 0;
    for (const auto& image : images) {
        const std::string file = image.value("file", std::string());
        const bool document = image.value("document", true);
        const double diagonal = std::hypot(image.value("width", 0.0), image.value("height", 0.0));
        const auto it = detections.find(file);
        const Detection detection = it != detections.end() ? it->second : Detection{};
        if (it != detections.end()) {
            msSum += detection.ms;
            msMax = std::max(msMax, detection.ms);
            ++timed;
        }
        if (!document) {
            ++negatives;
            falsePositives += detection.found ? 1 : 0;
            std::printf("%-28s %7s %9s %9.2f %s\n", file.c_str(), "-", "-", detection.ms,
                        detection.found ? "FALSE POSITIVE" : "(no page, none found)");
            continue;
        }
        ++pages;
        const auto marked = readQuad(image.value("corners", nlohmann::json::array()));
        if (!detection.found || !marked) {
            ++misses;
            std::printf("%-28s %7.4f %9s %9.2f MISS\n", file.c_str(), 0.0, "-", detection.ms);
            continue;
        }
        const double iou = polygonIoU(detection.corners, *marked);
        const double error = worstCornerError(detection.corners, *marked) / diagonal;
        iouSum += iou;
        within1 += error <= 0.01 ? 1 : 0;
        within2 += error <= 0.02 ? 1 : 0;
        std::printf("%-28s %7.4f %8.3f%% %9.2f\n", file.c_str(), iou, error * 100, detection.ms);
    }
    std::printf(
        "-- %s: pages=%d meanIoU=%.4f misses=%d falsePositives=%d/%d within1%%=%.3f "
        "within2%%=%.3f meanMs=%.2f maxMs=%.2f\n\n",
        set.filename().string().c_str(), pages, pages ? iouSum / pages : 0.0, misses,
        falsePositives, negatives, pages ? static_cast<double>(within1) / pages : 0.0,
        pages ? static_cast<double>(within2) / pages : 0.0, timed ? msSum / timed : 0.0, msMax);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: quorvel-eval SET_DIR...\n");
        return 2;
    }
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        self = fs::absolute(argv[0]);
    }
    const fs::path detector = self.parent_path() / "quorvel-detect";
    for (int i = 1; i < argc; ++i) {
        evaluate(fs::path(argv[i]), detector);
    }
    return 0;
}
