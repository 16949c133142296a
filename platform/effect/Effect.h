// The project's effect interface: the part of an effect object that the player calls.
// Effects are driven by technique and parameter names; a source compiles either through
// the platform's D3DX effect compiler or through the project's own effect runtime, which
// reads a subset of the effect-file syntax (see EffectParser.h).
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>

#include <cstddef>
#include <string>

// Reference counted (starts at 1). Mirrors the part of ID3DXEffect the player uses.
struct Effect {
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
  virtual HRESULT SetTechnique(const char* name) = 0;
  virtual HRESULT SetTexture(const char* name, IDirect3DBaseTexture9* texture) = 0;
  virtual HRESULT SetFloat(const char* name, float value) = 0;
  virtual HRESULT SetFloatArray(const char* name, const float* values, UINT count) = 0;
  virtual HRESULT SetMatrix(const char* name, const D3DXMATRIX* matrix) = 0;
  virtual HRESULT Begin(UINT* passes, DWORD flags) = 0;
  virtual HRESULT BeginPass(UINT pass) = 0;
  virtual HRESULT CommitChanges() = 0;
  virtual HRESULT EndPass() = 0;
  virtual HRESULT End() = 0;
  virtual HRESULT OnLostDevice() = 0;
  virtual HRESULT OnResetDevice() = 0;

 protected:
  virtual ~Effect() = default;
};

// Tries D3DXCreateEffect first, then the project's own runtime. Null when both fail;
// *errors (optional) gets the reason.
Effect* CreateEffectFromSource(IDirect3DDevice9* device, const void* bytes, size_t size,
                               std::string* errors = nullptr);
