#include "core/render/D3DUtil.h"

#include <algorithm>
#include <cstring>
#include <utility>

const wchar_t* const kDdsResourceType = L"DDS";

void QuadVertices::SetRect(float left, float top, float right, float bottom)
{
  v[0].x = left;  v[0].y = bottom;
  v[1].x = left;  v[1].y = top;
  v[2].x = right; v[2].y = bottom;
  v[3].x = right; v[3].y = top;
}

// ---------------------------------------------------------------------------------------
// DS_TextureRecord

DS_TextureRecord::DS_TextureRecord(const DS_TextureRecord& o)
    : texture(o.texture), width(o.width), height(o.height), aspect(o.aspect)
{
}

DS_TextureRecord::DS_TextureRecord(DS_TextureRecord&& o) noexcept
    : texture(std::move(o.texture)), width(o.width), height(o.height), aspect(o.aspect)
{
}

DS_TextureRecord& DS_TextureRecord::operator=(const DS_TextureRecord& o)
{
  if (this == &o) return *this;
  texture = o.texture;
  width = o.width;
  height = o.height;
  aspect = o.aspect;
  return *this;
}

DS_TextureRecord& DS_TextureRecord::operator=(DS_TextureRecord&& o) noexcept
{
  if (this == &o) return *this;
  texture = std::move(o.texture);
  width = o.width;
  height = o.height;
  aspect = o.aspect;
  return *this;
}

DS_TextureRecord::~DS_TextureRecord() = default;

void DS_TextureRecord::Assign(IDirect3DTexture9* t, UINT w, UINT h)
{
  texture.Assign(t);
  width = w;
  height = h;
  aspect = w ? static_cast<float>(h) / static_cast<float>(w) : 1.0f;
}

void DS_TextureRecord::Reset()
{
  texture.Reset();
  width = height = 0;
  aspect = 1.0f;
}

// ---------------------------------------------------------------------------------------
// DS_MeshRecord

DS_MeshRecord::DS_MeshRecord(const DS_MeshRecord& o)
    : vertexBuffer(o.vertexBuffer), indexBuffer(o.indexBuffer), vertexCount(o.vertexCount),
      faceCount(o.faceCount), radius(o.radius), centre(o.centre)
{
}

DS_MeshRecord::DS_MeshRecord(DS_MeshRecord&& o) noexcept
    : vertexBuffer(std::move(o.vertexBuffer)), indexBuffer(std::move(o.indexBuffer)),
      vertexCount(o.vertexCount), faceCount(o.faceCount), radius(o.radius), centre(o.centre)
{
}

DS_MeshRecord& DS_MeshRecord::operator=(const DS_MeshRecord& o)
{
  if (this == &o) return *this;
  vertexBuffer = o.vertexBuffer;
  indexBuffer = o.indexBuffer;
  vertexCount = o.vertexCount;
  faceCount = o.faceCount;
  radius = o.radius;
  centre = o.centre;
  return *this;
}

DS_MeshRecord& DS_MeshRecord::operator=(DS_MeshRecord&& o) noexcept
{
  if (this == &o) return *this;
  Reset();
  vertexBuffer = std::move(o.vertexBuffer);
  indexBuffer = std::move(o.indexBuffer);
  vertexCount = o.vertexCount;
  faceCount = o.faceCount;
  radius = o.radius;
  centre = o.centre;
  return *this;
}

DS_MeshRecord::~DS_MeshRecord() { Reset(); }

void DS_MeshRecord::Reset()
{
  vertexBuffer.Reset();
  indexBuffer.Reset();
  vertexCount = faceCount = 0;
  radius = 0.0f;
  centre = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

// ---------------------------------------------------------------------------------------
// Resources

bool IsIntegerResourceId(long long id) { return id >= 0 && id <= 0xFFFF; }

bool FindModuleResource(HMODULE module, long long id, const wchar_t* type, const void** bytes, DWORD* size)
{
  *bytes = nullptr;
  *size = 0;
  if (!IsIntegerResourceId(id)) return false;
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(static_cast<WORD>(id)), type);
  if (!info) return false;
  DWORD n = SizeofResource(module, info);
  HGLOBAL handle = LoadResource(module, info);
  const void* data = handle ? LockResource(handle) : nullptr;
  if (!data || n == 0) return false;
  *bytes = data;
  *size = n;
  return true;
}

namespace {

HRESULT CreateTextureFromBytes(const void* bytes, size_t size, UINT mipLevels, DWORD filter, DWORD mipFilter,
                               D3DXIMAGE_INFO* info, IDirect3DTexture9** out)
{
  if (!g_Device || !bytes || size == 0 || size > 0xFFFFFFFFu) return E_FAIL;
  IDirect3DTexture9* texture = nullptr;
  HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(g_Device, bytes, static_cast<UINT>(size), D3DX_DEFAULT,
                                                   D3DX_DEFAULT, mipLevels, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                   filter, mipFilter, 0, info, nullptr, &texture);
  if (FAILED(hr)) return hr;
  if (!texture) return E_FAIL;
  *out = texture;
  return S_OK;
}

}  // namespace

