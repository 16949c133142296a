#pragma once
// Two effects drawn over a region of the picture as seen in perspective:
//   DS_CloudFX        a cloud picture drifting along a direction over the region,
//                     thresholded, tinted between two colours and projected by a small
//                     perspective block (DS_CloudPerspective);
//   DS_PerspectiveFX  the picture swung about a line through its centre as if it tilted
//                     in depth.
// Neither has a default effect link: documents carry their effects. Both draw over their
// 2 x 2 region grid ("Main") or the whole picture quad ("MainFX").
#include "effects/ShapeBases.h"

// The cloud's projection: how strongly the region narrows toward its far edge, the height
// of the cloud layer and the texture's offset and flip. Embedded in the cloud's record
// without a head of its own.
struct DS_CloudPerspective {
  // The values the block passes, worked out from its members.
  struct Values {
    float pxTransform;   // "PX_Transform"
    float pyTransformH;  // "PY_TransformH"
    float pyTransformZ;  // "PY_TransformZ"
    float texShift[4];   // "tex_shift"
  };

  // Perspective, height, texture offset, flip, then the two values kept for saving only.
  void Write(DS_IOF_Virtual& archive) const;
  void Read(DS_IOF_Virtual& archive);

  Values Compute() const;
  void SetEffectParameters(Effect& effect) const;

  UINTSclaleTo<float> m_Perspective{0u, 0.02f, 1.0f};
  UINTSclaleTo<float> m_Height{0u, 0.25f, 0.0f};
  UINTSclaleTo<float> m_TextureOffset{0u, 0.01f, 0.0f};
  MediaParamT<int> m_Flip{0};
  UINTSclaleTo<float> m_Fifth{0u, 0.1f, 1.0f};
  UINTSclaleTo<float> m_Sixth{0u, 0.01f, 0.0f};
};

class DS_CloudFX : public DS_DirectionBased {
public:
  static constexpr unsigned kVersion = 1;

  DS_CloudFX();
  DS_CloudFX(const DS_CloudFX& other) = default;
  DS_CloudFX& operator=(const DS_CloudFX&) = delete;

  DS_CloudFX* Clone() const override { return new DS_CloudFX(*this); }
  void Write(DS_IOF_Virtual& archive) override;
  // The record "DS_CloudFX" (the version is not tested).
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);

  // The cloud frames from the cloud link, the base load, a 2 x 2 grid over the region.
  void LoadResources(ComRef<IDirect3DTexture9>& maskSlot) override;
  // The mask texture shift from the region, then the grid (when there is one) with texture
  // coordinates running 0 to 1 across the region.
  void BuildRegionMesh() override;
  void Render(DS_ABRender& layer) override;

  // The "Velocity" at the current effect time.
  void Velocity(float out[2]) const;

  MediaColor m_Colour1{0ul};
  MediaColor m_Colour2{0ul};
  DS_ImageFileLink m_CloudLink;
  DS_ImageFileLink m_SecondLink;  // stored only; never loaded
  UINTSclaleTo<float> m_Threshold{0u, 0.02f, 1.0f};
  UINTSclaleTo<float> m_Density{0u, 0.02f, 0.0f};
  DS_CloudPerspective m_Projection;
  DS_TextureSet m_CloudFrames;
  DS_TextureSet m_SecondFrames;  // never filled
  // (width, left, height, top) of the region as fractions of the picture.
  float m_MaskTexShift[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

class DS_PerspectiveFX : public DS_LineBased {
public:
  static constexpr unsigned kVersion = 1;

  DS_PerspectiveFX();
  DS_PerspectiveFX(const DS_PerspectiveFX& other) = default;
  DS_PerspectiveFX& operator=(const DS_PerspectiveFX&) = delete;

  DS_PerspectiveFX* Clone() const override { return new DS_PerspectiveFX(*this); }
  void Write(DS_IOF_Virtual& archive) override;
  // The record "DS_PerspectiveFX" (the version is not tested).
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);

  // The line base's load (centre, effect, lines), then a 2 x 2 grid over the region.
  void LoadResources(ComRef<IDirect3DTexture9>& maskSlot) override;
  void Render(DS_ABRender& layer) override;

  // "amplitude" and "p_amplitude" at the current effect time and alpha.
  void Amplitudes(float* amplitude, float* pAmplitude) const;

  UINTSclaleTo<float> m_Depth{0u, 0.002f, 1.0f};
  UINTSclaleTo<float> m_Swing{0u, 10.0f, 0.0f};
  MediaParamT<int> m_SwingMode{0};
};
