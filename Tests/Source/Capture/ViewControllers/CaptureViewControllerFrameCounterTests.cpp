#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Source/Capture/ViewControllers/CaptureViewControllerFrameCounter.h"

namespace quorvel {
namespace {

using platform::BezierPath;
using platform::Point;

// An outline layer that remembers what was drawn.
class RecordingOutline : public CaptureViewControllerFrameCounter::Outline {
public:
    bool isCollapsed() const override { return collapsed; }
    void collapse() override {
        collapsed = true;
        drawn.reset();
        ++collapses;
    }
    void draw(const std::shared_ptr<BezierPath>& path) override {
        collapsed = false;
        drawn = path;
        ++draws;
    }
    bool collapsed = false;
    std::shared_ptr<BezierPath> drawn;
    int collapses = 0;
    int draws = 0;
};

// A page whose corners sit `shift` points to the right of a fixed square.
std::shared_ptr<RectangleFeature> page(double shift = 0) {
    return std::make_shared<RectangleFeature>(Point{100 + shift, 100}, Point{300 + shift, 100},
                                              Point{300 + shift, 400}, Point{100 + shift, 400});
}

std::shared_ptr<BezierPath> outlineOf(const RectangleFeature& feature) {
    auto path = std::make_shared<BezierPath>();
    path->moveTo(feature.topLeft);
    path->addLineTo(feature.topRight);
    path->addLineTo(feature.bottomRight);
    path->addLineTo(feature.bottomLeft);
    path->close();
    return path;
}

struct State {
    int lockedTime = 0;
    int detected = 0;
    int lost = 0;
    std::shared_ptr<RectangleFeature> current;
    RecordingOutline outline;

