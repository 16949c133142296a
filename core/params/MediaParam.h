#pragma once
// The parameter model: observable typed values with change listeners and undo.
//
// A parameter owns a list of listeners (not the listeners themselves). A change of value
// notifies every listener except the one that caused it. Every MediaParamT carries its
// own undo history as its first listener.

#include <windows.h>
#include <d3dx9math.h>

#include <list>
#include <string>

using ds_string = std::wstring;

class MediaControl;

class MediaParam {
public:
  MediaParam() = default;
  // Copies never share listeners: a copy starts with an empty list.
  MediaParam(const MediaParam&) {}
  MediaParam& operator=(const MediaParam&) { return *this; }
  // Detaches every listener still in the list; deletes none of them.
  virtual ~MediaParam();
  virtual void Refresh(int code, MediaControl* sender) {}

  void AddControl(MediaControl* control) { m_Controls.push_back(control); }
  // Erases every entry equal to control (without deleting it).
  void RemoveControl(MediaControl* control) { m_Controls.remove(control); }
  // Calls OnChanged(sender) on every listener in list order, except sender itself.
  void NotifyChanged(MediaControl* sender);
  const std::list<MediaControl*>& Controls() const { return m_Controls; }

protected:
  std::list<MediaControl*> m_Controls;
};

class MediaControl {
public:
  virtual ~MediaControl() = default;
  virtual void Detach() {}
  virtual bool IsUndoControl() const { return false; }
  // The observed value changed; sender is the listener that caused it, or null.
  virtual void OnChanged(MediaControl* sender) = 0;
};

// The equality that setters and undo use.
template <class T>
inline bool ParamValuesEqual(const T& a, const T& b) { return a == b; }
template <>
inline bool ParamValuesEqual(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}
template <>
inline bool ParamValuesEqual(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }

// The value a default-built parameter holds before its owner assigns one: zero.
template <class T>
inline T ParamZeroValue() { return T(); }
template <>
inline D3DXVECTOR3 ParamZeroValue() { return D3DXVECTOR3(0.0f, 0.0f, 0.0f); }

// A parameter without undo.
template <class T>
class MediaParamTB : public MediaParam {
public:
  MediaParamTB() : m_Value(ParamZeroValue<T>()) {}
  explicit MediaParamTB(const T& value) : m_Value(value) {}
  MediaParamTB(const MediaParamTB& other) : MediaParam(), m_Value(other.m_Value) {}
  MediaParamTB& operator=(const MediaParamTB& other) {
    m_Value = other.m_Value;
    return *this;
  }

  const T& Get() const { return m_Value; }
  operator const T&() const { return m_Value; }
  // The setter: stores and notifies (skipping sender) only when the value differs.
  void Set(const T& value, MediaControl* sender = nullptr) {
    if (ParamValuesEqual(m_Value, value)) return;
    m_Value = value;
    NotifyChanged(sender);
  }
  // Stores without notification, as readers do for most fields.
  void Store(const T& value) { m_Value = value; }
  T& Raw() { return m_Value; }

protected:
  T m_Value;
};

template <class T>
class MediaParamT;

class UndoCtrl : public MediaControl {
public:
  virtual void Undo() = 0;
  virtual void Redo() = 0;
  virtual void RecordUndo() = 0;
};

// The undo history of one MediaParamT<T>: newest entry first, at most 20 entries.
template <class T>
class UndoCtrlT final : public UndoCtrl {
public:
  static constexpr size_t kMaxEntries = 20;

  explicit UndoCtrlT(MediaParamT<T>* owner) : m_Saved(), m_Owner(owner), m_Position(m_History.end()) {}
  UndoCtrlT(const UndoCtrlT&) = delete;
  UndoCtrlT& operator=(const UndoCtrlT&) = delete;

