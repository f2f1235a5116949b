#pragma once

#include <cstddef>
#include <new>

namespace trx {

// Allocator for std::vector whose storage starts on an Alignment-byte
// boundary, so that vector loads of the transform tables never split a
// cache line.
template <class T, std::size_t Alignment>
class AlignedAllocator {
public:
    using value_type = T;
    template <class U>
    struct rebind {
        using other = AlignedAllocator<U, Alignment>;
    };

    AlignedAllocator() noexcept = default;
    template <class U>
    explicit AlignedAllocator(const AlignedAllocator<U, Alignment>& /*other*/) noexcept {}

    [[nodiscard]] T* allocate(std::size_t count) {
        return static_cast<T*>(::operator new (count * sizeof(T), std::align_val_t{Alignment}));
    }
    void deallocate(T* pointer, std::size_t /*count*/) noexcept {
        ::operator delete (pointer, std::align_val_t{Alignment});
    }

    friend bool operator==(const AlignedAllocator&, const AlignedAllocator&) { return true; }
};

} // namespace trx
