#pragma once
// The one Direct3D device every drawing routine works on. The Direct3D host sets it
// when it creates the device; tests set it to their own.
#include <d3d9.h>

extern IDirect3DDevice9* g_Device;

// Releases a COM pointer once and forgets it, so that a second call is harmless.
template <class T>
inline void ReleaseAndNull(T*& p)
{
  if (p) {
    p->Release();
    p = nullptr;
  }
}

// Makes `slot` hold `value` (with a reference of its own), releasing what it held.
template <class T>
inline void ReplaceReference(T*& slot, T* value)
{
  if (slot == value) return;
  if (value) value->AddRef();
  if (slot) slot->Release();
  slot = value;
}
