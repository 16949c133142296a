#pragma once
// Shapes for shader effects: a direction on the picture (DS_DirectionBased), a centre
// point (DS_CentralBased) and a line through that centre (DS_LineBased). None draws by
// itself; each adds its members, its record part, a load step and the parameter steps its
// subclasses call from Render.
#include "effects/FXConstructor.h"

#include <d3dx9math.h>

class DS_DirectionBased : public DS_FX_Constructor {
public:
  DS_DirectionBased();
  DS_DirectionBased(const DS_DirectionBased& other);
  DS_DirectionBased& operator=(const DS_DirectionBased&) = delete;

  void Write(DS_IOF_Virtual& archive) override { WriteDirectionPart(archive); }
  // "DS_DirectionBased", version 1, amount, angle, then the base part.
  void WriteDirectionPart(DS_IOF_Virtual& archive);
  // Reads a whole part (class name not compared, version not tested).
  void ReadDirectionPart(DS_IOF_Virtual& archive);

  // direction := (1, 0, 0, 0) turned about z through (360 - angle) degrees.
  void ComputeDirection();

  UINTSclaleTo<float> m_Amount;
  MediaParamT<unsigned> m_Angle;
  D3DXVECTOR4 m_Direction{1.0f, 0.0f, 0.0f, 0.0f};
  DS_ParamBinder m_Binder;

private:
  void Bind();
};

class DS_CentralBased : public DS_FX_Constructor {
public:
  // The centre starts at the middle of the picture of the screen layout.
  DS_CentralBased();
  DS_CentralBased(const DS_CentralBased& other) = default;
  DS_CentralBased& operator=(const DS_CentralBased&) = delete;

  void Write(DS_IOF_Virtual& archive) override { WriteCentralPart(archive); }
  // "DS_CentralBased", version 1, the centre, then the base part.
  void WriteCentralPart(DS_IOF_Virtual& archive);
  void ReadCentralPart(DS_IOF_Virtual& archive);

  // A description not yet placed (flag false) is centred on the picture first.
  void LoadResources(ComRef<IDirect3DTexture9>& maskSlot) override;

  // Technique, "Scale" (a / s, 1 / s, s / a, s), "Mask", "Background". Draws nothing.
  void SetScaleParameters(DS_ABRender& layer);
  // SetScaleParameters, then "Center": the centre over the stage view's picture size.
  void SetCenterParameters(DS_ABRender& layer);

  MediaParamT<D3DXVECTOR3> m_Centre;
};

class DS_LineBased : public DS_CentralBased {
public:
  DS_LineBased() = default;
  DS_LineBased(const DS_LineBased& other) = default;
  DS_LineBased& operator=(const DS_LineBased&) = delete;

  void Write(DS_IOF_Virtual& archive) override { WriteLinePart(archive); }
  // "DS_LineBased", version 1, angle, centre, then the DS_FX_Constructor part (stored
  // documents carry no DS_CentralBased part here).
  void WriteLinePart(DS_IOF_Virtual& archive);
  void ReadLinePart(DS_IOF_Virtual& archive);

  // The centre step, the base load, then the lines.
  void LoadResources(ComRef<IDirect3DTexture9>& maskSlot) override;
  // Ln and Lt from the centre and the direction, in stage-picture fractions.
  void ComputeLines();
  // SetCenterParameters, then "Ln", "Lt", "t" and "n".
  void SetLineParameters(DS_ABRender& layer);

  // The values SetLineParameters passes as "t" and "n".
  void LineVectors(float t[2], float n[2]) const;

  MediaDirection m_LineDirection;
  D3DXVECTOR3 m_Ln{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 m_Lt{0.0f, 0.0f, 0.0f};
};

// The stage view's picture width and height (1 where there is no stage view or a size of
// 0), the size that centres and lines are measured against.
void StagePictureSize(float* width, float* height);
