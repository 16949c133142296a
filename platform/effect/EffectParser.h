// Reads the subset of the effect-file syntax that the project's effect runtime runs:
//   - parameters: float, float2, float3, float4, float4x4 (optionally row_major or
//     column_major) and texture, each with an optional semantic, annotations and initialiser
//     ({a, b, ...}, a scalar, or floatN(...));
//   - samplers: sampler/sampler2D <name> = sampler_state { Texture = <param>; states; };
//   - techniques of passes whose assignments set render states, sampler states by stage
//     (MinFilter[0] = Linear), texture stage states by stage, Sampler[n] = (sampler),
//     Texture[n] = <param>, VertexShaderConstantF[n] / PixelShaderConstantF[n] = <param>,
//     and VertexShader / PixelShader = asm { ... } (vs_2_0, ps_2_0, ps_3_0, ...) or null.
// Anything else is an error that names its line. The parse uses no device: shaders are
// assembled to byte code here and created by the runtime.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <string>
#include <vector>

namespace effect {

enum class ParamType { Float, Float2, Float3, Float4, Float4x4, Texture };

struct Param {
  std::string name;
  ParamType type = ParamType::Float;
  bool rowMajor = false;  // float4x4 only: registers take rows instead of columns
  float value[16] = {};   // numeric value, row-major for matrices
  int line = 0;
};

// A state set by the runtime: sampler states, render states, texture stage states.
struct StateValue {
  DWORD state = 0;
  DWORD value = 0;
};

struct Sampler {
  std::string name;
  int texture = -1;  // index of a texture parameter, or -1
  std::vector<StateValue> states;
};

struct Shader {
  bool pixel = false;
  DWORD version = 0;  // D3DVS_VERSION / D3DPS_VERSION of the assembled code
  std::vector<DWORD> code;
  int line = 0;
};

enum class AssignKind {
  RenderState,    // state, value
  SamplerState,   // index = stage, state, value
  StageState,     // index = stage, state, value
  SamplerBind,    // index = stage, ref = sampler
  TextureBind,    // index = stage, ref = texture parameter (-1: none)
  VertexConstant, // index = first register, ref = numeric parameter
  PixelConstant,  // index = first register, ref = numeric parameter
  VertexShader,   // ref = shader (-1: none, the fixed-function pipeline)
  PixelShader,    // ref = shader (-1: none)
};

struct Assignment {
  AssignKind kind = AssignKind::RenderState;
  DWORD index = 0;
  DWORD state = 0;
  DWORD value = 0;
  int ref = -1;
};

struct Pass {
  std::string name;
  std::vector<Assignment> assignments;
};

struct Technique {
  std::string name;
  std::vector<Pass> passes;
};

struct Description {
  std::vector<Param> params;
  std::vector<Sampler> samplers;
  std::vector<Shader> shaders;
  std::vector<Technique> techniques;
};

// Number of shader constant registers a numeric parameter fills.
UINT RegisterCount(ParamType type);

// Parses the source; on failure returns false and sets *error to "line N: reason".
// A NUL byte ends the source (resources are often padded).
bool ParseEffect(const char* text, size_t size, Description* out, std::string* error);

}  // namespace effect
