#include "platform/effect/EffectRuntime.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "platform/ComPtr.h"
#include "platform/effect/EffectParser.h"

namespace effect {
namespace {

bool InDefaultPool(IDirect3DBaseTexture9* texture) {
  switch (texture->GetType()) {
    case D3DRTYPE_TEXTURE: {
      D3DSURFACE_DESC d{};
      return FAILED(static_cast<IDirect3DTexture9*>(texture)->GetLevelDesc(0, &d)) || d.Pool == D3DPOOL_DEFAULT;
    }
    case D3DRTYPE_CUBETEXTURE: {
      D3DSURFACE_DESC d{};
      return FAILED(static_cast<IDirect3DCubeTexture9*>(texture)->GetLevelDesc(0, &d)) || d.Pool == D3DPOOL_DEFAULT;
    }
    case D3DRTYPE_VOLUMETEXTURE: {
      D3DVOLUME_DESC d{};
      return FAILED(static_cast<IDirect3DVolumeTexture9*>(texture)->GetLevelDesc(0, &d)) || d.Pool == D3DPOOL_DEFAULT;
    }
    default:
      return true;
  }
}

// The device states one technique's passes touch, with the values they had when Begin
// saved them.
struct SavedStates {
  std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> render;
  std::vector<std::pair<std::pair<DWORD, DWORD>, DWORD>> sampler;  // (stage, state) -> value
  std::vector<std::pair<std::pair<DWORD, DWORD>, DWORD>> stage;
  std::vector<std::pair<DWORD, ComRef<IDirect3DBaseTexture9>>> textures;
  std::vector<std::pair<UINT, std::vector<float>>> vertexConstants;  // register -> 4 floats
  std::vector<std::pair<UINT, std::vector<float>>> pixelConstants;
  bool vertexShaderSaved = false;
  bool pixelShaderSaved = false;
  ComRef<IDirect3DVertexShader9> vertexShader;
  ComRef<IDirect3DPixelShader9> pixelShader;

  // Drops the references taken while saving, without touching the device.
  void Clear() { *this = SavedStates(); }
};

class RuntimeEffect final : public Effect {
 public:
  RuntimeEffect(IDirect3DDevice9* device, Description desc)
      : desc_(std::move(desc)) {
    device_.Assign(device);
    textures_.assign(desc_.params.size(), nullptr);
    vertexShaders_.assign(desc_.shaders.size(), nullptr);
    pixelShaders_.assign(desc_.shaders.size(), nullptr);
  }

  // Creates every shader once so that a source the device cannot run fails at creation.
  bool CreateShaders(std::string* errors) {
    for (size_t i = 0; i < desc_.shaders.size(); ++i) {
      if (!EnsureShader(int(i))) {
        if (errors)
          *errors = "line " + std::to_string(desc_.shaders[i].line) +
                    ": the device cannot create this shader";
        return false;
      }
    }
    return true;
  }

  ULONG AddRef() override { return ULONG(InterlockedIncrement(&refs_)); }
  ULONG Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return ULONG(left);
  }

  HRESULT SetTechnique(const char* name) override {
    if (!name || begun_) return D3DERR_INVALIDCALL;
    for (size_t i = 0; i < desc_.techniques.size(); ++i) {
      if (desc_.techniques[i].name == name) {
        technique_ = int(i);
        return D3D_OK;
      }
    }
    return D3DERR_INVALIDCALL;
  }

  HRESULT SetTexture(const char* name, IDirect3DBaseTexture9* texture) override {
    const int i = FindParam(name);
    if (i < 0 || desc_.params[i].type != ParamType::Texture) return D3DERR_INVALIDCALL;
    textures_[i].Assign(texture);
    return D3D_OK;
  }

  HRESULT SetFloat(const char* name, float value) override {
    const int i = FindParam(name);
    if (i < 0 || desc_.params[i].type != ParamType::Float) return D3DERR_INVALIDCALL;
    desc_.params[i].value[0] = value;
    return D3D_OK;
  }

