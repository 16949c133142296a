// The particle batches and the textured generator's drawing on a real device under Wine:
// buffers made, kept and zero-filled; the draw sequences of the mask, the joined mask and
// the composite with the masks read back; and the particle effect's composites in each
// blend mode read back from the back buffer, with expected colours worked out from the
// effect's formulas.
#include "ParticleTestSupport.h"
#include "particle_fixtures.h"

#include "core/document/DocResManager.h"
#include "core/render/Device.h"
#include "layers/DS_2D_Light.h"
#include "tests/support/RecordingRender.h"
#include "tests/support/SceneDevice.h"

#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using tw_test::DS_TestTexGenerator;
using tw_test::RecordingEffect;

constexpr UINT kW = 320, kH = 200;
constexpr D3DCOLOR kFrame = 0xFF202020;       // what the back buffer holds before the object draws
constexpr D3DCOLOR kBackground = 0xFF808080;  // the layer's copy of the picture drawn so far
const DS_LinkKey kEffectLink(L"particles.fx", 8);

class ParticleDeviceTest : public tw_test::SceneDeviceTest {
protected:
  ParticleDeviceTest() : SceneDeviceTest(kW, kH) {}

  void SetUp() override {
    SceneDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    StorePicture(L"frame.png", Solid(kW, kH, kFrame));
    StorePicture(L"white.png", Solid(8, 8, 0xFFFFFFFF));
    StorePicture(L"blue.png", Solid(8, 8, 0xFF0000FF));
    // The effect source as a document stores it under its link.
    DS_ResourceRecord record;
    record.Assign(kFixtureParticlesFx, unsigned(kFixtureParticlesFxSize));
    record.name = L"particles.fx";
    g_DocResManager->Tables().store[kEffectLink].push_back(record);
    MakeLayer(L"frame.png");
    m_Layer->GetBackgroundTexture().Attach(Solid(kW, kH, kBackground));
  }

  // A generator of one batch with the white picture and the particle effect, in the blend
  // mode and colour given, and its runtime object.
  std::unique_ptr<DS_ParticlesObj> Make(int blend, unsigned long colour, unsigned transparency = 0,
                                        Effect* testEffect = nullptr, bool withEffect = true) {
    DS_TestTexGenerator g;
    g.m_Images.emplace_back();
    g.m_Images.back().StoreKey(L"white.png", 1);
    g.m_Images.emplace_back();
    g.m_Images.back().StoreKey(L"blue.png", 1);
    if (withEffect) g.m_EffectLink.StoreKey(kEffectLink.path, kEffectLink.stamp);
    g.m_BlendMode.Store(blend);
    g.m_Color1.Store(colour);
    g.m_Color1.transparency.Set(transparency);
    g.testEffect = testEffect;
    return std::unique_ptr<DS_ParticlesObj>(static_cast<DS_ParticlesObj*>(g.CreateRuntimeObject()));
  }
  static DS_TestTexGenerator& Gen(DS_ParticlesObj& runtime) {
    return *static_cast<DS_TestTexGenerator*>(runtime.Generator());
  }
  // One particle of side 40 at (x, y), written into batch 0.
  static void AddParticle(DS_ParticlesObj& runtime, float x, float y) {
    Gen(runtime).m_Live.emplace_back(x, y, 0.0f);
    Gen(runtime).Fill(runtime, 40.0f);
  }

  // A pixel of a render-target texture, alpha included.
  D3DCOLOR TargetPixel(IDirect3DTexture9* texture, UINT x, UINT y) {
    if (!texture) return 0xDEADBEEF;
    IDirect3DSurface9* surface = nullptr;
    IDirect3DSurface9* copy = nullptr;
    D3DCOLOR c = 0xDEADBEEF;
    D3DSURFACE_DESC desc{};
    texture->GetSurfaceLevel(0, &surface);
    surface->GetDesc(&desc);
    if (SUCCEEDED(m_Device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM,
                                                        &copy, nullptr)) &&
        SUCCEEDED(m_Device->GetRenderTargetData(surface, copy))) {
      D3DLOCKED_RECT lr{};
      if (SUCCEEDED(copy->LockRect(&lr, nullptr, D3DLOCK_READONLY))) {
        c = reinterpret_cast<const D3DCOLOR*>(static_cast<const BYTE*>(lr.pBits) + y * lr.Pitch)[x];
        copy->UnlockRect();
      }
    }
    if (copy) copy->Release();
    surface->Release();
    return c;
  }
};

