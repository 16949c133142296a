// The discharge bolt without a device: the paths it builds (golden values from the C
// runtime's rand sequence), how segments glide and flicker frame by frame, what its glow
// object asks of the layer and the effect, and its record.
#include "tests/objects/base/BaseTestSupport.h"

#include "bolt_fixtures.h"
#include "core/archive/DS_IOF_Writer.h"
#include "core/archive/ReaderRegistry.h"
#include "core/document/ResourceModule.h"
#include "objects/sprites/DischargeBolt.h"
#include "tests/support/CrtRand.h"
#include "tests/support/RecordingRender.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using tw_test::ByteReader;
using tw_test::LoggingEffect;
using tw_test::PictureSize;
using tw_test::RecordingRender;

// The first draws after srand(1): 41, 18467, 6334, 26500, 19169, 15724, 11478, 29358,
// 26962, 24464, 5705, 28145, 23281, 16827, 9961, 491, ...
constexpr unsigned kSeed = 1;

std::unique_ptr<DS_GlowingObj> MakeBolt(DS_DischargeFXConstructor& d) {
  return std::unique_ptr<DS_GlowingObj>(static_cast<DS_GlowingObj*>(d.CreateRuntimeObject()));
}

DS_DischargeFXConstructor& BoltOf(DS_GlowingObj& object) {
  return static_cast<DS_DischargeFXConstructor&>(*object.m_GlowDescription);
}

DS_DischargeFXConstructor Bolt(D3DXVECTOR3 start, D3DXVECTOR3 end, unsigned count) {
  DS_DischargeFXConstructor d;
  d.m_Start.Store(start);
  d.m_End.Store(end);
  d.m_SpriteCount.Store(count);
  return d;
}

void ExpectNear(const D3DXVECTOR3& got, const D3DXVECTOR3& want, float tolerance = 1e-3f) {
  EXPECT_NEAR(got.x, want.x, tolerance);
  EXPECT_NEAR(got.y, want.y, tolerance);
  EXPECT_NEAR(got.z, want.z, tolerance);
}

