// The layer and the slide show on a real device under Wine, checked by reading the back
// buffer: a picture at known layouts, the fade quad's alpha, the off-screen compositing of
// post-pass objects with a device reset in the middle, and the demo scene's first slide.
#include "LayerTestSupport.h"

#include "core/document/DocResManager.h"
#include "core/render/Device.h"
#include "core/render/QuadList.h"
#include "core/render/StageView.h"
#include "layers/DS_2D_Light.h"
#include "layers/DS_SlideShow_Light.h"
#include "layers/DocumentLoader.h"
#include "platform/effect/Effect.h"
#include "tests/support/SceneDevice.h"

#include <d3d9.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

namespace {

constexpr UINT kW = 320, kH = 200;

using tw_test::Rgb;

class DeviceTest : public tw_test::SceneDeviceTest {
protected:
  // One frame as the host draws it: black clear, the show, the fade.
  void RenderFrame(DS_SlideShow_Light& show) {
    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(m_Device->BeginScene(), D3D_OK);
    show.Render(false);
    m_Device->EndScene();
  }
};

// A 64 x 32 picture in quadrants.
D3DCOLOR Quadrants(UINT x, UINT y) {
  const bool right = x >= 32, bottom = y >= 16;
  if (!bottom) return right ? 0xFF00FF00 : 0xFFFF0000;  // green, red
  return right ? 0xFFFFFF00 : 0xFF0000FF;               // yellow, blue
}
constexpr D3DCOLOR kOrange = 0xFFC86432;  // (200, 100, 50)
constexpr D3DCOLOR kTeal = 0xFF28C878;    // (40, 200, 120)

const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0};
const Rgb kPictureClear{0xF0, 0x0F, 0xFF};

TEST_F(DeviceTest, PictureDrawnAtKnownLayouts) {
  // A 2:1 picture in a 16:10 target: fit leaves bars above and below, fill crops the sides.
  StorePicture(L"test\\quadrants.png", MakeTexture(64, 32, Quadrants));
  DS_2D_Light layer;
  layer.PictureLink().StoreKey(L"test\\quadrants.png", 1);
  layer.CreateDeviceObjects();
  EXPECT_EQ(layer.GetWidth(), 64u);
  EXPECT_EQ(layer.GetHeight(), 32u);
  layer.Resize(kW, kH);
  layer.OnDeviceReset();
  layer.SetCameraEnabled(true);
  layer.UpdateFrame(0.1f);

  struct Probe {
    UINT x, y;
    Rgb colour;
  };
  struct Case {
    int mode;
    std::vector<Probe> probes;
  };
  const Case cases[] = {
      {1, {{160, 5, kPictureClear}, {80, 60, kRed}, {240, 60, kGreen}, {80, 140, kBlue}, {240, 140, kYellow},
           {160, 195, kPictureClear}}},
      {0, {{80, 10, kRed}, {240, 10, kGreen}, {80, 190, kBlue}, {240, 190, kYellow}}},
      {2, {{10, 50, kRed}, {310, 50, kGreen}, {10, 150, kBlue}, {310, 150, kYellow}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "view mode " << c.mode);
    layer.SetViewMode(c.mode);
    ASSERT_EQ(m_Device->BeginScene(), D3D_OK);
    layer.DrawPicture(false);
    m_Device->EndScene();
    ReadBack();
    for (const Probe& p : c.probes) ExpectPixel(p.x, p.y, p.colour, 8);
  }
  // The screen layout follows the resize: the picture fitted, scaled to the back buffer.
  EXPECT_EQ(g_ScreenLayout.pictureWidth, 64u);
  EXPECT_FLOAT_EQ(g_ScreenLayout.pictureQuad[1].y, 20.0f);
  EXPECT_FLOAT_EQ(g_ScreenLayout.scaleX, 1.0f);
  layer.OnDeviceLost();
}

DS_SlideContainer* PictureSlide(const std::wstring& path) {
  auto* slide = new DS_SlideContainer();
  auto* layer = new DS_2D_Light();
  layer->PictureLink().StoreKey(path, 1);
  slide->SetLayer(layer);
  return slide;
}

TEST_F(DeviceTest, FadeQuadAlphaReadBack) {
  StorePicture(L"orange.png", Solid(32, 20, kOrange));
  StorePicture(L"teal.png", Solid(32, 20, kTeal));
  DS_SlideShow_Light show;
  show.AddSlide(PictureSlide(L"orange.png"));
  show.AddSlide(PictureSlide(L"teal.png"));
  // Each slide holds an object that leaves stage 0 modulating, as the sprite and quad draws
  // do; the fade's alpha must not be squared by it.
  for (const auto& s : show.Slides()) s->AddDescription(new ProbeDescription());
  for (const auto& s : show.Slides()) s->BuildRuntimeObjects();
  for (const auto& s : show.Slides()) {
    static_cast<ProbeObject*>(s->RuntimeObjects()[0].get())->onRender = [](DS_ABRender&) {
      g_Device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
      g_Device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    };
  }
  show.SetPicturePosition(1);

  struct Step {
    float t;
    Rgb colour;  // the picture under a fade of alpha int(v * 255)
  };
  const Step steps[] = {
      {100.0f, {200, 100, 50}},  // the first slide does not fade in
      {110.5f, {100, 50, 25}},   // half way through its fade-out
      {111.2f, {0, 0, 0}},       // the change: black
      {111.7f, {20, 100, 60}},   // half way into the second slide
      {112.5f, {40, 200, 120}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << "t = " << s.t);
    show.UpdateFrame(s.t);
    RenderFrame(show);
    ReadBack();
    for (UINT x : {20u, 160u, 300u}) ExpectPixel(x, 100, s.colour, 3);
  }
  show.OnDeviceLost();
}

// A post-pass probe draws the scene it was handed (its background) over the whole target,
// then a square of its own; a plain probe draws only its square.
void DrawSquare(UINT x, D3DCOLOR colour) {
  struct V {
    float x, y, z, rhw;
    D3DCOLOR c;
  };
  const float x0 = float(x) - 20.0f, x1 = float(x) + 20.0f, y0 = 20.0f, y1 = 60.0f;
  const V v[4] = {{x0, y1, 0, 1, colour}, {x0, y0, 0, 1, colour}, {x1, y1, 0, 1, colour}, {x1, y0, 0, 1, colour}};
  g_Device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  g_Device->SetTexture(0, nullptr);
  g_Device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  g_Device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  g_Device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
  g_Device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V));
  g_Device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
}

