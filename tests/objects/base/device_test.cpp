// The runtime sprite objects on a real device under Wine: sprites drawn through the layer
// and read back from the back buffer, the drawn count against the buffers, a count of 0
// against buffers that exist, refresh on texture frames with a still image, the overlay
// texture lent to the layer, and the glow target's pass and its life through a device
// reset.
#include "BaseTestSupport.h"

#include "core/document/DocResManager.h"
#include "core/render/Device.h"
#include "layers/DS_2D_Light.h"
#include "tests/support/RecordingRender.h"
#include "tests/support/SceneDevice.h"

#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

using tw_test::DS_TestGlow;
using tw_test::DS_TestSystem;
using tw_test::LoggingEffect;

constexpr UINT kW = 320, kH = 200;

class SpriteDeviceTest : public tw_test::SceneDeviceTest {
protected:
  void SetUp() override {
    SceneDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    StorePicture(L"black.png", Solid(kW, kH, 0xFF000000));
    StorePicture(L"white.png", Solid(1, 1, 0xFFFFFFFF));
    StorePicture(L"blue.png", Solid(1, 1, 0xFF0000FF));
    MakeLayer(L"black.png");
  }

  // A white square-sprite system of `count` sprites of 40 pixels, and its runtime object.
  std::unique_ptr<DS_SpriteArrayObj> MakeSprites(unsigned count, int refreshOnFrame = 0,
                                                 const wchar_t* secondImage = nullptr, int blendMode = 0) {
    DS_TestSystem d;
    d.placeAtRandom = false;
    d.m_SpriteImage.StoreKey(L"white.png", 1);
    if (secondImage) d.m_SecondImage.StoreKey(secondImage, 1);
    d.m_SpriteCount.Store(count);
    d.m_SpriteSize.Store(40);
    d.m_RefreshOnFrame.Store(refreshOnFrame);
    d.m_BlendMode.Store(blendMode);
    return std::unique_ptr<DS_SpriteArrayObj>(static_cast<DS_SpriteArrayObj*>(d.CreateRuntimeObject()));
  }

  // The vertex buffer's bytes, read back through a lock of the test's own.
  static std::vector<unsigned char> VertexBytes(DS_SpriteArrayObj& object) {
    std::vector<unsigned char> bytes(size_t(object.vertexCount) * sizeof(DX_V::PCT));
    void* p = nullptr;
    if (!object.vertexBuffer || FAILED(object.vertexBuffer->Lock(0, 0, &p, D3DLOCK_READONLY)) || !p) {
      ADD_FAILURE() << "the vertex buffer cannot be read";
      return {};
    }
    std::memcpy(bytes.data(), p, bytes.size());
    object.vertexBuffer->Unlock();
    return bytes;
  }

  // References held on a texture now.
  static ULONG References(IDirect3DTexture9* texture) {
    texture->AddRef();
    return texture->Release();
  }

};

TEST_F(SpriteDeviceTest, SpritesAreDrawnWhereTheyAreWithTheirColours) {
  auto object = MakeSprites(2);
  ASSERT_EQ(object->BufferSprites(), 2u);
  ASSERT_NE(object->CurrentFrameTexture(), nullptr);
  object->m_Sprites[0].position = D3DXVECTOR3(80.0f, 100.0f, 0.0f);
  object->m_Sprites[0].color = 0xFFFF0000;
  object->m_Sprites[1].position = D3DXVECTOR3(240.0f, 60.0f, 0.0f);
  object->m_Sprites[1].color = 0xFF00FF00;
  object->UpdateFrame(0.05f);
  EXPECT_EQ(object->m_FillCount, 1u);
  DrawObject(*object);
  EXPECT_EQ(BackBufferColour(80, 100), 0xFF0000u);
  EXPECT_EQ(BackBufferColour(62, 82), 0xFF0000u);   // inside the 40 x 40 square
  EXPECT_EQ(BackBufferColour(57, 100), 0x000000u);  // left of it
  EXPECT_EQ(BackBufferColour(240, 60), 0x00FF00u);
  EXPECT_EQ(BackBufferColour(160, 100), 0x000000u);
}

