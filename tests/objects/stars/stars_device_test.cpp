// Falling stars and fireworks on a real device under Wine: the quads their fills write, the
// order of their mask passes and composite, and the composite's pixels read back through
// the layer with the particle effect, worked out by hand from the effect's formulas.
#include "StarsTestSupport.h"

#include "core/document/DocResManager.h"
#include "core/render/Device.h"
#include "layers/DS_2D_Light.h"
#include "tests/objects/base/BaseTestSupport.h"
#include "tests/support/RecordingRender.h"
#include "tests/support/SceneDevice.h"

#include "stars_fixtures.h"

#include <d3d9.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using tw_test::LoggingEffect;

constexpr UINT kW = 320, kH = 200;

using tw_test::Rgb;

// The picture under every test: (64, 128, 192).
const Rgb kPicture{64, 128, 192};
// How far a read-back channel may stray from Main's value, worked out in doubles.
constexpr int kRounding = 3;

// "Main" of the particle effect, per channel with 8-bit values: the background screened
// with the glow mask (its colours premultiplied by "BlendMask_Max"), then the particle
// mask (premultiplied) over it: out = (bg + glow (1 - bg)) (1 - particle alpha) + particle.
Rgb Main(Rgb bg, Rgb glow, Rgb particle, int particleAlpha) {
  auto channel = [&](int b, int g, int p) {
    const double bf = b / 255.0, gf = g / 255.0, pf = p / 255.0, a = particleAlpha / 255.0;
    return int(std::lround(((bf + gf * (1.0 - bf)) * (1.0 - a) + pf) * 255.0));
  };
  return Rgb{channel(bg.r, glow.r, particle.r), channel(bg.g, glow.g, particle.g), channel(bg.b, glow.b, particle.b)};
}

// A render context that also writes its calls into the effect's log, so that one log
// shows the order of the effect's and the layer's calls.
class SharedLogRender : public tw_test::RecordingRender {
public:
  explicit SharedLogRender(LoggingEffect& log) : m_Log(log) {}
  using tw_test::RecordingRender::Draw;
  using tw_test::RecordingRender::DrawQuadRange;
  void PushRenderTarget(DS_RenderTargetPair& pair, int viewMode) override {
    m_Log.Log("Push " + std::to_string(viewMode));
    RecordingRender::PushRenderTarget(pair, viewMode);
  }
  void PopRenderTarget() override {
    m_Log.Log("Pop");
    RecordingRender::PopRenderTarget();
  }
  void DrawQuadRange(const DS_MeshView& mesh, Effect** effect, UINT first, UINT count) override {
    m_Log.Log("DrawQuadRange");
    RecordingRender::DrawQuadRange(mesh, effect, first, count);
  }
  void Draw(const DS_MeshView& mesh, Effect** effect) override {
    m_Log.Log("Draw");
    RecordingRender::Draw(mesh, effect);
  }

private:
  LoggingEffect& m_Log;
};

class StarsDevice : public tw_test::SceneDeviceTest {
protected:
  StarsDevice() : SceneDeviceTest(kW, kH) {}

  void SetUp() override {
    SceneDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    StorePicture(L"picture.png", Solid(kW, kH, 0xFF4080C0));
    for (const wchar_t* name : {L"white0.png", L"white1.png", L"white2.png", L"white3.png"})
      StorePicture(name, Solid(8, 8, 0xFFFFFFFF));
    DS_ResourceRecord effect;
    effect.Assign(kFixtureParticleEffect, unsigned(kFixtureParticleEffectSize));
    g_DocResManager->Tables().store[DS_LinkKey(L"particles.fx", 1)].push_back(effect);
    MakeLayer(L"picture.png");
  }

  template <class G>
  void UseImages(G& d, int count) {
    const wchar_t* names[] = {L"white0.png", L"white1.png", L"white2.png", L"white3.png"};
    d.m_Images.resize(count);
    for (int i = 0; i < count; ++i) d.m_Images[i].StoreKey(names[i], 1);
    d.m_EffectLink.StoreKey(L"particles.fx", 1);
  }

  // The description's runtime object joins the slide's objects; its generator.
  template <class G>
  G& AddGenerator(G& description) {
    return *static_cast<G*>(Add<DS_ParticlesObj>(description.CreateRuntimeObject())->Generator());
  }
  DS_ParticlesObj& Object(size_t i) { return *static_cast<DS_ParticlesObj*>(m_Objects[i].get()); }

