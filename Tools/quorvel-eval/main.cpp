// quorvel-eval [--help] SET_DIR...
//
// Measures the document-outline detector on sets of images with marked outlines. Each set folder
// holds a ground-truth.json:
//   {"images": [{"file": "a.jpg", "width": 1080, "height": 1920, "document": true,
//                "corners": [[x,y] x4]}, ...]}
// ("document" may be left out and is then true; "width", "height" (positive) and "corners" are
// needed for documents only). The detector program quorvel-detect, found next to this one, runs
// once per set (a few times for a set of thousands of images, each run given a share of them);
// per image this prints the IoU of the detected and marked quadrilaterals, the worst corner error
// as a share of the image diagonal (detected corners matched to the marked ones as the best cyclic
// rotation) and the time quorvel-detect gives for it (decoding and detection), then totals for
// the set.
//
// What keeps a set or an image from being measured goes to standard error, naming the set (and
// the image): a folder or ground truth that cannot be read, malformed JSON, an entry of the wrong
// shape (skipped; the others are measured), an image the detector could not read. Such an image
// is marked UNREADABLE and counted as unreadable in the totals, never as a miss.
//
// Exit status: 0 when everything was measured, 1 when anything could not be, 2 for bad usage.

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <opencv2/imgproc.hpp>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Platform/Foundation/Data.h"
#include "Platform/Log/PrintableText.h"

namespace fs = std::filesystem;
using Quad = std::vector<cv::Point2f>;

namespace {

// Every name printed (a set, a file, a reason that names one) has its control characters
// escaped, so that none breaks its line or forges another.
using quorvel::platform::printableText;

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
        if (!c.is_array() || c.size() != 2 || !c[0].is_number() || !c[1].is_number()) {
            return std::nullopt;
        }
        const double x = c[0].get<double>();
        const double y = c[1].get<double>();
        if (!std::isfinite(x) || !std::isfinite(y)) {
            return std::nullopt;
        }
        quad.emplace_back(static_cast<float>(x), static_cast<float>(y));
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
    std::string error;  // Why the detector could not examine the image.
};

// Adds the detector's JSON lines read from `pipe` to `out`, by file name.
void readDetections(FILE* pipe, std::map<std::string, Detection>& out) {
    std::string line;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        line += buffer;
        if (line.empty() || line.back() != '\n') {
            continue;
        }
        const auto j = nlohmann::json::parse(line, nullptr, false);
        line.clear();
        if (!j.is_object() || !j.contains("image") || !j["image"].is_string()) {
            continue;
        }
        Detection d;
        d.found = j.contains("found") && j["found"].is_boolean() && j["found"].get<bool>();
        d.ms = j.contains("ms") && j["ms"].is_number() ? j["ms"].get<double>() : 0.0;
        if (j.contains("error") && j["error"].is_string()) {
            d.error = j["error"].get<std::string>();
        }
        if (auto q = readQuad(j.contains("corners") ? j["corners"] : nlohmann::json())) {
            d.corners = *q;
        } else {
            d.found = false;
        }
        out[fs::path(j["image"].get<std::string>()).filename().string()] = d;
    }
}

// The shell takes one command line of at most 128 KiB; the detector runs as often as needed to
// examine every image with command lines well below that.
constexpr std::size_t kMaxCommandLength = 96 * 1024;

// The detections by file name; none when the detector could not be run.
std::optional<std::map<std::string, Detection>> runDetector(const fs::path& detector,
                                                            const std::vector<fs::path>& images) {
    std::map<std::string, Detection> out;
    const std::string program = shellQuote(detector.string()) + " --";
    for (std::size_t next = 0; next < images.size();) {
        std::string command = program;
        do {
            const std::string quoted = ' ' + shellQuote(images[next].string());
            if (command.size() > program.size() &&
                command.size() + quoted.size() > kMaxCommandLength) {
                break;
            }
            command += quoted;
        } while (++next < images.size());
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) {
            return std::nullopt;
        }
        readDetections(pipe, out);
        const int status = pclose(pipe);
        // 0: every image examined; 1: some could not be (their lines say why); else no detector.
        if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) > 1) {
            return std::nullopt;
        }
    }
    return out;
}

// One marked image of a set.
struct Marked {
    std::string file;
    bool document = true;
    double diagonal = 0;
    Quad corners;
};

// The entry, or why it cannot be measured.
std::variant<Marked, std::string> readEntry(const nlohmann::json& entry) {
    if (!entry.is_object()) {
        return std::string("not an object");
    }
    Marked marked;
    const auto file = entry.find("file");
    if (file == entry.end() || !file->is_string() || file->get<std::string>().empty() ||
        fs::path(file->get<std::string>()).has_parent_path()) {
        return std::string("\"file\" is not a file name");
    }
    marked.file = file->get<std::string>();
    if (const auto document = entry.find("document"); document != entry.end()) {
        if (!document->is_boolean()) {
            return "\"document\" is not true or false (" + marked.file + ")";
        }
        marked.document = document->get<bool>();
    }
    if (!marked.document) {
        return marked;
    }
    double size[2] = {0, 0};
    const char* const names[2] = {"width", "height"};
    for (int i = 0; i < 2; ++i) {
        const auto value = entry.find(names[i]);
        if (value == entry.end() || !value->is_number() || !(value->get<double>() > 0) ||
            !std::isfinite(value->get<double>())) {
            return std::string("\"") + names[i] + "\" is not a positive number (" + marked.file +
                   ")";
        }
        size[i] = value->get<double>();
    }
    marked.diagonal = std::hypot(size[0], size[1]);
    const auto corners = readQuad(entry.contains("corners") ? entry["corners"] : nlohmann::json());
    if (!corners) {
        return "\"corners\" are not four [x, y] pairs of numbers (" + marked.file + ")";
    }
    marked.corners = *corners;
    return marked;
}

