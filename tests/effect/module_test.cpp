// The stand-in resource module "velmora.dll": every id the player asks for reads back
// through FindResourceW/LoadResource and becomes a texture, a mesh, a stored texture set
// or an effect with the names its users set; the wave, underwater and glow effects draw
// the pictures they should.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "core/document/DocResManager.h"
#include "core/document/ResourceModule.h"
#include "core/render/Device.h"
#include "platform/effect/Effect.h"
#include "platform/effect/EffectRuntime.h"
#include "tests/effect/ModuleFixture.h"
#include "tests/effect/TestDevice.h"

using effect_test::DrawQuadThrough;
using effect_test::Green;
using effect_test::Red;
using effect_test::TestDevice;

namespace {

using namespace module_test;


// The "DDS" pictures: every picture id the scene classes' defaults name (the flame
// layer's bump map 62 and the clock's dial 71 and hands 72 among them).
const int kPictureIds[] = {5, 6, 7, 8, 40, 58, 59, 60, 62, 71, 72, 89, 93, 95, 98, 2016};

TEST_F(VelmoraModule, EveryPictureLoadsAsATexture) {
  for (int id : kPictureIds) {
    SCOPED_TRACE("picture " + std::to_string(id));
    D3DXIMAGE_INFO info{};
    IDirect3DTexture9* tex = LoadPicture(id, &info);
    ASSERT_NE(tex, nullptr);
    EXPECT_GE(info.Width, 16u);
    EXPECT_GE(info.Height, 16u);
    tex->Release();
  }
}

TEST_F(VelmoraModule, PicturesHaveTheLayoutTheirUsersAssume) {
  D3DXIMAGE_INFO info{};
  // The falling-code layer counts glyphs as height / width: a strip of square glyphs.
  IDirect3DTexture9* glyphs = LoadPicture(40, &info);
  ASSERT_NE(glyphs, nullptr);
  EXPECT_EQ(info.Height % info.Width, 0u);
  EXPECT_GE(info.Height / info.Width, 8u);
  glyphs->Release();

  // Bolt segments run along u.
  for (int id : {95, 98}) {
    IDirect3DTexture9* bolt = LoadPicture(id, &info);
    ASSERT_NE(bolt, nullptr);
    EXPECT_GT(info.Width, info.Height);
    bolt->Release();
  }

  // The water's bump picture is a normal map: on average it points out of the surface.
  IDirect3DTexture9* normals = LoadPicture(89, &info);
  ASSERT_NE(normals, nullptr);
  D3DLOCKED_RECT lr{};
  ASSERT_EQ(normals->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
  double r = 0, g = 0, b = 0;
  for (UINT y = 0; y < info.Height; ++y) {
    const DWORD* row = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(lr.pBits) + lr.Pitch * y);
    for (UINT x = 0; x < info.Width; ++x) {
      r += Red(row[x]);
      g += Green(row[x]);
      b += effect_test::Blue(row[x]);
    }
  }
  normals->UnlockRect(0);
  const double n = double(info.Width) * info.Height;
  EXPECT_NEAR(r / n, 128, 6);
  EXPECT_NEAR(g / n, 128, 6);
  EXPECT_GT(b / n, 220);
  normals->Release();
}

struct MeshCase {
  int id;
  const char* what;
  float minRadius, maxRadius;
};

const MeshCase kMeshes[] = {
    {68, "butterfly body", 20, 40},
    {69, "butterfly wing", 15, 40},
    {70, "clock dial and hands", 60, 80},
};

TEST_F(VelmoraModule, EveryMeshLoadsWithTextureCoordinates) {
  for (const MeshCase& c : kMeshes) {
    SCOPED_TRACE(c.what);
    const Bytes b = Resource(c.id, L"DDS");
    ASSERT_NE(b.data, nullptr);
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* adjacency = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromXInMemory(b.data, b.size, D3DXMESH_SYSTEMMEM, device_.get(), &adjacency, nullptr,
                                        nullptr, nullptr, &mesh),
              D3D_OK);
    EXPECT_TRUE(mesh->GetFVF() & D3DFVF_TEX1);
    EXPECT_GT(mesh->GetNumFaces(), 0u);
    ID3DXMesh* clone = nullptr;
    ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, device_.get(), &clone),
              D3D_OK);
    EXPECT_EQ(D3DXComputeNormals(clone, nullptr), D3D_OK);
    void* vertices = nullptr;
    ASSERT_EQ(clone->LockVertexBuffer(D3DLOCK_READONLY, &vertices), D3D_OK);
    D3DXVECTOR3 centre;
    float radius = 0;
    EXPECT_EQ(D3DXComputeBoundingSphere(static_cast<const D3DXVECTOR3*>(vertices), clone->GetNumVertices(), 32,
                                        &centre, &radius),
              D3D_OK);
    clone->UnlockVertexBuffer();
    EXPECT_GE(radius, c.minRadius);
    EXPECT_LE(radius, c.maxRadius);
    clone->Release();
    mesh->Release();
    if (adjacency) adjacency->Release();
  }
}

