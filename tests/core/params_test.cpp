// Parameters, listeners, undo, scaled and clock parameters, composite parameters and the
// random helpers.
#include "core/archive/DS_IOF.h"
#include "core/archive/DS_IOF_Writer.h"
#include "core/params/CompositeParams.h"
#include "core/params/MediaParam.h"
#include "core/params/Numeric.h"
#include "core/params/ScaledParams.h"
#include "tests/support/CrtRand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

// Records the order in which listeners were told.
struct Recorder : MediaControlT<MediaParam> {
  Recorder(MediaParam* p, std::vector<int>* log, int id) : MediaControlT<MediaParam>(p), log(log), id(id) {}
  void OnChanged(MediaControl*) override { log->push_back(id); }
  void Detach() override {
    detached = true;
    MediaControlT<MediaParam>::Detach();
  }
  std::vector<int>* log;
  int id;
  bool detached = false;
};

TEST(MediaParam, SetterNotifiesOthersInOrderOnlyOnChange) {
  MediaParamT<int> p(5);
  std::vector<int> log;
  Recorder a(&p, &log, 1), b(&p, &log, 2), c(&p, &log, 3);
  p.Set(5);
  EXPECT_TRUE(log.empty());
  p.Set(6, &b);
  EXPECT_EQ(log, (std::vector<int>{1, 3}));
  log.clear();
  p.NotifyChanged(nullptr);
  EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));
  // The undo control is first and took the snapshot.
  EXPECT_EQ(p.Controls().front(), &p.GetUndo());
  EXPECT_EQ(p.GetUndo().Saved(), 6);
}

TEST(MediaParam, EqualityByValueType) {
  MediaParamT<D3DXVECTOR3> v(D3DXVECTOR3(1, 2, 3));
  MediaParamT<ds_string> s(L"abc");
  MediaParamT<float> f(0.5f);
  std::vector<int> log;
  Recorder rv(&v, &log, 1), rs(&s, &log, 2), rf(&f, &log, 3);
  v.Set(D3DXVECTOR3(1, 2, 3));
  s.Set(L"abc");
  f.Set(0.5f);
  EXPECT_TRUE(log.empty());
  v.Set(D3DXVECTOR3(1, 2, 4));
  s.Set(L"abd");
  f.Set(0.25f);
  EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));
}

TEST(MediaParam, DestructionDetachesAndListenersLeaveOnDestruction) {
  std::vector<int> log;
  auto* p = new MediaParamT<int>(1);
  Recorder keep(p, &log, 1);
  {
    Recorder gone(p, &log, 2);
  }
  EXPECT_EQ(p->Controls().size(), 2u);  // undo + keep
  delete p;
  EXPECT_TRUE(keep.detached);
  EXPECT_EQ(keep.GetParam(), nullptr);

  // DS_FunLightCtrl2 removes itself from its parameter when destroyed first.
  struct Owner {
    void Changed() { ++calls; }
    int calls = 0;
  } owner;
  MediaParamT<int> q(1);
  auto* fn = new DS_FunLightCtrl2<Owner>(&q, &Owner::Changed, &owner);
  q.Set(2);
  EXPECT_EQ(owner.calls, 1);
  delete fn;
  EXPECT_EQ(q.Controls().size(), 1u);
  q.Set(3);
  EXPECT_EQ(owner.calls, 1);
}

TEST(MediaParam, CopyHasValueAndOnlyItsOwnUndo) {
  MediaParamT<int> p(4);
  std::vector<int> log;
  Recorder r(&p, &log, 1);
  p.GetUndo().RecordUndo();
  MediaParamT<int> copy(p);
  EXPECT_EQ(copy.Get(), 4);
  ASSERT_EQ(copy.Controls().size(), 1u);
  EXPECT_EQ(copy.Controls().front(), &copy.GetUndo());
  EXPECT_TRUE(copy.GetUndo().History().empty());
}

TEST(MediaParam, FunLightCtrlAndBinder) {
  struct Owner {
    void Count(unsigned n) { seen.push_back(n); }
    std::vector<unsigned> seen;
  };
  auto* owner = new Owner();
  MediaParamT<unsigned> count(3);
  {
    DS_ParamBinder binder;
    binder.SetTarget(owner, true);
    binder.Add(new DS_FunLightCtrl<unsigned, Owner>(&count, &Owner::Count, owner));
    count.Set(7);
    EXPECT_EQ(owner->seen, std::vector<unsigned>{7});
    EXPECT_EQ(count.Controls().size(), 2u);
  }  // deletes the listener (which leaves the list) and the owned target
  EXPECT_EQ(count.Controls().size(), 1u);
  count.Set(8);  // nobody left to call
}

