// The fire effect 92 and the hot-air distortion 62/63 of the resource module, drawn on the
// 128 x 128 test device and read back.
//
// The fire draws over a region whose vertices are picture pixels; here the picture is
// 128 x 128 and (unless a case says otherwise) fills the target, so picture pixels are
// target pixels. With a solid opaque pattern and a solid noise of value n, every flame
// pixel has the shape s = 2 n, the coverage k = saturate(s x (Density + 1)), the intensity
// i = saturate(k x Brightness / 0.3) and the flame f = (ColorK1 + ColorK2 x k) x i, which
// "Main" adds as f x (1 - B) x (1 - m) (B the background, m the mask) and "AsEffect" as f.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "tests/effect/ModuleFixture.h"

namespace {

using namespace module_test;

constexpr UINT kSize = 128;

struct RegionVertex {
  float x, y, z, u, v;
};

// Picture pixels to clip space when the picture lies over the target pixels
// offset .. offset + 128 x scale, in both directions.
D3DXMATRIX PictureToClip(float scale = 1.0f, float offset = 0.0f) {
  D3DXMATRIX place, ortho;
  D3DXMatrixScaling(&place, scale, scale, 1.0f);
  place._41 = offset;
  place._42 = offset;
  D3DXMatrixOrthoOffCenterLH(&ortho, 0.0f, float(kSize), float(kSize), 0.0f, -1.0f, 1.0f);
  return place * ortho;
}

D3DXMATRIX Identity() {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  return m;
}

class FireEffect : public VelmoraModule {
 protected:
  void SetUp() override {
    VelmoraModule::SetUp();
    if (HasFatalFailure()) return;
    std::string errors;
    effect_ = LoadEffect(92, &errors);
    ASSERT_NE(effect_, nullptr) << errors;
    SetStage(Identity(), PictureToClip(), 1.0f, 1.0f);
  }
  void TearDown() override {
    if (effect_) effect_->Release();
    for (IUnknown* u : owned_) u->Release();
  }

  IDirect3DTexture9* Texture(const std::function<DWORD(UINT, UINT)>& colour, UINT w = kSize, UINT h = kSize) {
    IDirect3DTexture9* t = device_.MakeTexture(w, h, colour);
    if (t) owned_.push_back(t);
    return t;
  }
  IDirect3DTexture9* Solid(DWORD colour) {
    return Texture([colour](UINT, UINT) { return colour; }, 8, 8);
  }
  // An opaque pattern and a noise of value `noise` everywhere (texel noise x 255).
  void SolidFlames(int noise) {
    const DWORD grey = 0xFF000000u | DWORD(noise) << 16 | DWORD(noise) << 8 | DWORD(noise);
    ASSERT_EQ(effect_->SetTexture("Pattern", Solid(0xFFFFFFFFu)), D3D_OK);
    ASSERT_EQ(effect_->SetTexture("Noise", Solid(grey)), D3D_OK);
  }
  // The stage: the region's own matrix (a zoom or pan of the picture), the picture to
  // clip space, and the screen over the picture.
  void SetStage(const D3DXMATRIX& world, const D3DXMATRIX& viewProj, float bgX, float bgY) {
    const D3DXMATRIX worldViewProj = world * viewProj;
    const float bg[2] = {bgX, bgY};
    ASSERT_EQ(effect_->SetMatrix("WorldViewProj", &worldViewProj), D3D_OK);
    ASSERT_EQ(effect_->SetMatrix("ViewProj", &viewProj), D3D_OK);
    ASSERT_EQ(effect_->SetFloatArray("bg_scale_factor", bg, 2), D3D_OK);
  }
  void SetFloat2(const char* name, float x, float y) {
    const float v[2] = {x, y};
    ASSERT_EQ(effect_->SetFloatArray(name, v, 2), D3D_OK);
  }
  void SetFloat3(const char* name, float x, float y, float z) {
    const float v[3] = {x, y, z};
    ASSERT_EQ(effect_->SetFloatArray(name, v, 3), D3D_OK);
  }