  // The four vertices of a slot, read back from the batch's buffer.
  std::vector<DX_V::PCT> Vertices(DS_ParticlesObj& runtime, size_t batch, size_t slot) {
    std::vector<DX_V::PCT> out(4);
    IDirect3DVertexBuffer9* vb = runtime.Batch(batch).vertexBuffer.Get();
    void* p = nullptr;
    if (!vb || FAILED(vb->Lock(0, 0, &p, D3DLOCK_READONLY)) || !p) {
      ADD_FAILURE() << "batch " << batch << " has no readable buffer";
      return out;
    }
    const auto* v = static_cast<const DX_V::PCT*>(p) + 4 * slot;
    out.assign(v, v + 4);
    vb->Unlock();
    return out;
  }
  static D3DXVECTOR3 Centre(const DS_BoundsRect& r) {
    return D3DXVECTOR3(r.x + r.width / 2.0f, r.y + r.height / 2.0f, 0.0f);
  }

  // Declared before the objects: a generator may hold it until they go.
  LoggingEffect m_Log;
};

// A falling-stars description over the picture: star size 20, speed 10 (80 px/s), glow
// value 25 (twice the star), stars that appear at once and stay, no new stars (rate 0);
// colour 1 opaque red, colour 2 green at 50 % transparency (alpha byte 127).
DS_FallingStars Stars(const D3DXVECTOR3& from, const D3DXVECTOR3& to) {
  DS_FallingStars d;
  d.m_StarSpeed.Set(10u);
  d.m_StarSize.Store(20u);
  d.m_GlowScale.Set(25u);
  d.m_FadeInTime.Set(0u);
  d.m_ShownTime.Set(100000u);
  d.m_FadeOutTime.Set(0u);
  d.m_Color1 = MediaColor(0x0000FFul, 0);
  d.m_Color2 = MediaColor(0x00FF00ul, 50);
  d.m_Region.corners[0].Store(from);
  d.m_Region.corners[1].Store(D3DXVECTOR3(from.x, to.y, 0.0f));
  d.m_Region.corners[2].Store(D3DXVECTOR3(to.x, from.y, 0.0f));
  d.m_Region.corners[3].Store(to);
  return d;
}

// ---------------------------------------------------------------------------------------
// Fills

TEST_F(StarsDevice, FillStarsWritesTurnedStarsTheirGlowsAndTheTrails) {
  DS_FallingStars d = Stars(D3DXVECTOR3(100.0f, 80.0f, 0.0f), D3DXVECTOR3(220.0f, 140.0f, 0.0f));
  UseImages(d, 4);
  d.m_PathEmission.Store(1);
  d.m_EmissionRate.Store(10u);  // 20 trail particles per second
  d.m_Size.Set(50u);            // trails half the star size
  DS_FallingStars& g = AddGenerator(d);
  DS_ParticlesObj& runtime = Object(0);
  std::srand(4);
  g.AddStar();
  const D3DXVECTOR3 born = g.m_Stored.front().position;
  runtime.UpdateFrame(0.125f);

  // 10 px to the right, fully faded in; trails at 1/3 and 2/3 of the way (n = 2).
  ASSERT_EQ(g.m_Stored.size(), 1u);
  const Particle& star = g.m_Stored.front();
  const D3DXVECTOR3 at = star.position;
  EXPECT_NEAR(at.x - born.x, 10.0f, 1e-4f);
  EXPECT_FLOAT_EQ(star.channels[Particle::kOpacity], 1.0f);
  ASSERT_EQ(g.m_Live.size(), 2u);
  EXPECT_EQ(runtime.Count(DS_FallingStars::kStarBatch), 1u);
  EXPECT_EQ(runtime.Count(DS_FallingStars::kStarGlowBatch), 1u);
  EXPECT_EQ(runtime.Count(DS_FallingStars::kTrailBatch), 2u);
  EXPECT_EQ(runtime.Count(DS_FallingStars::kTrailGlowBatch), 2u);

  // The star: a 20 x 20 quad around it, turned by its angle (p1 to p3 is the turned
  // x axis), opaque red.
  const std::vector<DX_V::PCT> q = Vertices(runtime, DS_FallingStars::kStarBatch, 0);
  const float angle = star.channels[Particle::kAngle];
  for (const DX_V::PCT& v : q) {
    EXPECT_NEAR(std::hypot(v.x - at.x, v.y - at.y), 10.0f * std::sqrt(2.0f), 1e-3f);
    EXPECT_EQ(v.color, 0xFFFF0000u);
  }
  EXPECT_NEAR(q[3].x - q[1].x, 20.0f * std::cos(angle), 1e-3f);
  EXPECT_NEAR(q[3].y - q[1].y, 20.0f * std::sin(angle), 1e-3f);

  // Its glow: 40 x 40, upright, green at alpha 127.
  const DS_BoundsRect glow = runtime.Bounds(DS_FallingStars::kStarGlowBatch)[0];
  EXPECT_NEAR(glow.x, at.x - 20.0f, 1e-3f);
  EXPECT_NEAR(glow.y, at.y - 20.0f, 1e-3f);
  EXPECT_NEAR(glow.width, 40.0f, 1e-3f);
  EXPECT_NEAR(glow.height, 40.0f, 1e-3f);
  for (const DX_V::PCT& v : Vertices(runtime, DS_FallingStars::kStarGlowBatch, 0)) EXPECT_EQ(v.color, 0x7F00FF00u);

  // Trails: 10 px with the star's colours, glows 20 px.
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(testing::Message() << "trail " << i);
    const D3DXVECTOR3 along = born + (at - born) * (float(i + 1) / 3.0f);
    const DS_BoundsRect trail = runtime.Bounds(DS_FallingStars::kTrailBatch)[i];
    const DS_BoundsRect trailGlow = runtime.Bounds(DS_FallingStars::kTrailGlowBatch)[i];
    EXPECT_NEAR(Centre(trail).x, along.x, 1e-3f);
    EXPECT_NEAR(Centre(trail).y, along.y, 1e-3f);
    EXPECT_NEAR(trail.width, 10.0f, 1e-3f);
    EXPECT_NEAR(trailGlow.width, 20.0f, 1e-3f);
    EXPECT_EQ(Vertices(runtime, DS_FallingStars::kTrailBatch, i)[0].color, 0xFFFF0000u);
    EXPECT_EQ(Vertices(runtime, DS_FallingStars::kTrailGlowBatch, i)[0].color, 0x7F00FF00u);
  }
}

