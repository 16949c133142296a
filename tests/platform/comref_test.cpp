#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ComPtr.h"

namespace {

// A COM object that counts its references and writes every AddRef and Release, with the
// count after it, to a log shared by all objects of a test. It is never deleted: the test
// reads the counts after the last reference went.
struct RecordingObject : IUnknown {
  std::string name;
  std::vector<std::string>* log;
  LONG refs = 1;  // the creator's reference
  int addRefs = 0;
  int releases = 0;
  // Runs when the last reference goes, as an object's destructor would.
  std::function<void()> onFinalRelease;

  RecordingObject(std::string n, std::vector<std::string>* l) : name(std::move(n)), log(l) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    ++addRefs;
    ++refs;
    log->push_back(name + "+" + std::to_string(refs));
    return ULONG(refs);
  }
  ULONG STDMETHODCALLTYPE Release() override {
    ++releases;
    --refs;
    log->push_back(name + "-" + std::to_string(refs));
    if (refs == 0 && onFinalRelease) onFinalRelease();
    return ULONG(refs);
  }
};

using Log = std::vector<std::string>;
using Ref = ComRef<RecordingObject>;

// A creation call in the style of Direct3D: writes a new object (with its reference for
// the caller) into the slot without looking at what was there.
void Create(RecordingObject* made, RecordingObject** slot) { *slot = made; }

}  // namespace

TEST(ComRef, ReleasesExactlyOnceHoweverItIsEmptied)
{
  // Each way of letting go, followed by more of them and by destruction: the object gets
  // one Release in all, the one that gives back the creator's reference.
  struct Case {
    const char* what;
    void (*letGo)(Ref&);
  } cases[] = {
      {"Reset", [](Ref& r) { r.Reset(); }},
      {"nullptr", [](Ref& r) { r = nullptr; }},
      {"Assign(nullptr)", [](Ref& r) { r.Assign(nullptr); }},
      {"Attach(nullptr)", [](Ref& r) { r.Attach(nullptr); }},
      {"move out", [](Ref& r) { Ref other(std::move(r)); }},
      {"ReleaseAndGetAddressOf", [](Ref& r) { (void)r.ReleaseAndGetAddressOf(); }},
  };
  for (const Case& c : cases) {
    Log log;
    RecordingObject a("a", &log);
    {
      Ref r;
      r.Attach(&a);
      c.letGo(r);
      EXPECT_EQ(r.Get(), nullptr) << c.what;
      EXPECT_FALSE(r) << c.what;
      r.Reset();
      r.Reset();
    }
    EXPECT_EQ(log, (Log{"a-0"})) << c.what;
  }
}

TEST(ComRef, FieldIsEmptyBeforeReleaseRuns)
{
  // The dying object reaches back into the pointer that held it (a listener that clears
  // its owner's slot). The pointer is already empty then, so nothing is released twice.
  Log log;
  RecordingObject a("a", &log);
  Ref r;
  r.Attach(&a);
  RecordingObject* seen = &a;
  a.onFinalRelease = [&] {
    seen = r.Get();
    r.Reset();
  };
  r.Reset();
  EXPECT_EQ(seen, nullptr);
  EXPECT_EQ(a.releases, 1);
  EXPECT_EQ(a.refs, 0);
}

