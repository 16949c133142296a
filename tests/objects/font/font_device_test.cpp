// The animated font on a real device under Wine, drawn through the real layer and read
// back pixel by pixel: letters at their stored corners at their pictures' sizes, the line
// scaled about its centre, letters without a picture or a corner, the draw calls one
// letter at a time, and the module's letter sets playing on the font's clock. The layer
// shows a 320 x 200 picture stretched over the 320 x 200 target, so picture pixels are
// back-buffer pixels.
#include "core/document/DocResManager.h"
#include "core/render/Device.h"
#include "layers/DS_2D_Light.h"
#include "objects/particles/AnimatedFont.h"
#include "tests/objects/base/BaseTestSupport.h"
#include "tests/support/RecordingRender.h"
#include "tests/support/SceneDevice.h"

#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr UINT kW = 320, kH = 200;

using tw_test::Near;
using tw_test::Rgb;

const Rgb kDark{10, 20, 40};  // the picture under everything
const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

// Letter pictures filed as a document's stored pictures are: the font's module lookup
// finds the set under the link before it opens any module.
const DS_LinkKey kRedLetter(L"font\\red.dds", 1);      // 16 x 16
const DS_LinkKey kGreenLetter(L"font\\green.dds", 1);  // 24 x 8
const DS_LinkKey kBlueLetter(L"font\\blue.dds", 1);    // 8 x 32
// A module resource that does not exist: its set stays empty.
const DS_LinkKey kMissingLetter(L"velmora.dll", 9999);

struct Box {
  int x, y, w, h;
  Rgb colour;
};

class FontDevice : public tw_test::SceneDeviceTest {
protected:
  void SetUp() override {
    SceneDeviceTest::SetUp();
    if (HasFatalFailure()) return;
    StorePicture(L"dark.png", Solid(kW, kH, 0xFF0A1428));
    StorePicture(kRedLetter, Solid(16, 16, 0xFFFF0000));
    StorePicture(kGreenLetter, Solid(24, 8, 0xFF00FF00));
    StorePicture(kBlueLetter, Solid(8, 32, 0xFF0000FF));
    MakeLayer(L"dark.png");
  }

  // A font of the given letters at the given corners, made into its runtime object.
  DS_ParticlesObj* AddFont(const std::vector<DS_LinkKey>& letters, const std::vector<D3DXVECTOR3>& corners,
                           unsigned scale = 100, D3DXVECTOR3 centre = D3DXVECTOR3(0.0f, 0.0f, 0.0f),
                           unsigned clock = 0) {
    DS_AnimatedFont font;
    for (const DS_LinkKey& key : letters) font.m_Letters.emplace_back(DS_FileLink3(key));
    for (const D3DXVECTOR3& c : corners) font.m_Stored.emplace_back(c);
    font.m_Scale.Set(scale);
    font.m_Centre.Store(centre);
    font.m_FontClock.Set(clock);
    return Add<DS_ParticlesObj>(font.CreateRuntimeObject());
  }

  // The box's corner pixels and its centre are its colour; the pixels just outside each
  // edge are the picture.
  void ExpectBox(const Box& b) const {
    SCOPED_TRACE(testing::Message() << "box at (" << b.x << ", " << b.y << ") " << b.w << " x " << b.h);
    // A box at the target's edge has no pixel beyond it to check.
    auto expect = [this](int x, int y, Rgb want) {
      if (x >= 0 && y >= 0 && x < int(kW) && y < int(kH)) ExpectPixel(UINT(x), UINT(y), want, 0);
    };
    const int x1 = b.x + b.w - 1, y1 = b.y + b.h - 1;
    for (int x : {b.x, x1})
      for (int y : {b.y, y1}) expect(x, y, b.colour);
    expect(b.x + b.w / 2, b.y + b.h / 2, b.colour);
    expect(b.x - 1, b.y, kDark);
    expect(x1 + 1, y1, kDark);
    expect(b.x, b.y - 1, kDark);
    expect(x1, y1 + 1, kDark);
  }
  int CountPixels(Rgb colour) const {
    int n = 0;
    for (UINT y = 0; y < kH; ++y)
      for (UINT x = 0; x < kW; ++x) n += Near(Pixel(x, y), colour, 0) ? 1 : 0;
    return n;
  }

};