TEST_F(StarsDevice, FillSparksPutsSparksThenTrailsInOneRun) {
  // A burst of three 8 px sparks at 100 px/s; the time line half faded in; trail
  // particles at 21 per second behind them.
  DS_FireworkSimple d;
  UseImages(d, 1);
  d.m_OriginClock.Set(50u);
  d.m_SparkCount.Store(3u);
  d.m_SparkSize.Store(8u);
  d.m_SparkSpeed.Set(25u);
  d.m_GlowScale.Set(25u);
  d.m_Centre.Store(D3DXVECTOR3(160.0f, 100.0f, 0.0f));
  d.m_Color1 = MediaColor(0x0000FFul, 0);
  d.m_Color2 = MediaColor(0x00FF00ul, 0);
  d.m_PathEmission.Store(1);
  d.m_EmissionRate.Store(10u);
  d.m_Life.Set(50u);
  d.TimeLine().m_Mode.Set(DS_TimeLineControl::kModeIntervals);
  d.TimeLine().AddInterval(DS_TimeInterval{0.0f, 10.0f, 2.0f, 8.0f});
  DS_FireworkSimple& g = AddGenerator(d);
  DS_ParticlesObj& runtime = Object(0);
  runtime.SetLoopTime(1.0f);  // alpha 0.5
  runtime.UpdateFrame(0.125f);  // the burst
  runtime.UpdateFrame(0.25f);   // the sparks move: two trail particles each
  ASSERT_EQ(g.m_Stored.size(), 3u);
  ASSERT_EQ(g.m_Live.size(), 6u);
  ASSERT_EQ(runtime.Count(DS_Firework::kSparkBatch), 9u);
  ASSERT_EQ(runtime.Count(DS_Firework::kGlowBatch), 9u);

  // Sparks: alpha 0.5 x opacity 1; trails: their opacity 0.5 alone (the time line's alpha
  // they were born with), not 0.25.
  size_t slot = 0;
  for (const ParticleList* list : {&g.m_Stored, &g.m_Live}) {
    for (const Particle& p : *list) {
      SCOPED_TRACE(testing::Message() << "slot " << slot);
      const DS_BoundsRect quad = runtime.Bounds(DS_Firework::kSparkBatch)[slot];
      const DS_BoundsRect glow = runtime.Bounds(DS_Firework::kGlowBatch)[slot];
      EXPECT_NEAR(Centre(quad).x, p.position.x, 1e-3f);
      EXPECT_NEAR(Centre(quad).y, p.position.y, 1e-3f);
      EXPECT_NEAR(quad.width, 8.0f, 1e-3f);
      EXPECT_NEAR(glow.width, 16.0f, 1e-3f);
      EXPECT_EQ(Vertices(runtime, DS_Firework::kSparkBatch, slot)[0].color, 0x80FF0000u);
      EXPECT_EQ(Vertices(runtime, DS_Firework::kGlowBatch, slot)[0].color, 0x8000FF00u);
      ++slot;
    }
  }
}

