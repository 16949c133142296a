// The animated font without a device: its record (document-builder bytes, hostile counts,
// the letter cap), the line's scale matrix, the clock that plays the letters' frames, and
// a font without letters. What it draws is read back on a device in font_device_test.cpp.
#include "core/archive/DS_IOF.h"
#include "core/archive/DS_IOF_Writer.h"
#include "core/render/QuadList.h"
#include "objects/particles/AnimatedFont.h"
#include "tests/support/RecordRead.h"
#include "tests/support/RecordingRender.h"

#include "font_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

DS_AnimatedFont* AsFont(DS_ABObj_Constructor* object) { return dynamic_cast<DS_AnimatedFont*>(object); }

std::unique_ptr<DS_ParticlesObj> MakeRuntime(DS_AnimatedFont& font) {
  return std::unique_ptr<DS_ParticlesObj>(static_cast<DS_ParticlesObj*>(font.CreateRuntimeObject()));
}

DS_AnimatedFont& FontOf(DS_ParticlesObj& runtime) { return *static_cast<DS_AnimatedFont*>(runtime.Generator()); }

D3DXVECTOR3 Transform(const D3DXMATRIX& m, float x, float y, float z = 0.0f) {
  const D3DXVECTOR3 p(x, y, z);
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &p, &m);
  return out;
}

bool IsIdentity(const D3DXMATRIX& m) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (m.m[r][c] != (r == c ? 1.0f : 0.0f)) return false;
  return true;
}

// ---------------------------------------------------------------------------------------
// Records

TEST(AnimatedFontRecord, EveryFieldReadsFromItsPlaceAndWritesBackTheSameBytes) {
  tw_test::RecordReadResult r = tw_test::ReadRecord(kFixtureFontFull, kFixtureFontFullSize);
  DS_AnimatedFont* font = AsFont(r.object.get());
  ASSERT_NE(font, nullptr);
  EXPECT_FALSE(r.failed);
  EXPECT_EQ(r.remaining, 0u);

  EXPECT_EQ(font->m_Text.Get(), L"HELLO");
  EXPECT_EQ(font->m_FontClock.Get(), 150u);
  EXPECT_FLOAT_EQ(font->m_FontClock.Derived(), 1.5f);
  EXPECT_EQ(font->m_Scale.Get(), 175u);
  EXPECT_FLOAT_EQ(font->m_Scale.Derived(), 1.75f);
  EXPECT_EQ(font->m_Settings[0].Get(), 3u);
  EXPECT_EQ(font->m_Settings[1].Get(), 4u);
  EXPECT_EQ(font->m_Settings[2].Get(), 5u);
  EXPECT_EQ(font->m_Setting.Get(), -6);

  ASSERT_EQ(font->m_Glyphs.size(), 4u);
  EXPECT_EQ(font->m_Glyphs.at(L'H'), DS_LinkKey(L"velmora.dll", 150));
  EXPECT_EQ(font->m_Glyphs.at(L'E'), DS_LinkKey(L"velmora.dll", 151));
  EXPECT_EQ(font->m_Glyphs.at(L'L'), DS_LinkKey(L"velmora.dll", 152));
  EXPECT_EQ(font->m_Glyphs.at(wchar_t(0xFF2F)), DS_LinkKey(L"glyphs\\wide.dds", 7));

  const long long stamps[] = {150, 151, 152, 152, 153};
  ASSERT_EQ(font->m_Letters.size(), 5u);
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(font->m_Letters[i].GetKey(), DS_LinkKey(L"velmora.dll", stamps[i])) << i;

  // The static part: centre, the textured part and the stored particles (the corners).
  EXPECT_EQ(font->m_Centre.Get(), D3DXVECTOR3(320.5f, 240.25f, 1.5f));
  EXPECT_EQ(font->m_EffectLink.GetKey(), DS_LinkKey(L"fx\\font.fx", 9));
  EXPECT_EQ(font->m_BlendMode.Get(), 3);
  EXPECT_EQ(font->m_Life.Get(), 11u);
  EXPECT_EQ(font->m_EmissionRate.Get(), 12u);
  EXPECT_EQ(font->Name(), L"greeting");
  const float xs[] = {10.0f, 58.0f, 106.0f, 154.0f, 202.0f};
  ASSERT_EQ(font->m_Stored.size(), 5u);
  size_t i = 0;
  for (const Particle& p : font->m_Stored) {
    EXPECT_EQ(p.position, D3DXVECTOR3(xs[i], 20.0f, i == 4 ? 0.5f : 0.0f)) << i;
    ++i;
  }

  DS_IOF_W writer;
  font->Write(writer);
  EXPECT_EQ(writer.Bytes(), std::vector<unsigned char>(kFixtureFontFull, kFixtureFontFull + kFixtureFontFullSize));
}

