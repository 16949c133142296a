// Rendering primitives on a real Direct3D 9 device under Wine: textures and meshes from
// bytes and resources, screen quads drawn and read back, render-target pairs, the stage's
// border quads, grids, texture copies and a device reset cycle.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/render/D3DUtil.h"
#include "core/render/Grid.h"
#include "core/render/RenderTargetPair.h"
#include "core/render/ScreenQuad.h"
#include "core/render/StageView.h"
#include "core/render/TextureSet.h"
#include "tests/support/TestDevice.h"

namespace {

constexpr D3DCOLOR kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF, kCyan = 0x00FFFF,
                   kBlack = 0x000000;

D3DCOLOR Rgb(D3DCOLOR c) { return c & 0x00FFFFFFu; }

// A 24-bit bottom-up BMP of the given rows (top row first), colours as 0xRRGGBB.
std::vector<BYTE> MakeBmp(const std::vector<std::vector<D3DCOLOR>>& rows)
{
  const int h = static_cast<int>(rows.size()), w = static_cast<int>(rows[0].size());
  const int stride = (w * 3 + 3) & ~3;
  const DWORD pixels = static_cast<DWORD>(stride * h);
  std::vector<BYTE> out(54 + pixels, 0);
  auto put32 = [&](size_t at, DWORD v) { std::memcpy(&out[at], &v, 4); };
  auto put16 = [&](size_t at, WORD v) { std::memcpy(&out[at], &v, 2); };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, 54 + pixels);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<DWORD>(w));
  put32(22, static_cast<DWORD>(h));
  put16(26, 1);
  put16(28, 24);
  put32(34, pixels);
  for (int y = 0; y < h; ++y) {
    BYTE* line = &out[54 + static_cast<size_t>(h - 1 - y) * stride];
    for (int x = 0; x < w; ++x) {
      const D3DCOLOR c = rows[y][x];
      line[x * 3 + 0] = c & 0xFF;
      line[x * 3 + 1] = (c >> 8) & 0xFF;
      line[x * 3 + 2] = (c >> 16) & 0xFF;
    }
  }
  return out;
}

// The same picture as the program's "DDS" 2 resource.
const std::vector<std::vector<D3DCOLOR>> kPicture = {
    {kRed, kGreen, kBlue, kWhite},
    {kBlack, 0xFFFF00, 0xFF00FF, kCyan},
};

const char kTriangleX[] =
    "xof 0303txt 0032\n"
    "Mesh Tri {\n 3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;\n 1;\n 3;0,1,2;;\n}\n";

ULONG RefCount(IUnknown* p)
{
  p->AddRef();
  return p->Release();
}

class RenderDevice : public ::testing::Test {
protected:
  tw_test::TestDevice dev;

  void SetUp() override { CreateDevice(64, 64); }
  void TearDown() override { g_Device = nullptr; }

  void CreateDevice(UINT w, UINT h, UINT bw = 0, UINT bh = 0)
  {
    g_Device = nullptr;
    ASSERT_TRUE(dev.Create(w, h, bw, bh)) << dev.error;
    g_Device = dev.device;
  }

  IDirect3DTexture9* Picture(D3DXIMAGE_INFO* info = nullptr)
  {
    const std::vector<BYTE> bmp = MakeBmp(kPicture);
    IDirect3DTexture9* t = nullptr;
    EXPECT_EQ(LoadTextureFromMemory(info, bmp.size(), &t, bmp.data()), S_OK);
    return t;
  }

