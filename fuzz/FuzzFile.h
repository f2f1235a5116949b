#pragma once

// An in-memory file with a path the readers can open.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace trx::fuzz {

class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size)
        : descriptor_(::memfd_create("trx_fuzz", MFD_CLOEXEC)) {
        if (descriptor_ < 0)
            std::abort();
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(descriptor_, data + done, size - done);
            if (n <= 0)
                std::abort();
            done += static_cast<std::size_t>(n);
        }
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    ~MemoryFile() { ::close(descriptor_); }
    [[nodiscard]] std::string Path() const {
        return "/proc/self/fd/" + std::to_string(descriptor_);
    }

private:
    int descriptor_;
};

} // namespace trx::fuzz