void ExpectNear(D3DCOLOR actual, D3DCOLOR expected, int tolerance, const char* what) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int a = int((actual >> shift) & 0xFF), e = int((expected >> shift) & 0xFF);
    EXPECT_NEAR(a, e, tolerance) << what << ": 0x" << std::hex << actual << " against 0x" << expected;
  }
}

// -----------------------------------------------------------------------------------------
// Batches with buffers

TEST_F(ParticleDeviceTest, BuffersGrowOnlyAndNewOnesAreZero) {
  auto runtime = Make(0, 0x0000FF);
  DS_ParticlesObj& r = *runtime;
  r.ReserveQuads(0, 100);
  ASSERT_TRUE(r.Batch(0).vertexBuffer);
  IDirect3DVertexBuffer9* first = r.Batch(0).vertexBuffer;
  EXPECT_EQ(r.Batch(0).vertexCount, 400u);
  EXPECT_EQ(r.Batch(0).indexedPrimitiveCount, 200u);
  EXPECT_EQ(r.Batch(0).primitiveType, D3DPT_TRIANGLELIST);

  // Fewer quads keep the buffers; the same count again (as every frame asks) too.
  r.ReserveQuads(0, 10);
  EXPECT_EQ(r.Batch(0).vertexBuffer.Get(), first);
  EXPECT_EQ(r.Count(0), 10u);
  EXPECT_EQ(r.Bounds(0).size(), 10u);
  EXPECT_EQ(r.Batch(0).indexedPrimitiveCount, 200u);
  r.ReserveQuads(0, 100);
  EXPECT_EQ(r.Batch(0).vertexBuffer.Get(), first);

  // Writes land in their slot with their bounds; beyond the reserved count nothing.
  ASSERT_TRUE(r.LockBatch(0));
  r.WriteQuad(SpriteQuad::FromCenter(D3DXVECTOR3(50.0f, 60.0f, 0.0f), 10.0f, 20.0f), 0, 3);
  r.WriteQuad(SpriteQuad::FromCenter(D3DXVECTOR3(50.0f, 60.0f, 0.0f), 10.0f, 20.0f), 0, 100);
  r.UnlockBatch(0);
  EXPECT_FLOAT_EQ(r.Bounds(0)[3].x, 45.0f);
  EXPECT_FLOAT_EQ(r.Bounds(0)[3].y, 50.0f);
  EXPECT_FLOAT_EQ(r.Bounds(0)[3].width, 10.0f);
  EXPECT_FLOAT_EQ(r.Bounds(0)[3].height, 20.0f);

  // Growing makes new buffers, every byte of them zero.
  r.ReserveQuads(0, 300);
  ASSERT_TRUE(r.Batch(0).vertexBuffer);
  EXPECT_EQ(r.Batch(0).vertexCount, 1200u);
  void* bytes = nullptr;
  ASSERT_EQ(r.Batch(0).vertexBuffer->Lock(0, 0, &bytes, D3DLOCK_READONLY), D3D_OK);
  const auto* b = static_cast<const unsigned char*>(bytes);
  size_t nonZero = 0;
  for (size_t i = 0; i < 1200 * sizeof(DX_V::PCT); ++i) nonZero += b[i] != 0;
  r.Batch(0).vertexBuffer->Unlock();
  EXPECT_EQ(nonZero, 0u);
}

