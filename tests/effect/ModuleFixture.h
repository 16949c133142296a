#pragma once
// The test fixture for the stand-in resource module "velmora.dll": its resources read raw
// (pictures and effect sources by id), a 128 x 128 device to draw them on, and the
// coordinate picture with which effect tests see where each pixel read the background.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/effect/Effect.h"
#include "tests/effect/TestDevice.h"

namespace module_test {

using effect_test::DrawAndReadBack;
using effect_test::Blue;
using effect_test::Green;
using effect_test::Red;
using effect_test::TestDevice;

struct Bytes {
  const void* data = nullptr;
  DWORD size = 0;
};

class VelmoraModule : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { module_ = LoadLibraryW(L"velmora.dll"); }

  void SetUp() override {
    ASSERT_NE(module_, nullptr) << "velmora.dll must sit beside the test program";
    ASSERT_NE(device_.get(), nullptr);
  }

  static Bytes Resource(int id, const wchar_t* type) {
    Bytes b;
    HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), type);
    if (!found) return b;
    HGLOBAL loaded = LoadResource(module_, found);
    b.size = SizeofResource(module_, found);
    b.data = loaded ? LockResource(loaded) : nullptr;
    return b;
  }

  // The picture loading parameters the player's texture cache uses for module pictures.
  IDirect3DTexture9* LoadPicture(int id, D3DXIMAGE_INFO* info) {
    const Bytes b = Resource(id, L"DDS");
    if (!b.data) return nullptr;
    IDirect3DTexture9* tex = nullptr;
    if (FAILED(D3DXCreateTextureFromFileInMemoryEx(device_.get(), b.data, b.size, D3DX_DEFAULT, D3DX_DEFAULT, 1, 0,
                                                   D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_TRIANGLE,
                                                   D3DX_FILTER_NONE, 0, info, nullptr, &tex)))
      return nullptr;
    return tex;
  }

  Effect* LoadEffect(int id, std::string* errors) {
    const Bytes b = Resource(id, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!b.data) {
      *errors = "no RT_RCDATA resource";
      return nullptr;
    }
    return CreateEffectFromSource(device_.get(), b.data, b.size, errors);
  }

  inline static HMODULE module_ = nullptr;
  TestDevice device_{128, 128};
};

// A picture whose red channel grows with x and green with y (2 per texel), so that the
// colour read back names the texture coordinate that a pixel sampled.
inline IDirect3DTexture9* CoordinatePicture(TestDevice& device) {
  return device.MakeTexture(128, 128, [](UINT x, UINT y) { return 0xFF000000u | (x * 2) << 16 | (y * 2) << 8; });
}

// The value a linear-filtered read of that picture gives at coordinate t (0..1).
inline double ChannelAt(double t) { return std::fmin(std::fmax(2.0 * (t * 128.0 - 0.5), 0.0), 254.0); }

class EffectPictures : public VelmoraModule {
 protected:
  // Draws the effect over the whole target with the coordinate picture as "Background",
  // then checks every 8th pixel against the displacement the shader is meant to apply.
  template <typename Displace>
  void CheckDisplacement(Effect* e, const char* technique, Displace displace, double amplitude) {
    IDirect3DTexture9* picture = CoordinatePicture(device_);
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(e->SetTexture("Background", picture), D3D_OK);
    ASSERT_EQ(e->SetTechnique(technique), D3D_OK);
    std::vector<DWORD> px;
    ASSERT_TRUE(DrawAndReadBack(device_, e, &px));
    double largest = 0;
    int wrong = 0;
    for (UINT y = 12; y < 116; y += 8) {
      for (UINT x = 12; x < 116; x += 8) {
        const double u = (x + 0.5) / 128.0, v = (y + 0.5) / 128.0;
        double du = 0, dv = 0;
        displace(u, v, &du, &dv);
        const DWORD c = px[y * 128 + x];
        if (std::fabs(Red(c) - ChannelAt(u + du)) > 3 || std::fabs(Green(c) - ChannelAt(v + dv)) > 3) {
          if (++wrong <= 5)
            ADD_FAILURE() << "pixel (" << x << ", " << y << "): got (" << Red(c) << ", " << Green(c)
                          << "), expected (" << ChannelAt(u + du) << ", " << ChannelAt(v + dv) << ")";
        }
        largest = std::fmax(largest, std::fmax(std::fabs(Red(c) - ChannelAt(u)), std::fabs(Green(c) - ChannelAt(v))));
      }
    }
    EXPECT_EQ(wrong, 0);
    // The displacement is seen: somewhere the picture moved by most of the amplitude.
    EXPECT_GT(largest, 0.8 * amplitude * 256.0);
    e->SetTexture("Background", nullptr);
    picture->Release();
  }
};

}  // namespace module_test
