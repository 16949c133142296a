// The slide show, slides, layer and camera without a device: fades and slide changes,
// records of every version, the camera's motion, compositing order and depth shifts, and
// the render-target stack.
#include "LayerTestSupport.h"

#include "core/archive/DS_IOF_Writer.h"
#include "core/document/DocResManager.h"
#include "core/params/CompositeParams.h"
#include "layers/DSM_Camera.h"
#include "layers/DS_2D_Light.h"
#include "layers/DS_SlideContainer.h"
#include "layers/DS_SlideShow_Light.h"
#include "layers/DocumentLoader.h"
#include "tests/support/RecordingRender.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

DS_SlideContainer* MakeSlide(float fi, float s, float fo, int mode = 0) {
  auto* slide = new DS_SlideContainer();
  slide->fadeInTime.Store(fi);
  slide->showTime.Store(s);
  slide->fadeOutTime.Store(fo);
  slide->mode.Store(mode);
  slide->SetLayer(new DS_2D_Light());
  return slide;
}

int CurrentIndex(const DS_SlideShow_Light& show) {
  for (size_t i = 0; i < show.Slides().size(); ++i)
    if (show.Slides()[i].get() == show.CurrentSlide()) return int(i);
  return -1;
}

// ---------------------------------------------------------------------------------------
// Fades and slide changes

struct FadeStep {
  float t;
  int slide;
  float start;
  float fade;
};

void RunFadeSteps(DS_SlideShow_Light& show, const std::vector<FadeStep>& steps) {
  for (const FadeStep& step : steps) {
    SCOPED_TRACE(testing::Message() << "t = " << step.t);
    show.UpdateFrame(step.t);
    EXPECT_EQ(CurrentIndex(show), step.slide);
    if (step.start >= 0) {
      EXPECT_FLOAT_EQ(show.SlideStartTime(), step.start);
    }
    EXPECT_NEAR(show.FadeValue(), step.fade, 1e-4);
  }
}

TEST(SlideShowFade, WorkedRunOfTwoSlides) {
  DS_SlideShow_Light show;
  show.AddSlide(MakeSlide(1, 10, 1));
  show.AddSlide(MakeSlide(1, 10, 1));
  RunFadeSteps(show, {
                         {100.0f, 0, 99.0f, 0.0f},    // the first slide does not fade in
                         {105.0f, 0, 99.0f, 0.0f},
                         {110.5f, 0, 99.0f, 0.5f},    // fading out
                         {111.0f, 0, 99.0f, 1.0f},    // 12 s have not passed strictly
                         {111.2f, 1, 111.2f, 1.0f},   // the change: black, fading in
                         {111.7f, 1, 111.2f, 0.5f},
                         {112.2f, 1, 111.2f, 0.0f},
                         {122.7f, 1, 111.2f, 0.5f},
                         {123.3f, 0, 123.3f, 1.0f},   // twelve seconds later slide 0 returns
                         {124.3f, 0, 123.3f, 0.0f},   // and it does fade in now
                     });
  EXPECT_EQ(show.NextIndex(), 1u);
}

TEST(SlideShowFade, OneSlideNeverChangesOrFades) {
  DS_SlideShow_Light show;
  show.AddSlide(MakeSlide(1, 10, 1));
  RunFadeSteps(show, {{100, 0, 99, 0}, {110.5f, 0, 99, 0}, {150, 0, 99, 0}, {5000, 0, 99, 0}});
}

TEST(SlideShowFade, SlideThatNeverEndsStaysPut) {
  DS_SlideShow_Light show;
  show.AddSlide(MakeSlide(1, 10, 1, /*mode=*/1));
  show.AddSlide(MakeSlide(1, 10, 1));
  RunFadeSteps(show, {{100, 0, 99, 0}, {110.5f, 0, 99, 0}, {112, 0, 99, 0}, {1000, 0, 99, 0}});
}

TEST(SlideShowFade, NeverEndingSlideReachedByAChangeFadesInOnly) {
  DS_SlideShow_Light show;
  show.AddSlide(MakeSlide(1, 10, 1));
  show.AddSlide(MakeSlide(2, 10, 1, /*mode=*/1));
  RunFadeSteps(show, {{100, 0, 99, 0}, {111.5f, 1, 111.5f, 1.0f}, {112.5f, 1, 111.5f, 0.5f},
                      {113.5f, 1, 111.5f, 0.0f}, {500, 1, 111.5f, 0.0f}});
}

TEST(SlideShowFade, ZeroAndHostileTimesNeverGiveNaN) {
  struct Case {
    float fi, s, fo;
  };
  const Case cases[] = {{0, 0, 0}, {0, 10, 0}, {1, 0, 0}, {0, 5, 1}, {-3, 2, -1}, {NAN, 3, NAN}, {INFINITY, 1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fi << " " << c.s << " " << c.fo);
    DS_SlideShow_Light show;
    show.AddSlide(MakeSlide(c.fi, c.s, c.fo));
    show.AddSlide(MakeSlide(c.fi, c.s, c.fo));
    for (float t = 100.0f; t < 130.0f; t += 0.25f) {
      show.UpdateFrame(t);
      const float v = show.FadeValue();
      ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << "t = " << t << " v = " << v;
    }
  }
  // The fade value itself, where the division would be by zero.
  DS_SlideTiming cut{0.0f, 10.0f, 0.0f, 0};
  EXPECT_EQ(SlideFadeValue(-0.5f, cut), 0.0f);  // time ran backwards over a zero fade-in
  EXPECT_EQ(SlideFadeValue(10.0f, cut), 0.0f);
  EXPECT_EQ(SlideFadeValue(10.5f, cut), 1.0f);  // a zero fade-out is a cut to black
}

