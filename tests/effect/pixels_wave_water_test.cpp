// The wave and water effects of the module (waves 77, underwater 88, water 90, move 91)
// drawn over the 128 x 128 target with the coordinate picture as "Background": each
// parameter's effect shows where the picture is read, or in the colour, as worked out by
// hand from the effect's rule; "Mask" holds each effect back where it is white; "Scale"
// changes the size of what the effect draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "platform/effect/Effect.h"
#include "tests/effect/ModuleFixture.h"

namespace {

using namespace module_test;
using effect_test::Blue;

class WaveWaterPictures : public EffectPictures {
 protected:
  void TearDown() override {
    if (effect_) effect_->Release();
    for (IUnknown* u : owned_) u->Release();
  }

  Effect* Load(int id) {
    std::string errors;
    effect_ = LoadEffect(id, &errors);
    EXPECT_NE(effect_, nullptr) << errors;
    return effect_;
  }
  IDirect3DTexture9* Texture(UINT w, UINT h, const std::function<DWORD(UINT, UINT)>& colour) {
    IDirect3DTexture9* t = device_.MakeTexture(w, h, colour);
    EXPECT_NE(t, nullptr);
    if (t) owned_.push_back(t);
    return t;
  }
  // White (the effect held back) on the left half, black on the right. Every probe of
  // CheckDisplacement lies on a texel centre of it, so each is fully one or the other.
  IDirect3DTexture9* LeftHalfMask() {
    return Texture(128, 128, [](UINT x, UINT) { return x < 64 ? 0xFFFFFFFFu : 0xFF000000u; });
  }

  // Draws the current technique over `background` and checks every 8th pixel against
  // colour(u, v, &r, &g, &b) (0..255).
  void CheckColours(const char* technique, IDirect3DTexture9* background,
                    const std::function<void(double, double, double*, double*, double*)>& colour) {
    ASSERT_EQ(effect_->SetTexture("Background", background), D3D_OK);
    ASSERT_EQ(effect_->SetTechnique(technique), D3D_OK);
    std::vector<DWORD> px;
    ASSERT_TRUE(DrawAndReadBack(device_, effect_, &px));
    int wrong = 0;
    for (UINT y = 12; y < 116; y += 8) {
      for (UINT x = 12; x < 116; x += 8) {
        double r, g, b;
        colour((x + 0.5) / 128.0, (y + 0.5) / 128.0, &r, &g, &b);
        const DWORD c = px[y * 128 + x];
        if ((std::fabs(Red(c) - r) > 3 || std::fabs(Green(c) - g) > 3 || std::fabs(Blue(c) - b) > 3) &&
            ++wrong <= 5)
          ADD_FAILURE() << "pixel (" << x << ", " << y << "): got (" << Red(c) << ", " << Green(c) << ", "
                        << Blue(c) << "), expected (" << r << ", " << g << ", " << b << ")";
      }
    }
    EXPECT_EQ(wrong, 0);
    effect_->SetTexture("Background", nullptr);
  }

