#include "core/params/CompositeParams.h"

#include <cmath>

namespace {
constexpr float kPi = 3.1415927f;
constexpr float kRandMax = 32767.0f;
}  // namespace

float RandomFloat(float lo, float hi) {
  return lo + (float(rand()) / kRandMax) * (hi - lo);
}

float RandomRangeSeconds(const DS_RandomTimeRange& range) {
  const unsigned lo = range.minimum.Get();
  const unsigned hi = range.maximum.Get();
  if (!range.random) return float(double(lo) * 0.01);
  const int drawn = rand();
  // n = hi - lo + 1 in 64 bits: a maximum one below the minimum would make it 0 (a
  // modulo by zero) and a wider gap would wrap around to a huge range.
  if (hi < lo) return float(double(lo) * 0.01);
  const unsigned long long n = static_cast<unsigned long long>(hi) - lo + 1;
  const unsigned long long r = static_cast<unsigned long long>(drawn) % n;
  return float(double(lo + r) * 0.01);
}

// ---------------------------------------------------------------------------------------

MediaRectangle& MediaRectangle::operator=(const MediaRectangle& other) {
  left.Store(other.left.Get());
  right.Store(other.right.Get());
  top.Store(other.top.Get());
  bottom.Store(other.bottom.Get());
  extra1.Store(other.extra1.Get());
  extra2.Store(other.extra2.Get());
  return *this;
}

void MediaRectangle::Write(DS_IOF_Virtual& archive) const {
  const long values[6] = {left.Get(), right.Get(), top.Get(), bottom.Get(), extra1.Get(), extra2.Get()};
  for (long value : values) archive.WriteLong(value);
}

void MediaRectangle::Read(DS_IOF_Virtual& archive) {
  MediaParamTB<int>* fields[6] = {&left, &right, &top, &bottom, &extra1, &extra2};
  for (MediaParamTB<int>* field : fields) {
    long value = field->Get();
    archive.ReadLong(value);
    field->Store(int(value));
  }
}

bool MediaRectangle::ContainsStagePoint(float x, float y) const {
  return float(left.Get()) <= x && x <= float(right.Get()) && float(top.Get()) <= y &&
         y <= float(bottom.Get());
}

// ---------------------------------------------------------------------------------------

void MediaQuad::Write(DS_IOF_Virtual& archive) const {
  for (const auto& corner : corners) WriteVector3(archive, corner.Get());
}

void MediaQuad::Read(DS_IOF_Virtual& archive) {
  for (auto& corner : corners) ReadVector3(archive, corner.Raw());
}

void MediaQuad::SetFromCenter(const D3DXVECTOR3& c, float w, float h) {
  corners[0].Store(D3DXVECTOR3(c.x - w / 2, c.y - h / 2, c.z));
  corners[1].Store(D3DXVECTOR3(c.x - w / 2, c.y + h / 2, c.z));
  corners[2].Store(D3DXVECTOR3(c.x + w / 2, c.y - h / 2, c.z));
  corners[3].Store(D3DXVECTOR3(c.x + w / 2, c.y + h / 2, c.z));
}

D3DXVECTOR3 MediaQuad::GetRandomPoint() const {
  const D3DXVECTOR3& a = corners[0].Get();
  const D3DXVECTOR3& b = corners[3].Get();
  // Stored behaviour: y is drawn before x.
  const float y = a.y + (float(rand()) / kRandMax) * (b.y - a.y);
  const float x = a.x + (float(rand()) / kRandMax) * (b.x - a.x);
  return D3DXVECTOR3(x, y, 0.0f);
}

// ---------------------------------------------------------------------------------------

MediaDirection::MediaDirection(unsigned degrees) : MediaParamT<unsigned>(degrees) { UpdateVectors(); }

MediaDirection::MediaDirection(const MediaDirection& other) : MediaParamT<unsigned>(other) {
  UpdateVectors();
}

MediaDirection& MediaDirection::operator=(const MediaDirection& other) {
  MediaParamT<unsigned>::operator=(other);
  UpdateVectors();
  return *this;
}

void MediaDirection::UpdateVectors() {
  D3DXMATRIX rotation;
  D3DXMatrixRotationZ(&rotation, float(Get()) * kPi / 180.0f);
  const D3DXVECTOR4 x(1.0f, 0.0f, 0.0f, 0.0f);
  const D3DXVECTOR4 y(0.0f, 1.0f, 0.0f, 0.0f);
  D3DXVec4Transform(&direction, &x, &rotation);
  D3DXVec4Transform(&normal, &y, &rotation);
}

// ---------------------------------------------------------------------------------------

D3DXVECTOR3 MediaSector::GetRandomDirection() const {
  const float w = float(halfWidth.Get());
  const float angle = float(Get()) + (-w + (float(rand()) / kRandMax) * 2.0f * w);
  const float b = (360.0f - angle) * kPi / 180.0f;
  return D3DXVECTOR3(std::cos(b), std::sin(b), 0.0f);
}