// ---------------------------------------------------------------------------------------
// The drawing sequence

TEST_F(StarsDevice, FallingStarsDrawParticleMaskThenGlowMaskThenMain) {
  for (int path : {1, 0}) {
    SCOPED_TRACE(testing::Message() << "path emission " << path);
    DS_FallingStars d = Stars(D3DXVECTOR3(100.0f, 80.0f, 0.0f), D3DXVECTOR3(220.0f, 140.0f, 0.0f));
    UseImages(d, 4);
    d.m_PathEmission.Store(path);
    d.m_EmissionRate.Store(10u);
    d.m_Size.Set(50u);
    DS_FallingStars& g = AddGenerator(d);
    DS_ParticlesObj& runtime = *static_cast<DS_ParticlesObj*>(m_Objects.back().get());
    g.AddStar();
    runtime.UpdateFrame(0.125f);
    ASSERT_NE(g.m_RenderTarget, nullptr);
    ASSERT_TRUE(g.m_RenderTarget->IsValid());
    EXPECT_EQ(g.m_Live.empty(), path == 0);
    g.m_Effect.Assign(&m_Log);
    m_Log.log.clear();
    m_Log.textures.clear();
    SharedLogRender r(m_Log);
    IDirect3DTexture9* background = Solid(4, 4, 0xFF000000);
    r.background.Attach(background);

    runtime.Render(r);
    // Without trail particles batches 1 and 3 draw nothing.
    const std::string trails = path ? "DrawQuadRange | " : "";
    EXPECT_EQ(m_Log.log, "SetTechnique BlendMask_Max | Push 3 | SetTexture Texture1 | DrawQuadRange | "
                         "SetTexture Texture1 | " + trails + "SetTexture Texture1 | " + trails +
                         "SetTexture Texture1 | DrawQuadRange | Pop | SetTechnique Main | SetTexture Texture1 | "
                         "SetTexture Texture2 | SetTexture Texture3 | Draw");
    EXPECT_TRUE(r.TargetsBalanced());
    // Images 0 (stars) and 1 (trails) into the particle mask, 3 (trail glows) and 2 (star
    // glows) into the glow mask; then the scene so far, the glow mask (the pair's current
    // target) and the particle mask (the other one).
    DS_RenderTargetPair& pair = *g.m_RenderTarget;
    ASSERT_EQ(m_Log.textures.size(), 7u);
    EXPECT_EQ(m_Log.textures[0], g.FrameTexture(0));
    EXPECT_EQ(m_Log.textures[1], g.FrameTexture(1));
    EXPECT_EQ(m_Log.textures[2], g.FrameTexture(3));
    EXPECT_EQ(m_Log.textures[3], g.FrameTexture(2));
    EXPECT_EQ(m_Log.textures[4], background);
    EXPECT_EQ(m_Log.textures[5], pair.current.Get());
    EXPECT_TRUE(m_Log.textures[6] == pair.textures[0].Get() || m_Log.textures[6] == pair.textures[1].Get());
    EXPECT_NE(m_Log.textures[6], m_Log.textures[5]);
    // Which batch each draw took, with its count, through the effect; the composite on the
    // screen quad.
    std::vector<size_t> drawn;
    for (const tw_test::RecordedCall& c : r.calls) {
      if (c.op == "PushRenderTarget") {
        EXPECT_EQ(c.target, &pair);
      }
      if (c.op != "DrawQuadRange") continue;
      EXPECT_EQ(c.effect, &m_Log);
      for (size_t b = 0; b < 4; ++b)
        if (c.mesh.vertexBuffer == runtime.Batch(b).vertexBuffer.Get()) {
          drawn.push_back(b);
          EXPECT_EQ(c.count, runtime.Count(b));
          EXPECT_EQ(c.depth, 1);
        }
    }
    EXPECT_EQ(drawn, path ? (std::vector<size_t>{0, 1, 3, 2}) : (std::vector<size_t>{0, 2}));
    EXPECT_EQ(r.calls.back().op, "Draw");
    EXPECT_EQ(r.calls.back().mesh.frame, &r.screenQuad);
    EXPECT_EQ(r.calls.back().depth, 0);
    g.m_Effect.Reset();
  }
}