TEST(Undo, HistoryWalk) {
  MediaParamT<int> p(1);
  auto& undo = p.GetUndo();
  undo.RecordUndo();
  p.Set(2);
  undo.RecordUndo();
  p.Set(3);
  undo.Undo();
  EXPECT_EQ(p.Get(), 2);
  undo.Undo();
  EXPECT_EQ(p.Get(), 1);
  undo.Redo();
  EXPECT_EQ(p.Get(), 2);
  undo.RecordUndo();  // discards the redo entry
  undo.Redo();
  EXPECT_EQ(p.Get(), 2);
  undo.Undo();
  EXPECT_EQ(p.Get(), 2);  // the snapshot just recorded
  undo.Undo();
  EXPECT_EQ(p.Get(), 1);
}

TEST(Undo, HistoryKeepsTwentyAndEmptyUndoIsSilent) {
  MediaParamT<int> p(0);
  std::vector<int> log;
  Recorder r(&p, &log, 1);
  p.GetUndo().Undo();
  p.GetUndo().Redo();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(p.Get(), 0);
  for (int i = 1; i <= 25; ++i) {
    p.GetUndo().RecordUndo();
    p.Set(i);
  }
  const auto& h = p.GetUndo().History();
  ASSERT_EQ(h.size(), 20u);
  EXPECT_EQ(h.front(), 24);
  EXPECT_EQ(h.back(), 5);
  // Undo notifies the other listeners, not itself.
  log.clear();
  p.GetUndo().Undo();
  EXPECT_EQ(p.Get(), 24);
  EXPECT_EQ(log, std::vector<int>{1});
}

TEST(SharedRef, LastReleaseDeletes) {
  struct Counted {
    explicit Counted(int* d) : deleted(d) {}
    virtual ~Counted() { ++*deleted; }
    int* deleted;
  };
  int deleted = 0;
  {
    DS_SharedRef<Counted> a(new Counted(&deleted));
    DS_SharedRef<Counted> b = a;
    EXPECT_EQ(a.use_count(), 2);
    DS_SharedRef<Counted> c(new Counted(&deleted));
    c = a;  // releases c's only reference
    EXPECT_EQ(deleted, 1);
    c = c;
    EXPECT_EQ(a.use_count(), 3);
  }
  EXPECT_EQ(deleted, 2);
}

// ---------------------------------------------------------------------------------------

TEST(Scaled, DerivedValues) {
  TimeParam t;
  EXPECT_EQ(t.Seconds(), 0.0f);
  t.Set(150);
  EXPECT_FLOAT_EQ(t.Seconds(), 1.5f);
  TimeParam copy(t);
  copy.Set(250);
  TimeParam copy2(copy);
  EXPECT_FLOAT_EQ(copy2.Seconds(), 2.5f);
  EXPECT_FLOAT_EQ(copy2.Factor(), 0.01f);

  struct ByteCase {
    unsigned value;
    float factor, offset;
    unsigned char expected;
  };
  for (const ByteCase& c : {ByteCase{0, -2.55f, 255, 255}, ByteCase{50, -2.55f, 255, 127},
                            ByteCase{100, -2.55f, 255, 0}, ByteCase{300, 1, 0, 44},  // low 8 bits
                            ByteCase{0xFFFFFFFFu, 1000, 0, 0xFF},                    // saturates, then low byte
                            ByteCase{200, -2.55f, 255, 2}}) {  // -254.99999 truncates to -254
    UINTSclaleTo<unsigned char> b(c.value, c.factor, c.offset);
    EXPECT_EQ(b.Derived(), c.expected) << c.value << " x " << c.factor;
  }
  UINTSclaleTo<float> f(10, 2.0f, 1.0f);
  EXPECT_FLOAT_EQ(f.Derived(), 21.0f);
  f.SetFactor(3.0f);
  EXPECT_FLOAT_EQ(f.Derived(), 31.0f);
  // The listener part follows the setter and copies recompute.
  f.Set(1);
  EXPECT_FLOAT_EQ(f.Derived(), 4.0f);
  UINTSclaleTo<float> g(f);
  EXPECT_FLOAT_EQ(g.Derived(), 4.0f);
  EXPECT_EQ(g.Controls().size(), 2u);  // undo, self
}

