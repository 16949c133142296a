#pragma once
// ComRef<T>: the one owning COM pointer of the project. It holds at most one reference
// and gives it back exactly once: on Reset, on reassignment and on destruction.
//
// How a raw pointer gets in says what happens to its reference, so there is no
// constructor or assignment from T* (it would leave that open):
//   Assign(p)   takes a reference of its own; the caller keeps the one it had.
//   Attach(p)   takes over the caller's reference (a creation call's result).
//   ReleaseAndGetAddressOf()   for creation calls that write a new pointer into a slot.
// Detach() hands the reference to the caller without releasing it.
//
// The pointer converts to T* implicitly. Many fields that became owning pointers are read
// as plain pointers by drawing code, views and tests (SetStreamSource(0, mesh.vertexBuffer,
// ...), view.texture = quad.texture); the conversion keeps those reads as they were. A
// converted pointer is borrowed: whoever keeps it past the owner's life must AddRef it.
// The name stays clear of the smart pointers in mingw-w64's headers.
#include <unknwn.h>

template <class T>
class ComRef {
public:
  ComRef() noexcept = default;
  ComRef(decltype(nullptr)) noexcept {}
  ComRef(const ComRef& o) noexcept : p_(o.p_)
  {
    if (p_) p_->AddRef();
  }
  ComRef(ComRef&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  ~ComRef() { Reset(); }

  ComRef& operator=(const ComRef& o) noexcept
  {
    Assign(o.p_);
    return *this;
  }
  ComRef& operator=(ComRef&& o) noexcept
  {
    if (this != &o) Attach(o.Detach());
    return *this;
  }
  ComRef& operator=(decltype(nullptr)) noexcept
  {
    Reset();
    return *this;
  }

  T* Get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  operator T*() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  // Releases what is held. The field is null before Release runs, so that a destructor
  // reached from that Release never sees the dying object here.
  void Reset() noexcept
  {
    T* old = p_;
    p_ = nullptr;
    if (old) old->Release();
  }

  // Holds p with a reference of its own and releases what was held. Holding p already
  // changes nothing, so a texture assigned to its own slot stays alive.
  void Assign(T* p) noexcept
  {
    if (p == p_) return;
    if (p) p->AddRef();
    T* old = p_;
    p_ = p;
    if (old) old->Release();
  }

  // Holds p, taking over the reference the caller had, and releases what was held (also
  // when it is p: the caller's reference then replaces the one held).
  void Attach(T* p) noexcept
  {
    T* old = p_;
    p_ = p;
    if (old) old->Release();
  }

  // Gives the reference to the caller, who must release it; the pointer is empty after.
  T* Detach() noexcept
  {
    T* p = p_;
    p_ = nullptr;
    return p;
  }

  // For creation calls: releases what is held and returns the empty slot to write into.
  T** ReleaseAndGetAddressOf() noexcept
  {
    Reset();
    return &p_;
  }

private:
  T* p_ = nullptr;
};
