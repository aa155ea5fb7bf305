#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Source/Configuration/ImageLookup.h"
#include "Source/Configuration/LocalizedText.h"
#include "Source/Configuration/ResourceBundle.h"

namespace quorvel {
namespace {

// Every key the camera, preview and crop screens look up, with the arguments each passes.
struct ScreenKey {
    const char* key;
    std::vector<TextArgument> arguments;
};

std::vector<ScreenKey> screenKeys() {
    const TextArgument text = std::string("1");
    std::vector<ScreenKey> keys;
    for (const char* key : {"auto-capture-button-on",
                            "auto-capture-button-off",
                            "auto-capture-button-disabled",
                            "auto-capture-on",
                            "auto-capture-off",
                            "auto-capture-disabled",
                            "auto-capture-button-hint",
                            "flash-on",
                            "flash-off",
                            "change-camera-flash-mode",
                            "camera-preview-label",
                            "capture-detection-announcement",
                            "photo-gallery",
                            "photo-picker-hint",
                            "capture-button-label",
                            "capture-button-hint",
                            "normal-capture-button",
                            "normal-capture-button-selected",
                            "normal-capture-button-hint",
                            "normal-capture-button-title",
                            "long-capture-button",
                            "long-capture-button-selected",
                            "long-capture-button-hint",
                            "long-capture-button-title",
                            "long-capture-button-short-title",
                            "camera-permission-message",
                            "camera-permission-button-title",
                            "capture-capturing-announcement",
                            "button-add-page",
                            "retake",
                            "crop",
                            "image-preview-done-button-title",
                            "image-preview-done-button-hint",
                            "image-preview-next-button-title",
                            "image-preview-next-button-hint",
                            "back",
                            "close",
                            "goes-back",
                            "capture-preview-next-page-button-label",
                            "capture-preview-next-page-button-disabled-label",
                            "capture-preview-next-page-button-hint",
                            "capture-preview-previous-page-button-label",
                            "capture-preview-previous-page-button-disabled-label",
                            "capture-preview-next-previous-button-hint",
                            "blur-error-title",
                            "blur-error-message",
                            "blur-error-retake",
                            "blur-error-keep",
                            "discard-image-alert-message",
                            "discard-image-alert-confirm",
                            "discard-image-alert-cancel",
                            "crop-button-cancel",
                            "crop-button-done"}) {
        keys.push_back({key, {}});
    }
    keys.push_back({"previous-page-button-title", {text}});
    keys.push_back({"long-capture-toast", {1, 2}});
    keys.push_back({"preview-header", {text, text}});
    keys.push_back({"image-preview-headline", {1, 2}});
    keys.push_back({"capture-preview-current-selected-page", {1, 2}});
    return keys;
}

TEST(FrameworkTexts, HoldEveryScreenKeyWithPlaceholdersMatchingItsArguments) {
    const auto resources = ResourceBundle::resources();
    const auto table =
        platform::StringsTable::read(resources->bundlePath() / "Localizable.strings");
    ASSERT_TRUE(table);
    const auto keys = screenKeys();
    EXPECT_EQ(keys.size(), 58u);
    for (const auto& [key, arguments] : keys) {
        SCOPED_TRACE(key);
        const auto text = table->lookup(key);
        ASSERT_TRUE(text);
        EXPECT_FALSE(text->empty());
        EXPECT_NE(*text, key);
        EXPECT_EQ(LocalizedText::argumentCount(*text), arguments.size());
        EXPECT_TRUE(LocalizedText::formatSafely(*text, arguments));
        // Texts shown as they are carry no percent sign that a formatter could take for a
        // placeholder.
        if (arguments.empty()) {
            EXPECT_EQ(text->find('%'), std::string::npos);
        }
    }
    EXPECT_EQ(table->size(), keys.size()) << "the table holds texts no screen uses";
}

TEST(FrameworkIcons, EveryScreenIconIsFoundAtThreeTimesItsPointSize) {
    const auto resources = ResourceBundle::resources();
    for (const char* name :
         {"capture-auto-on", "capture-auto-off", "capture-back", "capture-close",
          "capture-flash-on", "capture-flash-off", "capture-gallery", "capture-previous",
          "capture-next", "capture-add-page", "capture-retake", "capture-crop"}) {
        SCOPED_TRACE(name);
        const auto image = ImageLookup::fetchImageFromBundle(*resources, name);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->scale(), 3);
        EXPECT_EQ(image->size(), (platform::Size{30, 30}));
        EXPECT_EQ(image->bitmap()->width(), 90);
    }
    const auto shutter = ImageLookup::fetchImageFromBundle(*resources, "capture-button");
    ASSERT_NE(shutter, nullptr);
    EXPECT_EQ(shutter->size(), (platform::Size{72, 72}));
}

}  // namespace
}  // namespace quorvel
