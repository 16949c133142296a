#pragma once
// The 2D stage on which every slide is drawn: picture pixels of the camera's view (x to
// the right, y downward) to render-target pixels, and the matrices every layer draw sets.
#include "core/render/D3DUtil.h"
#include "core/render/ScreenQuad.h"

// Picture position modes: the stage's fit mode and the layer's view mode.
enum DS_FitMode : int {
  kFitStretch = 0,
  kFitFit = 1,
  kFitFill = 2,
  kFitOffscreen = 3,  // whole target; ApplyViewTransform passes matrices through
};

// Keeps the fitted picture's metrics for code that converts between screen and picture.
struct DS_StageCamera {
  D3DXMATRIX fitMatrix;   // picture pixels to render pixels of the fitted picture
  D3DXMATRIX zoomMatrix;  // makes the fitted picture fill the target (stretch, fill)
  D3DXMATRIX world;       // never changed
  D3DXMATRIX view;        // moves the scene one unit along z
  D3DXMATRIX projection;
  float inverseZoomX = 1.0f, inverseZoomY = 1.0f;
  float zoomOffsetX = 0.0f, zoomOffsetY = 0.0f;
  float panZoom = 1.0f;
  float panX = 0.0f, panY = 0.0f;
  D3DXMATRIX scaleMatrix;  // never changed
  D3DXMATRIX panMatrix;
  int fitMode = kFitFit;
  UINT pictureWidth = 0, pictureHeight = 0;
  float backBufferPerQuadX = 1.0f, backBufferPerQuadY = 1.0f;
  float picturePerRender = 1.0f;
  int fittedLeft = 0, fittedTop = 0, fittedRight = 0, fittedBottom = 0;

  DS_StageCamera();

  // Lays the camera out for a picture in a W x H render size; outside a render target the
  // fitted quad is scaled to the device's back buffer.
  void SetLayout(const DS_TextureRecord& picture, UINT width, UINT height, int mode, bool insideRenderTarget);
  // The same with the back buffer's size given (0 x 0: none, treated as W x H).
  void SetLayout(const DS_TextureRecord& picture, UINT width, UINT height, int mode, bool insideRenderTarget,
                 UINT backWidth, UINT backHeight);
  void SetZoomPan(float zoom, float px, float py);
  void SetFitZoom(float tx, float ty, float zx, float zy);
  // WORLD, VIEW and PROJECTION on g_Device.
  void Apply() const;
  // pan matrix x scale matrix x zoom matrix, without its x and y translation.
  D3DXMATRIX GetLinearTransform() const;
};

struct DS_StageView {
  D3DXMATRIX projection;
  D3DXMATRIX view;
  D3DXMATRIX world;
  D3DXMATRIX offsetMatrix;
  D3DXMATRIX depthMatrix;
  float offsetX = 0.0f, offsetY = 0.0f, offsetZ = 0.0f;
  float viewWidth = 0.0f, viewHeight = 0.0f;
  float pictureWidth = 0.0f, pictureHeight = 0.0f;
  UINT screenWidth = 0, screenHeight = 0;
  bool offsetEnabled = false;
  DS_ScreenQuad borders[4];  // top, left, bottom, right
  int fitMode = kFitStretch;
  DS_StageCamera* camera;  // owned

  DS_StageView();
  DS_StageView(const DS_StageView&) = delete;
  DS_StageView& operator=(const DS_StageView&) = delete;
  ~DS_StageView();

  // `viewRecord` and `picture` contribute only their width and height.
  void SetLayout(const DS_TextureRecord& viewRecord, UINT width, UINT height, const DS_TextureRecord& picture,
                 int mode, bool insideRenderTarget);
  void SetZoomPan(float zoom, float px, float py);
  void SetOffset(bool enable, float cx, float cy, UINT pictureW, UINT pictureH);
  void SetZoomOffset(float factor);
  // The WORLD matrix to set for an object whose own matrix is `source`.
  void ApplyViewTransform(const D3DXMATRIX& source, D3DXMATRIX& destination) const;
  // Gives the four border quads new vertex buffers and the texture (the current frame of
  // the camera's border image), with the corners of the last layout.
  void SetBorderTexture(IDirect3DTexture9* texture);
  void RenderBorders() const;

  // The layout quad of a W x H target for the mode: stretch, off-screen and unknown modes
  // take the whole target, fit the fitted quad, fill the filled one.
  static QuadVertices LayoutQuad(const DS_TextureRecord& viewRecord, UINT width, UINT height, int mode);
  // The border corners in picture space, 1000 units beyond the visible region.
  void BorderCorners(int border, D3DXVECTOR3 (&corners)[4]) const;
};

// The one stage view of the program. Its owner (the application object) sets the pointer;
// drawing code reads it.
extern DS_StageView* g_StageView;

// The picture's scale, quad and size on the back buffer, written by the layer at every
// resize and read by sprite, effect, 3D and camera code.
struct DS_ScreenLayout {
  float scaleX = 1.0f;  // back-buffer width / render width
  float scaleY = 1.0f;  // back-buffer height / render height
  QuadVertices pictureQuad;
  UINT pictureWidth = 0;
  UINT pictureHeight = 0;

  // A back-buffer point to the picture coordinates in which objects are placed, undoing
  // the layout and the stage camera's zoom and pan. The camera is g_StageView's (or a
  // default one when there is no stage view).
  static void ToStageCoordinates(D3DXVECTOR3& out, const DS_ScreenLayout& layout, float x, float y, float z);
  static void ToStageCoordinates(D3DXVECTOR3& out, const DS_ScreenLayout& layout, const DS_StageCamera& camera,
                                 float x, float y, float z);
};

// Constant-initialised, so it is valid before any static constructor runs.
extern DS_ScreenLayout g_ScreenLayout;