  void Detach() override { m_Owner = nullptr; }
  void OnChanged(MediaControl*) override {
    if (m_Owner) m_Saved = m_Owner->Get();
  }
  void RecordUndo() override {
    // Undone entries can no longer be redone.
    m_History.erase(m_History.begin(), m_Position);
    m_History.push_front(m_Saved);
    if (m_History.size() > kMaxEntries) m_History.pop_back();
    m_Position = m_History.begin();
  }
  void Undo() override {
    if (!m_History.empty() && m_Position != m_History.end()) {
      std::swap(m_Saved, *m_Position);
      ++m_Position;
    }
    ApplySaved();
  }
  void Redo() override {
    if (!m_History.empty() && m_Position != m_History.begin()) {
      --m_Position;
      std::swap(m_Saved, *m_Position);
    }
    ApplySaved();
  }

  const T& Saved() const { return m_Saved; }
  const std::list<T>& History() const { return m_History; }

private:
  void ApplySaved();

  T m_Saved;
  MediaParamT<T>* m_Owner;
  std::list<T> m_History;
  typename std::list<T>::iterator m_Position;
};

// A typed parameter with its own undo control, registered as its first listener.
template <class T>
class MediaParamT : public MediaParamTB<T> {
public:
  MediaParamT() : MediaParamTB<T>(), m_Undo(this) {
    this->AddControl(&m_Undo);
    m_Undo.OnChanged(nullptr);
  }
  explicit MediaParamT(const T& value) : MediaParamTB<T>(value), m_Undo(this) {
    this->AddControl(&m_Undo);
    m_Undo.OnChanged(nullptr);
  }
  // Copies the value only: the copy has a fresh list with a fresh undo control.
  MediaParamT(const MediaParamT& other) : MediaParamTB<T>(other), m_Undo(this) {
    this->AddControl(&m_Undo);
    m_Undo.OnChanged(nullptr);
  }
  // Copies the value with an undo snapshot and without notification.
  MediaParamT& operator=(const MediaParamT& other) {
    this->m_Value = other.m_Value;
    m_Undo.OnChanged(nullptr);
    return *this;
  }
  ~MediaParamT() override {
    // The embedded control dies with this object, before the base detaches the list.
    this->RemoveControl(&m_Undo);
  }

  // Stores without notification and takes an undo snapshot, as owners do when they
  // assign a default right after construction.
  void StoreWithSnapshot(const T& value) {
    this->m_Value = value;
    m_Undo.OnChanged(nullptr);
  }
  UndoCtrlT<T>& GetUndo() { return m_Undo; }

private:
  UndoCtrlT<T> m_Undo;
};

template <class T>
void UndoCtrlT<T>::ApplySaved() {
  if (!m_Owner) return;
  if (ParamValuesEqual(m_Saved, m_Owner->Get())) return;
  m_Owner->Store(m_Saved);
  // Sent as this control so that it does not snapshot its own change.
  m_Owner->NotifyChanged(this);
}

// A listener observing a parameter of type P.
template <class P>
class MediaControlT : public MediaControl {
public:
  MediaControlT() = default;
  // Attaches to param (appends this listener to its list) when param is not null.
  explicit MediaControlT(P* param) { Attach(param); }
  MediaControlT(const MediaControlT&) = delete;
  MediaControlT& operator=(const MediaControlT&) = delete;
  ~MediaControlT() override {
    if (m_Param) m_Param->RemoveControl(this);
  }
  void Attach(P* param) {
    if (m_Param) m_Param->RemoveControl(this);
    m_Param = param;
    if (m_Param) m_Param->AddControl(this);
  }
  void Detach() override { m_Param = nullptr; }
  void OnChanged(MediaControl*) override {}
  P* GetParam() const { return m_Param; }

protected:
  P* m_Param = nullptr;
};

// Calls owner->*function(new value) when the observed parameter changes.
template <class T, class C>
class DS_FunLightCtrl final : public MediaControlT<MediaParamTB<T>> {
public:
  using Function = void (C::*)(T);
  DS_FunLightCtrl(MediaParamTB<T>* param, Function function, C* owner)
      : MediaControlT<MediaParamTB<T>>(param), m_Function(function), m_Owner(owner) {}
  void OnChanged(MediaControl*) override {
    if (this->m_Param && m_Owner && m_Function) (m_Owner->*m_Function)(this->m_Param->Get());
  }

private:
  Function m_Function;
  C* m_Owner;
};

