#pragma once

// A point for interaction-box normalisation.
struct genericVector {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

// An interaction box: centre x, y, z, then width, height, depth (millimetres).
struct genericBox {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float width = 0.0f;
  float height = 0.0f;
  float depth = 0.0f;
};