  HRESULT SetFloatArray(const char* name, const float* values, UINT count) override {
    const int i = FindParam(name);
    if (i < 0 || desc_.params[i].type == ParamType::Texture || (!values && count)) return D3DERR_INVALIDCALL;
    Param& p = desc_.params[i];
    const UINT size = p.type == ParamType::Float4x4 ? 16 : UINT(p.type) + 1;
    std::copy(values, values + std::min(count, size), p.value);
    return D3D_OK;
  }

  HRESULT SetMatrix(const char* name, const D3DXMATRIX* matrix) override {
    const int i = FindParam(name);
    if (i < 0 || !matrix || desc_.params[i].type != ParamType::Float4x4) return D3DERR_INVALIDCALL;
    std::memcpy(desc_.params[i].value, static_cast<const float*>(*matrix), sizeof(float) * 16);
    return D3D_OK;
  }

  HRESULT Begin(UINT* passes, DWORD flags) override {
    if (begun_ || technique_ < 0) return D3DERR_INVALIDCALL;
    if (!(flags & D3DXFX_DONOTSAVESTATE)) SaveStates(flags);
    begun_ = true;
    pass_ = -1;
    if (passes) *passes = UINT(desc_.techniques[technique_].passes.size());
    return D3D_OK;
  }

  HRESULT BeginPass(UINT pass) override {
    if (!begun_ || pass_ >= 0 || pass >= desc_.techniques[technique_].passes.size())
      return D3DERR_INVALIDCALL;
    pass_ = int(pass);
    return ApplyPass(false);
  }

  HRESULT CommitChanges() override {
    if (!begun_ || pass_ < 0) return D3DERR_INVALIDCALL;
    return ApplyPass(true);
  }

  HRESULT EndPass() override {
    if (!begun_ || pass_ < 0) return D3DERR_INVALIDCALL;
    pass_ = -1;
    return D3D_OK;
  }

  HRESULT End() override {
    if (!begun_) return D3DERR_INVALIDCALL;
    RestoreStates();
    begun_ = false;
    pass_ = -1;
    return D3D_OK;
  }

  HRESULT OnLostDevice() override {
    // A device Reset fails while anything holds a default-pool resource: such textures
    // are let go (their owners make new ones after the reset), and so is everything the
    // effect made on the device. Managed textures survive a reset and stay set.
    for (auto& t : textures_)
      if (t && InDefaultPool(t)) t.Reset();
    for (auto& s : vertexShaders_) s.Reset();
    for (auto& s : pixelShaders_) s.Reset();
    saved_.Clear();
    begun_ = false;
    pass_ = -1;
    return D3D_OK;
  }

  HRESULT OnResetDevice() override { return CreateShaders(nullptr) ? D3D_OK : E_FAIL; }

 private:
  ~RuntimeEffect() override {
    OnLostDevice();
    // The managed textures OnLostDevice kept go with the members, before the device.
  }

  int FindParam(const char* name) const {
    if (!name) return -1;
    for (size_t i = 0; i < desc_.params.size(); ++i)
      if (desc_.params[i].name == name) return int(i);
    return -1;
  }

  bool EnsureShader(int i) {
    const Shader& s = desc_.shaders[i];
    if (s.pixel) {
      if (!pixelShaders_[i] &&
          FAILED(device_->CreatePixelShader(s.code.data(), pixelShaders_[i].ReleaseAndGetAddressOf())))
        pixelShaders_[i].Detach();  // not a reference of ours
      return pixelShaders_[i] != nullptr;
    }
    if (!vertexShaders_[i] &&
        FAILED(device_->CreateVertexShader(s.code.data(), vertexShaders_[i].ReleaseAndGetAddressOf())))
      vertexShaders_[i].Detach();  // not a reference of ours
    return vertexShaders_[i] != nullptr;
  }

  // Shader constant registers for a numeric parameter: vectors fill x first, matrices
  // go as columns (so "m4x4 r, v, c" computes v times the matrix) unless row_major.
  UINT ConstantData(const Param& p, float* out) const {
    const UINT regs = RegisterCount(p.type);
    std::fill(out, out + 16, 0.0f);
    if (p.type == ParamType::Float4x4) {
      for (UINT r = 0; r < 4; ++r)
        for (UINT c = 0; c < 4; ++c) out[r * 4 + c] = p.rowMajor ? p.value[r * 4 + c] : p.value[c * 4 + r];
    } else {
      std::copy(p.value, p.value + int(p.type) + 1, out);
    }
    return regs;
  }

