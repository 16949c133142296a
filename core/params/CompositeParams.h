#pragma once
// Composite parameters (colour, rectangle, quad, direction, sector, random time range) and
// the random helpers. Every random draw uses the C runtime's rand (0..32767); the order of
// draws is part of the behaviour because some objects reseed rand to repeat a pattern.

#include "core/archive/DS_IOF.h"
#include "core/params/MediaParam.h"
#include "core/params/ScaledParams.h"

#include <cstdlib>

// lo + (rand() / 32767) x (hi - lo). One draw.
float RandomFloat(float lo, float hi);

// A colour 0x00BBGGRR with a transparency percentage whose derived value is the alpha
// byte (255 at 0 %, 0 at 100 %).
class MediaColor : public MediaParamT<unsigned long> {
public:
  MediaColor() : MediaColor(0x00FFFFFFul) {}
  explicit MediaColor(unsigned long color, unsigned transparencyPercent = 0)
      : MediaParamT<unsigned long>(color), transparency(transparencyPercent, -2.55f, 255.0f) {}
  MediaColor(const MediaColor& other)
      : MediaParamT<unsigned long>(other), transparency(other.transparency) {}
  MediaColor& operator=(const MediaColor& other) {
    MediaParamT<unsigned long>::operator=(other);
    transparency = other.transparency;
    return *this;
  }

  unsigned char Alpha() const { return transparency.Derived(); }
  // The vertex colour 0xAARRGGBB: red moves to bits 16-23, blue to bits 0-7.
  DWORD ToARGB(unsigned char alpha) const { return ColorToARGB(m_Value, alpha); }
  DWORD ToARGB() const { return ToARGB(Alpha()); }
  static DWORD ColorToARGB(unsigned long bgr, unsigned char alpha) {
    return (DWORD(alpha) << 24) | ((bgr & 0xFFu) << 16) | (bgr & 0xFF00u) | ((bgr >> 16) & 0xFFu);
  }
  // The colour an effect receives: red, green, blue each divided by 255.
  void ToFloat3(float rgb[3]) const {
    rgb[0] = float(m_Value & 0xFFu) / 255.0f;
    rgb[1] = float((m_Value >> 8) & 0xFFu) / 255.0f;
    rgb[2] = float((m_Value >> 16) & 0xFFu) / 255.0f;
  }

  UINTSclaleTo<unsigned char> transparency;
};

// An integer rectangle in picture pixels, with two further integers its owner uses.
// Archive layout: six 4-byte values (left, right, top, bottom, extra 1, extra 2).
class MediaRectangle : public MediaParam {
public:
  MediaRectangle() = default;
  MediaRectangle(int l, int r, int t, int b) : left(l), right(r), top(t), bottom(b) {}
  MediaRectangle(const MediaRectangle& other)
      : MediaParam(), left(other.left.Get()), right(other.right.Get()), top(other.top.Get()),
        bottom(other.bottom.Get()), extra1(other.extra1.Get()), extra2(other.extra2.Get()) {}
  MediaRectangle& operator=(const MediaRectangle& other);

  void Write(DS_IOF_Virtual& archive) const;
  // Stores the six values without notification.
  void Read(DS_IOF_Virtual& archive);
  // True when the screen point, mapped onto the picture, lies inside (edges inclusive).
  bool ContainsScreenPoint(float x, float y) const;
  // The same test on a point already in picture coordinates.
  bool ContainsStagePoint(float x, float y) const;

  MediaParamT<int> left, right, top, bottom;
  MediaParamTB<int> extra1, extra2;
};

// Four corners in triangle-strip order: 0 (left, top), 1 (left, bottom), 2 (right, top),
// 3 (right, bottom). Archive layout: twelve floats, corner by corner.
class MediaQuad : public MediaParam {
public:
  MediaQuad() = default;
  MediaQuad(const MediaQuad& other) : MediaParam() {
    for (int i = 0; i < 4; ++i) corners[i].Store(other.corners[i].Get());
  }
  MediaQuad& operator=(const MediaQuad& other) {
    for (int i = 0; i < 4; ++i) corners[i].Store(other.corners[i].Get());
    return *this;
  }

  void Write(DS_IOF_Virtual& archive) const;
  void Read(DS_IOF_Virtual& archive);
  // Corners around a centre, stored without notification.
  void SetFromCenter(const D3DXVECTOR3& center, float width, float height);
  // A point between corner 0 and corner 3: y is drawn first, then x; z = 0.
  D3DXVECTOR3 GetRandomPoint() const;

  MediaParamTB<D3DXVECTOR3> corners[4];
};

// A direction in degrees with its direction and normal vectors, computed when the object
// is built or copied (setting the angle later does not recompute them).
class MediaDirection : public MediaParamT<unsigned> {
public:
  explicit MediaDirection(unsigned degrees = 0);
  MediaDirection(const MediaDirection& other);
  MediaDirection& operator=(const MediaDirection& other);

  // Recomputes the vectors from the current angle.
  void UpdateVectors();

  D3DXVECTOR4 direction;  // (cos a, sin a, 0, 0)
  D3DXVECTOR4 normal;     // (-sin a, cos a, 0, 0)
  DS_ParamBinder binder;
};

// A random direction within a sector: a base angle and a half width, in degrees.
class MediaSector : public MediaParamT<unsigned> {
public:
  explicit MediaSector(unsigned baseDegrees = 0, unsigned halfWidthDegrees = 0)
      : MediaParamT<unsigned>(baseDegrees), halfWidth(halfWidthDegrees) {}
  MediaSector(const MediaSector& other) = default;
  MediaSector& operator=(const MediaSector& other) = default;

  // One draw. Turns counter-clockwise on the screen as the angle grows.
  D3DXVECTOR3 GetRandomDirection() const;

  MediaParamT<unsigned> halfWidth;
};

// A range of times in hundredths of a second. Owners store minimum and maximum; the
// random flag is not stored.
class DS_RandomTimeRange {
public:
  DS_RandomTimeRange() : minimum(100u), maximum(100u) {}
  DS_RandomTimeRange(unsigned lo, unsigned hi, bool isRandom = true)
      : minimum(lo), maximum(hi), random(isRandom) {}

  MediaParamT<unsigned> minimum;
  MediaParamT<unsigned> maximum;
  bool random = true;
};

// Seconds drawn from the range: (minimum + rand() mod (maximum - minimum + 1)) x 0.01, one
// draw when the flag is set, none otherwise. A maximum below the minimum gives the
// minimum (after the one draw, so that the sequence stays in step).
float RandomRangeSeconds(const DS_RandomTimeRange& range);
