#pragma once
// Intrusive reference counting for the shared parts of runtime values
// (objects, arrays, codeblocks). Everything runs on one thread, so the count
// is a plain int.
#include <utility>

namespace kt {

class RefCounted {
 public:
  RefCounted() = default;
  RefCounted(const RefCounted&) : refs_(0) {}
  RefCounted& operator=(const RefCounted&) { return *this; }

  void AddRef() const noexcept { ++refs_; }
  void Release() const noexcept {
    if (--refs_ == 0) delete this;
  }
  int RefCount() const noexcept { return refs_; }
  // For objects whose lifetime is owned elsewhere (a widget owned by its
  // parent, an object on the stack): references never delete it.
  void PinLifetime() const noexcept { refs_ += 1 << 28; }

 protected:
  virtual ~RefCounted() = default;

 private:
  mutable int refs_ = 0;
};

// Smart pointer over a RefCounted object.
template <class T>
class Ref {
 public:
  Ref() noexcept = default;
  Ref(std::nullptr_t) noexcept {}
  Ref(T* p) noexcept : p_(p) {  // NOLINT: adopting raw pointers is the point
    if (p_) p_->AddRef();
  }
  Ref(const Ref& o) noexcept : Ref(o.p_) {}
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
  Ref(const Ref<U>& o) noexcept : Ref(static_cast<T*>(o.get())) {}
  ~Ref() {
    if (p_) p_->Release();
  }
  Ref& operator=(Ref o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  friend bool operator==(const Ref& a, const Ref& b) { return a.p_ == b.p_; }
  // Hands over the pointer without releasing it.
  T* Detach() noexcept { return std::exchange(p_, nullptr); }

 private:
  T* p_ = nullptr;
};

template <class T, class... A>
Ref<T> MakeRef(A&&... args) {
  return Ref<T>(new T(std::forward<A>(args)...));
}

}  // namespace kt
