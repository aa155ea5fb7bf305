// What a host's icons cost: the resident memory the screens' thirteen icons take when a host's
// bundle gives each as a 4000 x 4000 PNG, and the time to look them up again when a screen is
// shown again.

#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <string>
#include <vector>

#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/PictureMemory.h"
#include "Platform/UI/AssetCatalog.h"
#include "ResidentMemory.h"
#include "Source/Configuration/ImageLookup.h"
#include "Support/TemporaryBundle.h"

namespace {

using quorvel::ImageLookup;
using quorvel::testsupport::TemporaryBundle;

const std::array<const char*, 13> kIconNames = {
    "capture-add-page", "capture-auto-off", "capture-auto-on", "capture-back",
    "capture-button",   "capture-close",    "capture-crop",    "capture-flash-off",
    "capture-flash-on", "capture-gallery",  "capture-next",    "capture-previous",
    "capture-retake"};

constexpr int kIconSide = 4000;

// A PNG of one colour per icon, so that no two files are alike.
std::vector<std::uint8_t> iconPng(int index) {
    std::vector<std::uint8_t> bytes;
    cv::imencode(".png",
                 cv::Mat(kIconSide, kIconSide, CV_8UC4, cv::Scalar(index * 19, 80, 200, 255)),
                 bytes);
    return bytes;
}

enum class Layout { catalogue, uncompiled };

// A host bundle with the thirteen icons, named in its Assets.json or only present in its
// uncompiled catalogue folder.
std::unique_ptr<TemporaryBundle> hostBundle(Layout layout) {
    auto bundle = std::make_unique<TemporaryBundle>("Icons.bundle");
    std::string catalogue = R"({"images": {)";
    for (std::size_t i = 0; i < kIconNames.size(); ++i) {
        const std::string name = kIconNames[i];
        if (layout == Layout::catalogue) {
            bundle->write("Images/" + name + ".png", iconPng(static_cast<int>(i)));
            catalogue += (i ? ", \"" : "\"") + name + "\": \"Images/" + name + ".png\"";
        } else {
            bundle->write("QuorvelAssets.xcassets/" + name + ".imageset/" + name,
                          iconPng(static_cast<int>(i)));
        }
    }
    if (layout == Layout::catalogue) bundle->write("Assets.json", catalogue + "}}");
    return bundle;
}

// Resident memory before and after the thirteen icons are looked up and held, as the screens
// hold them.
void BM_ThirteenLargeIconsHeld(benchmark::State& state) {
    const auto layout = static_cast<Layout>(state.range(0));
    const auto bundle = hostBundle(layout);
    // Pictures freed by an earlier benchmark are not kept for this one.
    quorvel::platform::PictureMemory::releaseKept();
    const double before = benchmarks::residentMegabytes();
    std::vector<std::shared_ptr<quorvel::platform::Image>> held;
    for (auto _ : state) {
        for (const char* name : kIconNames) {
            held.push_back(ImageLookup::fetchImageFromBundle(*bundle->bundle(), name));
        }
    }
    const double after = benchmarks::residentMegabytes();
    int found = 0;
    for (const auto& image : held) found += image ? 1 : 0;
    state.counters["icons_found"] = found;
    state.counters["rss_before_MB"] = before;
    state.counters["rss_after_MB"] = after;
    state.counters["growth_MB"] = after - before;
    held.clear();
    quorvel::platform::AssetCatalog::resetCache();
    quorvel::platform::PictureMemory::releaseKept();
}
BENCHMARK(BM_ThirteenLargeIconsHeld)
    ->ArgName("uncompiled")
    ->Arg(static_cast<int>(Layout::catalogue))
    ->Arg(static_cast<int>(Layout::uncompiled))
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The thirteen icons looked up again, as when the preview is shown after a retake.
void BM_ThirteenLargeIconsLookedUpAgain(benchmark::State& state) {
    const auto layout = static_cast<Layout>(state.range(0));
    const auto bundle = hostBundle(layout);
    for (const char* name : kIconNames) {
        benchmark::DoNotOptimize(ImageLookup::fetchImageFromBundle(*bundle->bundle(), name));
    }
    for (auto _ : state) {
        for (const char* name : kIconNames) {
            benchmark::DoNotOptimize(ImageLookup::fetchImageFromBundle(*bundle->bundle(), name));
        }
    }
    quorvel::platform::AssetCatalog::resetCache();
}
BENCHMARK(BM_ThirteenLargeIconsLookedUpAgain)
    ->ArgName("uncompiled")
    ->Arg(static_cast<int>(Layout::catalogue))
    ->Arg(static_cast<int>(Layout::uncompiled))
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
