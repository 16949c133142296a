#pragma once
// The shader-effect base: a description that redraws the slide's picture, or a region of
// it, through an effect (its clock, technique mode, effect link, scale, region, mask key),
// the region grid that region-drawn effects lay over the picture, and the runtime brush
// object that draws every shader effect. The concrete effects derive from the description
// and set their parameters on the effect every frame before drawing through the layer.
#include "core/document/DocResManager.h"
#include "core/document/FileLink.h"
#include "core/document/ResourceKeys.h"
#include "core/params/CompositeParams.h"
#include "core/params/ScaledParams.h"
#include "core/params/StoredParams.h"
#include "core/render/SimpleMesh.h"
#include "core/render/TextureSet.h"
#include "core/render/Vertex.h"
#include "core/scene/DS_ABObj.h"
#include "layers/DS_ABRender.h"
#include "platform/effect/Effect.h"

#include <d3dx9math.h>

#include <cmath>

// x itself, or 1 where x would make a division meaningless (0, infinite, not a number):
// a zero picture size, scale or layout must not turn an effect's coordinates infinite.
inline float NonZeroDivisor(float x) { return (x != 0.0f && std::isfinite(x)) ? x : 1.0f; }

// The ((W / H) / s, 1 / s) pair that effects pass as their coordinate zoom.
void ScalePair(float width, float height, float scale, float out[2]);

// pi as the effects' angle conversions have always used it.
constexpr float kEffectPi = 3.1415927f;

// v (a row vector) turned about z through the angle in degrees, as D3DX turns it.
D3DXVECTOR4 TurnedAboutZ(const D3DXVECTOR4& v, float degrees);

// v turned through (360 - angle) degrees: the angle counts anticlockwise as seen on the
// screen, whose y grows downwards (angle 90 turns (1, 0) to (0, -1), upwards).
D3DXVECTOR4 TurnedToScreenAngle(const D3DXVECTOR4& v, unsigned angle);

// The texture at the current frame of the link's texture set in the resource store; null
// without a store or when the set holds no texture. No reference is added.
IDirect3DTexture9* LinkedFrameTexture(const DS_FileLink3& link);

// The upper left 2 x 2 of a matrix (11, 12, 21, 22): the "coord_transf" that effects pass.
void UpperLeft2x2(const D3DXMATRIX& m, float out[4]);

// The three colour components (bits 0-7, 8-15, 16-23) of a stored 0x00BBGGRR value, / 255.
void ColourToFloat3(unsigned long colour, float rgb[3]);

// The texture of a texture set at its current frame index, or null when the set holds no
// texture (never read past the end of the set). No reference is added.
IDirect3DTexture9* FrameTextureOf(const DS_TextureSet& set);

// The grid of XYZ|TEX1 vertices laid over an effect's region: (columns + 1) x (rows + 1)
// vertices in a managed buffer, drawn as an indexed triangle list. Empty (no buffers)
// until Create; copies share the buffers.
struct DS_RegionGrid : DS_IndexedMesh<DX_V::PT> {
  UINT columns = 0;
  UINT rows = 0;

  // Creates the buffers for columns x rows cells; the vertices are filled by the owner.
  static void Create(DS_RegionGrid& grid, UINT columns, UINT rows);
  // Both buffers are there to draw from.
  bool IsDrawable() const { return vertexBuffer && indexBuffer; }
};

class DS_FX_Constructor : public DS_ABObj_Constructor {
public:
  static constexpr unsigned kVersion = 3;

  DS_FX_Constructor();
  DS_FX_Constructor(const DS_FX_Constructor& other);
  // Copies every value that copying copies, releasing the references held before; the
  // time line's settings are copied into a time line of its own.
  DS_FX_Constructor& operator=(const DS_FX_Constructor& other);
  ~DS_FX_Constructor() override;

  void Write(DS_IOF_Virtual& archive) override { WritePart(archive); }
  // Appends the region's bounding rectangle (corners 0 and 3); returns false.
  bool CollectBounds(DS_BoundsList& bounds) override;
  // A new brush object drawing a clone of this description.
  DS_ABObj* CreateRuntimeObject() override;
  // The mask gets a new key; the mask texture is given up.
  void RenewIdentity() override;
  bool IsSpriteObject() override { return false; }

