#include "core/render/ScreenQuad.h"

DS_ScreenQuad::DS_ScreenQuad(const DS_ScreenQuad& o) : DS_SimpleMesh<DX_V::PCT>(o), texture(o.texture), reserved(o.reserved)
{
}

DS_ScreenQuad& DS_ScreenQuad::operator=(const DS_ScreenQuad& o)
{
  if (this == &o) return *this;
  DS_SimpleMesh<DX_V::PCT>::operator=(o);
  texture = o.texture;
  reserved = o.reserved;
  return *this;
}

DS_ScreenQuad::~DS_ScreenQuad() = default;

BYTE AlphaByte(float value)
{
  if (!(value > 0.0f)) return 0;  // also NaN
  if (value >= 1.0f) return 255;
  return static_cast<BYTE>(value * 255.0f);
}

template <class V>
V* DS_ScreenQuad::LockAs()
{
  if (!vertexBuffer) return nullptr;
  // A buffer of another layout (a colour quad asked for texture coordinates, say) or one
  // shorter than four vertices would be written out of bounds.
  D3DVERTEXBUFFER_DESC desc;
  if (FAILED(vertexBuffer->GetDesc(&desc)) || desc.FVF != V::FVF || desc.Size < 4 * sizeof(V)) return nullptr;
  void* p = nullptr;
  if (FAILED(vertexBuffer->Lock(0, 0, &p, 0)) || !p) return nullptr;
  lockPointer = p;
  return static_cast<V*>(p);
}

void DS_ScreenQuad::Unlock()
{
  vertexBuffer->Unlock();
  lockPointer = nullptr;
}

template <class V>
bool DS_ScreenQuad::Rebuild(DS_VertexBufferHolder<V>& holder)
{
  holder.Create(4, D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED);
  SetVertexBuffer(holder.buffer, nullptr, holder.buffer ? 4 : 0, D3DPT_TRIANGLESTRIP, holder.buffer ? 2 : 0);
  return holder.buffer != nullptr;
}

void DS_ScreenQuad::CreateVertexBuffer()
{
  CreateTexturedVertexBuffer(*this, 4, D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED);
  const bool ok = vertexBuffer != nullptr;
  vertexCount = ok ? 4 : 0;
  primitiveType = D3DPT_TRIANGLESTRIP;
  primitiveCount = ok ? 2 : 0;
}

bool DS_ScreenQuad::SetCorners(const D3DXVECTOR3 (&corners)[4])
{
  DX_V::PT* v = LockAs<DX_V::PT>();
  if (!v) return false;
  for (int i = 0; i < 4; ++i) {
    v[i].x = corners[i].x;
    v[i].y = corners[i].y;
    v[i].z = corners[i].z;
  }
  Unlock();
  return true;
}

bool DS_ScreenQuad::SetTextureCoordinates(const QuadVertices& q)
{
  DX_V::PT* v = LockAs<DX_V::PT>();
  if (!v) return false;
  for (int i = 0; i < 4; ++i) {
    v[i].u = q[i].u;
    v[i].v = q[i].v;
  }
  Unlock();
  return true;
}

void DS_ScreenQuad::SetStream() const
{
  if (!g_Device) return;
  g_Device->SetVertexShader(nullptr);
  g_Device->SetFVF(DX_V::PT::FVF);
  g_Device->SetStreamSource(0, vertexBuffer, 0, sizeof(DX_V::PT));
}

// --- pre-transformed colour quad -------------------------------------------------------

void DS_ScreenQuad::BuildColorQuad(D3DCOLOR color, const QuadVertices& q)
{
  DS_ColorRhwVertexBuffer holder;
  if (!Rebuild(holder)) return;
  DX_V::RhwC* v = LockAs<DX_V::RhwC>();
  if (!v) return;
  for (int i = 0; i < 4; ++i) v[i] = {q[i].x, q[i].y, 0.0f, q[i].z, color};
  Unlock();
}

