#include "common/trackstore/recordbuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sys/mman.h>
#include <utility>

namespace wc {

namespace {
constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kMinCapacity = 64 * 1024;
} // namespace

RecordBuffer::~RecordBuffer() {
    release();
}

RecordBuffer::RecordBuffer(RecordBuffer&& other) noexcept
    : map_(std::exchange(other.map_, nullptr)), mapLength_(std::exchange(other.mapLength_, 0)),
      data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

RecordBuffer& RecordBuffer::operator=(RecordBuffer&& other) noexcept {
    if (this != &other) {
        release();
        map_ = std::exchange(other.map_, nullptr);
        mapLength_ = std::exchange(other.mapLength_, 0);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

RecordBuffer::RecordBuffer(QByteArrayView bytes) {
    if (!bytes.isEmpty() && resize(bytes.size()))
        std::memcpy(data_, bytes.data(), size_t(bytes.size()));
}

void RecordBuffer::release() {
    if (map_) ::munmap(map_, mapLength_);
    map_ = data_ = nullptr;
    mapLength_ = size_ = capacity_ = 0;
}

bool RecordBuffer::reserve(size_t capacity) {
    if (capacity <= capacity_) return true;
    capacity = std::max(capacity, std::max(kMinCapacity, capacity_ + capacity_ / 2));
    const bool huge = capacity >= kHugePage;
    const size_t length = capacity + (huge ? kHugePage : 0);
    void* m = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED) return false;
    char* base = static_cast<char*>(m);
    char* aligned = base;
    if (huge) {
        aligned = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(base) + kHugePage - 1) &
                                          ~uintptr_t(kHugePage - 1));
        ::madvise(aligned, capacity, MADV_HUGEPAGE); // a hint; without it, plain pages
    }
    if (size_) std::memcpy(aligned, data_, size_);
    const size_t keep = size_;
    release();
    map_ = base;
    mapLength_ = length;
    data_ = aligned;
    size_ = keep;
    capacity_ = capacity;
    return true;
}

bool RecordBuffer::resize(qsizetype size) {
    if (size < 0 || !reserve(size_t(size))) return false;
    size_ = size_t(size);
    return true;
}

bool RecordBuffer::append(const char* bytes, qsizetype n) {
    const size_t at = size_;
    if (!resize(qsizetype(size_) + n)) return false;
    std::memcpy(data_ + at, bytes, size_t(n));
    return true;
}

void RecordBuffer::remove(qsizetype offset, qsizetype n) {
    if (offset < 0 || n <= 0 || size_t(offset) >= size_) return;
    n = std::min<qsizetype>(n, qsizetype(size_) - offset);
    std::memmove(data_ + offset, data_ + offset + n, size_ - size_t(offset + n));
    size_ -= size_t(n);
}

} // namespace wc