  HRESULT ApplyPass(bool parametersOnly) {
    HRESULT result = D3D_OK;
    auto check = [&](HRESULT hr) {
      if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    };
    const Pass& pass = desc_.techniques[technique_].passes[pass_];
    for (const Assignment& a : pass.assignments) {
      switch (a.kind) {
        case AssignKind::RenderState:
          if (!parametersOnly) check(device_->SetRenderState(D3DRENDERSTATETYPE(a.state), a.value));
          break;
        case AssignKind::SamplerState:
          if (!parametersOnly) check(device_->SetSamplerState(a.index, D3DSAMPLERSTATETYPE(a.state), a.value));
          break;
        case AssignKind::StageState:
          if (!parametersOnly)
            check(device_->SetTextureStageState(a.index, D3DTEXTURESTAGESTATETYPE(a.state), a.value));
          break;
        case AssignKind::SamplerBind: {
          const Sampler& s = desc_.samplers[a.ref];
          if (!parametersOnly)
            for (const StateValue& v : s.states)
              check(device_->SetSamplerState(a.index, D3DSAMPLERSTATETYPE(v.state), v.value));
          if (s.texture >= 0) check(device_->SetTexture(a.index, textures_[s.texture]));
          break;
        }
        case AssignKind::TextureBind:
          check(device_->SetTexture(a.index, a.ref >= 0 ? textures_[a.ref].Get() : nullptr));
          break;
        case AssignKind::VertexConstant:
        case AssignKind::PixelConstant: {
          float data[16];
          const UINT regs = ConstantData(desc_.params[a.ref], data);
          check(a.kind == AssignKind::VertexConstant ? device_->SetVertexShaderConstantF(a.index, data, regs)
                                                     : device_->SetPixelShaderConstantF(a.index, data, regs));
          break;
        }
        case AssignKind::VertexShader:
          if (parametersOnly) break;
          if (a.ref >= 0 && !EnsureShader(a.ref)) {
            check(E_FAIL);
            break;
          }
          check(device_->SetVertexShader(a.ref >= 0 ? vertexShaders_[a.ref].Get() : nullptr));
          break;
        case AssignKind::PixelShader:
          if (parametersOnly) break;
          if (a.ref >= 0 && !EnsureShader(a.ref)) {
            check(E_FAIL);
            break;
          }
          check(device_->SetPixelShader(a.ref >= 0 ? pixelShaders_[a.ref].Get() : nullptr));
          break;
      }
    }
    return result;
  }