// Measures one set; false when anything in it could not be measured.
bool evaluate(const fs::path& set, const fs::path& detector) {
    const fs::path truthPath = set / "ground-truth.json";
    const auto bytes = quorvel::platform::readFile(truthPath);
    if (!bytes) {
        std::error_code error;
        std::fprintf(
            stderr, "quorvel-eval: %s: %s\n", printableText(set.string()).c_str(),
            !fs::is_directory(set, error) ? "not a folder" : "cannot read ground-truth.json");
        return false;
    }
    const auto truth = nlohmann::json::parse(bytes->begin(), bytes->end(), nullptr, false);
    if (truth.is_discarded()) {
        std::fprintf(stderr, "quorvel-eval: %s: not valid JSON\n",
                     printableText(truthPath.string()).c_str());
        return false;
    }
    if (!truth.is_object() || !truth.contains("images") || !truth["images"].is_array()) {
        std::fprintf(stderr, "quorvel-eval: %s: no \"images\" list\n",
                     printableText(truthPath.string()).c_str());
        return false;
    }
    bool complete = true;
    std::vector<Marked> images;
    for (std::size_t i = 0; i < truth["images"].size(); ++i) {
        auto entry = readEntry(truth["images"][i]);
        if (auto* reason = std::get_if<std::string>(&entry)) {
            std::fprintf(stderr, "quorvel-eval: %s: image %zu: %s\n",
                         printableText(truthPath.string()).c_str(), i + 1,
                         printableText(*reason).c_str());
            complete = false;
        } else {
            images.push_back(std::get<Marked>(std::move(entry)));
        }
    }
    std::vector<fs::path> paths;
    for (const auto& image : images) {
        paths.push_back(set / image.file);
    }
    std::map<std::string, Detection> detections;
    if (!paths.empty()) {
        auto ran = runDetector(detector, paths);
        if (!ran) {
            std::fprintf(stderr, "quorvel-eval: %s: cannot run %s\n",
                         printableText(set.string()).c_str(),
                         printableText(detector.string()).c_str());
            return false;
        }
        detections = std::move(*ran);
    }

    std::printf("== %s\n%-28s %7s %9s %9s\n", printableText(set.string()).c_str(), "file", "IoU",
                "corner%", "ms");
    int pages = 0, misses = 0, falsePositives = 0, negatives = 0, within1 = 0, within2 = 0;
    int unreadable = 0;
    double iouSum = 0, msSum = 0, msMax = 0;
    int timed = 0;
    for (const auto& image : images) {
        const std::string file = printableText(image.file);
        const auto it = detections.find(image.file);
        const Detection detection = it != detections.end() ? it->second : Detection{};
        if (it == detections.end() || !detection.error.empty()) {
            std::fprintf(stderr, "quorvel-eval: %s: %s\n",
                         printableText((set / image.file).string()).c_str(),
                         it == detections.end() ? "no result from the detector"
                                                : printableText(detection.error).c_str());
            complete = false;
            // Not examined: neither a miss nor a page without a document.
            ++unreadable;
            std::printf("%-28s %7s %9s %9s UNREADABLE\n", file.c_str(), "-", "-", "-");
            continue;
        }
        msSum += detection.ms;
        msMax = std::max(msMax, detection.ms);
        ++timed;
        if (!image.document) {
            ++negatives;
            falsePositives += detection.found ? 1 : 0;
            std::printf("%-28s %7s %9s %9.2f %s\n", file.c_str(), "-", "-", detection.ms,
                        detection.found ? "FALSE POSITIVE" : "(no page, none found)");
            continue;
        }
        ++pages;
        if (!detection.found) {
            ++misses;
            std::printf("%-28s %7.4f %9s %9.2f MISS\n", file.c_str(), 0.0, "-", detection.ms);
            continue;
        }
        const double iou = polygonIoU(detection.corners, image.corners);
        const double error = worstCornerError(detection.corners, image.corners) / image.diagonal;
        iouSum += iou;
        within1 += error <= 0.01 ? 1 : 0;
        within2 += error <= 0.02 ? 1 : 0;
        std::printf("%-28s %7.4f %8.3f%% %9.2f\n", file.c_str(), iou, error * 100, detection.ms);
    }
    std::printf(
        "-- %s: pages=%d meanIoU=%.4f misses=%d falsePositives=%d/%d unreadable=%d "
        "within1%%=%.3f within2%%=%.3f meanMs=%.2f maxMs=%.2f\n\n",
        printableText(set.filename().string()).c_str(), pages, pages ? iouSum / pages : 0.0, misses,
        falsePositives, negatives, unreadable, pages ? static_cast<double>(within1) / pages : 0.0,
        pages ? static_cast<double>(within2) / pages : 0.0, timed ? msSum / timed : 0.0, msMax);
    std::fflush(stdout);
    return complete;
}

constexpr const char* kUsage =
    "usage: quorvel-eval [--help] SET_DIR...\n"
    "Measures quorvel-detect against the marked images of each set folder.\n"
    "Exit status: 0 when everything was measured, 1 when anything could not be, 2 for bad "
    "usage.\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<fs::path> sets;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        sets.emplace_back(argument);
    }
    if (sets.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        self = fs::absolute(argv[0]);
    }
    const fs::path detector = self.parent_path() / "quorvel-detect";
    bool complete = true;
    for (const auto& set : sets) {
        complete = evaluate(set, detector) && complete;
    }
    return complete ? 0 : 1;
}
