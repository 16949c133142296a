#pragma once
// Parameter fields as records store them: a 32-bit integer, three floats, or a colour
// (u32 value, then i32 transparency percent). A field that a derived value follows (a
// scaled value, an alpha byte) is read with change notification; other fields are only
// filled. A failed read leaves the parameter as it was.
#include "core/archive/DS_IOF.h"
#include "core/params/CompositeParams.h"
#include "core/params/MediaParam.h"

#include <d3dx9math.h>

template <class T>
void ReadStoredInt(DS_IOF_Virtual& archive, MediaParamTB<T>& param, bool notify = false) {
  int value = static_cast<int>(param.Get());
  archive.ReadInt(value);
  if (notify) param.Set(static_cast<T>(value));
  else param.Store(static_cast<T>(value));
}

inline void WriteStoredInt(DS_IOF_Virtual& archive, long long value) {
  const int stored = static_cast<int>(value);
  archive.WriteInt(stored);
}

// A 4-byte WriteLong / ReadLong field (a mode, a flag), stored without notification.
template <class T>
void ReadStoredLong(DS_IOF_Virtual& archive, MediaParamTB<T>& param) {
  long value = static_cast<long>(param.Get());
  archive.ReadLong(value);
  param.Store(static_cast<T>(value));
}

// A 4-byte WriteUInt / ReadUInt field (a colour value without its transparency, say),
// stored without notification.
template <class T>
void ReadStoredUInt(DS_IOF_Virtual& archive, MediaParamTB<T>& param) {
  unsigned value = static_cast<unsigned>(param.Get());
  archive.ReadUInt(value);
  param.Store(static_cast<T>(value));
}

inline void ReadStoredVector(DS_IOF_Virtual& archive, MediaParamTB<D3DXVECTOR3>& param) {
  D3DXVECTOR3 value = param.Get();
  ReadVector3(archive, value);
  param.Store(value);
}

inline void WriteStoredVector(DS_IOF_Virtual& archive, const MediaParamTB<D3DXVECTOR3>& param) {
  WriteVector3(archive, param.Get());
}

// The value is stored without notification, the transparency through its setter so that
// the alpha byte follows.
inline void ReadStoredColour(DS_IOF_Virtual& archive, MediaColor& colour) {
  unsigned value = static_cast<unsigned>(colour.Get());
  int transparency = static_cast<int>(colour.transparency.Get());
  archive.ReadUInt(value);
  archive.ReadInt(transparency);
  colour.Store(value);
  colour.transparency.Set(static_cast<unsigned>(transparency));
}

inline void WriteStoredColour(DS_IOF_Virtual& archive, const MediaColor& colour) {
  archive.WriteUInt(static_cast<unsigned>(colour.Get()));
  archive.WriteInt(static_cast<int>(colour.transparency.Get()));
}
