#include "core/render/QuadList.h"

#include "core/render/Device.h"

#include <cstring>

void WriteQuadIndices(WORD* out, UINT quads) {
  static constexpr WORD kPattern[6] = {0, 1, 2, 2, 1, 3};
  for (UINT k = 0; k < quads; ++k) {
    const WORD base = WORD(k * 4);
    for (WORD i : kPattern) *out++ = WORD(base + i);
  }
}

bool CreateIndexedBuffers(ComRef<IDirect3DVertexBuffer9>& vertices, ComRef<IDirect3DIndexBuffer9>& indices,
                          UINT vertexBytes, DWORD fvf, UINT quads) {
  vertices.Reset();
  indices.Reset();
  if (!g_Device || quads == 0) return false;
  auto fail = [&] {
    vertices.Reset();
    indices.Reset();
    return false;
  };
  if (FAILED(g_Device->CreateVertexBuffer(quads * 4 * vertexBytes, D3DUSAGE_WRITEONLY, fvf, D3DPOOL_MANAGED,
                                          vertices.ReleaseAndGetAddressOf(), nullptr)))
    return fail();
  if (FAILED(g_Device->CreateIndexBuffer(quads * 6 * UINT(sizeof(WORD)), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                         D3DPOOL_MANAGED, indices.ReleaseAndGetAddressOf(), nullptr)))
    return fail();
  void* p = nullptr;
  // An index buffer that could not be written would draw whatever it holds.
  if (FAILED(indices->Lock(0, 0, &p, 0)) || !p) return fail();
  WriteQuadIndices(static_cast<WORD*>(p), quads);
  indices->Unlock();
  return true;
}

void QuadListVertices::Resize(UINT quads) {
  m_Quads = CapQuadCount(quads);
  const size_t n = size_t(m_Quads) * 4;
  if (positions.size() < n) {
    positions.resize(n, D3DXVECTOR3(0, 0, 0));
    colors.resize(n, 0xFFFFFFFF);
    texCoords.resize(n, D3DXVECTOR2(0, 0));
  }
}

void QuadListVertices::SetCorners(UINT i, const D3DXVECTOR3& c, const D3DXVECTOR3& right, const D3DXVECTOR3& down) {
  if (i >= m_Quads) return;
  D3DXVECTOR3* p = &positions[size_t(i) * 4];
  p[0] = c + down;
  p[1] = c;
  p[2] = c + down + right;
  p[3] = c + right;
}

void QuadListVertices::SetColor(UINT i, D3DCOLOR color) {
  if (i >= m_Quads) return;
  D3DCOLOR* p = &colors[size_t(i) * 4];
  p[0] = p[1] = p[2] = p[3] = color;
}

void QuadListVertices::SetTexCoords(UINT i, float uLeft, float uRight, float vTop, float vBottom) {
  if (i >= m_Quads) return;
  D3DXVECTOR2* t = &texCoords[size_t(i) * 4];
  t[0] = {uLeft, vBottom};
  t[1] = {uLeft, vTop};
  t[2] = {uRight, vBottom};
  t[3] = {uRight, vTop};
}

bool QuadListVertices::Upload(IDirect3DVertexBuffer9* buffer, UINT bufferVertices, UINT quads) const {
  const UINT n = quads * 4;
  if (!buffer || quads == 0 || quads > m_Quads || n > bufferVertices) return false;
  void* p = nullptr;
  if (FAILED(buffer->Lock(0, n * UINT(sizeof(DX_V::PCT)), &p, 0)) || !p) return false;
  auto* v = static_cast<DX_V::PCT*>(p);
  for (UINT i = 0; i < n; ++i) {
    v[i] = DX_V::PCT{positions[i].x, positions[i].y, positions[i].z, colors[i], texCoords[i].x, texCoords[i].y};
  }
  buffer->Unlock();
  return true;
}