    CaptureViewControllerFrameCounter counter() {
        return CaptureViewControllerFrameCounter({lockedTime, detected, lost, current}, outline);
    }
};

// One step of a sequence: 'S' a steady page, 'J' a page that jumped 10 points on each corner
// (variance 40), 'M' no page, 'L' the rectangle lost outside a pass. After each step the state
// is written as "detected/lost drawn|collapsed|-" for comparison.
struct Sequence {
    const char* name;
    CaptureType captureType;
    CaptureDocumentType documentType;
    std::string steps;
    std::vector<std::string> expected;
};

std::string describe(const State& state) {
    const char* outline = state.outline.drawn       ? "drawn"
                          : state.outline.collapsed ? "collapsed"
                                                    : "-";
    return std::to_string(state.detected) + "/" + std::to_string(state.lost) + " " + outline;
}

class FrameCounting : public ::testing::TestWithParam<Sequence> {};

TEST_P(FrameCounting, FollowsTheSequence) {
    const auto& sequence = GetParam();
    State state;
    double shift = 0;
    std::vector<std::string> seen;
    for (char step : sequence.steps) {
        auto counter = state.counter();
        state.lockedTime = 5;
        switch (step) {
            case 'S': {
                auto feature = page(shift);
                counter.didFindRectangle(feature, outlineOf(*feature), sequence.captureType,
                                         sequence.documentType);
                break;
            }
            case 'J': {
                shift += 10;
                auto feature = page(shift);
                counter.didFindRectangle(feature, outlineOf(*feature), sequence.captureType,
                                         sequence.documentType);
                break;
            }
            case 'M':
                counter.didFindRectangle(nullptr, nullptr, sequence.captureType,
                                         sequence.documentType);
                break;
            case 'L':
                counter.rectLost();
                break;
        }
        seen.push_back(describe(state));
    }
    EXPECT_EQ(seen, sequence.expected);
}

constexpr auto automatic = CaptureType::automatic;
constexpr auto manual = CaptureType::manual;
constexpr auto normal = CaptureDocumentType::normal;

INSTANTIATE_TEST_SUITE_P(
    Sequences, FrameCounting,
    ::testing::Values(
        Sequence{"ThreeSteadyFramesThenTheOutlineIsDrawn",
                 automatic,
                 normal,
                 "SSSS",
                 {"1/0 -", "2/0 -", "3/0 -", "3/0 drawn"}},
        Sequence{"ThreeToleratedMissesThenCleared",
                 automatic,
                 normal,
                 "SSSSMMMM",
                 {"1/0 -", "2/0 -", "3/0 -", "3/0 drawn", "3/1 drawn", "3/2 drawn", "3/3 drawn",
                  "0/3 collapsed"}},
        Sequence{"ThreeToleratedJumpsThenCleared",
                 automatic,
                 normal,
                 "SSSSJJJJ",
                 {"1/0 -", "2/0 -", "3/0 -", "3/0 drawn", "3/1 drawn", "3/2 drawn", "3/3 drawn",
                  "0/3 collapsed"}},
        Sequence{"SteadyFrameBetweenMissesRedrawsAndRestartsTheTolerance",
                 automatic,
                 normal,
                 "SSSSMMSMMM",
                 {"1/0 -", "2/0 -", "3/0 -", "3/0 drawn", "3/1 drawn", "3/2 drawn", "3/0 drawn",
                  "3/1 drawn", "3/2 drawn", "3/3 drawn"}},
        Sequence{"MissBeforeTheOutlineIsDrawnClearsAtOnce",
                 automatic,
                 normal,
                 "SSM",
                 {"1/0 -", "2/0 -", "0/0 collapsed"}},
        Sequence{"JumpBeforeTheOutlineIsDrawnClearsAndBecomesTheReference",
                 automatic,
                 normal,
                 "SSJS",
                 {"1/0 -", "2/0 -", "0/0 collapsed", "1/0 collapsed"}},
        Sequence{"PageInManualCaptureIsAMiss",
                 manual,
                 normal,
                 "SSSS",
                 {"0/0 collapsed", "0/0 collapsed", "0/0 collapsed", "0/0 collapsed"}},
        Sequence{"PageInALongDocumentIsAMiss",
                 automatic,
                 CaptureDocumentType::longFirst,
                 "SS",
                 {"0/0 collapsed", "0/0 collapsed"}},
        Sequence{"PageInTheLibraryTypeIsAMiss",
                 automatic,
                 CaptureDocumentType::album,
                 "S",
                 {"0/0 collapsed"}},
        Sequence{"LostAfterLockIsToleratedThreeTimes",
                 automatic,
                 normal,
                 "SSSSLLLL",
                 {"1/0 -", "2/0 -", "3/0 -", "3/0 drawn", "3/1 drawn", "3/2 drawn", "3/3 drawn",
                  "0/3 collapsed"}},
        Sequence{"LostBeforeLockClears", automatic, normal, "SL", {"1/0 -", "0/0 collapsed"}}),
    [](const ::testing::TestParamInfo<Sequence>& info) { return std::string(info.param.name); });

TEST(FrameCountingDetails, CountingFramesResetsTheLockTimeUntilLocked) {
    State state;
    auto feature = page();
    for (int i = 0; i < 3; ++i) {
        state.lockedTime = 2;
        state.counter().didFindRectangle(feature, outlineOf(*feature), automatic, normal);
        EXPECT_EQ(state.lockedTime, 0);
    }
    state.lockedTime = 2;
    state.counter().didFindRectangle(feature, outlineOf(*feature), automatic, normal);
    EXPECT_EQ(state.lockedTime, 2) << "a locked outline keeps the time the timer built up";
}

TEST(FrameCountingDetails, JumpedRectangleBecomesTheReference) {
    State state;
    for (int i = 0; i < 4; ++i) {
        auto steady = page();
        state.counter().didFindRectangle(steady, outlineOf(*steady), automatic, normal);
    }
    auto jumped = page(30);
    state.counter().didFindRectangle(jumped, outlineOf(*jumped), automatic, normal);
    EXPECT_EQ(state.current, jumped);
    EXPECT_EQ(state.lost, 1);
    // Measured against the jumped rectangle, the same place again is steady.
    auto again = page(30);
    state.counter().didFindRectangle(again, outlineOf(*again), automatic, normal);
    EXPECT_EQ(state.lost, 0);
    EXPECT_EQ(state.outline.draws, 2);
}

TEST(FrameCountingDetails, ClearingACollapsedOutlineKeepsLayerAndReference) {
    State state;
    state.outline.collapsed = true;
    state.current = page();
    state.detected = 2;
    state.lockedTime = 1;
    state.counter().clearDetectionPath();
    EXPECT_EQ(state.outline.collapses, 0);
    EXPECT_NE(state.current, nullptr);
    EXPECT_EQ(state.detected, 0);
    EXPECT_EQ(state.lockedTime, 0);
}

TEST(FrameCountingDetails, ClearingLeavesTheLostCount) {
    State state;
    state.lost = 2;
    state.current = page();
    state.counter().clearDetectionPath();
    EXPECT_EQ(state.lost, 2);
    EXPECT_EQ(state.current, nullptr);
    EXPECT_EQ(state.outline.collapses, 1);
}

TEST(FrameCountingDetails, TwentyPointsOfCornerMovementIsAJump) {
    for (const auto& [shift, lost] : {std::pair{4.99, 0}, std::pair{5.0, 1}}) {
        State state;
        for (int i = 0; i < 4; ++i) {
            auto steady = page();
            state.counter().didFindRectangle(steady, outlineOf(*steady), automatic, normal);
        }
        // Each of the four corners moves `shift` points.
        auto moved = page(shift);
        state.counter().didFindRectangle(moved, outlineOf(*moved), automatic, normal);
        EXPECT_EQ(state.lost, lost) << "corners moved " << shift;
    }
}

}  // namespace
}  // namespace quorvel
