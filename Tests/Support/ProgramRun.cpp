#include "Support/ProgramRun.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace quorvel::testsupport {

namespace {

std::string contents(std::FILE* file) {
    std::string text;
    std::rewind(file);
    char buffer[4096];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, count);
    return text;
}

}  // namespace

std::filesystem::path builtProgram(std::string_view name) {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    const auto program = self.parent_path() / std::string(name);
    return std::filesystem::is_regular_file(program, error) ? program : std::filesystem::path();
}

ProgramRun runProgram(const std::filesystem::path& program,
                      const std::vector<std::string>& arguments) {
    ProgramRun run;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    if (!out || !err) {
        if (out) std::fclose(out);
        if (err) std::fclose(err);
        throw std::system_error(errno, std::generic_category(), "cannot make output files");
    }
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int nothing = ::open("/dev/null", O_RDONLY);
        if (nothing < 0 || ::dup2(nothing, 0) < 0 || ::dup2(::fileno(out), 1) < 0 ||
            ::dup2(::fileno(err), 2) < 0) {
            ::_exit(127);
        }
        ::alarm(20 * 60);  // Kept across exec: a hung program is ended.
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (child < 0) {
        std::fclose(out);
        std::fclose(err);
        throw std::system_error(errno, std::generic_category(), "cannot start " + words[0]);
    }
    int status = 0;
    struct rusage usage {};
    while (::wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.peakResidentKilobytes = usage.ru_maxrss;
    run.exited = WIFEXITED(status);
    run.exitCode = run.exited ? WEXITSTATUS(status) : -1;
    run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    run.out = contents(out);
    run.err = contents(err);
    std::fclose(out);
    std::fclose(err);
    return run;
}

}  // namespace quorvel::testsupport
