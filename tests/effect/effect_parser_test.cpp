// The effect-file subset: what it accepts, and that everything outside it is refused with
// the line that is wrong.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/effect/EffectParser.h"

using effect::AssignKind;
using effect::Description;
using effect::ParamType;
using effect::ParseEffect;

namespace {

bool Parse(const std::string& src, Description* d, std::string* error) {
  return ParseEffect(src.data(), src.size(), d, error);
}

const char kFull[] = R"(// every construct of the subset
float Amount < string UIName = "amount"; float UIMin = 0; > = 0.25;
float2 Pair : SOMETHING = {1, -2};
float3 Colour = float3(0.5, 0.25, 1.0f);
float4 Four = 3;
row_major float4x4 Rows = {1,2,3,4, 5,6,7,8, 9,10,11,12, 13,14,15,16};
float4x4 WorldViewProj;
texture Texture1 < string ResourceName = "x.dds"; >;
sampler Sampler1 = sampler_state {
  Texture = <Texture1>;
  MinFilter = Linear; MagFilter = Point; AddressU = Wrap; AddressV = Clamp;
  BorderColor = 0xFF00FF00;
};
technique Main < string Note = "first"; > {
  pass P0 {
    AlphaBlendEnable = true;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
    ColorWriteEnable = Red | Green | Blue;
    DepthBias = -0.5;
    Sampler[1] = (Sampler1);
    Texture[2] = <Texture1>;
    MinFilter[2] = Anisotropic;
    ColorOp[0] = SelectArg1;
    ColorArg1[0] = Texture;
    VertexShaderConstantF[4] = <WorldViewProj>;
    PixelShaderConstantF[0] = <Amount>;
    VertexShader = asm { vs_2_0
      dcl_position v0
      m4x4 oPos, v0, c4 // { a brace in a comment }
    };
    PixelShader = asm { ps_2_0 ; a comment with } a brace
      def c1, 1, 0, 0, 1
      mov oC0, c1
    };
  }
  pass { VertexShader = null; PixelShader = NULL; }
}
technique Other { }
)";

TEST(EffectParser, ReadsEveryConstructOfTheSubset) {
  Description d;
  std::string error;
  ASSERT_TRUE(Parse(kFull, &d, &error)) << error;

  ASSERT_EQ(d.params.size(), 7u);
  EXPECT_EQ(d.params[0].name, "Amount");
  EXPECT_FLOAT_EQ(d.params[0].value[0], 0.25f);
  EXPECT_EQ(d.params[1].type, ParamType::Float2);
  EXPECT_FLOAT_EQ(d.params[1].value[1], -2.0f);
  EXPECT_FLOAT_EQ(d.params[2].value[2], 1.0f);
  EXPECT_FLOAT_EQ(d.params[3].value[3], 3.0f);  // a scalar fills every component
  EXPECT_TRUE(d.params[4].rowMajor);
  EXPECT_FLOAT_EQ(d.params[4].value[15], 16.0f);
  EXPECT_EQ(d.params[5].type, ParamType::Float4x4);
  EXPECT_EQ(d.params[6].type, ParamType::Texture);

  ASSERT_EQ(d.samplers.size(), 1u);
  EXPECT_EQ(d.samplers[0].texture, 6);
  ASSERT_EQ(d.samplers[0].states.size(), 5u);
  EXPECT_EQ(d.samplers[0].states[1].state, DWORD(D3DSAMP_MAGFILTER));
  EXPECT_EQ(d.samplers[0].states[1].value, DWORD(D3DTEXF_POINT));
  EXPECT_EQ(d.samplers[0].states[4].value, 0xFF00FF00u);

  ASSERT_EQ(d.techniques.size(), 2u);
  EXPECT_EQ(d.techniques[0].name, "Main");
  EXPECT_TRUE(d.techniques[1].passes.empty());
  ASSERT_EQ(d.techniques[0].passes.size(), 2u);
  const auto& a = d.techniques[0].passes[0].assignments;
  ASSERT_EQ(a.size(), 14u);
  EXPECT_EQ(a[0].kind, AssignKind::RenderState);
  EXPECT_EQ(a[0].value, DWORD(TRUE));
  EXPECT_EQ(a[3].value, DWORD(D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_GREEN | D3DCOLORWRITEENABLE_BLUE));
  float bias = 0;
  std::memcpy(&bias, &a[4].value, sizeof bias);
  EXPECT_FLOAT_EQ(bias, -0.5f);
  EXPECT_EQ(a[5].kind, AssignKind::SamplerBind);
  EXPECT_EQ(a[5].index, 1u);
  EXPECT_EQ(a[6].kind, AssignKind::TextureBind);
  EXPECT_EQ(a[6].ref, 6);
  EXPECT_EQ(a[7].kind, AssignKind::SamplerState);
  EXPECT_EQ(a[7].index, 2u);
  EXPECT_EQ(a[8].kind, AssignKind::StageState);
  EXPECT_EQ(a[10].kind, AssignKind::VertexConstant);
  EXPECT_EQ(a[10].index, 4u);
  EXPECT_EQ(a[11].kind, AssignKind::PixelConstant);
  EXPECT_EQ(a[12].kind, AssignKind::VertexShader);
  EXPECT_EQ(a[13].kind, AssignKind::PixelShader);
  ASSERT_EQ(d.shaders.size(), 2u);
  EXPECT_EQ(d.shaders[0].version, DWORD(D3DVS_VERSION(2, 0)));
  EXPECT_EQ(d.shaders[1].version, DWORD(D3DPS_VERSION(2, 0)));
  EXPECT_TRUE(d.shaders[1].pixel);
  const auto& nulls = d.techniques[0].passes[1].assignments;
  ASSERT_EQ(nulls.size(), 2u);
  EXPECT_EQ(nulls[0].ref, -1);
  EXPECT_EQ(nulls[1].ref, -1);
}

