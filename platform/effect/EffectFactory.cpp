// Creating an effect: the platform's compiler first (on Windows it compiles any HLSL), then
// the project's own runtime for the subset of the effect-file syntax it reads.
#include "platform/effect/Effect.h"

#include "platform/effect/EffectRuntime.h"

namespace {

// Forwards the narrow interface to a D3DX effect.
class D3DXEffectAdapter final : public Effect {
 public:
  explicit D3DXEffectAdapter(ID3DXEffect* effect) : effect_(effect) {}

  ULONG AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return ULONG(left);
  }
  HRESULT SetTechnique(const char* name) override {
    if (!name) return E_INVALIDARG;
    D3DXHANDLE h = effect_->GetTechniqueByName(name);
    return h ? effect_->SetTechnique(h) : E_FAIL;
  }
  HRESULT SetTexture(const char* name, IDirect3DBaseTexture9* texture) override {
    D3DXHANDLE h = Param(name);
    return h ? effect_->SetTexture(h, texture) : E_FAIL;
  }
  HRESULT SetFloat(const char* name, float value) override {
    D3DXHANDLE h = Param(name);
    return h ? effect_->SetFloat(h, value) : E_FAIL;
  }
  HRESULT SetFloatArray(const char* name, const float* values, UINT count) override {
    D3DXHANDLE h = Param(name);
    return h ? effect_->SetFloatArray(h, values, count) : E_FAIL;
  }
  HRESULT SetMatrix(const char* name, const D3DXMATRIX* matrix) override {
    D3DXHANDLE h = Param(name);
    return h ? effect_->SetMatrix(h, matrix) : E_FAIL;
  }
  HRESULT Begin(UINT* passes, DWORD flags) override { return effect_->Begin(passes, flags); }
  HRESULT BeginPass(UINT pass) override { return effect_->BeginPass(pass); }
  HRESULT CommitChanges() override { return effect_->CommitChanges(); }
  HRESULT EndPass() override { return effect_->EndPass(); }
  HRESULT End() override { return effect_->End(); }
  HRESULT OnLostDevice() override { return effect_->OnLostDevice(); }
  HRESULT OnResetDevice() override { return effect_->OnResetDevice(); }

 private:
  ~D3DXEffectAdapter() override { effect_->Release(); }
  D3DXHANDLE Param(const char* name) const {
    return name ? effect_->GetParameterByName(nullptr, name) : nullptr;
  }

  ID3DXEffect* effect_;
  LONG refs_ = 1;
};

}  // namespace

Effect* CreateEffectFromSource(IDirect3DDevice9* device, const void* bytes, size_t size,
                               std::string* errors) {
  if (errors) errors->clear();
  if (!device || !bytes || size == 0) {
    if (errors) *errors = "no device or empty effect source";
    return nullptr;
  }
  if (size <= 0x7fffffff) {
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* messages = nullptr;
    const HRESULT hr = D3DXCreateEffect(device, bytes, UINT(size), nullptr, nullptr, 0, nullptr,
                                        &effect, &messages);
    if (messages) messages->Release();
    if (SUCCEEDED(hr) && effect) return new D3DXEffectAdapter(effect);
  }
  return CreateOwnRuntimeEffect(device, bytes, size, errors);
}
