#pragma once
// The generator families between the base and the concrete generators:
// - DS_TexParticleGenerator: pictures, an effect, two colours, a blend mode, mirror flags
//   and an off-screen mask target, with the drawing routines every textured generator
//   uses (one batch through a mask, several batches into one mask, the composite);
// - DS_StaticGenerator: a centre;
// - DS_ParticleOriginGenerator: origin particles driven by actions, emitted from the
//   centre at a rate;
// - DS_ParticleRctRgnGenerator: a rectangular region;
// - DS_StringGenerator: two end points.
// None has a reader of its own: only concrete generators appear in documents.
#include "core/document/FileLink.h"
#include "core/render/RenderTargetPair.h"
#include "core/render/TextureSet.h"
#include "objects/particles/ParticleGenerator.h"
#include "platform/ComPtr.h"
#include <list>
#include <vector>

struct Effect;

class DS_TexParticleGenerator : public DS_ParticleGenerator {
public:
  // Draws the key's GUID.
  DS_TexParticleGenerator();
  // Same key (so a description and its runtime copy share one target), another reference
  // on the effect, copied frames; the runtime object is not copied.
  DS_TexParticleGenerator(const DS_TexParticleGenerator& other);
  ~DS_TexParticleGenerator() override;

  // Remembers the runtime object; frames from the resource manager (texture sets, or the
  // module's stored sets when frame sequences is 1); the effect, replacing a previous one.
  void InitRuntime(DS_ParticlesObj& runtime) override;
  // Modes 1 and 2 read the picture drawn so far.
  bool IsPostPass() override;
  // {first image link or none, frame sequences, 0, 1}.
  DS_PreviewImage GetPreviewImage() override;

  // The render-target pair under the generator's key from the resource manager, made at
  // the size of back buffer 0 (for the generators that draw through a mask).
  void AcquireRenderTarget();
  // The current frame's texture of texture set i; null beyond the sets or for an empty one.
  IDirect3DTexture9* FrameTexture(size_t i) const;
  // Batch 0 through the mask ("BlendMask"), then the composite; without an effect, batch 0
  // with the texture on stage 0 through the fixed pipeline.
  void DrawSingleBatch(DS_ABRender& context, IDirect3DTexture9* texture);
  // Batches 0 .. last into one mask ("JoinMask", cleared to 0x00FFFFFF), batch i with
  // FrameTexture(i). Without an effect or a valid target, nothing.
  void DrawJoinedBatches(DS_ABRender& context, size_t last);
  // The mask over the frame by the blend mode's technique; without an effect, nothing.
  void DrawComposite(DS_ABRender& context);
  // Selects the blend mode's technique and textures (mode 0 "CommonTex", 1
  // "Blend_ScreenTex", 2 "Blend_ColorDodgeTex", 3 "Blend_SumTex"; other modes keep the
  // effect's technique and set nothing).
  void SelectComposite(Effect& effect, IDirect3DTexture9* mask, IDirect3DTexture9* background);

  // The mask passes' steps, shared by the routines above and the two-mask generators.
  // BeginMask binds the render-target pair, lays the stage out for it and clears it to
  // `clear`; false, with nothing bound, without a pair or when it cannot be bound (the
  // mask pass would otherwise clear and draw over the frame itself).
  bool BeginMask(DS_ABRender& context, D3DCOLOR clear);
  void EndMask(DS_ABRender& context);
  // The particle mask moves to the pair's other texture and the new target is cleared to
  // transparent black; returns the particle mask (no reference added).
  IDirect3DTexture9* SwapToGlowMask();
  // The batch's counted quads through the effect; an empty batch draws nothing.
  void DrawMaskBatch(DS_ABRender& context, size_t batch, Effect*& effect);
  // "Main": "Texture1" the scene so far, "Texture2" the glow mask (the pair's current
  // texture), "Texture3" the particle mask, over the whole screen.
  void DrawGlowComposite(DS_ABRender& context, Effect*& effect, IDirect3DTexture9* particleMask);

  // The part "DS_TexParticleGenerator", versions 1 to 3 (3 written), then the base part.
  bool ReadPart(DS_IOF_Virtual& archive);
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void WritePart(DS_IOF_Virtual& archive);
  static constexpr unsigned kVersion = 3;

  std::vector<DS_ImageFileLink> m_Images;
  DS_HLSLEffectFile m_EffectLink;
  MediaColor m_Color1{0x00FFFFFFul};
  MediaColor m_Color2{0x00FFFFFFul};
  MediaParamT<int> m_BlendMode{0};
  MediaParamT<int> m_MirrorVertical{0};
  MediaParamT<int> m_MirrorHorizontal{0};
  int m_FrameSequences = 0;
  std::vector<DS_TextureSet> m_Frames;
  ComRef<Effect> m_Effect;
  DS_RenderTargetPair* m_RenderTarget = nullptr;  // owned by the resource manager
  GUID m_Key{};
  unsigned char m_KeyFlag = 1;
  DS_ParticlesObj* m_Runtime = nullptr;
};

