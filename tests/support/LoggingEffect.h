#pragma once
// An effect double for tests: writes every parameter call into a log
// ("SetTechnique Blend_Max | SetTexture Texture1 | ..."), keeps the textures it was handed
// in order, the last float array, the last value of every parameter by name and the
// current technique, and runs `passes` passes. Reference counted like the real ones.
// Header only.
#include "platform/effect/Effect.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace tw_test {

struct LoggingEffect final : Effect {
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  HRESULT SetTechnique(const char* name) override {
    technique = name;
    return Log(std::string("SetTechnique ") + name);
  }
  HRESULT SetTexture(const char* name, IDirect3DBaseTexture9* t) override {
    textures.push_back(t);
    textureOf[name] = t;
    return Log(std::string("SetTexture ") + name);
  }
  HRESULT SetFloat(const char* name, float value) override {
    values[name].assign(1, value);
    return Log(std::string("SetFloat ") + name);
  }
  HRESULT SetFloatArray(const char* name, const float* v, UINT count) override {
    lastArray.assign(v, v + count);
    values[name].assign(v, v + count);
    return Log(std::string("SetFloatArray ") + name);
  }
  HRESULT SetMatrix(const char* name, const D3DXMATRIX* m) override {
    values[name].assign(&m->_11, &m->_11 + 16);
    return Log(std::string("SetMatrix ") + name);
  }
  // The values last set under the name (empty when never set).
  std::vector<float> Values(const std::string& name) const {
    auto it = values.find(name);
    return it == values.end() ? std::vector<float>() : it->second;
  }
  bool Has(const std::string& name) const { return values.count(name) || textureOf.count(name); }
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
    values.clear();
    textureOf.clear();
  }
  ULONG refs = 1;
  UINT passes = 1;
  std::string log;
  std::vector<IDirect3DBaseTexture9*> textures;
  std::vector<float> lastArray;
  std::string technique;
  std::map<std::string, std::vector<float>> values;
  std::map<std::string, IDirect3DBaseTexture9*> textureOf;
};

// The values last set under the name are the wanted ones, each within the tolerance.
inline void ExpectValues(const LoggingEffect& e, const std::string& name, const std::vector<float>& want,
                         float tolerance = 1e-4f) {
  const std::vector<float> got = e.Values(name);
  ASSERT_EQ(got.size(), want.size()) << name;
  for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], tolerance) << name << "[" << i << "]";
}

}  // namespace tw_test