HRESULT LoadProgramTexture(long long id, IDirect3DTexture9** out, bool withMipmaps)
{
  const void* bytes;
  DWORD size;
  if (!FindModuleResource(nullptr, id, kDdsResourceType, &bytes, &size)) return E_FAIL;
  return CreateTextureFromBytes(bytes, size, withMipmaps ? D3DX_DEFAULT : 1, D3DX_FILTER_NONE,
                                withMipmaps ? D3DX_DEFAULT : D3DX_FILTER_NONE, nullptr, out);
}

HRESULT LoadModuleTexture(HMODULE module, long long id, IDirect3DTexture9** out, D3DXIMAGE_INFO* info)
{
  const void* bytes;
  DWORD size;
  if (!FindModuleResource(module, id, kDdsResourceType, &bytes, &size)) return E_FAIL;
  return LoadTextureFromMemory(info, size, out, bytes);
}

HRESULT LoadTextureFromMemory(D3DXIMAGE_INFO* info, size_t size, IDirect3DTexture9** out, const void* bytes)
{
  return CreateTextureFromBytes(bytes, size, 1, D3DX_FILTER_TRIANGLE, D3DX_FILTER_NONE, info, out);
}

void CreateRenderTexture(ComRef<IDirect3DTexture9>& out, UINT width, UINT height, DWORD usage)
{
  // Released before the new one is made: a DEFAULT-pool texture of the old size must not
  // hold video memory while its successor is created.
  out.Reset();
  if (!g_Device) return;
  if (FAILED(g_Device->CreateTexture(width, height, 1, usage, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                     out.ReleaseAndGetAddressOf(), nullptr)))
    out.Detach();  // not a reference of ours
}

IDirect3DTexture9* CreateTextureCopy(UINT width, UINT height, IDirect3DTexture9* source, IDirect3DTexture9** out,
                                     D3DFORMAT format)
{
  *out = nullptr;
  if (!source || !g_Device) return nullptr;
  IDirect3DTexture9* copy = nullptr;
  if (FAILED(D3DXCreateTexture(g_Device, width, height, 0, 0, format, D3DPOOL_MANAGED, &copy)) || !copy)
    return nullptr;
  CopyTopLevel(source, copy);
  *out = copy;
  return copy;
}

void CopyTopLevel(IDirect3DTexture9* source, IDirect3DTexture9* target)
{
  if (!source || !target) return;
  ComRef<IDirect3DSurface9> from;
  ComRef<IDirect3DSurface9> to;
  if (SUCCEEDED(source->GetSurfaceLevel(0, from.ReleaseAndGetAddressOf())) &&
      SUCCEEDED(target->GetSurfaceLevel(0, to.ReleaseAndGetAddressOf())))
    D3DXLoadSurfaceFromSurface(to, nullptr, nullptr, from, nullptr, nullptr, D3DX_FILTER_TRIANGLE, 0);
}

void GetBackBufferDesc(D3DSURFACE_DESC* out)
{
  std::memset(out, 0, sizeof *out);
  if (!g_Device) return;
  IDirect3DSurface9* surface = nullptr;
  if (FAILED(g_Device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface)) || !surface) return;
  if (FAILED(surface->GetDesc(out))) std::memset(out, 0, sizeof *out);
  surface->Release();
}

D3DSURFACE_DESC GetBackBufferDesc()
{
  D3DSURFACE_DESC desc;
  GetBackBufferDesc(&desc);
  return desc;
}

// ---------------------------------------------------------------------------------------
// Meshes

namespace {

constexpr DWORD kMeshFvf = DX_V::PNT::FVF;
constexpr DWORD kMeshOptimize = D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE;

struct LoadedX {
  ComRef<ID3DXMesh> mesh;
  ComRef<ID3DXBuffer> adjacency;
  ComRef<ID3DXBuffer> materials;
  ComRef<ID3DXBuffer> effects;
  DWORD materialCount = 0;
  // The order these were always released in (the mesh before the buffers describing it).
  ~LoadedX()
  {
    mesh.Reset();
    adjacency.Reset();
    materials.Reset();
    effects.Reset();
  }
};

// Turns a loaded .x mesh into the record's buffers. Anything that fails leaves the
// record empty, so that nothing is drawn from half-written buffers.
void FinishMesh(LoadedX& x, UINT stride, DS_MeshRecord* record)
{
  record->Reset();
  if (!x.mesh) return;
  ID3DXMesh* clone = nullptr;
  if (FAILED(x.mesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, kMeshFvf, g_Device, &clone)) || !clone) return;
  // Every index buffer the drawing code binds is 16-bit.
  if (clone->GetOptions() & D3DXMESH_32BIT) {
    clone->Release();
    return;
  }
  D3DXComputeNormals(clone, nullptr);
  const DWORD* adjacency = x.adjacency ? static_cast<const DWORD*>(x.adjacency->GetBufferPointer()) : nullptr;
  clone->OptimizeInplace(kMeshOptimize, adjacency, nullptr, nullptr, nullptr);

