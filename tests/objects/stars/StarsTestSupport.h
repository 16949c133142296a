#pragma once
// A falling-stars or firework description's runtime object and its generator, as a slide
// builds them.
#include "core/render/RenderMath.h"
#include "objects/particles/FallingStars.h"
#include "objects/particles/Fireworks.h"

#include <cmath>
#include <memory>

namespace tw_test {

template <class G>
struct RunningGenerator {
  explicit RunningGenerator(G& description)
      : object(static_cast<DS_ParticlesObj*>(description.CreateRuntimeObject())),
        generator(static_cast<G*>(object->Generator())) {}

  // One update of the runtime object at object time t.
  void Update(float t) { object->UpdateFrame(t); }
  DS_ParticlesObj& Runtime() { return *object; }
  G& operator*() { return *generator; }
  G* operator->() { return generator; }

  std::unique_ptr<DS_ParticlesObj> object;
  G* generator;
};

// RandomDirection's vector worked out from its two uniform draws (degrees over 360):
// (L cos a cos b, L sin a, -L cos a sin b).
inline D3DXVECTOR3 ExpectedDirection(float length, float unitA, float unitB) {
  const double a = double(unitA) * 360.0 * 3.14159265358979 / 180.0;
  const double b = double(unitB) * 360.0 * 3.14159265358979 / 180.0;
  return D3DXVECTOR3(float(length * std::cos(a) * std::cos(b)), float(length * std::sin(a)),
                     float(-length * std::cos(a) * std::sin(b)));
}

}  // namespace tw_test
