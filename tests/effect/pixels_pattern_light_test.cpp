// What the module's background-copy (75), light (76), pattern (78) and static-animation
// (116) effects draw on a 128 x 128 target, with every parameter their users set: the copy
// shifted by its offset and zoomed by its scale, the light brightening by its multiplier
// in a pool the scale widens, each blend technique giving its blend at the colour's alpha,
// the pattern tiled, turned, mirrored, shifted, tinted and mixed by its parameters, and
// each held back by its mask where the mask is white.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "tests/effect/ModuleFixture.h"

namespace {

using namespace module_test;

constexpr UINT kSize = 128;

// The fractional part, in [0, 1).
double Frac(double x) { return x - std::floor(x); }

class PatternLightPixels : public VelmoraModule {
 protected:
  void TearDown() override {
    for (IDirect3DTexture9* t : textures_) t->Release();
    if (effect_) effect_->Release();
  }

  Effect* Load(int id) {
    std::string errors;
    effect_ = LoadEffect(id, &errors);
    EXPECT_NE(effect_, nullptr) << errors;
    return effect_;
  }
  // A texture that lives until the test ends.
  IDirect3DTexture9* Keep(IDirect3DTexture9* t) {
    EXPECT_NE(t, nullptr);
    if (t) textures_.push_back(t);
    return t;
  }
  IDirect3DTexture9* Solid(DWORD argb) {
    return Keep(device_.MakeTexture(8, 8, [argb](UINT, UINT) { return argb; }));
  }
  IDirect3DTexture9* Coordinates() { return Keep(CoordinatePicture(device_)); }
  // White (holding back) on the left half, black on the right.
  IDirect3DTexture9* LeftHalfMask() {
    return Keep(device_.MakeTexture(kSize, kSize, [](UINT x, UINT) { return x < kSize / 2 ? 0xFFFFFFFFu : 0xFF000000u; }));
  }

  void SetFloats(const char* name, std::initializer_list<float> v) {
    ASSERT_EQ(effect_->SetFloatArray(name, v.begin(), UINT(v.size())), D3D_OK) << name;
  }

