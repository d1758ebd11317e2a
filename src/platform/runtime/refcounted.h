#pragma once
// Intrusive reference counting for the shared parts of runtime values
// (objects, arrays, codeblocks). Everything runs on one thread, so the count
// is a plain int.
#include <utility>

namespace kt {

class RefCounted {
 public:
  RefCounted() = default;
  RefCounted(const RefCounted&) : refs_(0), heap_(false) {}
  RefCounted& operator=(const RefCounted&) { return *this; }

  void AddRef() const noexcept { ++refs_; }
  void Release() const noexcept {
    if (--refs_ == 0 && heap_) delete this;
  }
  int RefCount() const noexcept { return refs_; }
  // Only objects made by MakeRef / New belong to their references; any
  // other object (on the stack, a widget owned by its parent) is never
  // deleted by a reference, so handing it around as a value is safe.
  void AdoptByReferences() const noexcept { heap_ = true; }
  bool OwnedByReferences() const noexcept { return heap_; }

 protected:
  virtual ~RefCounted() = default;

 private:
  mutable int refs_ = 0;
  mutable bool heap_ = false;
};

// Smart pointer over a RefCounted object.
template <class T>
class Ref {
 public:
  Ref() noexcept = default;
  Ref(std::nullptr_t) noexcept {}
  // A fresh object (no reference yet) handed to a Ref belongs to its
  // references from then on: Ref<T>(new T) owns the object.
  Ref(T* p) noexcept : p_(p) {  // NOLINT: adopting raw pointers is the point
    if (!p_) return;
    if (p_->RefCount() == 0) p_->AdoptByReferences();
    p_->AddRef();
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
  T* p = new T(std::forward<A>(args)...);
  p->AdoptByReferences();
  return Ref<T>(p);
}

}  // namespace kt