TEST_F(ParticleDeviceTest, ParticleSpritesWrittenInPlaceAreTheQuadsTheBuilderMakes) {
  auto runtime = Make(0, 0x3080FF, 30);
  DS_ParticlesObj& r = *runtime;
  std::vector<Particle> particles(5);
  particles[0] = Particle(10.0f, 20.0f, 0.5f);
  particles[1] = Particle(-5.0f, 300.0f, 0.0f);
  particles[1].channels[Particle::kSize] = -2.0f;  // a negative size turns the quad over
  particles[2].channels[Particle::kOpacity] = NAN;
  particles[3].channels[Particle::kSize] = NAN;
  particles[4].channels[Particle::kOpacity] = 0.37f;
  particles[4].position = D3DXVECTOR3(1e30f, -1e30f, 2.0f);
  r.ReserveQuads(0, particles.size());
  ASSERT_TRUE(r.LockBatch(0));
  for (size_t i = 0; i < particles.size(); ++i)
    BuildParticleSprite(r, Gen(r).m_Color1, particles[i], 0, i, 24.0f, i == 4 ? 3.0f : 1.0f);
  std::vector<DX_V::PCT> written(particles.size() * 4);
  std::memcpy(written.data(), r.Batch(0).lockPointer, written.size() * sizeof(DX_V::PCT));
  r.UnlockBatch(0);
  for (size_t i = 0; i < particles.size(); ++i) {
    const SpriteQuad q = ParticleSpriteQuad(Gen(r).m_Color1, particles[i], 24.0f, i == 4 ? 3.0f : 1.0f);
    EXPECT_EQ(std::memcmp(&written[i * 4], q.p, sizeof q.p), 0) << i;
    const DS_BoundsRect b = q.Bounds();
    EXPECT_EQ(std::memcmp(&r.Bounds(0)[i], &b, sizeof b), 0) << i;
  }
  EXPECT_EQ(written[0].color, 0xB2FF8030u) << "alpha 255 - 76.5 = 178";
}

TEST_F(ParticleDeviceTest, ReservedSlotsThatAreNotWrittenDrawNothing) {
  // No effect: the batch goes through the fixed pipeline, which shows every quad it holds.
  auto runtime = Make(0, 0x0000FF, 0, nullptr, false);
  DS_ParticlesObj& r = *runtime;
  const float xs[4] = {40.0f, 120.0f, 200.0f, 280.0f};
  for (float x : xs) Gen(r).m_Live.emplace_back(x, 100.0f, 0.0f);
  Gen(r).Fill(r, 40.0f);
  DrawObject(r, kFrame);
  for (float x : xs) EXPECT_EQ(BackBufferColour(UINT(x), 100), 0xFF0000u) << x;

  // A larger reservation makes new buffers: only slot 0 is written this time.
  Gen(r).m_Live.resize(1);
  r.ReserveQuads(0, 200);
  ASSERT_TRUE(r.LockBatch(0));
  BuildParticleSprite(r, Gen(r).m_Color1, Gen(r).m_Live.front(), 0, 0, 40.0f, 1.0f);
  r.UnlockBatch(0);
  DrawObject(r, kFrame);
  EXPECT_EQ(BackBufferColour(40, 100), 0xFF0000u);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(BackBufferColour(UINT(xs[i]), 100), kFrame & 0xFFFFFF) << xs[i];
  for (UINT y = 4; y < kH; y += 16)
    for (UINT x = 70; x < kW; x += 16) EXPECT_EQ(BackBufferColour(x, y), kFrame & 0xFFFFFF) << x << "," << y;
}

// -----------------------------------------------------------------------------------------
// Draw sequences

