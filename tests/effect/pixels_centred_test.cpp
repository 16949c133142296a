// The module's centred distortions, expand (102) and radial wave (103), drawn over the
// coordinate picture: each pixel reads the picture where the effect's rule says, about the
// centre it is given, with "Scale" sizing the effect's reach or rings, and "Mask" holding
// the effect back where it is white.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <initializer_list>
#include <string>

#include "platform/effect/Effect.h"
#include "tests/effect/ModuleFixture.h"

namespace {

using namespace module_test;

// Sets float parameters by name.
void SetFloats(Effect* e, const char* name, std::initializer_list<float> values) {
  ASSERT_EQ(e->SetFloatArray(name, values.begin(), UINT(values.size())), D3D_OK) << name;
}

// A 128 x 128 mask, white where white(x, y).
template <typename White>
IDirect3DTexture9* MaskPicture(TestDevice& device, White white) {
  return device.MakeTexture(128, 128, [&](UINT x, UINT y) { return white(x, y) ? 0xFFFFFFFFu : 0xFF000000u; });
}

// The expand rule: a point reads w (x - y) of its way nearer the centre, amplitude
// (x, y), w = 1 within 0.75 of the centre and 0 beyond 1, the distance measured as
// |(t0 - center) * Scale|.
struct Expand {
  float scale[2], amplitude[2], centre[2];
  void operator()(double u, double v, double* du, double* dv) const {
    const double dx = u - centre[0], dy = v - centre[1];
    const double r = std::hypot(dx * scale[0], dy * scale[1]);
    const double w = std::fmin(std::fmax(4.0 * (1.0 - r), 0.0), 1.0);
    const double k = w * (amplitude[0] - amplitude[1]);
    *du = -dx * k;
    *dv = -dy * k;
  }
};

TEST_F(EffectPictures, ExpandZoomsAboutItsCentreWithinItsScaledReach) {
  struct Case {
    const char* what;
    Expand rule;
    double largest;  // the greatest displacement, roughly
  };
  const Case cases[] = {
      // A reach beyond the picture (Scale 0.5): a plain zoom about the centre.
      {"swelling about (0.3, 0.6)", {{0.5f, 0.5f}, {0.2f, 0.0f}, {0.3f, 0.6f}}, 0.1},
      {"swelling about (0.7, 0.35)", {{0.5f, 0.5f}, {0.2f, 0.0f}, {0.7f, 0.35f}}, 0.1},
      {"shrinking about (0.7, 0.35)", {{0.5f, 0.5f}, {0.0f, 0.1f}, {0.7f, 0.35f}}, 0.05},
      // Scale 4: the pulse reaches 0.1875 from the centre fully and ends at 0.25.
      {"a small lens", {{4.0f, 4.0f}, {0.2f, 0.0f}, {0.5f, 0.5f}}, 0.03},
      // A wide aspect (Scale.x 2): the lens is half as wide as high.
      {"a lens on a wide picture", {{8.0f, 4.0f}, {0.2f, 0.0f}, {0.45f, 0.55f}}, 0.02},
  };
  std::string errors;
  Effect* e = LoadEffect(102, &errors);
  ASSERT_NE(e, nullptr) << errors;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetFloats(e, "Scale", {c.rule.scale[0], c.rule.scale[1]});
    SetFloats(e, "amplitude", {c.rule.amplitude[0], c.rule.amplitude[1]});
    SetFloats(e, "center", {c.rule.centre[0], c.rule.centre[1]});
    for (const char* technique : {"Main", "MainFX"}) {
      SCOPED_TRACE(technique);
      CheckDisplacement(e, technique, c.rule, c.largest);
    }
  }
  e->Release();
}

// The radial-wave rule: a point at r = |(t0 - center) * bg_scale_factor| from the centre
// reads amplitude * sin(r * Scale.y * frequency - time) / r of its offset farther out.
struct RadialWave {
  float scaleY, bgScale[2], centre[2], frequency, amplitude, time;
  void operator()(double u, double v, double* du, double* dv) const {
    const double dx = u - centre[0], dy = v - centre[1];
    const double r = std::hypot(dx * bgScale[0], dy * bgScale[1]);
    if (r < 1e-9) {
      *du = *dv = 0.0;
      return;
    }
    const double k = amplitude * std::sin(r * scaleY * frequency - time) / r;
    *du = dx * k;
    *dv = dy * k;
  }
};

