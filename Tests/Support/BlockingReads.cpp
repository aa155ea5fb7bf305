#include "Support/BlockingReads.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>

namespace quorvel::testsupport {

bool returnsWithoutAWriter(const std::filesystem::path& fifo, const std::function<void()>& read) {
    using namespace std::chrono_literals;
    std::promise<void> returned;
    auto done = returned.get_future();
    std::thread reader([&] {
        read();
        returned.set_value();
    });
    // Only guards against a hang: a reader that never waits for a writer returns at once.
    const bool answer = done.wait_for(60s) == std::future_status::ready;
    while (done.wait_for(10ms) != std::future_status::ready) {
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer >= 0) ::close(writer);
    }
    reader.join();
    return answer;
}

}  // namespace quorvel::testsupport