  IDirect3DTexture9* Solid(D3DCOLOR argb, UINT size = 4)
  {
    IDirect3DTexture9* t = nullptr;
    EXPECT_EQ(D3DXCreateTexture(dev.device, size, size, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), S_OK);
    D3DLOCKED_RECT lr;
    EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), S_OK);
    for (UINT y = 0; y < size; ++y)
      for (UINT x = 0; x < size; ++x) reinterpret_cast<D3DCOLOR*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch)[x] = argb;
    t->UnlockRect(0);
    return t;
  }

  D3DCOLOR Texel(IDirect3DTexture9* t, UINT x, UINT y)
  {
    D3DCOLOR c = 0xDEADBEEF;
    EXPECT_TRUE(dev.ReadTexturePixel(t, x, y, &c));
    return c;
  }

  D3DCOLOR BackPixel(UINT x, UINT y)
  {
    D3DCOLOR c = 0xDEADBEEF;
    EXPECT_TRUE(dev.ReadBackBufferPixel(x, y, &c));
    return Rgb(c);
  }

  void PlainStates()
  {
    IDirect3DDevice9* d = dev.device;
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  }

  template <class V>
  std::vector<V> ReadVertices(IDirect3DVertexBuffer9* vb, UINT count)
  {
    std::vector<V> out(count);
    void* p = nullptr;
    if (SUCCEEDED(vb->Lock(0, 0, &p, D3DLOCK_READONLY)) && p) {
      std::memcpy(out.data(), p, count * sizeof(V));
      vb->Unlock();
    }
    return out;
  }
};

}  // namespace

// ---------------------------------------------------------------------------------------
// Textures

TEST_F(RenderDevice, TextureFromMemoryKeepsPixelsAndReportsImageInfo)
{
  D3DXIMAGE_INFO info{};
  IDirect3DTexture9* t = Picture(&info);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(info.Width, 4u);
  EXPECT_EQ(info.Height, 2u);
  EXPECT_EQ(t->GetLevelCount(), 1u);
  for (UINT y = 0; y < 2; ++y)
    for (UINT x = 0; x < 4; ++x) EXPECT_EQ(Rgb(Texel(t, x, y)), kPicture[y][x]) << x << "," << y;
  t->Release();
}

TEST_F(RenderDevice, BadTextureBytesFailAndLeaveTheSlot)
{
  const std::vector<BYTE> bmp = MakeBmp(kPicture);
  const std::string garbage = "this is not a picture at all";
  struct Case {
    const char* name;
    const void* bytes;
    size_t size;
  } cases[] = {
      {"garbage", garbage.data(), garbage.size()},
      {"truncated header", bmp.data(), 30},
      {"no bytes", nullptr, 100},
      {"empty", bmp.data(), 0},
  };
  IDirect3DTexture9* sentinel = Solid(0xFF00FF00);
  for (const Case& c : cases) {
    IDirect3DTexture9* slot = sentinel;
    EXPECT_TRUE(FAILED(LoadTextureFromMemory(nullptr, c.size, &slot, c.bytes))) << c.name;
    EXPECT_EQ(slot, sentinel) << c.name;
  }
  EXPECT_EQ(RefCount(sentinel), 1u);
  sentinel->Release();
}

TEST_F(RenderDevice, ProgramAndModuleResources)
{
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(LoadProgramTexture(2, &t, false), S_OK);
  EXPECT_EQ(t->GetLevelCount(), 1u);
  EXPECT_EQ(Rgb(Texel(t, 0, 0)), kRed);
  t->Release();

  t = nullptr;
  ASSERT_EQ(LoadProgramTexture(2, &t, true), S_OK);
  EXPECT_EQ(t->GetLevelCount(), 3u);  // 4x2, 2x1, 1x1
  t->Release();

  D3DXIMAGE_INFO info{};
  t = nullptr;
  ASSERT_EQ(LoadModuleTexture(GetModuleHandleW(nullptr), 2, &t, &info), S_OK);
  EXPECT_EQ(info.Width, 4u);
  EXPECT_EQ(Rgb(Texel(t, 3, 1)), kCyan);
  t->Release();

  // Missing ids, and ids that FindResourceW would take for a string address, give E_FAIL
  // and leave the slot alone.
  for (long long id : {999LL, 0x10000LL, 70000LL, 0x7FFFFFFFLL, -1LL}) {
    IDirect3DTexture9* slot = reinterpret_cast<IDirect3DTexture9*>(0x1);
    EXPECT_EQ(LoadProgramTexture(id, &slot, false), E_FAIL) << id;
    EXPECT_EQ(LoadModuleTexture(GetModuleHandleW(nullptr), id, &slot, nullptr), E_FAIL) << id;
    EXPECT_EQ(slot, reinterpret_cast<IDirect3DTexture9*>(0x1));
  }
}