TEST(AnimatedFontRecord, TheBuilderDefaultsGiveAnEmptyFont) {
  tw_test::RecordReadResult r = tw_test::ReadRecord(kFixtureFontBuilderDefaults, kFixtureFontBuilderDefaultsSize);
  DS_AnimatedFont* font = AsFont(r.object.get());
  ASSERT_NE(font, nullptr);
  EXPECT_FALSE(r.failed);
  EXPECT_EQ(r.remaining, 0u);
  EXPECT_TRUE(font->m_Text.Get().empty());
  EXPECT_EQ(font->m_FontClock.Get(), 0u);
  EXPECT_EQ(font->m_Scale.Get(), 0u);
  EXPECT_TRUE(font->m_Glyphs.empty());
  EXPECT_TRUE(font->m_Letters.empty());
  EXPECT_TRUE(font->m_Stored.empty());
}

// A count that the bytes left cannot hold fails the read at once: nothing is allocated
// or looped for it, and what follows is not read from the wrong place.
TEST(AnimatedFontRecord, CountsBeyondTheRecordFailTheRead) {
  struct Case {
    const char* name;
    const unsigned char* bytes;
    size_t size;
  };
  const Case cases[] = {
      {"glyphs", kFixtureFontHugeGlyphCount, kFixtureFontHugeGlyphCountSize},
      {"letters", kFixtureFontHugeLetterCount, kFixtureFontHugeLetterCountSize},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tw_test::RecordReadResult r = tw_test::ReadRecord(c.bytes, c.size);
    EXPECT_TRUE(r.failed);
    if (DS_AnimatedFont* font = AsFont(r.object.get())) {
      EXPECT_TRUE(font->m_Glyphs.empty());
      EXPECT_TRUE(font->m_Letters.empty());
    }
  }
}

// One batch holds every letter: links beyond its quads are read past (the record goes on
// after them) and dropped.
TEST(AnimatedFontRecord, LettersBeyondOneBatchAreReadPastAndDropped) {
  DS_AnimatedFont written;
  const size_t count = size_t(kMaxQuadsPerBuffer) + 5;
  for (size_t i = 0; i < count; ++i) written.m_Letters.emplace_back(DS_FileLink3(int(i % 4) + 150, L"velmora.dll"));
  written.m_Centre.Store(D3DXVECTOR3(7.0f, 8.0f, 9.0f));
  DS_IOF_W writer;
  written.Write(writer);

  tw_test::RecordReadResult r = tw_test::ReadRecord(writer.Bytes().data(), writer.Bytes().size());
  DS_AnimatedFont* font = AsFont(r.object.get());
  ASSERT_NE(font, nullptr);
  EXPECT_FALSE(r.failed);
  EXPECT_EQ(r.remaining, 0u);
  EXPECT_EQ(font->m_Letters.size(), size_t(kMaxQuadsPerBuffer));
  EXPECT_EQ(font->m_Centre.Get(), D3DXVECTOR3(7.0f, 8.0f, 9.0f));
}