TEST_F(StarsDevice, FireworksDrawSparkMaskThenGlowMaskWithOneImageThenMain) {
  DS_FireworkSimple d;
  UseImages(d, 1);
  d.m_OriginClock.Set(50u);
  d.m_SparkCount.Store(5u);
  d.m_SparkSize.Store(8u);
  DS_FireworkSimple& g = AddGenerator(d);
  DS_ParticlesObj& runtime = Object(0);
  runtime.UpdateFrame(0.125f);  // always visible: a fountain spark
  ASSERT_EQ(g.m_Stored.size(), 1u);
  ASSERT_NE(g.m_RenderTarget, nullptr);
  g.m_Effect.Assign(&m_Log);
  m_Log.log.clear();
  m_Log.textures.clear();
  SharedLogRender r(m_Log);
  IDirect3DTexture9* background = Solid(4, 4, 0xFF000000);
  r.background.Attach(background);

  runtime.Render(r);
  EXPECT_EQ(m_Log.log, "SetTechnique BlendMask_Max | SetTexture Texture1 | Push 3 | DrawQuadRange | DrawQuadRange | "
                       "Pop | SetTechnique Main | SetTexture Texture1 | SetTexture Texture2 | SetTexture Texture3 | "
                       "Draw");
  ASSERT_EQ(m_Log.textures.size(), 4u);
  EXPECT_EQ(m_Log.textures[0], g.FrameTexture(0));
  EXPECT_EQ(m_Log.textures[1], background);
  EXPECT_EQ(m_Log.textures[2], g.m_RenderTarget->current.Get());
  EXPECT_NE(m_Log.textures[3], m_Log.textures[2]);
  std::vector<IDirect3DVertexBuffer9*> drawn;
  for (const tw_test::RecordedCall& c : r.calls)
    if (c.op == "DrawQuadRange") drawn.push_back(c.mesh.vertexBuffer);
  EXPECT_EQ(drawn, (std::vector<IDirect3DVertexBuffer9*>{runtime.Batch(0).vertexBuffer.Get(),
                                                         runtime.Batch(1).vertexBuffer.Get()}));
  EXPECT_TRUE(r.TargetsBalanced());
  g.m_Effect.Reset();
}

// ---------------------------------------------------------------------------------------
// Pixels

TEST_F(StarsDevice, FallingStarCompositeScreensTheGlowAndLaysTheStarOver) {
  // One star at (120, 100) that stays there (its region is that point; speed 0), 20 px,
  // red at alpha 127, turned by its random angle; its glow 60 px (value 50: 3 times),
  // green at alpha 127.
  DS_FallingStars d = Stars(D3DXVECTOR3(120.0f, 100.0f, 0.0f), D3DXVECTOR3(120.0f, 100.0f, 0.0f));
  UseImages(d, 4);
  d.m_StarSpeed.Set(0u);
  d.m_GlowScale.Set(50u);
  d.m_Color1 = MediaColor(0x0000FFul, 50);
  DS_FallingStars& g = AddGenerator(d);
  g.AddStar();
  Object(0).UpdateFrame(0.125f);
  DrawFrame();
  // The masks hold premultiplied colours: the star (127, 0, 0, a 127), the glow
  // (0, 127, 0). Where both lie: (64, 128, 192) screened with the glow gives
  // (64, 191, 192), times 1 - 127/255 plus the star: (159, 96, 96).
  const Rgb star{127, 0, 0}, glow{0, 127, 0}, none{0, 0, 0};
  ExpectPixel(120, 100, Main(kPicture, glow, star, 127), kRounding);
  ExpectPixel(127, 104, Main(kPicture, glow, star, 127), kRounding);  // inside the star at any angle
  EXPECT_EQ(Main(kPicture, glow, star, 127).r, 159);
  // The glow alone, outside the star's reach (14.2 px) and inside the glow's 30 px.
  ExpectPixel(145, 100, Main(kPicture, glow, none, 0), kRounding);
  ExpectPixel(120, 75, Main(kPicture, glow, none, 0), kRounding);
  EXPECT_EQ(Main(kPicture, glow, none, 0).g, 191);
  // Outside the glow: the picture.
  ExpectPixel(160, 100, kPicture, kRounding);
  ExpectPixel(20, 20, kPicture, kRounding);
}