TEST(EffectParser, ResourcePaddingAndByteOrderMarkAreIgnored) {
  std::string src = "\xEF\xBB\xBF" "float x = 1; technique T { pass { ZEnable = false; } }";
  src.append(16, '\0');
  src += "this is past the end and never read {{{";
  Description d;
  std::string error;
  ASSERT_TRUE(Parse(src, &d, &error)) << error;
  EXPECT_EQ(d.techniques.size(), 1u);
}

struct BadCase {
  const char* what;
  const char* source;
  int line;
  const char* message;  // a fragment the error must contain
};

const BadCase kBadCases[] = {
    {"HLSL function", "float x;\nfloat4 PS(float2 uv : TEXCOORD0) : COLOR { return 0; }\n", 2, "functions"},
    {"compiled shader", "technique T {\n pass {\n  PixelShader = compile ps_2_0 PS();\n }\n}\n", 3, "compiled HLSL"},
    {"unknown state", "technique T { pass {\n  Wobble = 3;\n} }", 2, "'Wobble' is not a state"},
    {"unknown value", "technique T { pass {\n\n  SrcBlend = Sometimes;\n} }", 3, "'Sometimes' is not a value of SrcBlend"},
    {"fractional value", "technique T { pass { AlphaRef = 0.5; } }", 1, "whole number"},
    {"render state with index", "technique T { pass { ZEnable[0] = true; } }", 1, "takes no index"},
    {"stage state without index", "technique T { pass { ColorOp = Modulate; } }", 1, "needs a stage"},
    {"stage out of range", "technique T { pass { MinFilter[16] = Linear; } }", 1, "index from 0 to 15"},
    {"unknown sampler", "technique T {\n pass {\n  Sampler[0] = (Nope);\n } }", 3, "unknown sampler 'Nope'"},
    {"texture that is a number", "float t;\ntechnique T { pass {\n Texture[0] = <t>; } }", 3, "not a texture"},
    {"constant from a texture", "texture t;\ntechnique T { pass { PixelShaderConstantF[0] = <t>; } }", 2, "is a texture"},
    {"constant past the last register", "float4x4 m;\ntechnique T { pass { VertexShaderConstantF[254] = <m>; } }", 2, "does not fit"},
    {"missing semicolon", "float x = 1\nfloat y;\ntechnique T { pass { } }", 2, "expected ';'"},
    {"wrong initialiser count", "float3 x = {1, 2};\ntechnique T { pass { } }", 1, "needs 3 values"},
    {"texture initialiser", "texture t = 1;\ntechnique T { pass { } }", 1, "no initialiser"},
    {"declared twice", "float x;\nfloat4 x;\ntechnique T { pass { } }", 2, "declared twice"},
    {"technique twice", "technique T { }\ntechnique T { }", 2, "declared twice"},
    {"outside types", "int count = 3;\ntechnique T { pass { } }", 1, "'int' is outside"},
    {"qualifier", "static float x;\ntechnique T { pass { } }", 1, "qualifier 'static'"},
    {"register binding", "float x : register(c0);\ntechnique T { pass { } }", 1, "register bindings"},
    {"parameter array", "float x[4];\ntechnique T { pass { } }", 1, "arrays"},
    {"preprocessor", "float x;\n#define Y 1\ntechnique T { pass { } }", 2, "preprocessor"},
    {"unclosed comment", "float x;\n/* never closed\n\n", 2, "comment is not closed"},
    {"unclosed string", "float x < string s = \"abc; >;\n", 1, "string is not closed"},
    {"unclosed asm", "technique T { pass {\n PixelShader = asm { ps_2_0 mov oC0, c0\n", 2, "asm block is not closed"},
    {"bad asm", "technique T {\n pass {\n  PixelShader = asm { ps_2_0\n frobnicate r0, r1\n  };\n } }", 4, "does not assemble"},
    {"vertex shader as pixel shader", "technique T { pass {\n PixelShader = asm { vs_2_0\n mov oPos, c0\n }; } }", 2, "needs a ps_"},
    {"pixel shader as vertex shader", "technique T { pass {\n VertexShader = asm { ps_2_0\n mov oC0, c0\n }; } }", 2, "needs a vs_"},
    {"render state from a parameter", "float r;\ntechnique T { pass { AlphaRef = <r>; } }", 2, "parameter references"},
    {"unclosed annotation", "float x < string s = \"a\";\n", 1, "annotation is not closed"},
    {"no technique", "float x = 1;\n", 1, "no technique"},
    {"empty source", "", 1, "no technique"},
    {"binary bytes", "\x01\x02\x03\x04", 1, "unexpected character"},
};

