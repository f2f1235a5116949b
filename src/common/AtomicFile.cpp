#include "common/AtomicFile.h"

#include "common/Errors.h"
#include "common/FileKind.h"
#include "common/TempFileCleanup.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace trx {
namespace {

// Links followed before the target counts as a loop, as the system does.
constexpr int kMostLinks = 40;

// The process's umask without changing it: setting and restoring it around
// each save raced between the converter's jobs.
mode_t ReadUmask() {
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status) != nullptr)
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found)
            return static_cast<mode_t>(mask);
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Read once, before main, while the program has a single thread.
const mode_t gCreationMask = ReadUmask();

// Removes the temporary file unless the write completed.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string name)
        : name_(std::move(name))
        , registration_(name_.c_str()) {}
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

private:
    RegisteredTempFile registration_;
};

[[noreturn]] void Fail(int code, const std::string& path) {
    throw SystemError(code, path);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a save to path replaces: path itself, or the file its chain of
// symbolic links ends at, which need not exist yet. Sets existing when that
// file exists.
std::string ResolveLinks(const std::string& path, std::optional<struct stat>& existing) {
    std::string target = path;
    for (int links = 0;; ++links) {
        struct stat status {};
        if (::lstat(target.c_str(), &status) != 0) {
            if (errno != ENOENT)
                Fail(errno, path);
            existing.reset();
            return target;
        }
        if (!S_ISLNK(status.st_mode)) {
            existing = status;
            return target;
        }
        if (links == kMostLinks)
            Fail(ELOOP, path);
        char link[PATH_MAX];
        const ssize_t length = ::readlink(target.c_str(), link, sizeof link);
        if (length < 0)
            Fail(errno, path);
        if (static_cast<std::size_t>(length) == sizeof link)
            Fail(ENAMETOOLONG, path);
        const std::string text(link, static_cast<std::size_t>(length));
        target = text.starts_with('/') ? text : FolderOf(target) + "/" + text;
    }
}

void SyncFolder(const std::string& folder, const std::string& path) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        Fail(errno, path);
    const int result = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    // Some file systems cannot sync a folder at all; that is no failure.
    if (result != 0 && error != EINVAL)
        Fail(error, path);
}

} // namespace

void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::optional<struct stat> existing;
    const std::string target = ResolveLinks(path, existing);
    if (existing) {
        // Renaming over a device, a pipe or a socket would replace the node
        // itself, not write to it.
        if (S_ISDIR(existing->st_mode))
            Fail(EISDIR, path);
        if (const char* kind = NonRegularFileKind(existing->st_mode))
            throw TremolundrixError(path + " is " + kind + ", not a regular file", path);
    }

    std::vector<char> pattern(target.begin(), target.end());
    const std::string suffix = ".tmp-XXXXXX";
    pattern.insert(pattern.end(), suffix.begin(), suffix.end());
    pattern.push_back('\0');

    std::optional<TemporaryFile> temp;
    {
        // A signal between the creation and the registration would leave
        // the file behind.
        const CleanupSignalsBlocked blocked;
        const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0)
            Fail(errno, path);
        temp.emplace(pattern.data());
        temp->fd_ = fd;
    }

    // mkstemp creates the file private to the user; give it the mode the
    // target has, or the usual mode of a new file.
    const mode_t mode = existing ? (existing->st_mode & 07777) : (0666 & ~gCreationMask);
    if (::fchmod(temp->fd_, mode) != 0)
        Fail(errno, path);

    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(temp->fd_, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno, path);
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(temp->fd_) != 0)
        Fail(errno, path);
    const int fd = temp->fd_;
    temp->fd_ = -1;
    if (::close(fd) != 0)
        Fail(errno, path);
    if (::rename(temp->name_.c_str(), target.c_str()) != 0)
        Fail(errno, path);
    temp->kept_ = true;
    // The rename itself reaches the disk only with its folder.
    SyncFolder(FolderOf(target), path);
}

} // namespace trx
