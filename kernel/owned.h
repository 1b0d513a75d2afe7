// An owning pointer whose deleter is fixed where the object is made, so a class can hold members
// of types that are complete only in higher subsystems and still destroy them anywhere.
#pragma once

#include <utility>

namespace Zorva {

template <class T>
class Owned {
public:
    Owned() = default;
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)), del_(other.del_) {}
    Owned& operator=(Owned&& other) noexcept
    {
        if (this != &other) {
            Reset();
            ptr_ = std::exchange(other.ptr_, nullptr);
            del_ = other.del_;
        }
        return *this;
    }
    ~Owned() { Reset(); }

    // Construct in place; must be called where T is complete.
    template <class U = T, class... Args>
    U& Emplace(Args&&... args)
    {
        Reset();
        U* p = new U(std::forward<Args>(args)...);
        ptr_ = p;
        del_ = [](T* q) { delete static_cast<U*>(q); };
        return *p;
    }

    void Reset()
    {
        if (ptr_ != nullptr)
            del_(std::exchange(ptr_, nullptr));
    }

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    T& operator*() const { return *ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

private:
    T* ptr_ = nullptr;
    void (*del_)(T*) = nullptr;
};

} // namespace Zorva
