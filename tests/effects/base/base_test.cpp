// The shader-effect base, the brush object and the shape bases: record parts of every
// stored version (document-builder bytes), the values they pass and the draws they make
// (worked out by hand, through an effect double and a layer double), and, on a real device
// under Wine, the region grid, the shared mask and a full-picture draw read back.
#include "effects/FXConstructor.h"
#include "effects/ShapeBases.h"

#include "core/archive/DS_IOF.h"
#include "core/archive/DS_IOF_Writer.h"
#include "core/render/StageView.h"
#include "effect_base_fixtures.h"
#include "tests/support/LoggingEffect.h"
#include "tests/support/RecordingRender.h"
#include "tests/support/SceneDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using tw_test::ExpectValues;
using tw_test::LoggingEffect;
using tw_test::RecordingRender;

// The smallest concrete effects: the full-picture draw, the region draw, and each shape
// base's parameter step followed by the full-picture draw.
class TestFX : public DS_FX_Constructor {
public:
  void Render(DS_ABRender& layer) override { DrawFullScreen(layer); }
  DS_FX_Constructor* Clone() const override { return new TestFX(*this); }
};

class TestRegionFX : public DS_FX_Constructor {
public:
  void LoadResources(ComRef<IDirect3DTexture9>& mask) override {
    DS_FX_Constructor::LoadResources(mask);
    DS_RegionGrid::Create(m_Grid, 2, 2);
    BuildRegionMesh();
  }
  void Render(DS_ABRender& layer) override { DrawRegion(layer); }
  DS_FX_Constructor* Clone() const override { return new TestRegionFX(*this); }
};

class TestDirection : public DS_DirectionBased {
public:
  void Render(DS_ABRender& layer) override { DrawFullScreen(layer); }
  DS_FX_Constructor* Clone() const override { return new TestDirection(*this); }
};

class TestCentral : public DS_CentralBased {
public:
  void Render(DS_ABRender& layer) override { SetCenterParameters(layer); }
  DS_FX_Constructor* Clone() const override { return new TestCentral(*this); }
};

class TestLine : public DS_LineBased {
public:
  void Render(DS_ABRender& layer) override { SetLineParameters(layer); }
  DS_FX_Constructor* Clone() const override { return new TestLine(*this); }
};

// Reads a part from fixture bytes with read(archive); true when the archive did not fail
// and nothing was left over.
template <class Read>
::testing::AssertionResult ReadWhole(const unsigned char* data, size_t size, Read read) {
  ResourceBuffer source(data, size);
  DS_IOF_R<ResourceBuffer> archive(&source);
  read(archive);
  if (archive.Failed()) return ::testing::AssertionFailure() << "the archive failed";
  if (archive.RemainingBytes() != 0)
    return ::testing::AssertionFailure() << archive.RemainingBytes() << " bytes left behind";
  return ::testing::AssertionSuccess();
}

class EffectLogic : public testing::Test {
protected:
  void SetUp() override {
    g_ScreenLayout.pictureWidth = 320;
    g_ScreenLayout.pictureHeight = 200;
  }
  void TearDown() override {
    g_ScreenLayout.pictureWidth = 0;
    g_ScreenLayout.pictureHeight = 0;
  }
};

// ---------------------------------------------------------------------------------------
// Record parts

