// The scene item bases and the object time line, including their records: the builder's
// bytes (an independent writer) must read as expected and the classes' own Write must
// reproduce them byte for byte.
#include "core/archive/DS_IOF.h"
#include "core/archive/DS_IOF_Writer.h"
#include "core/scene/DS_ABObj.h"
#include "core/scene/DS_TimeLineControl.h"

#include "core_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

struct Fixture {
  Fixture(const unsigned char* bytes, size_t size) : source(bytes, size), archive(&source), end(bytes + size) {}
  bool AtEnd() const { return source.Cursor() == end && !archive.Failed(); }
  ResourceBuffer source;
  DS_IOF_R<ResourceBuffer> archive;
  const unsigned char* end;
};
#define FIXTURE(name) Fixture(kFixture##name, kFixture##name##Size)

Bytes Written(DS_IOF_Item& item) {
  DS_IOF_W w;
  item.Write(w);
  return w.Bytes();
}
Bytes FixtureBytes(const unsigned char* bytes, size_t size) { return Bytes(bytes, bytes + size); }

class TestDescription : public DS_ABObj_Constructor {
public:
  DS_ABObj* CreateRuntimeObject() override;
};

class TestRuntime : public DS_ABObj {
public:
  using DS_ABObj::DS_ABObj;
  void Render(DS_ABRender&) override { ++renders; }
  void OnRuntimeEvent(int, int) override {}
  void OnScreenSizeChanged() override {}
  void UpdateFrame(float objectTime) override { times.push_back(objectTime); }
  std::vector<float> times;
  int renders = 0;
};

DS_ABObj* TestDescription::CreateRuntimeObject() { return new TestRuntime(new TestDescription(*this)); }

// ---------------------------------------------------------------------------------------

TEST(TimeLineRecord, BuilderBytesReadAndWriteBack) {
  {
    auto f = FIXTURE(TimeLineDefault);
    DS_TimeLineControl t;
    t.ReadPart(f.archive);
    EXPECT_TRUE(f.AtEnd());
    EXPECT_EQ(t.m_Mode.Get(), 0);
    EXPECT_FLOAT_EQ(t.m_FadeInTime.Seconds(), 0.5f);
    EXPECT_EQ(Written(t), FixtureBytes(kFixtureTimeLineDefault, kFixtureTimeLineDefaultSize));
    // A default time line writes what the builder's default writes.
    DS_TimeLineControl fresh;
    EXPECT_EQ(Written(fresh), FixtureBytes(kFixtureTimeLineDefault, kFixtureTimeLineDefaultSize));
  }
  {
    auto f = FIXTURE(TimeLineCycle);
    DS_TimeLineControl t;
    t.ReadPart(f.archive);
    EXPECT_TRUE(f.AtEnd());
    EXPECT_EQ(t.m_Mode.Get(), 1);
    EXPECT_EQ(t.m_FadeTarget.Get(), 2);
    EXPECT_EQ(t.m_HiddenTime.minimum.Get(), 50u);
    EXPECT_EQ(t.m_ShownTime.maximum.Get(), 400u);
    EXPECT_TRUE(t.m_HiddenTime.random);
    EXPECT_EQ(t.m_FadeInTime.Seconds(), 0.0f);  // set with notification: seconds recomputed
    EXPECT_FLOAT_EQ(t.m_FadeOutTime.Seconds(), 0.25f);
    EXPECT_EQ(Written(t), FixtureBytes(kFixtureTimeLineCycle, kFixtureTimeLineCycleSize));
  }
  {
    // (2, 8, 3, 7), then (8, 9, 8.5, 8.5) touching it (dropped), then (10, 12).
    auto f = FIXTURE(TimeLineIntervals);
    DS_TimeLineControl t;
    t.ReadPart(f.archive);
    EXPECT_TRUE(f.AtEnd());
    ASSERT_EQ(t.Intervals().size(), 2u);
    EXPECT_EQ(t.Intervals().begin()->end, 8.0f);
    EXPECT_EQ(t.Intervals().rbegin()->start, 10.0f);
  }
}

TEST(TimeLine, AlwaysShown) {
  DS_TimeLineControl t;
  t.m_FadeTarget.Store(2);
  t.Cycle().Update(1.0f, t);
  EXPECT_FLOAT_EQ(t.Cycle().Update(1.5f, t), 1.5f);  // the full frame time, whatever FADE TARGET is
  EXPECT_EQ(t.GetAlpha(), 1.0f);
  EXPECT_EQ(t.GetState(), kTimeLineVisible);
}