void DrawBackground(IDirect3DTexture9* texture) {
  struct V {
    float x, y, z, rhw, u, v;
  };
  const float w = float(kW) - 0.5f, h = float(kH) - 0.5f;
  const V v[4] = {{-0.5f, h, 0, 1, 0, 1}, {-0.5f, -0.5f, 0, 1, 0, 0}, {w, h, 0, 1, 1, 1}, {w, -0.5f, 0, 1, 1, 0}};
  g_Device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  g_Device->SetTexture(0, texture);
  g_Device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  g_Device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  g_Device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
  g_Device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V));
}

TEST_F(DeviceTest, PostPassObjectsReadTheSceneSoFarAndSurviveAReset) {
  StorePicture(L"orange.png", Solid(32, 20, kOrange));
  DS_SlideShow_Light show;
  DS_SlideContainer* slide = PictureSlide(L"orange.png");
  // In vector order: P2 (post-pass), N (plain), P1 (post-pass); drawn P1, N, P2.
  slide->AddDescription(new ProbeDescription());
  slide->AddDescription(new ProbeDescription());
  slide->AddDescription(new ProbeDescription());
  show.AddSlide(slide);
  slide->BuildRuntimeObjects();
  std::vector<ProbeDraw> log;
  auto probe = [&](int i) { return static_cast<ProbeObject*>(slide->RuntimeObjects()[i].get()); };
  const struct {
    const char* name;
    bool postPass;
    UINT x;
    D3DCOLOR colour;
  } setup[] = {{"P2", true, 200, 0xFF0000FF}, {"N", false, 120, 0xFFFF0000}, {"P1", true, 40, 0xFF00FF00}};
  for (int i = 0; i < 3; ++i) {
    ProbeObject* p = probe(i);
    p->name = setup[i].name;
    p->postPass = setup[i].postPass;
    p->log = &log;
    const UINT x = setup[i].x;
    const D3DCOLOR colour = setup[i].colour;
    const bool post = setup[i].postPass;
    p->onRender = [x, colour, post](DS_ABRender& context) {
      if (post) DrawBackground(context.GetBackgroundTexture());
      DrawSquare(x, colour);
    };
  }
  EXPECT_EQ(slide->CountSceneReaders(), 2u);

  auto checkFrame = [&] {
    ReadBack();
    ExpectPixel(40, 40, {0, 255, 0}, 2);    // P1, carried through P2's background
    ExpectPixel(120, 40, {255, 0, 0}, 2);   // N, drawn off-screen between the two
    ExpectPixel(200, 40, {0, 0, 255}, 2);   // P2, on the back buffer
    ExpectPixel(160, 150, {200, 100, 50}, 2);  // the picture under everything
    ExpectPixel(300, 190, {200, 100, 50}, 2);
  };

  // The references held on the picture before any frame: the background slot takes one of
  // its own while it holds the picture, and gives it back on device loss.
  IDirect3DTexture9* picture = slide->Layer()->Picture().texture;
  auto references = [](IUnknown* u) {
    u->AddRef();
    return u->Release();
  };
  const ULONG pictureReferences = references(picture);

  float t = 100.0f;
  for (int frame = 0; frame < 3; ++frame) {
    log.clear();
    show.UpdateFrame(t += 0.05f);
    RenderFrame(show);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].name, "P1");
    EXPECT_EQ(log[1].name, "N");
    EXPECT_EQ(log[2].name, "P2");
    // Post-pass objects read the scene so far; the plain one reads the picture.
    EXPECT_NE(log[0].background, picture);
    EXPECT_EQ(log[1].background, picture);
    EXPECT_NE(log[2].background, picture);
    EXPECT_NE(log[2].background, log[0].background);
    EXPECT_FALSE(slide->Layer()->OffscreenActive());
    checkFrame();
  }

  // The device is lost and reset between post-pass frames: every DEFAULT-pool object must
  // be gone for Reset to succeed, and drawing must come back whole.
  for (int cycle = 0; cycle < 3; ++cycle) {
    SCOPED_TRACE(testing::Message() << "reset cycle " << cycle);
    if (cycle == 1) {
      // Lost in the middle of a frame, while the off-screen target is bound.
      ASSERT_EQ(m_Device->BeginScene(), D3D_OK);
      slide->Layer()->BeginOffscreen();
      slide->Layer()->DrawPicture(false);
      EXPECT_TRUE(slide->Layer()->OffscreenActive());
      m_Device->EndScene();
    }
    show.OnDeviceLost();
    g_DocResManager->OnDeviceLost();
    EXPECT_EQ(references(picture), pictureReferences);
    ASSERT_EQ(m_Dev.Reset(), D3D_OK);
    show.OnDeviceReset();
    for (int frame = 0; frame < 2; ++frame) {
      show.UpdateFrame(t += 0.05f);
      RenderFrame(show);
      checkFrame();
    }
  }

  // A hidden post-pass object draws nothing and reads nothing: the pass ends at the last
  // shown one, or never begins, and the picture always reaches the back buffer.
  const Rgb orange{200, 100, 50};
  const struct {
    bool p2Shown, p1Shown;
  } hidden[] = {{false, true}, {true, false}, {false, false}};
  for (const auto& h : hidden) {
    SCOPED_TRACE(testing::Message() << "P2 shown " << h.p2Shown << ", P1 shown " << h.p1Shown);
    probe(0)->SetVisible(h.p2Shown);
    probe(2)->SetVisible(h.p1Shown);
    EXPECT_EQ(slide->CountSceneReaders(), unsigned(h.p2Shown) + unsigned(h.p1Shown));
    RenderFrame(show);  // no update: the time lines would show the probes again
    ReadBack();
    ExpectPixel(40, 40, h.p1Shown ? Rgb{0, 255, 0} : orange, 2);
    ExpectPixel(120, 40, {255, 0, 0}, 2);
    ExpectPixel(200, 40, h.p2Shown ? Rgb{0, 0, 255} : orange, 2);
    ExpectPixel(160, 150, orange, 2);
    EXPECT_FALSE(slide->Layer()->OffscreenActive());
  }
  show.OnDeviceLost();
  EXPECT_EQ(references(picture), pictureReferences);
}