TEST_F(EffectLogic, BasePartOfEveryVersionReadsItsFields) {
  struct Case {
    const unsigned char* data;
    size_t size;
    unsigned version;
  };
  const Case cases[] = {{kFixtureFxV1, kFixtureFxV1Size, 1},
                        {kFixtureFxV2, kFixtureFxV2Size, 2},
                        {kFixtureFxV3, kFixtureFxV3Size, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE("version " + std::to_string(c.version));
    TestFX d;
    ASSERT_TRUE(ReadWhole(c.data, c.size, [&](DS_IOF_Virtual& a) { d.ReadPart(a); }));
    EXPECT_EQ(d.m_Speed.Get(), 70u);
    EXPECT_EQ(d.m_TechniqueMode.Get(), 1);
    EXPECT_EQ(d.m_MaskKey.guid.Data1, 0x01234567u);
    EXPECT_EQ(d.m_MaskKey.guid.Data4[7], 0xEF);
    EXPECT_EQ(d.m_MaskKey.name, L"sea mask");
    EXPECT_EQ(d.m_MaskKeyFlag, 0);
    EXPECT_EQ(d.m_EffectLink.Path(), L"fx\\waves.fx");
    EXPECT_EQ(d.m_EffectLink.Stamp(), 42);
    EXPECT_EQ(d.Name(), L"effect");
    EXPECT_EQ(d.m_Depth.Get(), 80u);
    // Version 1 keeps the scale at 50 (1.0); the region and reserved value come with 3.
    EXPECT_FLOAT_EQ(d.m_Scale.Derived(), c.version > 1 ? 2.0f : 1.0f);
    const D3DXVECTOR3 c3 = d.m_Region.corners[3].Get();
    EXPECT_EQ(c3.x, c.version > 2 ? 110.0f : 0.0f);
    EXPECT_EQ(c3.y, c.version > 2 ? 220.0f : 0.0f);
    EXPECT_EQ(d.m_Reserved.Get(), c.version > 2 ? -5 : 0);
  }
}

TEST_F(EffectLogic, AnEmptyMaskNameKeepsTheCurrentOne) {
  TestFX d;
  d.m_MaskKey.name = L"kept";
  ASSERT_TRUE(ReadWhole(kFixtureFxEmptyName, kFixtureFxEmptyNameSize, [&](DS_IOF_Virtual& a) { d.ReadPart(a); }));
  EXPECT_EQ(d.m_MaskKey.name, L"kept");
}

TEST_F(EffectLogic, BasePartWritesWhatItReads) {
  TestFX d;
  ASSERT_TRUE(ReadWhole(kFixtureFxV3, kFixtureFxV3Size, [&](DS_IOF_Virtual& a) { d.ReadPart(a); }));
  DS_IOF_W w;
  d.Write(w);
  const std::vector<unsigned char> written = w.Bytes();
  EXPECT_EQ(written, std::vector<unsigned char>(kFixtureFxV3, kFixtureFxV3 + kFixtureFxV3Size));
}

TEST_F(EffectLogic, ShapePartsReadTheirFieldsAndNestTheBasePart) {
  TestDirection direction;
  ASSERT_TRUE(ReadWhole(kFixtureDirection, kFixtureDirectionSize,
                        [&](DS_IOF_Virtual& a) { direction.ReadDirectionPart(a); }));
  EXPECT_FLOAT_EQ(direction.m_Amount.Derived(), 30.0f);
  EXPECT_EQ(direction.m_Angle.Get(), 90u);
  EXPECT_EQ(direction.Name(), L"effect");
  // The angle is read without notification: the description's direction is still that
  // of angle 0, and its clone, which its runtime object uses, has the read one.
  EXPECT_FLOAT_EQ(direction.m_Direction.x, 1.0f);
  std::unique_ptr<DS_FX_Constructor> clone(direction.Clone());
  const D3DXVECTOR4 d = static_cast<TestDirection*>(clone.get())->m_Direction;
  EXPECT_NEAR(d.x, 0.0f, 1e-6f);
  EXPECT_NEAR(d.y, -1.0f, 1e-6f);

  TestCentral central;
  ASSERT_TRUE(ReadWhole(kFixtureCentral, kFixtureCentralSize, [&](DS_IOF_Virtual& a) { central.ReadCentralPart(a); }));
  EXPECT_EQ(central.m_Centre.Get(), D3DXVECTOR3(400.0f, 300.0f, 2.0f));
  EXPECT_EQ(central.Name(), L"effect");

  // The line part holds the base part right after its centre: no "DS_CentralBased" part.
  TestLine line;
  ASSERT_TRUE(ReadWhole(kFixtureLine, kFixtureLineSize, [&](DS_IOF_Virtual& a) { line.ReadLinePart(a); }));
  EXPECT_EQ(line.m_LineDirection.Get(), 45u);
  EXPECT_EQ(line.m_Centre.Get(), D3DXVECTOR3(400.0f, 300.0f, 0.0f));
  EXPECT_EQ(line.Name(), L"effect");

  for (DS_FX_Constructor* shape : {static_cast<DS_FX_Constructor*>(&direction),
                                   static_cast<DS_FX_Constructor*>(&central), static_cast<DS_FX_Constructor*>(&line)}) {
    DS_IOF_W w;
    shape->Write(w);
    const std::vector<unsigned char> bytes = w.Bytes();
    ResourceBuffer source(bytes.data(), bytes.size());
    DS_IOF_R<ResourceBuffer> archive(&source);
    std::wstring name;
    archive.ReadString(name);
    EXPECT_TRUE(name == L"DS_DirectionBased" || name == L"DS_CentralBased" || name == L"DS_LineBased");
  }
}

// ---------------------------------------------------------------------------------------
// Values passed and draws made

TEST_F(EffectLogic, FullPictureDrawSetsTechniqueScaleMaskAndBackground) {
  LoggingEffect effect;
  TestFX d;
  d.m_Scale.Set(100u);  // 2.0
  d.m_Effect.Assign(&effect);
  RecordingRender layer(1600, 1200);
  d.Render(layer);
  EXPECT_EQ(effect.technique, "Main");
  ExpectValues(effect, "Scale", {0.6667f, 0.5f}, 1e-4f);
  EXPECT_TRUE(effect.textureOf.count("Mask"));
  EXPECT_TRUE(effect.textureOf.count("Background"));
  ASSERT_EQ(layer.Sequence(), "Draw");
  EXPECT_EQ(layer.calls[0].effect, &effect);
  EXPECT_EQ(layer.calls[0].mesh.frame, &layer.screenQuad);

  d.m_TechniqueMode.Store(1);
  d.Render(layer);
  EXPECT_EQ(effect.technique, "MainFX");
  d.m_Effect.Reset();
}

TEST_F(EffectLogic, ZeroSizesAndScalesGiveFiniteScales) {
  struct Case {
    UINT width, height;
    unsigned scale;
  };
  const Case cases[] = {{800, 0, 50}, {0, 0, 50}, {800, 600, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " scale " << c.scale);
    LoggingEffect effect;
    TestFX full;
    TestCentral central;
    full.m_Scale.Set(c.scale);
    central.m_Scale.Set(c.scale);
    RecordingRender layer(c.width, c.height);
    for (DS_FX_Constructor* d : {static_cast<DS_FX_Constructor*>(&full), static_cast<DS_FX_Constructor*>(&central)}) {
      effect.values.clear();
      d->m_Effect.Assign(&effect);
      d->Render(layer);
      const std::vector<float> scale = effect.Values("Scale");
      ASSERT_FALSE(scale.empty());
      for (float v : scale) EXPECT_TRUE(std::isfinite(v));
      d->m_Effect.Reset();
    }
  }
}

TEST_F(EffectLogic, WithoutAnEffectNothingIsDrawn) {
  RecordingRender layer(800, 600);
  TestFX full;
  full.Render(layer);
  TestRegionFX region;
  region.m_TechniqueMode.Store(1);
  region.Render(layer);
  EXPECT_EQ(layer.Sequence(), "");
}

TEST_F(EffectLogic, RegionDrawUsesTheGridInMainAndThePictureQuadInMainFX) {
  LoggingEffect effect;
  RecordingRender layer(800, 600);
  TestRegionFX d;
  d.m_Effect.Assign(&effect);
  // Mode 0 without a grid (no device) has nothing to draw.
  d.Render(layer);
  EXPECT_EQ(layer.Sequence(), "");
  d.m_TechniqueMode.Store(1);
  d.Render(layer);
  EXPECT_EQ(layer.Sequence(), "Draw");
  EXPECT_EQ(effect.technique, "MainFX");
  // The region draw sets no parameter of its own.
  EXPECT_EQ(effect.values.size(), 0u);
  EXPECT_EQ(effect.textureOf.size(), 0u);
  d.m_Effect.Reset();
}

TEST_F(EffectLogic, BrushObjectIsAPostPassExactlyWhileVisibleWithModeOne) {
  struct Case {
    int mode;
    bool visible;
    bool postPass;
  };
  const Case cases[] = {{0, true, false}, {0, false, false}, {1, true, true}, {1, false, false}, {3, true, true}};
  for (const Case& c : cases) {
    TestFX d;
    d.m_TechniqueMode.Store(c.mode);
    std::unique_ptr<DS_ABObj> object(d.CreateRuntimeObject());
    object->SetVisible(c.visible);
    EXPECT_EQ(object->IsPostPass(), c.postPass) << "mode " << c.mode << " visible " << c.visible;
    EXPECT_EQ(object->GetObjectKind(), 4);
  }
  TestFX d;
  EXPECT_EQ(d.GetObjectKind(), 3);
  EXPECT_FALSE(d.IsSpriteObject());
}

TEST_F(EffectLogic, BoundsAreTheRegionsCornersZeroAndThree) {
  TestFX d;
  d.m_Region.corners[0].Store(D3DXVECTOR3(10.0f, 20.0f, 0.0f));
  d.m_Region.corners[3].Store(D3DXVECTOR3(110.0f, 220.0f, 0.0f));
  DS_BoundsList bounds;
  EXPECT_FALSE(d.CollectBounds(bounds));
  ASSERT_EQ(bounds.size(), 1u);
  EXPECT_EQ(bounds.front().x, 10.0f);
  EXPECT_EQ(bounds.front().y, 20.0f);
  EXPECT_EQ(bounds.front().width, 100.0f);
  EXPECT_EQ(bounds.front().height, 200.0f);
}

TEST_F(EffectLogic, AssignmentCopiesValuesAndSharesTheEffect) {
  LoggingEffect effect;
  TestFX source;
  source.m_TechniqueMode.Store(1);
  source.m_EffectLink.StoreKey(L"fx\\fire.fx", 9);
  source.m_Scale.Set(100u);
  source.m_Speed.Set(40u);
  source.m_Region.corners[2].Store(D3DXVECTOR3(5.0f, 6.0f, 7.0f));
  source.m_Reserved.Store(12);
  source.m_MaskKeyFlag = 0;
  source.TimeLine().m_Mode.Store(2);
  source.m_Effect.Assign(&effect);
  TestFX target;
  target = source;
  EXPECT_EQ(effect.refs, 3u);
  EXPECT_EQ(target.m_TechniqueMode.Get(), 1);
  EXPECT_EQ(target.m_EffectLink.Stamp(), 9);
  EXPECT_FLOAT_EQ(target.m_Scale.Derived(), 2.0f);
  EXPECT_FLOAT_EQ(target.m_Speed.Derived(), 40.0f);
  EXPECT_EQ(target.m_Region.corners[2].Get(), D3DXVECTOR3(5.0f, 6.0f, 7.0f));
  EXPECT_EQ(target.m_Reserved.Get(), 12);
  EXPECT_EQ(memcmp(&target.m_MaskKey.guid, &source.m_MaskKey.guid, sizeof(GUID)), 0);
  EXPECT_EQ(target.m_MaskKeyFlag, 0);
  EXPECT_EQ(target.TimeLine().m_Mode.Get(), 2);
  EXPECT_NE(&target.TimeLine(), &source.TimeLine());
  target.m_Effect.Reset();
  source.m_Effect.Reset();
  EXPECT_EQ(effect.refs, 1u);
}

TEST_F(EffectLogic, RenewIdentityGivesTheMaskANewKey) {
  TestFX d;
  const GUID before = d.m_MaskKey.guid;
  d.m_MaskKey.name = L"old";
  d.m_MaskKeyFlag = 0;
  d.RenewIdentity();
  EXPECT_NE(memcmp(&before, &d.m_MaskKey.guid, sizeof(GUID)), 0);
  EXPECT_EQ(d.m_MaskKey.name, L"");
  EXPECT_EQ(d.m_MaskKeyFlag, 1);
}

TEST_F(EffectLogic, DirectionFollowsTheAngle) {
  struct Case {
    unsigned angle;
    float x, y;
  };
  // (cos angle, -sin angle): the picture's y grows downwards.
  const Case cases[] = {{0, 1.0f, 0.0f}, {90, 0.0f, -1.0f}, {180, -1.0f, 0.0f}, {30, 0.8660254f, -0.5f}};
  for (const Case& c : cases) {
    TestDirection d;
    d.m_Angle.Set(c.angle);
    EXPECT_NEAR(d.m_Direction.x, c.x, 1e-6f) << c.angle;
    EXPECT_NEAR(d.m_Direction.y, c.y, 1e-6f) << c.angle;
    // A copy computes it again from the copied angle.
    TestDirection copy(d);
    EXPECT_NEAR(copy.m_Direction.y, c.y, 1e-6f) << c.angle;
  }
}

TEST_F(EffectLogic, CentreScaleAndLineParameters) {
  DS_StageView stage;
  stage.pictureWidth = 800.0f;
  stage.pictureHeight = 600.0f;
  g_StageView = &stage;
  struct Case {
    unsigned angle;
    std::vector<float> ln, lt, t, n;
  };
  // Centre (400, 300) of an 800 x 600 stage picture. Angle 45: D = (0.7071, 0.7071), so the
  // line through P = (0.5, 0.5) runs along (0.7071 / 800, -0.7071 / 600): its unit normal is
  // (0.8, 0.6) and 0.8 x 0.5 + 0.6 x 0.5 + c = 0 gives c = -0.7. Lt goes through P and
  // R = P + (-0.7071 / 800, -0.7071 / 600), unnormalised: (P.y - R.y, R.x - P.x, ...).
  const Case cases[] = {
      {0, {0.0f, 1.0f, -0.5f}, {1.0f / 600.0f, 0.0f, -0.5f / 600.0f}, {0.0f, -1.0f}, {1.0f, 0.0f}},
      {45, {0.8f, 0.6f, -0.7f}, {0.0011785f, -0.00088388f, -0.00014731f}, {-0.6f, -0.8f}, {0.6f, -0.8f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("angle " + std::to_string(c.angle));
    LoggingEffect effect;
    TestLine d;
    d.m_Centre.Store(D3DXVECTOR3(400.0f, 300.0f, 0.0f));
    d.m_LineDirection.Set(c.angle);
    d.m_LineDirection.UpdateVectors();
    ComRef<IDirect3DTexture9> none;
    d.LoadResources(none);
    d.m_Effect.Assign(&effect);
    RecordingRender layer(1600, 1200);
    d.Render(layer);
    ExpectValues(effect, "Scale", {1.3333333f, 1.0f, 0.75f, 1.0f}, 1e-5f);
    ExpectValues(effect, "Center", {0.5f, 0.5f}, 1e-6f);
    ExpectValues(effect, "Ln", c.ln, 2e-4f);
    ExpectValues(effect, "Lt", c.lt, 2e-6f);
    ExpectValues(effect, "t", c.t, 1e-4f);
    ExpectValues(effect, "n", c.n, 1e-4f);
    EXPECT_EQ(effect.technique, "Main");
    EXPECT_EQ(layer.Sequence(), "");  // parameters only
    d.m_Effect.Reset();
  }
  g_StageView = nullptr;
}

TEST_F(EffectLogic, OnlyAnUnplacedDescriptionIsCentredAtLoad) {
  ComRef<IDirect3DTexture9> none;
  TestCentral placed;
  placed.m_Centre.Store(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
  placed.LoadResources(none);
  EXPECT_EQ(placed.m_Centre.Get(), D3DXVECTOR3(0.0f, 0.0f, 0.0f));

  TestCentral fresh;
  fresh.m_Flag = false;
  fresh.m_Centre.Store(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
  fresh.LoadResources(none);
  EXPECT_EQ(fresh.m_Centre.Get(), D3DXVECTOR3(160.0f, 100.0f, 0.0f));
  EXPECT_TRUE(fresh.m_Flag);
}

// ---------------------------------------------------------------------------------------
// On a real device

constexpr UINT kW = 320, kH = 200;
const char kMaskedGreen[] = R"(
// "Main": green where the mask is black, the background where it is white.
// "MainFX": the background with its channels inverted.
float2 Scale = {1.0, 1.0};
texture Mask;
texture Background;
sampler BackgroundSampler = sampler_state {
  Texture = <Background>; MinFilter = Point; MagFilter = Point; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
};
sampler MaskSampler = sampler_state {
  Texture = <Mask>; MinFilter = Point; MagFilter = Point; MipFilter = None;
  AddressU = Clamp; AddressV = Clamp;
};
technique Main {
  pass P0 {
    Lighting = false;
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (BackgroundSampler);
    Sampler[1] = (MaskSampler);
    PixelShaderConstantF[0] = <Scale>;
    PixelShader = asm {
      ps_2_0
      def c1, 0.0, 1.0, 0.0, 1.0
      dcl t0.xy
      dcl_2d s0
      dcl_2d s1
      texld r0, t0, s0
      texld r1, t0, s1
      lrp r2, r1.x, r0, c1
      mov oC0, r2
    };
  }
}
technique MainFX {
  pass P0 {
    Lighting = false;
    AlphaBlendEnable = false;
    TexCoordIndex[0] = 0;
    TextureTransformFlags[0] = Disable;
    Sampler[0] = (BackgroundSampler);
    PixelShader = asm {
      ps_2_0
      def c1, 1.0, 1.0, 1.0, 1.0
      dcl t0.xy
      dcl_2d s0
      texld r0, t0, s0
      sub r1, c1, r0
      mov r1.w, c1.w
      mov oC0, r1
    };
  }
}
)";

class EffectDevice : public tw_test::SceneDeviceTest {
protected:
  EffectDevice() : SceneDeviceTest(kW, kH) {}
  void SetUp() override {
    SceneDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    g_ScreenLayout.pictureWidth = kW;
    g_ScreenLayout.pictureHeight = kH;
    // Left half (200, 100, 50), right half (40, 200, 120).
    StorePicture(L"picture.png",
                 MakeTexture(kW, kH, [](UINT x, UINT) { return x < kW / 2 ? 0xFFC86432u : 0xFF28C878u; }));
    StoreEffectSource(DS_LinkKey(L"masked.fx", 1), kMaskedGreen, sizeof(kMaskedGreen) - 1);
    MakeLayer(L"picture.png");
  }
  void TearDown() override {
    g_ScreenLayout.pictureWidth = 0;
    g_ScreenLayout.pictureHeight = 0;
    SceneDeviceTest::TearDown();
  }
};

TEST_F(EffectDevice, RegionGridCoversTheRegionInPictureCoordinates) {
  TestRegionFX d;
  d.m_Region.corners[0].Store(D3DXVECTOR3(10.0f, 20.0f, 0.0f));
  d.m_Region.corners[1].Store(D3DXVECTOR3(10.0f, 180.0f, 0.0f));
  d.m_Region.corners[2].Store(D3DXVECTOR3(170.0f, 20.0f, 0.0f));
  d.m_Region.corners[3].Store(D3DXVECTOR3(170.0f, 180.0f, 0.0f));
  ComRef<IDirect3DTexture9> none;
  d.LoadResources(none);
  ASSERT_TRUE(d.m_Grid.vertexBuffer);
  ASSERT_TRUE(d.m_Grid.indexBuffer);
  EXPECT_EQ(d.m_Grid.vertexCount, 9u);
  EXPECT_EQ(d.m_Grid.indexedPrimitiveCount, 8u);
  EXPECT_EQ(d.m_Grid.primitiveType, D3DPT_TRIANGLELIST);
  D3DVERTEXBUFFER_DESC desc{};
  d.m_Grid.vertexBuffer->GetDesc(&desc);
  EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);

  DX_V::PT* v = nullptr;
  ASSERT_EQ(d.m_Grid.vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&v), D3DLOCK_READONLY), D3D_OK);
  // Vertex i x 3 + j: i from the left edge to the right, j from the top to the bottom;
  // texture coordinates are picture fractions.
  struct Want {
    int index;
    float x, y, u, v;
  };
  const Want wants[] = {{0, 10, 20, 10.0f / kW, 0.1f},  {1, 10, 100, 10.0f / kW, 0.5f},
                        {3, 90, 20, 90.0f / kW, 0.1f},  {4, 90, 100, 90.0f / kW, 0.5f},
                        {8, 170, 180, 170.0f / kW, 0.9f}};
  for (const Want& w : wants) {
    EXPECT_FLOAT_EQ(v[w.index].x, w.x) << w.index;
    EXPECT_FLOAT_EQ(v[w.index].y, w.y) << w.index;
    EXPECT_NEAR(v[w.index].u, w.u, 1e-6f) << w.index;
    EXPECT_NEAR(v[w.index].v, w.v, 1e-6f) << w.index;
  }
  d.m_Grid.vertexBuffer->Unlock();

  // A layout of no size divides by 1: the coordinates stay finite (picture pixels).
  g_ScreenLayout.pictureWidth = 0;
  g_ScreenLayout.pictureHeight = 0;
  d.BuildRegionMesh();
  ASSERT_EQ(d.m_Grid.vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&v), D3DLOCK_READONLY), D3D_OK);
  EXPECT_FLOAT_EQ(v[8].u, 170.0f);
  EXPECT_FLOAT_EQ(v[8].v, 180.0f);
  d.m_Grid.vertexBuffer->Unlock();
}

