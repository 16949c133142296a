#pragma once
// Mesh bases: a frame with a vertex buffer (and, for the indexed form, an index buffer).
// Copies share the buffers (a reference each); destruction releases them.
//
// The two primitive counts. A draw reads one of them, by how it draws:
// - primitiveCount is what a non-indexed draw (DrawPrimitive) draws: screen and colour
//   quads (a strip of 2), the layer's picture quad, meshes drawn with the layer's Draw.
// - indexedPrimitiveCount is what an indexed draw (DrawIndexedPrimitive) draws: quad lists
//   (sprite batches, particle batches, glyph rows; CreateQuadListBuffers fills 2 per quad),
//   region grids, loaded 3D meshes and mesh arrays, drawn with the layer's DrawIndexed,
//   DrawMesh, DrawMeshPart, DrawMeshArray and DrawTexturedQuad.
// A mesh fills the count of the way it is drawn; quad lists leave primitiveCount at 0.
// (DrawQuadRange and DrawSpriteArray draw 2 per quad of the range or sprite count.)
#include "core/render/Device.h"
#include "core/render/Frame.h"
#include "core/render/Vertex.h"

template <class V>
struct DS_SimpleMesh : DS_Frame {
  ComRef<IDirect3DVertexBuffer9> vertexBuffer;
  void* lockPointer = nullptr;
  UINT vertexCount = 0;
  D3DPRIMITIVETYPE primitiveType = D3DPT_TRIANGLESTRIP;
  UINT primitiveCount = 0;

  DS_SimpleMesh() = default;
  DS_SimpleMesh(const DS_SimpleMesh& o)
      : DS_Frame(o),
        vertexBuffer(o.vertexBuffer),
        vertexCount(o.vertexCount),
        primitiveType(o.primitiveType),
        primitiveCount(o.primitiveCount)
  {
  }
  DS_SimpleMesh& operator=(const DS_SimpleMesh& o)
  {
    if (this == &o) return *this;
    DS_Frame::operator=(o);
    vertexBuffer = o.vertexBuffer;
    lockPointer = nullptr;
    vertexCount = o.vertexCount;
    primitiveType = o.primitiveType;
    primitiveCount = o.primitiveCount;
    return *this;
  }
  ~DS_SimpleMesh() override = default;

  // Binds a buffer (a reference of its own is taken; the previous buffer is released).
  void SetVertexBuffer(IDirect3DVertexBuffer9* buffer, void* lock, UINT count,
                       D3DPRIMITIVETYPE type, UINT primitives)
  {
    vertexBuffer.Assign(buffer);
    lockPointer = lock;
    vertexCount = count;
    primitiveType = type;
    primitiveCount = primitives;
  }
};

template <class V>
struct DS_IndexedMesh : DS_SimpleMesh<V> {
  ComRef<IDirect3DIndexBuffer9> indexBuffer;
  UINT indexedPrimitiveCount = 0;
  void* indexLockPointer = nullptr;

  DS_IndexedMesh() = default;
  DS_IndexedMesh(const DS_IndexedMesh& o)
      : DS_SimpleMesh<V>(o), indexBuffer(o.indexBuffer), indexedPrimitiveCount(o.indexedPrimitiveCount)
  {
  }
  DS_IndexedMesh& operator=(const DS_IndexedMesh& o)
  {
    if (this == &o) return *this;
    DS_SimpleMesh<V>::operator=(o);
    indexBuffer = o.indexBuffer;
    indexedPrimitiveCount = o.indexedPrimitiveCount;
    indexLockPointer = nullptr;
    return *this;
  }
  ~DS_IndexedMesh() override = default;
};