TEST_F(DeviceTest, WithoutItsTargetsTheLayerDrawsStraightToTheBackBuffer) {
  // No render-target pair (as after a failed reset): the pass cannot begin, the scene is
  // drawn on the back buffer, and resolving must not clear it away.
  StorePicture(L"orange.png", Solid(32, 20, kOrange));
  DS_2D_Light layer;
  layer.PictureLink().StoreKey(L"orange.png", 1);
  layer.CreateDeviceObjects();
  layer.Resize(kW, kH);
  layer.SetViewMode(0);
  layer.OnDeviceReset();  // the fixed states
  layer.OnDeviceLost();   // and no targets
  ASSERT_EQ(m_Device->BeginScene(), D3D_OK);
  layer.BeginOffscreen();
  EXPECT_FALSE(layer.OffscreenActive());
  layer.DrawPicture(false);
  EXPECT_EQ(layer.GetOffscreenTexture(), nullptr);
  layer.ResolveOffscreen(true);
  m_Device->EndScene();
  ReadBack();
  ExpectPixel(160, 100, {200, 100, 50}, 2);
}

// ---------------------------------------------------------------------------------------
// The demo scene, embedded in this test program as "DDS" 107 like in the player.

std::string ProgramResourceText(const wchar_t* type, int id) {
  HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(id), type);
  if (!info) return std::string();
  HGLOBAL h = LoadResource(nullptr, info);
  const char* p = static_cast<const char*>(LockResource(h));
  return p ? std::string(p, SizeofResource(nullptr, info)) : std::string();
}