TEST(SlideShowFade, EmptyShowAndDroppedSlides) {
  DS_SlideShow_Light show;
  show.AddSlide(nullptr);
  auto* noLayer = new DS_SlideContainer();
  show.AddSlide(noLayer);  // cannot be shown: dropped (and deleted)
  EXPECT_TRUE(show.Slides().empty());
  show.UpdateFrame(100.0f);
  show.Render(false);
  EXPECT_EQ(show.CurrentSlide(), nullptr);
  EXPECT_EQ(show.FadeQuad(), nullptr);
  EXPECT_EQ(show.GetAspectRatio(), 1.0f);
}

TEST(SlideShowFade, ChangeTogglesSoundsAndResetsObjects) {
  DS_SlideShow_Light show;
  DS_SlideContainer* a = MakeSlide(1, 10, 1);
  DS_SlideContainer* b = MakeSlide(1, 10, 1);
  show.AddSlide(a);
  show.AddSlide(b);
  // Runtime objects are made from descriptions by BuildRuntimeObjects.
  auto* soundA = new ProbeDescription();
  auto* objectB = new ProbeDescription();
  a->AddSoundDescription(soundA);
  b->AddDescription(objectB);
  a->BuildRuntimeObjects();
  b->BuildRuntimeObjects();
  auto* sound = static_cast<ProbeObject*>(a->SoundObjects()[0].get());
  auto* object = static_cast<ProbeObject*>(b->RuntimeObjects()[0].get());
  show.UpdateFrame(100.0f);
  EXPECT_EQ(sound->visibleCalls, std::vector<bool>({true}));
  EXPECT_EQ(object->resets, 0);
  show.UpdateFrame(112.5f);
  EXPECT_EQ(sound->visibleCalls, std::vector<bool>({true, false}));
  EXPECT_EQ(object->resets, 1);
  EXPECT_EQ(object->updates, 1);
}

TEST(SlideShowPicturePosition, ReachesEveryLayerAndLeavesTheStageToTheCurrentSlide) {
  DS_StageView stage;
  g_StageView = &stage;
  DS_SlideShow_Light show;
  show.AddSlide(MakeSlide(1, 10, 1));
  show.AddSlide(MakeSlide(1, 10, 1));
  show.AddSlide(MakeSlide(1, 10, 1));
  for (const auto& s : show.Slides()) s->BuildRuntimeObjects();  // render size 1 x 1
  show.UpdateFrame(100.0f);
  show.CurrentSlide()->Resize(800, 600);  // what activation does with a back buffer
  show.SetPicturePosition(kFitFill);
  for (const auto& s : show.Slides()) EXPECT_EQ(s->Layer()->ViewMode(), kFitFill);
  // The slides not shown yet lay the stage out for 1 x 1; the current one draws at 800 x 600.
  EXPECT_EQ(stage.screenWidth, 800u);
  EXPECT_EQ(stage.screenHeight, 600u);
  EXPECT_EQ(stage.camera->fitMode, kFitFill);
  g_StageView = nullptr;
}

// ---------------------------------------------------------------------------------------
// Slides: records, looped time, compositing

struct SlideRecordCase {
  unsigned version;
  float fi, fo, show;  // written as floats (v5) or whole seconds
  int mode;
  int loop;  // written when version >= 3
  float wantFi, wantFo, wantShow;
  int wantMode;
  unsigned wantLoop;
};

class SlideRecordTest : public testing::TestWithParam<SlideRecordCase> {};