TEST_F(RenderDevice, TextureCopiesAndRenderTextures)
{
  IDirect3DTexture9* picture = Picture();
  IDirect3DTexture9* copy = reinterpret_cast<IDirect3DTexture9*>(0x1);
  ASSERT_NE(CreateTextureCopy(8, 4, picture, &copy, D3DFMT_A8R8G8B8), nullptr);
  EXPECT_EQ(copy->GetLevelCount(), 4u);  // a full chain: 8x4, 4x2, 2x1, 1x1
  EXPECT_EQ(Rgb(Texel(copy, 0, 0)), kRed);
  EXPECT_EQ(Rgb(Texel(copy, 7, 3)), kCyan);
  copy->Release();
  EXPECT_EQ(CreateTextureCopy(8, 8, nullptr, &copy, D3DFMT_UNKNOWN), nullptr);
  EXPECT_EQ(copy, nullptr);

  struct Case {
    int k;
    UINT side;
  } cases[] = {{0, 128}, {1, 256}, {-3, 128}, {40, 4096}};
  IDirect3DTexture9* old = Solid(0xFFFFFFFF);
  ComRef<IDirect3DTexture9> square;
  square.Assign(old);
  for (const Case& c : cases) {
    StoreSquareTextureCopy(c.k, square, picture);
    ASSERT_NE(square, nullptr);
    D3DSURFACE_DESC desc;
    square->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, c.side) << c.k;
    EXPECT_EQ(desc.Height, c.side) << c.k;
  }
  EXPECT_EQ(RefCount(old), 1u);  // the object's previous texture was released
  old->Release();
  EXPECT_EQ(RefCount(square), 1u);  // each copy is held by the slot alone
  square.Reset();

  ComRef<IDirect3DTexture9> rt;
  CreateRenderTexture(rt, 16, 8, D3DUSAGE_RENDERTARGET);
  ASSERT_NE(rt, nullptr);
  D3DSURFACE_DESC desc;
  rt->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
  CreateRenderTexture(rt, 100000, 8, D3DUSAGE_RENDERTARGET);  // releases the old one, then fails
  EXPECT_EQ(rt, nullptr);
  picture->Release();
}

TEST_F(RenderDevice, BackBufferDescAndQuads)
{
  CreateDevice(32, 24, 64, 48);
  D3DSURFACE_DESC desc = GetBackBufferDesc();
  EXPECT_EQ(desc.Width, 64u);
  EXPECT_EQ(desc.Height, 48u);
  QuadVertices q = MakeBackBufferQuad();
  EXPECT_FLOAT_EQ(q[2].x, 64.0f);
  EXPECT_FLOAT_EQ(q[2].y, 48.0f);

  // The camera scales the fitted quad to the back buffer, which is twice the render size.
  DS_StageCamera cam;
  DS_TextureRecord picture;
  picture.Assign(nullptr, 64, 24);
  cam.SetLayout(picture, 32, 24, kFitFit, false);
  // Fitted 32 x 12 at y 6, which is 64 x 24 at y 12 on the back buffer.
  EXPECT_FLOAT_EQ(cam.backBufferPerQuadX, 1.0f);
  EXPECT_FLOAT_EQ(cam.backBufferPerQuadY, 2.0f);
  EXPECT_FLOAT_EQ(cam.picturePerRender, 2.0f);
  D3DXVECTOR3 corner(64, 24, 0), placed;
  D3DXVec3TransformCoord(&placed, &corner, &cam.fitMatrix);
  EXPECT_FLOAT_EQ(placed.x, 32.0f);  // render pixels again, not back-buffer pixels
  EXPECT_FLOAT_EQ(placed.y, 18.0f);
  D3DXMATRIX world;
  dev.device->GetTransform(D3DTS_PROJECTION, &world);
  EXPECT_FLOAT_EQ(world._11, 2.0f / 32.0f);  // Apply put the camera's projection on the device

  g_Device = nullptr;
  desc = GetBackBufferDesc();
  EXPECT_EQ(desc.Width, 0u);
  EXPECT_EQ(desc.Format, D3DFMT_UNKNOWN);
}