TEST_F(DeviceTest, DemoSceneLoadsAndRendersItsFirstSlide) {
  delete g_DocResManager;
  g_DocResManager = nullptr;
  std::unique_ptr<DS_SlideShow_Light> show(LoadEmbeddedDocument());
  ASSERT_NE(show, nullptr);
  ASSERT_NE(g_DocResManager, nullptr);
  ASSERT_GE(show->Slides().size(), 3u);
  bool cameraModes[3] = {false, false, false};
  bool neverAdvances = false;
  for (const auto& s : show->Slides()) {
    ASSERT_TRUE(s->HasLayer());
    const int m = s->Layer()->Camera().mode.Get();
    if (m >= 0 && m < 3) cameraModes[m] = true;
    neverAdvances = neverAdvances || s->mode.Get() == 1;
  }
  EXPECT_TRUE(cameraModes[0] && cameraModes[1] && cameraModes[2]);
  EXPECT_TRUE(neverAdvances);

  for (const auto& s : show->Slides()) s->BuildRuntimeObjects();
  for (const auto& s : show->Slides()) EXPECT_GT(s->Layer()->GetWidth(), 0u) << "picture missing";
  show->SetPicturePosition(1);
  show->UpdateFrame(100.0f);
  EXPECT_EQ(show->CurrentSlide(), show->Slides()[0].get());
  RenderFrame(*show);
  ReadBack();

  // The probes: points of the first picture with the colour painted there.
  std::istringstream probes(ProgramResourceText(L"PROBES", 1));
  std::string line;
  int checked = 0;
  while (std::getline(probes, line)) {
    if (line.empty() || line[0] == '#' || line.rfind("picture", 0) == 0) continue;
    float fx = 0, fy = 0;
    int r = 0, g = 0, b = 0;
    if (std::sscanf(line.c_str(), "%f %f %d %d %d", &fx, &fy, &r, &g, &b) != 5) continue;
    // The picture has the back buffer's aspect, so fit mode fills the whole target.
    ExpectPixel(UINT(fx * kW), UINT(fy * kH), Rgb{r, g, b}, 6);
    ++checked;
  }
  EXPECT_GE(checked, 4);

  // The show goes on through every slide, each seen through its camera, and stays on the
  // one that never advances.
  struct Stop {
    float t;
    size_t slide;
    bool cameraMoves;
  };
  const Stop stops[] = {{120.0f, 1, true}, {136.0f, 2, true}, {150.0f, 3, true}, {300.0f, 3, true}};
  float t = 100.0f;
  for (const Stop& stop : stops) {
    SCOPED_TRACE(testing::Message() << "t = " << stop.t);
    while (t < stop.t) show->UpdateFrame(t += 0.1f);
    EXPECT_EQ(show->CurrentSlide(), show->Slides()[stop.slide].get());
    EXPECT_EQ(g_StageView->offsetEnabled, stop.cameraMoves);
    EXPECT_TRUE(std::isfinite(g_StageView->offsetX) && std::isfinite(g_StageView->offsetY));
    RenderFrame(*show);
    ReadBack();
    const Rgb centre = Pixel(kW / 2, kH / 2);
    EXPECT_GT(centre.r + centre.g + centre.b, 30) << centre;          // not faded out
    EXPECT_FALSE(centre.r == 0xF0 && centre.g == 0x0F) << centre;     // a picture, not the clear
  }
  show->OnDeviceLost();
  show.reset();
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The render interface, driven by test-only geometry. The layer's picture is 320 x 200
// stretched over the 320 x 200 target, so picture pixels are back-buffer pixels.

// Counts the calls of a pass loop; sets no state, so the draw shows with the states the
// test left.
struct RecordingEffect final : Effect {
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  HRESULT SetTechnique(const char*) override { return S_OK; }
  HRESULT SetTexture(const char*, IDirect3DBaseTexture9*) override { return S_OK; }
  HRESULT SetFloat(const char*, float) override { return S_OK; }
  HRESULT SetFloatArray(const char*, const float*, UINT) override { return S_OK; }
  HRESULT SetMatrix(const char*, const D3DXMATRIX*) override { return S_OK; }
  HRESULT Begin(UINT* p, DWORD) override {
    *p = passes;
    ++begins;
    return S_OK;
  }
  HRESULT BeginPass(UINT i) override {
    passLog.push_back(i);
    return S_OK;
  }
  HRESULT CommitChanges() override { return S_OK; }
  HRESULT EndPass() override {
    ++endPasses;
    return S_OK;
  }
  HRESULT End() override {
    ++ends;
    return S_OK;
  }
  HRESULT OnLostDevice() override { return S_OK; }
  HRESULT OnResetDevice() override { return S_OK; }
  ULONG refs = 1;
  UINT passes = 2;
  int begins = 0, endPasses = 0, ends = 0;
  std::vector<UINT> passLog;
};

class RenderInterfaceTest : public DeviceTest {
protected:
  void SetUp() override {
    DeviceTest::SetUp();
    StorePicture(L"black.png", Solid(kW, kH, 0xFF000000));
    MakeLayer(L"black.png");
    m_White = Solid(1, 1, 0xFFFFFFFF);
    m_Blue = Solid(1, 1, 0xFF0000FF);
  }
  void TearDown() override {
    for (IUnknown* u : m_Owned) u->Release();
    m_White->Release();
    m_Blue->Release();
    m_Layer.reset();
    DeviceTest::TearDown();
  }
  void Begin(D3DCOLOR clear = 0xFF000000) {
    m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, clear, 1.0f, 0);
    ASSERT_EQ(m_Device->BeginScene(), D3D_OK);
  }
  void End() {
    m_Device->EndScene();
    ReadBack();
  }
  template <class V>
  IDirect3DVertexBuffer9* Vertices(const std::vector<V>& v) {
    IDirect3DVertexBuffer9* vb = nullptr;
    EXPECT_EQ(m_Device->CreateVertexBuffer(UINT(v.size() * sizeof(V)), 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    void* p = nullptr;
    vb->Lock(0, 0, &p, 0);
    memcpy(p, v.data(), v.size() * sizeof(V));
    vb->Unlock();
    m_Owned.push_back(vb);
    return vb;
  }
  // A quad-list mesh built the way sprite geometry builds its own (the shared buffers,
  // index pattern and counts), with the vertices copied in under one lock.
  template <class V>
  void QuadList(DS_IndexedMesh<V>& mesh, const std::vector<V>& v) {
    ASSERT_TRUE(CreateQuadListBuffers(mesh, UINT(v.size() / 4)));
    void* p = nullptr;
    ASSERT_EQ(mesh.vertexBuffer->Lock(0, 0, &p, 0), D3D_OK);
    memcpy(p, v.data(), v.size() * sizeof(V));
    mesh.vertexBuffer->Unlock();
  }
  // A quad's corners in strip order (bottom left, top left, bottom right, top right).
  static void Corners(float x0, float y0, float x1, float y1, float (&out)[4][2]) {
    const float c[4][2] = {{x0, y1}, {x0, y0}, {x1, y1}, {x1, y0}};
    memcpy(out, c, sizeof c);
  }
  std::vector<DX_V::PCT> PctQuads(const std::vector<std::array<float, 4>>& rects, D3DCOLOR colour) {
    std::vector<DX_V::PCT> v;
    for (const auto& r : rects) {
      float c[4][2];
      Corners(r[0], r[1], r[2], r[3], c);
      for (auto& p : c) v.push_back(DX_V::PCT{p[0], p[1], 0.0f, colour, 0.5f, 0.5f});
    }
    return v;
  }
  std::vector<DX_V::PNT> PntQuad(float x0, float y0, float x1, float y1) {
    std::vector<DX_V::PNT> v;
    float c[4][2];
    Corners(x0, y0, x1, y1, c);
    for (auto& p : c) v.push_back(DX_V::PNT{p[0], p[1], 0.0f, 0, 0, -1, 0.5f, 0.5f});
    return v;
  }

  IDirect3DTexture9* m_White = nullptr;
  IDirect3DTexture9* m_Blue = nullptr;
  std::vector<IUnknown*> m_Owned;
};

TEST_F(RenderInterfaceTest, QuadRangeDrawsOnlyItsQuads) {
  DS_IndexedMesh<DX_V::PCT> mesh;
  const auto v = PctQuads({{{20, 20, 80, 80}}, {{120, 20, 180, 80}}, {{220, 20, 280, 80}}}, 0xFFFF8000);
  QuadList(mesh, v);
  Begin();
  m_Device->SetTexture(0, m_White);  // the fixed-pipeline path draws with the bound texture
  Effect* none = nullptr;
  m_Layer->DrawQuadRange(mesh, &none, 1, 1);
  End();
  ExpectPixel(50, 50, {0, 0, 0}, 0);
  ExpectPixel(150, 50, {255, 128, 0}, 2);
  ExpectPixel(250, 50, {0, 0, 0}, 0);

  // Through an effect: every pass of its technique, around the same range.
  RecordingEffect effect;
  Effect* e = &effect;
  Begin();
  m_Device->SetTexture(0, m_White);
  m_Layer->DrawQuadRange(mesh, &e, 0, 2);
  End();
  EXPECT_EQ(effect.passLog, std::vector<UINT>({0, 1}));
  EXPECT_EQ(effect.ends, 1);
  ExpectPixel(50, 50, {255, 128, 0}, 2);
  ExpectPixel(150, 50, {255, 128, 0}, 2);
  ExpectPixel(250, 50, {0, 0, 0}, 0);
}

// A quad list made as sprite geometry makes it (shared buffers and counts, vertices from
// plain arrays) draws through DrawMesh: the indexed draw reads the indexed count that the
// buffers were made with, not the plain count, which quad lists leave at 0.
TEST_F(RenderInterfaceTest, SpriteBuiltQuadListDrawsThroughDrawMesh) {
  DS_IndexedMesh<DX_V::PCT> mesh;
  ASSERT_TRUE(CreateQuadListBuffers(mesh, 3));
  QuadListVertices quads;
  quads.Resize(3);
  const D3DCOLOR colours[3] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
  for (UINT i = 0; i < 3; ++i) {
    // 40 x 60 sprites from (20 + 100 i, 30), each sampling the white texture.
    quads.SetCorners(i, D3DXVECTOR3(20.0f + 100.0f * float(i), 30.0f, 0.0f), D3DXVECTOR3(40, 0, 0),
                     D3DXVECTOR3(0, 60, 0));
    quads.SetColor(i, colours[i]);
    quads.SetTexCoords(i, 0, 1, 0, 1);
  }
  // Only the first two quads reach the buffer; the third keeps what the buffer held.
  ASSERT_TRUE(quads.Upload(mesh, 2));
  RecordingEffect effect;
  effect.passes = 1;
  Effect* e = &effect;
  Begin();
  m_Device->SetTexture(0, m_White);
  m_Device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  m_Layer->DrawMesh(mesh, &e);
  End();
  ExpectPixel(40, 60, {255, 0, 0}, 2);
  ExpectPixel(140, 60, {0, 255, 0}, 2);
  ExpectPixel(21, 31, {255, 0, 0}, 2);   // near the top-left corner: inside
  ExpectPixel(58, 88, {255, 0, 0}, 2);   // near the bottom-right corner: inside
  ExpectPixel(62, 60, {0, 0, 0}, 0);     // right of the first sprite
  ExpectPixel(40, 95, {0, 0, 0}, 0);     // below it
  ExpectPixel(80, 60, {0, 0, 0}, 0);     // between the sprites
  EXPECT_EQ(effect.passLog, std::vector<UINT>({0}));

  // The buffers are reused: the third quad uploaded too, and drawn by a quad range alone.
  ASSERT_TRUE(quads.Upload(mesh, 3));
  Begin();
  m_Device->SetTexture(0, m_White);
  Effect* none = nullptr;
  m_Layer->DrawQuadRange(mesh, &none, 2, 1);
  End();
  ExpectPixel(240, 60, {0, 0, 255}, 2);
  ExpectPixel(40, 60, {0, 0, 0}, 0);
}

TEST_F(RenderInterfaceTest, EffectDrawsSkipANullEffect) {
  DS_IndexedMesh<DX_V::PCT> pct;
  const auto v = PctQuads({{{20, 20, 300, 180}}}, 0xFF00FF00);
  QuadList(pct, v);
  DS_SimpleMesh<DX_V::PT> pt;
  std::vector<DX_V::PT> ptv;
  float c[4][2];
  Corners(20, 20, 300, 180, c);
  for (auto& p : c) ptv.push_back(DX_V::PT{p[0], p[1], 0, 0.5f, 0.5f});
  pt.SetVertexBuffer(Vertices(ptv), nullptr, 4, D3DPT_TRIANGLESTRIP, 2);
  DS_IndexedMesh<DX_V::PT> ptIndexed;
  QuadList(ptIndexed, ptv);

  const std::function<void(Effect**)> draws[] = {
      [&](Effect** e) { m_Layer->DrawMesh(pct, e); },
      [&](Effect** e) { m_Layer->Draw(pt, e); },
      [&](Effect** e) { m_Layer->DrawIndexed(ptIndexed, e); },
  };
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    Effect* none = nullptr;
    Begin();
    m_Device->SetTexture(0, m_Blue);
    draws[i](&none);
    draws[i](nullptr);
    End();
    ExpectPixel(160, 100, {0, 0, 0}, 0);
    RecordingEffect effect;
    Effect* e = &effect;
    Begin();
    m_Device->SetTexture(0, m_Blue);
    draws[i](&e);
    End();
    EXPECT_EQ(effect.passLog.size(), 2u);
    ExpectPixel(160, 100, {0, 0, 255}, 2);  // stage 0 selects the texture after a reset
  }
}

TEST_F(RenderInterfaceTest, SpriteArrayBlendModesAndOverlay) {
  DS_IndexedMesh<DX_V::PCT> mesh;
  const auto v = PctQuads({{{100, 50, 220, 150}}}, 0xFF800000);  // (128, 0, 0)
  QuadList(mesh, v);
  struct Case {
    int blend;
    IDirect3DTexture9* overlay;
    Rgb want;
  };
  const Case cases[] = {
      {0, nullptr, {128, 0, 0}},    // alpha blended over the green clear
      {1, nullptr, {128, 100, 0}},  // additive
      {0, m_Blue, {0, 0, 255}},     // the overlay texture drawn over it, alpha blended
      {1, m_Blue, {128, 0, 255}},   // an overlay makes the sprites blend; the overlay adds
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "blend " << c.blend << " overlay " << (c.overlay != nullptr));
    DS_SpriteArrayView sprites;
    sprites.geometry = DS_MeshView::Of(mesh);
    sprites.frameTexture = m_White;
    sprites.spriteCount = 1;
    sprites.blendMode = c.blend;
    sprites.overlay = c.overlay;
    Begin(0xFF006400);  // (0, 100, 0)
    m_Layer->DrawSpriteArray(sprites);
    DWORD blend = TRUE, dest = 0;
    m_Device->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
    m_Device->GetRenderState(D3DRS_DESTBLEND, &dest);
    End();
    ExpectPixel(160, 100, c.want, 2);
    ExpectPixel(20, 20, {0, 100, 0}, 0);
    EXPECT_EQ(blend, DWORD(FALSE));
    EXPECT_EQ(dest, DWORD(D3DBLEND_INVSRCALPHA));
  }
}