TEST_P(SlideRecordTest, ReadsEveryVersion) {
  const SlideRecordCase& c = GetParam();
  DS_IOF_W w;
  if (c.version >= 5) {
    w.WriteLong(c.mode);
    w.WriteFloat(c.fi);
    w.WriteFloat(c.fo);
    w.WriteFloat(c.show);
  } else {
    w.WriteInt(int(c.fi));
    w.WriteInt(int(c.fo));
    w.WriteInt(int(c.show));
  }
  w.WriteLong(7);  // spare value
  w.WriteString(L"Slide name");
  if (c.version >= 3) w.WriteInt(c.loop);
  WriteLayerV1(w);
  w.WriteUInt(1u);
  WriteProbeDescription(w, L"obj", 50);
  if (c.version >= 2) {
    w.WriteUInt(1u);
    WriteProbeDescription(w, L"snd", 100);
  }
  ReadBack r(w);
  DS_SlideContainer slide;
  slide.ReadFields(r.archive, c.version);
  EXPECT_FALSE(r.archive.Failed());
  EXPECT_EQ(r.archive.RemainingBytes(), 0u);
  EXPECT_FLOAT_EQ(slide.fadeInTime.Get(), c.wantFi);
  EXPECT_FLOAT_EQ(slide.fadeOutTime.Get(), c.wantFo);
  EXPECT_FLOAT_EQ(slide.showTime.Get(), c.wantShow);
  EXPECT_EQ(slide.mode.Get(), c.wantMode);
  EXPECT_EQ(slide.spareValue.Get(), 7);
  EXPECT_EQ(slide.name.Get(), L"Slide name");
  EXPECT_EQ(slide.loopLength.Get(), c.wantLoop);
  EXPECT_FLOAT_EQ(slide.loopLength.Seconds(), c.wantLoop * 0.01f);
  EXPECT_TRUE(slide.HasLayer());
  EXPECT_EQ(slide.Descriptions().size(), 1u);
  EXPECT_EQ(slide.SoundDescriptions().size(), c.version >= 2 ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, SlideRecordTest,
    testing::Values(
        // Version 5: floats and a mode; the loop length in hundredths as stored.
        SlideRecordCase{5, 2.5f, 3.5f, 20.5f, 1, 1500, 2.5f, 3.5f, 20.5f, 1, 1500},
        // Version 4: whole seconds; the loop length already in hundredths (0.15 s).
        SlideRecordCase{4, 2, 3, 20, 0, 15, 2, 3, 20, 0, 15},
        // Version 3: whole seconds; the loop length in whole seconds (15 s).
        SlideRecordCase{3, 2, 3, 20, 0, 15, 2, 3, 20, 0, 1500},
        // Versions 2 and 1 carry no loop length: the default 10 becomes 1000 seconds.
        SlideRecordCase{2, 1, 1, 10, 0, 0, 1, 1, 10, 0, 100000},
        SlideRecordCase{1, 4, 5, 6, 0, 0, 4, 5, 6, 0, 100000},
        // A version-3 loop length of 0 stays 0; a huge one saturates instead of wrapping.
        SlideRecordCase{3, 1, 1, 10, 0, 0, 1, 1, 10, 0, 0},
        SlideRecordCase{3, 1, 1, 10, 0, 50000000, 1, 1, 10, 0, 0xFFFFFFFFu}));

TEST(SlideRecord, UnknownLayerAndDescriptionsAreNotKept) {
  // A class no registry knows leaves its fields unread, so nothing after it can be found:
  // the archive fails (the loader reports a malformed document) and no null is kept.
  auto slideHead = [](DS_IOF_W& w) {
    w.WriteLong(0);
    w.WriteFloat(1);
    w.WriteFloat(1);
    w.WriteFloat(10);
    w.WriteLong(0);
    w.WriteString(L"");
    w.WriteInt(1000);
  };
  {
    DS_IOF_W w;
    slideHead(w);
    w.WriteString(L"DS_NoSuchLayer");
    w.WriteUInt(1u);
    w.WriteUInt(0u);
    w.WriteUInt(0u);
    ReadBack r(w);
    auto* slide = new DS_SlideContainer();
    slide->ReadFields(r.archive, 5);
    EXPECT_TRUE(r.archive.Failed());
    EXPECT_FALSE(slide->HasLayer());
    // Everything of the slide works without a layer, and the show drops it.
    slide->BuildRuntimeObjects();
    slide->UpdateFrame(1.0f);
    slide->Render(false);
    DS_SlideShow_Light show;
    show.AddSlide(slide);
    EXPECT_TRUE(show.Slides().empty());
  }
  {
    DS_IOF_W w;
    slideHead(w);
    WriteLayerV1(w);
    w.WriteUInt(3u);
    WriteProbeDescription(w, L"kept", 100);
    w.WriteString(L"DS_NoSuchObject");
    w.WriteUInt(1u);
    WriteProbeDescription(w, L"after", 100);
    w.WriteUInt(0u);
    ReadBack r(w);
    DS_SlideContainer slide;
    slide.ReadFields(r.archive, 5);
    EXPECT_TRUE(r.archive.Failed());
    EXPECT_TRUE(slide.HasLayer());
    ASSERT_EQ(slide.Descriptions().size(), 1u);
    EXPECT_EQ(slide.Descriptions().front()->Name(), L"kept");
  }
}

TEST(SlideRecord, HostileCountsAllocateNothing) {
  // A version-1 slide: three times, spare value, name, layer, then a count far beyond
  // the bytes that follow.
  DS_IOF_W w;
  for (int v : {1, 1, 10}) w.WriteInt(v);
  w.WriteLong(0);
  w.WriteString(L"");
  WriteLayerV1(w);
  w.WriteUInt(0xFFFFFFFFu);
  ReadBack r(w);
  DS_SlideContainer slide;
  slide.ReadFields(r.archive, 1);
  EXPECT_TRUE(r.archive.Failed());
  EXPECT_TRUE(slide.Descriptions().empty());
}

TEST(SlideLoop, LoopedTimeAndObjectUpdates) {
  DS_SlideContainer slide;
  slide.SetLayer(new DS_2D_Light());
  slide.loopLength.Set(1000u);
  slide.AddDescription(new ProbeDescription());
  slide.BuildRuntimeObjects();
  EXPECT_TRUE(slide.Descriptions().empty());
  EXPECT_EQ(slide.RuntimeObjects().size(), 1u);

  struct Case {
    unsigned loop;
    float t, want;
  };
  // A loop length of 0 would take a remainder by zero: the schedule does not repeat.
  const Case cases[] = {{1000, 123.4f, 3.4f}, {1000, 9.5f, 9.5f}, {250, 10.0f, 0.0f}, {0, 123.4f, 123.4f}};
  for (const Case& c : cases) {
    slide.loopLength.Set(c.loop);
    EXPECT_NEAR(slide.LoopedTime(c.t), c.want, 1e-4) << c.loop << " " << c.t;
  }
  slide.loopLength.Set(1000u);
  slide.UpdateFrame(123.4f);
  auto* runtime = static_cast<ProbeObject*>(slide.RuntimeObjects()[0].get());
  EXPECT_EQ(runtime->updates, 1);
  EXPECT_NEAR(runtime->Description()->TimeLine().LoopTime(), 3.4f, 1e-4);
}

TEST(SlideCompose, ObjectsDrawLastToFirstWithTheirDepthShift) {
  DS_StageView stage;
  g_StageView = &stage;
  stage.offsetX = 40.0f;
  stage.offsetY = -20.0f;
  std::vector<ProbeDraw> log;
  DS_SlideContainer slide;
  slide.SetLayer(new DS_2D_Light());
  // Runtime objects are normally built from descriptions; the probes are placed directly.
  struct Item {
    const char* name;
    unsigned depth;
    float shift;  // 100 / depth - 1
  };
  const Item items[] = {{"a", 100, 0.0f}, {"b", 50, 1.0f}, {"c", 200, -0.5f}, {"d", 0, 0.0f}, {"e", 25, 3.0f}};
  DS_RuntimeObjects objects;
  for (const Item& it : items) objects.emplace_back(MakeProbe(it.name, false, it.depth, &log));
  auto* hidden = MakeProbe("hidden", false, 100, &log);
  hidden->SetVisible(false);
  objects.emplace_back(hidden);
  slide.Layer()->RenderObjects(objects, 0);
  ASSERT_EQ(log.size(), 5u);
  const char* order[] = {"e", "d", "c", "b", "a"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(log[i].name, order[i]);
    const Item& it = items[4 - i];
    EXPECT_FLOAT_EQ(log[i].depthMatrix._41, 40.0f * it.shift) << it.name;
    EXPECT_FLOAT_EQ(log[i].depthMatrix._42, -20.0f * it.shift) << it.name;
    EXPECT_TRUE(std::isfinite(log[i].depthMatrix._41));
  }
  g_StageView = nullptr;
}

TEST(SlideCompose, SceneReadersCountShownPostPassObjects) {
  DS_SlideContainer slide;
  slide.SetLayer(new DS_2D_Light());
  EXPECT_EQ(slide.CountSceneReaders(), 0u);
  slide.AddDescription(new ProbeDescription());
  slide.AddDescription(new ProbeDescription());
  slide.AddDescription(new ProbeDescription());
  slide.BuildRuntimeObjects();
  auto probe = [&](int i) { return static_cast<ProbeObject*>(slide.RuntimeObjects()[i].get()); };
  probe(0)->postPass = true;
  EXPECT_EQ(slide.CountSceneReaders(), 1u);
  probe(2)->postPass = true;
  probe(2)->SetVisible(false);  // draws nothing this frame: reads nothing
  EXPECT_EQ(slide.CountSceneReaders(), 1u);
  probe(2)->SetVisible(true);
  EXPECT_EQ(slide.CountSceneReaders(), 2u);
}

// The recording context sees an object's draws as the layer would get them: in order,
// with the effect each slot held at the call, the range of a quad draw and the target
// depth; and it tells an unpaired pop.
TEST(SlideCompose, RecordingContextSeesAnObjectsDrawSequence) {
  std::vector<ProbeDraw> log;
  std::unique_ptr<ProbeObject> probe(MakeProbe("glow", true, 100, &log));
  DS_RenderTargetPair target;
  DS_IndexedMesh<DX_V::PCT> mesh;
  mesh.vertexCount = 8;
  mesh.indexedPrimitiveCount = 4;
  Effect* effect = reinterpret_cast<Effect*>(0x1000);  // never called through
  probe->onRender = [&](DS_ABRender& r) {
    r.PushRenderTarget(target, 3);
    r.DrawMesh(mesh, &effect);
    r.PopRenderTarget();
    effect = nullptr;  // the slot empties after the first draw
    r.DrawQuadRange(mesh, &effect, 1, 1);
  };
  tw_test::RecordingRender r(320, 200);
  probe->Render(r);
  EXPECT_EQ(r.Sequence(), "PushRenderTarget DrawMesh PopRenderTarget DrawQuadRange");
  ASSERT_EQ(r.calls.size(), 4u);
  EXPECT_EQ(r.calls[0].target, &target);
  EXPECT_EQ(r.calls[0].viewMode, 3);
  EXPECT_EQ(r.calls[1].depth, 1);
  EXPECT_EQ(r.calls[1].effect, reinterpret_cast<Effect*>(0x1000));
  EXPECT_EQ(r.calls[1].mesh.indexedPrimitiveCount, 4u);
  EXPECT_EQ(r.calls[1].mesh.frame, &mesh);
  EXPECT_EQ(r.calls[3].depth, 0);
  EXPECT_TRUE(r.calls[3].effectSlotGiven);
  EXPECT_EQ(r.calls[3].effect, nullptr);
  EXPECT_EQ(r.calls[3].first, 1u);
  EXPECT_EQ(r.calls[3].count, 1u);
  EXPECT_TRUE(r.TargetsBalanced());
  EXPECT_EQ(r.GetWidth(), 320u);

  r.Clear();
  r.PopRenderTarget();
  EXPECT_FALSE(r.TargetsBalanced());
}

// ---------------------------------------------------------------------------------------
// Layer records and the render-target stack

TEST(LayerRecord, EveryVersion) {
  // Version 1: default picture (resource 5 of the module) and default camera.
  {
    DS_IOF_W w;
    ReadBack r(w);
    DS_2D_Light layer;
    layer.ReadFields(r.archive, 1);
    EXPECT_EQ(layer.PictureLink().Path(), L"velmora.dll");
    EXPECT_EQ(layer.PictureLink().Stamp(), 5);
    EXPECT_EQ(layer.Camera().mode.Get(), 0);
    EXPECT_EQ(layer.Camera().borderImage.Stamp(), 6);
  }
  // Version 2: the link only.
  {
    DS_IOF_W w;
    WriteLinkRecord(w, L"pictures\\a.png", 1234);
    ReadBack r(w);
    DS_2D_Light layer;
    layer.ReadFields(r.archive, 2);
    EXPECT_EQ(r.archive.RemainingBytes(), 0u);
    EXPECT_EQ(layer.PictureLink().Path(), L"pictures\\a.png");
    EXPECT_EQ(layer.PictureLink().Stamp(), 1234);
    EXPECT_EQ(layer.Camera().mode.Get(), 0);
  }
  // Version 3: the link and the camera record (whose class name is not compared).
  {
    DS_IOF_W w;
    WriteLinkRecord(w, L"b.png", 9);
    CameraFields c;
    c.mode = 2;
    c.viewWidth = 1152;
    c.viewHeight = 720;
    c.keyFrames = {{{10, 20, 0, 3}}, {{30, 40, 0, 4}}};
    c.borderPath = L"border.png";
    c.borderStamp = 77;
    WriteCameraRecord(w, c);
    ReadBack r(w);
    DS_2D_Light layer;
    layer.ReadFields(r.archive, 3);
    EXPECT_EQ(r.archive.RemainingBytes(), 0u);
    EXPECT_EQ(layer.PictureLink().Path(), L"b.png");
    EXPECT_EQ(layer.Camera().mode.Get(), 2);
    EXPECT_EQ(layer.Camera().viewWidth.Get(), 1152u);
    ASSERT_EQ(layer.Camera().keyFrames.size(), 2u);
    EXPECT_EQ(layer.Camera().keyFrames[1]->Position().y, 40.0f);
    EXPECT_EQ(layer.Camera().borderImage.Path(), L"border.png");
  }
}

TEST(LayerRecord, RegisteredAndReadThroughTheRegistry) {
  DS_IOF_W w;
  w.WriteString(L"DS_2D_Light");
  w.WriteUInt(2u);
  WriteLinkRecord(w, L"c.png", 3);
  ReadBack r(w);
  std::unique_ptr<DS_2D_Light> layer(ReadLightObject(r.archive));
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->PictureLink().Path(), L"c.png");
  // The subclasses are not built yet and must not be registered.
  for (const wchar_t* name :
       {L"DS_FlameLight", L"DS_GlassBallLight", L"DS_MatrixCodeLight", L"FakeUndervater", L"FakeLake2D",
        L"DS_WaterRingLight"})
    EXPECT_EQ(GetLightReaderRegistry().count(name), 0u) << std::string(name, name + wcslen(name));
  EXPECT_EQ(GetSlideReaderRegistry().count(L"DS_SlideContainer"), 1u);
}