TEST_F(RenderDevice, TextureSetOwnsReferences)
{
  IDirect3DTexture9* t = Picture();
  DS_TextureRecord rec;
  rec.Assign(t, 4, 2);
  EXPECT_EQ(RefCount(t), 2u);
  {
    DS_TextureSet set;
    set.AddTexture(rec);
    set.AddTexture(rec);
    EXPECT_EQ(set.width, 4u);
    EXPECT_FLOAT_EQ(set.aspect, 0.5f);
    DS_TextureSet copy = set;
    EXPECT_EQ(RefCount(t), 6u);
    DS_TextureRecord first = copy.GetFirstTexture();
    EXPECT_EQ(first.texture, t);
    EXPECT_EQ(RefCount(t), 7u);
  }
  EXPECT_EQ(RefCount(t), 2u);
  rec.Reset();
  EXPECT_EQ(RefCount(t), 1u);
  t->Release();
}

// ---------------------------------------------------------------------------------------
// Meshes

TEST_F(RenderDevice, MeshFromModuleResource)
{
  DS_MeshRecord mesh;
  LoadModuleMesh(GetModuleHandleW(nullptr), 68, 32, &mesh);
  ASSERT_FALSE(mesh.IsEmpty());
  EXPECT_EQ(mesh.vertexCount, 8u);
  EXPECT_EQ(mesh.faceCount, 12u);
  EXPECT_NEAR(mesh.radius, std::sqrt(3.0f), 1e-4);
  EXPECT_NEAR(D3DXVec3Length(&mesh.centre), 0.0f, 1e-5);

  D3DINDEXBUFFER_DESC ib;
  mesh.indexBuffer->GetDesc(&ib);
  EXPECT_EQ(ib.Format, D3DFMT_INDEX16);
  EXPECT_EQ(ib.Size, 12u * 6u);
  EXPECT_EQ(ib.Pool, D3DPOOL_MANAGED);
  void* p = nullptr;
  ASSERT_EQ(mesh.indexBuffer->Lock(0, 0, &p, D3DLOCK_READONLY), S_OK);
  for (int i = 0; i < 36; ++i) EXPECT_LT(static_cast<const WORD*>(p)[i], 8) << i;
  mesh.indexBuffer->Unlock();

  // Normals were computed: unit length, all on the same side of the surface.
  auto v = ReadVertices<DX_V::PNT>(mesh.vertexBuffer, 8);
  int outward = 0;
  for (const auto& x : v) {
    EXPECT_NEAR(std::sqrt(x.nx * x.nx + x.ny * x.ny + x.nz * x.nz), 1.0f, 1e-4);
    outward += (x.nx * x.x + x.ny * x.y + x.nz * x.z) > 0 ? 1 : -1;
  }
  EXPECT_EQ(std::abs(outward), 8);

  // Copies share the buffers.
  const ULONG before = RefCount(mesh.vertexBuffer);
  {
    DS_MeshRecord copy = mesh;
    EXPECT_EQ(RefCount(mesh.vertexBuffer), before + 1);
    EXPECT_EQ(RefCount(mesh.indexBuffer), RefCount(copy.indexBuffer));
  }
  EXPECT_EQ(RefCount(mesh.vertexBuffer), before);
}

TEST_F(RenderDevice, MeshFromMemoryGetsNormalsAndStride)
{
  DS_MeshRecord tri;
  LoadMeshFromMemory(kTriangleX, sizeof kTriangleX - 1, 32, &tri);
  ASSERT_EQ(tri.faceCount, 1u);
  ASSERT_EQ(tri.vertexCount, 3u);
  for (const auto& x : ReadVertices<DX_V::PNT>(tri.vertexBuffer, 3)) {
    EXPECT_NEAR(std::fabs(x.nz), 1.0f, 1e-5);
    EXPECT_NEAR(x.nx, 0.0f, 1e-5);
  }
  // A stride wider than the loaded vertices gets a buffer of that size without reading
  // beyond the mesh's own data.
  DS_MeshRecord wide;
  LoadMeshFromMemory(kTriangleX, sizeof kTriangleX - 1, 40, &wide);
  D3DVERTEXBUFFER_DESC vb;
  ASSERT_NE(wide.vertexBuffer, nullptr);
  wide.vertexBuffer->GetDesc(&vb);
  EXPECT_EQ(vb.Size, 3u * 40u);
}