TEST_F(EffectDevice, BrushObjectsOfOneMaskKeyShareItsTexture) {
  TestFX d;
  IDirect3DTexture9* mask = Solid(8, 8, 0xFFFFFFFF);
  ASSERT_NE(mask, nullptr);
  mask->AddRef();
  StoreGuidPicture(d.m_MaskKey, mask);
  {
    std::unique_ptr<DS_ABObj> a(d.CreateRuntimeObject());
    std::unique_ptr<DS_ABObj> b(d.CreateRuntimeObject());
    // Ours, the store's, and one for each brush object.
    mask->AddRef();
    EXPECT_EQ(mask->Release(), 4u);
  }
  EXPECT_EQ(mask->Release(), 1u);
}

TEST_F(EffectDevice, DrawsThePictureThroughItsEffectWithItsMask) {
  // A mask white over the left half: there the picture stays, elsewhere the effect's green.
  TestFX d;
  d.m_EffectLink.StoreKey(L"masked.fx", 1);
  StoreGuidPicture(d.m_MaskKey, MakeTexture(kW, kH, [](UINT x, UINT) { return x < kW / 2 ? 0xFFFFFFFFu : 0xFF000000u; }));
  Add(d.CreateRuntimeObject());
  DrawFrame();
  ExpectPixel(40, 100, tw_test::Rgb{200, 100, 50}, 2);
  ExpectPixel(240, 100, tw_test::Rgb{0, 255, 0}, 2);

  // Technique mode 1: a post pass over the scene so far, here the picture, inverted.
  m_Objects.clear();
  TestFX post;
  post.m_EffectLink.StoreKey(L"masked.fx", 1);
  post.m_TechniqueMode.Store(1);
  Add(post.CreateRuntimeObject());
  DrawFrame();
  ExpectPixel(40, 100, tw_test::Rgb{55, 155, 205}, 2);
  ExpectPixel(240, 100, tw_test::Rgb{215, 55, 135}, 2);
}

TEST_F(EffectDevice, ALinkWithoutAnEffectDrawsNothing) {
  TestFX d;
  d.m_EffectLink.StoreKey(L"missing.fx", 1);
  DS_ABObj* object = Add(d.CreateRuntimeObject());
  EXPECT_EQ(static_cast<DS_BrushObj*>(object)->FX()->GetEffect(), nullptr);
  DrawFrame();
  ExpectPixel(40, 100, tw_test::Rgb{200, 100, 50}, 2);
  ExpectPixel(240, 100, tw_test::Rgb{40, 200, 120}, 2);
}

}  // namespace
