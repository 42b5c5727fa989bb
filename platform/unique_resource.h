#pragma once

#include <utility>

namespace tavori {

// The single owner of a system resource (a handle, key, brush, font...): releases it exactly once,
// when the owner is destroyed or given another resource. Movable, not copyable.
// Traits supplies `static T Invalid()` and `static void Release(T)`.
template <typename T, typename Traits>
class UniqueResource {
  public:
    UniqueResource() = default;
    explicit UniqueResource(T value) : value_(value) {}
    ~UniqueResource() { Reset(); }

    UniqueResource(UniqueResource&& other) noexcept : value_(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    T Get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::Invalid(); }

    // Gives up ownership without releasing.
    T Release() { return std::exchange(value_, Traits::Invalid()); }

    void Reset(T value = Traits::Invalid()) {
        T old = std::exchange(value_, value);
        if (old != Traits::Invalid() && old != value) {
            Traits::Release(old);
        }
    }

  private:
    T value_ = Traits::Invalid();
};

}  // namespace tavori