TEST(Scaled, SpeedClockClampsSteps) {
  struct AdvanceCase {
    unsigned speed;  // factor 0.02: 50 is 1.0
    float last, now;
    float added, lastTime;
  };
  for (const AdvanceCase& c : {AdvanceCase{50, 9.5f, 10.0f, 0.2f, 10.0f}, AdvanceCase{25, 9.5f, 10.0f, 0.1f, 10.0f},
                               AdvanceCase{50, 10.0f, 9.0f, 0.0f, 9.0f}, AdvanceCase{50, 10.0f, 10.05f, 0.05f, 10.05f},
                               AdvanceCase{0, 1.0f, 2.0f, 0.0f, 2.0f}}) {
    MediaSpeedParam s(c.speed, 0.02f);
    s.Advance(c.last);
    const float before = s.Time();
    s.Advance(c.now);
    EXPECT_NEAR(s.Time() - before, c.added, 1e-5f) << c.last << " -> " << c.now;
    EXPECT_EQ(s.LastTime(), c.lastTime);
  }
  MediaSpeedParam a(50, 0.02f);
  a.Advance(100.0f);  // first step after construction: at most 0.2
  EXPECT_NEAR(a.Time(), 0.2f, 1e-6f);
  MediaSpeedParam b;
  b = a;
  EXPECT_NEAR(b.Derived(), 1.0f, 1e-6f);
  EXPECT_EQ(b.Time(), a.Time());
  EXPECT_EQ(b.LastTime(), 100.0f);
}

TEST(Scaled, PerSecondCounter) {
  PerSecondCounter c(30, 1.0f);
  c.SetLastTime(1.0f);
  EXPECT_EQ(c.Count(1.02f), 0u);
  EXPECT_EQ(c.LastTime(), 1.0f);
  EXPECT_EQ(c.Count(1.04f), 1u);
  EXPECT_EQ(c.LastTime(), 1.04f);
  // The clock ran backwards: no events, no wrapped count, and the counter resynchronises.
  EXPECT_EQ(c.Count(0.5f), 0u);
  EXPECT_EQ(c.LastTime(), 0.5f);
  EXPECT_EQ(c.Count(std::numeric_limits<float>::quiet_NaN()), 0u);
  PerSecondCounter huge(0xFFFFFFFFu, 1000.0f);
  EXPECT_EQ(huge.Count(1e30f), unsigned(INT_MAX));
}

TEST(Numeric, ConversionsSaturate) {
  struct IntCase {
    double in;
    int out;
  };
  for (const IntCase& c : {IntCase{1.9, 1}, IntCase{-1.9, -1}, IntCase{3e9, INT_MAX}, IntCase{-3e9, INT_MIN},
                           IntCase{std::numeric_limits<double>::quiet_NaN(), 0},
                           IntCase{std::numeric_limits<double>::infinity(), INT_MAX}}) {
    EXPECT_EQ(SaturateToInt(c.in), c.out) << c.in;
  }
  EXPECT_EQ(SaturateToUInt(-5.0), 0u);
  EXPECT_EQ(SaturateToUInt(5e9), UINT_MAX);
  EXPECT_EQ(SaturateToByte(300.0), 255);
  EXPECT_EQ(SaturateToByte(-1.0), 0);
}

// ---------------------------------------------------------------------------------------

using MsvcrtRand = tw_test::CrtRand;