// Three letters at stored corners (10, 20), (40, 20), (70, 20): each quad's upper-left
// corner is its corner and its size its picture's.
TEST_F(FontDevice, LettersSitAtTheirCornersAtTheirPicturesSizes) {
  tw_test::PictureSize picture(kW, kH);
  DS_ParticlesObj* font = AddFont({kRedLetter, kGreenLetter, kBlueLetter},
                                  {{10.0f, 20.0f, 0.0f}, {40.0f, 20.0f, 0.0f}, {70.0f, 20.0f, 0.0f}});
  const Box boxes[] = {{10, 20, 16, 16, kRed}, {40, 20, 24, 8, kGreen}, {70, 20, 8, 32, kBlue}};
  ASSERT_EQ(font->Count(0), 3u);
  for (size_t i = 0; i < 3; ++i) {
    const DS_BoundsRect& r = font->Bounds(0)[i];
    EXPECT_EQ(r.x, float(boxes[i].x)) << i;
    EXPECT_EQ(r.y, float(boxes[i].y)) << i;
    EXPECT_EQ(r.width, float(boxes[i].w)) << i;
    EXPECT_EQ(r.height, float(boxes[i].h)) << i;
  }
  DrawFrame();
  for (const Box& b : boxes) ExpectBox(b);
  EXPECT_EQ(CountPixels(kRed), 16 * 16);
  EXPECT_EQ(CountPixels(kGreen), 24 * 8);
  EXPECT_EQ(CountPixels(kBlue), 8 * 32);
}

// Each letter is its own draw of one quad of batch 0, with its frame on stage 0 and the
// font's effect (none here: the layer's fixed pipeline; a given effect is handed on).
TEST_F(FontDevice, EachLetterIsOneQuadOfTheBatch) {
  tw_test::PictureSize picture(kW, kH);
  DS_ParticlesObj* font = AddFont({kRedLetter, kGreenLetter, kBlueLetter},
                                  {{10.0f, 20.0f, 0.0f}, {40.0f, 20.0f, 0.0f}, {70.0f, 20.0f, 0.0f}});
  tw_test::LoggingEffect effect;
  for (Effect* given : {static_cast<Effect*>(nullptr), static_cast<Effect*>(&effect)}) {
    SCOPED_TRACE(given ? "with an effect" : "without an effect");
    static_cast<DS_AnimatedFont*>(font->Generator())->m_Effect.Assign(given);
    tw_test::RecordingRender r(kW, kH);
    font->Render(r);
    ASSERT_EQ(r.Sequence(), "DrawQuadRange DrawQuadRange DrawQuadRange");
    for (UINT i = 0; i < 3; ++i) {
      EXPECT_EQ(r.calls[i].first, i);
      EXPECT_EQ(r.calls[i].count, 1u);
      EXPECT_EQ(r.calls[i].effect, given);
      EXPECT_EQ(r.calls[i].mesh.frame, &font->Batch(0));
    }
  }
  static_cast<DS_AnimatedFont*>(font->Generator())->m_Effect.Reset();
}

