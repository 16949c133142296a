#pragma once
// One-dimensional value noise for lightning, pattern, water and distortion effects.

// Cosine-interpolated lattice noise in (-1, 1]. The lattice hash runs in unsigned 32-bit
// arithmetic; an x beyond the 32-bit lattice wraps around it, and NaN reads as 0.
double ValueNoise1D(double x);
// Sum over octaves i of persistence^i x ValueNoise1D(2^i x / scale); 0 for octaves <= 0.
double FractalNoise1D(double x, double scale, double persistence, int octaves);

// The lattice value at integer m: 1 - hash(m) / 2^30.
double NoiseLatticeValue(unsigned int m);
