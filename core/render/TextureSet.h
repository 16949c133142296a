#pragma once
// The textures of one image link: the frames of an animated picture (or one) with their
// delays. The set holds one reference per texture; copies add references.
#include <vector>

#include "core/render/D3DUtil.h"

struct DS_TextureSet {
  std::vector<ComRef<IDirect3DTexture9>> textures;  // a slot may be null when its load failed
  std::vector<float> delays;                        // seconds, one per frame, or empty
  UINT width = 0;
  UINT height = 0;
  float aspect = 1.0f;
  float lastSwitch = 0.0f;  // time of the last frame switch
  int frame = 0;            // current frame index

  DS_TextureSet() = default;
  DS_TextureSet(const DS_TextureSet& o);
  DS_TextureSet(DS_TextureSet&& o) noexcept;
  DS_TextureSet& operator=(const DS_TextureSet& o);
  DS_TextureSet& operator=(DS_TextureSet&& o) noexcept;
  ~DS_TextureSet();

  bool IsEmpty() const { return textures.empty(); }
  // Releases every texture and returns to the state of a new set.
  void Clear();
  // Appends a frame (a reference of its own); width, height and aspect follow it.
  void AddTexture(const DS_TextureRecord& record);
  // Sizes the frame list to n null slots (releasing what was there) and starts at frame 0.
  void ResizeFrames(size_t n);
  // Puts a texture in slot i (a new reference); width, height and aspect follow it.
  void SetFrame(size_t i, const DS_TextureRecord& record);

  // The texture of the current frame; an index outside the frames reads frame 0. Null for
  // an empty set. No reference is added.
  IDirect3DTexture9* CurrentTexture() const;
  // Frame 0 (a new reference) with the set's width, height and aspect.
  DS_TextureRecord GetFirstTexture() const;

  // Steps to the next (or previous) frame when the current frame's delay has passed since
  // the last switch; a time earlier than the last switch restarts the delay from it.
  // Returns true when the frame changed. Only frames that have both a texture slot and a
  // delay take part, so the index never leaves the texture list.
  bool AdvanceFrame(float now);
  bool RewindFrame(float now);

private:
  bool Step(float now, int direction);
};
