// Rendering logic that needs no device: layout quads, the stage view in every fit mode,
// stage coordinates, frame transforms, noise, grids and texture-set frame stepping.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "core/render/D3DUtil.h"
#include "core/render/Frame.h"
#include "core/render/Grid.h"
#include "core/render/Noise.h"
#include "core/render/QuadList.h"
#include "core/render/RenderMath.h"
#include "core/render/ScreenQuad.h"
#include "core/render/StageView.h"
#include "core/render/TextureSet.h"

namespace {

DS_TextureRecord Picture(UINT w, UINT h)
{
  DS_TextureRecord r;
  r.Assign(nullptr, w, h);
  return r;
}

struct Rect {
  float left, top, right, bottom;
};

void ExpectQuad(const QuadVertices& q, Rect r, const char* what)
{
  SCOPED_TRACE(what);
  // Vertex 0 bottom left, 1 top left, 2 bottom right, 3 top right.
  EXPECT_FLOAT_EQ(q[0].x, r.left);
  EXPECT_FLOAT_EQ(q[0].y, r.bottom);
  EXPECT_FLOAT_EQ(q[1].x, r.left);
  EXPECT_FLOAT_EQ(q[1].y, r.top);
  EXPECT_FLOAT_EQ(q[2].x, r.right);
  EXPECT_FLOAT_EQ(q[2].y, r.bottom);
  EXPECT_FLOAT_EQ(q[3].x, r.right);
  EXPECT_FLOAT_EQ(q[3].y, r.top);
  const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(q[i].z, 1.0f);
    EXPECT_FLOAT_EQ(q[i].u, uv[i][0]);
    EXPECT_FLOAT_EQ(q[i].v, uv[i][1]);
  }
}

D3DXVECTOR3 Transform(const D3DXMATRIX& m, float x, float y, float z = 0.0f)
{
  D3DXVECTOR3 in(x, y, z), out;
  D3DXVec3TransformCoord(&out, &in, &m);
  return out;
}

D3DXMATRIX Translation(float x, float y, float z)
{
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}

void ExpectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float eps = 1e-4f)
{
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(a(r, c), b(r, c), eps) << "at " << r << "," << c;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Fitted and filled quads

TEST(LayoutQuads, FittedAndFilledTable)
{
  struct Case {
    const char* name;
    UINT pw, ph, W, H;
    Rect fit, fill;
  } cases[] = {
      {"same aspect", 800, 600, 1600, 1200, {0, 0, 1600, 1200}, {0, 0, 1600, 1200}},
      {"wider picture", 1000, 500, 800, 600, {0, 100, 800, 500}, {-200, 0, 1000, 600}},
      {"taller picture", 500, 1000, 800, 600, {250, 0, 550, 600}, {0, -500, 800, 1100}},
      {"square into square", 256, 256, 512, 512, {0, 0, 512, 512}, {0, 0, 512, 512}},
      // A picture that failed to load has no size: it is laid over the whole target
      // instead of producing infinities.
      {"no picture size", 0, 0, 640, 480, {0, 0, 640, 480}, {0, 0, 640, 480}},
      {"no picture height", 320, 0, 640, 480, {0, 0, 640, 480}, {0, 0, 640, 480}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectQuad(MakeFittedQuad(Picture(c.pw, c.ph), c.W, c.H), c.fit, "fit");
    ExpectQuad(MakeFilledQuad(Picture(c.pw, c.ph), c.W, c.H), c.fill, "fill");
  }
}

TEST(LayoutQuads, DefaultsAndBackBufferScaling)
{
  ExpectQuad(QuadVertices(), {0, 0, 0, 0}, "defaults");
  QuadVertices q = MakeFittedQuad(Picture(1000, 500), 800, 600);
  ScaleQuadToBackBuffer(q, 800, 600, 1600, 1200);
  ExpectQuad(q, {0, 200, 1600, 1000}, "scaled x2");
  // Without a back buffer (no device) the quad stays as it was.
  QuadVertices same = MakeFittedQuad(Picture(1000, 500), 800, 600);
  ScaleQuadToBackBuffer(same, 800, 600);
  ExpectQuad(same, {0, 100, 800, 500}, "no device");
}

// ---------------------------------------------------------------------------------------
// Stage view

TEST(StageView, LayoutsForEveryFitMode)
{
  // A 1000 x 500 picture shown whole (view = picture) in an 800 x 600 target, no device:
  // the camera then treats the back buffer as the render size.
  struct Case {
    int mode;
    Rect layout;     // where the visible picture lands on the target
    float zx, zy;    // the camera's fit zoom
    float tx, ty;    // and its zoom offsets
  } cases[] = {
      {kFitStretch, {0, 0, 800, 600}, 1.0f, 1.5f, 0.0f, -250.0f / 3.0f},
      {kFitFit, {0, 100, 800, 500}, 1.0f, 1.0f, 0.0f, 0.0f},
      // Fitted with its left edge at 0: the zoom comes from the vertical bars.
      {kFitFill, {-200, 0, 1000, 600}, 1.5f, 1.5f, -500.0f / 3.0f, -250.0f / 3.0f},
      {kFitOffscreen, {0, 0, 800, 600}, 1.0f, 1.5f, 0.0f, -250.0f / 3.0f},
      // Unknown modes lay out like stretch but zoom like fit.
      {7, {0, 0, 800, 600}, 1.0f, 1.0f, 0.0f, 0.0f},
  };
  const DS_TextureRecord picture = Picture(1000, 500);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    DS_StageView stage;
    stage.SetLayout(picture, 800, 600, picture, c.mode, false);
    EXPECT_EQ(stage.fitMode, c.mode);
    EXPECT_EQ(stage.screenWidth, 800u);
    EXPECT_FLOAT_EQ(stage.viewWidth, 1000.0f);
    D3DXVECTOR3 tl = Transform(stage.view, 0, 0), br = Transform(stage.view, 1000, 500);
    EXPECT_NEAR(tl.x, c.layout.left, 1e-3);
    EXPECT_NEAR(tl.y, c.layout.top, 1e-3);
    EXPECT_NEAR(br.x, c.layout.right, 1e-3);
    EXPECT_NEAR(br.y, c.layout.bottom, 1e-3);
    // The projection maps the target's pixels onto clip space with y downward.
    D3DXVECTOR3 p0 = Transform(stage.projection, 0, 0), p1 = Transform(stage.projection, 800, 600);
    EXPECT_NEAR(p0.x, -1.0f, 1e-5);
    EXPECT_NEAR(p0.y, 1.0f, 1e-5);
    EXPECT_NEAR(p1.x, 1.0f, 1e-5);
    EXPECT_NEAR(p1.y, -1.0f, 1e-5);

    const DS_StageCamera& cam = *stage.camera;
    EXPECT_EQ(cam.fitMode, c.mode);
    EXPECT_EQ(cam.fittedLeft, 0);
    EXPECT_EQ(cam.fittedTop, 100);
    EXPECT_EQ(cam.fittedRight, 800);
    EXPECT_EQ(cam.fittedBottom, 500);
    EXPECT_FLOAT_EQ(cam.picturePerRender, 1.25f);
    EXPECT_FLOAT_EQ(cam.backBufferPerQuadX, 1.0f);
    EXPECT_FLOAT_EQ(cam.backBufferPerQuadY, 1.5f);
    EXPECT_NEAR(cam.inverseZoomX, 1.0f / c.zx, 1e-6);
    EXPECT_NEAR(cam.inverseZoomY, 1.0f / c.zy, 1e-6);
    EXPECT_NEAR(cam.zoomOffsetX, c.tx, 1e-3);
    EXPECT_NEAR(cam.zoomOffsetY, c.ty, 1e-3);
    // The fit matrix puts picture pixels on the fitted quad.
    D3DXVECTOR3 f = Transform(cam.fitMatrix, 1000, 500);
    EXPECT_NEAR(f.x, 800.0f, 1e-3);
    EXPECT_NEAR(f.y, 500.0f, 1e-3);
  }
}

TEST(StageView, SameAspectGivesWholeTargetAndNoZoomInEveryMode)
{
  const DS_TextureRecord picture = Picture(400, 300);
  for (int mode : {0, 1, 2, 3}) {
    SCOPED_TRACE(mode);
    DS_StageView stage;
    stage.SetLayout(picture, 800, 600, picture, mode, false);
    D3DXVECTOR3 tl = Transform(stage.view, 0, 0), br = Transform(stage.view, 400, 300);
    EXPECT_NEAR(tl.x, 0, 1e-4);
    EXPECT_NEAR(tl.y, 0, 1e-4);
    EXPECT_NEAR(br.x, 800, 1e-3);
    EXPECT_NEAR(br.y, 600, 1e-3);
    EXPECT_FLOAT_EQ(stage.camera->inverseZoomX, 1.0f);
    EXPECT_FLOAT_EQ(stage.camera->inverseZoomY, 1.0f);
    EXPECT_FLOAT_EQ(stage.camera->zoomOffsetX, 0.0f);
    EXPECT_FLOAT_EQ(stage.camera->zoomOffsetY, 0.0f);
  }
}

TEST(StageView, FillModeTakesZoomFromHorizontalBarsWhenFittedLeftIsNotZero)
{
  DS_StageView stage;
  const DS_TextureRecord picture = Picture(500, 1000);  // fitted 250..550 across 800
  stage.SetLayout(picture, 800, 600, picture, kFitFill, false);
  EXPECT_NEAR(stage.camera->inverseZoomX, 300.0f / 800.0f, 1e-6);
  EXPECT_NEAR(stage.camera->inverseZoomY, 300.0f / 800.0f, 1e-6);
  EXPECT_FLOAT_EQ(stage.camera->picturePerRender, 1000.0f / 600.0f);
}

TEST(StageView, EmptyPictureLeavesFiniteMatrices)
{
  DS_StageView stage;
  stage.SetLayout(DS_TextureRecord(), 0, 0, DS_TextureRecord(), kFitFill, false);
  for (const D3DXMATRIX* m : {&stage.view, &stage.projection, &stage.camera->fitMatrix, &stage.camera->zoomMatrix})
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite((*m)[i]));
}

