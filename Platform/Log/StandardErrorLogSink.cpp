#include "Platform/Log/StandardErrorLogSink.h"

#include "Platform/Log/PrintableText.h"

namespace quorvel::platform {

StandardErrorLogSink::StandardErrorLogSink(std::FILE* stream) : stream_(stream) {}

void StandardErrorLogSink::write(const LogRecord& record) {
    const std::string line = formatLine(record) + '\n';
    // One call per line, so lines from several processes sharing the stream do not interleave.
    std::fwrite(line.data(), 1, line.size(), stream_);
    std::fflush(stream_);
}

std::string StandardErrorLogSink::formatLine(const LogRecord& record) {
    std::string line;
    line.reserve(record.subsystem.size() + record.category.size() + record.message.size() + 12);
    line += '[';
    line += logLevelName(record.level);
    line += "] ";
    line += record.subsystem;
    line += '/';
    line += record.category;
    line += ": ";
    // A message is one line: a name it quotes cannot start another.
    line += printableText(record.message);
    return line;
}

}  // namespace quorvel::platform