// ---------------------------------------------------------------------------------------
// The line's scale

// Scaling about the centre (100, 50, 0): the centre stays, every other point moves s times
// as far from it; value 100 is the natural size.
TEST(AnimatedFontScale, TheLineScalesAboutTheCentre) {
  struct Case {
    unsigned value;
    D3DXVECTOR3 corner;  // where the point (110, 20, 0) goes
  };
  const Case cases[] = {
      {100, {110.0f, 20.0f, 0.0f}},
      {200, {120.0f, -10.0f, 0.0f}},
      {50, {105.0f, 35.0f, 0.0f}},
      {0, {100.0f, 50.0f, 0.0f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "scale " << c.value);
    DS_AnimatedFont font;
    font.m_Centre.Store(D3DXVECTOR3(100.0f, 50.0f, 0.0f));
    font.m_Scale.Set(c.value);
    std::unique_ptr<DS_ParticlesObj> runtime = MakeRuntime(font);
    ASSERT_EQ(runtime->BatchCount(), 1u);
    const DS_ParticleBatch& batch = runtime->Batch(0);
    EXPECT_EQ(Transform(batch.world, 110.0f, 20.0f), c.corner);
    EXPECT_EQ(Transform(batch.world, 100.0f, 50.0f), D3DXVECTOR3(100.0f, 50.0f, 0.0f));
    EXPECT_EQ(std::memcmp(&batch.local, &batch.world, sizeof batch.world), 0) << "local and world differ";
    if (c.value == 100) {
      EXPECT_TRUE(IsIdentity(batch.world));
    }
  }
}

// A centre or a scale that is not a number cannot place the line: it is drawn at its
// natural size instead of as NaN vertices.
TEST(AnimatedFontScale, ANonNumberGivesTheNaturalSize) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_TRUE(IsIdentity(DS_AnimatedFont::ScaleAbout(D3DXVECTOR3(nan, 50.0f, 0.0f), 2.0f)));
  EXPECT_TRUE(IsIdentity(DS_AnimatedFont::ScaleAbout(D3DXVECTOR3(10.0f, inf, 0.0f), 1.0f)));
  EXPECT_TRUE(IsIdentity(DS_AnimatedFont::ScaleAbout(D3DXVECTOR3(10.0f, 20.0f, 0.0f), nan)));

  DS_AnimatedFont font;
  font.m_Centre.Store(D3DXVECTOR3(nan, nan, nan));
  font.m_Scale.Set(300);
  std::unique_ptr<DS_ParticlesObj> runtime = MakeRuntime(font);
  EXPECT_TRUE(IsIdentity(runtime->Batch(0).world));
}

// ---------------------------------------------------------------------------------------
// The clock

// A letter set of three frames shown 0.25, 0.5 and 0.75 s (the slots stay empty: only the
// frame index is watched). The object time advances 0.125 s a frame; the font's clock runs
// at value / 100 of it, and a frame switches on the first clock reading past its delay:
// at value 100 at clock 0.375 to frame 1, at 1.0 to frame 2, at 1.875 back to frame 0; at
// value 50 (steps of 0.0625) at 0.3125, 0.875 and 1.6875 (and to frame 1 again at 2.0).
TEST(AnimatedFontClock, TheClockPlaysTheFramesAtTheirDelays) {
  struct Sample {
    float clock;
    int frame;
  };
  const Sample samples[] = {{0.125f, 0}, {0.5f, 1}, {0.75f, 1}, {1.25f, 2}, {1.5f, 2}, {1.875f, 0}};
  for (unsigned value : {100u, 50u, 0u}) {
    SCOPED_TRACE(testing::Message() << "clock value " << value);
    DS_AnimatedFont font;
    font.m_FontClock.Set(value);
    std::unique_ptr<DS_ParticlesObj> runtime = MakeRuntime(font);
    std::vector<DS_TextureSet>& frames = FontOf(*runtime).m_LetterFrames;
    frames.resize(2);
    for (DS_TextureSet& set : frames) {
      set.ResizeFrames(3);
      set.delays = {0.25f, 0.5f, 0.75f};
    }
    const float rate = float(value) / 100.0f;
    int step = 0;
    for (const Sample& s : samples) {
      SCOPED_TRACE(testing::Message() << "clock " << s.clock);
      if (value == 0) {
        // The clock stands: every letter stays on its first frame however long it runs.
        for (int k = 0; k < 4; ++k) runtime->UpdateFrame(0.125f * float(++step));
        for (const DS_TextureSet& set : frames) EXPECT_EQ(set.frame, 0);
        continue;
      }
      while (0.125f * float(step) * rate < s.clock - 1e-4f) runtime->UpdateFrame(0.125f * float(++step));
      for (const DS_TextureSet& set : frames) EXPECT_EQ(set.frame, s.frame);
    }
  }
}