TEST_F(RenderDevice, FailedMeshLoadsLeaveAnEmptyRecord)
{
  const std::string garbage = "xof 0303txt 0032\nMesh Broken { 3; 0.0;";
  const std::vector<BYTE> bmp = MakeBmp(kPicture);
  struct Case {
    const char* name;
    const void* bytes;
    size_t size;
  } cases[] = {
      {"truncated .x", garbage.data(), garbage.size()},
      {"a picture", bmp.data(), bmp.size()},
      {"no bytes", nullptr, 0},
  };
  for (const Case& c : cases) {
    DS_MeshRecord mesh;
    LoadMeshFromMemory(kTriangleX, sizeof kTriangleX - 1, 32, &mesh);
    ASSERT_FALSE(mesh.IsEmpty());
    LoadMeshFromMemory(c.bytes, c.size, 32, &mesh);  // the old buffers are released
    EXPECT_TRUE(mesh.IsEmpty()) << c.name;
    EXPECT_EQ(mesh.vertexBuffer, nullptr);
    EXPECT_EQ(mesh.vertexCount, 0u);
  }
  DS_MeshRecord missing;
  LoadModuleMesh(GetModuleHandleW(nullptr), 0x12345, 32, &missing);
  EXPECT_TRUE(missing.IsEmpty());
}

// ---------------------------------------------------------------------------------------
// Screen quads

TEST_F(RenderDevice, ColorQuadDrawsAndAlphasFollowTheirOrder)
{
  DS_ScreenQuad quad;
  QuadVertices q;
  q.SetRect(16, 16, 48, 48);
  quad.BuildColorQuad(0xFFFF0000, q);
  ASSERT_NE(quad.vertexBuffer, nullptr);
  EXPECT_EQ(quad.primitiveType, D3DPT_TRIANGLESTRIP);
  EXPECT_EQ(quad.primitiveCount, 2u);

  IDirect3DDevice9* d = dev.device;
  PlainStates();
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  d->BeginScene();
  d->SetFVF(DX_V::RhwC::FVF);
  d->SetStreamSource(0, quad.vertexBuffer, 0, sizeof(DX_V::RhwC));
  d->DrawPrimitive(quad.primitiveType, 0, quad.primitiveCount);
  d->EndScene();
  EXPECT_EQ(BackPixel(32, 32), kRed);
  EXPECT_EQ(BackPixel(4, 4), kBlack);
  EXPECT_EQ(BackPixel(60, 32), kBlack);

  struct Case {
    float a, b, c, d;
    BYTE alphas[4];
  } cases[] = {
      {1, 0, 0, 0, {255, 0, 0, 0}},      // only vertex 0, the bottom-left corner
      {0, 1, 0, 0, {0, 0, 255, 0}},      // the second value goes to vertex 2, bottom right
      {0, 0, 1, 0, {0, 255, 0, 0}},
      {0.5f, 0.25f, 2.0f, -1.0f, {127, 255, 63, 0}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(quad.SetColorQuadAlphas(c.a, c.b, c.c, c.d));
    auto v = ReadVertices<DX_V::RhwC>(quad.vertexBuffer, 4);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(v[i].color >> 24, c.alphas[i]) << i;
      EXPECT_EQ(v[i].color & 0xFFFFFF, 0xFF0000u);
      EXPECT_FLOAT_EQ(v[i].rhw, 1.0f);
    }
  }
  // The colour quad's buffer is not an XYZ|TEX1 or textured one: those writers refuse it.
  D3DXVECTOR3 corners[4] = {};
  EXPECT_FALSE(quad.SetCorners(corners));
  EXPECT_FALSE(quad.SetTexturedQuadCorners(q));
  EXPECT_FALSE(quad.SetColorQuadXYZColor(0));
}