TEST(TimeLine, RandomCycleWalk) {
  DS_TimeLineControl t;
  t.m_Mode.Store(1);
  t.Cycle().Reset();
  struct Step {
    float t;
    int state;
    float alpha;
  };
  for (const Step& s : {Step{100.0f, kTimeLineFadeIn, 0.0f}, Step{100.25f, kTimeLineFadeIn, 0.5f},
                        Step{100.5f, kTimeLineFadeIn, 1.0f}, Step{100.75f, kTimeLineVisible, 1.0f},
                        Step{101.75f, kTimeLineVisible, 1.0f}, Step{101.8f, kTimeLineFadeOut, 1.0f},
                        Step{102.05f, kTimeLineFadeOut, 0.5f}, Step{102.4f, kTimeLineInvisible, 0.0f}}) {
    t.Cycle().Update(s.t, t);
    EXPECT_EQ(t.GetState(), s.state) << s.t;
    EXPECT_NEAR(t.GetAlpha(), s.alpha, 1e-4f) << s.t;
  }
  // At 100.75 the shown state began and ends 1 s later; the hidden state ends 1 s after 102.4.
  EXPECT_NEAR(t.Cycle().Current().end, 103.4f, 1e-4f);
}

TEST(TimeLine, FadeTargetClockFollowsAlpha) {
  DS_TimeLineControl t;
  t.m_Mode.Store(1);
  t.m_FadeTarget.Store(2);
  t.Cycle().Reset();
  t.Cycle().Update(100.0f, t);  // fade-in 100 .. 100.5; alpha 0 here
  t.Cycle().Update(100.2f, t);
  const float before = t.Cycle().Clock();
  t.Cycle().Update(100.3f, t);
  EXPECT_NEAR(t.Cycle().Clock() - before, 0.1f * 0.6f, 1e-5f);
}

TEST(TimeLine, FadeTargetClockInIntervalsFollowsTheIntervalAlpha) {
  DS_TimeLineControl t;
  t.m_Mode.Store(2);
  t.m_FadeTarget.Store(2);
  t.AddInterval({2, 8, 4, 6});
  t.Cycle().Reset();
  struct Frame {
    float loopTime, now, added;
  };
  // Outside the interval the clock stands; in the fade-in it runs at the alpha; shown, at 1.
  float previous = 0.0f;
  for (const Frame& f : {Frame{1, 10.0f, 0.0f}, Frame{3, 10.5f, 0.25f}, Frame{5, 11.0f, 0.5f}}) {
    t.SetLoopTime(f.loopTime);
    const float clock = t.Cycle().Update(f.now, t);
    EXPECT_NEAR(clock - previous, f.added, 1e-5f) << f.loopTime;
    previous = clock;
  }
}

TEST(TimeLine, ZeroLengthFadesGiveNoNaN) {
  DS_TimeLineControl t;
  t.m_Mode.Store(1);
  t.m_FadeTarget.Store(2);
  t.m_FadeInTime.Set(0);
  t.m_FadeOutTime.Set(0);
  t.Cycle().Reset();
  for (float time = 1.0f; time < 20.0f; time += 0.25f) {
    const float clock = t.Cycle().Update(time, t);
    ASSERT_FALSE(std::isnan(clock)) << time;
    ASSERT_FALSE(std::isnan(t.GetAlpha())) << time;
  }
  DS_TimeInterval blunt{2, 8, 2, 8};
  for (float x : {1.0f, 2.0f, 5.0f, 8.0f, 9.0f}) EXPECT_FALSE(std::isnan(blunt.GetAlpha(x))) << x;
  EXPECT_EQ(blunt.GetAlpha(2.0f), 1.0f);
}

