#include "objects/particles/AnimatedFont.h"

#include "core/archive/ReaderRegistry.h"
#include "core/document/DocResManager.h"
#include "core/render/Device.h"
#include "layers/DS_ABRender.h"
#include "layers/RecordHead.h"

#include <algorithm>
#include <cmath>

DS_REGISTER_OBJECT_READER(DS_AnimatedFont);

namespace {

// A stored link: a string and its 64-bit stamp.
constexpr size_t kMinLinkBytes = kMinStringBytes + 8;
// A glyph entry: a 16-bit character, then a link.
constexpr size_t kMinGlyphBytes = 2 + kMinLinkBytes;

bool IsFinite(const D3DXMATRIX& m) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (!std::isfinite(m.m[r][c])) return false;
  return true;
}

}  // namespace

void DS_AnimatedFont::InitRuntime(DS_ParticlesObj& runtime) {
  DS_StaticGenerator::InitRuntime(runtime);
  runtime.SetBatchCount(1);
  m_LetterFrames.clear();
  m_LetterFrames.reserve(m_Letters.size());
  for (const DS_ImageFileLink& link : m_Letters) {
    // Without a resource manager a letter has no picture: it keeps its slot, so that
    // letter i still pairs with stored particle i, and is never drawn.
    m_LetterFrames.push_back(g_DocResManager ? link.LoadModuleTextureSet(*g_DocResManager) : DS_TextureSet());
    // The copy is this letter's own: it plays from its first frame on the font's clock,
    // whatever another user of the same set has stepped it to.
    m_LetterFrames.back().frame = 0;
    m_LetterFrames.back().lastSwitch = 0.0f;
  }
  BuildLetters(runtime);
  ApplyScale(runtime);
}

void DS_AnimatedFont::BuildLetters(DS_ParticlesObj& runtime) {
  const size_t letters = std::min(m_LetterFrames.size(), size_t(kMaxQuadsPerBuffer));
  runtime.ReserveQuads(0, letters);
  if (letters == 0) return;
  if (!runtime.LockBatch(0)) return;
  // Letters without a stored particle keep the zero-filled quad of a new buffer, which
  // covers nothing; stored particles beyond the letters are ignored.
  size_t i = 0;
  for (auto it = m_Stored.begin(); it != m_Stored.end() && i < letters; ++it, ++i) {
    const DS_TextureSet& set = m_LetterFrames[i];
    runtime.WriteQuad(SpriteQuad::FromCorner(it->position, float(set.width), float(set.height)), 0, i);
  }
  runtime.UnlockBatch(0);
}

D3DXMATRIX DS_AnimatedFont::ScaleAbout(const D3DXVECTOR3& centre, float scale) {
  D3DXMATRIX toOrigin, scaling, back, m;
  D3DXMatrixTranslation(&toOrigin, -centre.x, -centre.y, -centre.z);
  D3DXMatrixScaling(&scaling, scale, scale, scale);
  D3DXMatrixTranslation(&back, centre.x, centre.y, centre.z);
  D3DXMatrixMultiply(&m, &toOrigin, &scaling);
  D3DXMatrixMultiply(&m, &m, &back);
  // A matrix of NaNs would make every vertex a NaN on the device; the natural size is
  // the safe reading of a line that cannot be scaled.
  if (!IsFinite(m)) D3DXMatrixIdentity(&m);
  return m;
}

void DS_AnimatedFont::ApplyScale(DS_ParticlesObj& runtime) {
  const D3DXMATRIX m = ScaleAbout(m_Centre.Get(), m_Scale.Derived());
  if (runtime.BatchCount() > 0) {
    DS_ParticleBatch& batch = runtime.Batch(0);
    batch.local = m;
    batch.world = m;
  }
  for (int c = 0; c < 4; ++c) {
    const D3DXVECTOR3 from = m_SecondQuad.corners[c].Get();
    D3DXVECTOR3 to;
    D3DXVec3TransformCoord(&to, &from, &m);
    m_FirstQuad.corners[c].Store(to);
  }
}