class DS_StaticGenerator : public DS_TexParticleGenerator {
public:
  DS_StaticGenerator() = default;
  DS_StaticGenerator(const DS_StaticGenerator& other) = default;
  // The textured InitRuntime; an unplaced description is centred on the screen (and then
  // counts as placed).
  void InitRuntime(DS_ParticlesObj& runtime) override;
  // The part "DS_StaticGenerator", version 1 (not tested): centre, then the textured part.
  bool ReadPart(DS_IOF_Virtual& archive);
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void WritePart(DS_IOF_Virtual& archive);
  static constexpr unsigned kVersion = 1;

  MediaParamT<D3DXVECTOR3> m_Centre;
};

// A particle of the origin generators: life counts down, actions run in order.
struct OriginParticle {
  using Action = void (*)(OriginParticle& particle, float dt, const float* params);
  static constexpr int kMaxActions = 6;
  static constexpr int kMaxParams = 4;
  struct ActionEntry {
    Action action = nullptr;
    float params[kMaxParams] = {};
    int paramCount = 0;
  };

  float life = -1.0f;
  D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 velocity{0.0f, -200.0f, 0.0f};
  D3DXVECTOR3 acceleration{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 right{1.0f, 0.0f, 0.0f};
  D3DXVECTOR3 up{0.0f, 1.0f, 0.0f};
  float size = 100.0f;
  float alpha = 1.0f;
  ActionEntry actions[kMaxActions];
  int actionCount = 0;

  // Appends an action with up to kMaxParams parameters; a full list ignores it.
  void AddAction(Action action, std::initializer_list<float> params);
  // Every action in order.
  void RunActions(float dt);

  static void* operator new(size_t bytes) { return BlockPool::Allocate(bytes); }
  static void operator delete(void* block, size_t bytes) noexcept { BlockPool::Free(block, bytes); }
};

// The origin particles' actions (p: the action's parameters).
void MoveAction(OriginParticle& particle, float dt, const float* p);     // kinetic step
void GrowAction(OriginParticle& particle, float dt, const float* p);     // size += p0 dt
void FadeInAction(OriginParticle& particle, float dt, const float* p);   // p1 < life: alpha += p0 dt
void FadeOutAction(OriginParticle& particle, float dt, const float* p);  // p1 > life: alpha -= p0 dt
void SpinAction(OriginParticle& particle, float dt, const float* p);     // axes about z, p0 deg/s

class DS_ParticleOriginGenerator : public DS_StaticGenerator {
public:
  DS_ParticleOriginGenerator() = default;
  // Copies the parameters and clones the origin particles.
  DS_ParticleOriginGenerator(const DS_ParticleOriginGenerator& other);
  ~DS_ParticleOriginGenerator() override;

  // Advances its clock; EmitParticles(clock step).
  void UpdateFrame(float time, DS_ParticlesObj& runtime) override;
  // Life := scaled life, velocity := the sector's random unit direction x 100, position
  // := centre; no actions.
  virtual OriginParticle* CreateParticle();
  // Updates the origin particles (life -= dt, actions; removes the dead), then emits at
  // the rate times the time line's alpha. The unspent emission time never exceeds one
  // interval while nothing can be emitted, and no step makes more particles than the list
  // has room for (kMaxParticlesPerList).
  void EmitParticles(float dt);
  void UpdateParticles(float dt);

  // The block: life, rate, second value, direction, clock speed, centre, then the textured
  // part. ReadPart/WritePart add the named head "DS_ParticleOriginGenerator", version 1.
  void ReadBlock(DS_IOF_Virtual& archive);
  void WriteBlock(DS_IOF_Virtual& archive);
  bool ReadPart(DS_IOF_Virtual& archive);
  void WritePart(DS_IOF_Virtual& archive);
  static constexpr unsigned kVersion = 1;

  UINTSclaleTo<float> m_OriginLife{0u, 0.04f, 0.0f};
  MediaParamT<unsigned> m_Rate{0u};
  MediaParamT<unsigned> m_SecondValue{0u};
  MediaSector m_Direction;
  MediaSpeedParam m_OriginClock{0u, 0.02f, 0.0f};
  std::list<OriginParticle*> m_Particles;  // owned
  float m_EmissionTime = 0.0f;
};

class DS_ParticleRctRgnGenerator : public DS_TexParticleGenerator {
public:
  DS_ParticleRctRgnGenerator() = default;
  DS_ParticleRctRgnGenerator(const DS_ParticleRctRgnGenerator& other) = default;
  // The textured InitRuntime; an unplaced description covers the screen (the flag is left
  // as it was).
  void InitRuntime(DS_ParticlesObj& runtime) override;
  // The part "DS_ParticleRctRgnGenerator", version 1 (not tested): the region as twelve
  // floats, then the textured part.
  bool ReadPart(DS_IOF_Virtual& archive);
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void WritePart(DS_IOF_Virtual& archive);
  static constexpr unsigned kVersion = 1;

  MediaQuad m_Region;
};

class DS_StringGenerator : public DS_TexParticleGenerator {
public:
  DS_StringGenerator() = default;
  DS_StringGenerator(const DS_StringGenerator& other) = default;
  // The part "DS_StringGenerator", version 1 (not tested): the two end points as six
  // floats, then the textured part.
  bool ReadPart(DS_IOF_Virtual& archive);
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void WritePart(DS_IOF_Virtual& archive);
  static constexpr unsigned kVersion = 1;

  MediaParamT<D3DXVECTOR3> m_Start;
  MediaParamT<D3DXVECTOR3> m_End;
};