TEST(LayerRenderTargets, StackRestoresSizesAndInsideFlag) {
  DS_2D_Light layer;
  layer.Resize(800, 600);
  DS_RenderTargetPair a, b;
  a.width = 256;
  a.height = 256;
  b.width = 128;
  b.height = 64;
  layer.PushRenderTarget(a, 0);
  EXPECT_TRUE(layer.InsideRenderTarget());
  EXPECT_EQ(layer.RenderWidth(), 256u);
  layer.Resize(1024, 768);  // a resize inside a render target keeps the target's size
  EXPECT_EQ(layer.RenderWidth(), 256u);
  layer.PushRenderTarget(b, 0);
  EXPECT_EQ(layer.RenderWidth(), 128u);
  EXPECT_EQ(layer.RenderHeight(), 64u);
  EXPECT_EQ(g_RenderTargetSizeStack.size(), 2u);
  layer.PopRenderTarget();  // restores the size saved by the second push
  EXPECT_EQ(layer.RenderWidth(), 256u);
  EXPECT_TRUE(layer.InsideRenderTarget());
  layer.PopRenderTarget();
  EXPECT_EQ(layer.RenderWidth(), 800u);
  EXPECT_EQ(layer.RenderHeight(), 600u);
  EXPECT_FALSE(layer.InsideRenderTarget());
  layer.PopRenderTarget();  // unpaired: nothing to restore
  EXPECT_EQ(layer.RenderWidth(), 800u);
  EXPECT_TRUE(g_RenderTargetSizeStack.empty());
}