// The techniques and parameters that each id's users set, as "name:kind" where kind is
// a float count, m (matrix) or t (texture).
struct EffectCase {
  int id;
  const char* techniques;
  const char* params;
};

const EffectCase kEffects[] = {
    {62, "BumpmapDistortLow2", "SceneTex:t Bumpmap:t stenght:1 Offset:2 bump_scale:2"},
    {63, "BumpmapDistortLow2", "SceneTex:t Bumpmap:t stenght:1 Offset:2 bump_scale:2"},
    {75, "Main MainFX", "Scale:2 Mask:t Background:t offset:2"},
    {76, "Main MainFX Blend_Normal Blend_Screen PS_ColorDodge Blend_Sum",
     "Scale:2 Mask:t Background:t multiplier:1 BlendColor:4 Texture1:t Texture2:t"},
    {77, "Main MainFX", "Scale:2 Mask:t Background:t direction:2 direction_n:2 frequency:1 amplitude:1 time:1"},
    {78, "Main MainFX", "Scale:2 Mask:t Background:t mix_color:4 Pattern:t scale:2 offset:2 coord_transf:4"},
    {88, "Main MainFX", "Scale:2 Mask:t Background:t frequency:2 amplitude:1 time:1"},
    {90, "Main MainFX",
     "Scale:2 Mask:t Background:t BumpMap:t BampTrans:4 P1:3 P2:3 Time:1 Direction1:2 Direction2:2 Shadows:1 "
     "Vhalf:3 Color:3"},
    {91, "Main MainFX", "Scale:2 Mask:t Background:t Direction:2"},
    {92, "Main AsEffect",
     "WorldViewProj:m ViewProj:m Noise:t Pattern:t c11:2 c12:2 c13:2 bg_scale_factor:2 ColorK1:3 ColorK2:3 "
     "Mask:t Background:t Brightness:1 Density:1"},
    {97, "Blend_Max Blend_Normal Blend_Screen Common", "Texture1:t Texture2:t BlendColor:4"},
    {102, "Main MainFX", "Scale:2 Mask:t Background:t amplitude:2 center:2"},
    {103, "Main MainFX",
     "Scale:2 Mask:t Background:t bg_scale_factor:2 center:2 frequency:1 amplitude:1 time:1"},
    {116, "Blend_Normal", "Texture:t Color:4"},
};

