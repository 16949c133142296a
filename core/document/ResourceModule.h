#pragma once
// The resource module: the authoring tool's "velmora.dll", read by number for links whose
// path is the module's name and whose stamp is the resource id, when the document does not
// carry the bytes itself. Type "DDS" holds pictures, .x meshes and stored texture sets;
// RT_RCDATA holds effect sources.
#include <windows.h>

#include <string>

extern const wchar_t* const kResourceModuleName;  // L"velmora.dll"

// Ids that the scene classes' defaults ask for.
namespace ModuleId {
// RT_RCDATA: effect sources.
constexpr int kFlameEffectA = 62, kFlameEffectB = 63;
constexpr int kBackgroundCopyEffect = 75;
constexpr int kLightEffect = 76;
constexpr int kWavesEffect = 77;
constexpr int kPatternBrushEffect = 78;
constexpr int kUnderwaterEffect = 88;
constexpr int kWaterEffect = 90;
constexpr int kMoveEffect = 91;
constexpr int kFireEffect = 92;
constexpr int kDischargeEffect = 97;
constexpr int kExpandEffect = 102;
constexpr int kRadialWaveEffect = 103;
constexpr int kStaticAnimationEffect = 116;
// "DDS": pictures and meshes.
constexpr int kLayerPicture = 5;
constexpr int kCameraBorder = 6;
constexpr int kFlamePictureA = 7, kFlamePictureB = 8;
constexpr int kFirePicture = 93;
constexpr int kMatrixCodePicture = 40;
constexpr int kGlassBallPictureA = 58, kGlassBallPictureB = 59, kGlassBallPictureC = 60;
constexpr int kButterflyMeshA = 68, kButterflyMeshB = 69;
constexpr int kClockA = 70, kClockB = 71, kClockC = 72;
constexpr int kWaterPicture = 89;
constexpr int kDischargePictureA = 95, kDischargePictureB = 98;
constexpr int kSoundPreviewPicture = 2016;
}  // namespace ModuleId

// The part of a path from its last "." to the end, in lower case; empty without a ".".
std::wstring PathExtension(const std::wstring& path);

// Whether a link's path names a resource module: a ".dll" path, or the empty path, which
// stands for the program's own file. Any other path is a plain file, which is never read
// at run time.
bool IsModulePath(const std::wstring& path);

// The integer resource id a link's stamp names. FindResourceW takes only 16-bit integer
// names (a larger value is read as the address of a name string), so a stamp outside
// 0..0xFFFF names no module resource.
bool ModuleResourceId(long long stamp, int* id);

// Opens a module for its resources only: it is mapped as a data file and none of its code
// runs, because the name comes from an untrusted document. Null when it cannot be
// opened (or for the empty name).
HMODULE OpenResourceModule(const std::wstring& name);

// The bytes of a module resource (a null module is the program's own file). False when the
// id is not a 16-bit integer, or the resource is missing or empty.
bool FindResourceBytes(HMODULE module, long long id, const wchar_t* type, const void** bytes, DWORD* size);