// Calls owner->*function() when the observed parameter changes.
template <class C>
class DS_FunLightCtrl2 final : public MediaControl {
public:
  using Function = void (C::*)();
  DS_FunLightCtrl2(MediaParam* param, Function function, C* owner)
      : m_Function(function), m_Owner(owner), m_Param(param) {
    if (m_Param) m_Param->AddControl(this);
  }
  DS_FunLightCtrl2(const DS_FunLightCtrl2&) = delete;
  DS_FunLightCtrl2& operator=(const DS_FunLightCtrl2&) = delete;
  ~DS_FunLightCtrl2() override {
    if (m_Param) m_Param->RemoveControl(this);
  }
  void Detach() override { m_Param = nullptr; }
  void OnChanged(MediaControl*) override {
    if (m_Owner && m_Function) (m_Owner->*m_Function)();
  }
  MediaParam* GetParam() const { return m_Param; }

private:
  Function m_Function;
  C* m_Owner;
  MediaParam* m_Param;
};

// Holds the callback listeners an object binds to parameters (owned) and optionally the
// target object they call. Destroying it deletes the listeners in order (each leaves its
// parameter's list), then the target when owned.
class DS_ParamBinder {
public:
  DS_ParamBinder() = default;
  DS_ParamBinder(const DS_ParamBinder&) = delete;
  DS_ParamBinder& operator=(const DS_ParamBinder&) = delete;
  ~DS_ParamBinder() { Clear(); }

  // Takes ownership of a listener already attached to its parameter.
  void Add(MediaControl* listener) { m_Listeners.push_back(listener); }
  template <class T>
  void SetTarget(T* target, bool ownsTarget) {
    DeleteTarget();
    m_Target = target;
    m_OwnsTarget = ownsTarget;
    m_DeleteTarget = [](void* p) { delete static_cast<T*>(p); };
  }
  void* Target() const { return m_Target; }
  bool OwnsTarget() const { return m_OwnsTarget; }
  const std::list<MediaControl*>& Listeners() const { return m_Listeners; }
  // Deletes the listeners and the owned target.
  void Clear() {
    for (MediaControl* listener : m_Listeners) delete listener;
    m_Listeners.clear();
    DeleteTarget();
  }

private:
  void DeleteTarget() {
    if (m_OwnsTarget && m_Target && m_DeleteTarget) m_DeleteTarget(m_Target);
    m_Target = nullptr;
  }

  void* m_Target = nullptr;
  bool m_OwnsTarget = true;
  std::list<MediaControl*> m_Listeners;
  void (*m_DeleteTarget)(void*) = nullptr;
};

// A shared reference: holders share one heap block {object, count}; releasing the last
// reference deletes the object through its virtual destructor.
template <class T>
class DS_SharedRef {
public:
  DS_SharedRef() = default;
  explicit DS_SharedRef(T* object) : m_Block(new Block{object, 1}) {}
  DS_SharedRef(const DS_SharedRef& other) : m_Block(other.m_Block) {
    if (m_Block) ++m_Block->count;
  }
  DS_SharedRef& operator=(const DS_SharedRef& other) {
    if (m_Block != other.m_Block) {
      Release();
      m_Block = other.m_Block;
      if (m_Block) ++m_Block->count;
    }
    return *this;
  }
  ~DS_SharedRef() { Release(); }

  T* get() const { return m_Block ? m_Block->object : nullptr; }
  T* operator->() const { return get(); }
  T& operator*() const { return *get(); }
  explicit operator bool() const { return get() != nullptr; }
  int use_count() const { return m_Block ? m_Block->count : 0; }
  void reset() { Release(); }

private:
  struct Block {
    T* object;
    int count;
  };
  void Release() {
    if (!m_Block) return;
    if (--m_Block->count <= 0) {
      delete m_Block->object;
      delete m_Block;
    }
    m_Block = nullptr;
  }
  Block* m_Block = nullptr;
};
