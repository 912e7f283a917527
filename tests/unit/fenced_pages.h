// Readable pages between two pages that fault on any access, so that a read
// one byte before or after the readable span stops the test at once instead
// of reading on quietly.
#pragma once

#include <cstddef>

class FencedPages {
public:
    // At least bytes readable and writable bytes, a whole number of pages.
    explicit FencedPages(size_t bytes);
    ~FencedPages();
    FencedPages(const FencedPages&) = delete;
    FencedPages& operator=(const FencedPages&) = delete;

    bool Ready() const { return begin_ != nullptr; }
    char16_t* Begin() const { return reinterpret_cast<char16_t*>(begin_); }
    char16_t* End() const { return reinterpret_cast<char16_t*>(begin_ + bytes_); }

private:
    char* mapping_ = nullptr;
    char* begin_ = nullptr;
    size_t bytes_ = 0;
    size_t mappingBytes_ = 0;
};
