#pragma once
// The render context through which every runtime object draws itself: a runtime object's
// Render receives the layer of its slide and hands it its geometry, texture and effect;
// the layer sets the stage view's transforms and the fixed-function states and issues the
// draw calls. No runtime object sets a transform of its own.
//
// The operations take small views of the caller's geometry (buffers, counts and the frame
// whose world matrix places it), so that every mesh family of the scene classes can be
// drawn without this interface knowing their classes.

#include "core/render/Frame.h"
#include "core/render/ScreenQuad.h"
#include "core/render/SimpleMesh.h"
#include "core/render/Vertex.h"
#include "core/scene/DS_IOF_Item.h"

#include <d3d9.h>

#include <list>

struct DS_RenderTargetPair;
struct Effect;

// A mesh as the draw operations see it: the frame that places it, its vertex buffer (the
// stream layout is chosen by the operation), its primitives and, for indexed draws, its
// 16-bit index buffer. Draw reads primitiveCount; every indexed draw reads
// indexedPrimitiveCount (core/render/SimpleMesh.h says which meshes fill which).
struct DS_MeshView {
  const DS_Frame* frame = nullptr;
  IDirect3DVertexBuffer9* vertexBuffer = nullptr;
  UINT vertexCount = 0;
  D3DPRIMITIVETYPE primitiveType = D3DPT_TRIANGLESTRIP;
  UINT primitiveCount = 0;
  IDirect3DIndexBuffer9* indexBuffer = nullptr;
  UINT indexedPrimitiveCount = 0;

  template <class V>
  static DS_MeshView Of(const DS_SimpleMesh<V>& mesh) {
    DS_MeshView view;
    view.frame = &mesh;
    view.vertexBuffer = mesh.vertexBuffer;
    view.vertexCount = mesh.vertexCount;
    view.primitiveType = mesh.primitiveType;
    view.primitiveCount = mesh.primitiveCount;
    return view;
  }
  template <class V>
  static DS_MeshView Of(const DS_IndexedMesh<V>& mesh) {
    DS_MeshView view = Of(static_cast<const DS_SimpleMesh<V>&>(mesh));
    view.indexBuffer = mesh.indexBuffer;
    view.indexedPrimitiveCount = mesh.indexedPrimitiveCount;
    return view;
  }
};

// A sprite-array runtime object: its sprite geometry (XYZ|DIFFUSE|TEX1 quads) with the
// texture of its current frame, the sprite count and blend mode of its description, and
// an optional overlay texture.
struct DS_SpriteArrayView {
  DS_MeshView geometry;
  IDirect3DTexture9* frameTexture = nullptr;
  UINT spriteCount = 0;
  int blendMode = 0;  // 0 alpha blended, otherwise additive
  IDirect3DTexture9* overlay = nullptr;
};

// A part of a 3D object: a textured XYZ|NORMAL|TEX1 mesh drawn once at every frame of its
// list, each with the frame's world matrix and winding.
struct DS_3DPartView {
  DS_MeshView mesh;
  IDirect3DTexture9* texture = nullptr;
  bool translucent = false;
  const std::list<DS_Frame*>* frames = nullptr;
};

// The textured XYZ|NORMAL|TEX1 mesh of a 3D-in-2D array; the children of the mesh's frame
// are the instances.
struct DS_MeshArrayView {
  DS_MeshView mesh;
  IDirect3DTexture9* texture = nullptr;
};

// An object that draws a textured XYZ|TEX1 quad mesh after updating it with one value.
class DS_TexturedQuadObj {
public:
  virtual void Update(float value) = 0;
  virtual DS_MeshView GetMesh() = 0;
  virtual IDirect3DTexture9* GetTexture() = 0;

protected:
  ~DS_TexturedQuadObj() = default;
};

class DS_ABRender : public DS_IOF_Item {
public:
  // Lays the stage out for drawing into the pair (its size and the view mode); the caller
  // binds the target itself. Pushes nest and must be paired with PopRenderTarget.
  virtual void PushRenderTarget(DS_RenderTargetPair& pair, int viewMode) = 0;
  virtual void PopRenderTarget() = 0;
  // XYZ|TEX1 meshes through an effect (every pass of its current technique). A null
  // effect draws nothing.
  virtual void DrawIndexed(const DS_MeshView& mesh, Effect** effect) = 0;
  virtual void Draw(const DS_MeshView& mesh, Effect** effect) = 0;
  // Quads first .. first + count - 1 of an XYZ|DIFFUSE|TEX1 indexed mesh; without an
  // effect, through the fixed pipeline with whatever texture is bound.
  virtual void DrawQuadRange(const DS_MeshView& mesh, Effect** effect, UINT first, UINT count) = 0;
  virtual void DrawMesh(const DS_MeshView& mesh, Effect** effect) = 0;
  virtual void DrawMeshPart(const DS_3DPartView& part) = 0;
  virtual void DrawSpriteArray(const DS_SpriteArrayView& object) = 0;
  virtual void DrawMeshArray(const DS_MeshArrayView& mesh) = 0;
  virtual void DrawTexturedQuad(DS_TexturedQuadObj& object, float value, int ignored) = 0;
  // The slot of the texture that post-pass objects read as the scene drawn so far. It
  // holds a reference of its own.
  virtual ComRef<IDirect3DTexture9>& GetBackgroundTexture() = 0;
  virtual DS_ScreenQuad& GetScreenQuad() = 0;
  // The picture's size, also while a render target is pushed.
  virtual UINT GetWidth() = 0;
  virtual UINT GetHeight() = 0;

  // Conveniences for meshes of the core families.
  template <class M>
  void Draw(const M& mesh, Effect** effect) { Draw(DS_MeshView::Of(mesh), effect); }
  template <class M>
  void DrawIndexed(const M& mesh, Effect** effect) { DrawIndexed(DS_MeshView::Of(mesh), effect); }
  template <class M>
  void DrawMesh(const M& mesh, Effect** effect) { DrawMesh(DS_MeshView::Of(mesh), effect); }
  template <class M>
  void DrawQuadRange(const M& mesh, Effect** effect, UINT first, UINT count) {
    DrawQuadRange(DS_MeshView::Of(mesh), effect, first, count);
  }
};