TEST_F(StarsDevice, FireworkCompositeShowsTheSparkOverItsGlow) {
  // A fountain spark at (200, 60) that stays there (speed 0): 30 px opaque blue, its glow
  // 60 px opaque yellow.
  DS_FireworkSimple d;
  UseImages(d, 1);
  d.m_OriginClock.Set(50u);
  d.m_SparkCount.Store(1u);
  d.m_SparkSize.Store(30u);
  d.m_GlowScale.Set(25u);
  d.m_Centre.Store(D3DXVECTOR3(200.0f, 60.0f, 0.0f));
  d.m_Color1 = MediaColor(0xFF0000ul, 0);
  d.m_Color2 = MediaColor(0x00FFFFul, 0);
  DS_FireworkSimple& g = AddGenerator(d);
  Object(0).UpdateFrame(0.125f);
  ASSERT_EQ(g.m_Stored.size(), 1u);
  DrawFrame();
  const Rgb blue{0, 0, 255}, yellow{255, 255, 0}, none{0, 0, 0};
  ExpectPixel(200, 60, Main(kPicture, yellow, blue, 255), kRounding);  // (0, 0, 255)
  ExpectPixel(190, 70, Main(kPicture, yellow, blue, 255), kRounding);
  ExpectPixel(222, 60, Main(kPicture, yellow, none, 0), kRounding);  // (255, 255, 192)
  ExpectPixel(200, 36, Main(kPicture, yellow, none, 0), kRounding);
  ExpectPixel(240, 60, kPicture, kRounding);
  ExpectPixel(100, 150, kPicture, kRounding);
}

TEST_F(StarsDevice, MissingPicturesEffectOrTargetDrawNothingThatBreaks) {
  // Only the star picture: the glow quads sample no texture (black), so where the glow
  // alone lies the picture shows, and the star is laid over the picture itself.
  DS_FallingStars d = Stars(D3DXVECTOR3(120.0f, 100.0f, 0.0f), D3DXVECTOR3(120.0f, 100.0f, 0.0f));
  UseImages(d, 1);
  d.m_StarSpeed.Set(0u);
  d.m_GlowScale.Set(50u);
  d.m_Color1 = MediaColor(0x0000FFul, 50);
  DS_FallingStars& g = AddGenerator(d);
  EXPECT_EQ(g.FrameTexture(1), nullptr);
  EXPECT_EQ(g.FrameTexture(3), nullptr);
  g.AddStar();
  Object(0).UpdateFrame(0.125f);
  DrawFrame();
  const Rgb star{127, 0, 0}, none{0, 0, 0};
  ExpectPixel(120, 100, Main(kPicture, none, star, 127), kRounding);  // (159, 64, 96)
  ExpectPixel(145, 100, kPicture, kRounding);

  // The mask target lost (its textures released with the device's): nothing is drawn and
  // the picture stays; once the store restores the target, the star is back.
  g_DocResManager->OnDeviceLost();
  EXPECT_FALSE(g.m_RenderTarget->IsValid());
  DrawFrame();
  ExpectPixel(120, 100, kPicture, kRounding);
  g_DocResManager->OnDeviceReset();
  ASSERT_TRUE(g.m_RenderTarget->IsValid());
  DrawFrame();
  ExpectPixel(120, 100, Main(kPicture, none, star, 127), kRounding);

  // An effect link that gives no effect: nothing is drawn at all.
  DS_FallingStars noEffect = Stars(D3DXVECTOR3(60.0f, 60.0f, 0.0f), D3DXVECTOR3(60.0f, 60.0f, 0.0f));
  UseImages(noEffect, 4);
  noEffect.m_EffectLink.StoreKey(L"missing.fx", 1);
  DS_FallingStars& h = AddGenerator(noEffect);
  EXPECT_EQ(h.m_Effect.Get(), nullptr);
  h.AddStar();
  Object(1).UpdateFrame(0.125f);
  DrawFrame();
  ExpectPixel(60, 60, kPicture, kRounding);
  ExpectPixel(120, 100, Main(kPicture, none, star, 127), kRounding);
}

}  // namespace
