#pragma once
// Air brushes: generators whose particles were painted by the author. The document stores
// each painted particle with its position and channels; the brush draws one rotated sprite
// per painted particle, all in one batch.
//   DS_AirBrush        the abstract base: brush size, sprite aspect, painted particles;
//   DS_CustomAirBrush  a brush with a picture of its own, whose frames it plays on a clock.
#include "objects/particles/GeneratorFamilies.h"

class DS_AirBrush : public DS_TexParticleGenerator {
public:
  DS_AirBrush() = default;
  DS_AirBrush(const DS_AirBrush& other);

  bool IsSpriteObject() override { return false; }
  // Batch 0 with the current frame of image 0.
  void Render(DS_ABRender& context, DS_ParticlesObj& runtime) override;
  void UpdateFrame(float time, DS_ParticlesObj& runtime) override {}
  // The textured InitRuntime and one batch; with an effect, the mask's target as well.
  void InitRuntime(DS_ParticlesObj& runtime) override;
  // Appends a painted particle at the point (the four values are the subclasses') and
  // rebuilds the quads. A full list ignores it.
  virtual void AddParticleAt(const D3DXVECTOR3& point, float a, float b, float c, float d);

  // One quad per painted particle into batch 0: colour 1, width the brush size, height
  // the aspect times it, turned by channel 4. Nothing without a runtime object.
  void FillSprites();

  // The part "DS_AirBrush", versions 1 to 3 (3 written), then the textured part.
  bool ReadPart(DS_IOF_Virtual& archive);
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void WritePart(DS_IOF_Virtual& archive);
  static constexpr unsigned kVersion = 3;

  // Room left for one more painted particle.
  bool HasRoom() const { return m_Painted.size() < kMaxParticlesPerList; }

  MediaParamT<unsigned> m_BrushSize{0u};
  float m_Aspect = 1.0f;  // sprite height / width; not stored
  ParticleList m_Painted;

private:
  bool ReadPainted(DS_IOF_Virtual& archive, unsigned version, Particle& particle);
};

class DS_CustomAirBrush : public DS_AirBrush {
public:
  DS_CustomAirBrush() = default;
  DS_CustomAirBrush(const DS_CustomAirBrush& other) = default;

  // Batch 0 with the current frame of its own picture.
  void Render(DS_ABRender& context, DS_ParticlesObj& runtime) override;
  // Advances its clock and lets the picture's frames follow it; the quads stay.
  void UpdateFrame(float time, DS_ParticlesObj& runtime) override;
  // The textured InitRuntime, one batch, the picture's frames and aspect, the quads.
  void InitRuntime(DS_ParticlesObj& runtime) override;
  DS_ParticleGenerator* Clone() override { return new DS_CustomAirBrush(*this); }

  void Write(DS_IOF_Virtual& archive) override;
  // The record "DS_CustomAirBrush", version 1 (not tested): picture link, clock value,
  // then the air-brush part.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  static constexpr unsigned kVersion = 1;

  DS_ImageFileLink m_Picture;
  MediaSpeedParam m_PictureClock{0u, 0.01f, 0.0f};
  DS_TextureSet m_PictureFrames;  // runtime
};
