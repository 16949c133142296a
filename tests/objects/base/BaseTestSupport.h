#pragma once
// Test-only concrete classes over the sprite bases, the picture size a test works in, and
// reading a part from document-builder bytes.
#include "tests/support/LoggingEffect.h"
#include "core/archive/DS_IOF.h"
#include "core/render/StageView.h"
#include "objects/DS_ViewObjCtrl.h"
#include "objects/sprites/SpriteGeometry.h"
#include "objects/sprites/SpriteObjects.h"
#include "objects/sprites/SpriteSystem.h"
#include "platform/effect/Effect.h"
#include "tests/support/CrtRand.h"

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace tw_test {

// Sets g_ScreenLayout's picture size for the life of the object.
class PictureSize {
public:
  PictureSize(UINT w, UINT h) : m_W(g_ScreenLayout.pictureWidth), m_H(g_ScreenLayout.pictureHeight) {
    Set(w, h);
  }
  ~PictureSize() { Set(m_W, m_H); }
  static void Set(UINT w, UINT h) {
    g_ScreenLayout.pictureWidth = w;
    g_ScreenLayout.pictureHeight = h;
  }

private:
  UINT m_W, m_H;
};

// A seed after which rand() returns `first`, then `second` (searched through the model:
// every state whose draw is `first` is tried).
inline unsigned SeedGiving(int first, int second) {
  const std::uint32_t a = 214013u, c = 2531011u;
  // The multiplier's inverse modulo 2^32 (Newton's iteration).
  std::uint32_t inverse = a;
  for (int i = 0; i < 5; ++i) inverse *= 2u - a * inverse;
  for (std::uint32_t high = 0; high < 2; ++high) {
    for (std::uint32_t low = 0; low < 65536; ++low) {
      const std::uint32_t state = (high << 31) | (std::uint32_t(first) << 16) | low;
      CrtRand next{state};
      if (next.Next() == second) return (state - c) * inverse;
    }
  }
  return 0;
}

class DS_TestView : public DS_ViewObjCtrl {
public:
  DS_TestView() = default;
  DS_TestView(const DS_TestView& other) = default;
  DS_ABObj* CreateRuntimeObject() override { return nullptr; }
};

// A sprite system that places each new sprite at a random point (two draws) and counts
// its calls.
class DS_TestSystem : public DS_ParticleSystemCtrl {
public:
  DS_TestSystem() = default;
  DS_TestSystem(const DS_TestSystem& other) = default;
  DS_ParticleSystemCtrl* Clone() override { return new DS_TestSystem(*this); }
  void InitSprite(DS_SpriteState& sprite) override {
    ++initCalls;
    if (placeAtRandom) sprite.position = RandomPoint();
  }
  void UpdateSprite(DS_SpriteState& sprite) override {
    ++updateCalls;
    sprite.position += sprite.velocity * FrameStep();
  }

  bool placeAtRandom = true;
  int initCalls = 0;
  int updateCalls = 0;
};

class DS_TestStatFX : public DS_StatBaseFXCtrl {
public:
  DS_TestStatFX() = default;
  DS_TestStatFX(const DS_TestStatFX& other) = default;
  DS_ParticleSystemCtrl* Clone() override { return new DS_TestStatFX(*this); }
  bool PrepareEffect(DS_ABRender&, ParticleGeomArray&) override {
    ++prepareCalls;
    return drawAfterPrepare;
  }
  void LoadResources() override {
    DS_StatBaseFXCtrl::LoadResources();
    if (testEffect) m_Effect.Assign(testEffect);
  }
  bool drawAfterPrepare = true;
  int prepareCalls = 0;
  Effect* testEffect = nullptr;
};

class DS_TestGlow : public DS_GlowEffectCtrl {
public:
  DS_TestGlow() = default;
  DS_TestGlow(const DS_TestGlow& other) = default;
  DS_ParticleSystemCtrl* Clone() override { return new DS_TestGlow(*this); }
  void PreUpdate() override { ++preUpdates; }
  // The store's effect, or the test's when it gives one.
  void LoadResources() override {
    DS_GlowEffectCtrl::LoadResources();
    if (testEffect) m_Effect.Assign(testEffect);
  }
  int preUpdates = 0;
  Effect* testEffect = nullptr;
};

// An archive over a copy of some bytes (a prefix of them with `size`). The copy has a
// spare byte beyond the end, so that even an empty prefix is a block in memory (a null
// block would be no source at all, whose reads do nothing).
struct ByteReader {
  ByteReader(const unsigned char* bytes, size_t size)
      : data(Copy(bytes, size)), source(data.data(), size), archive(&source) {}
  static std::vector<unsigned char> Copy(const unsigned char* bytes, size_t size) {
    std::vector<unsigned char> v(bytes, bytes + size);
    v.push_back(0xEE);
    return v;
  }
  size_t Consumed() const { return size_t(source.Cursor() - data.data()); }
  std::vector<unsigned char> data;
  ResourceBuffer source;
  DS_IOF_R<ResourceBuffer> archive;
};

}  // namespace tw_test
