#pragma once
// Free functions through which the drawing code talks to Direct3D 9 and D3DX: textures
// and meshes from resource bytes, screen quads, render and copy textures, the back
// buffer's description and a grid index buffer. All of them work on g_Device and keep no
// state of their own.
#include <d3dx9.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/render/Device.h"
#include "core/render/Vertex.h"

// ---------------------------------------------------------------------------------------
// Screen quads: four vertices in triangle-strip order. The builders put vertex 0 at the
// bottom left, 1 at the top left, 2 at the bottom right and 3 at the top right of a
// rectangle in pixels (y grows downward). For pre-transformed vertices z becomes the RHW.
struct QuadVertices {
  DX_V::PT v[4];

  constexpr QuadVertices()
      : v{{0.0f, 0.0f, 1.0f, 0.0f, 1.0f},
          {0.0f, 0.0f, 1.0f, 0.0f, 0.0f},
          {0.0f, 0.0f, 1.0f, 1.0f, 1.0f},
          {0.0f, 0.0f, 1.0f, 1.0f, 0.0f}}
  {
  }
  DX_V::PT& operator[](int i) { return v[i]; }
  const DX_V::PT& operator[](int i) const { return v[i]; }
  // Sets the four positions of the rectangle (left, top)-(right, bottom), z and texture
  // coordinates untouched.
  void SetRect(float left, float top, float right, float bottom);
};

// ---------------------------------------------------------------------------------------
// A texture with its size. Holds one reference; copies add one, destruction releases it.
struct DS_TextureRecord {
  ComRef<IDirect3DTexture9> texture;
  UINT width = 0;
  UINT height = 0;
  float aspect = 1.0f;  // height / width

  DS_TextureRecord() = default;
  DS_TextureRecord(const DS_TextureRecord& o);
  DS_TextureRecord(DS_TextureRecord&& o) noexcept;
  DS_TextureRecord& operator=(const DS_TextureRecord& o);
  DS_TextureRecord& operator=(DS_TextureRecord&& o) noexcept;
  ~DS_TextureRecord();

  // texture := t (a new reference; the old one is released), size and aspect from the
  // arguments. A zero width keeps the aspect at 1 instead of dividing by zero.
  void Assign(IDirect3DTexture9* t, UINT w, UINT h);
  void Reset();
};

// The result of a mesh load: XYZ|NORMAL|TEX1 vertices, 16-bit indices, the counts and the
// bounding sphere. A failed load leaves both buffers null and the counts 0, so nothing is
// drawn. Copies add a reference to both buffers; destruction releases them.
struct DS_MeshRecord {
  ComRef<IDirect3DVertexBuffer9> vertexBuffer;
  ComRef<IDirect3DIndexBuffer9> indexBuffer;
  UINT vertexCount = 0;
  UINT faceCount = 0;
  float radius = 0.0f;
  D3DXVECTOR3 centre{0.0f, 0.0f, 0.0f};

  DS_MeshRecord() = default;
  DS_MeshRecord(const DS_MeshRecord& o);
  DS_MeshRecord(DS_MeshRecord&& o) noexcept;
  DS_MeshRecord& operator=(const DS_MeshRecord& o);
  DS_MeshRecord& operator=(DS_MeshRecord&& o) noexcept;
  ~DS_MeshRecord();
  void Reset();
  bool IsEmpty() const { return !vertexBuffer || !indexBuffer || faceCount == 0; }
};

// ---------------------------------------------------------------------------------------
// Resources of type "DDS" (pictures, meshes, stored texture sets) by number. A null module
// stands for the program's own file. Ids outside 0..0xFFFF are refused: a larger value
// would be taken by FindResourceW as the address of a name string.
bool IsIntegerResourceId(long long id);
bool FindModuleResource(HMODULE module, long long id, const wchar_t* type, const void** bytes,
                        DWORD* size);
extern const wchar_t* const kDdsResourceType;  // L"DDS"