// The whole line scales about the centre (130, 70): each box moves to centre + s x (its
// corner - centre) and grows s times. 100 is the natural size.
TEST_F(FontDevice, TheLineScalesAboutItsCentre) {
  tw_test::PictureSize picture(kW, kH);
  const D3DXVECTOR3 centre(130.0f, 70.0f, 0.0f);
  struct Case {
    unsigned value;
    Box boxes[3];
  };
  const Case cases[] = {
      {100, {{100, 60, 16, 16, kRed}, {130, 60, 24, 8, kGreen}, {160, 60, 8, 32, kBlue}}},
      {200, {{70, 50, 32, 32, kRed}, {130, 50, 48, 16, kGreen}, {190, 50, 16, 64, kBlue}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "scale " << c.value);
    AddFont({kRedLetter, kGreenLetter, kBlueLetter},
            {{100.0f, 60.0f, 0.0f}, {130.0f, 60.0f, 0.0f}, {160.0f, 60.0f, 0.0f}}, c.value, centre);
    DrawFrame();
    for (const Box& b : c.boxes) ExpectBox(b);
    for (const Box& b : c.boxes) EXPECT_EQ(CountPixels(b.colour), b.w * b.h);
    m_Objects.clear();
  }
}

// A letter whose set did not load is skipped; a letter without a stored corner keeps the
// new buffer's empty quad and covers nothing; corners beyond the letters are ignored.
TEST_F(FontDevice, OnlyLettersWithAPictureAndACornerShow) {
  tw_test::PictureSize picture(kW, kH);
  {
    DS_ParticlesObj* font = AddFont({kRedLetter, kMissingLetter, kBlueLetter, kGreenLetter},
                                    {{10.0f, 20.0f, 0.0f}, {40.0f, 20.0f, 0.0f}, {70.0f, 20.0f, 0.0f}});
    EXPECT_EQ(font->Count(0), 4u);
    tw_test::RecordingRender r(kW, kH);
    font->Render(r);
    ASSERT_EQ(r.calls.size(), 3u) << r.Sequence();
    EXPECT_EQ(r.calls[0].first, 0u);
    EXPECT_EQ(r.calls[1].first, 2u);
    EXPECT_EQ(r.calls[2].first, 3u);
    DrawFrame();
    ExpectBox({10, 20, 16, 16, kRed});
    ExpectBox({70, 20, 8, 32, kBlue});
    ExpectPixel(40, 20, kDark, 0);
    EXPECT_EQ(CountPixels(kGreen), 0);
    m_Objects.clear();
  }
  {
    DS_ParticlesObj* font =
        AddFont({kRedLetter}, {{10.0f, 20.0f, 0.0f}, {40.0f, 20.0f, 0.0f}, {70.0f, 20.0f, 0.0f}});
    EXPECT_EQ(font->Count(0), 1u);
    DrawFrame();
    ExpectBox({10, 20, 16, 16, kRed});
    EXPECT_EQ(CountPixels(kRed), 16 * 16);
    m_Objects.clear();
  }
}

// The module's letter sets H, E, L, L, O: four 64 x 64 frames each, a plain gold letter
// shown 1.2 s (H) to 1.5 s (O), then a shine in three frames of 0.1 s. Letter pixel (15, 20)
// lies on the left stroke of both H and E: plain it is (255, 200, 91) (the gold at 2/7 of
// the glyph's height), under the first shine white. At clock value 100 and 0.125 s a frame,
// H switches at clock 1.25; E (1.3 s) is still plain then.
TEST_F(FontDevice, TheModuleLettersShineInTurnOnTheFontsClock) {
  tw_test::PictureSize picture(kW, kH);
  std::vector<DS_LinkKey> letters;
  std::vector<D3DXVECTOR3> corners;
  const long long ids[] = {150, 151, 152, 152, 153};
  for (int i = 0; i < 5; ++i) {
    letters.emplace_back(L"velmora.dll", ids[i]);
    corners.emplace_back(20.0f + 48.0f * float(i), 30.0f, 0.0f);
  }
  DS_ParticlesObj* font = AddFont(letters, corners, 100, D3DXVECTOR3(0.0f, 0.0f, 0.0f), 100);
  const DS_AnimatedFont& d = *static_cast<DS_AnimatedFont*>(font->Generator());
  ASSERT_EQ(d.m_LetterFrames.size(), 5u);
  const float rest[] = {1.2f, 1.3f, 1.4f, 1.4f, 1.5f};
  for (size_t i = 0; i < 5; ++i) {
    const DS_TextureSet& set = d.m_LetterFrames[i];
    ASSERT_EQ(set.textures.size(), 4u) << "velmora.dll must sit beside the test program";
    EXPECT_EQ(set.delays, (std::vector<float>{rest[i], 0.1f, 0.1f, 0.1f}));
    EXPECT_EQ(set.width, 64u);
    EXPECT_EQ(set.height, 64u);
  }
  const Rgb gold{255, 200, 91}, white{255, 255, 255};
  const int hx = 20 + 15, ex = 68 + 15, y = 30 + 20;
  int step = 0;
  for (; step < 9; ++step) font->UpdateFrame(0.125f * float(step + 1));  // clock 1.125
  DrawFrame();
  ExpectPixel(hx, y, gold, 6);
  ExpectPixel(ex, y, gold, 6);
  ExpectPixel(20 + 31, 30 + 15, kDark, 0);  // between the H's strokes
  font->UpdateFrame(0.125f * float(++step));  // clock 1.25
  DrawFrame();
  ExpectPixel(hx, y, white, 6);
  ExpectPixel(ex, y, gold, 6);

  // Clock value 0: the letters never leave their first frame.
  m_Objects.clear();
  font = AddFont(letters, corners);
  for (int k = 1; k <= 40; ++k) font->UpdateFrame(0.125f * float(k));
  DrawFrame();
  ExpectPixel(hx, y, gold, 6);
  for (const DS_TextureSet& set : static_cast<DS_AnimatedFont*>(font->Generator())->m_LetterFrames)
    EXPECT_EQ(set.frame, 0);
}

}  // namespace
