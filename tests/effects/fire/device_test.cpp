// The fire on a real device under Wine: its region grid read back from the vertex buffer,
// its textures and their references, the draw it hands the layer, and the frame drawn
// through the real layer (DS_2D_Light) read back pixel by pixel. The layer shows a
// 320 x 200 picture over the 320 x 200 target, so picture pixels are back-buffer pixels.
// The document carries the module's fire effect, an opaque white pattern and a noise of
// 64 / 255 under the module's links.
#include "effects/Fire.h"

#include "core/document/DocResManager.h"
#include "core/document/ResourceModule.h"
#include "fire_fixtures.h"
#include "tests/support/LoggingEffect.h"
#include "tests/support/RecordingRender.h"
#include "tests/support/SceneDevice.h"

#include <d3d9.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr UINT kW = 320, kH = 200;

using tw_test::Rgb;

const Rgb kLeft{40, 60, 80}, kRight{200, 180, 160};
const DS_LinkKey kEffectKey(L"velmora.dll", ModuleId::kFireEffect);
const DS_LinkKey kPatternKey(L"velmora.dll", ModuleId::kFirePicture);
const DS_LinkKey kNoiseKey(L"velmora.dll", ModuleId::kFlamePictureB);

ULONG References(IUnknown* u) {
  u->AddRef();
  return u->Release();
}

class FireDevice : public tw_test::SceneDeviceTest {
protected:
  FireDevice() : SceneDeviceTest(kW, kH) {}

  void SetUp() override {
    SceneDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    StorePicture(L"scene.png", MakeTexture(kW, kH, [](UINT x, UINT) { return x < kW / 2 ? 0xFF283C50u : 0xFFC8B4A0u; }));
    MakeLayer(L"scene.png");
    StoreEffectSource(kEffectKey, kFixtureFireEffect, kFixtureFireEffectSize);
    StorePicture(kPatternKey, Solid(8, 8, 0xFFFFFFFFu));
    StorePicture(kNoiseKey, Solid(8, 8, 0xFF404040u));
  }

  // A fire over x 80..240, y 100..180 in red (colour 1) over blue (colour 2).
  static std::unique_ptr<DS_FireFX> Fire() {
    std::unique_ptr<DS_FireFX> fire(new DS_FireFX());
    fire->m_Region.corners[0].Store(D3DXVECTOR3(80, 100, 0));
    fire->m_Region.corners[1].Store(D3DXVECTOR3(80, 180, 0));
    fire->m_Region.corners[2].Store(D3DXVECTOR3(240, 100, 0));
    fire->m_Region.corners[3].Store(D3DXVECTOR3(240, 180, 0));
    fire->m_Colour1.Store(0x0000FF);
    fire->m_Colour2.Store(0xFF0000);
    return fire;
  }

  static DS_FireFX& FireOf(DS_ABObj* object) { return *static_cast<DS_FireFX*>(static_cast<DS_BrushObj*>(object)->FX()); }
};