TEST_F(EffectPictures, RadialWaveRunsRingsFromItsCentre) {
  struct Case {
    const char* what;
    RadialWave rule;
  };
  const Case cases[] = {
      {"about (0.5, 0.5)", {1.0f, {1.0f, 1.0f}, {0.5f, 0.5f}, 20.0f, 0.03f, 0.5f}},
      {"about (0.3, 0.65)", {1.0f, {1.0f, 1.0f}, {0.3f, 0.65f}, 20.0f, 0.03f, 0.5f}},
      // Time moves the rings: the same wave a quarter period on.
      {"later", {1.0f, {1.0f, 1.0f}, {0.3f, 0.65f}, 20.0f, 0.03f, 0.5f + 1.5707963f}},
      {"earlier", {1.0f, {1.0f, 1.0f}, {0.3f, 0.65f}, 20.0f, 0.03f, -2.0f}},
      // Rings squeezed along y: distances there count twice.
      {"a background scale", {1.0f, {1.0f, 2.0f}, {0.5f, 0.5f}, 20.0f, 0.03f, 0.5f}},
      // Scale.y 0.5 (scale 2): rings twice as wide.
      {"a larger scale", {0.5f, {1.0f, 1.0f}, {0.5f, 0.5f}, 20.0f, 0.03f, 0.5f}},
  };
  std::string errors;
  Effect* e = LoadEffect(103, &errors);
  ASSERT_NE(e, nullptr) << errors;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetFloats(e, "Scale", {1.3333333f, c.rule.scaleY});
    SetFloats(e, "bg_scale_factor", {c.rule.bgScale[0], c.rule.bgScale[1]});
    SetFloats(e, "center", {c.rule.centre[0], c.rule.centre[1]});
    ASSERT_EQ(e->SetFloat("frequency", c.rule.frequency), D3D_OK);
    ASSERT_EQ(e->SetFloat("amplitude", c.rule.amplitude), D3D_OK);
    ASSERT_EQ(e->SetFloat("time", c.rule.time), D3D_OK);
    for (const char* technique : {"Main", "MainFX"}) {
      SCOPED_TRACE(technique);
      CheckDisplacement(e, technique, c.rule, c.rule.amplitude);
    }
  }
  e->Release();
}

// A mask white on the left half (x < 64) leaves the picture there as it is; on the right
// the effect acts fully.
TEST_F(EffectPictures, CentredEffectsHoldBackWhereTheMaskIsWhite) {
  IDirect3DTexture9* mask = MaskPicture(device_, [](UINT x, UINT) { return x < 64; });
  ASSERT_NE(mask, nullptr);
  const Expand expand{{0.5f, 0.5f}, {0.2f, 0.0f}, {0.5f, 0.5f}};
  const RadialWave wave{1.0f, {1.0f, 1.0f}, {0.5f, 0.5f}, 20.0f, 0.03f, 0.5f};
  struct Case {
    int id;
    std::function<void(Effect*)> set;
    std::function<void(double, double, double*, double*)> rule;
  };
  const Case cases[] = {
      {102,
       [&](Effect* e) {
         SetFloats(e, "Scale", {0.5f, 0.5f});
         SetFloats(e, "amplitude", {0.2f, 0.0f});
         SetFloats(e, "center", {0.5f, 0.5f});
       },
       expand},
      {103,
       [&](Effect* e) {
         SetFloats(e, "Scale", {1.0f, 1.0f});
         SetFloats(e, "bg_scale_factor", {1.0f, 1.0f});
         SetFloats(e, "center", {0.5f, 0.5f});
         e->SetFloat("frequency", 20.0f);
         e->SetFloat("amplitude", 0.03f);
         e->SetFloat("time", 0.5f);
       },
       wave},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("effect " + std::to_string(c.id));
    std::string errors;
    Effect* e = LoadEffect(c.id, &errors);
    ASSERT_NE(e, nullptr) << errors;
    c.set(e);
    ASSERT_EQ(e->SetTexture("Mask", mask), D3D_OK);
    auto masked = [&](double u, double v, double* du, double* dv) {
      if (u < 0.5) {
        *du = *dv = 0.0;
        return;
      }
      c.rule(u, v, du, dv);
    };
    for (const char* technique : {"Main", "MainFX"}) {
      SCOPED_TRACE(technique);
      CheckDisplacement(e, technique, masked, 0.02);
    }
    e->SetTexture("Mask", nullptr);
    e->Release();
  }
  mask->Release();
}

}  // namespace