TEST_F(VelmoraModule, EveryEffectHasTheNamesItsUsersSetAndDraws) {
  IDirect3DTexture9* grey = device_.MakeTexture(8, 8, [](UINT, UINT) { return 0xFF808080u; });
  ASSERT_NE(grey, nullptr);
  for (const EffectCase& c : kEffects) {
    SCOPED_TRACE("effect " + std::to_string(c.id));
    std::string errors;
    Effect* e = LoadEffect(c.id, &errors);
    ASSERT_NE(e, nullptr) << errors;

    std::istringstream params(c.params);
    std::string spec;
    const float values[16] = {0.5f, 0.25f, 0.125f, 1.0f};
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    while (params >> spec) {
      const std::string name = spec.substr(0, spec.find(':'));
      const std::string kind = spec.substr(spec.find(':') + 1);
      HRESULT hr;
      if (kind == "t") hr = e->SetTexture(name.c_str(), grey);
      else if (kind == "m") hr = e->SetMatrix(name.c_str(), &identity);
      else if (kind == "1") hr = e->SetFloat(name.c_str(), 0.5f);
      else hr = e->SetFloatArray(name.c_str(), values, UINT(std::stoi(kind)));
      EXPECT_EQ(hr, D3D_OK) << name;
    }

    std::istringstream techniques(c.techniques);
    std::string technique;
    while (techniques >> technique) {
      ASSERT_EQ(e->SetTechnique(technique.c_str()), D3D_OK) << technique;
      EXPECT_TRUE(DrawQuadThrough(device_, e)) << technique;
    }
    EXPECT_NE(e->SetTechnique("NoSuchTechnique"), D3D_OK);
    e->Release();
  }
  grey->Release();
}

// The player's own loader: the resource manager reads every id from the module by link,
// as the scene classes' defaults name them, through its texture cache. The manager stores
// one record per link whatever its type, so each kind is read by a manager of its own (the
// flame layer's 62 is a picture; its effect is 63).
TEST_F(VelmoraModule, EveryIdReadsBackThroughTheResourceManager) {
  g_Device = device_.get();
  {
    DS_DocResManager manager;
    for (int id : kPictureIds) {
      SCOPED_TRACE("picture " + std::to_string(id));
      const DS_TextureSet& set = manager.GetTextureSet(DS_LinkKey(kResourceModuleName, id));
      ASSERT_EQ(set.textures.size(), 1u);
      EXPECT_NE(set.textures[0], nullptr);
      EXPECT_GE(set.width, 16u);
      EXPECT_GE(set.height, 16u);
    }
  }
  {
    DS_DocResManager manager;
    for (const MeshCase& c : kMeshes) {
      SCOPED_TRACE(c.what);
      const DS_MeshRecord& mesh = manager.GetMesh(DS_LinkKey(kResourceModuleName, c.id), 32);
      EXPECT_FALSE(mesh.IsEmpty());
      EXPECT_GE(mesh.radius, c.minRadius);
      EXPECT_LE(mesh.radius, c.maxRadius);
    }
  }
  {
    DS_DocResManager manager;
    for (const EffectCase& c : kEffects) {
      SCOPED_TRACE("effect " + std::to_string(c.id));
      Effect* e = manager.GetEffect(DS_LinkKey(kResourceModuleName, c.id));
      ASSERT_NE(e, nullptr);
      const std::string techniques = c.techniques;
      EXPECT_EQ(e->SetTechnique(techniques.substr(0, techniques.find(' ')).c_str()), D3D_OK);
      e->Release();
    }
    // An effect id the module does not hold gives no effect.
    EXPECT_EQ(manager.GetEffect(DS_LinkKey(kResourceModuleName, 64)), nullptr);
  }
  g_Device = nullptr;
}

TEST_F(EffectPictures, WavesPushThePictureAlongTheWaveNormal) {
  std::string errors;
  Effect* e = LoadEffect(77, &errors);
  ASSERT_NE(e, nullptr) << errors;
  // Waves running along x (angle 0: "direction" (-1, 0)), pushing along y (wave mode 0).
  const float scale[2] = {1.0f, 1.0f}, direction[2] = {-1.0f, 0.0f}, normal[2] = {0.0f, 1.0f};
  const float frequency = 20.0f, amplitude = 0.05f, time = 0.7f;
  ASSERT_EQ(e->SetFloatArray("Scale", scale, 2), D3D_OK);
  ASSERT_EQ(e->SetFloatArray("direction", direction, 2), D3D_OK);
  ASSERT_EQ(e->SetFloatArray("direction_n", normal, 2), D3D_OK);
  ASSERT_EQ(e->SetFloat("frequency", frequency), D3D_OK);
  ASSERT_EQ(e->SetFloat("amplitude", amplitude), D3D_OK);
  ASSERT_EQ(e->SetFloat("time", time), D3D_OK);
  auto displace = [&](double u, double v, double* du, double* dv) {
    const double s = amplitude * std::sin(frequency * (u * direction[0] + v * direction[1]) + time);
    *du = normal[0] * s;
    *dv = normal[1] * s;
  };
  for (const char* technique : {"Main", "MainFX"}) {
    SCOPED_TRACE(technique);
    CheckDisplacement(e, technique, displace, amplitude);
  }
  e->Release();
}

