#pragma once
// Vertex layouts shared by the drawing code. Each struct matches its FVF byte for byte.
#include <d3d9.h>

namespace DX_V {

// XYZ|TEX1 (0x102), 20 bytes: screen quads, picture quads, region grids.
struct PT {
  float x, y, z;
  float u, v;
  static constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_TEX1;
};

// XYZ|DIFFUSE|TEX1 (0x142), 24 bytes: sprite batches.
struct PCT {
  float x, y, z;
  D3DCOLOR color;
  float u, v;
  static constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
};

// XYZRHW|DIFFUSE (0x44), 20 bytes: pre-transformed colour quads.
struct RhwC {
  float x, y, z, rhw;
  D3DCOLOR color;
  static constexpr DWORD FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;
};

// XYZ|DIFFUSE (0x42), 16 bytes: untransformed colour quads.
struct PC {
  float x, y, z;
  D3DCOLOR color;
  static constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE;
};

// XYZRHW|DIFFUSE|TEX1 (0x144), 28 bytes: pre-transformed textured quads.
struct RhwCT {
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
  static constexpr DWORD FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
};

// XYZ|NORMAL|TEX1 (0x112), 32 bytes: loaded meshes.
struct PNT {
  float x, y, z;
  float nx, ny, nz;
  float u, v;
  static constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
};

static_assert(sizeof(PT) == 20 && sizeof(PCT) == 24 && sizeof(RhwC) == 20 && sizeof(PC) == 16 &&
              sizeof(RhwCT) == 28 && sizeof(PNT) == 32);

}  // namespace DX_V