TEST_F(RenderInterfaceTest, MeshPartsAndArraysDrawEveryFrameWithItsWinding) {
  // Strip-ordered corners wind clockwise on the screen: drawn under CULL_CCW, culled under
  // CULL_CW.
  DS_IndexedMesh<DX_V::PNT> mesh;
  QuadList(mesh, PntQuad(0, 0, 40, 40));
  DS_Frame left, right;
  D3DXMatrixTranslation(&left.world, 40, 80, 0);
  D3DXMatrixTranslation(&right.world, 200, 80, 0);
  std::list<DS_Frame*> frames = {&left, &right};
  struct Case {
    bool translucent;
    BYTE winding;
    bool visible;
  };
  const Case cases[] = {{false, 1, true}, {false, 0, false}, {true, 1, true}, {true, 0, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "translucent " << c.translucent << " winding " << int(c.winding));
    left.winding = right.winding = c.winding;
    DS_3DPartView part;
    part.mesh = DS_MeshView::Of(mesh);
    part.texture = m_Blue;
    part.translucent = c.translucent;
    part.frames = &frames;
    Begin();
    m_Layer->DrawMeshPart(part);
    End();
    const Rgb want = c.visible ? Rgb{0, 0, 255} : Rgb{0, 0, 0};
    ExpectPixel(60, 100, want, 2);
    ExpectPixel(220, 100, want, 2);
    ExpectPixel(150, 100, {0, 0, 0}, 0);
  }
  // A mesh array draws both faces of each instance, and nothing without instances.
  DS_MeshArrayView array;
  array.mesh = DS_MeshView::Of(mesh);
  array.texture = m_Blue;
  Begin();
  m_Layer->DrawMeshArray(array);
  End();
  ExpectPixel(60, 100, {0, 0, 0}, 0);
  mesh.children = {&left, &right};
  left.winding = right.winding = 0;
  Begin();
  m_Layer->DrawMeshArray(array);
  End();
  ExpectPixel(60, 100, {0, 0, 255}, 2);
  ExpectPixel(220, 100, {0, 0, 255}, 2);
  mesh.children.clear();
}

