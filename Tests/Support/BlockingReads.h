#pragma once

#include <filesystem>
#include <functional>

namespace quorvel::testsupport {

// Whether `read`, run on a thread of its own, returns although nobody ever writes to the FIFO at
// `fifo`. A reader that waits for a writer is let go after a wait that no correct reader comes
// near (the FIFO is then opened for writing and closed again until the reader returns), and
// the answer is false.
bool returnsWithoutAWriter(const std::filesystem::path& fifo, const std::function<void()>& read);

}  // namespace quorvel::testsupport