void DS_AnimatedFont::UpdateFrame(float time, DS_ParticlesObj&) {
  m_FontClock.Advance(time);
  const float now = m_FontClock.Time();
  for (DS_TextureSet& set : m_LetterFrames) set.AdvanceFrame(now);
}

void DS_AnimatedFont::Render(DS_ABRender& context, DS_ParticlesObj& runtime) {
  if (runtime.BatchCount() == 0) return;
  // A batch whose buffers could not be made holds no quads, whatever its count says.
  const DS_ParticleBatch& batch = runtime.Batch(0);
  if (!batch.vertexBuffer || !batch.indexBuffer) return;
  const size_t letters = std::min<size_t>(runtime.Count(0), m_LetterFrames.size());
  Effect* effect = m_Effect.Get();
  for (size_t i = 0; i < letters; ++i) {
    // A letter whose set did not load would draw its quad with whatever texture the
    // stage last held.
    IDirect3DTexture9* texture = m_LetterFrames[i].CurrentTexture();
    if (!texture) continue;
    if (g_Device) g_Device->SetTexture(0, texture);
    context.DrawQuadRange(batch, &effect, UINT(i), 1);
  }
}

void DS_AnimatedFont::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  std::wstring text = m_Text.Get();
  archive.ReadString(text);
  m_Text.Store(text);

  int clock = int(m_FontClock.Get());
  archive.ReadInt(clock);
  m_FontClock.Set(unsigned(clock));
  int scale = int(m_Scale.Get());
  archive.ReadInt(scale);
  m_Scale.Set(unsigned(scale));
  for (MediaParamT<unsigned>& setting : m_Settings) {
    int value = int(setting.Get());
    archive.ReadInt(value);
    setting.Store(unsigned(value));
  }
  long setting = m_Setting.Get();
  archive.ReadLong(setting);
  m_Setting.Store(int(setting));

  unsigned glyphs = 0;
  if (ReadListCount(archive, glyphs, kMinGlyphBytes)) {
    for (unsigned i = 0; i < glyphs && !archive.Failed(); ++i) {
      short character = 0;
      archive.ReadShort(character);
      DS_FileLink3 link;
      ReadFileLink(archive, link);
      if (archive.Failed()) break;
      m_Glyphs[wchar_t(static_cast<unsigned short>(character))] = link.GetKey();
    }
  }

  unsigned letters = 0;
  if (ReadListCount(archive, letters, kMinLinkBytes)) {
    // One batch holds every letter: links beyond its quads are read past and dropped.
    m_Letters.reserve(std::min<size_t>(letters, kMaxQuadsPerBuffer));
    for (unsigned i = 0; i < letters && !archive.Failed(); ++i) {
      DS_FileLink3 link;
      ReadFileLink(archive, link);
      if (archive.Failed()) break;
      if (m_Letters.size() < size_t(kMaxQuadsPerBuffer)) m_Letters.emplace_back(link);
    }
  }

  DS_StaticGenerator::ReadPart(archive);
}

void DS_AnimatedFont::WritePart(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_AnimatedFont", kVersion);
  archive.WriteString(m_Text.Get());
  archive.WriteInt(int(m_FontClock.Get()));
  archive.WriteInt(int(m_Scale.Get()));
  for (const MediaParamT<unsigned>& setting : m_Settings) archive.WriteInt(int(setting.Get()));
  archive.WriteLong(long(m_Setting.Get()));
  archive.WriteUInt(unsigned(m_Glyphs.size()));
  for (const auto& glyph : m_Glyphs) {
    archive.WriteShort(short(glyph.first));
    WriteFileLink(archive, DS_FileLink3(glyph.second));
  }
  archive.WriteUInt(unsigned(m_Letters.size()));
  for (const DS_ImageFileLink& link : m_Letters) WriteFileLink(archive, link);
  DS_StaticGenerator::WritePart(archive);
}
