#pragma once
// A model of the C runtime's rand (msvcrt's generator), for golden values that depend on
// the order of random draws: stored documents look the same only when every draw comes in
// the same order, so tests work out the values a class must produce from this model.
//
//   srand(7); tw_test::CrtRand model{7};
//   object.Place();                        // the code under test draws
//   EXPECT_FLOAT_EQ(x, model.Uniform(0, 640));
#include <cstdint>

namespace tw_test {

struct CrtRand {
  // state = state x 214013 + 2531011; a draw is bits 16..30 of the new state.
  std::uint32_t state = 1;

  int Next() {
    state = state * 214013u + 2531011u;
    return int((state >> 16) & 0x7FFF);
  }
  // rand() / 32767: the uniform value of the scene classes.
  float Unit() { return float(Next()) / 32767.0f; }
  // lo + rand() / 32767 x (hi - lo), as RandomFloat draws it.
  float Uniform(float lo, float hi) { return lo + Unit() * (hi - lo); }
  // Skips n draws.
  void Skip(int n) {
    for (int i = 0; i < n; ++i) Next();
  }
};

}  // namespace tw_test
