// The project's own effect runtime: runs a parsed effect (EffectParser.h) on a device.
#pragma once

#include "platform/effect/Effect.h"

// Parses the source and builds a runtime effect; null (and *errors set) when the source
// is outside the subset or a shader does not assemble or create.
Effect* CreateOwnRuntimeEffect(IDirect3DDevice9* device, const void* bytes, size_t size,
                               std::string* errors);
