#include "audio/MappedFile.h"

#include "common/Errors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace trx {

namespace {

// O_NONBLOCK keeps a FIFO chosen by mistake from blocking the open.
constexpr int kOpenFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;

} // namespace

MappedFile::~MappedFile() {
    (void)Close();
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1))
    , mapped_(std::exchange(other.mapped_, false))
    , data_(std::exchange(other.data_, nullptr))
    , size_(std::exchange(other.size_, 0))
    , mode_(std::exchange(other.mode_, 0)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        (void)Close();
        descriptor_ = std::exchange(other.descriptor_, -1);
        mapped_ = std::exchange(other.mapped_, false);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mode_ = std::exchange(other.mode_, 0);
    }
    return *this;
}

std::uint64_t MappedFile::SizeOfFile(const std::string& path) {
    const int descriptor = ::open(path.c_str(), kOpenFlags);
    if (descriptor < 0)
        throw SystemError(errno, path);
    struct stat status {};
    const int result = ::fstat(descriptor, &status);
    const int error = errno;
    ::close(descriptor);
    if (result != 0)
        throw SystemError(error, path);
    return static_cast<std::uint64_t>(status.st_size);
}

int MappedFile::Open(const std::string& path) {
    (void)Close();
    descriptor_ = ::open(path.c_str(), kOpenFlags);
    if (descriptor_ < 0)
        return errno;
    return 0;
}

int MappedFile::Map() {
    if (descriptor_ < 0)
        return EBADF;
    struct stat status {};
    // The size is taken from the open descriptor itself, so the mapping never
    // covers bytes the file does not have.
    if (::fstat(descriptor_, &status) != 0)
        return errno;
    mode_ = status.st_mode;
    if (S_ISDIR(status.st_mode))
        return EISDIR;
    if (!S_ISREG(status.st_mode))
        return ENODEV;
    if (status.st_size == 0) {
        data_ = nullptr;
        size_ = 0;
        return 0;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    void* view = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor_, 0);
    if (view == MAP_FAILED)
        return errno;
    ::posix_madvise(view, size, POSIX_MADV_SEQUENTIAL);
    mapped_ = true;
    data_ = static_cast<const std::uint8_t*>(view);
    size_ = size;
    return 0;
}

int MappedFile::Close() {
    int error = 0;
    if (mapped_ && ::munmap(const_cast<std::uint8_t*>(data_), size_) != 0)
        error = errno;
    mapped_ = false;
    data_ = nullptr;
    size_ = 0;
    if (descriptor_ >= 0)
        ::close(descriptor_);
    descriptor_ = -1;
    return error;
}

} // namespace trx
