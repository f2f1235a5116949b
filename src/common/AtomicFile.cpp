#include "common/AtomicFile.h"

#include "common/Errors.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace trx {
namespace {

// Removes the temporary file unless the write completed.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string name)
        : name_(std::move(name)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!kept_)
            ::unlink(name_.c_str());
    }
    int fd_ = -1;
    bool kept_ = false;
    std::string name_;
};

[[noreturn]] void Fail(int code, const std::string& path) {
    throw SystemError(code, path);
}

} // namespace

void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::vector<char> pattern(path.begin(), path.end());
    const std::string suffix = ".tmp-XXXXXX";
    pattern.insert(pattern.end(), suffix.begin(), suffix.end());
    pattern.push_back('\0');

    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        Fail(errno, path);
    TemporaryFile temp(pattern.data());
    temp.fd_ = fd;

    // mkstemp creates the file private to the user; give it the mode the
    // target has, or the usual mode of a new file.
    struct stat existing {};
    mode_t mode;
    if (::stat(path.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0)
        Fail(errno, path);

    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno, path);
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0)
        Fail(errno, path);
    temp.fd_ = -1;
    if (::close(fd) != 0)
        Fail(errno, path);
    if (::rename(temp.name_.c_str(), path.c_str()) != 0)
        Fail(errno, path);
    temp.kept_ = true;
}

} // namespace trx
