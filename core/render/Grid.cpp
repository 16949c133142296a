#include "core/render/Grid.h"

#include <algorithm>

namespace {

DX_V::PT Add(const DX_V::PT& a, const DX_V::PT& b) { return {a.x + b.x, a.y + b.y, a.z + b.z, a.u + b.u, a.v + b.v}; }
DX_V::PT Sub(const DX_V::PT& a, const DX_V::PT& b) { return {a.x - b.x, a.y - b.y, a.z - b.z, a.u - b.u, a.v - b.v}; }
DX_V::PT Mul(const DX_V::PT& a, float s) { return {a.x * s, a.y * s, a.z * s, a.u * s, a.v * s}; }
DX_V::PT Div(const DX_V::PT& a, float s) { return {a.x / s, a.y / s, a.z / s, a.u / s, a.v / s}; }

}  // namespace

bool FillGridVertices(const DX_V::PT& c0, const DX_V::PT& c1, const DX_V::PT& c2, const DX_V::PT& c3,
                      UINT columns, UINT rows, DX_V::PT* out)
{
  if (columns == 0 || rows == 0) return false;
  const float C = static_cast<float>(columns);
  const float R = static_cast<float>(rows);
  const DX_V::PT dl = Div(Sub(c2, c0), R);
  const DX_V::PT dr = Div(Sub(c3, c1), R);
  for (UINT j = 0; j <= rows; ++j) {
    const DX_V::PT left = Add(c0, Mul(dl, static_cast<float>(j)));
    const DX_V::PT right = Add(c1, Mul(dr, static_cast<float>(j)));
    const DX_V::PT step = Div(Sub(right, left), C);
    for (UINT i = 0; i <= columns; ++i) out[i + (columns + 1) * j] = Add(left, Mul(step, static_cast<float>(i)));
  }
  return true;
}

bool FillGridFromCorners(const DX_V::PT& c0, const DX_V::PT& c1, const DX_V::PT& c2, const DX_V::PT& c3,
                         IDirect3DVertexBuffer9* buffer, UINT columns, UINT rows)
{
  if (!buffer || columns == 0 || rows == 0) return false;
  const unsigned long long needed = (columns + 1ull) * (rows + 1ull) * sizeof(DX_V::PT);
  D3DVERTEXBUFFER_DESC desc;
  if (FAILED(buffer->GetDesc(&desc)) || desc.Size < needed) return false;
  void* p = LockVertexBuffer(buffer);
  if (!p) return false;
  FillGridVertices(c0, c1, c2, c3, columns, rows, static_cast<DX_V::PT*>(p));
  buffer->Unlock();
  return true;
}

void StoreSquareTextureCopy(int k, ComRef<IDirect3DTexture9>& objectTexture, IDirect3DTexture9* source)
{
  // The exponent comes from a document: keep the side within what a device can create.
  k = std::clamp(k, 0, 5);
  const UINT side = 128u << k;
  IDirect3DTexture9* copy = nullptr;
  CreateTextureCopy(side, side, source, &copy, D3DFMT_UNKNOWN);
  objectTexture.Attach(copy);
}