  // Clears the target, then draws the region (picture pixels) with texture coordinates
  // u 0..1, v 0..1 through the technique; returns the target.
  std::vector<DWORD> Draw(const char* technique, DWORD clear, float left = 0, float top = 0,
                          float right = float(kSize), float bottom = float(kSize)) {
    IDirect3DDevice9* dev = device_.get();
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, clear, 1.0f, 0);
    const RegionVertex quad[4] = {
        {left, top, 0, 0, 0}, {right, top, 0, 1, 0}, {left, bottom, 0, 0, 1}, {right, bottom, 0, 1, 1}};
    EXPECT_EQ(effect_->SetTechnique(technique), D3D_OK);
    EXPECT_EQ(dev->BeginScene(), D3D_OK);
    UINT passes = 0;
    EXPECT_EQ(effect_->Begin(&passes, 0), D3D_OK);
    EXPECT_EQ(passes, 1u);
    for (UINT i = 0; i < passes; ++i) {
      EXPECT_EQ(effect_->BeginPass(i), D3D_OK);
      dev->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
      dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(RegionVertex));
      effect_->EndPass();
    }
    effect_->End();
    dev->EndScene();
    std::vector<DWORD> px = device_.ReadBackBuffer();
    EXPECT_EQ(px.size(), size_t(kSize) * kSize);
    px.resize(size_t(kSize) * kSize);
    return px;
  }

  static void ExpectRgb(DWORD c, double r, double g, double b, double tolerance, const std::string& where) {
    EXPECT_NEAR(Red(c), r, tolerance) << where;
    EXPECT_NEAR(Green(c), g, tolerance) << where;
    EXPECT_NEAR(Blue(c), b, tolerance) << where;
  }

  Effect* effect_ = nullptr;
  std::vector<IUnknown*> owned_;
};