TEST(Random, RuntimeSequenceIsMsvcrts) {
  EXPECT_EQ(RAND_MAX, 32767);
  srand(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
  for (int value : expected) EXPECT_EQ(rand(), value);
  for (unsigned seed : {0u, 7u, 12345u, 0xFFFFFFFFu}) {
    srand(seed);
    MsvcrtRand model{seed};
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(rand(), model.Next()) << "seed " << seed << " draw " << i;
  }
}

TEST(Random, HelpersDrawInOrder) {
  // RandomFloat: lo + rand()/32767 x (hi - lo).
  srand(99);
  MsvcrtRand model{99};
  for (int i = 0; i < 50; ++i) {
    const float expected = model.Uniform(2.0f, 4.0f);
    EXPECT_FLOAT_EQ(RandomFloat(2.0f, 4.0f), expected);
  }
  // GetRandomPoint draws y first, then x.
  MediaQuad quad;
  quad.SetFromCenter(D3DXVECTOR3(100, 50, 0), 20, 10);
  srand(5);
  model = MsvcrtRand{5};
  const int ry = model.Next(), rx = model.Next();
  const D3DXVECTOR3 point = quad.GetRandomPoint();
  EXPECT_FLOAT_EQ(point.y, 45.0f + float(ry) / 32767.0f * 10.0f);
  EXPECT_FLOAT_EQ(point.x, 90.0f + float(rx) / 32767.0f * 20.0f);
  EXPECT_EQ(point.z, 0.0f);
  // Each helper takes exactly one draw (sector, range) or none (range not random).
  srand(5);
  MediaSector sector(0, 30);
  sector.GetRandomDirection();
  DS_RandomTimeRange range(50, 150);
  RandomRangeSeconds(range);
  DS_RandomTimeRange fixed(70, 90, false);
  EXPECT_FLOAT_EQ(RandomRangeSeconds(fixed), 0.7f);
  DS_RandomTimeRange backwards(100, 99);
  EXPECT_FLOAT_EQ(RandomRangeSeconds(backwards), 1.0f);
  model = MsvcrtRand{5};
  model.Skip(3);
  EXPECT_EQ(rand(), model.Next());
}

TEST(Random, RangeSeconds) {
  struct RangeCase {
    unsigned lo, hi;
    float minimum, maximum;
  };
  for (const RangeCase& c : {RangeCase{100, 100, 1.0f, 1.0f}, RangeCase{50, 150, 0.5f, 1.5f},
                             RangeCase{100, 99, 1.0f, 1.0f},  // n would be 0: modulo by zero
                             RangeCase{100, 3, 1.0f, 1.0f},   // n would wrap around
                             RangeCase{0, 0xFFFFFFFFu, 0.0f, 327.67f},
                             RangeCase{0xFFFFFFF0u, 0xFFFFFFFFu, 42949660.0f, 42949680.0f}}) {
    DS_RandomTimeRange range(c.lo, c.hi);
    srand(3);
    for (int i = 0; i < 200; ++i) {
      const float s = RandomRangeSeconds(range);
      ASSERT_GE(s, c.minimum) << c.lo << ".." << c.hi;
      ASSERT_LE(s, c.maximum) << c.lo << ".." << c.hi;
    }
  }
  DS_RandomTimeRange steps(50, 150);
  srand(11);
  MsvcrtRand model{11};
  for (int i = 0; i < 20; ++i) EXPECT_FLOAT_EQ(RandomRangeSeconds(steps), float((50 + model.Next() % 101) * 0.01));
}

TEST(Composite, ColourRectangleQuadDirectionSector) {
  MediaColor color(0x00332211, 0);
  EXPECT_EQ(color.Alpha(), 255);
  EXPECT_EQ(color.ToARGB(), 0xFF112233u);
  color.transparency.Set(100);
  EXPECT_EQ(color.Alpha(), 0);
  color.transparency.Set(50);
  EXPECT_EQ(color.Alpha(), 127);
  EXPECT_EQ(MediaColor().Get(), 0x00FFFFFFul);

  MediaQuad quad;
  quad.SetFromCenter(D3DXVECTOR3(100, 50, 0), 20, 10);
  const float expected[4][2] = {{90, 45}, {90, 55}, {110, 45}, {110, 55}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(quad.corners[i].Get().x, expected[i][0]);
    EXPECT_EQ(quad.corners[i].Get().y, expected[i][1]);
  }

  MediaRectangle rect(10, 20, 30, 40);
  EXPECT_TRUE(rect.ContainsStagePoint(20, 40));  // edges inclusive
  EXPECT_TRUE(rect.ContainsStagePoint(10, 30));
  EXPECT_FALSE(rect.ContainsStagePoint(20.01f, 35));

  MediaDirection d0;
  EXPECT_NEAR(d0.direction.x, 1, 1e-6);
  EXPECT_NEAR(d0.normal.y, 1, 1e-6);
  MediaDirection d(0);
  d.Set(90);
  EXPECT_NEAR(d.direction.x, 1, 1e-6);  // setting the angle later does not recompute
  MediaDirection copy(d);
  EXPECT_NEAR(copy.direction.x, 0, 1e-6);
  EXPECT_NEAR(copy.direction.y, 1, 1e-6);
  EXPECT_NEAR(copy.normal.x, -1, 1e-6);
  EXPECT_NEAR(copy.normal.y, 0, 1e-6);
  EXPECT_EQ(copy.direction.w, 0.0f);

  MediaSector sector(90, 0);
  const D3DXVECTOR3 v = sector.GetRandomDirection();
  EXPECT_NEAR(v.x, 0, 1e-6);
  EXPECT_NEAR(v.y, -1, 1e-6);
}

TEST(Composite, RectangleAndQuadRecords) {
  MediaRectangle rect(1, 2, 3, 4);
  rect.extra1.Store(-5);
  rect.extra2.Store(6);
  MediaQuad quad;
  quad.SetFromCenter(D3DXVECTOR3(1, 2, 3), 4, 6);
  DS_IOF_W w;
  rect.Write(w);
  quad.Write(w);
  ASSERT_EQ(w.Bytes().size(), 24u + 48u);
  ResourceBuffer source(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> archive(&source);
  MediaRectangle r2;
  std::vector<int> log;
  Recorder watch(&r2.left, &log, 1);
  MediaQuad q2;
  r2.Read(archive);
  q2.Read(archive);
  EXPECT_TRUE(log.empty());  // stored without notification
  EXPECT_EQ(r2.left.Get(), 1);
  EXPECT_EQ(r2.bottom.Get(), 4);
  EXPECT_EQ(r2.extra1.Get(), -5);
  EXPECT_EQ(r2.extra2.Get(), 6);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(ParamValuesEqual(q2.corners[i].Get(), quad.corners[i].Get()));
  EXPECT_EQ(source.Remaining(), 0u);
}

}  // namespace