TEST(LayerRenderTargets, NestedPopsGiveBackTheModesTheyFound) {
  DS_StageView stage;
  g_StageView = &stage;
  DS_2D_Light layer;
  layer.Resize(800, 600);
  layer.SetViewMode(kFitFill);
  DS_RenderTargetPair a, b;
  a.width = a.height = 256;
  b.width = b.height = 128;
  layer.PushRenderTarget(a, kFitStretch);
  layer.PushRenderTarget(b, kFitOffscreen);
  EXPECT_EQ(stage.camera->fitMode, kFitOffscreen);
  layer.PopRenderTarget();
  EXPECT_EQ(stage.camera->fitMode, kFitStretch);  // the outer target's layout again
  EXPECT_EQ(stage.screenWidth, 256u);
  layer.PopRenderTarget();
  EXPECT_EQ(stage.camera->fitMode, kFitFill);  // the back buffer's picture position
  EXPECT_EQ(stage.screenWidth, 800u);
  g_StageView = nullptr;
}

TEST(LayerCamera, SetCameraEnabledReportsThePreviousFlagAndRestarts) {
  DS_2D_Light layer;
  DSM_Camera& camera = layer.Camera();
  camera.moveEnd = 42.0f;
  EXPECT_FALSE(layer.SetCameraEnabled(true));
  EXPECT_TRUE(layer.IsCameraEnabled());
  EXPECT_EQ(camera.moveEnd, 0.0f);
  camera.moveEnd = 42.0f;
  EXPECT_TRUE(layer.SetCameraEnabled(true));  // already on: still restarts
  EXPECT_EQ(camera.moveEnd, 0.0f);
  EXPECT_TRUE(layer.SetCameraEnabled(false));
  EXPECT_FALSE(layer.IsCameraEnabled());
}

// ---------------------------------------------------------------------------------------
// Camera

struct CameraRecordCase {
  unsigned version;
  long moving;
  CameraFields fields;
  int wantMode;
  unsigned wantViewW;
  size_t wantKeys;
  float wantZoom, wantSpeed;
  long long wantBorderStamp;
};

