#include <dlfcn.h>
#include <errno.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/FileContents.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Support/BlockingReads.h"
#include "Support/TemporaryBundle.h"

using quorvel::platform::Bundle;
using quorvel::platform::Data;
using quorvel::testsupport::returnsWithoutAWriter;
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
    TemporaryBundle scratch;
};

int functionInThisProgram() {
    return 1;
}

TEST_F(BundleTest, AtPathNeedsAnExistingDirectoryAndSharesOneObjectPerNormalizedPath) {
    const auto file = scratch.write("file.txt", "x");
    scratch.makeDirectory("sub");
    EXPECT_EQ(Bundle::atPath(scratch.path() / "missing"), nullptr);
    EXPECT_EQ(Bundle::atPath(file), nullptr);
    EXPECT_EQ(Bundle::atPath(""), nullptr);
    const auto bundle = Bundle::atPath(scratch.path());
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(bundle->bundlePath(), scratch.path());
    EXPECT_EQ(Bundle::atPath(scratch.path() / "sub" / ".." / "."), bundle);
    EXPECT_EQ(Bundle::atPath(scratch.path().string() + "/"), bundle);
}

TEST_F(BundleTest, FindsResourcesByNameAndTypeOnlyInsideTheBundle) {
    const auto plist = scratch.writePropertyList("QuorvelConfiguration.plist", "<dict/>");
    const auto bare = scratch.write("README", "text");
    const auto nested = scratch.write("Fonts/Body.ttf", "font");
    const auto resources = scratch.makeDirectory("QuorvelCaptureResources.bundle");
    scratch.write("QuorvelCaptureResources.bundle/Inner.txt", "inner");
    const auto bundle = scratch.bundle();

    EXPECT_EQ(bundle->pathForResource("QuorvelConfiguration", "plist"), plist);
    EXPECT_EQ(bundle->pathForResource("QuorvelConfiguration", ".plist"), plist);
    EXPECT_EQ(bundle->pathForResource("README", ""), bare);
    EXPECT_EQ(bundle->pathForResource("Fonts/Body", "ttf"), nested);
    EXPECT_EQ(bundle->urlForResource("QuorvelCaptureResources", "bundle"), resources);
    for (auto [name, type] : {std::pair{"QuorvelConfiguration", "json"},
                              {"quorvelconfiguration", "plist"},
                              {"QuorvelConfiguration", ""},
                              {"", "plist"},
                              {"OtherResources", "bundle"}}) {
        EXPECT_FALSE(bundle->pathForResource(name, type)) << name << "." << type;
    }
    // Nothing outside the bundle, however the name climbs out.
    const auto inner = Bundle::atPath(resources);
    ASSERT_NE(inner, nullptr);
    EXPECT_FALSE(inner->pathForResource("../README", ""));
    EXPECT_FALSE(inner->pathForResource(bare.string(), ""));
    EXPECT_FALSE(inner->pathForResource("README", "/../txt"));
}

TEST_F(BundleTest, LocalizedStringsComeFromTablesReadOnceAndMissesGiveTheKey) {
    scratch.write("Localizable.strings", "\"done\" = \"Done\";\n\"cancel\" = \"Cancel\";\n");
    scratch.write("Accessibility.strings", "\"done\" = \"Finish capturing\";\n");
    const auto bundle = scratch.bundle();
    EXPECT_EQ(bundle->localizedString("done"), "Done");
    EXPECT_EQ(bundle->localizedString("done", ""), "Done");
    EXPECT_EQ(bundle->localizedString("done", "Accessibility"), "Finish capturing");
    EXPECT_EQ(bundle->localizedString("cancel", "Accessibility"), "cancel");
    EXPECT_EQ(bundle->localizedString("preview-header"), "preview-header");
    EXPECT_EQ(bundle->localizedString(""), "");
    EXPECT_EQ(bundle->localizedString("other", "Late"), "other");

    // Tables, missing ones included, are not read again.
    scratch.write("Localizable.strings", "\"done\" = \"second\";");
    scratch.write("Late.strings", "\"other\" = \"found\";");
    EXPECT_EQ(bundle->localizedString("done"), "Done");
    EXPECT_EQ(bundle->localizedString("other", "Late"), "other");
}