TEST(StageView, ViewTransformWorldOffsetAndDepth)
{
  const DS_TextureRecord picture = Picture(1000, 500);
  DS_StageView stage;
  stage.SetLayout(picture, 800, 600, picture, kFitFit, false);
  stage.SetZoomPan(2.0f, 0.1f, 0.0f);
  // Panned by a tenth of the view width, then zoomed 2 about the view's centre.
  D3DXVECTOR3 centre = Transform(stage.world, 500, 250);
  EXPECT_NEAR(centre.x, 700.0f, 1e-3);
  EXPECT_NEAR(centre.y, 250.0f, 1e-3);

  D3DXMATRIX object = Translation(10, 20, 0), out;
  stage.ApplyViewTransform(object, out);
  ExpectMatrixNear(out, object * stage.world);

  // With the offset on, the world (monitor zoom and pan) gives way to the offset, and the
  // depth shift follows it.
  stage.SetOffset(true, 400.0f, 200.0f, 1000, 500);
  EXPECT_FLOAT_EQ(stage.offsetX, 100.0f);
  EXPECT_FLOAT_EQ(stage.offsetY, 50.0f);
  stage.SetZoomOffset(3.0f);
  ExpectMatrixNear(stage.depthMatrix, Translation(200, 100, 0));
  stage.ApplyViewTransform(object, out);
  ExpectMatrixNear(out, object * Translation(100, 50, 0) * Translation(200, 100, 0));

  // Disabled again: the offset numbers are still written, but the world is back.
  stage.SetOffset(false, 0.0f, 0.0f, 1000, 500);
  EXPECT_FLOAT_EQ(stage.offsetX, 500.0f);
  stage.ApplyViewTransform(object, out);
  ExpectMatrixNear(out, object * stage.world);

  // Off-screen mode passes the object's own matrix through untouched.
  stage.SetOffset(true, 1.0f, 2.0f, 1000, 500);
  stage.SetLayout(picture, 800, 600, picture, kFitOffscreen, true);
  stage.ApplyViewTransform(object, out);
  ExpectMatrixNear(out, object, 0.0f);
}

TEST(StageView, BorderCornersReachBeyondTheView)
{
  DS_StageView stage;
  stage.SetLayout(Picture(100, 50), 800, 600, Picture(100, 50), kFitFit, false);
  const float expected[4][4][2] = {
      {{1100, -1000}, {1100, 0}, {-1000, -1000}, {-1000, 0}},
      {{-1000, -1000}, {0, -1000}, {-1000, 1050}, {0, 1050}},
      {{-1000, 1050}, {-1000, 50}, {1100, 1050}, {1100, 50}},
      {{1100, 1050}, {100, 1050}, {1100, -1000}, {100, -1000}},
  };
  for (int b = 0; b < 4; ++b) {
    D3DXVECTOR3 c[4];
    stage.BorderCorners(b, c);
    for (int i = 0; i < 4; ++i) {
      EXPECT_FLOAT_EQ(c[i].x, expected[b][i][0]) << b << "/" << i;
      EXPECT_FLOAT_EQ(c[i].y, expected[b][i][1]) << b << "/" << i;
      EXPECT_FLOAT_EQ(c[i].z, 0.0f);
    }
  }
  // Without vertex buffers the corners are simply not written.
  D3DXVECTOR3 c[4];
  stage.BorderCorners(0, c);
  EXPECT_FALSE(stage.borders[0].SetCorners(c));
}

TEST(StageView, CameraPanAndLinearTransform)
{
  DS_StageCamera cam;
  cam.SetLayout(Picture(1000, 500), 800, 600, kFitFit, true);
  cam.SetZoomPan(2.0f, 0.25f, -0.5f);
  EXPECT_FLOAT_EQ(cam.panX, -250.0f + 250.0f);
  EXPECT_FLOAT_EQ(cam.panY, -125.0f - 250.0f);
  EXPECT_FLOAT_EQ(cam.panZoom, 2.0f);
  D3DXMATRIX lin = cam.GetLinearTransform();
  EXPECT_FLOAT_EQ(lin._41, 0.0f);
  EXPECT_FLOAT_EQ(lin._42, 0.0f);
  EXPECT_FLOAT_EQ(lin._11, 2.0f);
  EXPECT_FLOAT_EQ(lin._22, 2.0f);
}

// ---------------------------------------------------------------------------------------
// Stage coordinates

TEST(ScreenLayout, ToStageCoordinatesTable)
{
  struct Case {
    const char* name;
    int mode;
    float zoom, px, py;  // monitor zoom and pan
    float x, y;          // back-buffer point
    float ex, ey;        // picture point
  } cases[] = {
      {"fit, top left of the picture", kFitFit, 1, 0, 0, 0, 100, 0, 0},
      {"fit, bottom right", kFitFit, 1, 0, 0, 800, 500, 1000, 500},
      {"fit, centre", kFitFit, 1, 0, 0, 400, 300, 500, 250},
      {"fill keeps the centre", kFitFill, 1, 0, 0, 400, 300, 500, 250},
      {"fill crops a sixth each side", kFitFill, 1, 0, 0, 0, 300, 1000.0f / 6.0f, 250},
      {"zoom 2 keeps the centre", kFitFit, 2, 0, 0, 400, 300, 500, 250},
      {"zoom 2 shows the middle half", kFitFit, 2, 0, 0, 0, 100, 250, 125},
      {"pan a tenth to the right", kFitFit, 1, 0.1f, 0, 400, 300, 400, 250},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DS_StageCamera cam;
    const DS_TextureRecord picture = Picture(1000, 500);
    cam.SetLayout(picture, 800, 600, c.mode, false);
    cam.SetZoomPan(c.zoom, c.px, c.py);
    DS_ScreenLayout layout;
    layout.pictureQuad = MakeFittedQuad(picture, 800, 600);
    layout.pictureWidth = 1000;
    layout.pictureHeight = 500;
    D3DXVECTOR3 out;
    DS_ScreenLayout::ToStageCoordinates(out, layout, cam, c.x, c.y, 7.0f);
    EXPECT_NEAR(out.x, c.ex, 1e-2);
    EXPECT_NEAR(out.y, c.ey, 1e-2);
    EXPECT_FLOAT_EQ(out.z, 7.0f);
  }
}