TEST_F(RenderDevice, ColorQuadXYZKeepsAlphasWhenRecoloured)
{
  DS_ScreenQuad quad;
  QuadVertices q;
  q.SetRect(1, 2, 3, 4);
  quad.BuildColorQuadXYZ(0x80112233, q);
  ASSERT_TRUE(quad.SetColorQuadXYZAlphas(0, 0, 0, 1));
  ASSERT_TRUE(quad.SetColorQuadXYZColor(0xFFAABBCC));
  auto v = ReadVertices<DX_V::PC>(quad.vertexBuffer, 4);
  const D3DCOLOR expected[4] = {0x00AABBCC, 0x00AABBCC, 0x00AABBCC, 0xFFAABBCC};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(v[i].color, expected[i]) << i;
  EXPECT_FLOAT_EQ(v[1].x, 1.0f);
  EXPECT_FLOAT_EQ(v[1].y, 2.0f);
  EXPECT_FLOAT_EQ(v[1].z, 0.0f);
  q.SetRect(5, 6, 7, 8);
  ASSERT_TRUE(quad.SetColorQuadXYZCorners(q));
  EXPECT_FLOAT_EQ(ReadVertices<DX_V::PC>(quad.vertexBuffer, 4)[2].x, 7.0f);
}

TEST_F(RenderDevice, TexturedQuadDrawsThePicture)
{
  IDirect3DTexture9* picture = Picture();
  DS_ScreenQuad quad;
  QuadVertices q;
  q.SetRect(0, 0, 64, 32);
  quad.BuildTexturedQuad(picture, q);
  EXPECT_EQ(quad.texture, picture);
  EXPECT_EQ(RefCount(picture), 2u);

  IDirect3DDevice9* d = dev.device;
  PlainStates();
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  d->BeginScene();
  d->SetTexture(0, quad.texture);
  d->SetFVF(DX_V::RhwCT::FVF);
  d->SetStreamSource(0, quad.vertexBuffer, 0, sizeof(DX_V::RhwCT));
  d->DrawPrimitive(quad.primitiveType, 0, quad.primitiveCount);
  d->EndScene();
  EXPECT_EQ(BackPixel(4, 4), kRed);
  EXPECT_EQ(BackPixel(60, 28), kCyan);
  EXPECT_EQ(BackPixel(36, 4), kBlue);
  EXPECT_EQ(BackPixel(32, 48), kBlack);  // below the quad

  auto v = ReadVertices<DX_V::RhwCT>(quad.vertexBuffer, 4);
  EXPECT_EQ(v[0].color, 0xFFFFFFFFu);
  EXPECT_FLOAT_EQ(v[0].u, 0.0f);
  EXPECT_FLOAT_EQ(v[0].v, 1.0f);

  quad.BuildDefaultTexturedQuad(q);  // the program's "DDS" 0
  ASSERT_NE(quad.texture, nullptr);
  EXPECT_NE(quad.texture, picture);
  EXPECT_EQ(RefCount(picture), 1u);
  picture->Release();
}