TEST_F(BundleTest, LocalizedStringIsSafeFromManyThreads) {
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
                const auto n = std::to_string((i + t * 13) % 50);
                if (bundle->localizedString("key" + n) != "value" + n) ++mismatches;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

TEST_F(BundleTest, MainIsTheExecutablesDirectoryUnlessSetAndAnswersForNonLibraryAddresses) {
    const auto main = Bundle::main();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(fs::exists(main->bundlePath() / program_invocation_short_name));
    EXPECT_EQ(Bundle::main(), main);

    Bundle::setMain(scratch.bundle());
    EXPECT_EQ(Bundle::main()->bundlePath(), scratch.path());
    int onTheStack = 0;
    for (const void* address :
         {reinterpret_cast<const void*>(&functionInThisProgram), static_cast<const void*>(nullptr),
          static_cast<const void*>(&onTheStack)}) {
        EXPECT_EQ(Bundle::containing(address), Bundle::main());
    }
    Bundle::setMain(nullptr);
    EXPECT_EQ(Bundle::main(), main);
}

TEST_F(BundleTest, ContainingFindsASharedLibrarysDirectoryUnlessOverridden) {
    void* library = dlopen("libm.so.6", RTLD_NOW);
    ASSERT_NE(library, nullptr) << dlerror();
    const void* cosine = dlsym(library, "cos");
    const auto bundle = Bundle::containing(cosine);
    ASSERT_NE(bundle, nullptr);
    EXPECT_NE(bundle, Bundle::main());
    EXPECT_TRUE(fs::exists(bundle->bundlePath() / "libm.so.6")) << bundle->bundlePath();

    Bundle::setFrameworkOverride(scratch.bundle());
    EXPECT_EQ(Bundle::containing(cosine)->bundlePath(), scratch.path());
    EXPECT_EQ(Bundle::containing(nullptr)->bundlePath(), scratch.path());
    Bundle::setFrameworkOverride(nullptr);
    EXPECT_EQ(Bundle::containing(nullptr), Bundle::main());
    dlclose(library);
}

TEST(ReadFile, ReadsWholeRegularFilesByteForByteAndNothingElse) {
    TemporaryBundle scratch;
    Data bytes;
    for (int i = 0; i < 200000; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 7));
    EXPECT_EQ(quorvel::platform::readFile(scratch.write("blob.bin", bytes)), bytes);
    EXPECT_EQ(quorvel::platform::readFile(scratch.write("empty", "")), Data{});
    // Files that report no size are read to their end.
    const auto status = quorvel::platform::readFile("/proc/self/status");
    ASSERT_TRUE(status);
    EXPECT_FALSE(status->empty());
    EXPECT_FALSE(quorvel::platform::readFile(scratch.path() / "missing"));
    EXPECT_FALSE(quorvel::platform::readFile(scratch.path()));
    EXPECT_FALSE(quorvel::platform::readFile(""));
}

TEST(ReadFile, FifoIsNotAFileAndIsNeverWaitedFor) {
    TemporaryBundle scratch;
    const auto fifo = scratch.makeFifo("pipe");
    std::optional<Data> read = Data{1};
    EXPECT_TRUE(returnsWithoutAWriter(fifo, [&] { read = quorvel::platform::readFile(fifo); }));
    EXPECT_FALSE(read);
}

TEST(ReadFile, FileOverALimitIsRefusedFromItsSizeAndEveryFailureSaysWhy) {
    using quorvel::platform::FileContents;
    TemporaryBundle scratch;
    // Three gigabytes that take no room on the disk: read, they would take all that memory.
    const auto huge = scratch.write("huge.plist", "");
    fs::resize_file(huge, std::uintmax_t{3} << 30);
    const auto refused = FileContents::read(huge, 1 << 20);
    EXPECT_FALSE(refused.bytes);
    EXPECT_EQ(refused.failure, FileContents::Failure::tooLarge);
    EXPECT_EQ(refused.reason, "it holds 3221225472 bytes, more than the 1048576 allowed");

    const auto small = scratch.write("small", "12345");
    EXPECT_EQ(FileContents::read(small, 5).bytes, (Data{'1', '2', '3', '4', '5'}));
    EXPECT_EQ(FileContents::read(small, 4).failure, FileContents::Failure::tooLarge);
    // Files that report no size are still held to the limit while they are read.
    EXPECT_EQ(FileContents::read("/proc/self/maps", 16).failure, FileContents::Failure::tooLarge);

    const auto directory = FileContents::read(scratch.path(), 1 << 20);
    EXPECT_EQ(directory.failure, FileContents::Failure::notRegularFile);
    EXPECT_EQ(directory.reason, "it is a directory");
    const auto fifo = scratch.makeFifo("pipe");
    EXPECT_EQ(FileContents::read(fifo, 1 << 20).reason, "it is not a regular file");
    EXPECT_EQ(FileContents::read(scratch.path() / "missing", 1 << 20).failure,
              FileContents::Failure::missing);
}

TEST_F(BundleTest, StringsTableThatCannotBeReadIsSkippedWithOneLogLine) {
    const auto table = scratch.makeDirectory("Localizable.strings");
    const auto bundle = scratch.bundle();
    quorvel::platform::ScopedLogCapture log;
    EXPECT_EQ(bundle->localizedString("title"), "title");
    EXPECT_EQ(bundle->localizedString("other"), "other");
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{table.string() +
                                       " could not be read: it is a directory; its texts are not "
                                       "used"});
}

TEST_F(BundleTest, StringsTableThatIsAFifoCountsAsMissing) {
    const auto fifo = scratch.makeFifo("Localizable.strings");
    const auto bundle = scratch.bundle();
    std::string text;
    EXPECT_TRUE(returnsWithoutAWriter(fifo, [&] { text = bundle->localizedString("title"); }));
    EXPECT_EQ(text, "title");
}

}  // namespace
