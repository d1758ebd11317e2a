#pragma once
// Intrusive reference counting for the shared parts of runtime values
// (objects, arrays, codeblocks). Everything runs on one thread, so the count
// is a plain int.
#include <climits>
#include <cstddef>
#include <utility>

namespace kt {

template <class T>
class Ref;
template <class T>
class WeakRef;
template <class T, class... A>
Ref<T> MakeRef(A&&... args);

// Outlives its object for as long as weak references point at it, so they
// can tell whether the object is still there.
struct WeakAnchor {
  int refs = 1;  // one per weak reference, plus one held by the living object
  const class RefCounted* target = nullptr;
};

class RefCounted {
 public:
  RefCounted() = default;
  RefCounted(const RefCounted&) noexcept {}
  RefCounted& operator=(const RefCounted&) noexcept { return *this; }

  void AddRef() const noexcept { ++refs_; }
  void Release() const noexcept {
    if (--refs_ == 0 && owned_) {
      // References taken while the object is torn down must not free it again.
      refs_ = kDying;
      delete this;
    }
  }
  int RefCount() const noexcept { return refs_ < 0 ? 0 : refs_; }
  // Only objects made by MakeRef / New belong to their references; any
  // other object (on the stack, a member, a widget owned by its parent) is
  // never deleted by a reference, so handing it around as a value is safe.
  bool OwnedByReferences() const noexcept { return owned_; }
  // Its last owning reference is gone and it is being destroyed.
  bool Dying() const noexcept { return refs_ < 0; }

 protected:
  virtual ~RefCounted() {
    if (!anchor_) return;
    anchor_->target = nullptr;
    if (--anchor_->refs == 0) delete anchor_;
  }

 private:
  template <class T, class... A>
  friend Ref<T> MakeRef(A&&... args);
  template <class T>
  friend class WeakRef;

  WeakAnchor* Anchor() const {
    if (!anchor_) anchor_ = new WeakAnchor{1, this};
    return anchor_;
  }

  static constexpr int kDying = INT_MIN / 2;
  mutable int refs_ = 0;
  mutable bool owned_ = false;
  mutable WeakAnchor* anchor_ = nullptr;
};

// Smart pointer over a RefCounted object. It owns the object only when the
// object belongs to its references (made by MakeRef / New); a reference to
// any other object keeps the count but never deletes it.
template <class T>
class Ref {
 public:
  Ref() noexcept = default;
  Ref(std::nullptr_t) noexcept {}
  Ref(T* p) noexcept : p_(p) {  // NOLINT: a raw pointer gives a reference, never ownership
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

// Points at an object without keeping it alive; answers null once the
// object is gone (or while it is being destroyed). Breaks reference cycles
// such as a server whose order key refers back to the server.
template <class T>
class WeakRef {
 public:
  WeakRef() noexcept = default;
  WeakRef(T* p) : p_(p), anchor_(p ? static_cast<const RefCounted*>(p)->Anchor() : nullptr) {  // NOLINT
    if (anchor_) ++anchor_->refs;
  }
  WeakRef(const WeakRef& o) noexcept : p_(o.p_), anchor_(o.anchor_) {
    if (anchor_) ++anchor_->refs;
  }
  WeakRef(WeakRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)), anchor_(std::exchange(o.anchor_, nullptr)) {}
  ~WeakRef() { Drop(); }
  WeakRef& operator=(WeakRef o) noexcept {
    std::swap(p_, o.p_);
    std::swap(anchor_, o.anchor_);
    return *this;
  }

  bool Alive() const noexcept { return anchor_ && anchor_->target && !anchor_->target->Dying(); }
  T* get() const noexcept { return Alive() ? p_ : nullptr; }
  Ref<T> Lock() const noexcept { return Ref<T>(get()); }

 private:
  void Drop() noexcept {
    if (anchor_ && --anchor_->refs == 0) delete anchor_;
    anchor_ = nullptr;
    p_ = nullptr;
  }

  T* p_ = nullptr;
  WeakAnchor* anchor_ = nullptr;
};

template <class T, class... A>
Ref<T> MakeRef(A&&... args) {
  T* p = new T(std::forward<A>(args)...);
  static_cast<const RefCounted*>(p)->owned_ = true;
  return Ref<T>(p);
}

}  // namespace kt