  // Loads the effect of the effect link from the resource store, then takes the mask.
  virtual void LoadResources(ComRef<IDirect3DTexture9>& maskSlot);
  // Fills an existing region grid from the region's corners; without one, nothing.
  virtual void BuildRegionMesh();
  virtual ComRef<IDirect3DTexture9>* GetMaskTexture() { return &m_MaskTexture; }
  // Advances the effect clock to the object time.
  virtual void UpdateFrame(float objectTime);
  virtual void Render(DS_ABRender& layer) = 0;
  virtual void SetMaskTexture(ComRef<IDirect3DTexture9>& slot);
  virtual DS_FX_Constructor* Clone() const = 0;

  // The base part: "DS_FX_Constructor", version 3, then the fields.
  void WritePart(DS_IOF_Virtual& archive);
  void WriteFields(DS_IOF_Virtual& archive);
  // Reads a whole base part (class name not compared, then the version).
  void ReadPart(DS_IOF_Virtual& archive);
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);

  // The shared full-picture draw: technique, "Scale", "Mask", "Background", then every
  // pass over the layer's picture quad. Without an effect nothing is set or drawn.
  void DrawFullScreen(DS_ABRender& layer);
  // The region draw: "Main" over the region grid, or "MainFX" over the picture quad. It
  // sets no parameter. Without an effect, or a grid to draw, nothing is drawn.
  void DrawRegion(DS_ABRender& layer);

  // The technique that the mode names: "MainFX" when nonzero, else "Main".
  const char* TechniqueName() const { return m_TechniqueMode.Get() != 0 ? "MainFX" : "Main"; }
  // The effect time: the clock's accumulated time.
  float EffectTime() const { return m_Speed.Time(); }
  // The time line's alpha.
  float Alpha() const { return TimeLine().GetAlpha(); }
  Effect* GetEffect() const { return m_Effect.Get(); }
  // The "mix_color" alpha of effects that fade their colour: the time line's alpha when it
  // fades the colour, else 1.
  float MixAlpha() const {
    return TimeLine().m_FadeTarget.Get() == DS_TimeLineControl::kFadeColorAlpha ? Alpha() : 1.0f;
  }

  MediaSpeedParam m_Speed;
  MediaParamT<int> m_TechniqueMode;
  DS_HLSLEffectFile m_EffectLink;
  UINTSclaleTo<float> m_Scale;
  MediaQuad m_Region;
  MediaParamTB<int> m_Reserved;
  DS_GuidKey m_MaskKey;
  unsigned char m_MaskKeyFlag = 1;
  ComRef<IDirect3DTexture9> m_MaskTexture;
  ComRef<Effect> m_Effect;
  DS_RegionGrid m_Grid;

protected:
  // The time line's trailing settings, which each class's constructor sets.
  void SetTrailing(int a, int b, int c) {
    TimeLine().m_Trailing[0] = a;
    TimeLine().m_Trailing[1] = b;
    TimeLine().m_Trailing[2] = c;
  }
  // The part of copying and assignment that both share.
  void CopyFrom(const DS_FX_Constructor& other);
};

// The runtime object of every shader effect: owns a clone of its description and
// forwards drawing and updating to it.
class DS_BrushObj : public DS_ABObj {
public:
  // Takes the description, finds its mask texture under its key in the resource store
  // and loads its resources.
  explicit DS_BrushObj(DS_FX_Constructor* description);

  void Render(DS_ABRender& layer) override { m_Effect->Render(layer); }
  void OnRuntimeEvent(int a, int b) override { m_Effect->OnRuntimeEvent(a); }
  void OnScreenSizeChanged() override {}
  // A post pass exactly while visible with a nonzero technique mode.
  bool IsPostPass() override { return m_Visible && m_Effect->m_TechniqueMode.Get() != 0; }
  int GetObjectKind() override { return 4; }
  void UpdateFrame(float objectTime) override { m_Effect->UpdateFrame(objectTime); }

  DS_FX_Constructor* FX() const { return m_Effect; }

private:
  DS_FX_Constructor* m_Effect;  // the same object as the owned description
};
