#include "core/render/StageView.h"

#include "core/render/RenderMath.h"

#include <cmath>

DS_StageView* g_StageView = nullptr;
DS_ScreenLayout g_ScreenLayout;

namespace {

D3DXMATRIX Identity()
{
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  return m;
}

D3DXMATRIX Translate(float x, float y, float z)
{
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}

D3DXMATRIX Scale(float x, float y, float z)
{
  D3DXMATRIX m;
  D3DXMatrixScaling(&m, x, y, z);
  return m;
}

D3DXMATRIX Ortho(UINT width, UINT height)
{
  // A zero size would put infinities into every later transform.
  D3DXMATRIX m;
  D3DXMatrixOrthoOffCenterLH(&m, 0.0f, static_cast<float>(width ? width : 1), static_cast<float>(height ? height : 1),
                             0.0f, -5000.0f, 5000.0f);
  return m;
}

// A quotient for a scale factor; a zero or non-finite result falls back to 1 so that a
// layout of an empty picture stays drawable.
float ScaleRatio(float num, float den)
{
  if (den == 0.0f) return 1.0f;
  const float r = num / den;
  return (r != 0.0f && std::isfinite(r)) ? r : 1.0f;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// DS_StageCamera

DS_StageCamera::DS_StageCamera()
    : fitMatrix(Identity()), zoomMatrix(Identity()), world(Identity()), projection(Identity()),
      scaleMatrix(Identity()), panMatrix(Identity())
{
  const D3DXVECTOR3 eye(0.0f, 0.0f, -1.0f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
}

void DS_StageCamera::SetLayout(const DS_TextureRecord& picture, UINT width, UINT height, int mode,
                               bool insideRenderTarget)
{
  UINT bw = 0, bh = 0;
  if (!insideRenderTarget) {
    const D3DSURFACE_DESC desc = GetBackBufferDesc();
    bw = desc.Width;
    bh = desc.Height;
  }
  SetLayout(picture, width, height, mode, insideRenderTarget, bw, bh);
}

void DS_StageCamera::SetLayout(const DS_TextureRecord& picture, UINT width, UINT height, int mode,
                               bool insideRenderTarget, UINT backWidth, UINT backHeight)
{
  fitMode = mode;
  pictureWidth = picture.width;
  pictureHeight = picture.height;
  const float W = static_cast<float>(width);
  const float H = static_cast<float>(height);

  QuadVertices q = MakeFittedQuad(picture, width, height);
  fittedLeft = static_cast<int>(q[0].x);
  fittedTop = static_cast<int>(q[1].y);
  fittedRight = static_cast<int>(q[3].x);
  fittedBottom = static_cast<int>(q[2].y);

  if (W == q[3].x - q[0].x)
    picturePerRender = ScaleRatio(static_cast<float>(pictureWidth), W);
  else
    picturePerRender = ScaleRatio(static_cast<float>(pictureHeight), H);

  float Wb = W, Hb = H;
  if (!insideRenderTarget && backWidth && backHeight && width && height) {
    ScaleQuadToBackBuffer(q, width, height, backWidth, backHeight);
    Wb = static_cast<float>(backWidth);
    Hb = static_cast<float>(backHeight);
  }

  projection = Ortho(width, height);
  const float Wq = q[3].x - q[0].x;
  const float Hq = q[2].y - q[1].y;
  backBufferPerQuadX = ScaleRatio(Wb, Wq);
  backBufferPerQuadY = ScaleRatio(Hb, Hq);

  const float r = picturePerRender;
  fitMatrix = Scale(1.0f / r, 1.0f / r, 1.0f) *
              Translate(q[0].x / ScaleRatio(Wb, W), q[1].y / ScaleRatio(Hb, H), 0.0f);

  Apply();

  float zx = 1.0f, zy = 1.0f;
  if (mode == kFitStretch || mode == kFitOffscreen) {
    zx = ScaleRatio(2.0f * q[0].x + Wq, Wq);
    zy = ScaleRatio(2.0f * q[1].y + Hq, Hq);
  } else if (mode == kFitFill) {
    zx = zy = (q[0].x == 0.0f) ? ScaleRatio(2.0f * q[1].y + Hq, Hq) : ScaleRatio(2.0f * q[0].x + Wq, Wq);
  }
  const float tx = (1.0f - zx) * 0.5f * static_cast<float>(pictureWidth) / zx;
  const float ty = (1.0f - zy) * 0.5f * static_cast<float>(pictureHeight) / zy;
  SetFitZoom(tx, ty, zx, zy);
}

void DS_StageCamera::SetFitZoom(float tx, float ty, float zx, float zy)
{
  zoomOffsetX = tx;
  zoomOffsetY = ty;
  inverseZoomX = 1.0f / zx;
  inverseZoomY = 1.0f / zy;
  zoomMatrix = Translate(tx, ty, 0.0f) * Scale(zx, zy, 1.0f);
}

void DS_StageCamera::SetZoomPan(float zoom, float px, float py)
{
  const float ox = zoom != 0.0f ? (1.0f - zoom) * 0.5f * static_cast<float>(pictureWidth) / zoom : 0.0f;
  const float oy = zoom != 0.0f ? (1.0f - zoom) * 0.5f * static_cast<float>(pictureHeight) / zoom : 0.0f;
  panX = ox + px * static_cast<float>(pictureWidth);
  panY = oy + py * static_cast<float>(pictureHeight);
  panZoom = zoom;
  panMatrix = Translate(panX, panY, 0.0f) * Scale(zoom, zoom, 1.0f);
}

void DS_StageCamera::Apply() const
{
  if (!g_Device) return;
  g_Device->SetTransform(D3DTS_WORLD, &world);
  g_Device->SetTransform(D3DTS_VIEW, &view);
  g_Device->SetTransform(D3DTS_PROJECTION, &projection);
}

D3DXMATRIX DS_StageCamera::GetLinearTransform() const
{
  D3DXMATRIX m = panMatrix * scaleMatrix * zoomMatrix;
  m._41 = 0.0f;
  m._42 = 0.0f;
  return m;
}

// ---------------------------------------------------------------------------------------
// DS_StageView

DS_StageView::DS_StageView()
    : projection(Identity()), view(Identity()), world(Identity()), offsetMatrix(Identity()),
      depthMatrix(Identity()), camera(new DS_StageCamera)
{
}

DS_StageView::~DS_StageView() { delete camera; }

QuadVertices DS_StageView::LayoutQuad(const DS_TextureRecord& viewRecord, UINT width, UINT height, int mode)
{
  if (mode == kFitFit) return MakeFittedQuad(viewRecord, width, height);
  if (mode == kFitFill) return MakeFilledQuad(viewRecord, width, height);
  QuadVertices q;
  q.SetRect(0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height));
  return q;
}

void DS_StageView::BorderCorners(int border, D3DXVECTOR3 (&c)[4]) const
{
  const float vw = viewWidth, vh = viewHeight, e = 1000.0f;
  switch (border) {
  case 0:  // top
    c[0] = {vw + e, -e, 0}; c[1] = {vw + e, 0, 0}; c[2] = {-e, -e, 0}; c[3] = {-e, 0, 0};
    break;
  case 1:  // left
    c[0] = {-e, -e, 0}; c[1] = {0, -e, 0}; c[2] = {-e, vh + e, 0}; c[3] = {0, vh + e, 0};
    break;
  case 2:  // bottom
    c[0] = {-e, vh + e, 0}; c[1] = {-e, vh, 0}; c[2] = {vw + e, vh + e, 0}; c[3] = {vw + e, vh, 0};
    break;
  default:  // right
    c[0] = {vw + e, vh + e, 0}; c[1] = {vw, vh + e, 0}; c[2] = {vw + e, -e, 0}; c[3] = {vw, -e, 0};
    break;
  }
}

void DS_StageView::SetLayout(const DS_TextureRecord& viewRecord, UINT width, UINT height,
                             const DS_TextureRecord& picture, int mode, bool insideRenderTarget)
{
  viewWidth = static_cast<float>(viewRecord.width);
  viewHeight = static_cast<float>(viewRecord.height);
  pictureWidth = static_cast<float>(picture.width);
  pictureHeight = static_cast<float>(picture.height);
  screenWidth = width;
  screenHeight = height;
  fitMode = mode;

  projection = Ortho(width, height);
  const QuadVertices q = LayoutQuad(viewRecord, width, height, mode);
  view = Scale(ScaleRatio(q[3].x - q[0].x, viewWidth), ScaleRatio(q[2].y - q[1].y, viewHeight), 1.0f) *
         Translate(q[0].x, q[1].y, 0.0f);

  for (int i = 0; i < 4; ++i) {
    D3DXVECTOR3 corners[4];
    BorderCorners(i, corners);
    borders[i].SetCorners(corners);
  }
  camera->SetLayout(picture, width, height, mode, insideRenderTarget);
}

void DS_StageView::SetZoomPan(float zoom, float px, float py)
{
  D3DXMATRIX about;
  ScaleAboutPoint(D3DXVECTOR3(viewWidth / 2.0f, viewHeight / 2.0f, 0.0f), &about, zoom, zoom, 1.0f);
  world = Translate(viewWidth * px, viewHeight * py, 0.0f) * about;
  camera->SetZoomPan(zoom, px, py);
}

void DS_StageView::SetOffset(bool enable, float cx, float cy, UINT pictureW, UINT pictureH)
{
  offsetEnabled = enable;
  offsetMatrix = Translate(viewWidth / 2.0f - cx, viewHeight / 2.0f - cy, 0.0f);
  offsetX = static_cast<float>(pictureW) / 2.0f - cx;
  offsetY = static_cast<float>(pictureH) / 2.0f - cy;
}

void DS_StageView::SetZoomOffset(float factor)
{
  const float k = factor - 1.0f;
  depthMatrix = Translate(offsetX * k, offsetY * k, offsetZ * k);
}

void DS_StageView::ApplyViewTransform(const D3DXMATRIX& source, D3DXMATRIX& destination) const
{
  if (fitMode == kFitOffscreen) {
    destination = source;
    return;
  }
  destination = source * (offsetEnabled ? offsetMatrix : world);
  if (offsetEnabled) destination = destination * depthMatrix;
}

void DS_StageView::SetBorderTexture(IDirect3DTexture9* texture)
{
  for (int i = 0; i < 4; ++i) {
    DS_ScreenQuad& b = borders[i];
    b.CreateVertexBuffer();
    // A new buffer's contents are undefined: it gets the last layout's corners at once
    // (a later SetLayout rewrites them), and each border shows the whole border image.
    D3DXVECTOR3 corners[4];
    BorderCorners(i, corners);
    b.SetCorners(corners);
    b.SetTextureCoordinates(QuadVertices());
    b.SetTexture(texture);
  }
}

void DS_StageView::RenderBorders() const
{
  if (!g_Device) return;
  g_Device->SetTransform(D3DTS_VIEW, &view);
  g_Device->SetTransform(D3DTS_PROJECTION, &projection);
  g_Device->SetTransform(D3DTS_WORLD, &world);
  for (const DS_ScreenQuad& b : borders) {
    if (!b.vertexBuffer || b.primitiveCount == 0) continue;
    g_Device->SetTexture(0, b.texture);
    b.SetStream();
    g_Device->DrawPrimitive(b.primitiveType, 0, b.primitiveCount);
  }
}

// ---------------------------------------------------------------------------------------
// DS_ScreenLayout

void DS_ScreenLayout::ToStageCoordinates(D3DXVECTOR3& out, const DS_ScreenLayout& layout, float x, float y, float z)
{
  static const DS_StageCamera fallback;
  ToStageCoordinates(out, layout, g_StageView ? *g_StageView->camera : fallback, x, y, z);
}

void DS_ScreenLayout::ToStageCoordinates(D3DXVECTOR3& out, const DS_ScreenLayout& layout, const DS_StageCamera& c,
                                         float x, float y, float z)
{
  const QuadVertices& q = layout.pictureQuad;
  const float qw = q[3].x - q[0].x;
  const float qh = q[2].y - q[1].y;
  out.z = z;
  // Before the first layout the quad is empty: pass the point through rather than
  // dividing by zero.
  if (qw == 0.0f || qh == 0.0f || c.panZoom == 0.0f) {
    out.x = x;
    out.y = y;
    return;
  }
  out.x = static_cast<float>(layout.pictureWidth) * (x - q[0].x) / qw * (c.inverseZoomX / c.panZoom) -
          (c.zoomOffsetX / c.panZoom + c.panX);
  out.y = static_cast<float>(layout.pictureHeight) * (y - q[1].y) / qh * (c.inverseZoomY / c.panZoom) -
          (c.zoomOffsetY / c.panZoom + c.panY);
}
