#pragma once
// An effect double for tests: writes every parameter call into a log
// ("SetTechnique Blend_Max | SetTexture Texture1 | ..."), keeps the textures it was handed
// in order and the last float array, and runs `passes` passes. Reference counted like
// the real ones. Header only.
#include "platform/effect/Effect.h"

#include <string>
#include <vector>

namespace tw_test {

struct LoggingEffect final : Effect {
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  HRESULT SetTechnique(const char* name) override { return Log(std::string("SetTechnique ") + name); }
  HRESULT SetTexture(const char* name, IDirect3DBaseTexture9* t) override {
    textures.push_back(t);
    return Log(std::string("SetTexture ") + name);
  }
  HRESULT SetFloat(const char* name, float) override { return Log(std::string("SetFloat ") + name); }
  HRESULT SetFloatArray(const char* name, const float* values, UINT count) override {
    lastArray.assign(values, values + count);
    return Log(std::string("SetFloatArray ") + name);
  }
  HRESULT SetMatrix(const char* name, const D3DXMATRIX*) override { return Log(std::string("SetMatrix ") + name); }
  HRESULT Begin(UINT* p, DWORD) override {
    *p = passes;
    return S_OK;
  }
  HRESULT BeginPass(UINT) override { return S_OK; }
  HRESULT CommitChanges() override { return S_OK; }
  HRESULT EndPass() override { return S_OK; }
  HRESULT End() override { return S_OK; }
  HRESULT OnLostDevice() override { return S_OK; }
  HRESULT OnResetDevice() override { return S_OK; }

  HRESULT Log(const std::string& call) {
    log += (log.empty() ? "" : " | ") + call;
    return S_OK;
  }
  void Clear() {
    log.clear();
    textures.clear();
  }
  ULONG refs = 1;
  UINT passes = 1;
  std::string log;
  std::vector<IDirect3DBaseTexture9*> textures;
  std::vector<float> lastArray;
};

}  // namespace tw_test