TEST_F(SpriteDeviceTest, OnlyTheSpritesTheBuffersHoldAreDrawn) {
  auto object = MakeSprites(2);
  object->m_Sprites[0].position = D3DXVECTOR3(80.0f, 100.0f, 0.0f);
  object->m_Sprites[1].position = D3DXVECTOR3(240.0f, 100.0f, 0.0f);
  object->Desc().m_SpriteCount.Set(1);  // buffers for one; both records stay
  ASSERT_EQ(object->m_Sprites.size(), 2u);
  ASSERT_EQ(object->BufferSprites(), 1u);
  object->UpdateFrame(0.05f);
  DrawObject(*object);
  EXPECT_EQ(BackBufferColour(80, 100), 0xFFFFFFu);
  EXPECT_EQ(BackBufferColour(240, 100), 0x000000u);

  // A count above what 16-bit indices reach: buffers, records and the drawn count capped.
  object->Desc().m_SpriteCount.Set(20000);
  EXPECT_EQ(object->BufferSprites(), kMaxQuadsPerBuffer);
  EXPECT_EQ(object->m_Sprites.size(), size_t(kMaxQuadsPerBuffer));
  tw_test::RecordingRender r;
  object->Render(r);
  ASSERT_EQ(r.calls.size(), 1u);
  EXPECT_EQ(r.calls[0].sprites.spriteCount, kMaxQuadsPerBuffer);
  EXPECT_EQ(r.calls[0].sprites.geometry.vertexCount, 4 * kMaxQuadsPerBuffer);
  object->UpdateFrame(0.1f);
  EXPECT_EQ(object->m_FillCount, 1u);  // the capped count matches the buffers
  DrawObject(*object);
  EXPECT_EQ(BackBufferColour(240, 100), 0xFFFFFFu);

  // The layer itself never draws past the buffers, whatever a view claims.
  DS_SpriteArrayView view = object->View();
  view.spriteCount = 100000;
  m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  ASSERT_EQ(m_Device->BeginScene(), D3D_OK);
  m_Layer->DrawSpriteArray(view);
  m_Device->EndScene();
  EXPECT_EQ(BackBufferColour(80, 100), 0xFFFFFFu);
}

// Count 0 leaves the buffers made for two sprites alone: the fill neither locks nor
// writes them (a pattern the test put there stays), and the layer draws nothing. A count
// of two again remakes the buffers, and the sprites show where they are now.
TEST_F(SpriteDeviceTest, ACountOfZeroLeavesTheBuffersAsTheyAre) {
  auto object = MakeSprites(2);
  object->m_Sprites[0].position = D3DXVECTOR3(80.0f, 100.0f, 0.0f);
  object->m_Sprites[1].position = D3DXVECTOR3(240.0f, 100.0f, 0.0f);
  object->UpdateFrame(0.05f);
  ASSERT_EQ(object->m_FillCount, 1u);
  IDirect3DVertexBuffer9* const buffer = object->vertexBuffer.Get();
  ASSERT_NE(buffer, nullptr);

  // A pattern no fill writes.
  void* p = nullptr;
  ASSERT_EQ(buffer->Lock(0, 0, &p, 0), D3D_OK);
  std::memset(p, 0x5A, size_t(object->vertexCount) * sizeof(DX_V::PCT));
  buffer->Unlock();
  const std::vector<unsigned char> pattern = VertexBytes(*object);

  object->m_Sprites[0].position = D3DXVECTOR3(160.0f, 60.0f, 0.0f);
  object->Desc().m_SpriteCount.Set(0);
  EXPECT_EQ(object->vertexBuffer.Get(), buffer);
  EXPECT_EQ(object->BufferSprites(), 2u);
  EXPECT_EQ(object->m_Sprites.size(), 2u);
  object->UpdateFrame(0.1f);
  object->FillVertices(object->Desc());
  EXPECT_EQ(object->m_FillCount, 1u);
  EXPECT_EQ(VertexBytes(*object), pattern);
  DrawObject(*object);
  EXPECT_EQ(BackBufferColour(80, 100), 0x000000u);
  EXPECT_EQ(BackBufferColour(160, 60), 0x000000u);
  EXPECT_EQ(BackBufferColour(240, 100), 0x000000u);

  object->Desc().m_SpriteCount.Set(2);
  EXPECT_EQ(object->BufferSprites(), 2u);
  object->UpdateFrame(0.15f);
  EXPECT_EQ(object->m_FillCount, 1u);
  DrawObject(*object);
  EXPECT_EQ(BackBufferColour(160, 60), 0xFFFFFFu);
  EXPECT_EQ(BackBufferColour(240, 100), 0xFFFFFFu);
  EXPECT_EQ(BackBufferColour(80, 100), 0x000000u);
}