  void SaveStates(DWORD flags) {
    saved_.Clear();
    const bool shaders = !(flags & D3DXFX_DONOTSAVESHADERSTATE);
    const bool samplers = !(flags & D3DXFX_DONOTSAVESAMPLERSTATE);
    std::set<DWORD> render, textures;
    std::set<std::pair<DWORD, DWORD>> sampler, stage;
    std::set<UINT> vsRegs, psRegs;
    bool vs = false, ps = false;
    for (const Pass& pass : desc_.techniques[technique_].passes) {
      for (const Assignment& a : pass.assignments) {
        switch (a.kind) {
          case AssignKind::RenderState: render.insert(a.state); break;
          case AssignKind::SamplerState: sampler.insert({a.index, a.state}); break;
          case AssignKind::StageState: stage.insert({a.index, a.state}); break;
          case AssignKind::SamplerBind:
            for (const StateValue& v : desc_.samplers[a.ref].states) sampler.insert({a.index, v.state});
            if (desc_.samplers[a.ref].texture >= 0) textures.insert(a.index);
            break;
          case AssignKind::TextureBind: textures.insert(a.index); break;
          case AssignKind::VertexConstant:
          case AssignKind::PixelConstant: {
            auto& regs = a.kind == AssignKind::VertexConstant ? vsRegs : psRegs;
            for (UINT r = 0; r < RegisterCount(desc_.params[a.ref].type); ++r) regs.insert(a.index + r);
            break;
          }
          case AssignKind::VertexShader: vs = true; break;
          case AssignKind::PixelShader: ps = true; break;
        }
      }
    }
    for (DWORD s : render) {
      DWORD v = 0;
      if (SUCCEEDED(device_->GetRenderState(D3DRENDERSTATETYPE(s), &v)))
        saved_.render.push_back({D3DRENDERSTATETYPE(s), v});
    }
    if (samplers) {
      for (const auto& k : sampler) {
        DWORD v = 0;
        if (SUCCEEDED(device_->GetSamplerState(k.first, D3DSAMPLERSTATETYPE(k.second), &v)))
          saved_.sampler.push_back({k, v});
      }
    }
    for (const auto& k : stage) {
      DWORD v = 0;
      if (SUCCEEDED(device_->GetTextureStageState(k.first, D3DTEXTURESTAGESTATETYPE(k.second), &v)))
        saved_.stage.push_back({k, v});
    }
    for (DWORD t : textures) {
      ComRef<IDirect3DBaseTexture9> tex;
      if (SUCCEEDED(device_->GetTexture(t, tex.ReleaseAndGetAddressOf())))
        saved_.textures.push_back({t, std::move(tex)});
    }
    if (shaders) {
      for (UINT r : vsRegs) {
        std::vector<float> v(4);
        if (SUCCEEDED(device_->GetVertexShaderConstantF(r, v.data(), 1)))
          saved_.vertexConstants.push_back({r, std::move(v)});
      }
      for (UINT r : psRegs) {
        std::vector<float> v(4);
        if (SUCCEEDED(device_->GetPixelShaderConstantF(r, v.data(), 1)))
          saved_.pixelConstants.push_back({r, std::move(v)});
      }
      if (vs)
        saved_.vertexShaderSaved = SUCCEEDED(device_->GetVertexShader(saved_.vertexShader.ReleaseAndGetAddressOf()));
      if (ps)
        saved_.pixelShaderSaved = SUCCEEDED(device_->GetPixelShader(saved_.pixelShader.ReleaseAndGetAddressOf()));
    }
  }

  void RestoreStates() {
    for (const auto& s : saved_.render) device_->SetRenderState(s.first, s.second);
    for (const auto& s : saved_.sampler)
      device_->SetSamplerState(s.first.first, D3DSAMPLERSTATETYPE(s.first.second), s.second);
    for (const auto& s : saved_.stage)
      device_->SetTextureStageState(s.first.first, D3DTEXTURESTAGESTATETYPE(s.first.second), s.second);
    for (const auto& t : saved_.textures) device_->SetTexture(t.first, t.second);
    for (const auto& c : saved_.vertexConstants) device_->SetVertexShaderConstantF(c.first, c.second.data(), 1);
    for (const auto& c : saved_.pixelConstants) device_->SetPixelShaderConstantF(c.first, c.second.data(), 1);
    if (saved_.vertexShaderSaved) device_->SetVertexShader(saved_.vertexShader);
    if (saved_.pixelShaderSaved) device_->SetPixelShader(saved_.pixelShader);
    saved_.Clear();
  }

  LONG refs_ = 1;
  // Declared before everything made on it, so that it is released after them.
  ComRef<IDirect3DDevice9> device_;
  Description desc_;
  std::vector<ComRef<IDirect3DBaseTexture9>> textures_;  // per parameter; null for non-textures
  std::vector<ComRef<IDirect3DVertexShader9>> vertexShaders_;
  std::vector<ComRef<IDirect3DPixelShader9>> pixelShaders_;
  int technique_ = 0;
  bool begun_ = false;
  int pass_ = -1;
  SavedStates saved_;
};

}  // namespace
}  // namespace effect

Effect* CreateOwnRuntimeEffect(IDirect3DDevice9* device, const void* bytes, size_t size,
                               std::string* errors) {
  if (errors) errors->clear();
  if (!device) {
    if (errors) *errors = "no device";
    return nullptr;
  }
  effect::Description desc;
  std::string error;
  if (!effect::ParseEffect(static_cast<const char*>(bytes), bytes ? size : 0, &desc, &error)) {
    if (errors) *errors = error;
    return nullptr;
  }
  auto* e = new effect::RuntimeEffect(device, std::move(desc));
  if (!e->CreateShaders(errors)) {
    e->Release();
    return nullptr;
  }
  return e;
}
