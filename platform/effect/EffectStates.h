// The device states that an effect pass may assign, by the names effect files use for
// them, with the symbolic values each accepts.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <string_view>

namespace effect {

// Which device call a state name stands for.
enum class StateKind {
  Render,        // SetRenderState
  Sampler,       // SetSamplerState (needs a stage index in a pass)
  TextureStage,  // SetTextureStageState (needs a stage index)
};

// How a state's value is written in the source.
enum class ValueKind {
  Bool, Uint, Float, Blend, BlendOp, Compare, Cull, Fill, Shade, StencilOp, ColorWrite,
  Filter, Address, TextureOp, TextureArg, TransformFlags,
};

struct StateInfo {
  const char* name;
  StateKind kind;
  DWORD state;  // D3DRENDERSTATETYPE, D3DSAMPLERSTATETYPE or D3DTEXTURESTAGESTATETYPE
  ValueKind value;
};

// Looks a state name up (case-insensitive); null when the subset does not know it.
const StateInfo* FindState(std::string_view name);

// The value of a symbolic name for a value kind (case-insensitive); false when unknown.
bool FindStateValue(ValueKind kind, std::string_view name, DWORD* value);

}  // namespace effect
