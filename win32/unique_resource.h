// A move-only owner of one system resource (a key, a handle, a module): it
// releases the resource when it goes out of scope, on every way out of the
// function that obtained it. Traits give the invalid value and the release call.
#pragma once

#include <utility>

template <typename T, typename Traits>
class unique_resource {
 public:
  unique_resource() = default;
  explicit unique_resource(T value) : value_(value) {}
  ~unique_resource() { reset(); }
  unique_resource(const unique_resource&) = delete;
  unique_resource& operator=(const unique_resource&) = delete;
  unique_resource(unique_resource&& other) noexcept : value_(other.release()) {}
  unique_resource& operator=(unique_resource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  // The owned value, or the invalid value; ownership stays here.
  T get() const { return value_; }
  // Whether a resource is owned.
  explicit operator bool() const { return value_ != Traits::Invalid(); }
  // Releases the owned resource (if any) and takes value instead.
  void reset(T value = Traits::Invalid()) {
    T old = std::exchange(value_, value);
    if (old != Traits::Invalid()) Traits::Close(old);
  }
  // Gives up ownership without releasing; returns the value.
  T release() { return std::exchange(value_, Traits::Invalid()); }

 private:
  T value_ = Traits::Invalid();
};