TEST(TimeLine, Intervals) {
  DS_TimeLineControl t;
  t.m_Mode.Store(2);
  ASSERT_TRUE(t.AddInterval({2, 8, 3, 7}));
  struct At {
    float x, alpha;
    int state;
  };
  for (const At& a : {At{1, 0, 1}, At{2.5f, 0.5f, 2}, At{5, 1, 0}, At{7.5f, 0.5f, 3}, At{9, 0, 1}}) {
    t.SetLoopTime(a.x);
    EXPECT_FLOAT_EQ(t.GetAlpha(), a.alpha) << a.x;
    EXPECT_EQ(t.GetState(), a.state) << a.x;
  }
  t.SetLoopTime(5);
  EXPECT_FLOAT_EQ(t.GetLength(), 6.0f);
  EXPECT_FALSE(t.AddInterval({8, 9, 8.5f, 8.5f}));  // touches
  // More than 3 s before the next interval there is none.
  EXPECT_TRUE(t.AddInterval({20, 22, 20, 22}));
  EXPECT_EQ(t.FindInterval(16.5f), nullptr);
  EXPECT_NE(t.FindInterval(17.5f), nullptr);
  t.SetLoopTime(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(t.GetAlpha(), 0.0f);
  EXPECT_EQ(t.GetState(), kTimeLineInvisible);

  DS_TimeLineControl none;
  none.m_Mode.Store(2);
  for (float x : {0.0f, 1.0f, 100.0f}) {
    none.SetLoopTime(x);
    EXPECT_EQ(none.GetAlpha(), 0.0f);
  }
}

TEST(TimeLine, BadIntervalsKeepTheSetOrdered) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  DS_TimeLineControl t;
  ASSERT_TRUE(t.AddInterval({0, 1, 0, 1}));
  ASSERT_TRUE(t.AddInterval({10, 11, 10, 11}));
  const std::vector<DS_TimeInterval> bad = {{5, 3, 5, 3},     {nan, 4, 4, 4},    {4, nan, 4, 4}, {4, 5, nan, 5},
                                            {4, 5, 4, nan},   {12, -12, 0, 0},   {-inf, 5, 4, 5}, {4, inf, 4, inf},
                                            {4, 5, inf, 5},   {4, 5, 4, -inf}};
  for (const DS_TimeInterval& i : bad) EXPECT_FALSE(t.AddInterval(i));
  // Infinite bounds would have given NaN alphas: inf / inf in the fade-in.
  EXPECT_TRUE(std::isnan(DS_TimeInterval{-inf, 5, 4, 5}.GetAlpha(3.0f)));
  EXPECT_TRUE(t.AddInterval({4, 6, 4, 6}));
  // In order, pairwise apart.
  float lastEnd = -1e30f;
  for (const DS_TimeInterval& i : t.Intervals()) {
    EXPECT_LT(lastEnd, i.start);
    lastEnd = i.end;
  }
  EXPECT_EQ(t.Intervals().size(), 3u);
}

TEST(TimeLine, LengthAndCopy) {
  DS_TimeLineControl t;
  t.m_Mode.Store(1);
  t.m_ShownTime.minimum.Store(300);
  EXPECT_FLOAT_EQ(t.GetLength(), 4.0f);
  t.m_Trailing[0] = 1;
  t.m_Trailing[2] = 2;
  t.m_HiddenTime.random = false;
  t.m_FadeInTime.Set(120);
  t.SetLoopTime(5);
  t.AddInterval({1, 2, 1, 2});
  t.Cycle().Update(50.0f, t);
  DS_TimeLineControl copy(t);
  EXPECT_EQ(copy.m_Mode.Get(), 1);
  EXPECT_FLOAT_EQ(copy.m_FadeInTime.Seconds(), 1.2f);
  EXPECT_FALSE(copy.m_HiddenTime.random);
  EXPECT_EQ(copy.m_Trailing[2], 2);
  EXPECT_EQ(copy.Intervals().size(), 1u);
  EXPECT_EQ(copy.LoopTime(), 0.0f);
  EXPECT_EQ(copy.Cycle().Clock(), 0.0f);
  EXPECT_EQ(copy.Cycle().Current().GetStateCode(), kTimeLineInvisible);
}

// ---------------------------------------------------------------------------------------

