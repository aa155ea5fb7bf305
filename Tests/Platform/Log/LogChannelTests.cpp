#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Log/CapturingLogSink.h"
#include "Platform/Log/Log.h"
#include "Platform/Log/LogChannel.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Platform/Log/StandardErrorLogSink.h"

namespace quorvel::platform {
namespace {

const LogChannel& captureChannel() {
    static const LogChannel channel("com.quorvelhq.capture", "capture");
    return channel;
}

TEST(LogChannelTest, WritesFormattedRecordsWithItsSubsystemAndCategory) {
    ScopedLogCapture capture;
    const LogChannel themes("com.quorvelhq.capture", "quorvelthemes");
    themes.info("%s.plist was not found. If this is unexpected, verify a provided bundle",
                "QuorvelConfiguration");
    captureChannel().error("Received an error capturing image: %s", std::string("busy"));

    const std::vector<LogRecord> expected{
        {LogLevel::info, "com.quorvelhq.capture", "quorvelthemes",
         "QuorvelConfiguration.plist was not found. If this is unexpected, verify a provided "
         "bundle"},
        {LogLevel::error, "com.quorvelhq.capture", "capture",
         "Received an error capturing image: busy"},
    };
    EXPECT_EQ(capture.records(), expected);
    EXPECT_EQ(capture.messages()[1], "Received an error capturing image: busy");
}

TEST(LogChannelTest, CaptureCanBeCleared) {
    ScopedLogCapture capture;
    captureChannel().info("one");
    capture.clear();
    captureChannel().info("two");
    EXPECT_EQ(capture.messages(), (std::vector<std::string>{"two"}));
}

TEST(LogChannelTest, ScopedCapturesRestoreThePreviousSink) {
    const std::shared_ptr<LogSink> original = Log::sink();
    {
        ScopedLogCapture outer;
        {
            ScopedLogCapture inner;
            captureChannel().info("inner");
            EXPECT_EQ(inner.messages(), (std::vector<std::string>{"inner"}));
        }
        captureChannel().info("outer");
        EXPECT_EQ(outer.messages(), (std::vector<std::string>{"outer"}));
    }
    EXPECT_EQ(Log::sink(), original);
}

TEST(LogChannelTest, DefaultSinkWritesToStandardError) {
    EXPECT_NE(dynamic_cast<StandardErrorLogSink*>(Log::sink().get()), nullptr);
    auto previous = Log::setSink(std::make_shared<CapturingLogSink>());
    Log::setSink(nullptr);
    EXPECT_NE(dynamic_cast<StandardErrorLogSink*>(Log::sink().get()), nullptr);
    Log::setSink(previous);
}

TEST(StandardErrorLogSinkTest, WritesOneLinePerRecord) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    StandardErrorLogSink sink(file);
    sink.write(
        {LogLevel::info, "com.quorvelhq.capture", "capture", "Dismiss and return 2 image(s)"});
    sink.write({LogLevel::error, "com.quorvelhq.capture", "quorvelthemes", "broken"});
    // A name the message quotes cannot start a line of its own.
    sink.write({LogLevel::error, "com.quorvelhq.capture", "capture",
                "cannot read odd.txt\n[info] com.quorvelhq.capture/capture: forged"});

    std::rewind(file);
    std::string contents;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, file) != nullptr) {
        contents += buffer;
    }
    std::fclose(file);
    EXPECT_EQ(contents,
              "[info] com.quorvelhq.capture/capture: Dismiss and return 2 image(s)\n"
              "[error] com.quorvelhq.capture/quorvelthemes: broken\n"
              "[error] com.quorvelhq.capture/capture: cannot read "
              "odd.txt\\n[info] com.quorvelhq.capture/capture: forged\n");
}

// A sink that writes to the log itself while handling a record.
class EchoingSink : public LogSink {
public:
    void write(const LogRecord& record) override {
        records.push_back(record.message);
        if (record.message == "first") {
            captureChannel().info("echo");
        }
    }
    std::vector<std::string> records;
};

TEST(LogChannelTest, ASinkMayWriteToTheLogWhileWriting) {
    auto sink = std::make_shared<EchoingSink>();
    auto previous = Log::setSink(sink);
    captureChannel().info("first");
    Log::setSink(previous);
    EXPECT_EQ(sink->records, (std::vector<std::string>{"first", "echo"}));
}

TEST(LogChannelTest, ConcurrentWritersLoseNothingAndKeepTheirOrder) {
    constexpr int kThreads = 8;
    constexpr int kMessages = 250;
    ScopedLogCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            const LogChannel channel("com.quorvelhq.capture", "thread" + std::to_string(t));
            for (int i = 0; i < kMessages; ++i) {
                channel.error("message %d", i);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }

    const std::vector<LogRecord> records = capture.records();
    ASSERT_EQ(records.size(), static_cast<std::size_t>(kThreads * kMessages));
    std::vector<int> next(kThreads, 0);
    for (const auto& record : records) {
        const int thread = std::stoi(record.category.substr(6));
        EXPECT_EQ(record.message, "message " + std::to_string(next[thread]));
        ++next[thread];
    }
}

}  // namespace
}  // namespace quorvel::platform