TEST(CameraRecord, EveryVersion) {
  CameraFields v1;
  v1.zoom = 150;
  v1.speed = 100;
  CameraFields v2;
  v2.borderStamp = 8;
  CameraFields v3;
  v3.mode = 2;
  v3.viewWidth = 1152;
  v3.viewHeight = 720;
  v3.keyFrames = {{{1, 2, 3, 4}}, {{5, 6, 7, 8}}, {{9, 10, 11, 12}}};
  v3.borderStamp = 9;
  const CameraRecordCase cases[] = {
      {1, 1, v1, 1, 0, 0, 1.5f, 2.0f, 6},   // moving flag 1: mode 1, default border image
      {2, 0, v2, 0, 0, 0, 1.2f, 1.0f, 8},   // flag 0: mode 0, no view size, no key frames
      {2, 5, v2, 1, 0, 0, 1.2f, 1.0f, 8},   // any nonzero flag
      {3, 0, v3, 2, 1152, 3, 1.2f, 1.0f, 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "version " << c.version);
    DS_IOF_W w;
    WriteCameraRecord(w, c.fields, c.version, c.moving);
    ReadBack r(w);
    std::unique_ptr<DSM_Camera> camera(DSM_Camera::ReadCameraRecord(r.archive));
    EXPECT_EQ(r.archive.RemainingBytes(), 0u);
    EXPECT_EQ(camera->mode.Get(), c.wantMode);
    EXPECT_EQ(camera->viewWidth.Get(), c.wantViewW);
    EXPECT_EQ(camera->keyFrames.size(), c.wantKeys);
    EXPECT_FLOAT_EQ(camera->zoom.Derived(), c.wantZoom);
    EXPECT_FLOAT_EQ(camera->speed.Derived(), c.wantSpeed);
    EXPECT_EQ(camera->borderImage.Stamp(), c.wantBorderStamp);
  }
  // Writing gives back the same bytes as the fixture.
  DS_IOF_W w;
  WriteCameraRecord(w, v3, 3);
  ReadBack r(w);
  std::unique_ptr<DSM_Camera> camera(DSM_Camera::ReadCameraRecord(r.archive));
  camera->borderImage.StoreKey(L"velmora.dll", 9);
  DS_IOF_W again;
  camera->Write(again);
  EXPECT_EQ(again.Bytes(), w.Bytes());
}

TEST(CameraRecord, AssignmentSharesKeyFrames) {
  DSM_Camera a;
  a.keyFrames.emplace_back(new DS_CameraKeyFrame(D3DXVECTOR3(1, 2, 3), 4));
  a.mode.Store(2);
  {
    DSM_Camera b;
    b = a;
    EXPECT_EQ(b.mode.Get(), 2);
    EXPECT_EQ(b.keyFrames[0].get(), a.keyFrames[0].get());
    EXPECT_EQ(a.keyFrames[0].use_count(), 2);
  }
  EXPECT_EQ(a.keyFrames[0].use_count(), 1);
}

TEST(CameraLayout, VisibleSizeByModeAndFlag) {
  DSM_Camera camera;
  camera.viewWidth.Store(800);
  camera.viewHeight.Store(500);
  struct Case {
    int mode, flag, viewMode;
    unsigned w, h;
  };
  const Case cases[] = {
      {0, 1, 1, 1000, 600},  // still: the whole picture
      {1, 0, 1, 1000, 600},  // motion off
      {1, 1, 1, 833, 500},   // picture / 1.2, truncated
      {1, 1, 3, 1000, 600},  // the off-screen pass shows the whole picture
      {2, 1, 0, 800, 500},   // the key-frame view size
      {7, 1, 1, 1000, 600},  // unknown modes show the whole picture
  };
  for (const Case& c : cases) {
    camera.mode.Store(c.mode);
    camera.motionFlag.Store(c.flag);
    unsigned w = 0, h = 0;
    camera.VisibleSize(1000, 600, c.viewMode, &w, &h);
    EXPECT_EQ(w, c.w) << c.mode << "/" << c.flag << "/" << c.viewMode;
    EXPECT_EQ(h, c.h) << c.mode << "/" << c.flag << "/" << c.viewMode;
  }
  // A zoom of 0 and a key-frame view of 0 x 0 would divide by zero: the whole picture.
  camera.mode.Store(1);
  camera.zoom.Set(0u);
  unsigned w = 0, h = 0;
  camera.VisibleSize(1000, 600, 1, &w, &h);
  EXPECT_EQ(w, 1000u);
  camera.mode.Store(2);
  camera.viewWidth.Store(0);
  camera.VisibleSize(1000, 600, 1, &w, &h);
  EXPECT_EQ(h, 600u);
  // The default view size is 80 % of the picture.
  camera.SetDefaultViewSize(1441, 901);
  EXPECT_EQ(camera.viewWidth.Get(), 1152u);
  EXPECT_EQ(camera.viewHeight.Get(), 720u);
}

// Draws as the camera must: parity, x, y, duration; each a rand() / 32767 fraction.
float Draw(float lo, float hi) { return lo + float(std::rand()) / 32767.0f * (hi - lo); }

TEST(CameraMotion, RandomModeDrawOrder) {
  DSM_Camera camera;
  camera.mode.Store(1);
  camera.pictureWidth = 1000;
  camera.pictureHeight = 600;
  int rests = 0, moves = 0;
  for (unsigned seed = 1; seed <= 12; ++seed) {
    camera.toPoint = D3DXVECTOR3(500, 300, 7);
    std::srand(seed);
    camera.ChooseNextTarget(20.0f);
    std::srand(seed);
    const int r = std::rand();
    SCOPED_TRACE(seed);
    EXPECT_EQ(camera.moveStart, 20.0f);
    EXPECT_EQ(camera.fromPoint, D3DXVECTOR3(500, 300, 7));
    if (r % 2 == 0) {
      ++rests;
      EXPECT_EQ(camera.moveEnd, 20.5f);
      EXPECT_EQ(camera.toPoint, D3DXVECTOR3(500, 300, 7));
    } else {
      ++moves;
      const float z = 1.2f, reach = (1 - z) / z;
      const float x = (1 + Draw(-1, 1) * reach) * 500.0f;
      const float y = (1 + Draw(-1, 1) * reach) * 300.0f;
      const float end = 20.0f + Draw(5, 7);
      EXPECT_FLOAT_EQ(camera.toPoint.x, x);
      EXPECT_FLOAT_EQ(camera.toPoint.y, y);
      EXPECT_EQ(camera.toPoint.z, 7.0f);
      EXPECT_FLOAT_EQ(camera.moveEnd, end);
      // The zoomed window stays inside the picture.
      EXPECT_LE(std::fabs(camera.toPoint.x - 500.0f), 1000.0f * (1 - 1 / z) / 2 + 1e-3f);
      EXPECT_LE(std::fabs(camera.toPoint.y - 300.0f), 600.0f * (1 - 1 / z) / 2 + 1e-3f);
    }
  }
  EXPECT_GT(rests, 0);
  EXPECT_GT(moves, 0);
}

