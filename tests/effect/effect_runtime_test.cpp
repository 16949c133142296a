// The project's effect runtime on a real device under Wine: names, state save and
// restore, parameter upload, drawn pixels and a device reset.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/effect/Effect.h"
#include "platform/effect/EffectRuntime.h"
#include "tests/effect/TestDevice.h"

using effect_test::Blue;
using effect_test::DrawQuadThrough;
using effect_test::Green;
using effect_test::Red;
using effect_test::TestDevice;

namespace {

constexpr UINT kSize = 64;

// The runtime itself, not the factory: Wine's effect compiler accepts some sources (those
// whose passes assign nothing), and these tests are about the project's own runtime.
Effect* Create(IDirect3DDevice9* device, const std::string& src, std::string* errors = nullptr) {
  return CreateOwnRuntimeEffect(device, src.data(), src.size(), errors);
}

ULONG RefCount(IUnknown* p) {
  p->AddRef();
  return p->Release();
}

class EffectRuntime : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(device_.get(), nullptr); }
  IDirect3DDevice9* dev() { return device_.get(); }


  TestDevice device_{kSize, kSize};
};

TEST_F(EffectRuntime, CreationReportsTheFailingLine) {
  std::string errors;
  Effect* e = Create(dev(), "float x;\ntechnique T { pass {\n  Blend = 1; } }", &errors);
  EXPECT_EQ(e, nullptr);
  EXPECT_EQ(errors.rfind("line 3:", 0), 0u) << errors;

  EXPECT_EQ(CreateEffectFromSource(nullptr, "technique T { }", 15, &errors), nullptr);
  EXPECT_EQ(CreateEffectFromSource(dev(), nullptr, 0, &errors), nullptr);
  EXPECT_FALSE(errors.empty());
  // The factory falls back to the runtime and passes its reason on.
  const std::string bad = "technique T {\n pass { Blend = 1; } }";
  EXPECT_EQ(CreateEffectFromSource(dev(), bad.data(), bad.size(), &errors), nullptr);
  EXPECT_EQ(errors.rfind("line 2:", 0), 0u) << errors;

  e = Create(dev(), "technique T { pass { ZEnable = false; } }", &errors);
  ASSERT_NE(e, nullptr) << errors;
  e->AddRef();
  EXPECT_EQ(e->Release(), 1u);
  EXPECT_EQ(e->Release(), 0u);
}

TEST_F(EffectRuntime, NamesAndTypesOfSettersAreChecked) {
  Effect* e = Create(dev(),
                     "float F; float2 F2; float4x4 M; texture T;\n"
                     "technique A { pass { PixelShaderConstantF[0] = <F>; } }\n"
                     "technique B { pass { } pass { } }\n");
  ASSERT_NE(e, nullptr);
  const float values[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  D3DXMATRIX m(values);
  struct Case {
    const char* what;
    HRESULT got;
    bool ok;
  } cases[] = {
      {"float on float", e->SetFloat("F", 1), true},
      {"float on float2", e->SetFloat("F2", 1), false},
      {"float on unknown", e->SetFloat("Nope", 1), false},
      {"float on null name", e->SetFloat(nullptr, 1), false},
      {"array on float2", e->SetFloatArray("F2", values, 2), true},
      {"longer array than the parameter", e->SetFloatArray("F2", values, 16), true},
      {"array on texture", e->SetFloatArray("T", values, 1), false},
      {"matrix on matrix", e->SetMatrix("M", &m), true},
      {"matrix on float", e->SetMatrix("F", &m), false},
      {"null texture", e->SetTexture("T", nullptr), true},
      {"texture on float", e->SetTexture("F", nullptr), false},
      {"names are case sensitive", e->SetTexture("t", nullptr), false},
      {"known technique", e->SetTechnique("B"), true},
      {"unknown technique", e->SetTechnique("Z"), false},
      {"null technique", e->SetTechnique(nullptr), false},
  };
  for (const Case& c : cases) EXPECT_EQ(SUCCEEDED(c.got), c.ok) << c.what;

  // The failed SetTechnique kept "B", which has two passes.
  UINT passes = 0;
  ASSERT_EQ(e->Begin(&passes, 0), D3D_OK);
  EXPECT_EQ(passes, 2u);
  EXPECT_FALSE(SUCCEEDED(e->BeginPass(2)));
  EXPECT_FALSE(SUCCEEDED(e->Begin(&passes, 0)));
  EXPECT_FALSE(SUCCEEDED(e->SetTechnique("A")));
  EXPECT_EQ(e->BeginPass(1), D3D_OK);
  EXPECT_FALSE(SUCCEEDED(e->BeginPass(0)));
  EXPECT_EQ(e->EndPass(), D3D_OK);
  EXPECT_FALSE(SUCCEEDED(e->EndPass()));
  EXPECT_EQ(e->End(), D3D_OK);
  EXPECT_FALSE(SUCCEEDED(e->End()));
  EXPECT_FALSE(SUCCEEDED(e->CommitChanges()));
  e->Release();
}

const char kStateSource[] = R"(
texture T;
float4 C = {0.25, 0.5, 0.75, 1};
sampler S = sampler_state { Texture = <T>; AddressU = Mirror; MinFilter = Point; };
technique Main { pass {
  AlphaBlendEnable = true; SrcBlend = SrcAlpha; CullMode = CW;
  Sampler[1] = (S);
  ColorOp[0] = SelectArg2;
  PixelShaderConstantF[3] = <C>;
  PixelShader = asm { ps_2_0
    mov oC0, c3
  };
} }
)";