// The grid's 9 x 9 vertices: vertex i x 9 + j lies i / 8 of the way from the left edge to
// the right and j / 8 from the top to the bottom, with texture coordinates
// (i / 8 / tiling, j / 8). A tiling of 0 would make u infinite: it counts as 1.
TEST_F(FireDevice, TheGridSpansTheRegionWithTheTiling) {
  struct Case {
    unsigned stored;
    float across;
  };
  for (const Case& c : {Case{100, 1.0f}, Case{200, 0.5f}, Case{50, 2.0f}, Case{0, 1.0f}}) {
    SCOPED_TRACE("tiling stored " + std::to_string(c.stored));
    std::unique_ptr<DS_FireFX> fire = Fire();
    fire->m_Tiling.Set(c.stored);
    std::unique_ptr<DS_ABObj> object(fire->CreateRuntimeObject());
    const DS_RegionGrid& grid = FireOf(object.get()).m_Grid;
    ASSERT_NE(grid.vertexBuffer, nullptr);
    EXPECT_EQ(grid.vertexCount, 81u);
    EXPECT_EQ(grid.indexedPrimitiveCount, 128u);
    void* data = nullptr;
    ASSERT_EQ(grid.vertexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
    const auto* v = static_cast<const DX_V::PT*>(data);
    for (int i = 0; i <= 8; ++i) {
      for (int j = 0; j <= 8; ++j) {
        const DX_V::PT& p = v[i * 9 + j];
        EXPECT_NEAR(p.x, 80.0f + 20.0f * i, 1e-3f) << i << ", " << j;
        EXPECT_NEAR(p.y, 100.0f + 10.0f * j, 1e-3f) << i << ", " << j;
        EXPECT_NEAR(p.u, c.across * i / 8.0f, 1e-6f) << i << ", " << j;
        EXPECT_NEAR(p.v, j / 8.0f, 1e-6f) << i << ", " << j;
      }
    }
    grid.vertexBuffer->Unlock();
  }
}

// The pattern and noise textures are the links' pictures, each with a reference of the
// fire's own; a copy takes one more, an assignment gives up what it held. Links whose sets
// hold no picture leave the textures null, and such a fire draws no flames.
TEST_F(FireDevice, TexturesComeFromTheLinksWithReferencesOfTheirOwn) {
  IDirect3DTexture9* pattern = g_DocResManager->GetTextureSet(kPatternKey).CurrentTexture();
  IDirect3DTexture9* noise = g_DocResManager->GetTextureSet(kNoiseKey).CurrentTexture();
  ASSERT_TRUE(pattern && noise);
  const ULONG patternRefs = References(pattern), noiseRefs = References(noise);
  {
    std::unique_ptr<DS_ABObj> object(Fire()->CreateRuntimeObject());
    DS_FireFX& fire = FireOf(object.get());
    EXPECT_EQ(fire.m_PatternTexture.Get(), pattern);
    EXPECT_EQ(fire.m_NoiseTexture.Get(), noise);
    EXPECT_EQ(References(pattern), patternRefs + 1);
    EXPECT_EQ(References(noise), noiseRefs + 1);
    {
      DS_FireFX copy(fire);
      EXPECT_EQ(References(pattern), patternRefs + 2);
      std::unique_ptr<DS_FireFX> missing = Fire();
      missing->m_PatternLink.StoreKey(L"nowhere.png", 1);
      missing->m_NoiseLink.StoreKey(L"nowhere.dds", 2);
      ComRef<IDirect3DTexture9> noMask;
      missing->LoadResources(noMask);
      EXPECT_EQ(missing->m_PatternTexture.Get(), nullptr);
      EXPECT_EQ(missing->m_NoiseTexture.Get(), nullptr);
      // The copy takes the missing fire's (no) textures and gives up its own.
      copy = *missing;
      EXPECT_EQ(copy.m_PatternTexture.Get(), nullptr);
      EXPECT_EQ(References(pattern), patternRefs + 1);
      EXPECT_EQ(References(noise), noiseRefs + 1);
      // Without noise there is no flame: the frame is the picture.
      Add(missing->CreateRuntimeObject());
      DrawFrame();
      for (auto [x, y] : {std::pair<UINT, UINT>{140, 140}, {200, 140}}) ExpectPixel(x, y, x < 160 ? kLeft : kRight, 2);
      m_Objects.clear();
    }
    EXPECT_EQ(References(pattern), patternRefs + 1);
  }
  EXPECT_EQ(References(pattern), patternRefs);
  EXPECT_EQ(References(noise), noiseRefs);
}

// With technique mode 1 the fire is a post-pass object, and it still draws "Main" over its
// region grid, not the picture quad.
TEST_F(FireDevice, TechniqueModeOneStillDrawsMainOverTheGrid) {
  std::unique_ptr<DS_FireFX> description = Fire();
  description->m_TechniqueMode.Store(1);
  std::unique_ptr<DS_ABObj> object(description->CreateRuntimeObject());
  EXPECT_TRUE(object->IsPostPass());
  DS_FireFX& fire = FireOf(object.get());
  tw_test::LoggingEffect effect;
  tw_test::RecordingRender layer(kW, kH);
  ComRef<Effect> loaded = fire.m_Effect;
  fire.m_Effect.Assign(&effect);
  object->Render(layer);
  fire.m_Effect = loaded;
  EXPECT_EQ(effect.technique, "Main");
  ASSERT_EQ(layer.Sequence(), "DrawIndexed");
  EXPECT_EQ(layer.calls[0].effect, &effect);
  EXPECT_EQ(layer.calls[0].mesh.vertexBuffer, fire.m_Grid.vertexBuffer.Get());
  EXPECT_EQ(layer.calls[0].mesh.indexBuffer, fire.m_Grid.indexBuffer.Get());
  EXPECT_EQ(layer.calls[0].mesh.indexedPrimitiveCount, 128u);
}

// Through the real layer, with a mask white over the picture's x < 120. Noise 64 / 255 =
// 0.251 gives the coverage k = 0.502 and the intensity i = 0.502; between colour 2 (blue)
// and colour 1 (red) the flame is f = (k, 0, 1 - k) x i = (0.252, 0, 0.250), screened onto
// the picture: p + f x (255 - p).
TEST_F(FireDevice, FlamesBurnInTheRegionOverThePictureBesideTheMask) {
  for (int mode : {0, 1}) {
    SCOPED_TRACE("technique mode " + std::to_string(mode));
    std::unique_ptr<DS_FireFX> fire = Fire();
    fire->m_TechniqueMode.Store(mode);
    StoreGuidPicture(fire->m_MaskKey, MakeTexture(64, 40, [](UINT x, UINT) { return x < 24 ? 0xFFFFFFFFu : 0xFF000000u; }));
    Add(fire->CreateRuntimeObject());
    ASSERT_NE(FireOf(m_Objects.back().get()).GetEffect(), nullptr);
    DrawFrame();
    ExpectPixel(100, 140, kLeft, 2);                 // in the region, under the mask
    ExpectPixel(140, 140, Rgb{94, 60, 124}, 3);      // 40 + 0.252 x 215, 60, 80 + 0.25 x 175
    ExpectPixel(200, 140, Rgb{214, 180, 184}, 3);    // 200 + 0.252 x 55, 180, 160 + 0.25 x 95
    ExpectPixel(230, 105, Rgb{214, 180, 184}, 3);
    ExpectPixel(60, 140, kLeft, 0);                  // beside the region
    ExpectPixel(260, 140, kRight, 0);
    ExpectPixel(140, 90, kLeft, 0);                  // above it
    ExpectPixel(200, 190, kRight, 0);                // below it
    m_Objects.clear();
  }
}

// The pattern's second texture coordinate runs down the region: with a pattern whose upper
// half holds no flame, only the region's lower half burns. The noise shakes the pattern by
// (0.251 - 0.5) x 0.3 = -0.075 of the region, 6 pixels, so the edge lies at y = 146.
TEST_F(FireDevice, TheFlamesRiseFromTheFootOfTheRegion) {
  g_DocResManager->Tables().textureSets.erase(kPatternKey);
  StorePicture(kPatternKey, MakeTexture(8, 8, [](UINT, UINT y) { return y < 4 ? 0x00FFFFFFu : 0xFFFFFFFFu; }));
  Add(Fire()->CreateRuntimeObject());
  DrawFrame();
  for (UINT y : {105u, 125u, 138u}) ExpectPixel(200, y, kRight, 1);
  for (UINT y : {154u, 165u, 176u}) ExpectPixel(200, y, Rgb{214, 180, 184}, 3);
}

}  // namespace