// Texture loaders. They return the D3DX error when D3DX fails, E_FAIL when no texture came
// out (also for a missing resource, which leaves *out as it was), S_OK otherwise. A texture
// written to *out carries a reference for the caller; *out is overwritten, not released.
HRESULT LoadProgramTexture(long long id, IDirect3DTexture9** out, bool withMipmaps);
HRESULT LoadModuleTexture(HMODULE module, long long id, IDirect3DTexture9** out, D3DXIMAGE_INFO* info);
HRESULT LoadTextureFromMemory(D3DXIMAGE_INFO* info, size_t size, IDirect3DTexture9** out, const void* bytes);

// Releases what `out` holds, then a one-level A8R8G8B8 DEFAULT-pool texture (null on failure).
void CreateRenderTexture(ComRef<IDirect3DTexture9>& out, UINT width, UINT height, DWORD usage);
// *out := a managed copy of level 0 of the source at width x height with a full mip chain
// (only level 0 filled); null without a source or on failure. *out is overwritten.
IDirect3DTexture9* CreateTextureCopy(UINT width, UINT height, IDirect3DTexture9* source,
                                     IDirect3DTexture9** out, D3DFORMAT format);
// Copies level 0 of the source into level 0 of the target with D3DX (whole surfaces,
// triangle filter, no colour key). Nothing happens when either is missing.
void CopyTopLevel(IDirect3DTexture9* source, IDirect3DTexture9* target);
// The description of back buffer 0; all zero when there is none.
D3DSURFACE_DESC GetBackBufferDesc();
void GetBackBufferDesc(D3DSURFACE_DESC* out);

// ---------------------------------------------------------------------------------------
// Meshes (.x files), loaded with normals, optimised, with their bounding sphere. `stride`
// is the vertex size of the copy (callers pass 32, the loaded vertex size).
void LoadMeshFromMemory(const void* bytes, size_t size, UINT stride, DS_MeshRecord* record);
void LoadMeshFromFile(const std::wstring& path, UINT stride, DS_MeshRecord* record);
void LoadModuleMesh(HMODULE module, long long id, UINT stride, DS_MeshRecord* record);

// ---------------------------------------------------------------------------------------
// Layout quads. `picture` contributes only its width and height.
QuadVertices MakeBackBufferQuad();
QuadVertices MakeFittedQuad(const DS_TextureRecord& picture, UINT width, UINT height);
QuadVertices MakeFilledQuad(const DS_TextureRecord& picture, UINT width, UINT height);
// x scaled by back-buffer width / W, y by back-buffer height / H. Without a back buffer
// (or with a zero W or H) the quad is left as it is.
void ScaleQuadToBackBuffer(QuadVertices& quad, UINT width, UINT height);
void ScaleQuadToBackBuffer(QuadVertices& quad, UINT width, UINT height, UINT backWidth, UINT backHeight);

// ---------------------------------------------------------------------------------------
// Grid index buffers: (columns x rows) vertices numbered row by row, two triangles per cell
// as c, c+1, d, d, c+1, d+1. Grids narrower than 2 vertices either way, and grids of more
// than 65536 vertices (which 16-bit indices cannot reach), are refused.
bool GridIndexSizeAllowed(UINT columns, UINT rows);
bool BuildGridIndices(UINT columns, UINT rows, std::vector<WORD>* indices);
// Releases `buffer`, then builds a managed write-only INDEX16 buffer; *triangleCount gets
// 2 (columns - 1)(rows - 1), or 0 when the grid is refused or the buffer cannot be had.
HRESULT CreateGridIndexBuffer(ComRef<IDirect3DIndexBuffer9>& buffer, UINT* triangleCount, UINT columns, UINT rows);
// Locks the whole buffer with no flags; null when the lock fails.
void* LockIndexBuffer(IDirect3DIndexBuffer9* buffer);
void* LockVertexBuffer(IDirect3DVertexBuffer9* buffer);