bool DS_ScreenQuad::SetColorQuadCorners(const QuadVertices& q)
{
  DX_V::RhwC* v = LockAs<DX_V::RhwC>();
  if (!v) return false;
  for (int i = 0; i < 4; ++i) {
    v[i].x = q[i].x;
    v[i].y = q[i].y;
    v[i].z = 0.0f;
    v[i].rhw = q[i].z;
  }
  Unlock();
  return true;
}

namespace {

template <class V>
void WriteAlphas(V* v, float a, float b, float c, float d)
{
  // Stored order: vertex 1 takes the third value and vertex 2 the second, so that the
  // arguments run left, right along the bottom and then the top edge.
  const BYTE alphas[4] = {AlphaByte(a), AlphaByte(c), AlphaByte(b), AlphaByte(d)};
  for (int i = 0; i < 4; ++i) v[i].color = (v[i].color & 0x00FFFFFFu) | (static_cast<D3DCOLOR>(alphas[i]) << 24);
}

}  // namespace

bool DS_ScreenQuad::SetColorQuadAlphas(float a, float b, float c, float d)
{
  DX_V::RhwC* v = LockAs<DX_V::RhwC>();
  if (!v) return false;
  WriteAlphas(v, a, b, c, d);
  Unlock();
  return true;
}

// --- untransformed colour quad ---------------------------------------------------------

void DS_ScreenQuad::BuildColorQuadXYZ(D3DCOLOR color, const QuadVertices& q)
{
  DS_ColorXyzVertexBuffer holder;
  if (!Rebuild(holder)) return;
  DX_V::PC* v = LockAs<DX_V::PC>();
  if (!v) return;
  for (int i = 0; i < 4; ++i) v[i] = {q[i].x, q[i].y, 0.0f, color};
  Unlock();
}

bool DS_ScreenQuad::SetColorQuadXYZCorners(const QuadVertices& q)
{
  DX_V::PC* v = LockAs<DX_V::PC>();
  if (!v) return false;
  for (int i = 0; i < 4; ++i) {
    v[i].x = q[i].x;
    v[i].y = q[i].y;
    v[i].z = 0.0f;
  }
  Unlock();
  return true;
}

bool DS_ScreenQuad::SetColorQuadXYZColor(D3DCOLOR color)
{
  DX_V::PC* v = LockAs<DX_V::PC>();
  if (!v) return false;
  for (int i = 0; i < 4; ++i) v[i].color = (v[i].color & 0xFF000000u) | (color & 0x00FFFFFFu);
  Unlock();
  return true;
}

bool DS_ScreenQuad::SetColorQuadXYZAlphas(float a, float b, float c, float d)
{
  DX_V::PC* v = LockAs<DX_V::PC>();
  if (!v) return false;
  WriteAlphas(v, a, b, c, d);
  Unlock();
  return true;
}

// --- pre-transformed textured quad -----------------------------------------------------

void DS_ScreenQuad::BuildTexturedQuad(IDirect3DTexture9* t, const QuadVertices& q)
{
  SetTexture(t);
  DS_RhwVertexBuffer holder;
  if (!Rebuild(holder)) return;
  WriteTexturedVertices(q);
}

void DS_ScreenQuad::BuildDefaultTexturedQuad(const QuadVertices& q)
{
  ComRef<IDirect3DTexture9> t;
  LoadProgramTexture(0, t.ReleaseAndGetAddressOf(), false);
  BuildTexturedQuad(t, q);
}

bool DS_ScreenQuad::SetTexturedQuadCorners(const QuadVertices& q) { return WriteTexturedVertices(q); }

bool DS_ScreenQuad::WriteTexturedVertices(const QuadVertices& q)
{
  DX_V::RhwCT* v = LockAs<DX_V::RhwCT>();
  if (!v) return false;
  for (int i = 0; i < 4; ++i) v[i] = {q[i].x, q[i].y, 0.0f, q[i].z, 0xFFFFFFFFu, q[i].u, q[i].v};
  Unlock();
  return true;
}