TEST_F(SpriteDeviceTest, RefreshOnFrameWithAStillImageFillsOnce) {
  for (int refresh : {1, 0}) {
    SCOPED_TRACE(testing::Message() << "refresh on frame " << refresh);
    auto object = MakeSprites(1, refresh);
    object->m_Sprites[0].position = D3DXVECTOR3(80.0f, 100.0f, 0.0f);
    object->UpdateFrame(0.05f);
    EXPECT_EQ(object->m_FillCount, 1u);
    object->m_Sprites[0].position = D3DXVECTOR3(240.0f, 100.0f, 0.0f);
    object->UpdateFrame(0.1f);
    DrawObject(*object);
    // With the flag a still image never switches frames: the first fill stays.
    EXPECT_EQ(BackBufferColour(80, 100), refresh ? 0xFFFFFFu : 0x000000u);
    EXPECT_EQ(BackBufferColour(240, 100), refresh ? 0x000000u : 0xFFFFFFu);
    EXPECT_EQ(object->m_FillCount, refresh ? 1u : 2u);
  }
}

// The second image is the overlay: the object holds one reference on the store's picture
// and lends it with one more, which the caller gives back; the layer draws it over the
// sprites, laid over them (blend mode 0) or added to them (blend mode 1). Without a second
// image there is none to lend.
TEST_F(SpriteDeviceTest, TheOverlayIsLentWithAReferenceAndDrawnOverTheSprites) {
  IDirect3DTexture9* const blue = g_DocResManager->Tables().textureSets[DS_LinkKey(L"blue.png", 1)].CurrentTexture();
  ASSERT_NE(blue, nullptr);
  const ULONG stored = References(blue);
  struct Case {
    int blendMode;
    D3DCOLOR inside;
  };
  // Red sprites over black; the blue overlay laid over them, or added: (255, 0, 255).
  const Case cases[] = {{0, 0x0000FFu}, {1, 0xFF00FFu}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "blend mode " << c.blendMode);
    auto object = MakeSprites(1, 0, L"blue.png", c.blendMode);
    EXPECT_EQ(References(blue), stored + 1);
    IDirect3DTexture9* lent = object->GetTexture();
    EXPECT_EQ(lent, blue);
    EXPECT_EQ(References(blue), stored + 2);
    if (lent) lent->Release();
    EXPECT_EQ(References(blue), stored + 1);

    object->m_Sprites[0].position = D3DXVECTOR3(80.0f, 100.0f, 0.0f);
    object->m_Sprites[0].color = 0xFFFF0000;
    object->UpdateFrame(0.05f);
    DrawObject(*object);
    EXPECT_EQ(BackBufferColour(80, 100), c.inside);
    EXPECT_EQ(BackBufferColour(62, 82), c.inside);
    EXPECT_EQ(BackBufferColour(57, 100), 0x000000u);
    object.reset();
    EXPECT_EQ(References(blue), stored);
  }

  auto plain = MakeSprites(1);
  EXPECT_EQ(plain->GetTexture(), nullptr);
  EXPECT_EQ(plain->View().overlay, nullptr);
}