  Effect* effect_ = nullptr;
  std::vector<IUnknown*> owned_;
};

// ---------------------------------------------------------------------------------------
// Waves

TEST_F(WaveWaterPictures, WavesGrowWithTheScaleAndStayOutOfTheMask) {
  Effect* e = Load(77);
  ASSERT_NE(e, nullptr);
  const float direction[2] = {0.0f, -1.0f}, normal[2] = {1.0f, 0.0f};
  const float frequency = 20.0f, amplitude = 0.04f, time = 0.3f;
  e->SetFloatArray("direction", direction, 2);
  e->SetFloatArray("direction_n", normal, 2);
  e->SetFloat("frequency", frequency);
  e->SetFloat("amplitude", amplitude);
  e->SetFloat("time", time);
  struct Case {
    float scale[2];
    bool masked;
  };
  // "Scale" (a / s, 1 / s): the waves run along v here, so only 1 / s matters; s = 2
  // makes them twice as long.
  const Case cases[] = {{{1.0f, 1.0f}, false}, {{0.5f, 0.5f}, false}, {{2.0f, 0.5f}, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "Scale (" << c.scale[0] << ", " << c.scale[1] << ")"
                                    << (c.masked ? ", masked" : ""));
    e->SetFloatArray("Scale", c.scale, 2);
    e->SetTexture("Mask", c.masked ? LeftHalfMask() : nullptr);
    auto displace = [&](double u, double v, double* du, double*) {
      if (c.masked && u < 0.5) return;
      *du = amplitude * std::sin(frequency * (-v * c.scale[1]) + time);
    };
    for (const char* technique : {"Main", "MainFX"}) {
      SCOPED_TRACE(technique);
      CheckDisplacement(e, technique, displace, amplitude);
    }
  }
  e->SetTexture("Mask", nullptr);
}

// ---------------------------------------------------------------------------------------
// Underwater

TEST_F(WaveWaterPictures, UnderwaterGrowsWithTheScaleAndStaysOutOfTheMask) {
  Effect* e = Load(88);
  ASSERT_NE(e, nullptr);
  const float frequency[2] = {12.0f, 9.0f};
  const float amplitude = 0.04f, time = 0.3f;
  e->SetFloatArray("frequency", frequency, 2);
  e->SetFloat("amplitude", amplitude);
  e->SetFloat("time", time);
  struct Case {
    float scale[2];
    bool masked;
  };
  // The frequency carries the aspect already: the wobble reads t0 x (1 / s) only.
  const Case cases[] = {{{1.0f, 0.5f}, false}, {{3.0f, 1.0f}, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "1 / s = " << c.scale[1] << (c.masked ? ", masked" : ""));
    e->SetFloatArray("Scale", c.scale, 2);
    e->SetTexture("Mask", c.masked ? LeftHalfMask() : nullptr);
    auto displace = [&](double u, double v, double* du, double* dv) {
      if (c.masked && u < 0.5) return;
      *du = amplitude * std::sin(v * c.scale[1] * frequency[1] + time);
      *dv = amplitude * std::sin(u * c.scale[1] * frequency[0] + time);
    };
    for (const char* technique : {"Main", "MainFX"}) {
      SCOPED_TRACE(technique);
      CheckDisplacement(e, technique, displace, amplitude);
    }
  }
  e->SetTexture("Mask", nullptr);
}

// ---------------------------------------------------------------------------------------
// Move

TEST_F(WaveWaterPictures, MoveShiftsByItsDirectionInScaledUnitsAndStaysOutOfTheMask) {
  Effect* e = Load(91);
  ASSERT_NE(e, nullptr);
  struct Case {
    float direction[2], scale[2];
    bool masked;
  };
  // The picture is read at t0 + Direction / Scale.
  const Case cases[] = {
      {{0.02f, -0.01f}, {1.0f, 1.0f}, false},
      {{0.02f, -0.01f}, {0.5f, 0.5f}, false},   // scale 2: twice as far
      {{0.03f, 0.015f}, {1.5f, 1.0f}, false},   // aspect 1.5: as many pixels either way
      {{-0.03f, 0.02f}, {1.0f, 1.0f}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "Direction (" << c.direction[0] << ", " << c.direction[1] << "), Scale ("
                                    << c.scale[0] << ", " << c.scale[1] << ")" << (c.masked ? ", masked" : ""));
    e->SetFloatArray("Direction", c.direction, 2);
    e->SetFloatArray("Scale", c.scale, 2);
    e->SetTexture("Mask", c.masked ? LeftHalfMask() : nullptr);
    auto displace = [&](double u, double, double* du, double* dv) {
      if (c.masked && u < 0.5) return;
      *du = c.direction[0] / c.scale[0];
      *dv = c.direction[1] / c.scale[1];
    };
    for (const char* technique : {"Main", "MainFX"}) {
      SCOPED_TRACE(technique);
      CheckDisplacement(e, technique, displace, 0.02);
    }
  }
  e->SetTexture("Mask", nullptr);
}

// ---------------------------------------------------------------------------------------
// Water. Every case starts from a still surface (no wave: P1.x = -1; no ripple:
// "BampTrans" 0; no shadow, light or tint) over a flat normal map, and changes the
// parameters it is about.

struct WaterSettings {
  float scale[2] = {1.0f, 1.0f};
  float bampTrans[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  float p1[3] = {-1.0f, -1.0f, -1.0f};
  float p2[3] = {1.0f, 1.0f, 1.0f};
  float time = 0.0f;
  float direction1[2] = {-10.0f, 0.0f};
  float direction2[2] = {0.0f, 0.0f};
  float shadows = 0.0f;
  float vhalf[3] = {0.4472136f, 0.8944272f, 0.0f};
  float color[3] = {1.0f, 1.0f, 1.0f};
};

// The wave's profile at phase x: e = (1 + cos x) / 2, f = e / (P2.y - (P2.y - P2.x) e).
double Profile(const WaterSettings& s, double phase) {
  const double e = 0.5 + 0.5 * std::cos(phase);
  return e / (s.p2[1] - (s.p2[1] - s.p2[0]) * e);
}

// The tilt of a normal-map channel that the picture holds as 2 x texel (a coordinate
// picture), read at coordinate t: value / 255 x 2 - 1.
double Tilt(double t) { return ChannelAt(t) / 255.0 * 2.0 - 1.0; }
// The tilt of a channel at 128.
const double kFlatTilt = 128.0 / 255.0 * 2.0 - 1.0;

class WaterPictures : public WaveWaterPictures {
 protected:
  void SetUp() override {
    WaveWaterPictures::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_NE(Load(90), nullptr);
    flat_ = Texture(8, 8, [](UINT, UINT) { return 0xFF8080FFu; });
  }
  void Apply(const WaterSettings& s, IDirect3DTexture9* bump, IDirect3DTexture9* mask = nullptr) {
    Effect* e = effect_;
    e->SetFloatArray("Scale", s.scale, 2);
    e->SetFloatArray("BampTrans", s.bampTrans, 4);
    e->SetFloatArray("P1", s.p1, 3);
    e->SetFloatArray("P2", s.p2, 3);
    e->SetFloat("Time", s.time);
    e->SetFloatArray("Direction1", s.direction1, 2);
    e->SetFloatArray("Direction2", s.direction2, 2);
    e->SetFloat("Shadows", s.shadows);
    e->SetFloatArray("Vhalf", s.vhalf, 3);
    e->SetFloatArray("Color", s.color, 3);
    e->SetTexture("BumpMap", bump);
    e->SetTexture("Mask", mask);
  }
  IDirect3DTexture9* flat_ = nullptr;
};

// The wave: (1 + P1.x) f along Direction1, its phase p . Direction1 + Time with p = t0 x
// Scale; P2 sharpens its crests.
TEST_F(WaterPictures, TheWaveFollowsItsProfileDirectionTimeAndScale) {
  struct Case {
    const char* what;
    void (*change)(WaterSettings&);
  };
  const Case cases[] = {
      {"a cosine wave along u", [](WaterSettings& s) { s.p1[0] = s.p1[2] = -0.96f; }},
      {"sharper crests (P2.y 4)", [](WaterSettings& s) { s.p1[0] = s.p1[2] = -0.96f, s.p2[1] = 4.0f; }},
      {"a larger profile (P1.x -0.94)", [](WaterSettings& s) { s.p1[0] = s.p1[2] = -0.94f; }},
      {"along v", [](WaterSettings& s) { s.p1[0] = -0.96f, s.direction1[0] = 0.0f, s.direction1[1] = 12.0f; }},
      {"drifted by Time", [](WaterSettings& s) { s.p1[0] = -0.96f, s.time = 1.5f; }},
      {"scale 2", [](WaterSettings& s) { s.p1[0] = -0.96f, s.scale[0] = s.scale[1] = 0.5f; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WaterSettings s;
    c.change(s);
    Apply(s, flat_);
    const double a = 1.0 + s.p1[0];
    const double length = std::hypot(s.direction1[0], s.direction1[1]);
    auto displace = [&](double u, double v, double* du, double* dv) {
      const double phase = u * s.scale[0] * s.direction1[0] + v * s.scale[1] * s.direction1[1] + s.time;
      const double push = a * Profile(s, phase);
      *du = s.direction1[0] / length * push;
      *dv = s.direction1[1] / length * push;
    };
    for (const char* technique : {"Main", "MainFX"}) {
      SCOPED_TRACE(technique);
      CheckDisplacement(effect_, technique, displace, a * 0.9);
    }
  }
}

// The ripples: the normal map's tilt b (a coordinate picture: b.x grows with u) turned
// and scaled by "BampTrans" (d = b.x (T.x, T.y) + b.y (T.z, T.w)), read at p + Direction2
// x Time.
TEST_F(WaterPictures, TheRipplesFollowTheBumpTransformAndDriftWithDirection2) {
  IDirect3DTexture9* slope = Texture(128, 128, [](UINT x, UINT) { return 0xFF008000u | (x * 2) << 16; });
  struct Case {
    const char* what;
    float bampTrans[4];
    float direction2[2];
    float time;
  };
  const Case cases[] = {
      {"scaled", {0.03f, 0.0f, 0.0f, 0.03f}, {0.0f, 0.0f}, 0.0f},
      {"turned a quarter", {0.0f, 0.03f, -0.03f, 0.0f}, {0.0f, 0.0f}, 0.0f},
      {"drifted", {0.03f, 0.0f, 0.0f, 0.03f}, {-0.05f, 0.0f}, 1.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WaterSettings s;
    std::copy(c.bampTrans, c.bampTrans + 4, s.bampTrans);
    std::copy(c.direction2, c.direction2 + 2, s.direction2);
    s.time = c.time;
    Apply(s, slope);
    auto displace = [&](double u, double, double* du, double* dv) {
      const double bx = Tilt(u + c.direction2[0] * c.time), by = kFlatTilt;
      *du = bx * c.bampTrans[0] + by * c.bampTrans[2];
      *dv = bx * c.bampTrans[1] + by * c.bampTrans[3];
    };
    for (const char* technique : {"Main", "MainFX"}) {
      SCOPED_TRACE(technique);
      CheckDisplacement(effect_, technique, displace, 0.02);
    }
  }
}

// Shadows darken the troughs (times 1 - Shadows (1 - f)); Color tints; the light of half
// vector Vhalf adds (N . Vhalf)^16 of white, N the flat map's normal.
TEST_F(WaterPictures, ShadowsColourAndLightChangeTheColours) {
  IDirect3DTexture9* picture = CoordinatePicture(device_);
  owned_.push_back(picture);
  IDirect3DTexture9* grey = Texture(128, 128, [](UINT, UINT) { return 0xFF404040u; });
  {
    SCOPED_TRACE("shadows 0.8 under a still cosine wave");
    WaterSettings s;
    s.p1[0] = -1.0f;  // no push: the wave only shades
    s.shadows = 0.8f;
    s.time = 0.5f;
    Apply(s, flat_);
    CheckColours("Main", picture, [&](double u, double v, double* r, double* g, double* b) {
      const double shade = 1.0 - 0.8 * (1.0 - Profile(s, -10.0 * u + 0.5));
      *r = ChannelAt(u) * shade, *g = ChannelAt(v) * shade, *b = 0.0;
    });
  }
  {
    SCOPED_TRACE("tinted (1, 0.5, 0.25)");
    WaterSettings s;
    s.color[1] = 0.5f, s.color[2] = 0.25f;
    Apply(s, flat_);
    CheckColours("MainFX", grey, [](double, double, double* r, double* g, double* b) {
      *r = 64.0, *g = 32.0, *b = 16.0;
    });
  }
  {
    SCOPED_TRACE("lit from Vhalf (1, 2, 10) / sqrt(105)");
    WaterSettings s;
    const double k = 1.0 / std::sqrt(105.0);
    s.vhalf[0] = float(k), s.vhalf[1] = float(2 * k), s.vhalf[2] = float(10 * k);
    Apply(s, flat_);
    const double n = 1.0 / std::sqrt(2.0 * kFlatTilt * kFlatTilt + 1.0);
    const double lit = std::pow((-kFlatTilt * k - kFlatTilt * 2 * k + 10 * k) * n, 16.0) * 255.0;
    ASSERT_GT(lit, 150.0);
    CheckColours("Main", grey, [lit](double, double, double* r, double* g, double* b) {
      *r = *g = *b = std::fmin(64.0 + lit, 255.0);
    });
    // The default half vector (1, 2, 0) / sqrt(5) lies in the surface: no light.
    WaterSettings dark;
    Apply(dark, flat_);
    CheckColours("Main", grey, [](double, double, double* r, double* g, double* b) { *r = *g = *b = 64.0; });
  }
}

TEST_F(WaterPictures, TheMaskHoldsTheWaterBack) {
  IDirect3DTexture9* picture = CoordinatePicture(device_);
  owned_.push_back(picture);
  WaterSettings s;
  s.p1[0] = -0.96f;
  s.color[2] = 0.0f;
  s.shadows = 0.5f;
  Apply(s, flat_, LeftHalfMask());
  // Left: the picture as it is. Right: pushed along Direction1 (-10, 0), shaded; blue is 0
  // either way.
  CheckColours("Main", picture, [&](double u, double v, double* r, double* g, double* b) {
    *b = 0.0;
    if (u < 0.5) {
      *r = ChannelAt(u), *g = ChannelAt(v);
      return;
    }
    const double f = Profile(s, -10.0 * u);
    const double shade = 1.0 - 0.5 * (1.0 - f);
    *r = ChannelAt(u - 0.04 * f) * shade, *g = ChannelAt(v) * shade;
  });
}

}  // namespace
