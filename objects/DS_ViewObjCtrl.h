#pragma once
// The placed-object base: a scene object that occupies a rectangle of the picture, with a
// speed of its own time and the per-frame timing that turns the time-line clock into a
// scaled, clamped step and an accumulated object time.
//
// Picture pixels: x to the right, y downwards, origin at the picture's top-left corner.
// W and H are g_ScreenLayout's picture width and height. The normalised edges are the
// master copy; the pixel rectangle follows them whenever the picture size may have
// changed.

#include "core/params/CompositeParams.h"
#include "core/params/MediaParam.h"
#include "core/render/D3DUtil.h"
#include "core/render/StageView.h"
#include "core/scene/DS_ABObj.h"

#include <d3dx9math.h>

struct DS_SpriteState;

class DS_ViewObjCtrl : public DS_ABObj_Constructor {
public:
  DS_ViewObjCtrl();
  // Copies the normalised edges, flag and speed; the timing starts at 0 and the pixel
  // rectangle is recomputed at the current picture size.
  DS_ViewObjCtrl(const DS_ViewObjCtrl& other);
  DS_ViewObjCtrl& operator=(const DS_ViewObjCtrl&) = delete;
  ~DS_ViewObjCtrl() override;

  void Write(DS_IOF_Virtual& archive) override { WritePart(archive); }
  // The base's reset, then the timing record starts again at 0.
  void Reset() override;
  // Vertices 0 (left, bottom), 1 (left, top), 2 (right, bottom), 3 (right, top) from the
  // normalised edges, z 1 and the default texture coordinates.
  virtual QuadVertices& GetScreenQuad(QuadVertices& out);
  virtual bool HitTest(float x, float y) { return false; }

  // The part "DS_ViewObjCtrl" (version 2): own fields first, the base part last.
  bool ReadPart(DS_IOF_Virtual& archive);
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void WritePart(DS_IOF_Virtual& archive);
  void WriteFields(DS_IOF_Virtual& archive);

  void BindRectangle();
  // Recomputes the pixel edges from the normalised ones, notifying an edge's listeners
  // only when its pixel value changes. Does nothing while the picture size is unknown.
  void ApplyScreenSize();
  void OnLeftChanged(int pixels);
  void OnRightChanged(int pixels);
  void OnTopChanged(int pixels);
  void OnBottomChanged(int pixels);

  // Normalised edges times W or H, unrounded.
  float LeftPixels() const;
  float RightPixels() const;
  float TopPixels() const;
  float BottomPixels() const;
  // Two draws: x first, then y.
  D3DXVECTOR3 RandomPoint() const;
  // Two draws (x, then y) keeping the sprite's half extents inside the area.
  D3DXVECTOR3 RandomPointInside(const DS_SpriteState& sprite) const;
  // Advances the timing record to the time-line clock t.
  void UpdateTiming(float t);

  float FrameStep() const { return m_FrameStep; }
  float AccumulatedTime() const { return m_AccumulatedTime; }
  float ShortStep() const { return m_ShortStep; }
  float LastTime() const { return m_LastTime; }

  static constexpr unsigned kVersion = 2;

  MediaRectangle m_Rect;
  MediaParamT<unsigned> m_Speed{50u};
  bool m_ViewFlag = false;
  float m_NormLeft = 0.0f, m_NormRight = 1.0f, m_NormTop = 0.0f, m_NormBottom = 1.0f;
  float m_FrameStep = 0.0f;
  float m_AccumulatedTime = 0.0f;
  float m_ShortStep = 0.0f;
  DS_ParamBinder m_EdgeBinder;
  float m_LastTime = 0.0f;

private:
  void AttachEdgeListener(void (DS_ViewObjCtrl::*function)(int), MediaParamT<int>& edge);
};

// The picture size that placed objects work in (g_ScreenLayout's), as floats.
inline float PictureWidth() { return float(g_ScreenLayout.pictureWidth); }
inline float PictureHeight() { return float(g_ScreenLayout.pictureHeight); }

// In the header because sprite updates ask for the edges several times per sprite, for
// every sprite of every frame.
inline float DS_ViewObjCtrl::LeftPixels() const { return m_NormLeft * PictureWidth(); }
inline float DS_ViewObjCtrl::RightPixels() const { return m_NormRight * PictureWidth(); }
inline float DS_ViewObjCtrl::TopPixels() const { return m_NormTop * PictureHeight(); }
inline float DS_ViewObjCtrl::BottomPixels() const { return m_NormBottom * PictureHeight(); }