TEST_F(EffectRuntime, BeginSavesWhatThePassesTouchAndEndRestoresIt) {
  IDirect3DTexture9* before = device_.MakeTexture(4, 4, [](UINT, UINT) { return 0xFF0000FFu; });
  IDirect3DTexture9* mine = device_.MakeTexture(4, 4, [](UINT, UINT) { return 0xFFFF0000u; });
  ASSERT_TRUE(before && mine);
  ID3DXBuffer* code = nullptr;
  const char ps[] = "ps_2_0\nmov oC0, c0\n";
  ASSERT_EQ(D3DXAssembleShader(ps, sizeof ps - 1, nullptr, nullptr, 0, &code, nullptr), D3D_OK);
  IDirect3DPixelShader9* previous = nullptr;
  ASSERT_EQ(dev()->CreatePixelShader(static_cast<const DWORD*>(code->GetBufferPointer()), &previous), D3D_OK);
  code->Release();

  Effect* e = Create(dev(), kStateSource);
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(e->SetTexture("T", mine), D3D_OK);

  const float nines[4] = {9, 9, 9, 9};
  auto setBefore = [&]() {
    dev()->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    dev()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    dev()->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev()->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    dev()->SetSamplerState(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    dev()->SetTexture(1, before);
    dev()->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev()->SetPixelShaderConstantF(3, nines, 1);
    dev()->SetPixelShader(previous);
  };
  struct Probe {
    DWORD alpha, src, cull, address, filter, op;
    IDirect3DBaseTexture9* texture;
    IDirect3DPixelShader9* shader;
    float constant[4];
  };
  auto probe = [&]() {
    Probe p{};
    dev()->GetRenderState(D3DRS_ALPHABLENDENABLE, &p.alpha);
    dev()->GetRenderState(D3DRS_SRCBLEND, &p.src);
    dev()->GetRenderState(D3DRS_CULLMODE, &p.cull);
    dev()->GetSamplerState(1, D3DSAMP_ADDRESSU, &p.address);
    dev()->GetSamplerState(1, D3DSAMP_MINFILTER, &p.filter);
    dev()->GetTextureStageState(0, D3DTSS_COLOROP, &p.op);
    dev()->GetTexture(1, &p.texture);
    dev()->GetPixelShader(&p.shader);
    dev()->GetPixelShaderConstantF(3, p.constant, 1);
    if (p.texture) p.texture->Release();  // only the pointers are compared
    if (p.shader) p.shader->Release();
    return p;
  };
  auto expectBefore = [&](const Probe& p) {
    EXPECT_EQ(p.alpha, DWORD(FALSE));
    EXPECT_EQ(p.src, DWORD(D3DBLEND_ONE));
    EXPECT_EQ(p.cull, DWORD(D3DCULL_NONE));
    EXPECT_EQ(p.address, DWORD(D3DTADDRESS_WRAP));
    EXPECT_EQ(p.filter, DWORD(D3DTEXF_LINEAR));
    EXPECT_EQ(p.op, DWORD(D3DTOP_MODULATE));
    EXPECT_EQ(p.texture, before);
    EXPECT_EQ(p.shader, previous);
    EXPECT_EQ(p.constant[0], 9.0f);
  };

  setBefore();
  const ULONG mineRefs = RefCount(mine);
  UINT passes = 0;
  ASSERT_EQ(e->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(passes, 1u);
  ASSERT_EQ(e->BeginPass(0), D3D_OK);
  Probe during = probe();
  EXPECT_EQ(during.alpha, DWORD(TRUE));
  EXPECT_EQ(during.src, DWORD(D3DBLEND_SRCALPHA));
  EXPECT_EQ(during.cull, DWORD(D3DCULL_CW));
  EXPECT_EQ(during.address, DWORD(D3DTADDRESS_MIRROR));
  EXPECT_EQ(during.filter, DWORD(D3DTEXF_POINT));
  EXPECT_EQ(during.op, DWORD(D3DTOP_SELECTARG2));
  EXPECT_EQ(during.texture, mine);
  EXPECT_NE(during.shader, previous);
  EXPECT_NE(during.shader, nullptr);
  EXPECT_EQ(during.constant[1], 0.5f);
  e->EndPass();
  ASSERT_EQ(e->End(), D3D_OK);
  expectBefore(probe());
  EXPECT_EQ(RefCount(mine), mineRefs) << "End must drop every reference it took";

  // D3DXFX_DONOTSAVESTATE leaves the pass's states in place.
  setBefore();
  ASSERT_EQ(e->Begin(&passes, D3DXFX_DONOTSAVESTATE), D3D_OK);
  ASSERT_EQ(e->BeginPass(0), D3D_OK);
  e->EndPass();
  e->End();
  const Probe after = probe();
  EXPECT_EQ(after.alpha, DWORD(TRUE));
  EXPECT_EQ(after.texture, mine);

  // Shader state is left alone with D3DXFX_DONOTSAVESHADERSTATE, render states are not.
  setBefore();
  ASSERT_EQ(e->Begin(&passes, D3DXFX_DONOTSAVESHADERSTATE), D3D_OK);
  ASSERT_EQ(e->BeginPass(0), D3D_OK);
  e->EndPass();
  e->End();
  const Probe shaderKept = probe();
  EXPECT_EQ(shaderKept.alpha, DWORD(FALSE));
  EXPECT_NE(shaderKept.shader, previous);
  EXPECT_EQ(shaderKept.constant[0], 0.25f);

  dev()->SetTexture(1, nullptr);
  dev()->SetPixelShader(nullptr);
  e->Release();
  previous->Release();
  before->Release();
  mine->Release();
}

TEST_F(EffectRuntime, ParameterValuesReachTheDeviceAtBeginPassAndCommit) {
  Effect* e = Create(dev(),
                     "float4 C; float4x4 M; row_major float4x4 R; float S = 7;\n"
                     "technique T { pass {\n"
                     "  PixelShaderConstantF[0] = <C>;\n"
                     "  PixelShaderConstantF[1] = <S>;\n"
                     "  VertexShaderConstantF[0] = <M>;\n"
                     "  VertexShaderConstantF[4] = <R>;\n"
                     "} }\n");
  ASSERT_NE(e, nullptr);
  const float c1[4] = {0.1f, 0.2f, 0.3f, 0.4f};
  const float c2[4] = {0.5f, 0.6f, 0.7f, 0.8f};
  const float mv[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  const D3DXMATRIX m(mv);
  ASSERT_EQ(e->SetFloatArray("C", c1, 4), D3D_OK);
  ASSERT_EQ(e->SetMatrix("M", &m), D3D_OK);
  ASSERT_EQ(e->SetMatrix("R", &m), D3D_OK);

  UINT passes = 0;
  ASSERT_EQ(e->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(e->BeginPass(0), D3D_OK);
  float got[8] = {};
  dev()->GetPixelShaderConstantF(0, got, 2);
  EXPECT_EQ(got[0], 0.1f);
  EXPECT_EQ(got[3], 0.4f);
  EXPECT_EQ(got[4], 7.0f);  // a float fills x, the rest is 0
  EXPECT_EQ(got[5], 0.0f);
  float vs[32] = {};
  dev()->GetVertexShaderConstantF(0, vs, 8);
  // Matrices go as columns, so c0 holds the first column: 1, 5, 9, 13.
  EXPECT_EQ(vs[0], 1.0f);
  EXPECT_EQ(vs[1], 5.0f);
  EXPECT_EQ(vs[3], 13.0f);
  EXPECT_EQ(vs[4], 2.0f);
  // row_major goes as rows: c4 holds 1, 2, 3, 4.
  EXPECT_EQ(vs[16], 1.0f);
  EXPECT_EQ(vs[17], 2.0f);
  EXPECT_EQ(vs[19], 4.0f);

  ASSERT_EQ(e->SetFloatArray("C", c2, 4), D3D_OK);
  dev()->GetPixelShaderConstantF(0, got, 1);
  EXPECT_EQ(got[0], 0.1f) << "a value set inside a pass waits for CommitChanges";
  ASSERT_EQ(e->CommitChanges(), D3D_OK);
  dev()->GetPixelShaderConstantF(0, got, 1);
  EXPECT_EQ(got[0], 0.5f);
  e->EndPass();
  e->End();
  e->Release();
}

TEST_F(EffectRuntime, DrawsAConstantColourThroughAnAssembledPixelShader) {
  Effect* e = Create(dev(),
                     "float4 Colour = {1, 0, 0, 1};\n"
                     "technique T { pass {\n"
                     "  PixelShaderConstantF[0] = <Colour>;\n"
                     "  PixelShader = asm { ps_2_0\n mov oC0, c0\n };\n"
                     "} }\n");
  ASSERT_NE(e, nullptr);
  const float colour[4] = {0.0f, 1.0f, 0.5f, 1.0f};
  ASSERT_EQ(e->SetFloatArray("Colour", colour, 4), D3D_OK);
  dev()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  ASSERT_TRUE(DrawQuadThrough(device_, e));
  const auto px = device_.ReadBackBuffer();
  ASSERT_EQ(px.size(), size_t(kSize) * kSize);
  for (DWORD c : {px[0], px[kSize * kSize / 2 + kSize / 2], px.back()}) {
    EXPECT_NEAR(Red(c), 0, 2);
    EXPECT_NEAR(Green(c), 255, 2);
    EXPECT_NEAR(Blue(c), 128, 2);
  }
  e->Release();
}

TEST_F(EffectRuntime, SamplerStateBlocksBindTextureAndFilters) {
  // A 2 x 2 texture: red, green / blue, white. Point filtering keeps the colours exact
  // right up to the middle of the target, where linear filtering would mix them.
  const DWORD texels[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
  IDirect3DTexture9* tex = device_.MakeTexture(2, 2, [&](UINT x, UINT y) { return texels[y * 2 + x]; });
  ASSERT_NE(tex, nullptr);
  Effect* e = Create(dev(),
                     "texture Picture;\n"
                     "sampler S = sampler_state { Texture = <Picture>; MinFilter = Point; MagFilter = Point;\n"
                     "  AddressU = Clamp; AddressV = Clamp; };\n"
                     "technique T { pass {\n"
                     "  Sampler[0] = (S);\n"
                     "  PixelShader = asm { ps_2_0\n dcl t0.xy\n dcl_2d s0\n texld r0, t0, s0\n mov oC0, r0\n };\n"
                     "} }\n");
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(e->SetTexture("Picture", tex), D3D_OK);
  dev()->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  ASSERT_TRUE(DrawQuadThrough(device_, e));
  const auto px = device_.ReadBackBuffer();
  ASSERT_EQ(px.size(), size_t(kSize) * kSize);
  auto at = [&](UINT x, UINT y) { return px[size_t(y) * kSize + x] & 0xFFFFFFu; };
  EXPECT_EQ(at(kSize / 2 - 1, 0), 0xFF0000u);
  EXPECT_EQ(at(kSize / 2, 0), 0x00FF00u);
  EXPECT_EQ(at(0, kSize - 1), 0x0000FFu);
  EXPECT_EQ(at(kSize - 1, kSize / 2), 0xFFFFFFu);
  DWORD filter = 0;
  dev()->GetSamplerState(0, D3DSAMP_MAGFILTER, &filter);
  EXPECT_EQ(filter, DWORD(D3DTEXF_LINEAR)) << "End restores the sampler state";
  e->Release();
  tex->Release();
}

struct ClipVertex {
  float x, y, z, u, v;
};

// Draws a clip-space quad over the whole target through a vertex shader whose matrix
// squeezes it into the left half.
void DrawThroughVertexShader(TestDevice& device, Effect* e) {
  D3DXMATRIX scale, move, m;
  D3DXMatrixScaling(&scale, 0.5f, 1.0f, 1.0f);
  D3DXMatrixTranslation(&move, -0.5f, 0.0f, 0.0f);
  m = scale * move;
  ASSERT_EQ(e->SetMatrix("WorldViewProj", &m), D3D_OK);
  IDirect3DDevice9* dev = device.get();
  const ClipVertex quad[4] = {{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {-1, -1, 0.5f, 0, 1}, {1, -1, 0.5f, 1, 1}};
  dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  dev->SetRenderState(D3DRS_ZENABLE, FALSE);
  ASSERT_EQ(dev->BeginScene(), D3D_OK);
  UINT passes = 0;
  ASSERT_EQ(e->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(passes, 1u);
  ASSERT_EQ(e->BeginPass(0), D3D_OK);
  dev->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
  dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ClipVertex));
  e->EndPass();
  e->End();
  dev->EndScene();
}

const char kVertexShaderSource[] = R"(
float4x4 WorldViewProj;
float4 Colour = {1, 1, 0, 1};
texture Target;
texture Kept;
technique T { pass {
  Texture[1] = <Target>;
  Texture[2] = <Kept>;
  VertexShaderConstantF[0] = <WorldViewProj>;
  PixelShaderConstantF[0] = <Colour>;
  VertexShader = asm { vs_2_0
    dcl_position v0
    m4x4 oPos, v0, c0
  };
  PixelShader = asm { ps_2_0
    mov oC0, c0
  };
} }
)";

void ExpectLeftHalfDrawn(TestDevice& device) {
  const auto px = device.ReadBackBuffer();
  ASSERT_EQ(px.size(), size_t(kSize) * kSize);
  const DWORD left = px[size_t(kSize / 2) * kSize + kSize / 4] & 0xFFFFFFu;
  const DWORD right = px[size_t(kSize / 2) * kSize + 3 * kSize / 4] & 0xFFFFFFu;
  EXPECT_EQ(left, 0xFFFF00u);
  EXPECT_EQ(right, 0x000000u);
}

TEST_F(EffectRuntime, VertexShaderTakesTheMatrixParameter) {
  Effect* e = Create(dev(), kVertexShaderSource);
  ASSERT_NE(e, nullptr);
  DrawThroughVertexShader(device_, e);
  ExpectLeftHalfDrawn(device_);
  IDirect3DVertexShader9* vs = nullptr;
  dev()->GetVertexShader(&vs);
  EXPECT_EQ(vs, nullptr) << "End restores the fixed-function vertex pipeline";
  if (vs) vs->Release();
  e->Release();
}

TEST_F(EffectRuntime, BlendStatesOfThePassApply) {
  Effect* e = Create(dev(),
                     "technique T { pass {\n"
                     "  AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha;\n"
                     "  PixelShader = asm { ps_2_0\n def c0, 1, 0, 0, 0.5\n mov oC0, c0\n };\n"
                     "} }\n");
  ASSERT_NE(e, nullptr);
  dev()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  ASSERT_TRUE(DrawQuadThrough(device_, e));
  const auto px = device_.ReadBackBuffer();
  ASSERT_FALSE(px.empty());
  EXPECT_NEAR(Red(px[100]), 128, 3);
  EXPECT_NEAR(Blue(px[100]), 127, 3);
  DWORD blend = 1;
  dev()->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
  EXPECT_EQ(blend, DWORD(FALSE));
  e->Release();
}

// A default-pool render target handed to an effect blocks a device Reset until the
// effect's OnLostDevice lets it go; afterwards the effect draws again, and a managed
// texture it was given is still bound.
TEST_F(EffectRuntime, ResetCycle) {
  Effect* e = Create(dev(), kVertexShaderSource);
  ASSERT_NE(e, nullptr);
  IDirect3DTexture9* kept = device_.MakeTexture(4, 4, [](UINT, UINT) { return 0xFF00FF00u; });
  ASSERT_NE(kept, nullptr);
  ASSERT_EQ(e->SetTexture("Kept", kept), D3D_OK);
  IDirect3DTexture9* target = nullptr;
  ASSERT_EQ(dev()->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                 &target, nullptr),
            D3D_OK);
  ASSERT_EQ(e->SetTexture("Target", target), D3D_OK);
  target->Release();  // the effect holds the only reference now
  DrawThroughVertexShader(device_, e);

  EXPECT_FALSE(SUCCEEDED(device_.Reset())) << "the held render target must block the reset";
  ASSERT_EQ(e->OnLostDevice(), D3D_OK);
  ASSERT_EQ(device_.Reset(), D3D_OK);
  ASSERT_EQ(e->OnResetDevice(), D3D_OK);

  DrawThroughVertexShader(device_, e);
  ExpectLeftHalfDrawn(device_);
  UINT passes = 0;
  ASSERT_EQ(e->Begin(&passes, D3DXFX_DONOTSAVESTATE), D3D_OK);
  ASSERT_EQ(e->BeginPass(0), D3D_OK);
  IDirect3DBaseTexture9* bound = nullptr;
  dev()->GetTexture(2, &bound);
  EXPECT_EQ(bound, kept);
  if (bound) bound->Release();
  e->EndPass();
  e->End();
  dev()->SetTexture(2, nullptr);
  dev()->SetVertexShader(nullptr);
  dev()->SetPixelShader(nullptr);

  // And again, in the middle of a Begin: the effect forgets its saved states safely.
  ASSERT_EQ(e->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(e->OnLostDevice(), D3D_OK);
  EXPECT_FALSE(SUCCEEDED(e->End()));
  ASSERT_EQ(device_.Reset(), D3D_OK);
  ASSERT_EQ(e->OnResetDevice(), D3D_OK);
  e->Release();
  EXPECT_EQ(RefCount(kept), 1u) << "releasing the effect lets go of its textures";
  kept->Release();
}

// The same promise for an effect the platform's compiler made (under Wine it accepts
// sources whose passes assign nothing): a render target set on it must not block the
// device Reset once the effect was told the device is lost. (Wine's compiler-made effects
// answer OnResetDevice with E_NOTIMPL, which callers ignore.)
TEST_F(EffectRuntime, CompilerMadeEffectLetsRenderTargetsGoOnLoss) {
  const std::string src = "texture Target;\ntexture Kept;\ntechnique A { pass { } }\n";
  Effect* e = CreateEffectFromSource(dev(), src.data(), src.size());
  ASSERT_NE(e, nullptr);
  IDirect3DTexture9* kept = device_.MakeTexture(4, 4, [](UINT, UINT) { return 0xFF00FF00u; });
  ASSERT_NE(kept, nullptr);
  IDirect3DTexture9* target = nullptr;
  ASSERT_EQ(dev()->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                 &target, nullptr),
            D3D_OK);
  ASSERT_EQ(e->SetTexture("Target", target), D3D_OK);
  ASSERT_EQ(e->SetTexture("Kept", kept), D3D_OK);
  target->Release();  // the effect holds the only reference now
  const ULONG keptRefs = RefCount(kept);

  EXPECT_FALSE(SUCCEEDED(device_.Reset())) << "the held render target must block the reset";
  ASSERT_EQ(e->OnLostDevice(), D3D_OK);
  EXPECT_EQ(device_.Reset(), D3D_OK);
  e->OnResetDevice();
  EXPECT_EQ(RefCount(kept), keptRefs) << "a managed texture stays set";
  e->Release();
  kept->Release();
}

}  // namespace