TEST(ComRef, CopiesAndMovesCountReferences)
{
  Log log;
  RecordingObject a("a", &log), b("b", &log);
  {
    Ref first;
    first.Attach(&a);  // a: 1, held by first

    Ref copy(first);  // a reference of its own
    EXPECT_EQ(copy.Get(), &a);
    EXPECT_EQ(a.refs, 2);

    Ref moved(std::move(copy));  // the reference travels; no call
    EXPECT_EQ(copy.Get(), nullptr);
    EXPECT_EQ(moved.Get(), &a);
    EXPECT_EQ(a.refs, 2);

    Ref other;
    other.Attach(&b);  // b: 1
    other = first;     // b's reference given back, one more for a
    EXPECT_EQ(b.refs, 0);
    EXPECT_EQ(a.refs, 3);

    // Two pointers to the same object, each with its reference: copying one onto the
    // other changes nothing; moving one onto the other leaves a single reference.
    other = moved;
    EXPECT_EQ(a.refs, 3);
    other = std::move(moved);
    EXPECT_EQ(moved.Get(), nullptr);
    EXPECT_EQ(other.Get(), &a);
    EXPECT_EQ(a.refs, 2);

    // Self-assignment keeps the reference and makes no call.
    const size_t calls = log.size();
    Ref& alias = first;
    first = alias;
    first = std::move(alias);
    EXPECT_EQ(first.Get(), &a);
    EXPECT_EQ(log.size(), calls);
  }
  EXPECT_EQ(a.refs, 0);
  EXPECT_EQ(b.refs, 0);
  EXPECT_EQ(a.addRefs + 1, a.releases);  // every reference taken given back, plus the creator's
  EXPECT_EQ(b.releases, 1);
}

TEST(ComRef, AssignTakesItsOwnReferenceBeforeLettingGo)
{
  Log log;
  RecordingObject a("a", &log), b("b", &log);
  {
    Ref r;
    r.Assign(&a);  // the caller keeps its reference to a
    EXPECT_EQ(a.refs, 2);
    r.Assign(&a);  // already held: no call
    EXPECT_EQ(a.refs, 2);
    r.Assign(&b);  // b's new reference first, then a's goes
    EXPECT_EQ(a.refs, 1);
    EXPECT_EQ(b.refs, 2);
  }
  EXPECT_EQ(log, (Log{"a+2", "b+2", "a-1", "b-1"}));
  a.Release();
  b.Release();
  EXPECT_EQ(a.refs, 0);
  EXPECT_EQ(b.refs, 0);
}

TEST(ComRef, OutParameterReleasesTheOldObjectAndTakesTheNewOne)
{
  Log log;
  RecordingObject a("a", &log), b("b", &log);
  {
    Ref r;
    r.Attach(&a);
    Create(&b, r.ReleaseAndGetAddressOf());  // a goes before b is made
    EXPECT_EQ(r.Get(), &b);
    EXPECT_EQ(a.refs, 0);
    EXPECT_EQ(b.refs, 1);  // the creation's reference, nothing added
  }
  EXPECT_EQ(log, (Log{"a-0", "b-0"}));
}

TEST(ComRef, AttachAndDetachHandOverWithoutCalls)
{
  Log log;
  RecordingObject a("a", &log), b("b", &log);
  Ref r;
  r.Attach(&a);
  EXPECT_TRUE(log.empty());

  RecordingObject* out = r.Detach();
  EXPECT_EQ(out, &a);
  EXPECT_EQ(r.Get(), nullptr);
  EXPECT_TRUE(log.empty());  // the reference went to the caller, unreleased
  r.Reset();
  EXPECT_TRUE(log.empty());

  // Attaching over a held object gives the old reference back.
  r.Attach(&a);
  r.Attach(&b);
  EXPECT_EQ(log, (Log{"a-0"}));

  // A second reference to the object already held replaces the first.
  b.AddRef();
  r.Attach(&b);
  EXPECT_EQ(b.refs, 1);
  r.Reset();
  EXPECT_EQ(b.refs, 0);
  EXPECT_EQ(b.releases, 2);
}

TEST(ComRef, ReadsAsThePlainPointer)
{
  Log log;
  RecordingObject a("a", &log);
  Ref r;
  EXPECT_FALSE(r);
  RecordingObject* plain = r;
  EXPECT_EQ(plain, nullptr);
  r.Attach(&a);
  EXPECT_TRUE(r);
  plain = r;  // borrowed: no call
  EXPECT_EQ(plain, &a);
  EXPECT_EQ(r->name, "a");
  EXPECT_TRUE(r == &a);
  EXPECT_TRUE(log.empty());
  r.Reset();
}
