#include "core/render/RenderMath.h"

#include <cstdlib>

D3DXMATRIX* ScaleAboutPoint(const D3DXVECTOR3& centre, D3DXMATRIX* out, float sx, float sy, float sz)
{
  D3DXMATRIX to, scale, back;
  D3DXMatrixTranslation(&to, -centre.x, -centre.y, -centre.z);
  D3DXMatrixScaling(&scale, sx, sy, sz);
  D3DXMatrixTranslation(&back, centre.x, centre.y, centre.z);
  D3DXMatrixMultiply(out, &to, &scale);
  D3DXMatrixMultiply(out, out, &back);
  return out;
}

D3DXVECTOR3* RandomRotatedVector(D3DXVECTOR3* out, float length, float a, float b)
{
  const float degrees = a + static_cast<float>(std::rand()) / 32767.0f * (b - a);
  D3DXMATRIX rz;
  D3DXMatrixRotationZ(&rz, DegreesToRadians(degrees));
  const D3DXVECTOR3 v(length, 0.0f, 0.0f);
  D3DXVec3TransformCoord(out, &v, &rz);
  return out;
}

D3DXVECTOR3* RandomDirection(D3DXVECTOR3* out, float length)
{
  D3DXVECTOR3 v;
  RandomRotatedVector(&v, length, 0.0f, 360.0f);
  const float degrees = static_cast<float>(std::rand()) / 32767.0f * 360.0f;
  D3DXMATRIX ry;
  D3DXMatrixRotationY(&ry, DegreesToRadians(degrees));
  D3DXVec3TransformCoord(out, &v, &ry);
  return out;
}
