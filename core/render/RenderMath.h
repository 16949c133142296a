#pragma once
// Small matrix and vector helpers shared by the drawing code.
#include <d3dx9math.h>

// Angles are stored in whole degrees; stored documents were made with this value of pi.
constexpr float kPi = 3.1415927f;
inline float DegreesToRadians(float degrees) { return degrees * kPi / 180.0f; }

// Translate(-c) x Scale(sx, sy, sz) x Translate(c).
D3DXMATRIX* ScaleAboutPoint(const D3DXVECTOR3& centre, D3DXMATRIX* out, float sx, float sy, float sz);

// (length, 0, 0) rotated about Z by a + rand()/32767 x (b - a) degrees.
D3DXVECTOR3* RandomRotatedVector(D3DXVECTOR3* out, float length, float a, float b);
// RandomRotatedVector(length, 0, 360), then rotated about Y by rand()/32767 x 360 degrees.
D3DXVECTOR3* RandomDirection(D3DXVECTOR3* out, float length);
