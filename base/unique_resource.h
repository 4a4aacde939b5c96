// The owner of one resource of the system or of a library (a kernel handle, a
// registry key, a loaded module, an OpenSSL object): move-only, it releases the
// resource on every way out of the scope that holds it. Traits name the
// invalid value (a static Invalid()) and the release call (Close(value)); a
// traits object may carry state, such as the interface that closes its values,
// and moves with the value it closes. Stateless traits take no room (the owner
// derives from them).
#pragma once

#include <type_traits>
#include <utility>

template <typename T, typename Traits>
class unique_resource : private Traits {
 public:
  // Owns nothing; with stateful traits only where they can be made without state.
  unique_resource() = default;
  // Owns value (the invalid value: nothing).
  explicit unique_resource(T value) : m_value(value) {}
  // Owns value, closed through traits.
  explicit unique_resource(Traits traits, T value = Traits::Invalid())
      : Traits(std::move(traits)), m_value(value) {}
  ~unique_resource() { reset(); }
  unique_resource(const unique_resource&) = delete;
  unique_resource& operator=(const unique_resource&) = delete;
  unique_resource(unique_resource&& other) noexcept
      : Traits(std::move(other.traits())), m_value(other.release()) {}
  // Releases what this owns (through its own traits), then takes other's value and traits.
  unique_resource& operator=(unique_resource&& other) noexcept {
    if (this != &other) {
      reset();
      traits() = std::move(other.traits());
      m_value = other.release();
    }
    return *this;
  }

  // The owned value, or the invalid value; ownership stays here.
  T get() const { return m_value; }
  // Whether a resource is owned.
  explicit operator bool() const { return m_value != Traits::Invalid(); }
  // The owned object's members, for an owner of a pointer.
  template <typename U = T, typename = std::enable_if_t<std::is_pointer_v<U>>>
  U operator->() const {
    return m_value;
  }
  // Releases the owned resource (if any) and takes value instead.
  void reset(T value = Traits::Invalid()) {
    const T old = std::exchange(m_value, value);
    if (old != Traits::Invalid()) Traits::Close(old);
  }
  // Releases the owned resource (if any) and hands out the slot for a call to
  // fill; what the call stores there is owned from then on. A call that
  // leaves the slot alone on failure leaves the owner empty.
  T* put() {
    reset();
    return &m_value;
  }
  // Gives up ownership without releasing; returns the value.
  T release() { return std::exchange(m_value, Traits::Invalid()); }

 private:
  Traits& traits() { return *this; }

  T m_value = Traits::Invalid();
};
