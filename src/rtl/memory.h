#pragma once
// Memory of its own for the large buffers of the catalogue (its text columns, the sort keys of
// the title index): a buffer of many megabytes that is filled once and then read all over
// costs a fraction of the page faults and address translations on large pages, and a
// generous reserve costs address space, not memory, when its unused pages go back.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace varnimo::rtl {

namespace pages {

// Memory for `bytes` bytes (none for 0), aligned for any type; a buffer of a megabyte or more
// lies on whole pages of its own, and one of several megabytes is asked to lie on large pages
// where the system has them. Pages never written are never taken from the system. Throws
// std::bad_alloc.
void* Allocate(std::size_t bytes);
// Frees what Allocate(bytes) gave.
void Free(void* data, std::size_t bytes) noexcept;
// Gives the system back the whole pages of [data + used, data + bytes) of what
// Allocate(bytes) gave, where it lies on pages of its own; they read as zero afterwards.
void ReleaseUnused(void* data, std::size_t used, std::size_t bytes) noexcept;

}  // namespace pages

// A growable array of plain values (bytes, numbers, packed keys) in memory from
// pages::Allocate: what std::vector gives, without the hints on memory the standard
// container owns.
template <typename T>
class PageBuffer {
    static_assert(std::is_trivially_copyable_v<T>);

  public:
    PageBuffer() = default;
    PageBuffer(const PageBuffer& other) { append(other.data(), other.size()); }
    PageBuffer& operator=(const PageBuffer& other) {
        if (this != &other) {
            PageBuffer copy(other);
            swap(copy);
        }
        return *this;
    }
    PageBuffer(PageBuffer&& other) noexcept { swap(other); }
    PageBuffer& operator=(PageBuffer&& other) noexcept {
        PageBuffer gone(std::move(other));
        swap(gone);
        return *this;
    }
    ~PageBuffer() { pages::Free(data_, capacity_ * sizeof(T)); }

    T* data() { return data_; }
    const T* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }

    // Room for `count` values in all; the values held stay.
    void reserve(std::size_t count) {
        if (count > capacity_) {
            MoveTo(count, nullptr, 0);
        }
    }
    // `count` values: those held stay, added ones are `value`.
    void resize(std::size_t count, const T& value = T()) {
        if (count > capacity_) {
            const T fill = value;  // `value` may lie in the memory that is given up
            MoveTo(std::max(count, 2 * capacity_), nullptr, 0);
            std::fill(data_ + size_, data_ + count, fill);
        } else if (count > size_) {
            std::fill(data_ + size_, data_ + count, value);
        }
        size_ = count;
    }
    void push_back(const T& value) { append(&value, 1); }
    // Appends `count` values from `from`, which may lie in this very buffer.
    void append(const T* from, std::size_t count) {
        if (count > capacity_ - size_) {
            MoveTo(std::max(size_ + count, 2 * capacity_), from, count);
            return;
        }
        if (count != 0) {
            std::memmove(data_ + size_, from, count * sizeof(T));
        }
        size_ += count;
    }
    void clear() { size_ = 0; }
    void swap(PageBuffer& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
    }
    // Gives the system back the memory of the room reserved but not used; the room stays.
    void ReleaseUnused() { pages::ReleaseUnused(data_, size_ * sizeof(T), capacity_ * sizeof(T)); }

  private:
    // Moves the values into new memory for `count` values and appends `more` values from
    // `from` there, before the old memory, which `from` may lie in, goes.
    void MoveTo(std::size_t count, const T* from, std::size_t more) {
        if (count > static_cast<std::size_t>(-1) / sizeof(T)) {
            throw std::bad_alloc();
        }
        T* fresh = static_cast<T*>(pages::Allocate(count * sizeof(T)));
        if (size_ != 0) {
            std::memcpy(fresh, data_, size_ * sizeof(T));
        }
        if (more != 0) {
            std::memcpy(fresh + size_, from, more * sizeof(T));
        }
        pages::Free(data_, capacity_ * sizeof(T));
        data_ = fresh;
        capacity_ = count;
        size_ += more;
    }

    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace varnimo::rtl