bool Finite(const D3DXVECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool SpriteIsFinite(const DS_SpriteState& s) {
  return Finite(s.position) && Finite(s.rightAxis) && Finite(s.upAxis) && std::isfinite(s.halfWidth) &&
         std::isfinite(s.halfHeight);
}

TEST(DischargeBolt, ConstructorDefaults) {
  DS_DischargeFXConstructor d;
  EXPECT_EQ(d.m_EffectLink.Path(), std::wstring(kResourceModuleName));
  EXPECT_EQ(d.m_EffectLink.Stamp(), 97);
  EXPECT_EQ(d.m_SpriteSize.Get(), 50u);
  EXPECT_EQ(d.m_BlendMode.Get(), 1);
  EXPECT_EQ(d.m_Color.Get(), 0xFFFFCCul);
  EXPECT_EQ(d.m_GlowColor.Get(), 0xFF9900ul);
  EXPECT_FLOAT_EQ(d.m_Deviation.Derived(), 0.5f);
  EXPECT_EQ(d.m_TextureKind.Get(), 1);
  EXPECT_FLOAT_EQ(d.m_Flicker.Derived(), 0.0f);
  EXPECT_FLOAT_EQ(d.m_GlideSpeed.Derived(), 5.0f);
  EXPECT_EQ(d.m_Start.Get(), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
  EXPECT_EQ(d.m_End.Get(), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
}

// One segment is never bent: it runs from the start to the end point, with the texture's
// caps at both ends, and draws nothing from rand but its flicker.
TEST(DischargeBolt, OneSegmentRunsStraightFromStartToEnd) {
  PictureSize picture(640, 480);
  DS_DischargeFXConstructor d = Bolt({100, 200, 0}, {400, 600, 0}, 1);
  srand(kSeed);
  auto object = MakeBolt(d);
  object->UpdateFrame(0.05f);
  ASSERT_EQ(object->m_Sprites.size(), 1u);
  const DS_SpriteState& s = object->m_Sprites[0];
  // |E - S| = 500 along (0.6, 0.8); the normal (D.y, -D.x) / |D| is (0.8, -0.6).
  ExpectNear(s.position, {250, 400, 0});
  EXPECT_NEAR(s.halfWidth, 250.0f, 1e-3f);
  ExpectNear(s.rightAxis, {0.6f, 0.8f, 0});
  ExpectNear(s.upAxis, {0.8f, -0.6f, 0});
  EXPECT_FLOAT_EQ(s.halfHeight, 25.0f);  // half the sprite size
  EXPECT_EQ(s.uRange[0], 0.0f);
  EXPECT_EQ(s.uRange[1], 1.0f);
  // 41 and 18467 went to the size factor and the phase sign; the flicker drew 6334 (even:
  // the upper half, 0.5 to 1) and 26500 (even: not flipped).
  EXPECT_EQ(s.vRange[0], 0.5f);
  EXPECT_EQ(s.vRange[1], 1.0f);
  EXPECT_EQ(rand(), 19169);
  // Colour 0xFFFFCC (red 0xCC), transparency 0, phase 1.
  EXPECT_EQ(s.color, 0xFFCCFFFFu);
}

// Deviation 0: every segment on the straight line, each |E - S| / n long, and still two
// draws for each segment but the last.
TEST(DischargeBolt, WithoutDeviationEverySegmentLiesOnTheLine) {
  PictureSize picture(640, 480);
  DS_DischargeFXConstructor d = Bolt({0, 0, 0}, {300, 400, 0}, 4);
  d.m_Deviation.Set(0u);
  srand(kSeed);
  auto object = MakeBolt(d);
  DS_DischargeFXConstructor& bolt = BoltOf(*object);
  const D3DXVECTOR3 midpoints[4] = {{37.5f, 50, 0}, {112.5f, 150, 0}, {187.5f, 250, 0}, {262.5f, 350, 0}};
  for (const std::vector<DS_BoltSegment>* path : {&bolt.m_OldPath, &bolt.m_NewPath}) {
    ASSERT_EQ(path->size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
      SCOPED_TRACE(i);
      ExpectNear((*path)[i].midpoint, midpoints[i]);
      EXPECT_NEAR((*path)[i].length, 125.0f, 1e-3f);
      ExpectNear((*path)[i].direction, {0.6f, 0.8f, 0});
      ExpectNear((*path)[i].normal, {0.8f, -0.6f, 0});
    }
  }
  // Four sprites, each: size factor, phase sign, then two paths of 3 x 2 offsets.
  tw_test::CrtRand model{kSeed};
  model.Skip(4 * (2 + 12));
  EXPECT_EQ(rand(), model.Next());

  // The first and last segments keep the texture's caps; inner ones use its middle.
  object->UpdateFrame(0.05f);
  const float u[4][2] = {{0.0f, 0.805f}, {0.195f, 0.805f}, {0.195f, 0.805f}, {0.195f, 1.0f}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(object->m_Sprites[i].uRange[0], u[i][0]) << i;
    EXPECT_EQ(object->m_Sprites[i].uRange[1], u[i][1]) << i;
    ExpectNear(object->m_Sprites[i].position, midpoints[i]);
  }
}

// Deviation 50 (0.5): each bent segment heads for the end point with the offsets o1, o2
// drawn in that order, the last one is not bent and ends the bolt at E.
TEST(DischargeBolt, BentPathsFollowTheDrawOrder) {
  PictureSize picture(640, 480);
  DS_DischargeFXConstructor d = Bolt({0, 0, 0}, {200, 100, 0}, 2);
  srand(kSeed);
  auto object = MakeBolt(d);
  DS_DischargeFXConstructor& bolt = BoltOf(*object);
  // Sprite 1: 41 size, 18467 sign, old path 6334/26500, new path 19169/15724. Sprite 2:
  // 11478 size, 29358 sign, old path 26962/24464, new path 5705/28145: those last.
  // Old: o1 = -0.5 + 26962/32767 = 0.32284, o2 = 0.24660; heading (200 + 100 o1,
  // 100 + 200 o2) = (232.28, 149.32) -> (0.84119, 0.54075); step 223.607 / 2 = 111.803.
  struct Expected {
    D3DXVECTOR3 mid0, dir0, mid1, dir1;
    float length1;
  };
  const Expected old{{47.0237f, 30.2286f, 0}, {0.841186f, 0.540746f, 0}, {147.0237f, 80.2286f, 0},
                     {0.936879f, 0.349654f, 0}, 113.0910f};
  // New: o1 = -0.32589, o2 = 0.35894 -> heading (167.41, 171.79) -> (0.69792, 0.71617).
  const Expected fresh{{39.0150f, 40.0353f, 0}, {0.697922f, 0.716173f, 0}, {139.0150f, 90.0353f, 0},
                       {0.986912f, 0.161257f, 0}, 123.5874f};
  const D3DXVECTOR3 normal{100.0f / 223.6068f, -200.0f / 223.6068f, 0.0f};
  const struct {
    const std::vector<DS_BoltSegment>* path;
    Expected want;
  } paths[] = {{&bolt.m_OldPath, old}, {&bolt.m_NewPath, fresh}};
  for (const auto& [path, want] : paths) {
    ASSERT_EQ(path->size(), 2u);
    ExpectNear((*path)[0].midpoint, want.mid0);
    ExpectNear((*path)[0].direction, want.dir0, 1e-5f);
    EXPECT_NEAR((*path)[0].length, 111.8034f, 1e-3f);
    ExpectNear((*path)[1].midpoint, want.mid1);
    ExpectNear((*path)[1].direction, want.dir1, 1e-5f);
    EXPECT_NEAR((*path)[1].length, want.length1, 1e-3f);
    ExpectNear((*path)[0].normal, normal, 1e-5f);
    ExpectNear((*path)[1].normal, normal, 1e-5f);
    // The bolt ends at E.
    ExpectNear((*path)[1].midpoint + (*path)[1].direction * ((*path)[1].length * 0.5f), {200, 100, 0});
  }
  EXPECT_EQ(rand(), 23281);

  // A quarter of the way (0.05 s at speed 5) from the old path to the new one, the
  // blended direction not renormalised.
  object->UpdateFrame(0.05f);
  const DS_SpriteState& s = object->m_Sprites[0];
  ExpectNear(s.position, old.mid0 + 0.25f * (fresh.mid0 - old.mid0));
  ExpectNear(s.rightAxis, old.dir0 + 0.25f * (fresh.dir0 - old.dir0), 1e-5f);
  EXPECT_NEAR(s.halfWidth, 111.8034f * 0.5f, 1e-3f);
}

// The flicker time is 0.1 - 0.001 x value seconds between texture changes of a segment:
// each change draws the half, then the flip. Frames come every 0.02 s.
TEST(DischargeBolt, FlickerRedrawsTheTextureHalfAtItsPace) {
  PictureSize picture(640, 480);
  struct VRange {
    float top, bottom;
  };
  // Draw pairs after the sprite's two: (6334, 26500) upper half upright; (19169, 15724)
  // lower half upright; (11478, 29358) upper; (26962, 24464) upper; (5705, 28145) lower
  // flipped.
  const VRange initial{0.0f, 1.0f}, pair1{0.5f, 1.0f}, pair2{0.0f, 0.5f}, pair3{0.5f, 1.0f},
      pair4{0.5f, 1.0f}, pair5{0.5f, 0.0f};
  struct Case {
    unsigned flicker;
    std::vector<VRange> afterFrame;  // frames 1, 2, ...
    int changes;
  };
  const Case cases[] = {
      // 0 s: every frame.
      {100, {pair1, pair2, pair3, pair4, pair5}, 5},
      // 0.05 s: frames 3 (0.06 - 0 > 0.05), 6 and 9.
      {50, {initial, initial, pair1, pair1, pair1, pair2, pair2, pair2, pair3}, 3},
      // 0.1 s: once in nine frames, at 0.12.
      {0, {initial, initial, initial, initial, initial, pair1, pair1, pair1, pair1}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "flicker " << c.flicker);
    DS_DischargeFXConstructor d = Bolt({10, 10, 0}, {200, 10, 0}, 1);
    d.m_Flicker.Set(c.flicker);
    srand(kSeed);
    auto object = MakeBolt(d);
    for (size_t f = 0; f < c.afterFrame.size(); ++f) {
      object->UpdateFrame(0.02f * float(f + 1));
      const DS_SpriteState& s = object->m_Sprites[0];
      EXPECT_EQ(s.vRange[0], c.afterFrame[f].top) << "frame " << f + 1;
      EXPECT_EQ(s.vRange[1], c.afterFrame[f].bottom) << "frame " << f + 1;
    }
    tw_test::CrtRand model{kSeed};
    model.Skip(2 + 2 * c.changes);
    EXPECT_EQ(rand(), model.Next());
  }
}

// Between rebuilds a segment glides from the old path to the new one: at speed 100 it is
// on the new path when 0.1 s have passed since the rebuild, at speed 50 half way. The next
// frame's rebuild starts from where it arrived, and no frame grows the paths.
TEST(DischargeBolt, SegmentsGlideToTheNewPathBetweenRebuilds) {
  PictureSize picture(640, 480);
  for (unsigned speed : {100u, 50u}) {
    SCOPED_TRACE(testing::Message() << "speed " << speed);
    DS_DischargeFXConstructor d = Bolt({20, 300, 0}, {600, 120, 0}, 3);
    d.m_GlideSpeed.Set(speed);
    srand(kSeed);
    auto object = MakeBolt(d);
    DS_DischargeFXConstructor& bolt = BoltOf(*object);
    const DS_BoltSegment* oldData = bolt.m_OldPath.data();
    const DS_BoltSegment* newData = bolt.m_NewPath.data();
    const std::vector<DS_BoltSegment> before = bolt.m_OldPath, target = bolt.m_NewPath;
    object->UpdateFrame(0.05f);
    object->UpdateFrame(0.1f);  // 0.1 s of object time since the rebuild at 0
    ASSERT_NEAR(bolt.AccumulatedTime(), 0.1f, 1e-6f);
    const float t = speed == 100 ? 1.0f : 0.5f;
    for (size_t i = 0; i < 3; ++i) {
      SCOPED_TRACE(i);
      const DS_SpriteState& s = object->m_Sprites[i];
      ExpectNear(s.position, before[i].midpoint + t * (target[i].midpoint - before[i].midpoint), 1e-2f);
      EXPECT_NEAR(s.halfWidth, 0.5f * (before[i].length + t * (target[i].length - before[i].length)), 1e-2f);
      ExpectNear(s.rightAxis, before[i].direction + t * (target[i].direction - before[i].direction), 1e-4f);
    }
    // One of the next two frames rebuilds (the first whose clock is past 0.1 s at its
    // start): the old path is the one the segments were heading for, the new one fresh.
    object->UpdateFrame(0.15f);
    object->UpdateFrame(0.2f);
    EXPECT_GT(bolt.m_LastRebuild, 0.09f);
    EXPECT_LT(bolt.m_LastRebuild, 0.16f);
    ASSERT_EQ(bolt.m_OldPath.size(), 3u);
    bool sameAsTarget = true;
    for (size_t i = 0; i < 3; ++i) {
      sameAsTarget = sameAsTarget && bolt.m_OldPath[i].midpoint == target[i].midpoint;
    }
    EXPECT_TRUE(sameAsTarget);
    EXPECT_NE(bolt.m_NewPath[0].midpoint, target[0].midpoint);
    for (int f = 5; f < 60; ++f) object->UpdateFrame(0.05f * float(f));
    EXPECT_EQ(bolt.m_OldPath.data(), oldData);
    EXPECT_EQ(bolt.m_NewPath.data(), newData);
  }
}

// A start equal to its end gives segments without length: nothing is divided by zero, no
// sprite holds a NaN, and the object draws nothing at all.
TEST(DischargeBolt, AStartEqualToItsEndDrawsNothing) {
  PictureSize picture(640, 480);
  LoggingEffect effect;
  {
    DS_DischargeFXConstructor d = Bolt({150, 150, 0}, {150, 150, 0}, 3);
    auto object = MakeBolt(d);
    BoltOf(*object).m_Effect.Assign(&effect);
    for (int f = 1; f <= 5; ++f) object->UpdateFrame(0.05f * float(f));
    for (const DS_SpriteState& s : object->m_Sprites) {
      EXPECT_TRUE(SpriteIsFinite(s));
      EXPECT_EQ(s.halfWidth, 0.0f);
    }
    for (const DS_BoltSegment& seg : BoltOf(*object).m_NewPath) {
      EXPECT_TRUE(Finite(seg.midpoint) && Finite(seg.direction) && Finite(seg.normal));
    }
    RecordingRender r;
    object->Render(r);
    EXPECT_EQ(r.Sequence(), "");
    EXPECT_EQ(effect.log, "");

    // Moved apart, the same object draws again.
    BoltOf(*object).m_End.Store(D3DXVECTOR3(300, 150, 0));
    object->UpdateFrame(0.3f);
    object->Render(r);
    EXPECT_EQ(r.Sequence(), "Draw DrawMesh");
  }
  EXPECT_EQ(effect.refs, 1u);
}

// What the bolt's glow object asks for each frame (no device, so no glow target to fill):
// the composite and the sprites, with BlendColor (glow colour / 255, time-line alpha x
// strength).
TEST(DischargeBolt, RenderAsksTheEffectForTheGlowPassesInOrder) {
  PictureSize picture(640, 480);
  struct Case {
    int blend;
    unsigned long glowColour;
    unsigned strength;
    const char* technique;
    std::vector<float> blendColour;
  };
  const Case cases[] = {
      {1, 0x000000, 100, "Blend_Screen", {0.0f, 0.0f, 0.0f, 1.0f}},
      {0, 0xFF9900, 40, "Blend_Normal", {0.0f, 0.6f, 1.0f, 0.4f}},  // 0x99 = 153 = 0.6 x 255
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.technique);
    LoggingEffect effect;
    DS_DischargeFXConstructor d = Bolt({10, 10, 0}, {300, 200, 0}, 4);
    d.m_BlendMode.Store(c.blend);
    d.m_GlowColor.Store(c.glowColour);
    d.m_GlowStrength.Set(c.strength);
    auto object = MakeBolt(d);
    BoltOf(*object).m_Effect.Assign(&effect);
    object->UpdateFrame(0.05f);
    RecordingRender r;
    object->Render(r);
    EXPECT_EQ(r.Sequence(), "Draw DrawMesh");
    EXPECT_EQ(effect.log, std::string("SetTexture Texture1 | SetTechnique Blend_Max | SetTechnique ") + c.technique +
                              " | SetFloatArray BlendColor | SetTexture Texture1 | SetTexture Texture2 | "
                              "SetTechnique Common | SetTexture Texture1");
    ASSERT_EQ(effect.lastArray.size(), 4u);
    for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(effect.lastArray[i], c.blendColour[i], 1e-6f) << i;
    object.reset();
    EXPECT_EQ(effect.refs, 1u);
  }
}

// More records than path segments (the count fell): the first count segments still run
// from start to end, the others are neither read beyond the paths nor left undefined.
TEST(DischargeBolt, SegmentsBeyondThePathAreNeverRead) {
  PictureSize picture(640, 480);
  DS_DischargeFXConstructor d = Bolt({0, 0, 0}, {400, 0, 0}, 4);
  auto object = MakeBolt(d);
  DS_DischargeFXConstructor& bolt = BoltOf(*object);
  bolt.m_SpriteCount.Set(2u);
  ASSERT_EQ(object->m_Sprites.size(), 4u);
  for (int f = 1; f <= 8; ++f) object->UpdateFrame(0.05f * float(f));
  for (const DS_SpriteState& s : object->m_Sprites) EXPECT_TRUE(SpriteIsFinite(s));
  // The second segment is the last drawn one: unbent, capped, ending at E once the
  // segments have reached a path built for two.
  EXPECT_EQ(object->m_Sprites[1].uRange[1], 1.0f);
  const DS_BoltSegment& last = bolt.m_NewPath[1];
  ExpectNear(last.midpoint + last.direction * (last.length * 0.5f), {400, 0, 0});

  // A description called for more sprites than its paths hold leaves the extra one as it
  // was.
  DS_DischargeFXConstructor lone = Bolt({0, 0, 0}, {100, 0, 0}, 2);
  DS_SpriteState a, b, c;
  lone.InitSprite(a);
  lone.PreUpdate();
  lone.UpdateSprite(a);
  lone.UpdateSprite(b);
  c.position = D3DXVECTOR3(-7.0f, -7.0f, -7.0f);
  c.halfWidth = 3.0f;
  lone.UpdateSprite(c);
  EXPECT_EQ(c.position, D3DXVECTOR3(-7.0f, -7.0f, -7.0f));
  EXPECT_EQ(c.halfWidth, 3.0f);
}

// A reset starts the object's clock again: the path's rebuild clock starts with it, so
// the segments glide forward from the old path instead of far behind it.
TEST(DischargeBolt, AfterAResetSegmentsGlideForwardAgain) {
  PictureSize picture(640, 480);
  DS_DischargeFXConstructor d = Bolt({20, 20, 0}, {600, 400, 0}, 3);
  auto object = MakeBolt(d);
  DS_DischargeFXConstructor& bolt = BoltOf(*object);
  for (int f = 1; f <= 20; ++f) object->UpdateFrame(0.05f * float(f));
  ASSERT_GT(bolt.m_LastRebuild, 0.5f);
  object->Reset();
  const std::vector<DS_BoltSegment> before = bolt.m_OldPath, target = bolt.m_NewPath;
  object->UpdateFrame(0.05f);  // 0.05 s after the reset: a quarter of the way at speed 5
  for (size_t i = 0; i < 3; ++i) {
    ExpectNear(object->m_Sprites[i].position,
               before[i].midpoint + 0.25f * (target[i].midpoint - before[i].midpoint), 1e-2f);
  }
}

// Loading resources: the texture kind picks the module's segment picture whatever the
// document names, and only a description that was never placed gets default points.
TEST(DischargeBolt, LoadingPicksTheSegmentPictureAndPlacesANewBolt) {
  PictureSize picture(800, 600);
  struct Case {
    int kind;
    bool placed;
    long long image;
    D3DXVECTOR3 start, end;
  };
  const Case cases[] = {
      {1, true, 95, {5, 6, 0}, {7, 8, 0}},
      {0, true, 98, {5, 6, 0}, {7, 8, 0}},
      // Right edge 0.75 x 800, bottom 0.5 x 600: (600 - 100, 300 - 100).
      {7, false, 95, {100, 100, 0}, {500, 200, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " placed " << c.placed);
    DS_DischargeFXConstructor d = Bolt({5, 6, 0}, {7, 8, 0}, 1);
    d.m_NormRight = 0.75f;
    d.m_NormBottom = 0.5f;
    d.m_TextureKind.Store(c.kind);
    d.m_Flag = c.placed;
    d.m_SpriteImage.StoreKey(L"document.png", 12);
    d.LoadResources();
    EXPECT_EQ(d.m_SpriteImage.Path(), std::wstring(kResourceModuleName));
    EXPECT_EQ(d.m_SpriteImage.Stamp(), c.image);
    EXPECT_EQ(d.m_Start.Get(), c.start);
    EXPECT_EQ(d.m_End.Get(), c.end);
    EXPECT_TRUE(d.m_Flag);
  }
}

// ---------------------------------------------------------------------------------------
// The record

TEST(DischargeBoltRecord, ReadsEveryFieldAndWritesTheSameBytes) {
  struct Case {
    const char* name;
    const unsigned char* bytes;
    size_t size;
    D3DXVECTOR3 start, end;
    unsigned deviation, flicker, speed;
    int kind;
    float derivedDeviation, derivedFlicker, derivedSpeed;
    unsigned long glowColour;
    float strength;
    unsigned count;
  };
  const Case cases[] = {
      {"every field", kFixtureBoltFull, kFixtureBoltFullSize, {12.5f, 40.0f, 0.25f}, {300.0f, 220.25f, -1.0f},
       30, 40, 80, 0, 0.3f, 0.06f, 8.0f, 0x00336699, 1.5f, 6},
      {"the builder's defaults", kFixtureBoltBuilderDefaults, kFixtureBoltBuilderDefaultsSize, {0, 0, 0}, {0, 0, 0},
       50, 100, 50, 1, 0.5f, 0.0f, 5.0f, 0, 1.0f, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ByteReader r(c.bytes, c.size);
    std::unique_ptr<DS_ABObj_Constructor> object(ReadSceneObject(r.archive));
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(r.Consumed(), c.size);
    auto* d = dynamic_cast<DS_DischargeFXConstructor*>(object.get());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->m_Start.Get(), c.start);
    EXPECT_EQ(d->m_End.Get(), c.end);
    EXPECT_EQ(d->m_Deviation.Get(), c.deviation);
    EXPECT_EQ(d->m_TextureKind.Get(), c.kind);
    EXPECT_EQ(d->m_Flicker.Get(), c.flicker);
    EXPECT_EQ(d->m_GlideSpeed.Get(), c.speed);
    // The scaled values were stored through their setters: the derived values follow.
    EXPECT_NEAR(d->m_Deviation.Derived(), c.derivedDeviation, 1e-6f);
    EXPECT_NEAR(d->m_Flicker.Derived(), c.derivedFlicker, 1e-6f);
    EXPECT_NEAR(d->m_GlideSpeed.Derived(), c.derivedSpeed, 1e-5f);
    EXPECT_EQ(d->m_GlowColor.Get(), c.glowColour);
    EXPECT_FLOAT_EQ(d->m_GlowStrength.Derived(), c.strength);
    EXPECT_EQ(d->m_SpriteCount.Get(), c.count);
    EXPECT_TRUE(d->m_OldPath.empty() && d->m_NewPath.empty());

    DS_IOF_W w;
    d->Write(w);
    EXPECT_EQ(w.Bytes(), std::vector<unsigned char>(c.bytes, c.bytes + c.size));
  }
  {
    SCOPED_TRACE("the rest of the full record");
    ByteReader r(kFixtureBoltFull, kFixtureBoltFullSize);
    std::unique_ptr<DS_ABObj_Constructor> object(ReadSceneObject(r.archive));
    auto* d = dynamic_cast<DS_DischargeFXConstructor*>(object.get());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->m_EffectLink.Path(), L"bolt.fx");
    EXPECT_EQ(d->m_EffectLink.Stamp(), 3);
    EXPECT_EQ(d->m_SpriteSize.Get(), 40u);
    EXPECT_EQ(d->m_Color.Get(), 0x112233ul);
    EXPECT_EQ(d->m_SecondImage.Path(), L"halo.png");
    EXPECT_EQ(d->m_Speed.Get(), 75u);
    EXPECT_EQ(d->Name(), L"bolt");
    EXPECT_EQ(d->m_Depth.Get(), 90u);
  }
}

// Every record cut short fails the archive (the loader then drops the document) without a
// crash and without reading beyond the bytes; what was read is still a whole object.
TEST(DischargeBoltRecord, AHugeCountIsHeldToTheMostSegmentsABoltHas) {
  ByteReader r(kFixtureBoltHugeCount, kFixtureBoltHugeCountSize);
  std::unique_ptr<DS_ABObj_Constructor> object(ReadSceneObject(r.archive));
  auto* d = dynamic_cast<DS_DischargeFXConstructor*>(object.get());
  ASSERT_NE(d, nullptr);
  EXPECT_FALSE(r.archive.Failed());
  EXPECT_EQ(d->m_SpriteCount.Get(), kMaxBoltSegments);
  // Its sprites and both paths are made for that many segments.
  ParticleGeomArray geometry;
  geometry.m_Description = d;
  geometry.BindCount(d->m_SpriteCount);
  EXPECT_EQ(geometry.m_Sprites.size(), size_t(kMaxBoltSegments));
  geometry.UnbindCount();
}

TEST(DischargeBoltRecord, ATruncatedRecordFailsTheArchive) {
  for (size_t size = 0; size < kFixtureBoltFullSize; ++size) {
    ByteReader r(kFixtureBoltFull, size);
    std::unique_ptr<DS_ABObj_Constructor> object(ReadSceneObject(r.archive));
    EXPECT_TRUE(r.archive.Failed()) << "cut at " << size;
    EXPECT_LE(r.Consumed(), size);
    if (auto* d = dynamic_cast<DS_DischargeFXConstructor*>(object.get())) {
      std::unique_ptr<DS_ParticleSystemCtrl> copy(d->Clone());
      EXPECT_NE(copy, nullptr);
    }
  }
}

}  // namespace
