#pragma once
// The one Direct3D device every drawing routine works on. The Direct3D host sets it
// when it creates the device; tests set it to their own.
#include <d3d9.h>

#include "platform/ComPtr.h"

extern IDirect3DDevice9* g_Device;
