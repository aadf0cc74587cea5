#include "core/BigBlock.h"

#include <cstdint>
#include <new>
#include <sys/mman.h>

namespace {
constexpr size_t kHugePage = 2u << 20;
constexpr size_t kPage = 4096;
} // namespace

BigBlock::BigBlock(size_t bytes) {
    const bool huge = bytes >= kHugePage;
    const size_t size = (bytes + (huge ? kHugePage : kPage) - 1) & ~((huge ? kHugePage : kPage) - 1);
    if (!huge) {
        void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
        m_data = static_cast<char*>(p);
        m_size = size;
        return;
    }
    // Over-allocate by one huge page and trim, so the block starts on a 2 MiB boundary
    // and the kernel can back it with huge pages.
    const size_t mapped = size + kHugePage;
    void* p = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    char* base = static_cast<char*>(p);
    char* aligned =
        reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(base) + kHugePage - 1) & ~(kHugePage - 1));
    if (aligned > base)
        ::munmap(base, static_cast<size_t>(aligned - base));
    char* end = base + mapped;
    if (end > aligned + size)
        ::munmap(aligned + size, static_cast<size_t>(end - (aligned + size)));
#ifdef MADV_HUGEPAGE
    ::madvise(aligned, size, MADV_HUGEPAGE);
#endif
    m_data = aligned;
    m_size = size;
}

BigBlock BigBlock::Touched(size_t bytes) {
    BigBlock block(bytes);
    // One write a page backs the block; with huge pages the first write of each 2 MiB
    // does it all and the others cost a store.
    for (size_t offset = 0; offset < block.m_size; offset += kPage)
        static_cast<volatile char*>(block.m_data)[offset] = 0;
    return block;
}

void AdviseHugePages(void* data, size_t bytes) {
#ifdef MADV_HUGEPAGE
    const auto begin = (reinterpret_cast<uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
    const auto end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kHugePage - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

BigBlock::~BigBlock() {
    if (m_data)
        ::munmap(m_data, m_size);
}
