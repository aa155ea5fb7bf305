#include <gtest/gtest.h>

#include <thread>

#include "Platform/Log/ScopedLogCapture.h"
#include "Source/Configuration/CaptureConfiguration.h"
#include "Source/Configuration/CaptureTheme.h"
#include "Support/TemporaryBundle.h"

namespace quorvel {
namespace {

bool allOn(const CaptureFeatures& f) {
    return f.enableFeedbackToast() && f.enableBlurDetection() && f.enableAutoCapture() &&
           f.enableImageGallery() && f.enableAddPage() && f.enableLongCapture() && f.enableCrop() &&
           f.enableFlash() && f.defaultToAutoCapture();
}

TEST(CaptureFeatures, EverySwitchStartsOnAndInstancesAreIndependent) {
    CaptureFeatures plain;
    EXPECT_TRUE(allOn(plain));
    auto a = CaptureFeatures::getInstance();
    auto b = CaptureFeatures::getInstance();
    ASSERT_NE(a, b);
    a->setEnableFlash(false);
    EXPECT_FALSE(a->enableFlash());
    EXPECT_TRUE(b->enableFlash());
}

TEST(CaptureFeatures, SwitchesCanBeWrittenWhileAnotherThreadReads) {
    auto features = CaptureFeatures::getInstance();
    std::thread reader([&] {
        for (int i = 0; i < 10000; ++i) (void)features->enableBlurDetection();
    });
    for (int i = 0; i < 10000; ++i) features->setEnableBlurDetection(i % 2 == 0);
    reader.join();
    EXPECT_FALSE(features->enableBlurDetection());
}

TEST(CaptureConfiguration, SharesTheHostsFeaturesObject) {
    auto features = CaptureFeatures::getInstance();
    auto configuration = std::make_shared<CaptureConfiguration>(
        std::shared_ptr<quorvel::platform::Bundle>{}, features);
    EXPECT_EQ(configuration->features(), features);
    features->setEnableCrop(false);
    EXPECT_FALSE(configuration->features()->enableCrop());
}

TEST(CaptureConfiguration, BundleInitializerLeavesThemeAbsent) {
    CaptureConfiguration configuration{std::shared_ptr<quorvel::platform::Bundle>{}};
    EXPECT_EQ(configuration.bundle(), nullptr);
    EXPECT_EQ(configuration.theme(), nullptr);
    ASSERT_NE(configuration.features(), nullptr);
    EXPECT_TRUE(allOn(*configuration.features()));
}

TEST(CaptureConfiguration, GetInstanceGivesDistinctDefaultConfigurations) {
    auto a = CaptureConfiguration::getInstance();
    auto b = CaptureConfiguration::getInstance();
    EXPECT_NE(a, b);
    EXPECT_NE(a->features(), b->features());
    EXPECT_EQ(a->bundle(), nullptr);
    EXPECT_EQ(a->theme(), nullptr);
}

TEST(CaptureConfiguration, ThemeInitializerTakesTheThemesBundleAtThatMoment) {
    quorvel::platform::ScopedLogCapture quiet;
    testsupport::TemporaryBundle host;
    auto theme = std::make_shared<CaptureTheme>(host.bundle());
    CaptureConfiguration configuration{theme};
    EXPECT_EQ(configuration.theme(), theme);
    EXPECT_EQ(configuration.bundle(), host.bundle());

    auto noBundle = std::make_shared<CaptureTheme>(std::shared_ptr<quorvel::platform::Bundle>{});
    CaptureConfiguration withoutBundle{noBundle};
    EXPECT_EQ(withoutBundle.bundle(), nullptr);
}

TEST(CaptureConfiguration, NullptrMeansNoBundle) {
    quorvel::platform::ScopedLogCapture quiet;
    auto features = CaptureFeatures::getInstance();
    const auto configuration = std::make_shared<CaptureConfiguration>(nullptr, features);
    EXPECT_EQ(configuration->bundle(), nullptr);
    EXPECT_EQ(configuration->theme(), nullptr);
    EXPECT_EQ(configuration->features(), features);
    const CaptureConfiguration withDefaults{nullptr};
    EXPECT_EQ(withDefaults.bundle(), nullptr);
    EXPECT_NE(withDefaults.features(), nullptr);

    const auto theme = std::make_shared<CaptureTheme>(nullptr);
    EXPECT_EQ(theme->bundle(), nullptr);
    EXPECT_EQ(theme->primaryBrandBackground,
              CaptureTheme(std::shared_ptr<quorvel::platform::Bundle>{}).primaryBrandBackground);
    EXPECT_EQ(DefaultTheme(nullptr).bundle(), nullptr);
}

TEST(CaptureConfigurationDeathTest, MissingFeaturesStopTheProgram) {
    EXPECT_DEATH(CaptureConfiguration(std::shared_ptr<quorvel::platform::Bundle>{},
                                      std::shared_ptr<CaptureFeatures>{}),
                 "CaptureFeatures");
}

}  // namespace
}  // namespace quorvel
