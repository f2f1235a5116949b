#include "cli/CommandLineTool.h"
#include "common/TempFileCleanup.h"

#include <exception>
#include <iostream>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    trx::InstallTempFileCleanup();
    const std::vector<std::string> args(argv + 1, argv + argc);
    trx::ConsoleStreams console{std::cout, std::cerr};
    console.ErrIsTerminal = ::isatty(STDERR_FILENO) == 1;
    winsize size{};
    if (console.ErrIsTerminal && ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        console.Columns = size.ws_col;
    try {
        return trx::RunCommandLine(args, console);
    } catch (const std::exception& e) {
        std::cerr << "tremolundrix-cli: " << e.what() << '\n';
        return trx::kExitFileFailed;
    }
}