  // Draws the technique over a target cleared to `clear` and reads it back.
  void Draw(const char* technique, DWORD clear = 0xFF000000) {
    ASSERT_EQ(effect_->SetTechnique(technique), D3D_OK) << technique;
    ASSERT_TRUE(DrawAndReadBack(device_, effect_, &pixels_, clear));
  }
  DWORD At(UINT x, UINT y) const { return pixels_[size_t(y) * kSize + x]; }
  void ExpectColour(UINT x, UINT y, double r, double g, double b, double tolerance = 2.5) {
    const DWORD c = At(x, y);
    EXPECT_TRUE(std::fabs(Red(c) - r) <= tolerance && std::fabs(Green(c) - g) <= tolerance &&
                std::fabs(Blue(c) - b) <= tolerance)
        << "at (" << x << ", " << y << "): got (" << Red(c) << ", " << Green(c) << ", " << Blue(c)
        << "), expected (" << r << ", " << g << ", " << b << ")";
  }
  // Every 8th pixel read the coordinate picture at where(u, v) (wrapped); pixels whose
  // coordinate lies on a seam of the wrap, where the filter blends both sides, are passed
  // over. `only` picks the pixels to look at.
  void ExpectReads(const std::function<void(double u, double v, double* su, double* sv)>& where,
                   const std::function<bool(UINT x, UINT y)>& only = nullptr) {
    int wrong = 0, looked = 0;
    for (UINT y = 4; y < kSize; y += 8) {
      for (UINT x = 4; x < kSize; x += 8) {
        if (only && !only(x, y)) continue;
        double su, sv;
        where((x + 0.5) / kSize, (y + 0.5) / kSize, &su, &sv);
        su = Frac(su);
        sv = Frac(sv);
        if (su < 0.02 || su > 0.98 || sv < 0.02 || sv > 0.98) continue;
        ++looked;
        const DWORD c = At(x, y);
        if (std::fabs(Red(c) - ChannelAt(su)) > 3 || std::fabs(Green(c) - ChannelAt(sv)) > 3) {
          if (++wrong <= 5)
            ADD_FAILURE() << "pixel (" << x << ", " << y << "): got (" << Red(c) << ", " << Green(c)
                          << "), expected (" << ChannelAt(su) << ", " << ChannelAt(sv) << ")";
        }
      }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(looked, 40);
  }

  Effect* effect_ = nullptr;
  std::vector<IDirect3DTexture9*> textures_;
  std::vector<DWORD> pixels_;
};

bool LeftHalf(UINT x, UINT) { return x < kSize / 2 - 4; }
bool RightHalf(UINT x, UINT) { return x >= kSize / 2 + 4; }

// ---------------------------------------------------------------------------------------
// Background copy (75)

TEST_F(PatternLightPixels, ABackgroundCopyIsShiftedByItsOffsetZoomedByItsScaleAndWrapped) {
  ASSERT_NE(Load(75), nullptr);
  ASSERT_EQ(effect_->SetTexture("Background", Coordinates()), D3D_OK);
  for (const char* technique : {"Main", "MainFX"}) {
    SCOPED_TRACE(technique);
    // A third of the picture right and a quarter down: (u, v) reads (u - 1/3, v - 1/4),
    // what leaves one side coming in on the other.
    SetFloats("offset", {1.0f / 3.0f, 0.25f});
    SetFloats("Scale", {1.0f, 1.0f});
    Draw(technique);
    ExpectReads([](double u, double v, double* su, double* sv) { *su = u - 1.0 / 3.0, *sv = v - 0.25; });
    // Scale 2 ("Scale".y = 1/2): the copy twice as large about the picture's centre.
    SetFloats("offset", {0.0f, 0.0f});
    SetFloats("Scale", {0.5f, 0.5f});
    Draw(technique);
    ExpectReads([](double u, double v, double* su, double* sv) { *su = (u - 0.5) * 0.5 + 0.5, *sv = (v - 0.5) * 0.5 + 0.5; });
  }
}

TEST_F(PatternLightPixels, ABackgroundCopyIsHeldBackWhereItsMaskIsWhite) {
  ASSERT_NE(Load(75), nullptr);
  ASSERT_EQ(effect_->SetTexture("Background", Coordinates()), D3D_OK);
  ASSERT_EQ(effect_->SetTexture("Mask", LeftHalfMask()), D3D_OK);
  SetFloats("offset", {0.25f, 0.0f});
  SetFloats("Scale", {1.0f, 1.0f});
  Draw("Main");
  ExpectReads([](double u, double v, double* su, double* sv) { *su = u, *sv = v; }, LeftHalf);
  ExpectReads([](double u, double v, double* su, double* sv) { *su = u - 0.25, *sv = v; }, RightHalf);
}

// ---------------------------------------------------------------------------------------
// Light (76)

// Grey 100 brightened by 1 + multiplier x max(0, 1 - |d|^2), d = ((u, v) - 1/2) x "Scale".
double Lit(double grey, double multiplier, const float scale[2], UINT x, UINT y) {
  const double dx = ((x + 0.5) / kSize - 0.5) * scale[0], dy = ((y + 0.5) / kSize - 0.5) * scale[1];
  return grey * (1.0 + multiplier * std::fmax(0.0, 1.0 - (dx * dx + dy * dy)));
}

TEST_F(PatternLightPixels, ALightBrightensByItsMultiplierInAPoolTheScaleWidens) {
  ASSERT_NE(Load(76), nullptr);
  ASSERT_EQ(effect_->SetTexture("Background", Solid(0xFF646464)), D3D_OK);
  ASSERT_EQ(effect_->SetFloat("multiplier", 0.5f), D3D_OK);
  struct Case {
    const char* what;
    float scale[2];
  };
  // "Scale" (a / s, 1 / s): a square picture at s = 1, at s = 1/2 (a small pool: the
  // corners unlit), and a scale so large that the pool covers all evenly.
  const Case cases[] = {{"scale 1", {1.0f, 1.0f}}, {"scale 1/2", {2.0f, 2.0f}}, {"a very large scale", {0.0f, 0.0f}}};
  for (const char* technique : {"Main", "MainFX"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(technique) + ", " + c.what);
      SetFloats("Scale", {c.scale[0], c.scale[1]});
      Draw(technique);
      for (UINT y = 4; y < kSize; y += 20)
        for (UINT x = 4; x < kSize; x += 20) {
          const double v = Lit(100.0, 0.5, c.scale, x, y);
          ExpectColour(x, y, v, v, v);
        }
    }
  }
  // At the centre it is brightened by exactly 1 + multiplier, whatever the scale.
  ExpectColour(63, 63, 150, 150, 150);
}

TEST_F(PatternLightPixels, ALightIsHeldBackWhereItsMaskIsWhite) {
  ASSERT_NE(Load(76), nullptr);
  ASSERT_EQ(effect_->SetTexture("Background", Solid(0xFF646464)), D3D_OK);
  ASSERT_EQ(effect_->SetTexture("Mask", LeftHalfMask()), D3D_OK);
  ASSERT_EQ(effect_->SetFloat("multiplier", 0.8f), D3D_OK);
  SetFloats("Scale", {0.0f, 0.0f});
  Draw("Main");
  ExpectColour(20, 30, 100, 100, 100);
  ExpectColour(100, 90, 180, 180, 180);
}

// Each blend over the scene (0.4, 0.6, 0.2) with the colour (0.8, 0.5, 0.25), worked out
// per channel, then mixed in by the colour's alpha: lerp(scene, blend, alpha).
struct BlendCase {
  const char* technique;
  float alpha;
  double r, g, b;  // 0..255
};

const BlendCase kBlends[] = {
    // Normal: the colour. Half: (0.6, 0.55, 0.225).
    {"Blend_Normal", 0.5f, 153.0, 140.25, 57.375},
    // An alpha above 1 is full strength.
    {"Blend_Normal", 2.0f, 204.0, 127.5, 63.75},
    // Screen: 1 - (1 - s)(1 - c) = (0.88, 0.8, 0.4). Half: (0.64, 0.7, 0.3).
    {"Blend_Screen", 0.5f, 163.2, 178.5, 76.5},
    {"Blend_Screen", 1.0f, 224.4, 204.0, 102.0},
    // Colour dodge: s / (1 - c), at most 1 = (1, 1, 0.2667). Half: (0.7, 0.8, 0.2333).
    {"PS_ColorDodge", 0.5f, 178.5, 204.0, 59.5},
    {"PS_ColorDodge", 1.0f, 255.0, 255.0, 68.0},
    // Sum: s + c, at most 1 = (1, 1, 0.45). Half: (0.7, 0.8, 0.325).
    {"Blend_Sum", 0.5f, 178.5, 204.0, 82.875},
    {"Blend_Sum", 1.0f, 255.0, 255.0, 114.75},
    // No strength: the scene.
    {"Blend_Sum", 0.0f, 102.0, 153.0, 51.0},
};

TEST_F(PatternLightPixels, EachBlendTechniqueGivesItsBlendAtTheColoursAlphaAndItsMaskHoldsItBack) {
  ASSERT_NE(Load(76), nullptr);
  ASSERT_EQ(effect_->SetTexture("Texture1", Solid(0xFF669933)), D3D_OK);  // (102, 153, 51)
  for (const BlendCase& c : kBlends) {
    SCOPED_TRACE(std::string(c.technique) + " at alpha " + std::to_string(c.alpha));
    SetFloats("BlendColor", {0.8f, 0.5f, 0.25f, c.alpha});
    ASSERT_EQ(effect_->SetTexture("Texture2", nullptr), D3D_OK);
    Draw(c.technique);
    ExpectColour(20, 20, c.r, c.g, c.b);
    ExpectColour(100, 110, c.r, c.g, c.b);
    // The mask ("Texture2") white on the left: the scene there.
    ASSERT_EQ(effect_->SetTexture("Texture2", LeftHalfMask()), D3D_OK);
    Draw(c.technique);
    ExpectColour(20, 20, 102, 153, 51);
    ExpectColour(100, 110, c.r, c.g, c.b);
  }
}

// ---------------------------------------------------------------------------------------
// Pattern (78)

struct TilingCase {
  const char* what;
  float transform[4];  // "coord_transf"
  float scale[2];      // "scale": the pattern's aspect
  float offset[2];
  float zoom;          // "Scale".y = 1 / s
  // The pattern coordinate at (u, v).
  void (*where)(double u, double v, double* s, double* t);
};

const TilingCase kTilings[] = {
    {"twice across and down", {2, 0, 0, 2}, {1, 1}, {0, 0}, 1.0f,
     [](double u, double v, double* s, double* t) { *s = 2 * u, *t = 2 * v; }},
    {"three across, once down", {3, 0, 0, 1}, {1, 1}, {0, 0}, 1.0f,
     [](double u, double v, double* s, double* t) { *s = 3 * u, *t = v; }},
    {"mirrored across", {-2, 0, 0, 2}, {1, 1}, {0, 0}, 1.0f,
     [](double u, double v, double* s, double* t) { *s = -2 * u, *t = 2 * v; }},
    // Turned 90 degrees: (a cos, a sin, -b sin, b cos) = (0, 2, -2, 0).
    {"turned 90", {0, 2, -2, 0}, {1, 1}, {0, 0}, 1.0f,
     [](double u, double v, double* s, double* t) { *s = -2 * v, *t = 2 * u; }},
    // A pattern twice as wide as high, turned 90: its aspect turns with it, so s moves
    // half as fast down the picture and t twice as fast across.
    {"a wide pattern turned 90", {0, 2, -2, 0}, {2, 1}, {0, 0}, 1.0f,
     [](double u, double v, double* s, double* t) { *s = -v, *t = 4 * u; }},
    {"shifted by its offset", {2, 0, 0, 2}, {1, 1}, {0.25f, -0.125f}, 1.0f,
     [](double u, double v, double* s, double* t) { *s = 2 * u + 0.25, *t = 2 * v - 0.125; }},
    // Scale 2: tiles twice as large.
    {"at scale 2", {2, 0, 0, 2}, {1, 1}, {0, 0}, 0.5f,
     [](double u, double v, double* s, double* t) { *s = u, *t = v; }},
};

TEST_F(PatternLightPixels, APatternIsTiledTurnedMirroredAndShiftedByItsParameters) {
  ASSERT_NE(Load(78), nullptr);
  ASSERT_EQ(effect_->SetTexture("Background", Solid(0xFF646464)), D3D_OK);
  ASSERT_EQ(effect_->SetTexture("Pattern", Coordinates()), D3D_OK);
  SetFloats("mix_color", {1, 1, 1, 1});
  for (const char* technique : {"Main", "MainFX"}) {
    for (const TilingCase& c : kTilings) {
      SCOPED_TRACE(std::string(technique) + ", " + c.what);
      SetFloats("coord_transf", {c.transform[0], c.transform[1], c.transform[2], c.transform[3]});
      SetFloats("scale", {c.scale[0], c.scale[1]});
      SetFloats("offset", {c.offset[0], c.offset[1]});
      SetFloats("Scale", {c.zoom, c.zoom});
      Draw(technique);
      ExpectReads(c.where);
    }
  }
}

TEST_F(PatternLightPixels, APatternIsTintedAndMixedByItsMixColourAndHeldBackByItsMask) {
  ASSERT_NE(Load(78), nullptr);
  ASSERT_EQ(effect_->SetTexture("Background", Solid(0xFF646464)), D3D_OK);  // grey 100
  SetFloats("coord_transf", {1, 0, 0, 1});
  SetFloats("scale", {1, 1});
  SetFloats("offset", {0, 0});
  SetFloats("Scale", {1, 1});
  struct Case {
    const char* what;
    DWORD pattern;
    float mix[4];
    double r, g, b;
  };
  const Case cases[] = {
      // Opaque white tinted (1, 0.5, 0) at half: half of (255, 127.5, 0) over half grey.
      {"half mixed, tinted", 0xFFFFFFFF, {1.0f, 0.5f, 0.0f, 0.5f}, 177.5, 113.75, 50.0},
      {"fully mixed", 0xFFFFFFFF, {1.0f, 1.0f, 1.0f, 1.0f}, 255.0, 255.0, 255.0},
      // The time line faded out: the background alone.
      {"mixed not at all", 0xFFFFFFFF, {1.0f, 1.0f, 1.0f, 0.0f}, 100.0, 100.0, 100.0},
      // The pattern's own alpha counts too: a quarter-opaque red at full mix.
      {"a quarter-opaque pattern", 0x40FF0000, {1.0f, 1.0f, 1.0f, 1.0f}, 100.0 + 0.251 * 155.0, 75.0, 75.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(effect_->SetTexture("Pattern", Solid(c.pattern)), D3D_OK);
    SetFloats("mix_color", {c.mix[0], c.mix[1], c.mix[2], c.mix[3]});
    ASSERT_EQ(effect_->SetTexture("Mask", nullptr), D3D_OK);
    Draw("Main");
    ExpectColour(30, 40, c.r, c.g, c.b);
    ExpectColour(100, 100, c.r, c.g, c.b);
    ASSERT_EQ(effect_->SetTexture("Mask", LeftHalfMask()), D3D_OK);
    Draw("Main");
    ExpectColour(30, 40, 100, 100, 100);
    ExpectColour(100, 100, c.r, c.g, c.b);
  }
}

// ---------------------------------------------------------------------------------------
// Static animation (116)

TEST_F(PatternLightPixels, AStaticAnimationDrawsItsPictureInItsColourOverTheScene) {
  ASSERT_NE(Load(116), nullptr);
  // Its picture read where the quad's coordinates say, at full colour.
  ASSERT_EQ(effect_->SetTexture("Texture", Coordinates()), D3D_OK);
  SetFloats("Color", {1, 1, 1, 1});
  Draw("Blend_Normal", 0xFF0000C8);
  for (UINT y = 12; y < kSize; y += 24)
    for (UINT x = 12; x < kSize; x += 24)
      ExpectColour(x, y, ChannelAt((x + 0.5) / kSize), ChannelAt((y + 0.5) / kSize), 0.0, 3.0);

  // The colour scales the picture, its alpha lays it over the scene: (200, 100, 50) x
  // (1, 0.5, 1) at half over (0, 0, 200).
  ASSERT_EQ(effect_->SetTexture("Texture", Solid(0xFFC86432)), D3D_OK);
  SetFloats("Color", {1.0f, 0.5f, 1.0f, 0.5f});
  Draw("Blend_Normal", 0xFF0000C8);
  ExpectColour(40, 40, 100, 25, 125);
  // The picture's own alpha as well: a transparent picture leaves the scene.
  ASSERT_EQ(effect_->SetTexture("Texture", Solid(0x00C86432)), D3D_OK);
  Draw("Blend_Normal", 0xFF0000C8);
  ExpectColour(40, 40, 0, 0, 200);
}

}  // namespace