TEST_F(SpriteDeviceTest, GlowPassClearsItsTargetAndTheTargetSurvivesAReset) {
  LoggingEffect effect;
  DS_TestGlow d;
  d.testEffect = &effect;
  d.m_SpriteImage.StoreKey(L"white.png", 1);
  d.m_SpriteSize.Store(40);
  std::unique_ptr<DS_GlowingObj> object(static_cast<DS_GlowingObj*>(d.CreateRuntimeObject()));
  DS_RenderTargetPair* target = object->m_GlowTarget;
  ASSERT_NE(target, nullptr);
  ASSERT_TRUE(target->IsValid());
  EXPECT_EQ(target->width, 512u);
  EXPECT_EQ(target->height, 512u);
  EXPECT_EQ(object->m_GlowDescription->m_SpriteTexture.Get(), object->m_GlowDescription->m_SpriteImage.GetTextureSet(*g_DocResManager).CurrentTexture());
  object->UpdateFrame(0.05f);

  // Something on the target, so that the clear shows.
  IDirect3DSurface9* surface = nullptr;
  IDirect3DSurface9* backBuffer = nullptr;
  ASSERT_EQ(target->current->GetSurfaceLevel(0, &surface), D3D_OK);
  m_Device->GetRenderTarget(0, &backBuffer);
  m_Device->SetRenderTarget(0, surface);
  m_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
  m_Device->SetRenderTarget(0, backBuffer);
  surface->Release();
  backBuffer->Release();

  tw_test::RecordingRender r;
  ASSERT_EQ(m_Device->BeginScene(), D3D_OK);
  object->Render(r);
  m_Device->EndScene();
  EXPECT_EQ(r.Sequence(), "PushRenderTarget DrawMesh PopRenderTarget Draw DrawMesh");
  EXPECT_EQ(r.calls[0].target, target);
  EXPECT_EQ(r.calls[0].viewMode, 3);
  EXPECT_EQ(r.calls[1].depth, 1);
  EXPECT_TRUE(r.TargetsBalanced());
  D3DCOLOR cleared = 0xDEADBEEF;
  ASSERT_TRUE(m_Dev.ReadTexturePixel(target->current, 100, 100, &cleared));
  EXPECT_EQ(cleared, 0x00000000u);
  // The render target 0 is the back buffer again.
  IDirect3DSurface9* now = nullptr;
  IDirect3DSurface9* back = nullptr;
  m_Device->GetRenderTarget(0, &now);
  m_Device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  EXPECT_EQ(now, back);
  now->Release();
  back->Release();

  // Lost: the store drops the pair's textures, and a frame drawn meanwhile skips the glow
  // pass instead of clearing and drawing over the scene.
  m_Layer->OnDeviceLost();
  g_DocResManager->OnDeviceLost();
  EXPECT_FALSE(target->IsValid());
  r.Clear();
  object->Render(r);
  EXPECT_EQ(r.Sequence(), "Draw DrawMesh");
  ASSERT_EQ(m_Dev.Reset(), D3D_OK) << "a DEFAULT-pool object outlived the loss";
  m_Layer->OnDeviceReset();  // asks the store to restore its pairs
  EXPECT_EQ(object->m_GlowTarget, target);
  ASSERT_TRUE(target->IsValid());
  EXPECT_EQ(target->width, 512u);
  EXPECT_EQ(target->height, 512u);
  D3DSURFACE_DESC desc{};
  target->current->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Width, 512u);
  EXPECT_EQ(desc.Height, 512u);
  EXPECT_EQ(desc.Usage, DWORD(D3DUSAGE_RENDERTARGET));
  r.Clear();
  ASSERT_EQ(m_Device->BeginScene(), D3D_OK);
  object->Render(r);
  m_Device->EndScene();
  EXPECT_EQ(r.Sequence(), "PushRenderTarget DrawMesh PopRenderTarget Draw DrawMesh");
  object.reset();
  EXPECT_EQ(effect.refs, 1u);
}

}  // namespace