// Advances the camera clock to `until` seconds of frame time in 0.1 s frames.
void RunCamera(DSM_Camera& camera, float& now, float until) {
  while (now < until - 1e-4f) {
    now += 0.1f;
    camera.Update(now);
  }
}

TEST(CameraMotion, EasedMoveAlongTwoKeyFrames) {
  DSM_Camera camera;
  camera.mode.Store(2);
  camera.motionFlag.Store(1);
  camera.keyFrames.emplace_back(new DS_CameraKeyFrame(D3DXVECTOR3(100, 100, 0), 2.0f));
  camera.keyFrames.emplace_back(new DS_CameraKeyFrame(D3DXVECTOR3(300, 200, 0), 9.0f));
  camera.Restart();
  EXPECT_EQ(camera.toPoint, D3DXVECTOR3(100, 100, 0));
  float now = 0.0f;
  camera.Update(now);  // the first update chooses a move at once: K0 -> K1 over time(K0)
  EXPECT_EQ(camera.toPoint, D3DXVECTOR3(300, 200, 0));
  EXPECT_FLOAT_EQ(camera.moveEnd - camera.moveStart, 2.0f);
  EXPECT_TRUE(camera.OffsetEnabled());
  RunCamera(camera, now, 1.0f);
  EXPECT_NEAR(camera.Centre().x, 200.0f, 0.5f);  // half way, by the cosine easing
  EXPECT_NEAR(camera.Centre().y, 150.0f, 0.5f);
  RunCamera(camera, now, 0.5f + 0.0f);
  // The easing is slow at both ends.
  EXPECT_NEAR(camera.EasingWeight(camera.moveStart + 0.2f), (1 - std::cos(3.1415927f * 0.1f)) / 2, 1e-5);
  RunCamera(camera, now, 2.05f);
  // Back to K0, again over time(K0).
  EXPECT_EQ(camera.toPoint, D3DXVECTOR3(100, 100, 0));
  EXPECT_FLOAT_EQ(camera.moveEnd - camera.moveStart, 2.0f);
}

