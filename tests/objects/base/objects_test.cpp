// The runtime sprite objects without a device: what they hand the layer (recorded), their
// bounds, reset, the glow pass's effect calls, and their lives against the description.
#include "BaseTestSupport.h"

#include "tests/support/RecordingRender.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using tw_test::DS_TestGlow;
using tw_test::DS_TestStatFX;
using tw_test::DS_TestSystem;
using tw_test::LoggingEffect;
using tw_test::PictureSize;
using tw_test::RecordingRender;

std::unique_ptr<DS_SpriteArrayObj> MakeSprites(unsigned count, const DS_TestSystem& proto = DS_TestSystem()) {
  DS_TestSystem d(proto);
  d.m_SpriteCount.Store(count);
  d.placeAtRandom = false;
  return std::unique_ptr<DS_SpriteArrayObj>(static_cast<DS_SpriteArrayObj*>(d.CreateRuntimeObject()));
}

TEST(SpriteArrayObj, CollectBoundsReportsEveryRecord) {
  auto object = MakeSprites(3);
  ASSERT_EQ(object->m_Sprites.size(), 3u);
  DS_SpriteState& a = object->m_Sprites[0];
  a.position = D3DXVECTOR3(100.0f, 100.0f, 0.0f);
  a.halfWidth = 10.0f;
  a.halfHeight = 20.0f;
  DS_SpriteState& b = object->m_Sprites[1];  // mirrored and turned a quarter
  b.position = D3DXVECTOR3(50.0f, 60.0f, 0.0f);
  b.halfWidth = -4.0f;
  b.halfHeight = 2.0f;
  b.rightAxis = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  b.upAxis = D3DXVECTOR3(-1.0f, 0.0f, 0.0f);
  object->Desc().m_SpriteCount.Set(1);  // records beyond the count are reported too

  DS_BoundsList bounds;
  bounds.push_back(DS_BoundsRect{1, 2, 3, 4});
  EXPECT_FALSE(object->CollectBounds(bounds));
  ASSERT_EQ(bounds.size(), 4u);
  auto it = std::next(bounds.begin());
  EXPECT_EQ(it->x, 90.0f);
  EXPECT_EQ(it->y, 80.0f);
  EXPECT_EQ(it->width, 20.0f);
  EXPECT_EQ(it->height, 40.0f);
  ++it;
  // Corner (52, 64), right 2 hw (0, 1) = (0, -8), up 2 hh (-1, 0) = (-4, 0): x from 48 to
  // 52, y from 56 to 64.
  EXPECT_EQ(it->x, 48.0f);
  EXPECT_EQ(it->y, 56.0f);
  EXPECT_EQ(it->width, 4.0f);
  EXPECT_EQ(it->height, 8.0f);
}

TEST(SpriteArrayObj, ResetClearsTimersAndKeepsPlaces) {
  auto object = MakeSprites(2);
  object->UpdateFrame(0.5f);
  ASSERT_GT(object->Desc().AccumulatedTime(), 0.0f);
  for (DS_SpriteState& s : object->m_Sprites) {
    s.position = D3DXVECTOR3(7.0f, 8.0f, 0.0f);
    s.timer = s.waitTime = s.delayDeadline = s.delayTimer = 2.0f;
    s.held = true;
  }
  object->Reset();
  EXPECT_EQ(object->Desc().AccumulatedTime(), 0.0f);
  for (const DS_SpriteState& s : object->m_Sprites) {
    EXPECT_EQ(s.position, D3DXVECTOR3(7.0f, 8.0f, 0.0f));
    EXPECT_EQ(s.timer + s.waitTime + s.delayDeadline + s.delayTimer, 0.0f);
    EXPECT_TRUE(s.held);
  }
}

TEST(SpriteArrayObj, TheLayerGetsNoMoreSpritesThanTheBuffersHold) {
  DS_TestSystem proto;
  proto.m_BlendMode.Store(1);
  auto object = MakeSprites(4, proto);
  RecordingRender r;
  object->Render(r);
  ASSERT_EQ(r.Sequence(), "DrawSpriteArray");
  const DS_SpriteArrayView& view = r.calls[0].sprites;
  // No device, no buffers: nothing to draw, whatever the count says.
  EXPECT_EQ(view.spriteCount, 0u);
  EXPECT_EQ(view.geometry.vertexBuffer, nullptr);
  EXPECT_EQ(view.blendMode, 1);
  EXPECT_EQ(view.frameTexture, nullptr);  // an empty texture set binds no texture
  EXPECT_EQ(view.overlay, nullptr);
  EXPECT_EQ(view.geometry.frame, static_cast<const DS_Frame*>(object.get()));
  EXPECT_EQ(object->GetTexture(), nullptr);
}

TEST(SpriteArrayObj, UpdateFrameRunsTimingAnimationAndSprites) {
  DS_TestSystem proto;
  proto.m_AnimationSpeed.Set(200u);
  auto object = MakeSprites(3, proto);
  auto& d = static_cast<DS_TestSystem&>(object->Desc());
  object->UpdateFrame(0.1f);
  EXPECT_FLOAT_EQ(d.FrameStep(), 0.1f);
  EXPECT_FLOAT_EQ(d.m_AnimationSpeed.Time(), 0.2f);
  EXPECT_EQ(d.updateCalls, 3);
}

TEST(SpriteArrayObj, ScreenSizeChangesReachTheDescription) {
  PictureSize size(400, 300);
  DS_TestSystem proto;
  proto.m_NormRight = 0.5f;
  auto object = MakeSprites(1, proto);
  EXPECT_EQ(object->Desc().m_Rect.right.Get(), 200);
  PictureSize::Set(800, 600);
  object->OnScreenSizeChanged();
  EXPECT_EQ(object->Desc().m_Rect.right.Get(), 400);
  EXPECT_FALSE(object->HitTest(10, 10));
}

