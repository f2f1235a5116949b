#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace trx {

// A whole file mapped read-only. Opening and mapping are separate steps so the
// caller can tell which failed; both report the errno of the failing call.
// The mapping and the descriptor stay until Close or destruction.
class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;

    // The size in bytes of the file at path, opened and closed again for it.
    // Throws SystemError when the file cannot be opened or examined.
    [[nodiscard]] static std::uint64_t SizeOfFile(const std::string& path);

    // Opens path for reading; 0 or errno. Releases whatever was open before.
    [[nodiscard]] int Open(const std::string& path);
    // Maps the whole open file; 0 or errno (EISDIR for a folder, ENODEV for
    // anything else that is not a regular file). An empty file maps to an
    // empty view without a mapping.
    [[nodiscard]] int Map();
    // Unmaps and closes; 0, or the errno of a failed unmap (the view is
    // forgotten either way).
    [[nodiscard]] int Close();

    [[nodiscard]] bool IsOpen() const { return descriptor_ >= 0; }
    [[nodiscard]] bool IsMapped() const { return mapped_; }
    [[nodiscard]] std::span<const std::uint8_t> Bytes() const { return {data_, size_}; }
    [[nodiscard]] const std::uint8_t* Data() const { return data_; }
    [[nodiscard]] std::size_t Size() const { return size_; }
    // The file's type and permissions as the last Map found them (st_mode).
    [[nodiscard]] std::uint32_t Mode() const { return mode_; }

private:
    int descriptor_ = -1;
    bool mapped_ = false;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::uint32_t mode_ = 0;
};

} // namespace trx