TEST(CameraMotion, KeyFramePathsOfOneTwoAndThree) {
  struct Case {
    std::vector<float> times;
    std::vector<std::pair<int, float>> moves;  // (target key frame, duration)
  };
  const Case cases[] = {
      {{5}, {}},  // one key frame: no move is ever chosen
      {{2, 9}, {{1, 2}, {0, 2}, {1, 2}, {0, 2}}},
      {{1, 2, 3}, {{1, 1}, {2, 2}, {1, 2}, {0, 1}, {1, 1}, {2, 2}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.times.size());
    DSM_Camera camera;
    camera.mode.Store(2);
    for (size_t i = 0; i < c.times.size(); ++i)
      camera.keyFrames.emplace_back(new DS_CameraKeyFrame(D3DXVECTOR3(float(i * 100), float(i * 10), 0), c.times[i]));
    camera.Restart();
    float t = 0.0f;
    if (c.moves.empty()) {
      for (int k = 0; k < 3; ++k) camera.ChooseNextTarget(t += 1.0f);
      EXPECT_EQ(camera.toPoint, D3DXVECTOR3(0, 0, 0));
      EXPECT_EQ(camera.moveEnd, 0.0f);
      // Every frame chooses again and the centre stays on the key frame.
      camera.motionFlag.Store(1);
      camera.Update(0.1f);
      EXPECT_EQ(camera.Centre(), D3DXVECTOR3(0, 0, 0));
      continue;
    }
    for (const auto& move : c.moves) {
      camera.ChooseNextTarget(t);
      EXPECT_EQ(camera.toPoint.x, float(move.first * 100));
      EXPECT_FLOAT_EQ(camera.moveEnd - t, move.second);
      t = camera.moveEnd;
    }
  }
}

TEST(CameraMotion, MovesOfNoLengthJumpWithoutNaN) {
  DSM_Camera camera;
  camera.mode.Store(2);
  camera.motionFlag.Store(1);
  camera.keyFrames.emplace_back(new DS_CameraKeyFrame(D3DXVECTOR3(10, 10, 0), 0.0f));
  camera.keyFrames.emplace_back(new DS_CameraKeyFrame(D3DXVECTOR3(90, 50, 0), -4.0f));
  camera.keyFrames.emplace_back(new DS_CameraKeyFrame(D3DXVECTOR3(40, 70, 0), NAN));
  camera.Restart();
  float now = 0.0f;
  for (int i = 0; i < 20; ++i) {
    camera.Update(now += 0.1f);
    ASSERT_TRUE(std::isfinite(camera.Centre().x) && std::isfinite(camera.Centre().y));
    EXPECT_EQ(camera.Centre(), camera.toPoint);  // already arrived
  }
  EXPECT_EQ(camera.EasingWeight(5.0f), 1.0f);
  camera.moveStart = 3.0f;
  camera.moveEnd = 2.0f;  // end before start
  EXPECT_EQ(camera.EasingWeight(2.5f), 1.0f);

  // A key frame that is no point at all: the camera keeps to the picture's middle.
  DSM_Camera odd;
  odd.mode.Store(2);
  odd.motionFlag.Store(1);
  odd.pictureWidth = 200;
  odd.pictureHeight = 100;
  odd.keyFrames.emplace_back(new DS_CameraKeyFrame(D3DXVECTOR3(NAN, 10, 0), 1.0f));
  odd.keyFrames.emplace_back(new DS_CameraKeyFrame(D3DXVECTOR3(50, INFINITY, 0), 1.0f));
  odd.Restart();
  now = 0.0f;
  for (int i = 0; i < 30; ++i) {
    odd.Update(now += 0.1f);
    ASSERT_TRUE(std::isfinite(odd.Centre().x) && std::isfinite(odd.Centre().y)) << i;
  }
}

TEST(CameraMotion, StillCameraDisablesTheOffsetAndSpeedScalesTime) {
  DSM_Camera camera;
  camera.motionFlag.Store(1);
  camera.Update(0.1f);
  EXPECT_FALSE(camera.OffsetEnabled());
  camera.mode.Store(1);
  camera.speed.Set(100u);  // factor 2
  float now = 0.1f;
  const float t0 = camera.speed.Time();
  RunCamera(camera, now, 1.1f);
  EXPECT_NEAR(camera.speed.Time() - t0, 2.0f, 1e-4);
  camera.speed.Set(0u);  // stops the camera clock
  RunCamera(camera, now, 2.1f);
  EXPECT_NEAR(camera.speed.Time() - t0, 2.0f, 1e-4);
  // A zoom of 0 gives targets at the middle, never NaN.
  camera.zoom.Set(0u);
  camera.pictureWidth = 100;
  camera.pictureHeight = 50;
  for (int i = 0; i < 10; ++i) {
    camera.ChooseNextTarget(float(i));
    EXPECT_TRUE(std::isfinite(camera.toPoint.x));
  }
}

// ---------------------------------------------------------------------------------------
// Document loading (no device: a document without pictures)

std::vector<unsigned char> MinimalDocument(const std::wstring& header, const std::wstring& rootClass, unsigned rootVersion) {
  DS_IOF_W w;
  w.WriteString(header);
  w.WriteString(rootClass);
  w.WriteUInt(rootVersion);
  w.WriteUInt(1u);  // one slide
  w.WriteString(L"DS_SlideContainer");
  w.WriteUInt(5u);
  w.WriteLong(0);
  w.WriteFloat(1);
  w.WriteFloat(1);
  w.WriteFloat(10);
  w.WriteLong(0);
  w.WriteString(L"only");
  w.WriteInt(1000);
  WriteLayerV1(w);
  w.WriteUInt(0u);
  w.WriteUInt(0u);
  w.WriteUInt(1u);  // one audio file
  w.WriteString(L"DS_AudioFile");
  w.WriteUInt(1u);
  w.WriteString(L"tune.mp3");
  NamedBuffer data;
  data.Assign("abc", 3);
  data.name = L"C:\\music\\tune.mp3";
  w.WriteBuffer(data);
  w.WriteString(L"DS_DocResManager");
  w.WriteUInt(3u);
  for (int i = 0; i < 4; ++i) w.WriteUInt(0u);
  return w.Bytes();
}

TEST(DocumentLoader, ProgramWithoutTheResourceThrowsTheFormatError) {
  // This test program carries no "DDS" resource 107.
  try {
    delete LoadEmbeddedDocument();
    FAIL() << "no exception";
  } catch (unsigned code) {
    EXPECT_EQ(code, 0x8200000Bu);
  }
}

TEST(DocumentLoader, AnyHeaderTextLoadsTheSameWay) {
  struct Case {
    const wchar_t* header;
    const wchar_t* rootClass;
    unsigned version;
  };
  const Case cases[] = {{L"KVQ v 4.0.0", L"DS_SlideShow_Light", 1}, {L"", L"DS_SlideShow_Light", 1},
                        {L"something else entirely", L"AnotherRoot", 77}};
  for (const Case& c : cases) {
    const auto bytes = MinimalDocument(c.header, c.rootClass, c.version);
    std::unique_ptr<DS_SlideShow_Light> root(LoadDocumentFromMemory(bytes.data(), bytes.size()));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Slides().size(), 1u);
    ASSERT_EQ(root->AudioFiles().size(), 1u);
    EXPECT_EQ(root->AudioFiles()[0]->name, L"tune.mp3");
    EXPECT_EQ(root->AudioFiles()[0]->data.size, 3u);
    EXPECT_EQ(root->AudioFiles()[0]->data.name, L"C:\\music\\tune.mp3");
    EXPECT_NE(g_DocResManager, nullptr);
  }
}

TEST(DocumentLoader, SlideOfAnUnknownClassThrowsTheFormatError) {
  DS_IOF_W w;
  w.WriteString(L"KVQ v 4.0.0");
  w.WriteString(L"DS_SlideShow_Light");
  w.WriteUInt(1u);
  w.WriteUInt(1u);
  w.WriteString(L"DS_NoSuchSlide");
  w.WriteUInt(5u);
  w.WriteUInt(0u);  // audio files
  w.WriteString(L"DS_DocResManager");
  w.WriteUInt(3u);
  for (int i = 0; i < 4; ++i) w.WriteUInt(0u);
  const auto bytes = w.Bytes();
  try {
    delete LoadDocumentFromMemory(bytes.data(), bytes.size());
    FAIL() << "no exception";
  } catch (unsigned code) {
    EXPECT_EQ(code, 0x8200000Bu);
  }
}

TEST(DocumentLoader, TruncatedDocumentsThrowTheFormatError) {
  const auto bytes = MinimalDocument(L"KVQ v 4.0.0", L"DS_SlideShow_Light", 1);
  int thrown = 0;
  for (size_t n = 0; n < bytes.size(); ++n) {
    try {
      delete LoadDocumentFromMemory(bytes.data(), n);
    } catch (unsigned code) {
      EXPECT_EQ(code, 0x8200000Bu);
      ++thrown;
    }
  }
  // Every cut inside the root or the store is reported (cuts in the header string leave
  // nothing but an empty archive, which fails as well).
  EXPECT_EQ(thrown, int(bytes.size()));
}

}  // namespace
