#pragma once

// Runs the real tremolundrix-cli with arguments and collects what it printed.

#include "support/TestWav.h"

#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace trx::test {

struct CliRun {
    int ExitCode = -1;
    int Signal = 0;
    std::string Out;
    std::string Err;
};

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A started tremolundrix-cli whose output goes to files.
class CliProcess {
public:
    // workingDir: where the program runs; empty for the test's own.
    explicit CliProcess(const std::vector<std::string>& args, const std::string& workingDir = {}) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, outPath_.c_str(), O_WRONLY | O_CREAT, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, errPath_.c_str(), O_WRONLY | O_CREAT, 0600);
        if (!workingDir.empty())
            posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str());

        std::vector<std::string> all{TREMOLUNDRIX_CLI_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, TREMOLUNDRIX_CLI_PATH, &actions, nullptr, argv.data(), environ) != 0)
            pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
    }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;
    ~CliProcess() { (void)Wait(); }

    [[nodiscard]] pid_t Pid() const { return pid_; }

    // Waits for the end; ExitCode stays -1 when a signal ended it, which
    // Signal then names.
    CliRun Wait() {
        if (pid_ > 0) {
            int status = 0;
            if (waitpid(pid_, &status, 0) == pid_) {
                if (WIFEXITED(status))
                    run_.ExitCode = WEXITSTATUS(status);
                else if (WIFSIGNALED(status))
                    run_.Signal = WTERMSIG(status);
            }
            pid_ = 0;
            run_.Out = ReadText(outPath_);
            run_.Err = ReadText(errPath_);
        }
        return run_;
    }

private:
    TempDir capture_;
    std::string outPath_ = capture_.File("stdout");
    std::string errPath_ = capture_.File("stderr");
    pid_t pid_ = 0;
    CliRun run_;
};

inline CliRun RunCli(const std::vector<std::string>& args, const std::string& workingDir = {}) {
    return CliProcess(args, workingDir).Wait();
}

} // namespace trx::test
