#pragma once
// Quad lists: sprite batches, particle batches and rows of glyphs are drawn as one indexed
// triangle list of quads, four vertices and six 16-bit indices per quad.
//
// The vertices of quad k, in strip order, are 4k bottom-left, 4k+1 top-left, 4k+2
// bottom-right and 4k+3 top-right ("top" is the smaller picture y); its two triangles are
// (4k, 4k+1, 4k+2) and (4k+2, 4k+1, 4k+3).
//
// Geometry is computed as plain arrays (positions, colours, texture coordinates) that a
// test can read without a device; Upload is the thin step that locks the vertex buffer
// once, copies and unlocks. The arrays are sized once, so a frame allocates nothing.
#include "core/render/SimpleMesh.h"
#include "core/render/Vertex.h"

#include <d3d9.h>
#include <d3dx9math.h>

#include <cstdint>
#include <vector>

// 16-bit indices reach 65536 vertices: 16384 quads per buffer.
constexpr UINT kMaxQuadsPerBuffer = 16384;

// A quad count from outside (a document, a generator's settings) within what one buffer
// can address.
constexpr UINT CapQuadCount(std::uint64_t quads) {
  return quads > kMaxQuadsPerBuffer ? kMaxQuadsPerBuffer : UINT(quads);
}

// Writes 4k, 4k+1, 4k+2, 4k+2, 4k+1, 4k+3 for quads k = 0 .. quads - 1 (6 x quads
// indices; quads must be capped).
void WriteQuadIndices(WORD* out, UINT quads);

// (Re)creates a mesh's buffers for `quads` quads of vertex type V in the managed pool and
// writes the index pattern. Fills the indexed primitive count (2 per quad) and leaves the
// plain primitive count at 0, as every quad-list mesh does: quad lists are only ever drawn
// indexed. The count is capped. Returns false, with no buffers and counts of 0, when a
// buffer cannot be created or the index buffer cannot be written.
template <class V>
bool CreateQuadListBuffers(DS_IndexedMesh<V>& mesh, UINT quads);

// The plain arrays of a quad list.
class QuadListVertices {
public:
  // Room for `quads` quads (capped); grows the arrays only when they are too small.
  void Resize(UINT quads);
  UINT QuadCount() const { return m_Quads; }

  // Quad i at corner c (its top-left), spanning `right` along its x axis and `down`
  // along its y axis (down the picture): c + down, c, c + down + right, c + right.
  void SetCorners(UINT i, const D3DXVECTOR3& c, const D3DXVECTOR3& right, const D3DXVECTOR3& down);
  void SetColor(UINT i, D3DCOLOR color);
  // u from the left edge to the right one, v from the top edge to the bottom one.
  void SetTexCoords(UINT i, float uLeft, float uRight, float vTop, float vBottom);

  // Copies quads 0 .. quads - 1 into the first vertices of the buffer, under one lock.
  // False (nothing written) without a buffer, when the buffer holds fewer vertices than
  // that, when quads exceeds the arrays, or when the lock fails.
  bool Upload(IDirect3DVertexBuffer9* buffer, UINT bufferVertices, UINT quads) const;
  bool Upload(const DS_IndexedMesh<DX_V::PCT>& mesh, UINT quads) const {
    return Upload(mesh.vertexBuffer, mesh.vertexCount, quads);
  }

  std::vector<D3DXVECTOR3> positions;
  std::vector<D3DCOLOR> colors;
  std::vector<D3DXVECTOR2> texCoords;

private:
  UINT m_Quads = 0;
};

// ---------------------------------------------------------------------------------------

// Creates the two managed buffers of `quads` quads of vertexBytes-sized vertices and
// writes the index pattern; on any failure both slots end empty.
bool CreateIndexedBuffers(ComRef<IDirect3DVertexBuffer9>& vertices, ComRef<IDirect3DIndexBuffer9>& indices,
                          UINT vertexBytes, DWORD fvf, UINT quads);

template <class V>
bool CreateQuadListBuffers(DS_IndexedMesh<V>& mesh, UINT quads) {
  quads = CapQuadCount(quads);
  ComRef<IDirect3DVertexBuffer9> vertices;
  ComRef<IDirect3DIndexBuffer9> indices;
  const bool ok = CreateIndexedBuffers(vertices, indices, UINT(sizeof(V)), V::FVF, quads);
  mesh.SetVertexBuffer(vertices.Get(), nullptr, ok ? quads * 4 : 0, D3DPT_TRIANGLELIST, 0);
  mesh.indexBuffer = indices;
  mesh.indexedPrimitiveCount = ok ? quads * 2 : 0;
  mesh.indexLockPointer = nullptr;
  return ok;
}