  const UINT vertices = clone->GetNumVertices();
  const UINT faces = clone->GetNumFaces();
  const UINT cloneStride = D3DXGetFVFVertexSize(kMeshFvf);
  bool ok = vertices > 0 && faces > 0 && stride > 0;

  ComRef<IDirect3DIndexBuffer9> ib;
  ComRef<IDirect3DVertexBuffer9> vb;
  if (ok) {
    void* src = nullptr;
    void* dst = nullptr;
    ok = SUCCEEDED(g_Device->CreateIndexBuffer(faces * 6, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                              ib.ReleaseAndGetAddressOf(), nullptr)) &&
         SUCCEEDED(clone->LockIndexBuffer(D3DLOCK_READONLY, &src));
    if (ok) {
      ok = SUCCEEDED(ib->Lock(0, 0, &dst, 0)) && dst;
      if (ok) {
        std::memcpy(dst, src, static_cast<size_t>(faces) * 6);
        ib->Unlock();
      }
      clone->UnlockIndexBuffer();
    }
  }
  if (ok) {
    void* src = nullptr;
    void* dst = nullptr;
    ok = SUCCEEDED(g_Device->CreateVertexBuffer(vertices * stride, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED,
                                               vb.ReleaseAndGetAddressOf(), nullptr)) &&
         SUCCEEDED(clone->LockVertexBuffer(D3DLOCK_READONLY, &src));
    if (ok) {
      ok = SUCCEEDED(vb->Lock(0, 0, &dst, 0)) && dst;
      if (ok) {
        // A stride wider than the loaded vertices must not read past the clone's data.
        std::memset(dst, 0, static_cast<size_t>(vertices) * stride);
        std::memcpy(dst, src, static_cast<size_t>(vertices) * std::min(stride, cloneStride));
        vb->Unlock();
        D3DXComputeBoundingSphere(static_cast<const D3DXVECTOR3*>(src), vertices, cloneStride, &record->centre,
                                  &record->radius);
      }
      clone->UnlockVertexBuffer();
    }
  }
  clone->Release();
  if (!ok) {
    ib.Reset();
    vb.Reset();
    record->Reset();
    return;
  }
  record->indexBuffer = std::move(ib);
  record->vertexBuffer = std::move(vb);
  record->vertexCount = vertices;
  record->faceCount = faces;
}

}  // namespace

void LoadMeshFromMemory(const void* bytes, size_t size, UINT stride, DS_MeshRecord* record)
{
  LoadedX x;
  if (g_Device && bytes && size > 0 && size <= 0xFFFFFFFFu)
    D3DXLoadMeshFromXInMemory(bytes, static_cast<DWORD>(size), D3DXMESH_SYSTEMMEM, g_Device,
                              x.adjacency.ReleaseAndGetAddressOf(), x.materials.ReleaseAndGetAddressOf(),
                              x.effects.ReleaseAndGetAddressOf(), &x.materialCount, x.mesh.ReleaseAndGetAddressOf());
  FinishMesh(x, stride, record);
}

void LoadMeshFromFile(const std::wstring& path, UINT stride, DS_MeshRecord* record)
{
  LoadedX x;
  if (g_Device && !path.empty())
    D3DXLoadMeshFromXW(path.c_str(), D3DXMESH_SYSTEMMEM, g_Device, x.adjacency.ReleaseAndGetAddressOf(),
                       x.materials.ReleaseAndGetAddressOf(), x.effects.ReleaseAndGetAddressOf(), &x.materialCount,
                       x.mesh.ReleaseAndGetAddressOf());
  FinishMesh(x, stride, record);
}

void LoadModuleMesh(HMODULE module, long long id, UINT stride, DS_MeshRecord* record)
{
  const void* bytes = nullptr;
  DWORD size = 0;
  FindModuleResource(module, id, kDdsResourceType, &bytes, &size);
  LoadMeshFromMemory(bytes, size, stride, record);
}

// ---------------------------------------------------------------------------------------
// Layout quads

QuadVertices MakeBackBufferQuad()
{
  D3DSURFACE_DESC desc = GetBackBufferDesc();
  QuadVertices q;
  q.SetRect(0.0f, 0.0f, static_cast<float>(desc.Width), static_cast<float>(desc.Height));
  return q;
}