TEST_F(RenderDevice, StageBordersCoverTheBarsAndFollowThePan)
{
  // A 64 x 32 picture fitted into 64 x 64 leaves bars of 16 rows above and below.
  IDirect3DTexture9* blue = Solid(0xFF0000FF);
  DS_StageView stage;
  stage.SetBorderTexture(blue);
  DS_TextureRecord picture;
  picture.Assign(nullptr, 64, 32);
  stage.SetLayout(picture, 64, 64, picture, kFitFit, false);
  stage.SetZoomPan(1.0f, 0.0f, 0.0f);

  auto draw = [&] {
    PlainStates();
    dev.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    dev.device->BeginScene();
    stage.RenderBorders();
    dev.device->EndScene();
  };
  draw();
  EXPECT_EQ(BackPixel(32, 4), kBlue);
  EXPECT_EQ(BackPixel(32, 60), kBlue);
  EXPECT_EQ(BackPixel(32, 32), kBlack);
  EXPECT_EQ(BackPixel(2, 32), kBlack);

  // Panned a quarter of the view to the right: the left border comes into view. The
  // camera offset does not move the borders.
  stage.SetZoomPan(1.0f, 0.25f, 0.0f);
  stage.SetOffset(true, 10.0f, 10.0f, 64, 32);
  draw();
  EXPECT_EQ(BackPixel(8, 32), kBlue);
  EXPECT_EQ(BackPixel(24, 32), kBlack);
  EXPECT_EQ(RefCount(blue), 5u);  // one reference per border quad

  // New border buffers (a layer making its device objects again) take the last layout's
  // corners at once, before the next layout.
  IDirect3DTexture9* red = Solid(0xFFFF0000);
  stage.SetBorderTexture(red);
  stage.SetZoomPan(1.0f, 0.0f, 0.0f);
  draw();
  EXPECT_EQ(BackPixel(32, 4), kRed);
  EXPECT_EQ(BackPixel(32, 60), kRed);
  EXPECT_EQ(BackPixel(32, 32), kBlack);
  EXPECT_EQ(RefCount(blue), 1u);
  blue->Release();
  red->Release();
}

// ---------------------------------------------------------------------------------------
// Render-target pairs

TEST_F(RenderDevice, SwapAndClearAlternatesAndReadsBack)
{
  IDirect3DDevice9* d = dev.device;
  IDirect3DSurface9* backBuffer = nullptr;
  d->GetRenderTarget(0, &backBuffer);

  DS_RenderTargetPair pair;
  pair.Create(32, 16);
  ASSERT_TRUE(pair.IsValid());
  EXPECT_EQ(pair.width, 32u);
  EXPECT_EQ(pair.height, 16u);
  IDirect3DTexture9* first = pair.textures[0];
  IDirect3DTexture9* second = pair.textures[1];
  EXPECT_EQ(pair.current, first);

  ASSERT_TRUE(pair.BeginRender());
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
  EXPECT_EQ(pair.SwapAndClear(), first);  // returns what was drawn before the swap
  EXPECT_EQ(pair.current, second);
  EXPECT_EQ(Rgb(Texel(first, 5, 5)), kRed);
  D3DCOLOR c;
  ASSERT_TRUE(dev.ReadTargetPixel(5, 5, &c));
  EXPECT_EQ(c, 0xFF000000u);  // the new target was cleared to opaque black

  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
  EXPECT_EQ(pair.SwapAndClear(), second);
  EXPECT_EQ(pair.current, first);
  EXPECT_EQ(Rgb(Texel(second, 31, 15)), kGreen);
  EXPECT_EQ(Rgb(Texel(first, 31, 15)), kBlack);  // the one just cleared
  pair.EndRender();

  IDirect3DSurface9* restored = nullptr;
  d->GetRenderTarget(0, &restored);
  EXPECT_EQ(restored, backBuffer);
  IDirect3DSurface9* ds = nullptr;
  EXPECT_EQ(d->GetDepthStencilSurface(&ds), D3D_OK);
  if (ds) ds->Release();
  restored->Release();
  backBuffer->Release();
}