TEST_F(ParticleDeviceTest, SingleBatchDrawsTheMaskThenTheComposite) {
  struct Case {
    int blend;
    const char* composite;  // the effect calls after the mask pass
    int maskTextureSlot;    // which of the composite's textures is the mask (-1: none)
    int backgroundSlot;
  };
  const Case cases[] = {
      {0, " | SetTechnique CommonTex | SetTexture Texture1", 0, -1},
      {1, " | SetTechnique Blend_ScreenTex | SetTexture Texture1 | SetTexture Texture2", 1, 0},
      {2, " | SetTechnique Blend_ColorDodgeTex | SetTexture Texture1 | SetTexture Texture2", 1, 0},
      {3, " | SetTechnique Blend_SumTex | SetTexture Texture1", 0, -1},
      {7, "", -1, -1},  // the effect's technique stays
  };
  for (const Case& c : cases) {
    RecordingEffect effect;
    auto runtime = Make(c.blend, 0x0000FF, 0, &effect);
    DS_TestTexGenerator& g = Gen(*runtime);
    AddParticle(*runtime, 100.0f, 80.0f);
    ASSERT_NE(g.m_RenderTarget, nullptr);
    ASSERT_TRUE(g.m_RenderTarget->IsValid());
    EXPECT_EQ(g.m_RenderTarget->width, kW) << "made at the back buffer's size";

    tw_test::RecordingRender r;
    r.background = m_Layer->GetBackgroundTexture();
    ASSERT_EQ(m_Device->BeginScene(), D3D_OK);
    runtime->Render(r);
    m_Device->EndScene();

    EXPECT_EQ(r.Sequence(), "PushRenderTarget DrawQuadRange PopRenderTarget Draw") << c.blend;
    EXPECT_TRUE(r.TargetsBalanced());
    ASSERT_EQ(r.calls.size(), 4u);
    EXPECT_EQ(r.calls[0].target, g.m_RenderTarget);
    EXPECT_EQ(r.calls[0].viewMode, 3);
    EXPECT_EQ(r.calls[1].effect, &effect);
    EXPECT_EQ(r.calls[1].first, 0u);
    EXPECT_EQ(r.calls[1].count, 1u);
    EXPECT_EQ(r.calls[1].mesh.vertexBuffer, runtime->Batch(0).vertexBuffer.Get());
    EXPECT_EQ(r.calls[3].effect, &effect);
    EXPECT_EQ(r.calls[3].mesh.frame, &r.screenQuad);
    EXPECT_EQ(effect.log, std::string("SetTechnique BlendMask | SetTexture Texture1") + c.composite) << c.blend;
    ASSERT_GE(effect.textures.size(), 1u);
    EXPECT_EQ(effect.textures[0], g.FrameTexture(0));
    if (c.maskTextureSlot >= 0) {
      EXPECT_EQ(effect.textures[1 + c.maskTextureSlot], g.m_RenderTarget->current.Get());
    }
    if (c.backgroundSlot >= 0) {
      EXPECT_EQ(effect.textures[1 + c.backgroundSlot], r.background.Get());
    }

    // The mask was cleared to transparent black before the quad went in; the recording
    // context drew nothing, so the clear shows everywhere.
    EXPECT_EQ(TargetPixel(g.m_RenderTarget->current, 5, 5), 0x00000000u);
    runtime.reset();
  }
}

TEST_F(ParticleDeviceTest, JoinedBatchesGoIntoOneMaskClearedToTransparentWhite) {
  RecordingEffect effect;
  DS_TestTexGenerator g;
  g.m_Images.emplace_back();
  g.m_Images.back().StoreKey(L"white.png", 1);
  g.m_Images.emplace_back();
  g.m_Images.back().StoreKey(L"blue.png", 1);
  g.testEffect = &effect;
  g.joined = true;
  g.batches = 3;
  std::unique_ptr<DS_ParticlesObj> runtime(static_cast<DS_ParticlesObj*>(g.CreateRuntimeObject()));
  DS_TestTexGenerator& copy = Gen(*runtime);
  // One quad in each of the three batches.
  for (size_t b = 0; b < 3; ++b) {
    runtime->ReserveQuads(b, 1);
    ASSERT_TRUE(runtime->LockBatch(b));
    runtime->WriteQuad(SpriteQuad::FromCenter(D3DXVECTOR3(50.0f + 100.0f * b, 50.0f, 0.0f), 20.0f, 20.0f), b, 0);
    runtime->UnlockBatch(b);
  }
  tw_test::RecordingRender r;
  ASSERT_EQ(m_Device->BeginScene(), D3D_OK);
  runtime->Render(r);
  m_Device->EndScene();
  EXPECT_EQ(r.Sequence(), "PushRenderTarget DrawQuadRange DrawQuadRange DrawQuadRange PopRenderTarget Draw");
  EXPECT_EQ(r.calls[2].mesh.vertexBuffer, runtime->Batch(1).vertexBuffer.Get());
  EXPECT_EQ(effect.log,
            "SetTechnique JoinMask | SetTexture Texture1 | SetTexture Texture1 | SetTexture Texture1 | "
            "SetTechnique CommonTex | SetTexture Texture1");
  ASSERT_EQ(effect.textures.size(), 4u);
  EXPECT_EQ(effect.textures[0], copy.FrameTexture(0));
  EXPECT_EQ(effect.textures[1], copy.FrameTexture(1));
  EXPECT_NE(effect.textures[0], effect.textures[1]);
  EXPECT_EQ(effect.textures[2], nullptr) << "a third image the generator does not have";
  EXPECT_EQ(TargetPixel(copy.m_RenderTarget->current, 5, 5), 0x00FFFFFFu);
}