TEST(ScreenLayout, GlobalStartsWithDefaultQuadAndEmptyQuadPassesPointsThrough)
{
  ExpectQuad(g_ScreenLayout.pictureQuad, {0, 0, 0, 0}, "g_ScreenLayout");
  D3DXVECTOR3 out;
  DS_ScreenLayout::ToStageCoordinates(out, g_ScreenLayout, 12.0f, 34.0f, 0.0f);
  EXPECT_FLOAT_EQ(out.x, 12.0f);
  EXPECT_FLOAT_EQ(out.y, 34.0f);
}

// ---------------------------------------------------------------------------------------
// Frames

namespace {

struct RecordingAnimator : DS_AnimationBase {
  int* calls;
  int* deleted;
  RecordingAnimator(int* c, int* d) : calls(c), deleted(d) {}
  ~RecordingAnimator() override { ++*deleted; }
  void Animate(DS_Frame* frame) override
  {
    ++*calls;
    frame->world = Translation(0, 0, 5) * frame->local;
  }
};

}  // namespace

TEST(Frame, TransformsTable)
{
  struct Case {
    const char* name;
    D3DXMATRIX local;
    bool withParent;
    D3DXMATRIX parent;
    D3DXMATRIX expected;
  } cases[] = {
      {"no parent: world = local", Translation(1, 2, 3), false, Translation(0, 0, 0), Translation(1, 2, 3)},
      {"parent applied after local", Translation(1, 0, 0), true, Translation(0, 4, 0), Translation(1, 4, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DS_Frame f;
    f.local = c.local;
    f.UpdateTransform(c.withParent ? &c.parent : nullptr);
    ExpectMatrixNear(f.world, c.expected);
  }

  // Row vectors: a child's world is its local times its parent's world, so a parent's
  // rotation turns the child's offset.
  DS_Frame root, child, grandchild;
  D3DXMatrixRotationZ(&root.local, kPi / 2);
  child.local = Translation(1, 0, 0);
  grandchild.local = Translation(0, 1, 0);
  root.children.push_back(&child);
  child.children.push_back(&grandchild);
  const D3DXMATRIX place = Translation(10, 0, 0);
  root.UpdateTransform(&place);
  D3DXVECTOR3 p = Transform(grandchild.world, 0, 0);
  EXPECT_NEAR(p.x, 10 - 1, 1e-5);  // (1, 1) turned a quarter: (-1, 1), then placed
  EXPECT_NEAR(p.y, 1, 1e-5);
  ExpectMatrixNear(grandchild.world, grandchild.local * child.world);
}

TEST(Frame, AnimatorWritesWorldAndIsOwned)
{
  int calls = 0, deleted = 0;
  {
    DS_Frame f;
    f.local = Translation(1, 0, 0);
    f.SetAnimator(new RecordingAnimator(&calls, &deleted));
    f.UpdateTransform(nullptr);
    EXPECT_EQ(calls, 1);
    ExpectMatrixNear(f.world, Translation(1, 0, 5));
    f.SetAnimator(new RecordingAnimator(&calls, &deleted));
    EXPECT_EQ(deleted, 1);
    // A copy neither shares the controller nor the children.
    DS_Frame copy(f);
    EXPECT_EQ(copy.animator, nullptr);
    ExpectMatrixNear(copy.world, f.world, 0.0f);
  }
  EXPECT_EQ(deleted, 2);
}

// ---------------------------------------------------------------------------------------
// Noise

TEST(Noise, LatticeValuesAndInterpolation)
{
  struct Case {
    double x, expected;
  } cases[] = {
      {0.0, -0.2817909838631749},  {1.0, -0.2263730512931943},  {2.0, 0.29363288078457117},
      {-1.0, 0.9001262886449695},  {-2.0, -0.703192631714046}, {12345.0, -0.8928926484659314},
      // Halfway the cosine weight is one half.
      {0.5, 0.5 * (-0.2817909838631749 + -0.2263730512931943)},
      // Negative fractions use the lattice point toward zero: -0.5 mixes 0 and 1.
      {-0.5, 0.5 * (-0.2817909838631749 + -0.2263730512931943)},
      {-1.5, 0.5 * (0.9001262886449695 + -0.2817909838631749)},
      // The top of the signed range: n + 1 wraps instead of overflowing.
      {2147483647.5, 0.5 * (0.9001262886449695 + -0.2817909838631749)},
  };
  for (const Case& c : cases) EXPECT_NEAR(ValueNoise1D(c.x), c.expected, 1e-6) << c.x;
  EXPECT_EQ(ValueNoise1D(3.0), NoiseLatticeValue(3u));
}

TEST(Noise, StaysInRangeForHostileInput)
{
  for (double x = -50.0; x < 50.0; x += 0.37) {
    const double v = ValueNoise1D(x);
    EXPECT_GT(v, -1.0);
    EXPECT_LE(v, 1.0);
  }
  for (double x : {1e30, -1e30, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
    EXPECT_TRUE(std::isfinite(ValueNoise1D(x))) << x;
}

TEST(Noise, FractalSum)
{
  EXPECT_DOUBLE_EQ(FractalNoise1D(3.7, 2.0, 0.5, 1), ValueNoise1D(3.7 / 2.0));
  EXPECT_NEAR(FractalNoise1D(3.7, 2.0, 0.5, 3),
              ValueNoise1D(1.85) + 0.5 * ValueNoise1D(3.7) + 0.25 * ValueNoise1D(7.4), 1e-12);
  EXPECT_EQ(FractalNoise1D(3.7, 2.0, 0.5, 0), 0.0);
  EXPECT_EQ(FractalNoise1D(3.7, 2.0, 0.5, -4), 0.0);
  EXPECT_TRUE(std::isfinite(FractalNoise1D(3.7, 2.0, 0.5, 1 << 30)));
}

// ---------------------------------------------------------------------------------------
// Grids

TEST(Grid, IndexPatterns)
{
  struct Case {
    UINT columns, rows;
    std::vector<WORD> indices;
  } cases[] = {
      {2, 2, {0, 1, 2, 2, 1, 3}},
      {3, 2, {0, 1, 3, 3, 1, 4, 1, 2, 4, 4, 2, 5}},
      {2, 3, {0, 1, 2, 2, 1, 3, 2, 3, 4, 4, 3, 5}},
  };
  for (const Case& c : cases) {
    std::vector<WORD> got;
    EXPECT_TRUE(BuildGridIndices(c.columns, c.rows, &got));
    EXPECT_EQ(got, c.indices) << c.columns << "x" << c.rows;
  }
  std::vector<WORD> big;
  ASSERT_TRUE(BuildGridIndices(256, 256, &big));
  EXPECT_EQ(big.size(), 255u * 255u * 6u);
  EXPECT_EQ(big.back(), 65535);
}

TEST(Grid, RefusedSizes)
{
  struct Case {
    UINT columns, rows;
  } refused[] = {{0, 0}, {1, 5}, {5, 1}, {257, 256}, {65536, 2}, {0x10000, 0x10000}};
  for (const Case& c : refused) {
    std::vector<WORD> got{1, 2, 3};
    EXPECT_FALSE(BuildGridIndices(c.columns, c.rows, &got)) << c.columns << "x" << c.rows;
    EXPECT_TRUE(got.empty());
    ComRef<IDirect3DIndexBuffer9> buffer;
    UINT triangles = 99;
    EXPECT_EQ(CreateGridIndexBuffer(buffer, &triangles, c.columns, c.rows), E_INVALIDARG);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(triangles, 0u);
  }
}

TEST(Grid, BilinearFill)
{
  const DX_V::PT c0{0, 0, 0, 0, 0}, c1{4, 0, 0, 1, 0}, c2{0, 2, 0, 0, 1}, c3{8, 2, 2, 1, 1};
  std::vector<DX_V::PT> one(4);
  ASSERT_TRUE(FillGridVertices(c0, c1, c2, c3, 1, 1, one.data()));
  const DX_V::PT corners[4] = {c0, c1, c2, c3};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(one[i].x, corners[i].x);
    EXPECT_FLOAT_EQ(one[i].y, corners[i].y);
    EXPECT_FLOAT_EQ(one[i].z, corners[i].z);
    EXPECT_FLOAT_EQ(one[i].u, corners[i].u);
    EXPECT_FLOAT_EQ(one[i].v, corners[i].v);
  }
  std::vector<DX_V::PT> grid(9);
  ASSERT_TRUE(FillGridVertices(c0, c1, c2, c3, 2, 2, grid.data()));
  const DX_V::PT& mid = grid[4];  // average of the four corners
  EXPECT_FLOAT_EQ(mid.x, 3.0f);
  EXPECT_FLOAT_EQ(mid.y, 1.0f);
  EXPECT_FLOAT_EQ(mid.z, 0.5f);
  EXPECT_FLOAT_EQ(mid.u, 0.5f);
  EXPECT_FLOAT_EQ(mid.v, 0.5f);
  EXPECT_FLOAT_EQ(grid[5].x, 6.0f);  // right edge, half way down: between c1 and c3
  EXPECT_FALSE(FillGridVertices(c0, c1, c2, c3, 0, 3, grid.data()));
  EXPECT_FALSE(FillGridFromCorners(c0, c1, c2, c3, nullptr, 2, 2));
}

// ---------------------------------------------------------------------------------------
// Locks that fail

namespace {

// A vertex buffer whose Lock always fails (as on a lost device); it records Unlock calls.
struct FailingVertexBuffer : IDirect3DVertexBuffer9 {
  DWORD fvf;
  UINT size;
  int unlocks = 0;
  ULONG refs = 1;
  FailingVertexBuffer(DWORD f, UINT s) : fvf(f), size(s) {}
  HRESULT WINAPI QueryInterface(REFIID, void** out) override { *out = nullptr; return E_NOINTERFACE; }
  ULONG WINAPI AddRef() override { return ++refs; }
  ULONG WINAPI Release() override { return --refs; }
  HRESULT WINAPI GetDevice(IDirect3DDevice9** d) override { *d = nullptr; return D3DERR_INVALIDCALL; }
  HRESULT WINAPI SetPrivateData(REFGUID, const void*, DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT WINAPI GetPrivateData(REFGUID, void*, DWORD*) override { return E_NOTIMPL; }
  HRESULT WINAPI FreePrivateData(REFGUID) override { return E_NOTIMPL; }
  DWORD WINAPI SetPriority(DWORD) override { return 0; }
  DWORD WINAPI GetPriority() override { return 0; }
  void WINAPI PreLoad() override {}
  D3DRESOURCETYPE WINAPI GetType() override { return D3DRTYPE_VERTEXBUFFER; }
  HRESULT WINAPI Lock(UINT, UINT, void** p, DWORD) override { *p = nullptr; return D3DERR_INVALIDCALL; }
  HRESULT WINAPI Unlock() override { ++unlocks; return D3D_OK; }
  HRESULT WINAPI GetDesc(D3DVERTEXBUFFER_DESC* d) override
  {
    *d = {};
    d->Format = D3DFMT_VERTEXDATA;
    d->Type = D3DRTYPE_VERTEXBUFFER;
    d->Pool = D3DPOOL_MANAGED;
    d->Size = size;
    d->FVF = fvf;
    return D3D_OK;
  }
};

}  // namespace

TEST(FailedLocks, WritersSkipTheirWrite)
{
  QuadVertices q;
  D3DXVECTOR3 corners[4] = {};
  {
    FailingVertexBuffer vb(DX_V::PT::FVF, 80);
    DS_ScreenQuad quad;
    quad.SetVertexBuffer(&vb, nullptr, 4, D3DPT_TRIANGLESTRIP, 2);
    EXPECT_FALSE(quad.SetCorners(corners));
    EXPECT_FALSE(quad.SetTextureCoordinates(q));
    EXPECT_EQ(vb.unlocks, 0);
  }
  struct Case {
    DWORD fvf;
    UINT size;
  } layouts[] = {{DX_V::RhwC::FVF, 80}, {DX_V::PC::FVF, 64}, {DX_V::RhwCT::FVF, 112}};
  for (const Case& c : layouts) {
    FailingVertexBuffer vb(c.fvf, c.size);
    DS_ScreenQuad quad;
    quad.SetVertexBuffer(&vb, nullptr, 4, D3DPT_TRIANGLESTRIP, 2);
    EXPECT_FALSE(quad.SetColorQuadCorners(q));
    EXPECT_FALSE(quad.SetColorQuadAlphas(1, 1, 1, 1));
    EXPECT_FALSE(quad.SetColorQuadXYZCorners(q));
    EXPECT_FALSE(quad.SetColorQuadXYZColor(0));
    EXPECT_FALSE(quad.SetColorQuadXYZAlphas(1, 1, 1, 1));
    EXPECT_FALSE(quad.SetTexturedQuadCorners(q));
    EXPECT_EQ(vb.unlocks, 0);
    quad.SetVertexBuffer(nullptr, nullptr, 0, D3DPT_TRIANGLESTRIP, 0);
    EXPECT_EQ(vb.refs, 1u);
  }
  // A buffer too short for four vertices is not written either.
  FailingVertexBuffer shortBuffer(DX_V::PT::FVF, 40);
  DS_ScreenQuad quad;
  quad.SetVertexBuffer(&shortBuffer, nullptr, 4, D3DPT_TRIANGLESTRIP, 2);
  EXPECT_FALSE(quad.SetCorners(corners));
  quad.SetVertexBuffer(nullptr, nullptr, 0, D3DPT_TRIANGLESTRIP, 0);

  FailingVertexBuffer grid(DX_V::PT::FVF, 9 * 20);
  const DX_V::PT c{0, 0, 0, 0, 0};
  EXPECT_FALSE(FillGridFromCorners(c, c, c, c, &grid, 2, 2));
  EXPECT_EQ(grid.unlocks, 0);
}

TEST(FailedLocks, MeshCopiesShareTheirBufferWithAReferenceEach)
{
  // Runtime objects copy their meshes from descriptions: every copy holds the one buffer
  // with a reference of its own, and the buffer is left with its creator's reference when
  // they are all gone, however they went.
  FailingVertexBuffer a(DX_V::PT::FVF, 80), b(DX_V::PT::FVF, 80);
  {
    DS_IndexedMesh<DX_V::PT> original;
    original.SetVertexBuffer(&a, nullptr, 4, D3DPT_TRIANGLESTRIP, 2);
    EXPECT_EQ(a.refs, 2u);
    DS_IndexedMesh<DX_V::PT> copy(original);
    EXPECT_EQ(copy.vertexBuffer, &a);
    EXPECT_EQ(a.refs, 3u);
    DS_IndexedMesh<DX_V::PT> assigned;
    assigned.SetVertexBuffer(&b, nullptr, 4, D3DPT_TRIANGLESTRIP, 2);
    assigned = copy;  // b's reference goes, a gains one
    EXPECT_EQ(a.refs, 4u);
    EXPECT_EQ(b.refs, 1u);
    DS_IndexedMesh<DX_V::PT>& alias = assigned;
    assigned = alias;
    EXPECT_EQ(a.refs, 4u);
    copy.SetVertexBuffer(&a, nullptr, 4, D3DPT_TRIANGLESTRIP, 2);  // already held
    EXPECT_EQ(a.refs, 4u);
    copy.SetVertexBuffer(nullptr, nullptr, 0, D3DPT_TRIANGLESTRIP, 0);
    EXPECT_EQ(a.refs, 3u);
  }
  EXPECT_EQ(a.refs, 1u);
  EXPECT_EQ(b.refs, 1u);
}

// ---------------------------------------------------------------------------------------
// Texture sets

namespace {

DS_TextureSet FramesWithDelays(size_t frames, std::vector<float> delays)
{
  DS_TextureSet set;
  set.ResizeFrames(frames);  // null slots: stepping needs no device
  set.delays = std::move(delays);
  return set;
}

}  // namespace

TEST(TextureSet, FrameSteppingTable)
{
  struct Case {
    const char* name;
    size_t frames;
    std::vector<float> delays;
    bool rewind;
    std::vector<float> times;
    std::vector<int> frameAfter;
  } cases[] = {
      {"steps when the delay has passed", 3, {0.1f, 0.2f, 0.3f}, false,
       {0.05f, 0.1f, 0.15f, 0.3f, 0.36f, 0.7f}, {0, 0, 1, 1, 2, 0}},
      {"rewind wraps from 0 to the last", 3, {0.1f, 0.1f, 0.1f}, true, {0.2f, 0.4f, 0.6f}, {2, 1, 0}},
      {"a single frame stays", 1, {0.1f}, false, {1.0f, 2.0f, 3.0f}, {0, 0, 0}},
      {"no delays: no stepping", 3, {}, false, {1.0f, 2.0f}, {0, 0}},
      {"time before the last switch restarts the delay", 2, {0.5f, 0.5f}, false,
       {1.0f, 0.2f, 0.6f, 0.75f}, {1, 1, 1, 0}},
      // More delays than frames (a document's delays with a failed texture load): the
      // index never leaves the frames that exist.
      {"more delays than frames", 2, {0.1f, 0.1f, 0.1f, 0.1f, 0.1f}, false,
       {0.2f, 0.4f, 0.6f, 0.8f}, {1, 0, 1, 0}},
      {"delays without frames", 0, {0.1f, 0.1f}, false, {0.5f, 1.0f}, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DS_TextureSet set = FramesWithDelays(c.frames, c.delays);
    for (size_t i = 0; i < c.times.size(); ++i) {
      if (c.rewind)
        set.RewindFrame(c.times[i]);
      else
        set.AdvanceFrame(c.times[i]);
      EXPECT_EQ(set.frame, c.frameAfter[i]) << "after t=" << c.times[i];
    }
  }
}

TEST(TextureSet, OutOfRangeIndexIsRepaired)
{
  DS_TextureSet set = FramesWithDelays(2, {0.1f, 0.1f});
  set.frame = 7;  // e.g. left over from a longer set
  EXPECT_EQ(set.CurrentTexture(), nullptr);
  set.AdvanceFrame(1.0f);
  EXPECT_EQ(set.frame, 1);
  DS_TextureSet empty;
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_EQ(empty.CurrentTexture(), nullptr);
  DS_TextureRecord first = empty.GetFirstTexture();
  EXPECT_EQ(first.texture, nullptr);
  EXPECT_FLOAT_EQ(first.aspect, 1.0f);
}

// ---------------------------------------------------------------------------------------
// Small helpers

TEST(Helpers, AlphaBytesAndTextureRecordAspect)
{
  struct Case {
    float value;
    BYTE expected;
  } cases[] = {{1.0f, 255}, {0.0f, 0}, {0.5f, 127}, {0.999f, 254}, {2.0f, 255}, {-1.0f, 0},
               {std::numeric_limits<float>::quiet_NaN(), 0}};
  for (const Case& c : cases) EXPECT_EQ(AlphaByte(c.value), c.expected) << c.value;

  DS_TextureRecord r;
  r.Assign(nullptr, 200, 100);
  EXPECT_FLOAT_EQ(r.aspect, 0.5f);
  r.Assign(nullptr, 0, 100);
  EXPECT_FLOAT_EQ(r.aspect, 1.0f);
}

TEST(Helpers, ScaleAboutPointAndRandomVectors)
{
  D3DXMATRIX m;
  ScaleAboutPoint(D3DXVECTOR3(10, 20, 0), &m, 2, 3, 1);
  D3DXVECTOR3 fixed = Transform(m, 10, 20), moved = Transform(m, 11, 21);
  EXPECT_NEAR(fixed.x, 10, 1e-5);
  EXPECT_NEAR(fixed.y, 20, 1e-5);
  EXPECT_NEAR(moved.x, 12, 1e-5);
  EXPECT_NEAR(moved.y, 23, 1e-5);

  // The angle takes one draw of the C runtime's sequence, the direction a second one.
  std::srand(7);
  const int r1 = std::rand(), r2 = std::rand();
  std::srand(7);
  D3DXVECTOR3 v;
  RandomRotatedVector(&v, 2.0f, 10.0f, 100.0f);
  const float a = DegreesToRadians(10.0f + r1 / 32767.0f * 90.0f);
  EXPECT_NEAR(v.x, 2 * std::cos(a), 1e-5);
  EXPECT_NEAR(v.y, 2 * std::sin(a), 1e-5);
  EXPECT_EQ(std::rand(), r2);

  std::srand(11);
  for (int i = 0; i < 20; ++i) {
    RandomDirection(&v, 3.0f);
    EXPECT_NEAR(D3DXVec3Length(&v), 3.0f, 1e-4);
  }
}

// ---------------------------------------------------------------------------------------
// Quad lists: the index pattern, the cap of one buffer, and the plain arrays.

TEST(QuadList, IndexPatternAndCap)
{
  std::vector<WORD> got(18, 0xBEEF);
  WriteQuadIndices(got.data(), 3);
  EXPECT_EQ(got, std::vector<WORD>({0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7, 8, 9, 10, 10, 9, 11}));

  // The last quad one buffer can hold ends exactly at the last 16-bit index.
  std::vector<WORD> all(size_t(kMaxQuadsPerBuffer) * 6 + 1, 0xBEEF);
  WriteQuadIndices(all.data(), kMaxQuadsPerBuffer);
  const std::vector<WORD> last(all.end() - 7, all.end() - 1);
  EXPECT_EQ(last, std::vector<WORD>({65532, 65533, 65534, 65534, 65533, 65535}));
  EXPECT_EQ(all.back(), 0xBEEF);  // nothing written past the pattern

  const struct {
    unsigned long long in;
    UINT out;
  } caps[] = {{0, 0}, {1, 1}, {16384, 16384}, {16385, 16384}, {0xFFFFFFFFull, 16384}, {(1ull << 32) + 5, 16384}};
  for (const auto& c : caps) EXPECT_EQ(CapQuadCount(c.in), c.out) << c.in;
}

TEST(QuadList, PlainArraysInStripOrder)
{
  QuadListVertices q;
  q.Resize(2);
  ASSERT_EQ(q.QuadCount(), 2u);
  // Quad 1: top-left (10, 20), 4 wide, 6 high.
  q.SetCorners(1, D3DXVECTOR3(10, 20, 0.5f), D3DXVECTOR3(4, 0, 0), D3DXVECTOR3(0, 6, 0));
  q.SetColor(1, 0x80112233);
  q.SetTexCoords(1, 0.25f, 0.5f, 0.0f, 1.0f);
  const float want[4][4] = {// x, y, u, v: bottom-left, top-left, bottom-right, top-right
                            {10, 26, 0.25f, 1}, {10, 20, 0.25f, 0}, {14, 26, 0.5f, 1}, {14, 20, 0.5f, 0}};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_FLOAT_EQ(q.positions[4 + i].x, want[i][0]);
    EXPECT_FLOAT_EQ(q.positions[4 + i].y, want[i][1]);
    EXPECT_FLOAT_EQ(q.positions[4 + i].z, 0.5f);
    EXPECT_FLOAT_EQ(q.texCoords[4 + i].x, want[i][2]);
    EXPECT_FLOAT_EQ(q.texCoords[4 + i].y, want[i][3]);
    EXPECT_EQ(q.colors[4 + i], 0x80112233u);
  }
  // A rotated axis pair (a sprite turned by 90 degrees) keeps the strip order.
  q.SetCorners(0, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 4, 0), D3DXVECTOR3(-6, 0, 0));
  EXPECT_FLOAT_EQ(q.positions[0].x, -6.0f);
  EXPECT_FLOAT_EQ(q.positions[2].x, -6.0f);
  EXPECT_FLOAT_EQ(q.positions[2].y, 4.0f);
  EXPECT_FLOAT_EQ(q.positions[3].y, 4.0f);

  // Writes past the count are ignored; shrinking keeps the arrays for a later growth.
  q.SetColor(2, 0xFFFFFFFF);
  q.Resize(1);
  EXPECT_EQ(q.QuadCount(), 1u);
  EXPECT_EQ(q.colors.size(), 8u);
  q.Resize(100000);
  EXPECT_EQ(q.QuadCount(), kMaxQuadsPerBuffer);

  // No buffer, a zero count, or more quads than the arrays or the buffer hold: nothing
  // is locked.
  EXPECT_FALSE(q.Upload(nullptr, 8, 1));
  DS_IndexedMesh<DX_V::PCT> none;
  EXPECT_FALSE(q.Upload(none, 1));
  EXPECT_FALSE(CreateQuadListBuffers(none, 4));  // no device here
  EXPECT_EQ(none.vertexBuffer, nullptr);
  EXPECT_EQ(none.indexedPrimitiveCount, 0u);
  EXPECT_EQ(none.primitiveType, D3DPT_TRIANGLELIST);
}
