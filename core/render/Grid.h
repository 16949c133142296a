#pragma once
// Bilinear grid fill for effect meshes (XYZ|TEX1 vertices, row by row).
#include "core/render/D3DUtil.h"

// (C + 1) x (R + 1) vertices: c0 to c1 along a row, c0 to c2 and c1 to c3 down the rows.
// `out` must hold that many vertices. False (nothing written) when C or R is 0.
bool FillGridVertices(const DX_V::PT& c0, const DX_V::PT& c1, const DX_V::PT& c2, const DX_V::PT& c3,
                      UINT columns, UINT rows, DX_V::PT* out);

// The same into a vertex buffer, locked once. Skipped (false) when the buffer is missing,
// too small for the grid, or cannot be locked.
bool FillGridFromCorners(const DX_V::PT& c0, const DX_V::PT& c1, const DX_V::PT& c2, const DX_V::PT& c3,
                         IDirect3DVertexBuffer9* buffer, UINT columns, UINT rows);

// The object's texture := a managed square copy of the source, 128 x 2^k texels a side
// (k limited to 0..5); the old texture is released.
void StoreSquareTextureCopy(int k, ComRef<IDirect3DTexture9>& objectTexture, IDirect3DTexture9* source);