TEST_F(RenderInterfaceTest, TexturedQuadUpdatesThenDrawsWithTheTextureAlpha) {
  struct Quad final : DS_TexturedQuadObj {
    void Update(float v) override { values.push_back(v); }
    DS_MeshView GetMesh() override { return DS_MeshView::Of(mesh); }
    IDirect3DTexture9* GetTexture() override { return texture; }
    DS_IndexedMesh<DX_V::PT> mesh;
    IDirect3DTexture9* texture = nullptr;
    std::vector<float> values;
  } quad;
  std::vector<DX_V::PT> v;
  float c[4][2];
  Corners(40, 40, 280, 160, c);
  for (auto& p : c) v.push_back(DX_V::PT{p[0], p[1], 0, 0.5f, 0.5f});
  QuadList(quad.mesh, v);
  IDirect3DTexture9* halfRed = Solid(1, 1, 0x80FF0000);
  quad.texture = halfRed;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  m_Device->SetTransform(D3DTS_WORLD, &identity);  // the operation keeps the WORLD set before
  Begin(0xFF0000FF);
  m_Layer->DrawTexturedQuad(quad, 0.25f, 99);
  End();
  halfRed->Release();
  EXPECT_EQ(quad.values, std::vector<float>({0.25f}));
  ExpectPixel(160, 100, {128, 0, 127}, 3);  // half red over blue
  ExpectPixel(10, 10, {0, 0, 255}, 0);
}

