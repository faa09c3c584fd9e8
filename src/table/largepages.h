#pragma once

#include <cstddef>
#include <cstdint>

#include <sys/mman.h>

namespace qm {

// Memory of megabytes about to be filled (the table's rows, a job's plan)
// is taken in 2 MiB pages where the system leaves the choice to the
// program: its first touch then faults once for 512 pages. A fault costs
// about 10 µs in the virtual machines measured, so 10,000 rows' worth of
// small pages cost more than the work done in them. Only the whole 2 MiB
// spans inside [data, data + bytes) are advised: the memory around belongs
// to others.
inline void adviseLargePages(const void *data, size_t bytes)
{
    constexpr uintptr_t kLargePage = uintptr_t(2) << 20;
    const auto start = reinterpret_cast<uintptr_t>(data);
    const uintptr_t begin = (start + kLargePage - 1) & ~(kLargePage - 1);
    const uintptr_t end = (start + bytes) & ~(kLargePage - 1);
    if (end > begin)
        (void)::madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
}

// reserve() of a vector whose new room is advised before anything is put
// in it.
template <typename Vector> void reserveInLargePages(Vector &vector, size_t count)
{
    if (count <= vector.capacity())
        return;
    vector.reserve(count);
    adviseLargePages(vector.data() + vector.size(),
                     (vector.capacity() - vector.size()) * sizeof(*vector.data()));
}

} // namespace qm
