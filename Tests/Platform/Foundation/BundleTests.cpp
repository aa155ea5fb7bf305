#include <dlfcn.h>
#include <errno.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/Data.h"
#include "Support/TemporaryBundle.h"

using platform::Bundle;
using platform::Data;
using quorvel::testsupport::TemporaryBundle;
namespace fs = std::filesystem;

namespace {

// Puts the process-wide bundle overrides back after each test.
class BundleTest : public ::testing::Test {
  protected:
    void TearDown() override {
        Bundle::setMain(nullptr);
        Bundle::setFrameworkOverride(nullptr);
    }
};

int functionInThisProgram() {
    return 1;
}

TEST_F(BundleTest, AtPathNeedsAnExistingDirectory) {
    TemporaryBundle scratch;
    const auto file = scratch.write("file.txt", "x");
    EXPECT_EQ(Bundle::atPath(scratch.path() / "missing"), nullptr);
    EXPECT_EQ(Bundle::atPath(file), nullptr);
    EXPECT_EQ(Bundle::atPath(""), nullptr);
    ASSERT_NE(Bundle::atPath(scratch.path()), nullptr);
    EXPECT_EQ(Bundle::atPath(scratch.path())->bundlePath(), scratch.path());
}

TEST_F(BundleTest, AtPathNormalizesThePath) {
    TemporaryBundle scratch;
    scratch.makeDirectory("sub");
    const auto viaParent = Bundle::atPath(scratch.path() / "sub" / ".." / ".");
    ASSERT_NE(viaParent, nullptr);
    EXPECT_EQ(viaParent->bundlePath(), scratch.path());
    const auto trailingSlash = Bundle::atPath(scratch.path().string() + "/");
    ASSERT_NE(trailingSlash, nullptr);
    EXPECT_EQ(trailingSlash->bundlePath(), scratch.path());
}

TEST_F(BundleTest, TheSameDirectoryGivesTheSameObjectWhileItLives) {
    TemporaryBundle scratch;
    const auto first = Bundle::atPath(scratch.path());
    EXPECT_EQ(Bundle::atPath(scratch.path().string() + "/"), first);
    EXPECT_EQ(scratch.bundle(), first);
}

TEST_F(BundleTest, FindsResourcesByNameAndType) {
    TemporaryBundle scratch;
    const auto plist = scratch.writePropertyList("QuorvelConfiguration.plist", "<dict/>");
    const auto bare = scratch.write("README", "text");
    const auto nested = scratch.write("Fonts/Body.ttf", "font");
    const auto bundle = scratch.bundle();

    EXPECT_EQ(bundle->pathForResource("QuorvelConfiguration", "plist"), plist);
    EXPECT_EQ(bundle->pathForResource("QuorvelConfiguration", ".plist"), plist);
    EXPECT_EQ(bundle->pathForResource("README", ""), bare);
    EXPECT_EQ(bundle->pathForResource("Fonts/Body", "ttf"), nested);

    EXPECT_FALSE(bundle->pathForResource("QuorvelConfiguration", "json"));
    EXPECT_FALSE(bundle->pathForResource("quorvelconfiguration", "plist"));
    EXPECT_FALSE(bundle->pathForResource("QuorvelConfiguration", ""));
    EXPECT_FALSE(bundle->pathForResource("", "plist"));
}

TEST_F(BundleTest, NeverLooksOutsideTheBundle) {
    TemporaryBundle outer("Outer");
    outer.write("secret.txt", "outside");
    outer.makeDirectory("Inner.bundle");
    const auto inner = Bundle::atPath(outer.path() / "Inner.bundle");
    ASSERT_NE(inner, nullptr);
    EXPECT_FALSE(inner->pathForResource("../secret", "txt"));
    EXPECT_FALSE(inner->pathForResource((outer.path() / "secret").string(), "txt"));
    EXPECT_FALSE(inner->pathForResource("secret", "/../txt"));
}

TEST_F(BundleTest, FindsResourceBundleDirectories) {
    TemporaryBundle framework("Framework");
    const auto resources = framework.makeDirectory("QuorvelCaptureResources.bundle");
    const auto bundle = framework.bundle();

    const auto url = bundle->urlForResource("QuorvelCaptureResources", "bundle");
    ASSERT_TRUE(url);
    EXPECT_EQ(*url, resources);
    EXPECT_FALSE(bundle->urlForResource("OtherResources", "bundle"));
    ASSERT_NE(Bundle::atPath(*url), nullptr);
}

TEST_F(BundleTest, LocalizedStringFromTheDefaultAndNamedTables) {
    TemporaryBundle scratch;
    scratch.write("Localizable.strings", "\"done\" = \"Done\";\n\"cancel\" = \"Cancel\";\n");
    scratch.write("Accessibility.strings", "\"done\" = \"Finish capturing\";\n");
    const auto bundle = scratch.bundle();

    EXPECT_EQ(bundle->localizedString("done"), "Done");
    EXPECT_EQ(bundle->localizedString("done", ""), "Done");
    EXPECT_EQ(bundle->localizedString("done", "Accessibility"), "Finish capturing");
    EXPECT_EQ(bundle->localizedString("cancel", "Accessibility"), "cancel");
}

TEST_F(BundleTest, LocalizedStringMissReturnsTheKey) {
    TemporaryBundle scratch;
    const auto bundle = scratch.bundle();
    EXPECT_EQ(bundle->localizedString("preview-header"), "preview-header");
    EXPECT_EQ(bundle->localizedString(""), "");
    EXPECT_EQ(bundle->localizedString("x", "NoSuchTable"), "x");
}

TEST_F(BundleTest, LocalizationTablesAreReadOnce) {
    TemporaryBundle scratch;
    scratch.write("Localizable.strings", "\"k\" = \"first\";");
    const auto bundle = scratch.bundle();
    EXPECT_EQ(bundle->localizedString("k"), "first");
    EXPECT_EQ(bundle->localizedString("other", "Late"), "other");

    scratch.write("Localizable.strings", "\"k\" = \"second\";");
    scratch.write("Late.strings", "\"other\" = \"found\";");
    EXPECT_EQ(bundle->localizedString("k"), "first");
    EXPECT_EQ(bundle->localizedString("other", "Late"), "other");
}

TEST_F(BundleTest, LocalizedStringIsSafeFromManyThreads) {
    TemporaryBundle scratch;
    std::string table;
    for (int i = 0; i < 50; ++i) {
        table += "\"key" + std::to_string(i) + "\" = \"value" + std::to_string(i) + "\";\n";
    }
    scratch.write("Localizable.strings", table);
    const auto bundle = scratch.bundle();

    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                const int n = (i + t * 13) % 50;
                if (bundle->localizedString("key" + std::to_string(n)) !=
                    "value" + std::to_string(n)) {
                    ++mismatches;
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

TEST_F(BundleTest, MainIsTheExecutablesDirectoryUnlessSet) {
    const auto main = Bundle::main();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(fs::exists(main->bundlePath() / program_invocation_short_name));
    EXPECT_EQ(Bundle::main(), main);

    TemporaryBundle scratch;
    Bundle::setMain(scratch.bundle());
    EXPECT_EQ(Bundle::main()->bundlePath(), scratch.path());

    Bundle::setMain(nullptr);
    EXPECT_EQ(Bundle::main(), main);
}

TEST_F(BundleTest, ContainingFindsTheDirectoryOfASharedLibrary) {
    void* library = dlopen("libm.so.6", RTLD_NOW);
    ASSERT_NE(library, nullptr) << dlerror();
    const void* address = dlsym(library, "cos");
    ASSERT_NE(address, nullptr);

    const auto bundle = Bundle::containing(address);
    ASSERT_NE(bundle, nullptr);
    EXPECT_NE(bundle, Bundle::main());
    EXPECT_TRUE(fs::exists(bundle->bundlePath() / "libm.so.6")) << bundle->bundlePath();
    dlclose(library);
}

TEST_F(BundleTest, ContainingAnswersMainForTheExecutableAndForNoAddress) {
    TemporaryBundle scratch;
    Bundle::setMain(scratch.bundle());
    EXPECT_EQ(Bundle::containing(reinterpret_cast<const void*>(&functionInThisProgram)),
              Bundle::main());
    EXPECT_EQ(Bundle::containing(nullptr), Bundle::main());
    int onTheStack = 0;
    EXPECT_EQ(Bundle::containing(&onTheStack), Bundle::main());
}

TEST_F(BundleTest, FrameworkOverrideAnswersForEveryAddress) {
    TemporaryBundle framework("Framework");
    Bundle::setFrameworkOverride(framework.bundle());
    void* library = dlopen("libm.so.6", RTLD_NOW);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(Bundle::containing(dlsym(library, "cos"))->bundlePath(), framework.path());
    EXPECT_EQ(Bundle::containing(nullptr)->bundlePath(), framework.path());
    dlclose(library);

    Bundle::setFrameworkOverride(nullptr);
    EXPECT_EQ(Bundle::containing(nullptr), Bundle::main());
}

TEST(ReadFile, ReadsTheWholeFileByteForByte) {
    TemporaryBundle scratch;
    Data bytes;
    for (int i = 0; i < 200000; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 7));
    bytes[10] = 0;
    const auto path = scratch.write("blob.bin", bytes);
    EXPECT_EQ(platform::readFile(path), bytes);
}

TEST(ReadFile, AnEmptyFileIsEmptyData) {
    TemporaryBundle scratch;
    const auto data = platform::readFile(scratch.write("empty", ""));
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->empty());
}

TEST(ReadFile, FailsForMissingPathsAndDirectories) {
    TemporaryBundle scratch;
    EXPECT_FALSE(platform::readFile(scratch.path() / "missing"));
    EXPECT_FALSE(platform::readFile(scratch.path()));
    EXPECT_FALSE(platform::readFile(""));
}

TEST(ReadFile, ReadsFilesThatReportNoSize) {
    const auto status = platform::readFile("/proc/self/status");
    ASSERT_TRUE(status);
    EXPECT_FALSE(status->empty());
}

}  // namespace