// What each operation leaves on the device: the states it sets and those it restores. Each
// state is set to another value first, so a state the operation does not touch shows.
TEST_F(RenderInterfaceTest, StatesEachOperationLeaves) {
  enum Kind { kRender, kStage0, kSampler0 };
  struct Check {
    Kind kind;
    DWORD state, poison, want;
  };
  auto set = [&](const Check& c, DWORD value) {
    if (c.kind == kRender) m_Device->SetRenderState(D3DRENDERSTATETYPE(c.state), value);
    if (c.kind == kStage0) m_Device->SetTextureStageState(0, D3DTEXTURESTAGESTATETYPE(c.state), value);
    if (c.kind == kSampler0) m_Device->SetSamplerState(0, D3DSAMPLERSTATETYPE(c.state), value);
  };
  auto get = [&](const Check& c) {
    DWORD value = 0xDEADBEEF;
    if (c.kind == kRender) m_Device->GetRenderState(D3DRENDERSTATETYPE(c.state), &value);
    if (c.kind == kStage0) m_Device->GetTextureStageState(0, D3DTEXTURESTAGESTATETYPE(c.state), &value);
    if (c.kind == kSampler0) m_Device->GetSamplerState(0, D3DSAMPLERSTATETYPE(c.state), &value);
    return value;
  };

  DS_IndexedMesh<DX_V::PCT> pct;
  const auto v = PctQuads({{{20, 20, 80, 80}}}, 0xFFFFFFFF);
  QuadList(pct, v);
  DS_IndexedMesh<DX_V::PNT> pnt;
  QuadList(pnt, PntQuad(0, 0, 40, 40));
  DS_Frame instance;
  std::list<DS_Frame*> frames = {&instance};
  struct Quad final : DS_TexturedQuadObj {
    void Update(float) override {}
    DS_MeshView GetMesh() override { return view; }
    IDirect3DTexture9* GetTexture() override { return nullptr; }
    DS_MeshView view;
  } texturedQuad;
  DS_IndexedMesh<DX_V::PT> pt;
  std::vector<DX_V::PT> ptv(4, DX_V::PT{0, 0, 0, 0, 0});
  QuadList(pt, ptv);
  texturedQuad.view = DS_MeshView::Of(pt);
  DS_ScreenQuad fade, icons;
  QuadVertices whole;
  whole.SetRect(0, 0, float(kW), float(kH));
  fade.BuildColorQuad(0x80000000, whole);
  icons.BuildTexturedQuad(m_White, whole);

  const DWORD T = TRUE, F = FALSE;
  struct Case {
    const char* name;
    std::function<void()> op;
    std::vector<Check> checks;
  };
  const Case cases[] = {
      {"DrawQuadRange without an effect",
       [&] {
         Effect* none = nullptr;
         m_Layer->DrawQuadRange(pct, &none, 0, 1);
       },
       {{kRender, D3DRS_ALPHABLENDENABLE, F, T},
        {kRender, D3DRS_SRCBLEND, D3DBLEND_ONE, D3DBLEND_SRCALPHA},
        {kRender, D3DRS_DESTBLEND, D3DBLEND_ONE, D3DBLEND_INVSRCALPHA},
        {kStage0, D3DTSS_COLOROP, D3DTOP_SELECTARG1, D3DTOP_MODULATE},
        {kStage0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1, D3DTOP_MODULATE},
        {kStage0, D3DTSS_COLORARG1, D3DTA_DIFFUSE, D3DTA_TEXTURE},
        {kStage0, D3DTSS_COLORARG2, D3DTA_CURRENT, D3DTA_DIFFUSE}}},
      {"DrawMeshPart",
       [&] {
         DS_3DPartView part;
         part.mesh = DS_MeshView::Of(pnt);
         part.translucent = true;
         part.frames = &frames;
         m_Layer->DrawMeshPart(part);
       },
       {{kRender, D3DRS_CULLMODE, D3DCULL_CW, D3DCULL_NONE}, {kRender, D3DRS_ALPHABLENDENABLE, T, F}}},
      {"DrawMeshArray",
       [&] {
         pnt.children = {&instance};
         DS_MeshArrayView array;
         array.mesh = DS_MeshView::Of(pnt);
         m_Layer->DrawMeshArray(array);
         pnt.children.clear();
       },
       {{kRender, D3DRS_CULLMODE, D3DCULL_CW, D3DCULL_NONE},
        {kRender, D3DRS_ALPHABLENDENABLE, T, F},
        {kStage0, D3DTSS_COLOROP, D3DTOP_MODULATE, D3DTOP_SELECTARG1},
        {kStage0, D3DTSS_ALPHAOP, D3DTOP_MODULATE, D3DTOP_SELECTARG1}}},
      {"DrawTexturedQuad",
       [&] { m_Layer->DrawTexturedQuad(texturedQuad, 1.0f, 0); },
       {{kRender, D3DRS_ALPHABLENDENABLE, T, F},
        {kRender, D3DRS_CULLMODE, D3DCULL_CW, D3DCULL_NONE},
        {kRender, D3DRS_ZENABLE, T, F},
        {kRender, D3DRS_TEXTUREFACTOR, 0, 0xFFFFFFFF},
        {kStage0, D3DTSS_COLOROP, D3DTOP_MODULATE, D3DTOP_SELECTARG1},
        {kStage0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1, D3DTOP_MODULATE},
        {kStage0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE, D3DTA_TEXTURE},
        {kStage0, D3DTSS_COLORARG2, D3DTA_CURRENT, D3DTA_DIFFUSE},
        {kStage0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR, D3DTA_DIFFUSE},
        {kStage0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2, D3DTTFF_DISABLE}}},
      {"DrawFadeQuad",
       [&] { m_Layer->DrawFadeQuad(&fade); },
       {{kRender, D3DRS_ALPHABLENDENABLE, F, T},  // blending stays on
        {kStage0, D3DTSS_COLORARG1, D3DTA_CURRENT, D3DTA_TEXTURE},
        {kStage0, D3DTSS_ALPHAARG1, D3DTA_CURRENT, D3DTA_TEXTURE}}},
      {"DrawScreenQuad",
       [&] { m_Layer->DrawScreenQuad(&icons); },
       {{kRender, D3DRS_ALPHABLENDENABLE, F, T},
        {kRender, D3DRS_SRCBLEND, D3DBLEND_ONE, D3DBLEND_SRCALPHA},
        {kRender, D3DRS_DESTBLEND, D3DBLEND_ONE, D3DBLEND_INVSRCALPHA},
        {kRender, D3DRS_ZENABLE, T, F},
        {kStage0, D3DTSS_ALPHAOP, D3DTOP_MODULATE, D3DTOP_SELECTARG1}}},
      {"OnDeviceReset",
       [&] { m_Layer->OnDeviceReset(); },
       {{kRender, D3DRS_ZENABLE, T, F},
        {kRender, D3DRS_ZWRITEENABLE, T, F},
        {kRender, D3DRS_LIGHTING, T, F},
        {kRender, D3DRS_SRCBLEND, D3DBLEND_ONE, D3DBLEND_SRCALPHA},
        {kRender, D3DRS_DESTBLEND, D3DBLEND_ONE, D3DBLEND_INVSRCALPHA},
        {kSampler0, D3DSAMP_MINFILTER, D3DTEXF_POINT, D3DTEXF_LINEAR},
        {kSampler0, D3DSAMP_MAGFILTER, D3DTEXF_POINT, D3DTEXF_LINEAR},
        {kSampler0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP, D3DTADDRESS_MIRROR},
        {kSampler0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP, D3DTADDRESS_MIRROR},
        {kStage0, D3DTSS_COLOROP, D3DTOP_MODULATE, D3DTOP_SELECTARG1},
        {kStage0, D3DTSS_COLORARG1, D3DTA_DIFFUSE, D3DTA_TEXTURE},
        {kStage0, D3DTSS_COLORARG2, D3DTA_CURRENT, D3DTA_DIFFUSE}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const Check& check : c.checks) set(check, check.poison);
    Begin();
    c.op();
    End();
    for (const Check& check : c.checks) EXPECT_EQ(get(check), check.want) << "state " << check.state;
  }
  DWORD stage1 = 0;
  m_Device->GetTextureStageState(1, D3DTSS_COLOROP, &stage1);
  EXPECT_EQ(stage1, DWORD(D3DTOP_DISABLE));
}
