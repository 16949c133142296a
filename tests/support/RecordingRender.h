#pragma once
// A render context that records what a runtime object asks it to draw, so that object
// logic and draw sequences are tested without a device. Header only.
//
//   tw_test::RecordingRender r;            // a 640 x 480 picture by default
//   object.Render(r);
//   EXPECT_EQ(r.Sequence(), "PushRenderTarget DrawMesh PopRenderTarget");
//   EXPECT_EQ(r.calls[1].effect, myEffect);
//
// Every call keeps the views it was handed (buffers, counts, frame) and, for operations
// that take an effect, the effect the slot held at the call (null for an empty or missing
// slot), which is what a layer would have drawn with.
#include "layers/DS_ABRender.h"

#include <string>
#include <vector>

namespace tw_test {

struct RecordedCall {
  std::string op;
  DS_MeshView mesh;
  Effect* effect = nullptr;
  bool effectSlotGiven = false;
  UINT first = 0, count = 0;
  DS_SpriteArrayView sprites;
  DS_3DPartView part;
  DS_MeshArrayView array;
  DS_TexturedQuadObj* quadObject = nullptr;
  float value = 0.0f;
  DS_RenderTargetPair* target = nullptr;
  int viewMode = 0;
  // The render-target depth when the call was made (0: the back buffer).
  int depth = 0;
};

class RecordingRender : public DS_ABRender {
public:
  explicit RecordingRender(UINT width = 640, UINT height = 480) : width(width), height(height) {}
  ~RecordingRender() override = default;
  RecordingRender(const RecordingRender&) = delete;
  RecordingRender& operator=(const RecordingRender&) = delete;

  void Write(DS_IOF_Virtual&) override {}

  using DS_ABRender::Draw;
  using DS_ABRender::DrawIndexed;
  using DS_ABRender::DrawMesh;
  using DS_ABRender::DrawQuadRange;

  void PushRenderTarget(DS_RenderTargetPair& pair, int viewMode) override {
    RecordedCall& c = Add("PushRenderTarget");
    c.target = &pair;
    c.viewMode = viewMode;
    ++m_Depth;
    maxDepth = m_Depth > maxDepth ? m_Depth : maxDepth;
  }
  void PopRenderTarget() override {
    if (m_Depth == 0) ++unpairedPops;
    else --m_Depth;
    Add("PopRenderTarget");
  }
  void DrawIndexed(const DS_MeshView& mesh, Effect** effect) override { AddDraw("DrawIndexed", mesh, effect); }
  void Draw(const DS_MeshView& mesh, Effect** effect) override { AddDraw("Draw", mesh, effect); }
  void DrawQuadRange(const DS_MeshView& mesh, Effect** effect, UINT first, UINT count) override {
    RecordedCall& c = AddDraw("DrawQuadRange", mesh, effect);
    c.first = first;
    c.count = count;
  }
  void DrawMesh(const DS_MeshView& mesh, Effect** effect) override { AddDraw("DrawMesh", mesh, effect); }
  void DrawMeshPart(const DS_3DPartView& part) override { Add("DrawMeshPart").part = part; }
  void DrawSpriteArray(const DS_SpriteArrayView& object) override { Add("DrawSpriteArray").sprites = object; }
  void DrawMeshArray(const DS_MeshArrayView& mesh) override { Add("DrawMeshArray").array = mesh; }
  void DrawTexturedQuad(DS_TexturedQuadObj& object, float value, int) override {
    RecordedCall& c = Add("DrawTexturedQuad");
    c.quadObject = &object;
    c.value = value;
    object.Update(value);
  }
  ComRef<IDirect3DTexture9>& GetBackgroundTexture() override { return background; }
  DS_ScreenQuad& GetScreenQuad() override { return screenQuad; }
  UINT GetWidth() override { return width; }
  UINT GetHeight() override { return height; }

  // The operations in call order, separated by single spaces.
  std::string Sequence() const {
    std::string s;
    for (const RecordedCall& c : calls) s += (s.empty() ? "" : " ") + c.op;
    return s;
  }
  // Every push was popped and no pop came without a push.
  bool TargetsBalanced() const { return m_Depth == 0 && unpairedPops == 0; }
  void Clear() {
    calls.clear();
    m_Depth = maxDepth = unpairedPops = 0;
  }

  std::vector<RecordedCall> calls;
  UINT width, height;
  // The slot that post-pass objects read; a test may put a texture here.
  ComRef<IDirect3DTexture9> background;
  DS_ScreenQuad screenQuad;
  int maxDepth = 0;
  int unpairedPops = 0;

private:
  RecordedCall& Add(const char* op) {
    calls.emplace_back();
    calls.back().op = op;
    calls.back().depth = m_Depth;
    return calls.back();
  }
  RecordedCall& AddDraw(const char* op, const DS_MeshView& mesh, Effect** effect) {
    RecordedCall& c = Add(op);
    c.mesh = mesh;
    c.effectSlotGiven = effect != nullptr;
    c.effect = effect ? *effect : nullptr;
    return c;
  }

  int m_Depth = 0;
};

}  // namespace tw_test
