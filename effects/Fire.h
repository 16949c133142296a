#pragma once
// Flames over a region of the picture: a noise texture read at three scrolling rates
// shakes a flame pattern laid over an 8 x 8 grid on the region, and the flame strength
// picks a colour between the fire's two colours. The flame layer embeds one and draws it
// on its own quad through SetFireParameters.
#include "effects/FXConstructor.h"

class DS_FireFX : public DS_FX_Constructor {
public:
  static constexpr unsigned kVersion = 3;
  // Cells of the region grid, across and down.
  static constexpr UINT kGridCells = 8;

  DS_FireFX();
  DS_FireFX(const DS_FireFX& other);
  // Copies every member on top of the base's assignment; the textures held before are
  // given up for the other fire's.
  DS_FireFX& operator=(const DS_FireFX& other);
  ~DS_FireFX() override = default;

  DS_FX_Constructor* Clone() const override { return new DS_FireFX(*this); }

  // "DS_FireFX", version 3, the fire's fields, then the base part.
  void Write(DS_IOF_Virtual& archive) override;
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  // A whole fire record (class name not compared, version, fields) into a new fire, for
  // a layer that carries one inside its own record. The caller owns the result and tells
  // a damaged record by the archive's failed flag.
  static DS_FireFX* ReadRecord(DS_IOF_Virtual& archive);

  // The base's load, the pattern and noise textures, then the region grid.
  void LoadResources(ComRef<IDirect3DTexture9>& maskSlot) override;
  // The grid over the region, the texture repeating `tiling` times across it.
  void BuildRegionMesh() override;
  void Render(DS_ABRender& layer) override;

  // The matrices, textures and clocks of the fire on the effect, for a mesh placed by
  // its frame's local matrix. Sets no technique and draws nothing.
  void SetFireParameters(const DS_Frame& mesh, Effect* effect);

  MediaColor m_Colour1;
  MediaColor m_Colour2;
  MediaParamT<int> m_StoredValue;
  DS_ImageFileLink m_PatternLink;
  DS_ImageFileLink m_NoiseLink;
  UINTSclaleTo<float> m_Density;
  UINTSclaleTo<float> m_Brightness;
  UINTSclaleTo<float> m_Tiling;
  ComRef<IDirect3DTexture9> m_PatternTexture;
  ComRef<IDirect3DTexture9> m_NoiseTexture;
};