// A clone is the runtime copy: it takes the clock's time along with its value, so a font
// copied mid-play does not start its letters over.
TEST(AnimatedFontClock, ACloneKeepsTheClockAndTheLetters) {
  DS_AnimatedFont font;
  font.m_FontClock.Set(100);
  font.m_FontClock.Advance(0.1f);
  font.m_FontClock.Advance(0.2f);
  font.m_Text.Store(L"AB");
  font.m_Letters.emplace_back(DS_FileLink3(150, L"velmora.dll"));
  font.m_Glyphs[L'A'] = DS_LinkKey(L"velmora.dll", 150);
  std::unique_ptr<DS_ParticleGenerator> copy(font.Clone());
  DS_AnimatedFont& clone = static_cast<DS_AnimatedFont&>(*copy);
  EXPECT_FLOAT_EQ(clone.m_FontClock.Time(), 0.2f);
  EXPECT_FLOAT_EQ(clone.m_FontClock.LastTime(), 0.2f);
  EXPECT_EQ(clone.m_Text.Get(), L"AB");
  ASSERT_EQ(clone.m_Letters.size(), 1u);
  EXPECT_EQ(clone.m_Letters[0].GetKey(), DS_LinkKey(L"velmora.dll", 150));
  EXPECT_EQ(clone.m_Glyphs.size(), 1u);
}

// ---------------------------------------------------------------------------------------
// Nothing to draw

TEST(AnimatedFontLetters, AFontWithoutLettersReservesNoQuadAndDrawsNothing) {
  DS_AnimatedFont font;
  font.m_Stored.emplace_back(10.0f, 20.0f, 0.0f);
  std::unique_ptr<DS_ParticlesObj> runtime = MakeRuntime(font);
  EXPECT_EQ(runtime->BatchCount(), 1u);
  EXPECT_EQ(runtime->Count(0), 0u);
  runtime->UpdateFrame(0.5f);
  tw_test::RecordingRender r;
  runtime->Render(r);
  EXPECT_TRUE(r.calls.empty()) << r.Sequence();
}

// Without a resource manager (and a device) each letter keeps its place with an empty
// set: quads are reserved for all of them, none draws, and nothing breaks.
TEST(AnimatedFontLetters, LettersWithoutPicturesReserveTheirQuadsAndDrawNothing) {
  DS_AnimatedFont font;
  for (int i = 0; i < 3; ++i) font.m_Letters.emplace_back(DS_FileLink3(150 + i, L"velmora.dll"));
  font.m_Stored.emplace_back(10.0f, 20.0f, 0.0f);
  std::unique_ptr<DS_ParticlesObj> runtime = MakeRuntime(font);
  EXPECT_EQ(FontOf(*runtime).m_LetterFrames.size(), 3u);
  EXPECT_EQ(runtime->Count(0), 3u);
  runtime->UpdateFrame(0.5f);
  tw_test::RecordingRender r;
  runtime->Render(r);
  EXPECT_TRUE(r.calls.empty()) << r.Sequence();
}

}  // namespace
