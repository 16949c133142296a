#pragma once
// The textured screen quad and the colour and texture quads drawn over the scene.
#include "core/render/D3DUtil.h"
#include "core/render/SimpleMesh.h"

// A holder of a vertex buffer of V vertices with its lock pointer and vertex count.
template <class V>
struct DS_VertexBufferHolder {
  ComRef<IDirect3DVertexBuffer9> buffer;
  void* lockPointer = nullptr;
  UINT vertexCount = 0;

  DS_VertexBufferHolder() = default;
  DS_VertexBufferHolder(const DS_VertexBufferHolder&) = delete;
  DS_VertexBufferHolder& operator=(const DS_VertexBufferHolder&) = delete;
  ~DS_VertexBufferHolder() = default;

  // Releases the held buffer, stores the count and creates count vertices of V.
  HRESULT Create(UINT count, DWORD usage, D3DPOOL pool)
  {
    buffer.Reset();
    lockPointer = nullptr;
    vertexCount = count;
    if (!g_Device) return E_FAIL;
    HRESULT hr = g_Device->CreateVertexBuffer(count * sizeof(V), usage, V::FVF, pool,
                                              buffer.ReleaseAndGetAddressOf(), nullptr);
    // A failed call may still have written to the slot; what it wrote is not ours.
    if (FAILED(hr)) buffer.Detach();
    return hr;
  }
};

using DS_RhwVertexBuffer = DS_VertexBufferHolder<DX_V::RhwCT>;     // 28 bytes, 0x144
using DS_ColorRhwVertexBuffer = DS_VertexBufferHolder<DX_V::RhwC>;  // 20 bytes, 0x44
using DS_ColorXyzVertexBuffer = DS_VertexBufferHolder<DX_V::PC>;    // 16 bytes, 0x42

// Releases the mesh's buffer, stores the count and creates count XYZ|TEX1 vertices
// (FVF 0x102, 20 bytes each). The mesh keeps a null buffer when creation fails.
template <class V>
HRESULT CreateTexturedVertexBuffer(DS_SimpleMesh<V>& mesh, UINT count, DWORD usage, D3DPOOL pool)
{
  mesh.vertexBuffer.Reset();
  mesh.lockPointer = nullptr;
  mesh.vertexCount = count;
  if (!g_Device) return E_FAIL;
  HRESULT hr = g_Device->CreateVertexBuffer(count * sizeof(DX_V::PT), usage, DX_V::PT::FVF, pool,
                                            mesh.vertexBuffer.ReleaseAndGetAddressOf(), nullptr);
  if (FAILED(hr)) mesh.vertexBuffer.Detach();
  return hr;
}

// A quad of four vertices drawn as a two-triangle strip, with the texture it shows. Its
// buffer holds one of several vertex layouts, depending on which builder made it; the
// writers check the layout before they write.
struct DS_ScreenQuad : DS_SimpleMesh<DX_V::PCT> {
  ComRef<IDirect3DTexture9> texture;
  int reserved = 0;

  DS_ScreenQuad() = default;
  DS_ScreenQuad(const DS_ScreenQuad& o);
  DS_ScreenQuad& operator=(const DS_ScreenQuad& o);
  ~DS_ScreenQuad() override;

  // Replaces the texture (a reference of its own), unless it is the same.
  void SetTexture(IDirect3DTexture9* t) { texture.Assign(t); }

  // A new 4-vertex XYZ|TEX1 buffer, write-only and managed; vertices not written.
  void CreateVertexBuffer();
  // Writes the positions of vertices 0..3 (texture coordinates untouched). False when
  // there is no XYZ|TEX1 buffer or it cannot be locked; nothing is written then.
  bool SetCorners(const D3DXVECTOR3 (&corners)[4]);
  // Writes the texture coordinates of vertices 0..3 of an XYZ|TEX1 buffer (positions
  // untouched). False, with nothing written, like SetCorners.
  bool SetTextureCoordinates(const QuadVertices& q);
  // No vertex shader, FVF XYZ|TEX1, stream 0 = the buffer with stride 20.
  void SetStream() const;

  // Pre-transformed colour quad (XYZRHW|DIFFUSE, 20 bytes).
  void BuildColorQuad(D3DCOLOR color, const QuadVertices& q);
  bool SetColorQuadCorners(const QuadVertices& q);
  // Alphas of vertices 0, 1, 2, 3 := a, c, b, d (each clamped to 0..1, times 255, truncated).
  bool SetColorQuadAlphas(float a, float b, float c, float d);

  // Untransformed colour quad (XYZ|DIFFUSE, 16 bytes).
  void BuildColorQuadXYZ(D3DCOLOR color, const QuadVertices& q);
  bool SetColorQuadXYZCorners(const QuadVertices& q);
  bool SetColorQuadXYZColor(D3DCOLOR color);  // RGB of all four; alphas kept
  bool SetColorQuadXYZAlphas(float a, float b, float c, float d);

  // Pre-transformed textured quad (XYZRHW|DIFFUSE|TEX1, 28 bytes), white vertices.
  void BuildTexturedQuad(IDirect3DTexture9* t, const QuadVertices& q);
  // The same with the program's own picture "DDS" 0.
  void BuildDefaultTexturedQuad(const QuadVertices& q);
  bool SetTexturedQuadCorners(const QuadVertices& q);
  bool WriteTexturedVertices(const QuadVertices& q);

private:
  template <class V>
  V* LockAs();
  template <class V>
  bool Rebuild(DS_VertexBufferHolder<V>& holder);
  void Unlock();
};

// Alpha byte of a quad corner: 0..1 scaled to 0..255, truncated.
BYTE AlphaByte(float value);