TEST_F(ParticleDeviceTest, TheRealMaskHoldsTheQuadsOwnColour) {
  // Drawn through the layer: the mask gets the quad (white picture times the vertex
  // colour, laid over transparent black), and stays clear elsewhere.
  auto runtime = Make(0, 0x0000FF, 50);
  AddParticle(*runtime, 100.0f, 80.0f);
  DrawObject(*runtime, kFrame);
  DS_TestTexGenerator& g = Gen(*runtime);
  // Vertex alpha 127: colour 1 itself, alpha 127 (the composite applies the alpha once).
  ExpectNear(TargetPixel(g.m_RenderTarget->current, 100, 80), 0x7FFF0000, 2, "mask at the quad");
  EXPECT_EQ(TargetPixel(g.m_RenderTarget->current, 200, 150) >> 24, 0u);
}

TEST_F(ParticleDeviceTest, WithoutAnEffectTheBatchIsDrawnThroughTheFixedPipeline) {
  auto runtime = Make(0, 0x0000FF, 0, nullptr, false);
  DS_TestTexGenerator& g = Gen(*runtime);
  EXPECT_FALSE(g.m_Effect);
  AddParticle(*runtime, 100.0f, 80.0f);
  tw_test::RecordingRender r;
  ASSERT_EQ(m_Device->BeginScene(), D3D_OK);
  runtime->Render(r);
  m_Device->EndScene();
  EXPECT_EQ(r.Sequence(), "DrawQuadRange");
  EXPECT_FALSE(r.calls[0].effectSlotGiven);
  IDirect3DBaseTexture9* bound = nullptr;
  m_Device->GetTexture(0, &bound);
  EXPECT_EQ(bound, static_cast<IDirect3DBaseTexture9*>(g.FrameTexture(0)));
  if (bound) bound->Release();

  DrawObject(*runtime, kFrame);
  EXPECT_EQ(BackBufferColour(100, 80), 0xFF0000u);
  EXPECT_EQ(BackBufferColour(100, 120), kFrame & 0xFFFFFF);
}

// -----------------------------------------------------------------------------------------
// The particle effect's composites, read back

TEST_F(ParticleDeviceTest, BlendModesCompositeTheMaskAsTheEffectSays) {
  // Frame 0x20 (0.1255), background copy 0x80 (0.502). The mask holds the quad's colour
  // c with its alpha a. At the quad:
  //   0 CommonTex:           c x a + frame x (1 - a)
  //   1 Blend_ScreenTex:     bg + c a x (1 - bg)        (opaque, everywhere)
  //   2 Blend_ColorDodgeTex: bg / (1 - c a), saturated  (opaque, everywhere)
  //   3 Blend_SumTex:        frame + c a
  struct Case {
    const char* name;
    int blend;
    unsigned long colour;  // 0x00BBGGRR
    unsigned transparency;
    D3DCOLOR inside, outside;
  };
  const Case cases[] = {
      {"common, opaque red", 0, 0x0000FF, 0, 0xFF0000, 0x202020},
      // a = 127/255: red 1 x 0.498 + 0.1255 x 0.502 = 0.561; others 0.063.
      {"common, half transparent red", 0, 0x0000FF, 50, 0x8F1010, 0x202020},
      // green: 0.502 + 1 x 0.498.
      {"screen, opaque green", 1, 0x00FF00, 0, 0x80FF80, 0x808080},
      // red: 0.502 / (1 - 0.502) saturates.
      {"colour dodge, half red", 2, 0x000080, 0, 0xFF8080, 0x808080},
      // red: 0.1255 + 0.502.
      {"sum, half red", 3, 0x000080, 0, 0xA02020, 0x202020},
  };
  for (const Case& c : cases) {
    auto runtime = Make(c.blend, c.colour, c.transparency);
    ASSERT_TRUE(Gen(*runtime).m_Effect) << "the particle effect compiles";
    AddParticle(*runtime, 100.0f, 80.0f);
    DrawObject(*runtime, kFrame);
    ExpectNear(BackBufferColour(100, 80), c.inside, 3, c.name);
    ExpectNear(BackBufferColour(110, 95), c.inside, 3, c.name);
    ExpectNear(BackBufferColour(250, 150), c.outside, 3, c.name);
    ExpectNear(BackBufferColour(100, 110), c.outside, 3, c.name);
  }
}

}  // namespace
