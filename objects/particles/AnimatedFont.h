#pragma once
// A line of text whose letters are moving pictures: one stored texture set of the resource
// module per displayed letter, each drawn with its upper-left corner at a stored particle
// and played by the object's own clock; the whole line scales about the centre. The
// document carries the layout (one link and one stored particle per letter); the text and
// the character table only travel with the record for editing.
#include "core/document/ResourceKeys.h"
#include "objects/particles/GeneratorFamilies.h"

#include <map>
#include <vector>

class DS_AnimatedFont : public DS_StaticGenerator {
public:
  DS_AnimatedFont() = default;
  // Text, clock (step and times), scale, settings, glyph table, quads, letter links and
  // their frames.
  DS_AnimatedFont(const DS_AnimatedFont& other) = default;

  // The static InitRuntime; one batch; each letter's stored texture set from the module,
  // in order; the letters' quads; the line's scale.
  void InitRuntime(DS_ParticlesObj& runtime) override;
  // Advances the font's clock and steps every letter's frames against it.
  void UpdateFrame(float time, DS_ParticlesObj& runtime) override;
  // Each letter with its current frame on stage 0, one quad at a time, through the effect
  // when there is one (else the fixed pipeline). Letters without a picture, and a batch
  // without buffers, draw nothing.
  void Render(DS_ABRender& context, DS_ParticlesObj& runtime) override;
  DS_ParticleGenerator* Clone() override { return new DS_AnimatedFont(*this); }
  void Write(DS_IOF_Virtual& archive) override { WritePart(archive); }

  // Quads for as many letters as there are frames; letter i at stored particle i, sized
  // as its picture. Only the pairs that exist are written.
  void BuildLetters(DS_ParticlesObj& runtime);
  // The batch's frame (local and world) scales the line about the centre; the first quad
  // follows the second through the same matrix.
  void ApplyScale(DS_ParticlesObj& runtime);
  // Translation by -centre, uniform scaling, translation by +centre. A centre or scale
  // that is not a number gives the identity (the line at its natural size).
  static D3DXMATRIX ScaleAbout(const D3DXVECTOR3& centre, float scale);

  // "DS_AnimatedFont", version 1 (not tested), then the static generator's part.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void WritePart(DS_IOF_Virtual& archive);
  static constexpr unsigned kVersion = 1;

  MediaParamT<ds_string> m_Text;
  MediaSpeedParam m_FontClock{0u, 0.01f, 0.0f};
  UINTSclaleTo<float> m_Scale{0u, 0.01f, 0.0f};
  MediaParamT<unsigned> m_Settings[3];
  MediaParamT<int> m_Setting{0};
  std::map<wchar_t, DS_LinkKey> m_Glyphs;
  MediaQuad m_FirstQuad;
  MediaQuad m_SecondQuad;
  std::vector<DS_ImageFileLink> m_Letters;
  std::vector<DS_TextureSet> m_LetterFrames;
};