TEST(EffectParser, RefusesWhatIsOutsideTheSubsetWithItsLine) {
  for (const BadCase& c : kBadCases) {
    SCOPED_TRACE(c.what);
    Description d;
    std::string error;
    EXPECT_FALSE(Parse(c.source, &d, &error));
    EXPECT_EQ(error.rfind("line " + std::to_string(c.line) + ":", 0), 0u) << error;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_TRUE(d.techniques.empty());
  }
}

// Every prefix of a valid source is a truncated document: each must either parse or fail
// cleanly, never read past its end.
TEST(EffectParser, TruncatedSourcesFailCleanly) {
  const std::string full = kFull;
  int failures = 0;
  for (size_t n = 0; n < full.size(); ++n) {
    const std::string cut = full.substr(0, n);
    Description d;
    std::string error;
    if (!ParseEffect(cut.data(), cut.size(), &d, &error)) {
      ++failures;
      EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
    }
  }
  EXPECT_GT(failures, 0);
}

// Hostile bytes: every byte of a valid source replaced in turn by characters that open or
// close blocks, end statements or are not text at all.
TEST(EffectParser, CorruptedSourcesFailCleanly) {
  const std::string full = kFull;
  const char replacements[] = {'{', '}', ';', '<', '"', '\0', '\x80', '/'};
  for (size_t i = 0; i < full.size(); i += 3) {
    for (char r : replacements) {
      std::string bad = full;
      bad[i] = r;
      Description d;
      std::string error;
      if (!ParseEffect(bad.data(), bad.size(), &d, &error)) {
        EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
        EXPECT_TRUE(d.techniques.empty());
      }
    }
  }
}

// Hostile nesting: a run of opening braces in an initialiser must be refused, not
// recurse until the stack runs out.
TEST(EffectParser, DeeplyNestedInitialiserFailsCleanly) {
  const std::string src = "float4 x =\n" + std::string(200000, '{') + "1";
  Description d;
  std::string error;
  EXPECT_FALSE(Parse(src, &d, &error));
  EXPECT_EQ(error.rfind("line 2:", 0), 0u) << error;
  EXPECT_NE(error.find("nest too deep"), std::string::npos) << error;

  // Nesting a real source uses still parses.
  ASSERT_TRUE(Parse("float4x4 m = {{1,0,0,0},{0,1,0,0},{0,0,1,0},{0,0,0,1}};\ntechnique T { }", &d, &error))
      << error;
  EXPECT_FLOAT_EQ(d.params[0].value[5], 1.0f);
}

// A source as large as the parser takes, made of hundreds of thousands of declarations
// and references: every name is looked up once, so it parses in a moment instead of
// comparing each name with all the others.
TEST(EffectParser, SourceOfManyDeclarationsParses) {
  constexpr int kCount = 150000;
  std::string src;
  for (int i = 0; i < kCount; ++i) src += "float p" + std::to_string(i) + ";\n";
  src += "technique T { pass {\n";
  for (int i = 0; i < kCount; i += 150) src += "PixelShaderConstantF[0] = <p" + std::to_string(i) + ">;\n";
  src += "} }\n";
  Description d;
  std::string error;
  ASSERT_TRUE(Parse(src, &d, &error)) << error;
  EXPECT_EQ(d.params.size(), size_t(kCount));
  ASSERT_EQ(d.techniques[0].passes[0].assignments.size(), size_t(kCount / 150));
  EXPECT_EQ(d.techniques[0].passes[0].assignments.back().ref, kCount - 150);

  src += "float p" + std::to_string(kCount / 2) + ";\n";
  EXPECT_FALSE(Parse(src, &d, &error));
  EXPECT_NE(error.find("declared twice"), std::string::npos) << error;
}

TEST(EffectParser, OversizedSourceIsRefused) {
  std::string src = "technique T { }";
  src.append((4u << 20) + 1 - src.size(), ' ');
  Description d;
  std::string error;
  EXPECT_FALSE(Parse(src, &d, &error));
  EXPECT_NE(error.find("larger than 4 MB"), std::string::npos) << error;
  src.pop_back();  // exactly the limit
  EXPECT_TRUE(Parse(src, &d, &error)) << error;
}

TEST(EffectParser, NullTextIsAnError) {
  Description d;
  std::string error;
  EXPECT_FALSE(ParseEffect(nullptr, 100, &d, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