TEST(ABObjRecord, VersionsOfTheBasePart) {
  {
    auto f = FIXTURE(AbobjV3);
    TestDescription d;
    EXPECT_TRUE(d.ReadPart(f.archive));
    EXPECT_TRUE(f.AtEnd());
    EXPECT_EQ(d.Name(), L"Goldfish");
    EXPECT_EQ(d.m_Depth.Get(), 80u);
    EXPECT_EQ(d.TimeLine().m_Mode.Get(), 2);
    EXPECT_EQ(Written(d), FixtureBytes(kFixtureAbobjV3, kFixtureAbobjV3Size));
  }
  {
    auto f = FIXTURE(AbobjV2);  // name and time line, no depth
    TestDescription d;
    d.ReadPart(f.archive);
    EXPECT_TRUE(f.AtEnd());
    EXPECT_EQ(d.Name(), L"Old");
    EXPECT_EQ(d.m_Depth.Get(), 100u);
    EXPECT_EQ(d.TimeLine().m_Mode.Get(), 1);
  }
  {
    auto f = FIXTURE(AbobjV1);  // only the name
    TestDescription d;
    d.ReadPart(f.archive);
    EXPECT_TRUE(f.AtEnd());
    EXPECT_EQ(d.Name(), L"Oldest");
    EXPECT_EQ(d.m_Depth.Get(), 100u);
    EXPECT_EQ(d.TimeLine().m_Mode.Get(), 0);
  }
  {
    auto f = FIXTURE(AbobjEmptyName);
    TestDescription d;
    d.ReadPart(f.archive);
    EXPECT_TRUE(f.AtEnd());
    EXPECT_EQ(d.Name(), L"");
    EXPECT_EQ(d.m_Depth.Get(), 250u);
    EXPECT_EQ(Written(d), FixtureBytes(kFixtureAbobjEmptyName, kFixtureAbobjEmptyNameSize));
  }
}

TEST(ABObj, CopyIsDeepAndRuntimeAdvancesHiddenObjects) {
  auto* d = new TestDescription();
  d->m_Name = L"n";
  d->m_Depth.Set(40);
  d->TimeLine().m_Mode.Store(2);
  d->TimeLine().AddInterval({0, 10, 1, 9});
  DS_ABObj* runtime = d->CreateRuntimeObject();
  delete d;  // the runtime object's copy does not share the time line
  DS_ABObj_Constructor* copy = runtime->Description();
  EXPECT_EQ(copy->Name(), L"n");
  EXPECT_EQ(copy->m_Depth.Get(), 40u);
  EXPECT_EQ(copy->m_Depth.GetUndo().Saved(), 40u);
  EXPECT_EQ(copy->TimeLine().Intervals().size(), 1u);
  EXPECT_EQ(runtime->GetObjectKind(), 3);
  DS_BoundsList bounds;
  EXPECT_TRUE(runtime->CollectBounds(bounds));
  EXPECT_EQ(bounds.size(), 1u);

  auto* r = static_cast<TestRuntime*>(runtime);
  r->SetVisible(false);
  r->AdvanceTime(2.0f);  // first update after a reset adds the whole absolute time
  r->AdvanceTime(2.5f);
  r->SetLoopTime(0.5f);
  EXPECT_EQ(r->times, (std::vector<float>{2.0f, 2.5f}));
  EXPECT_FALSE(r->IsVisible());
  EXPECT_FLOAT_EQ(copy->TimeLine().GetAlpha(), 0.5f);
  r->Reset();
  EXPECT_EQ(copy->TimeLine().Cycle().Clock(), 0.0f);
  delete runtime;
}

}  // namespace

#include "core/render/StageView.h"

namespace {

TEST(StageQueries, BoundsAreThePictureAndScreenPointsMapToIt) {
  DS_StageView stage;
  stage.pictureWidth = 1920;
  stage.pictureHeight = 1080;
  DS_StageView* saved = g_StageView;
  g_StageView = &stage;
  TestDescription d;
  DS_BoundsList bounds;
  EXPECT_TRUE(d.CollectBounds(bounds));
  ASSERT_EQ(bounds.size(), 1u);
  EXPECT_EQ(bounds.front().width, 1920.0f);
  EXPECT_EQ(bounds.front().height, 1080.0f);
  g_StageView = saved;

  // Before any layout the screen point passes through, scaled to the back buffer.
  const DS_ScreenLayout savedLayout = g_ScreenLayout;
  g_ScreenLayout = DS_ScreenLayout();
  g_ScreenLayout.scaleX = 2.0f;
  g_ScreenLayout.scaleY = 2.0f;
  MediaRectangle rect(10, 20, 30, 40);
  EXPECT_TRUE(rect.ContainsScreenPoint(10.0f, 20.0f));  // (20, 40): the corner, inclusive
  EXPECT_TRUE(rect.ContainsScreenPoint(5.0f, 15.0f));
  EXPECT_FALSE(rect.ContainsScreenPoint(10.5f, 20.0f));
  g_ScreenLayout = savedLayout;
}

}  // namespace
