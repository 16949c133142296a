#pragma once
// Two render-target textures used in turn: every off-screen pass draws into one while the
// other holds what was drawn before. The textures live in the DEFAULT pool: the owner
// calls Release on device loss and Create again after the reset.
#include "core/render/D3DUtil.h"

struct DS_RenderTargetPair {
  ComRef<IDirect3DTexture9> current;  // an extra reference to textures[index]
  ComRef<IDirect3DTexture9> textures[2];
  ComRef<IDirect3DSurface9> savedTarget;
  ComRef<IDirect3DSurface9> savedDepthStencil;
  UINT width = 0;
  UINT height = 0;
  int index = 0;

  DS_RenderTargetPair() = default;
  DS_RenderTargetPair(const DS_RenderTargetPair&) = delete;
  DS_RenderTargetPair& operator=(const DS_RenderTargetPair&) = delete;
  ~DS_RenderTargetPair();

  // True when both targets exist; a pair whose textures could not be created is never
  // bound, swapped or drawn from.
  bool IsValid() const { return current && textures[0] && textures[1]; }

  // Stores the size; with a zero width or height nothing else happens. Otherwise creates
  // both targets (A8R8G8B8, one level) and stores the size that the current one really has.
  void Create(UINT w, UINT h);
  // Create, then copies level 0 of the source (when given) into the current target.
  void CopyFrom(IDirect3DTexture9* source, UINT w, UINT h);
  // Releases both targets and the current one (device loss).
  void Release();

  // Saves render target 0 and the depth-stencil surface, then draws into the current
  // target without depth. False (and nothing changed) when the pair is not valid.
  bool BeginRender();
  // Restores what BeginRender saved.
  void EndRender();
  // Draws into the other target from now on, cleared to opaque black, and returns the
  // target drawn before the swap (no reference added). Null, with nothing changed, when
  // the pair is not valid.
  IDirect3DTexture9* SwapAndClear();
};
