#include "core/render/TextureSet.h"

#include <algorithm>
#include <utility>

DS_TextureSet::DS_TextureSet(const DS_TextureSet& o)
    : textures(o.textures), delays(o.delays), width(o.width), height(o.height), aspect(o.aspect),
      lastSwitch(o.lastSwitch), frame(o.frame)
{
}

DS_TextureSet::DS_TextureSet(DS_TextureSet&& o) noexcept
    : textures(std::move(o.textures)), delays(std::move(o.delays)), width(o.width), height(o.height),
      aspect(o.aspect), lastSwitch(o.lastSwitch), frame(o.frame)
{
  o.textures.clear();
}

DS_TextureSet& DS_TextureSet::operator=(const DS_TextureSet& o)
{
  if (this == &o) return *this;
  DS_TextureSet copy(o);
  *this = std::move(copy);
  return *this;
}

DS_TextureSet& DS_TextureSet::operator=(DS_TextureSet&& o) noexcept
{
  if (this == &o) return *this;
  Clear();
  textures = std::move(o.textures);
  o.textures.clear();
  delays = std::move(o.delays);
  width = o.width;
  height = o.height;
  aspect = o.aspect;
  lastSwitch = o.lastSwitch;
  frame = o.frame;
  return *this;
}

DS_TextureSet::~DS_TextureSet() { Clear(); }

void DS_TextureSet::Clear()
{
  textures.clear();
  delays.clear();
  width = height = 0;
  aspect = 1.0f;
  lastSwitch = 0.0f;
  frame = 0;
}

void DS_TextureSet::AddTexture(const DS_TextureRecord& record)
{
  textures.push_back(record.texture);
  width = record.width;
  height = record.height;
  aspect = record.aspect;
}

void DS_TextureSet::ResizeFrames(size_t n)
{
  textures.assign(n, nullptr);
  frame = 0;
}

void DS_TextureSet::SetFrame(size_t i, const DS_TextureRecord& record)
{
  if (i >= textures.size()) return;
  textures[i] = record.texture;
  width = record.width;
  height = record.height;
  aspect = record.aspect;
}

IDirect3DTexture9* DS_TextureSet::CurrentTexture() const
{
  if (textures.empty()) return nullptr;
  const size_t i = frame >= 0 && static_cast<size_t>(frame) < textures.size() ? static_cast<size_t>(frame) : 0;
  return textures[i];
}

DS_TextureRecord DS_TextureSet::GetFirstTexture() const
{
  DS_TextureRecord r;
  if (!textures.empty()) r.texture = textures[0];
  r.width = width;
  r.height = height;
  r.aspect = aspect;
  return r;
}

bool DS_TextureSet::Step(float now, int direction)
{
  if (now < lastSwitch) lastSwitch = now;
  // Delays come from the document and textures from loads that may have failed: only
  // frames present in both lists can be shown.
  const size_t n = std::min(delays.size(), textures.size());
  if (n == 0) return false;
  if (frame < 0 || static_cast<size_t>(frame) >= n) frame = 0;
  if (!(now - lastSwitch > delays[static_cast<size_t>(frame)])) return false;
  lastSwitch = now;
  const int count = static_cast<int>(n);
  const int before = frame;
  frame = (frame + direction + count) % count;
  return frame != before;
}

bool DS_TextureSet::AdvanceFrame(float now) { return Step(now, +1); }
bool DS_TextureSet::RewindFrame(float now) { return Step(now, -1); }