TEST_F(EffectPictures, UnderwaterWobblesThePictureBothWays) {
  std::string errors;
  Effect* e = LoadEffect(88, &errors);
  ASSERT_NE(e, nullptr) << errors;
  const float frequency[2] = {12.0f, 9.0f};
  const float amplitude = 0.04f, time = 0.3f;
  ASSERT_EQ(e->SetFloatArray("frequency", frequency, 2), D3D_OK);
  ASSERT_EQ(e->SetFloat("amplitude", amplitude), D3D_OK);
  ASSERT_EQ(e->SetFloat("time", time), D3D_OK);
  auto displace = [&](double u, double v, double* du, double* dv) {
    *du = amplitude * std::sin(v * frequency[1] + time);
    *dv = amplitude * std::sin(u * frequency[0] + time);
  };
  for (const char* technique : {"Main", "MainFX"}) {
    SCOPED_TRACE(technique);
    CheckDisplacement(e, technique, displace, amplitude);
  }
  e->Release();
}

// The effects that move the whole picture by a value their users pass: each reads the
// background where the value says, in both techniques.
TEST_F(EffectPictures, ShiftingEffectsMoveThePictureByTheirValues) {
  struct Case {
    int id;
    const char* param;
    float value[2];
    // The texture coordinate read at (u, v), less (u, v).
    void (*displace)(const float* value, double u, double v, double* du, double* dv);
  };
  const Case cases[] = {
      // Background copy: the scene shifted right and down by "offset".
      {75, "offset", {0.05f, -0.03f},
       [](const float* o, double, double, double* du, double* dv) { *du = -o[0], *dv = -o[1]; }},
      // Move: every point reads the picture "Direction" away.
      {91, "Direction", {-0.04f, 0.02f},
       [](const float* d, double, double, double* du, double* dv) { *du = d[0], *dv = d[1]; }},
      // Expand: amplitude.x zooms in about "center" (0.5, 0.5), amplitude.y zooms out.
      {102, "amplitude", {0.1f, 0.0f},
       [](const float* a, double u, double v, double* du, double* dv) {
         *du = (u - 0.5) * (a[1] - a[0]), *dv = (v - 0.5) * (a[1] - a[0]);
       }},
      {102, "amplitude", {0.0f, 0.1f},
       [](const float* a, double u, double v, double* du, double* dv) {
         *du = (u - 0.5) * (a[1] - a[0]), *dv = (v - 0.5) * (a[1] - a[0]);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("effect " + std::to_string(c.id) + " " + c.param);
    std::string errors;
    Effect* e = LoadEffect(c.id, &errors);
    ASSERT_NE(e, nullptr) << errors;
    ASSERT_EQ(e->SetFloatArray(c.param, c.value, 2), D3D_OK);
    const float centre[2] = {0.5f, 0.5f};
    if (c.id == 102) {
      ASSERT_EQ(e->SetFloatArray("center", centre, 2), D3D_OK);
    }
    auto displace = [&](double u, double v, double* du, double* dv) { c.displace(c.value, u, v, du, dv); };
    for (const char* technique : {"Main", "MainFX"}) {
      SCOPED_TRACE(technique);
      CheckDisplacement(e, technique, displace, 0.03);
    }
    e->Release();
  }
}

TEST_F(EffectPictures, FireDrawsFlamesOverTheScene) {
  std::string errors;
  Effect* e = LoadEffect(92, &errors);
  ASSERT_NE(e, nullptr) << errors;
  D3DXIMAGE_INFO info{};
  IDirect3DTexture9* noise = LoadPicture(8, &info);
  IDirect3DTexture9* pattern = LoadPicture(93, &info);
  ASSERT_TRUE(noise && pattern);
  ASSERT_EQ(e->SetTexture("Noise", noise), D3D_OK);
  ASSERT_EQ(e->SetTexture("Pattern", pattern), D3D_OK);
  ASSERT_EQ(e->SetTechnique("Main"), D3D_OK);
  device_.get()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  ASSERT_TRUE(DrawQuadThrough(device_, e));
  const auto px = device_.ReadBackBuffer();
  ASSERT_FALSE(px.empty());
  // Flames rise from the bottom: the lowest rows glow red to yellow, the top stays dark.
  int bottomRed = 0, topRed = 0;
  for (UINT x = 0; x < 128; ++x) {
    bottomRed += Red(px[124 * 128 + x]);
    topRed += Red(px[2 * 128 + x]);
  }
  EXPECT_GT(bottomRed / 128, 60);
  EXPECT_LT(topRed / 128, 20);
  e->Release();
  noise->Release();
  pattern->Release();
}

// ---------------------------------------------------------------------------------------
// The stored texture set 120: three solid frames (red, green, blue) with their delays,
// read as sprite systems of image kind 1 read it.

TEST_F(VelmoraModule, StoredTextureSetHoldsThreeSolidFramesWithDelays) {
  g_Device = device_.get();
  {
    DS_DocResManager manager;
    const DS_LinkKey link(kResourceModuleName, 120);
    DS_TextureSet& set = manager.LoadModuleTextureSet(link);
    ASSERT_EQ(set.textures.size(), 3u);
    EXPECT_EQ(set.delays, (std::vector<float>{0.25f, 0.5f, 0.75f}));
    EXPECT_EQ(set.width, 32u);
    EXPECT_EQ(set.height, 32u);
    const DWORD colours[3] = {0xFF0000, 0x00FF00, 0x0000FF};
    for (size_t i = 0; i < 3; ++i) {
      SCOPED_TRACE("frame " + std::to_string(i));
      IDirect3DTexture9* t = set.textures[i].Get();
      ASSERT_NE(t, nullptr);
      D3DLOCKED_RECT lr{};
      ASSERT_EQ(t->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
      const DWORD texel = *static_cast<const DWORD*>(lr.pBits);
      t->UnlockRect(0);
      EXPECT_EQ(texel & 0xFFFFFFu, colours[i]);
    }
  }
  g_Device = nullptr;
}

// ---------------------------------------------------------------------------------------
// The glow effect 97 through the project's own runtime (the platform's compiler under
// Wine does not take effects whose passes assign states): each technique does what the
// glow systems draw with it.

class GlowEffect : public VelmoraModule {
 protected:
  void SetUp() override {
    VelmoraModule::SetUp();
    if (HasFatalFailure()) return;
    const Bytes b = Resource(97, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    ASSERT_NE(b.data, nullptr);
    std::string errors;
    effect_ = CreateOwnRuntimeEffect(device_.get(), b.data, b.size, &errors);
    ASSERT_NE(effect_, nullptr) << errors;
  }
  void TearDown() override {
    if (effect_) effect_->Release();
    for (IUnknown* u : owned_) u->Release();
  }

  IDirect3DTexture9* Texture(const std::function<DWORD(UINT, UINT)>& colour) {
    IDirect3DTexture9* t = device_.MakeTexture(128, 128, colour);
    if (t) owned_.push_back(t);
    return t;
  }

  // A quad over the whole 128 x 128 target with a vertex colour, texel centres on pixel
  // centres, drawn through every pass of the current technique.
  void DrawColouredQuad(D3DCOLOR colour) {
    struct V {
      float x, y, z, rhw;
      D3DCOLOR c;
      float u, v;
    };
    const float s = 128.0f - 0.5f;
    const V quad[4] = {{-0.5f, -0.5f, 0, 1, colour, 0, 0},
                       {s, -0.5f, 0, 1, colour, 1, 0},
                       {-0.5f, s, 0, 1, colour, 0, 1},
                       {s, s, 0, 1, colour, 1, 1}};
    IDirect3DDevice9* dev = device_.get();
    ASSERT_EQ(dev->BeginScene(), D3D_OK);
    UINT passes = 0;
    ASSERT_EQ(effect_->Begin(&passes, 0), D3D_OK);
    for (UINT i = 0; i < passes; ++i) {
      effect_->BeginPass(i);
      dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
      dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(V));
      effect_->EndPass();
    }
    effect_->End();
    dev->EndScene();
  }

  // Render target 0 as 0xAARRGGBB values.
  std::vector<DWORD> ReadTarget() {
    std::vector<DWORD> out;
    IDirect3DDevice9* dev = device_.get();
    IDirect3DSurface9* target = nullptr;
    IDirect3DSurface9* copy = nullptr;
    D3DSURFACE_DESC desc{};
    if (SUCCEEDED(dev->GetRenderTarget(0, &target)) && SUCCEEDED(target->GetDesc(&desc)) &&
        SUCCEEDED(dev->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                   nullptr)) &&
        SUCCEEDED(dev->GetRenderTargetData(target, copy))) {
      D3DLOCKED_RECT lr{};
      if (SUCCEEDED(copy->LockRect(&lr, nullptr, D3DLOCK_READONLY))) {
        for (UINT y = 0; y < desc.Height; ++y) {
          const DWORD* row = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(lr.pBits) + lr.Pitch * y);
          out.insert(out.end(), row, row + desc.Width);
        }
        copy->UnlockRect();
      }
    }
    if (copy) copy->Release();
    if (target) target->Release();
    return out;
  }

  static void ExpectColour(DWORD got, int r, int g, int b, int a, const char* where) {
    EXPECT_NEAR(Red(got), r, 3) << where;
    EXPECT_NEAR(Green(got), g, 3) << where;
    EXPECT_NEAR(effect_test::Blue(got), b, 3) << where;
    if (a >= 0) {
      EXPECT_NEAR(int(got >> 24), a, 3) << where;
    }
  }

  Effect* effect_ = nullptr;
  std::vector<IUnknown*> owned_;
};

// Into the glow target: per channel the brightest of what was drawn, premultiplied by the
// alpha, with the alpha written although the player limits colour writes to RGB.
TEST_F(GlowEffect, BlendMaxKeepsTheBrightestPremultipliedGlow) {
  IDirect3DDevice9* dev = device_.get();
  IDirect3DTexture9* target = nullptr;
  ASSERT_EQ(dev->CreateTexture(128, 128, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target,
                               nullptr),
            D3D_OK);
  IDirect3DSurface9* back = nullptr;
  IDirect3DSurface9* surface = nullptr;
  dev->GetRenderTarget(0, &back);
  target->GetSurfaceLevel(0, &surface);
  dev->SetRenderTarget(0, surface);
  dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  const DWORD rgbOnly = D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_GREEN | D3DCOLORWRITEENABLE_BLUE;
  dev->SetRenderState(D3DRS_COLORWRITEENABLE, rgbOnly);
  dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

  // White on the left half; on the right a white that is fully transparent.
  ASSERT_EQ(effect_->SetTexture("Texture1", Texture([](UINT x, UINT) { return x < 64 ? 0xFFFFFFFFu : 0x00FFFFFFu; })),
            D3D_OK);
  ASSERT_EQ(effect_->SetTechnique("Blend_Max"), D3D_OK);
  DrawColouredQuad(0xFFFF8000);  // (255, 128, 0), opaque
  DrawColouredQuad(0x8000FFFF);  // (0, 255, 255) at alpha 128: (0, 128, 128, 128) premultiplied
  std::vector<DWORD> px = ReadTarget();
  ASSERT_EQ(px.size(), 128u * 128u);
  // Max: (255, 128, 128, 255). Adding would give (255, 255, 128); blending over, (128, 192, 128).
  ExpectColour(px[64 * 128 + 20], 255, 128, 128, 255, "left");
  ExpectColour(px[64 * 128 + 100], 0, 0, 0, 0, "right, transparent texels");

  // The effect leaves the states it found.
  DWORD writes = 0, cull = 0;
  dev->GetRenderState(D3DRS_COLORWRITEENABLE, &writes);
  dev->GetRenderState(D3DRS_CULLMODE, &cull);
  EXPECT_EQ(writes, rgbOnly);
  EXPECT_EQ(cull, DWORD(D3DCULL_CCW));
  effect_->SetTexture("Texture1", nullptr);
  dev->SetRenderState(D3DRS_COLORWRITEENABLE, rgbOnly | D3DCOLORWRITEENABLE_ALPHA);
  dev->SetRenderTarget(0, back);
  surface->Release();
  back->Release();
  target->Release();
}

// The composite: the glow tinted and weighted by BlendColor over the background copy,
// and the background untouched where there is no glow.
TEST_F(GlowEffect, CompositesTheTintedGlowOverTheBackground) {
  // Background (40, 80, 120); glow (128, 64, 0) premultiplied at alpha 200 on the left half.
  ASSERT_EQ(effect_->SetTexture("Texture1", Texture([](UINT, UINT) { return 0xFF285078u; })), D3D_OK);
  ASSERT_EQ(effect_->SetTexture("Texture2", Texture([](UINT x, UINT) { return x < 64 ? 0xC8804000u : 0u; })),
            D3D_OK);
  const float blend[4] = {1.0f, 0.5f, 1.0f, 0.8f};
  ASSERT_EQ(effect_->SetFloatArray("BlendColor", blend, 4), D3D_OK);
  struct Case {
    const char* technique;
    int r, g, b;
  };
  // glow g = (128/255 x 1, 64/255 x 0.5, 0) x 0.8 = (0.4016, 0.1004, 0);
  // normal: g + background x (1 - 200/255 x 0.8) = g + background x 0.3725;
  // screen: background + g x (1 - background).
  const Case cases[] = {{"Blend_Normal", 117, 55, 45}, {"Blend_Screen", 126, 98, 120}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.technique);
    ASSERT_EQ(effect_->SetTechnique(c.technique), D3D_OK);
    device_.get()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_TRUE(DrawQuadThrough(device_, effect_));
    const auto px = device_.ReadBackBuffer();
    ASSERT_EQ(px.size(), 128u * 128u);
    ExpectColour(px[64 * 128 + 20], c.r, c.g, c.b, -1, "under the glow");
    ExpectColour(px[64 * 128 + 100], 40, 80, 120, -1, "no glow");
  }
  // A glow colour of 0: the screen leaves the background, the normal blend darkens it.
  const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  ASSERT_EQ(effect_->SetFloatArray("BlendColor", black, 4), D3D_OK);
  const Case darkCases[] = {{"Blend_Normal", 9, 17, 26}, {"Blend_Screen", 40, 80, 120}};
  for (const Case& c : darkCases) {
    SCOPED_TRACE(std::string(c.technique) + " with glow colour 0");
    ASSERT_EQ(effect_->SetTechnique(c.technique), D3D_OK);
    ASSERT_TRUE(DrawQuadThrough(device_, effect_));
    const auto px = device_.ReadBackBuffer();
    ASSERT_EQ(px.size(), 128u * 128u);
    ExpectColour(px[64 * 128 + 20], c.r, c.g, c.b, -1, "under the glow");
  }
  effect_->SetTexture("Texture1", nullptr);
  effect_->SetTexture("Texture2", nullptr);
}

// The sprites themselves: the picture times the vertex colour, alpha blended.
TEST_F(GlowEffect, CommonDrawsAlphaBlendedTexturedSprites) {
  ASSERT_EQ(effect_->SetTexture("Texture1", Texture([](UINT, UINT) { return 0x80FFFFFFu; })), D3D_OK);
  ASSERT_EQ(effect_->SetTechnique("Common"), D3D_OK);
  device_.get()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  DrawColouredQuad(0xFFFF8040);
  const auto px = device_.ReadBackBuffer();
  ASSERT_EQ(px.size(), 128u * 128u);
  // (255, 128, 64) at alpha 128 over blue: (128, 64, 32 + 127).
  ExpectColour(px[64 * 128 + 64], 128, 64, 159, -1, "centre");
  effect_->SetTexture("Texture1", nullptr);
}

}  // namespace