// The region 32..96 x 40..104 over a black target and black background, with a noise of
// 0.4 (s = 0.8) and the default colours (ColorK1 red, ColorK2 green), so f = (i, k x i, 0).
TEST_F(FireEffect, BrightnessAndDensityShapeTheFlamesInsideTheRegionOnly) {
  SolidFlames(102);
  ASSERT_EQ(effect_->SetTexture("Background", Solid(0xFF000000u)), D3D_OK);
  struct Case {
    const char* what;
    float brightness, density;
    double r, g;  // k x 255 and k x i x 255
  };
  const Case cases[] = {
      // k = 0.8, i = 0.8
      {"defaults", 0.3f, 0.0f, 204, 163.2},
      // Brightness scales the intensity alone: k = 0.8, i = 0.4; the hue stays.
      {"half brightness", 0.15f, 0.0f, 102, 81.6},
      // Density thins the flames: k = 0.4, i = 0.4; the colour moves toward ColorK1.
      {"half density", 0.3f, -0.5f, 102, 40.8},
      // Density above 0 fills them: k = saturate(0.8 x 1.25) = 1, i = 1.
      {"dense", 0.3f, 0.25f, 255, 255},
      // A fire at alpha 0.5 of its time line: Brightness 0.075, Density -0.5: k = 0.4, i = 0.1.
      {"half faded", 0.075f, -0.5f, 25.5, 10.2},
      // Faded out: Brightness 0, Density -1.
      {"faded out", 0.0f, -1.0f, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(effect_->SetFloat("Brightness", c.brightness), D3D_OK);
    ASSERT_EQ(effect_->SetFloat("Density", c.density), D3D_OK);
    const auto px = Draw("Main", 0xFF000000u, 32, 40, 96, 104);
    for (UINT y : {44u, 72u, 100u})
      for (UINT x : {36u, 64u, 92u}) ExpectRgb(px[y * kSize + x], c.r, c.g, 0, 2.5, "inside");
    for (auto [x, y] : {std::pair<UINT, UINT>{28, 72}, {100, 72}, {64, 36}, {64, 108}, {5, 5}, {120, 120}})
      ExpectRgb(px[y * kSize + x], 0, 0, 0, 0, "outside (" + std::to_string(x) + ", " + std::to_string(y) + ")");
  }
}

// With the module's own pictures and a Brightness that makes every flame pixel fully
// intense, each flame pixel is ColorK1 + ColorK2 x k for a coverage k between 0 and 1, and
// the flames use most of that range.
TEST_F(FireEffect, FlameColoursLieBetweenColorK1AndColorK1PlusColorK2) {
  D3DXIMAGE_INFO info{};
  IDirect3DTexture9* noise = LoadPicture(8, &info);
  IDirect3DTexture9* pattern = LoadPicture(93, &info);
  ASSERT_TRUE(noise && pattern);
  owned_.push_back(noise);
  owned_.push_back(pattern);
  ASSERT_EQ(effect_->SetTexture("Noise", noise), D3D_OK);
  ASSERT_EQ(effect_->SetTexture("Pattern", pattern), D3D_OK);
  const double k1[3] = {0.2, 0.4, 0.8}, k2[3] = {0.6, 0.4, -0.6};
  SetFloat3("ColorK1", float(k1[0]), float(k1[1]), float(k1[2]));
  SetFloat3("ColorK2", float(k2[0]), float(k2[1]), float(k2[2]));
  ASSERT_EQ(effect_->SetFloat("Brightness", 100.0f), D3D_OK);
  const auto px = Draw("Main", 0xFF000000u);
  double lowest = 1, highest = 0;
  int flames = 0, wrong = 0;
  for (UINT i = 0; i < kSize * kSize; ++i) {
    // Below k = 0.003 the intensity is not yet full; those pixels are darker than K1.
    if (Red(px[i]) < 52) continue;
    ++flames;
    const double k = (Red(px[i]) / 255.0 - k1[0]) / k2[0];
    const double g = (k1[1] + k2[1] * k) * 255.0, b = (k1[2] + k2[2] * k) * 255.0;
    if (k < -0.02 || k > 1.02 || std::fabs(Green(px[i]) - g) > 3 || std::fabs(Blue(px[i]) - b) > 3) {
      if (++wrong <= 5)
        ADD_FAILURE() << "pixel " << i << ": (" << Red(px[i]) << ", " << Green(px[i]) << ", " << Blue(px[i])
                      << ") is not ColorK1 + ColorK2 x " << k;
    }
    lowest = std::fmin(lowest, k);
    highest = std::fmax(highest, k);
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(flames, int(kSize * kSize / 8));
  EXPECT_LT(lowest, 0.3);
  EXPECT_GT(highest, 0.7);
}

// The three clocks scroll the three noise reads (zooms 1, 1/2 and 2) up the region: moving
// them by (D, D / 2, 2 D) moves the whole picture of the flames up by D of the region.
TEST_F(FireEffect, TheClocksScrollTheFlamesUp) {
  constexpr double kTwoPi = 6.283185307179586;
  // A noise that changes down the texture only, repeating once.
  IDirect3DTexture9* noise = Texture([&](UINT, UINT y) {
    const DWORD n = DWORD(std::lround(127.5 + 100.0 * std::sin(kTwoPi * (y + 0.5) / kSize)));
    return 0xFF000000u | n << 16 | n << 8 | n;
  });
  ASSERT_EQ(effect_->SetTexture("Noise", noise), D3D_OK);
  ASSERT_EQ(effect_->SetTexture("Pattern", Solid(0xFFFFFFFFu)), D3D_OK);
  const auto still = Draw("Main", 0xFF000000u);
  const float d = 16.0f / kSize;
  SetFloat2("c11", 0.0f, d);
  SetFloat2("c12", 0.0f, d / 2);
  SetFloat2("c13", 0.0f, 2 * d);
  const auto moved = Draw("Main", 0xFF000000u);
  int largest = 0, wrong = 0;
  for (UINT y = 0; y + 16 < kSize; ++y) {
    for (UINT x = 0; x < kSize; x += 9) {
      const DWORD a = moved[y * kSize + x], b = still[(y + 16) * kSize + x];
      largest = std::max(largest, std::abs(Red(moved[y * kSize + x]) - Red(still[y * kSize + x])));
      if (std::abs(Red(a) - Red(b)) > 3 || std::abs(Green(a) - Green(b)) > 3) {
        if (++wrong <= 5) ADD_FAILURE() << "(" << x << ", " << y << ") is not what (" << x << ", " << y + 16 << ") was";
      }
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(largest, 40) << "the flames did not move";
}

// Over the background itself (the target cleared to the Background colour, grey 128),
// the fire is screened onto it, B + f x (1 - B), and a white mask holds it back to B.
TEST_F(FireEffect, TheMaskHoldsTheFireBackWhereWhite) {
  SolidFlames(102);  // f = (0.8, 0.64, 0)
  ASSERT_EQ(effect_->SetTexture("Background", Solid(0xFF808080u)), D3D_OK);
  ASSERT_EQ(effect_->SetTexture("Mask", Texture([](UINT x, UINT) { return x < 64 ? 0xFFFFFFFFu : 0xFF000000u; })),
            D3D_OK);
  const auto px = Draw("Main", 0xFF808080u);
  for (UINT y : {10u, 64u, 120u}) {
    ExpectRgb(px[y * kSize + 20], 128, 128, 128, 1, "under the white mask");
    ExpectRgb(px[y * kSize + 58], 128, 128, 128, 1, "under the white mask");
    // 128 + f x 127
    ExpectRgb(px[y * kSize + 70], 229.6, 209.3, 128, 2.5, "beside it");
    ExpectRgb(px[y * kSize + 110], 229.6, 209.3, 128, 2.5, "beside it");
  }
  // Without a mask (a null texture reads black) the fire acts everywhere.
  ASSERT_EQ(effect_->SetTexture("Mask", nullptr), D3D_OK);
  const auto whole = Draw("Main", 0xFF808080u);
  ExpectRgb(whole[64 * kSize + 20], 229.6, 209.3, 128, 2.5, "no mask");
}

// Mask and Background belong to the picture: they are read at the picture position of each
// pixel, which follows the region when the stage zooms or pans it (WorldViewProj against
// ViewProj) and the picture's place on the screen (ViewProj and bg_scale_factor).
TEST_F(FireEffect, MaskAndBackgroundAreReadAtThePicturePosition) {
  SolidFlames(102);
  // White over the picture's left quarter.
  ASSERT_EQ(effect_->SetTexture("Mask", Texture([](UINT x, UINT) { return x < 32 ? 0xFFFFFFFFu : 0xFF000000u; })),
            D3D_OK);
  D3DXMATRIX pan;
  D3DXMatrixTranslation(&pan, 32.0f, 0.0f, 0.0f);
  struct Case {
    const char* what;
    D3DXMATRIX world, viewProj;
    float bg;
    UINT edge;  // target column where the mask's edge lies
  };
  const Case cases[] = {
      {"picture over the target", Identity(), PictureToClip(), 1.0f, 32},
      // The stage pans the picture (and the region on it) 32 pixels right.
      {"panned", pan, PictureToClip(), 1.0f, 64},
      // The picture in the middle half of the screen: the screen is twice the picture.
      {"letterboxed", Identity(), PictureToClip(0.5f, 32.0f), 2.0f, 48},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetStage(c.world, c.viewProj, c.bg, c.bg);
    const auto px = Draw("Main", 0xFF000000u);
    ExpectRgb(px[64 * kSize + c.edge - 4], 0, 0, 0, 1, "held back");
    ExpectRgb(px[64 * kSize + c.edge + 4], 204, 163.2, 0, 2.5, "burning");
  }
}

// "AsEffect" (the flame layer's own quad, which sets no mask or background) adds the flame
// to whatever lies below, where "Main" would be held back by the same white mask.
TEST_F(FireEffect, AsEffectAddsTheFlameOverTheScene) {
  SolidFlames(102);
  ASSERT_EQ(effect_->SetTexture("Background", Solid(0xFFFFFFFFu)), D3D_OK);
  ASSERT_EQ(effect_->SetTexture("Mask", Solid(0xFFFFFFFFu)), D3D_OK);
  const auto main = Draw("Main", 0xFF282828u);
  ExpectRgb(main[64 * kSize + 64], 40, 40, 40, 1, "Main, held back");
  const auto asEffect = Draw("AsEffect", 0xFF282828u);
  ExpectRgb(asEffect[64 * kSize + 64], 40 + 204, 40 + 163.2, 40, 2.5, "AsEffect");
}

// ---------------------------------------------------------------------------------------
// The hot-air distortion (62 and 63): the scene read displaced by the bump map's red and
// green about 0.5, times 2 x "stenght", the bump map read at t0 x "bump_scale" + "Offset".

class BumpDistortion : public VelmoraModule {};

TEST_F(BumpDistortion, DisplacesTheSceneByTheScrolledScaledBumpMap) {
  constexpr double kTwoPi = 6.283185307179586;
  // Red follows u, green follows v, each a sine of one period across the texture.
  auto bumpRed = [&](double u) { return 128.0 + 100.0 * std::sin(kTwoPi * u); };
  auto bumpGreen = [&](double v) { return 128.0 + 100.0 * std::cos(kTwoPi * v); };
  IDirect3DTexture9* bump = device_.MakeTexture(kSize, kSize, [&](UINT x, UINT y) {
    const DWORD r = DWORD(std::lround(bumpRed((x + 0.5) / kSize)));
    const DWORD g = DWORD(std::lround(bumpGreen((y + 0.5) / kSize)));
    return 0xFF000000u | r << 16 | g << 8 | 0x80u;
  });
  IDirect3DTexture9* scene = CoordinatePicture(device_);
  ASSERT_TRUE(bump && scene);
  struct Case {
    const char* what;
    float strength, offset[2], scale[2];
  };
  const Case cases[] = {
      {"plain", 0.06f, {0.0f, 0.0f}, {1.0f, 1.0f}},
      {"stronger", 0.1f, {0.0f, 0.0f}, {1.0f, 1.0f}},
      {"scrolled", 0.06f, {0.25f, -0.25f}, {1.0f, 1.0f}},
      {"scaled", 0.06f, {0.0f, 0.0f}, {2.0f, 0.5f}},
  };
  for (int id : {62, 63}) {
    std::string errors;
    Effect* e = LoadEffect(id, &errors);
    ASSERT_NE(e, nullptr) << errors;
    ASSERT_EQ(e->SetTexture("SceneTex", scene), D3D_OK);
    ASSERT_EQ(e->SetTexture("Bumpmap", bump), D3D_OK);
    ASSERT_EQ(e->SetTechnique("BumpmapDistortLow2"), D3D_OK);
    for (const Case& c : cases) {
      SCOPED_TRACE("effect " + std::to_string(id) + ", " + c.what);
      ASSERT_EQ(e->SetFloat("stenght", c.strength), D3D_OK);
      ASSERT_EQ(e->SetFloatArray("Offset", c.offset, 2), D3D_OK);
      ASSERT_EQ(e->SetFloatArray("bump_scale", c.scale, 2), D3D_OK);
      std::vector<DWORD> px;
      ASSERT_TRUE(DrawAndReadBack(device_, e, &px));
      int wrong = 0;
      double largest = 0;
      for (UINT y = 12; y < 116; y += 8) {
        for (UINT x = 12; x < 116; x += 8) {
          const double u = (x + 0.5) / kSize, v = (y + 0.5) / kSize;
          const double bu = u * c.scale[0] + c.offset[0], bv = v * c.scale[1] + c.offset[1];
          const double du = (bumpRed(bu) / 255.0 - 0.5) * 2.0 * c.strength;
          const double dv = (bumpGreen(bv) / 255.0 - 0.5) * 2.0 * c.strength;
          const DWORD p = px[y * kSize + x];
          if (std::fabs(Red(p) - ChannelAt(u + du)) > 3 || std::fabs(Green(p) - ChannelAt(v + dv)) > 3) {
            if (++wrong <= 5)
              ADD_FAILURE() << "pixel (" << x << ", " << y << "): got (" << Red(p) << ", " << Green(p)
                            << "), expected (" << ChannelAt(u + du) << ", " << ChannelAt(v + dv) << ")";
          }
          largest = std::fmax(largest, std::fabs(Red(p) - ChannelAt(u)));
        }
      }
      EXPECT_EQ(wrong, 0);
      // Somewhere the scene moved by most of the largest push, 2 x stenght x 100 / 255.
      EXPECT_GT(largest, 0.8 * 2.0 * c.strength * 100.0 / 255.0 * 256.0);
    }
    e->SetTexture("SceneTex", nullptr);
    e->SetTexture("Bumpmap", nullptr);
    e->Release();
  }
  bump->Release();
  scene->Release();
}

}  // namespace
