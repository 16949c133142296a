#include "platform/effect/EffectStates.h"

#include <cctype>
#include <iterator>

namespace effect {
namespace {

bool SameName(std::string_view a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return i == a.size() && b[i] == 0;
}

const StateInfo kStates[] = {
    // Render states.
    {"ZEnable", StateKind::Render, D3DRS_ZENABLE, ValueKind::Bool},
    {"ZWriteEnable", StateKind::Render, D3DRS_ZWRITEENABLE, ValueKind::Bool},
    {"ZFunc", StateKind::Render, D3DRS_ZFUNC, ValueKind::Compare},
    {"FillMode", StateKind::Render, D3DRS_FILLMODE, ValueKind::Fill},
    {"ShadeMode", StateKind::Render, D3DRS_SHADEMODE, ValueKind::Shade},
    {"CullMode", StateKind::Render, D3DRS_CULLMODE, ValueKind::Cull},
    {"AlphaTestEnable", StateKind::Render, D3DRS_ALPHATESTENABLE, ValueKind::Bool},
    {"AlphaRef", StateKind::Render, D3DRS_ALPHAREF, ValueKind::Uint},
    {"AlphaFunc", StateKind::Render, D3DRS_ALPHAFUNC, ValueKind::Compare},
    {"AlphaBlendEnable", StateKind::Render, D3DRS_ALPHABLENDENABLE, ValueKind::Bool},
    {"SrcBlend", StateKind::Render, D3DRS_SRCBLEND, ValueKind::Blend},
    {"DestBlend", StateKind::Render, D3DRS_DESTBLEND, ValueKind::Blend},
    {"BlendOp", StateKind::Render, D3DRS_BLENDOP, ValueKind::BlendOp},
    {"SeparateAlphaBlendEnable", StateKind::Render, D3DRS_SEPARATEALPHABLENDENABLE,
     ValueKind::Bool},
    {"SrcBlendAlpha", StateKind::Render, D3DRS_SRCBLENDALPHA, ValueKind::Blend},
    {"DestBlendAlpha", StateKind::Render, D3DRS_DESTBLENDALPHA, ValueKind::Blend},
    {"BlendOpAlpha", StateKind::Render, D3DRS_BLENDOPALPHA, ValueKind::BlendOp},
    {"BlendFactor", StateKind::Render, D3DRS_BLENDFACTOR, ValueKind::Uint},
    {"ColorWriteEnable", StateKind::Render, D3DRS_COLORWRITEENABLE, ValueKind::ColorWrite},
    {"DitherEnable", StateKind::Render, D3DRS_DITHERENABLE, ValueKind::Bool},
    {"FogEnable", StateKind::Render, D3DRS_FOGENABLE, ValueKind::Bool},
    {"SpecularEnable", StateKind::Render, D3DRS_SPECULARENABLE, ValueKind::Bool},
    {"Lighting", StateKind::Render, D3DRS_LIGHTING, ValueKind::Bool},
    {"ColorVertex", StateKind::Render, D3DRS_COLORVERTEX, ValueKind::Bool},
    {"TextureFactor", StateKind::Render, D3DRS_TEXTUREFACTOR, ValueKind::Uint},
    {"StencilEnable", StateKind::Render, D3DRS_STENCILENABLE, ValueKind::Bool},
    {"StencilFail", StateKind::Render, D3DRS_STENCILFAIL, ValueKind::StencilOp},
    {"StencilZFail", StateKind::Render, D3DRS_STENCILZFAIL, ValueKind::StencilOp},
    {"StencilPass", StateKind::Render, D3DRS_STENCILPASS, ValueKind::StencilOp},
    {"StencilFunc", StateKind::Render, D3DRS_STENCILFUNC, ValueKind::Compare},
    {"StencilRef", StateKind::Render, D3DRS_STENCILREF, ValueKind::Uint},
    {"StencilMask", StateKind::Render, D3DRS_STENCILMASK, ValueKind::Uint},
    {"StencilWriteMask", StateKind::Render, D3DRS_STENCILWRITEMASK, ValueKind::Uint},
    {"ScissorTestEnable", StateKind::Render, D3DRS_SCISSORTESTENABLE, ValueKind::Bool},
    {"ClipPlaneEnable", StateKind::Render, D3DRS_CLIPPLANEENABLE, ValueKind::Uint},
    {"DepthBias", StateKind::Render, D3DRS_DEPTHBIAS, ValueKind::Float},
    {"SlopeScaleDepthBias", StateKind::Render, D3DRS_SLOPESCALEDEPTHBIAS, ValueKind::Float},
    {"SrgbWriteEnable", StateKind::Render, D3DRS_SRGBWRITEENABLE, ValueKind::Bool},
    // Sampler states: inside sampler_state blocks, or indexed by stage in a pass.
    {"MinFilter", StateKind::Sampler, D3DSAMP_MINFILTER, ValueKind::Filter},
    {"MagFilter", StateKind::Sampler, D3DSAMP_MAGFILTER, ValueKind::Filter},
    {"MipFilter", StateKind::Sampler, D3DSAMP_MIPFILTER, ValueKind::Filter},
    {"AddressU", StateKind::Sampler, D3DSAMP_ADDRESSU, ValueKind::Address},
    {"AddressV", StateKind::Sampler, D3DSAMP_ADDRESSV, ValueKind::Address},
    {"AddressW", StateKind::Sampler, D3DSAMP_ADDRESSW, ValueKind::Address},
    {"BorderColor", StateKind::Sampler, D3DSAMP_BORDERCOLOR, ValueKind::Uint},
    {"MaxAnisotropy", StateKind::Sampler, D3DSAMP_MAXANISOTROPY, ValueKind::Uint},
    {"MaxMipLevel", StateKind::Sampler, D3DSAMP_MAXMIPLEVEL, ValueKind::Uint},
    {"MipMapLodBias", StateKind::Sampler, D3DSAMP_MIPMAPLODBIAS, ValueKind::Float},
    {"SrgbTexture", StateKind::Sampler, D3DSAMP_SRGBTEXTURE, ValueKind::Bool},
    // Texture stage states, indexed by stage (fixed-function pixel passes).
    {"ColorOp", StateKind::TextureStage, D3DTSS_COLOROP, ValueKind::TextureOp},
    {"ColorArg0", StateKind::TextureStage, D3DTSS_COLORARG0, ValueKind::TextureArg},
    {"ColorArg1", StateKind::TextureStage, D3DTSS_COLORARG1, ValueKind::TextureArg},
    {"ColorArg2", StateKind::TextureStage, D3DTSS_COLORARG2, ValueKind::TextureArg},
    {"AlphaOp", StateKind::TextureStage, D3DTSS_ALPHAOP, ValueKind::TextureOp},
    {"AlphaArg0", StateKind::TextureStage, D3DTSS_ALPHAARG0, ValueKind::TextureArg},
    {"AlphaArg1", StateKind::TextureStage, D3DTSS_ALPHAARG1, ValueKind::TextureArg},
    {"AlphaArg2", StateKind::TextureStage, D3DTSS_ALPHAARG2, ValueKind::TextureArg},
    {"ResultArg", StateKind::TextureStage, D3DTSS_RESULTARG, ValueKind::TextureArg},
    {"TexCoordIndex", StateKind::TextureStage, D3DTSS_TEXCOORDINDEX, ValueKind::Uint},
    {"TextureTransformFlags", StateKind::TextureStage, D3DTSS_TEXTURETRANSFORMFLAGS,
     ValueKind::TransformFlags},
};

struct NamedValue {
  ValueKind kind;
  const char* name;
  DWORD value;
};

const NamedValue kValues[] = {
    {ValueKind::Bool, "true", TRUE},
    {ValueKind::Bool, "false", FALSE},
    {ValueKind::Blend, "Zero", D3DBLEND_ZERO},
    {ValueKind::Blend, "One", D3DBLEND_ONE},
    {ValueKind::Blend, "SrcColor", D3DBLEND_SRCCOLOR},
    {ValueKind::Blend, "InvSrcColor", D3DBLEND_INVSRCCOLOR},
    {ValueKind::Blend, "SrcAlpha", D3DBLEND_SRCALPHA},
    {ValueKind::Blend, "InvSrcAlpha", D3DBLEND_INVSRCALPHA},
    {ValueKind::Blend, "DestAlpha", D3DBLEND_DESTALPHA},
    {ValueKind::Blend, "InvDestAlpha", D3DBLEND_INVDESTALPHA},
    {ValueKind::Blend, "DestColor", D3DBLEND_DESTCOLOR},
    {ValueKind::Blend, "InvDestColor", D3DBLEND_INVDESTCOLOR},
    {ValueKind::Blend, "SrcAlphaSat", D3DBLEND_SRCALPHASAT},
    {ValueKind::Blend, "BlendFactor", D3DBLEND_BLENDFACTOR},
    {ValueKind::Blend, "InvBlendFactor", D3DBLEND_INVBLENDFACTOR},
    {ValueKind::BlendOp, "Add", D3DBLENDOP_ADD},
    {ValueKind::BlendOp, "Subtract", D3DBLENDOP_SUBTRACT},
    {ValueKind::BlendOp, "RevSubtract", D3DBLENDOP_REVSUBTRACT},
    {ValueKind::BlendOp, "Min", D3DBLENDOP_MIN},
    {ValueKind::BlendOp, "Max", D3DBLENDOP_MAX},
    {ValueKind::Compare, "Never", D3DCMP_NEVER},
    {ValueKind::Compare, "Less", D3DCMP_LESS},
    {ValueKind::Compare, "Equal", D3DCMP_EQUAL},
    {ValueKind::Compare, "LessEqual", D3DCMP_LESSEQUAL},
    {ValueKind::Compare, "Greater", D3DCMP_GREATER},
    {ValueKind::Compare, "NotEqual", D3DCMP_NOTEQUAL},
    {ValueKind::Compare, "GreaterEqual", D3DCMP_GREATEREQUAL},
    {ValueKind::Compare, "Always", D3DCMP_ALWAYS},
    {ValueKind::Cull, "None", D3DCULL_NONE},
    {ValueKind::Cull, "CW", D3DCULL_CW},
    {ValueKind::Cull, "CCW", D3DCULL_CCW},
    {ValueKind::Fill, "Point", D3DFILL_POINT},
    {ValueKind::Fill, "Wireframe", D3DFILL_WIREFRAME},
    {ValueKind::Fill, "Solid", D3DFILL_SOLID},
    {ValueKind::Shade, "Flat", D3DSHADE_FLAT},
    {ValueKind::Shade, "Gouraud", D3DSHADE_GOURAUD},
    {ValueKind::StencilOp, "Keep", D3DSTENCILOP_KEEP},
    {ValueKind::StencilOp, "Zero", D3DSTENCILOP_ZERO},
    {ValueKind::StencilOp, "Replace", D3DSTENCILOP_REPLACE},
    {ValueKind::StencilOp, "IncrSat", D3DSTENCILOP_INCRSAT},
    {ValueKind::StencilOp, "DecrSat", D3DSTENCILOP_DECRSAT},
    {ValueKind::StencilOp, "Invert", D3DSTENCILOP_INVERT},
    {ValueKind::StencilOp, "Incr", D3DSTENCILOP_INCR},
    {ValueKind::StencilOp, "Decr", D3DSTENCILOP_DECR},
    {ValueKind::ColorWrite, "Red", D3DCOLORWRITEENABLE_RED},
    {ValueKind::ColorWrite, "Green", D3DCOLORWRITEENABLE_GREEN},
    {ValueKind::ColorWrite, "Blue", D3DCOLORWRITEENABLE_BLUE},
    {ValueKind::ColorWrite, "Alpha", D3DCOLORWRITEENABLE_ALPHA},
    {ValueKind::Filter, "None", D3DTEXF_NONE},
    {ValueKind::Filter, "Point", D3DTEXF_POINT},
    {ValueKind::Filter, "Linear", D3DTEXF_LINEAR},
    {ValueKind::Filter, "Anisotropic", D3DTEXF_ANISOTROPIC},
    {ValueKind::Address, "Wrap", D3DTADDRESS_WRAP},
    {ValueKind::Address, "Mirror", D3DTADDRESS_MIRROR},
    {ValueKind::Address, "Clamp", D3DTADDRESS_CLAMP},
    {ValueKind::Address, "Border", D3DTADDRESS_BORDER},
    {ValueKind::Address, "MirrorOnce", D3DTADDRESS_MIRRORONCE},
    {ValueKind::TextureOp, "Disable", D3DTOP_DISABLE},
    {ValueKind::TextureOp, "SelectArg1", D3DTOP_SELECTARG1},
    {ValueKind::TextureOp, "SelectArg2", D3DTOP_SELECTARG2},
    {ValueKind::TextureOp, "Modulate", D3DTOP_MODULATE},
    {ValueKind::TextureOp, "Modulate2x", D3DTOP_MODULATE2X},
    {ValueKind::TextureOp, "Modulate4x", D3DTOP_MODULATE4X},
    {ValueKind::TextureOp, "Add", D3DTOP_ADD},
    {ValueKind::TextureOp, "AddSigned", D3DTOP_ADDSIGNED},
    {ValueKind::TextureOp, "AddSigned2x", D3DTOP_ADDSIGNED2X},
    {ValueKind::TextureOp, "Subtract", D3DTOP_SUBTRACT},
    {ValueKind::TextureOp, "AddSmooth", D3DTOP_ADDSMOOTH},
    {ValueKind::TextureOp, "BlendDiffuseAlpha", D3DTOP_BLENDDIFFUSEALPHA},
    {ValueKind::TextureOp, "BlendTextureAlpha", D3DTOP_BLENDTEXTUREALPHA},
    {ValueKind::TextureOp, "BlendFactorAlpha", D3DTOP_BLENDFACTORALPHA},
    {ValueKind::TextureOp, "BlendCurrentAlpha", D3DTOP_BLENDCURRENTALPHA},
    {ValueKind::TextureOp, "BumpEnvMap", D3DTOP_BUMPENVMAP},
    {ValueKind::TextureOp, "DotProduct3", D3DTOP_DOTPRODUCT3},
    {ValueKind::TextureOp, "MultiplyAdd", D3DTOP_MULTIPLYADD},
    {ValueKind::TextureOp, "Lerp", D3DTOP_LERP},
    {ValueKind::TextureArg, "Diffuse", D3DTA_DIFFUSE},
    {ValueKind::TextureArg, "Current", D3DTA_CURRENT},
    {ValueKind::TextureArg, "Texture", D3DTA_TEXTURE},
    {ValueKind::TextureArg, "TFactor", D3DTA_TFACTOR},
    {ValueKind::TextureArg, "Specular", D3DTA_SPECULAR},
    {ValueKind::TextureArg, "Temp", D3DTA_TEMP},
    {ValueKind::TextureArg, "Constant", D3DTA_CONSTANT},
    {ValueKind::TransformFlags, "Disable", D3DTTFF_DISABLE},
    {ValueKind::TransformFlags, "Count1", D3DTTFF_COUNT1},
    {ValueKind::TransformFlags, "Count2", D3DTTFF_COUNT2},
    {ValueKind::TransformFlags, "Count3", D3DTTFF_COUNT3},
    {ValueKind::TransformFlags, "Count4", D3DTTFF_COUNT4},
    {ValueKind::TransformFlags, "Projected", D3DTTFF_PROJECTED},
};

}  // namespace

const StateInfo* FindState(std::string_view name) {
  for (const StateInfo& s : kStates)
    if (SameName(name, s.name)) return &s;
  return nullptr;
}

bool FindStateValue(ValueKind kind, std::string_view name, DWORD* value) {
  for (const NamedValue& v : kValues) {
    if (v.kind == kind && SameName(name, v.name)) {
      *value = v.value;
      return true;
    }
  }
  return false;
}

}  // namespace effect