TEST_F(RenderDevice, PairWithoutTexturesIsNeverUsed)
{
  IDirect3DDevice9* d = dev.device;
  IDirect3DSurface9* backBuffer = nullptr;
  d->GetRenderTarget(0, &backBuffer);
  struct Case {
    const char* name;
    UINT w, h;
  } cases[] = {{"zero size", 0, 0}, {"zero height", 32, 0}, {"too large to create", 100000, 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DS_RenderTargetPair pair;
    pair.Create(c.w, c.h);
    EXPECT_FALSE(pair.IsValid());
    EXPECT_EQ(pair.textures[0], nullptr);
    EXPECT_FALSE(pair.BeginRender());
    EXPECT_EQ(pair.SwapAndClear(), nullptr);
    pair.EndRender();
    IDirect3DSurface9* target = nullptr;
    d->GetRenderTarget(0, &target);
    EXPECT_EQ(target, backBuffer);
    target->Release();
  }
  backBuffer->Release();
}

TEST_F(RenderDevice, CopyFromFillsTheCurrentTarget)
{
  IDirect3DTexture9* picture = Picture();
  DS_RenderTargetPair pair;
  pair.CopyFrom(picture, 4, 2);
  ASSERT_TRUE(pair.IsValid());
  EXPECT_EQ(Rgb(Texel(pair.current, 0, 0)), kRed);
  EXPECT_EQ(Rgb(Texel(pair.current, 3, 1)), kCyan);
  pair.CopyFrom(nullptr, 8, 8);  // recreated, nothing copied
  EXPECT_EQ(pair.width, 8u);
  picture->Release();
}

// ---------------------------------------------------------------------------------------
// Grids on the device

TEST_F(RenderDevice, GridBuffers)
{
  ComRef<IDirect3DIndexBuffer9> ib;
  UINT triangles = 0;
  ASSERT_EQ(CreateGridIndexBuffer(ib, &triangles, 3, 2), S_OK);
  EXPECT_EQ(triangles, 4u);
  std::vector<WORD> expected;
  BuildGridIndices(3, 2, &expected);
  void* p = nullptr;
  ASSERT_EQ(ib->Lock(0, 0, &p, D3DLOCK_READONLY), S_OK);
  EXPECT_EQ(std::vector<WORD>(static_cast<WORD*>(p), static_cast<WORD*>(p) + expected.size()), expected);
  ib->Unlock();
  // A refused size releases the old buffer and leaves none.
  EXPECT_EQ(CreateGridIndexBuffer(ib, &triangles, 1, 2), E_INVALIDARG);
  EXPECT_EQ(ib, nullptr);

  DS_SimpleMesh<DX_V::PT> grid;
  CreateTexturedVertexBuffer(grid, 9, D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED);
  ASSERT_NE(grid.vertexBuffer, nullptr);
  const DX_V::PT c0{0, 0, 0, 0, 0}, c1{2, 0, 0, 1, 0}, c2{0, 2, 0, 0, 1}, c3{2, 2, 0, 1, 1};
  EXPECT_TRUE(FillGridFromCorners(c0, c1, c2, c3, grid.vertexBuffer, 2, 2));
  EXPECT_FLOAT_EQ(ReadVertices<DX_V::PT>(grid.vertexBuffer, 9)[4].x, 1.0f);
  // 3 x 3 cells need 16 vertices: the 9-vertex buffer is left alone.
  EXPECT_FALSE(FillGridFromCorners(c0, c1, c2, c3, grid.vertexBuffer, 3, 3));
}

// ---------------------------------------------------------------------------------------
// Device reset

TEST_F(RenderDevice, ResetCycleReleasesEveryDefaultPoolObject)
{
  IDirect3DTexture9* picture = Picture();
  DS_ScreenQuad quad;
  QuadVertices q;
  q.SetRect(0, 0, 8, 8);
  quad.BuildTexturedQuad(picture, q);
  DS_RenderTargetPair pair;
  pair.CopyFrom(picture, 16, 16);
  ASSERT_TRUE(pair.IsValid());
  ASSERT_TRUE(pair.BeginRender());
  pair.SwapAndClear();
  pair.EndRender();

  // While the pair's targets are alive the reset is refused: this is what makes a
  // passing reset a proof that nothing leaked.
  EXPECT_TRUE(FAILED(dev.Reset()));

  pair.Release();
  EXPECT_FALSE(pair.IsValid());
  ASSERT_EQ(dev.Reset(), D3D_OK);
  EXPECT_EQ(dev.device->TestCooperativeLevel(), D3D_OK);

  // Managed resources survived; the pair comes back with Create.
  EXPECT_EQ(Rgb(Texel(picture, 3, 1)), kCyan);
  EXPECT_TRUE(quad.SetTexturedQuadCorners(q));
  pair.Create(16, 16);
  ASSERT_TRUE(pair.IsValid());
  ASSERT_TRUE(pair.BeginRender());
  pair.EndRender();

  // A second cycle, with the pair released in between again.
  pair.Release();
  EXPECT_EQ(dev.Reset(), D3D_OK);
  picture->Release();
}