TEST(SpriteArrayObj, TheCloneIsTheObjectsOwnAndTheOriginalKeepsItsListeners) {
  DS_TestSystem d;
  d.m_SpriteCount.Store(2);
  const size_t listeners = d.m_SpriteCount.Controls().size();
  {
    std::unique_ptr<DS_ABObj> object(d.CreateRuntimeObject());
    ASSERT_NE(object, nullptr);
    EXPECT_NE(object->Description(), &d);
    EXPECT_EQ(d.m_SpriteCount.Controls().size(), listeners);
    EXPECT_EQ(d.initCalls, 0);  // the clone's sprites, not the original's
  }
  d.m_SpriteCount.Set(5);
}

TEST(FXObj, ANullEffectDrawsNothingAndAnEffectDrawsAfterPrepare) {
  {
    DS_TestStatFX d;
    std::unique_ptr<DS_FXObj> object(static_cast<DS_FXObj*>(d.CreateRuntimeObject()));
    RecordingRender r;
    object->Render(r);
    EXPECT_EQ(r.Sequence(), "");
    EXPECT_EQ(static_cast<DS_TestStatFX&>(*object->m_EffectDescription).prepareCalls, 0);
  }
  LoggingEffect effect;
  {
    DS_TestStatFX d;
    d.testEffect = &effect;
    std::unique_ptr<DS_FXObj> object(static_cast<DS_FXObj*>(d.CreateRuntimeObject()));
    EXPECT_EQ(effect.refs, 2u);  // the clone holds one
    RecordingRender r;
    object->Render(r);
    ASSERT_EQ(r.Sequence(), "DrawMesh");
    EXPECT_EQ(r.calls[0].effect, &effect);
    auto& clone = static_cast<DS_TestStatFX&>(*object->m_EffectDescription);
    clone.drawAfterPrepare = false;
    object->Render(r);
    EXPECT_EQ(r.Sequence(), "DrawMesh");
    EXPECT_EQ(clone.prepareCalls, 2);
  }
  EXPECT_EQ(effect.refs, 1u);
}

TEST(StatBaseFX, AnUnplacedDescriptionCentresItselfOnLoad) {
  PictureSize size(640, 480);
  DS_TestStatFX d;
  d.m_Centre.Store(D3DXVECTOR3(1.0f, 2.0f, 3.0f));
  d.LoadResources();  // read from a document: placed, so it stays
  EXPECT_EQ(d.m_Centre.Get(), D3DXVECTOR3(1.0f, 2.0f, 3.0f));
  d.m_Flag = false;
  PictureSize::Set(800, 600);
  d.LoadResources();
  EXPECT_EQ(d.m_Centre.Get(), D3DXVECTOR3(400.0f, 300.0f, 0.0f));
  EXPECT_TRUE(d.m_Flag);
}

TEST(GlowingObj, WithoutABoundTargetTheGlowPassIsSkipped) {
  LoggingEffect effect;
  {
    DS_TestGlow d;
    d.testEffect = &effect;
    d.m_GlowColor.Store(0);
    d.m_SpriteCount.Store(2);
    std::unique_ptr<DS_GlowingObj> object(static_cast<DS_GlowingObj*>(d.CreateRuntimeObject()));
    EXPECT_TRUE(object->IsPostPass());
    RecordingRender r;
    object->Render(r);
    // No resource manager, no device: no target to bind, so nothing is cleared or drawn
    // into one; the composite and the sprites still go through the layer.
    EXPECT_EQ(r.Sequence(), "Draw DrawMesh");
    EXPECT_TRUE(r.TargetsBalanced());
    EXPECT_EQ(effect.log,
              "SetTexture Texture1 | SetTechnique Blend_Max | SetTechnique Blend_Normal | SetFloatArray BlendColor | "
              "SetTexture Texture1 | SetTexture Texture2 | SetTechnique Common | SetTexture Texture1");
    // Glow colour 0 at strength 100: (0, 0, 0, time-line alpha).
    EXPECT_EQ(effect.lastArray, std::vector<float>({0.0f, 0.0f, 0.0f, 1.0f}));

    auto& clone = *object->m_GlowDescription;
    clone.m_BlendMode.Store(1);
    clone.m_GlowColor.Store(0x00FF8000);  // red 0, green 128, blue 255
    clone.m_GlowStrength.Set(50u);
    clone.TimeLine().m_Mode.Store(DS_TimeLineControl::kModeIntervals);
    clone.TimeLine().AddInterval(DS_TimeInterval{0.0f, 10.0f, 4.0f, 6.0f});
    clone.TimeLine().SetLoopTime(1.0f);  // alpha 0.25
    effect.log.clear();
    object->Render(r);
    EXPECT_NE(effect.log.find("SetTechnique Blend_Screen"), std::string::npos);
    ASSERT_EQ(effect.lastArray.size(), 4u);
    EXPECT_FLOAT_EQ(effect.lastArray[0], 0.0f);
    EXPECT_FLOAT_EQ(effect.lastArray[1], 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(effect.lastArray[2], 1.0f);
    EXPECT_FLOAT_EQ(effect.lastArray[3], 0.125f);

    object->UpdateFrame(0.1f);
    EXPECT_EQ(static_cast<DS_TestGlow&>(clone).preUpdates, 1);
  }
  EXPECT_EQ(effect.refs, 1u);
}

TEST(GlowingObj, ANullEffectDrawsNothing) {
  DS_TestGlow d;
  std::unique_ptr<DS_ABObj> object(d.CreateRuntimeObject());
  RecordingRender r;
  object->Render(r);
  EXPECT_EQ(r.Sequence(), "");
}

}  // namespace
