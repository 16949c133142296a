// Every registered name is a class name that stored documents use (spelled as they spell
// it) in the right registry, and every registered reader builds its object, even from an
// archive that has nothing left to read. Registrations come from static initialisers in
// libraries linked whole; a library linked the ordinary way would lose them.
#include "core/archive/ReaderRegistry.h"
#include "core/scene/DS_ABObj.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

const std::set<std::wstring> kLightNames = {L"DS_2D_Light",        L"DS_FlameLight", L"DS_GlassBallLight",
                                            L"DS_MatrixCodeLight", L"FakeUndervater", L"FakeLake2D",
                                            L"DS_WaterRingLight"};
const std::set<std::wstring> kSlideNames = {L"DS_SlideContainer"};
const std::set<std::wstring> kObjectNames = {
    L"DS_GodRayConstructor", L"DS_SparkleConstructor", L"DS_FlowConstructor", L"DS_FishConstructor",
    L"DS_GhostConstructor", L"DS_FogConstructor", L"DS_LightingConstructor", L"DS_GrassConstructor",
    L"DS_RainConstructor", L"DS_StatObjConstructor", L"DS_FlowerConstructor", L"DS_BirdConstructor",
    L"DS_DischargeConstructor", L"DS_DischargeFXConstructor", L"DS_ButterflyConstructor", L"DS_ClockConstructor",
    L"DS_Bling", L"DS_CustomAirBrush", L"DS_TwinklingStars", L"DS_Aurora", L"DS_BackgroundCopy", L"DS_WavesFX",
    L"DS_LightFX", L"DS_PatternBrush", L"DS_PatternBrushC", L"DS_WaterFX", L"DS_MoveFX", L"DS_FireFX",
    L"DS_ExpandFX", L"DS_RadialWaveFX", L"DS_RotationFX", L"DS_WaterfallFX", L"DS_BendFX", L"DS_LightFX_II",
    L"DS_CloudFX", L"DS_PerspectiveFX", L"DS_AnimatedFont", L"DS_ExplosionConstructor", L"DS_FallingStars",
    L"DS_FireworkSimple", L"DS_LightningGN", L"DS_Plant", L"DS_RadialRays", L"DS_Smoke", L"DS_StaticAnimation",
    L"DS_BrownAnimation", L"DS_PathAnimtion", L"DS_StaticTextConstructor", L"DS_ScrollingTextConstructor",
    L"DS_TextLinkConstructor", L"DS_3D_in_2D_array_Constructor", L"DS_MP3_Constructor", L"DS_WAV_Constructor"};

bool IsTestName(const std::wstring& name) { return name.rfind(L"DS_Test", 0) == 0; }

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

void CheckRegistry(const char* what, const ReaderRegistry& registry, const std::set<std::wstring>& known) {
  size_t missing = 0;
  for (const std::wstring& name : known) missing += registry.count(name) ? 0 : 1;
  if (missing) std::printf("[ info ] %s registry: %zu of %zu names not linked into this program\n", what, missing, known.size());
  for (const auto& [name, reader] : registry) {
    SCOPED_TRACE(std::string(what) + " " + Narrow(name));
    EXPECT_TRUE(known.count(name) || IsTestName(name)) << "unknown or misspelt class name";
    ASSERT_NE(reader, nullptr);
    // Resolves: the registered name builds its object, reading from an empty archive.
    static const unsigned char none = 0;
    ResourceBuffer empty(&none, 0);
    DS_IOF_R<ResourceBuffer> archive(&empty);
    DS_IOF_Item* object = reader->Create(archive, 1);
    EXPECT_NE(object, nullptr);
    delete object;
  }
}

TEST(RegistryNames, EveryRegisteredNameIsKnownAndResolves) {
  CheckRegistry("light", GetLightReaderRegistry(), kLightNames);
  CheckRegistry("slide", GetSlideReaderRegistry(), kSlideNames);
  CheckRegistry("object", GetObjectReaderRegistry(), kObjectNames);
  EXPECT_EQ(kLightNames.size() + kSlideNames.size() + kObjectNames.size(), 7u + 1u + 53u);
}

TEST(RegistryNames, UnreferencedRegistrationSurvivesStaticLinking) {
  EXPECT_EQ(GetObjectReaderRegistry().count(L"DS_TestUnreferenced"), 1u);
}

}  // namespace
