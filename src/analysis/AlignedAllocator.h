#pragma once

#include <cstddef>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace trx {

// Allocator for std::vector whose storage starts on an Alignment-byte
// boundary, so that vector loads of the transform tables never split a
// cache line. Blocks of 2 MB and more start on a 2 MB boundary and ask for
// huge pages where the system has them: the kernel table is written once
// per tuning and read all the time, and its first writes then fault in two
// pages instead of a thousand (about 10 ms at start-up on a virtual
// machine).
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
        const std::size_t bytes = count * sizeof(T);
        if (bytes < kHugePage)
            return static_cast<T*>(::operator new (bytes, std::align_val_t{Alignment}));
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        void* block = ::operator new (rounded, std::align_val_t{kHugePage});
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        (void)::madvise(block, rounded, MADV_HUGEPAGE);
#endif
        return static_cast<T*>(block);
    }
    void deallocate(T* pointer, std::size_t count) noexcept {
        const std::size_t bytes = count * sizeof(T);
        ::operator delete (pointer, std::align_val_t{bytes < kHugePage ? Alignment : kHugePage});
    }

    friend bool operator==(const AlignedAllocator&, const AlignedAllocator&) {
        return true;
    }

private:
    static constexpr std::size_t kHugePage = std::size_t{2} << 20;
};

} // namespace trx
