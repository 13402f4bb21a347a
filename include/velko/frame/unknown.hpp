// The component model: IUnknown, counted references (Ref) and interface queries.
#pragma once

#include <concepts>
#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>

namespace velko {

// Base of every interface. Interfaces derive from it virtually, so that a class that implements
// several interfaces is one object with one identity; objects can hand out references to
// themselves through shared_from_this.
class IUnknown : public std::enable_shared_from_this<IUnknown> {
 public:
  virtual ~IUnknown() = default;

 protected:
  IUnknown() = default;
  IUnknown(const IUnknown&) = default;
  IUnknown& operator=(const IUnknown&) = default;
};

[[noreturn]] void ThrowObjectNotSet();  // error 91

// Shared ownership of an object through one of its interfaces; an empty Ref is "none". Using a
// member through a none Ref raises error 91 instead of crashing.
template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}  // NOLINT(google-explicit-constructor): none converts implicitly
  explicit Ref(std::shared_ptr<T> p) : p_(std::move(p)) {}
  template <class U>
    requires std::convertible_to<U*, T*>
  Ref(const Ref<U>& other) : p_(other.shared()) {}  // NOLINT(google-explicit-constructor)
  template <class U>
    requires std::convertible_to<U*, T*>
  Ref(Ref<U>&& other) : p_(std::move(other).release_shared()) {}  // NOLINT

  T* operator->() const {
    if (!p_) ThrowObjectNotSet();
    return p_.get();
  }
  T& operator*() const {
    if (!p_) ThrowObjectNotSet();
    return *p_;
  }
  explicit operator bool() const noexcept { return static_cast<bool>(p_); }
  bool IsNone() const noexcept { return !p_; }
  T* get() const noexcept { return p_.get(); }
  const std::shared_ptr<T>& shared() const& noexcept { return p_; }
  std::shared_ptr<T> release_shared() && noexcept { return std::move(p_); }
  void Reset() noexcept { p_.reset(); }

  friend bool operator==(const Ref& a, std::nullptr_t) noexcept { return !a.p_; }

 private:
  std::shared_ptr<T> p_;
};

template <class T, class... Args>
Ref<T> MakeRef(Args&&... args) {
  return Ref<T>(std::make_shared<T>(std::forward<Args>(args)...));
}

// The object as interface T, or none where the object does not implement T.
template <class T, class U>
Ref<T> QueryInterface(const Ref<U>& ref) {
  return Ref<T>(std::dynamic_pointer_cast<T>(ref.shared()));
}

// A reference to an object from inside one of its own members.
template <class T>
Ref<T> RefToSelf(const IUnknown* self) {
  auto shared = std::const_pointer_cast<IUnknown>(self->shared_from_this());
  return Ref<T>(std::dynamic_pointer_cast<T>(shared));
}

// The same for a caller whose pointer already is a T: the reference shares the object's owner
// and points where `self` does, without the cast that would look the interface up.
template <class T, class C>
  requires std::is_convertible_v<C*, T*>
Ref<T> RefToSelf(C* self) {
  T* const asInterface = self;
  const IUnknown* const object = self;
  return Ref<T>(std::shared_ptr<T>(std::const_pointer_cast<IUnknown>(object->shared_from_this()),
                                   asInterface));
}

// Identity: true when both references (through any interfaces) reach the same object.
template <class T, class U>
bool SameObject(const Ref<T>& a, const Ref<U>& b) {
  if (!a || !b) return !a && !b;
  return dynamic_cast<const void*>(a.get()) == dynamic_cast<const void*>(b.get());
}

}  // namespace velko
