#include "core/render/Device.h"

IDirect3DDevice9* g_Device = nullptr;
