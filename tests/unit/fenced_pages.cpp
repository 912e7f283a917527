#include "fenced_pages.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

size_t PageBytes() {
#if defined(_WIN32)
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
#else
    return static_cast<size_t>(sysconf(_SC_PAGESIZE));
#endif
}

bool Fence(char* page, size_t pageBytes) {
#if defined(_WIN32)
    DWORD previous = 0;
    return VirtualProtect(page, pageBytes, PAGE_NOACCESS, &previous) != 0;
#else
    return mprotect(page, pageBytes, PROT_NONE) == 0;
#endif
}

}  // namespace

FencedPages::FencedPages(size_t bytes) {
    const size_t page = PageBytes();
    bytes_ = (bytes + page - 1) / page * page;
    mappingBytes_ = bytes_ + 2 * page;
#if defined(_WIN32)
    mapping_ = static_cast<char*>(VirtualAlloc(nullptr, mappingBytes_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
#else
    void* mapping = mmap(nullptr, mappingBytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    mapping_ = mapping == MAP_FAILED ? nullptr : static_cast<char*>(mapping);
#endif
    if (mapping_ == nullptr) return;
    if (Fence(mapping_, page) && Fence(mapping_ + page + bytes_, page)) begin_ = mapping_ + page;
}

FencedPages::~FencedPages() {
    if (mapping_ == nullptr) return;
#if defined(_WIN32)
    VirtualFree(mapping_, 0, MEM_RELEASE);
#else
    munmap(mapping_, mappingBytes_);
#endif
}