namespace {

// Shared by the fitted and filled quads: the picture's aspect decides which side of the
// target it matches. A picture or target without a size is laid over the whole target.
QuadVertices MakeAspectQuad(const DS_TextureRecord& picture, UINT width, UINT height, bool fill)
{
  QuadVertices q;
  const float W = static_cast<float>(width);
  const float H = static_cast<float>(height);
  if (width == 0 || height == 0 || picture.width == 0 || picture.height == 0) {
    q.SetRect(0.0f, 0.0f, W, H);
    return q;
  }
  const float a = static_cast<float>(picture.height) / static_cast<float>(picture.width);
  float w, h, x, y;
  const bool taller = H / W < a;
  if (taller != fill) {  // fit a taller picture, or fill a wider one: match the height
    w = H / a;
    h = H;
    x = (W - w) / 2.0f;
    y = 0.0f;
  } else {
    w = W;
    h = W * a;
    x = 0.0f;
    y = (H - h) / 2.0f;
  }
  q[0].x = x;     q[0].y = h + y;
  q[1].x = x;     q[1].y = y;
  q[2].x = w + x; q[2].y = h + y;
  q[3].x = w + x; q[3].y = y;
  return q;
}

}  // namespace

QuadVertices MakeFittedQuad(const DS_TextureRecord& picture, UINT width, UINT height)
{
  return MakeAspectQuad(picture, width, height, false);
}

QuadVertices MakeFilledQuad(const DS_TextureRecord& picture, UINT width, UINT height)
{
  return MakeAspectQuad(picture, width, height, true);
}

void ScaleQuadToBackBuffer(QuadVertices& quad, UINT width, UINT height, UINT backWidth, UINT backHeight)
{
  if (width == 0 || height == 0 || backWidth == 0 || backHeight == 0) return;
  const float sx = static_cast<float>(backWidth) / static_cast<float>(width);
  const float sy = static_cast<float>(backHeight) / static_cast<float>(height);
  for (auto& v : quad.v) {
    v.x *= sx;
    v.y *= sy;
  }
}

void ScaleQuadToBackBuffer(QuadVertices& quad, UINT width, UINT height)
{
  D3DSURFACE_DESC desc = GetBackBufferDesc();
  ScaleQuadToBackBuffer(quad, width, height, desc.Width, desc.Height);
}

// ---------------------------------------------------------------------------------------
// Grids

bool GridIndexSizeAllowed(UINT columns, UINT rows)
{
  return columns >= 2 && rows >= 2 && static_cast<unsigned long long>(columns) * rows <= 65536ull;
}

bool BuildGridIndices(UINT columns, UINT rows, std::vector<WORD>* indices)
{
  indices->clear();
  if (!GridIndexSizeAllowed(columns, rows)) return false;
  indices->reserve(static_cast<size_t>(columns - 1) * (rows - 1) * 6);
  for (UINT j = 0; j + 1 < rows; ++j) {
    for (UINT k = 0; k + 1 < columns; ++k) {
      const UINT c = columns * j + k;
      const UINT d = columns * (j + 1) + k;
      const WORD cell[6] = {WORD(c), WORD(c + 1), WORD(d), WORD(d), WORD(c + 1), WORD(d + 1)};
      indices->insert(indices->end(), cell, cell + 6);
    }
  }
  return true;
}

void* LockIndexBuffer(IDirect3DIndexBuffer9* buffer)
{
  void* p = nullptr;
  if (!buffer || FAILED(buffer->Lock(0, 0, &p, 0))) return nullptr;
  return p;
}

void* LockVertexBuffer(IDirect3DVertexBuffer9* buffer)
{
  void* p = nullptr;
  if (!buffer || FAILED(buffer->Lock(0, 0, &p, 0))) return nullptr;
  return p;
}

HRESULT CreateGridIndexBuffer(ComRef<IDirect3DIndexBuffer9>& buffer, UINT* triangleCount, UINT columns, UINT rows)
{
  buffer.Reset();
  *triangleCount = 0;
  std::vector<WORD> indices;
  if (!BuildGridIndices(columns, rows, &indices)) return E_INVALIDARG;
  if (!g_Device) return E_FAIL;
  const UINT bytes = static_cast<UINT>(indices.size() * sizeof(WORD));
  HRESULT hr = g_Device->CreateIndexBuffer(bytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                           buffer.ReleaseAndGetAddressOf(), nullptr);
  if (FAILED(hr)) {
    buffer.Detach();  // not a reference of ours
    return hr;
  }
  void* p = LockIndexBuffer(buffer);
  if (!p) {
    // An unwritten index buffer would draw garbage: better none at all.
    buffer.Reset();
    return E_FAIL;
  }
  std::memcpy(p, indices.data(), bytes);
  buffer->Unlock();
  *triangleCount = 2 * (columns - 1) * (rows - 1);
  return S_OK;
}
