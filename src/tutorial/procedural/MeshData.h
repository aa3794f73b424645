#pragma once

#include <cstdint>
#include <vector>

namespace velmo::procedural {

struct Vertex {
  float px, py, pz;
  float nx, ny, nz;
  float u, v;
};

// Triangle list, counter-clockwise seen from the side the normals point to.
struct MeshData {
  std::vector<Vertex> vertices;
  std::vector<uint32_t> indices;
};

// Appends a (columns + 1) x (rows + 1) vertex grid as quads; place(i, j) fills vertex (i, j).
// Rows grow along the second tangent: (i, j), (i + 1, j), (i + 1, j + 1) is counter-clockwise when
// the first tangent crossed with the second points outwards.
template <typename Place>
void appendGrid(MeshData& mesh, int columns, int rows, Place place) {
  const auto base = static_cast<uint32_t>(mesh.vertices.size());
  for (int j = 0; j <= rows; ++j) {
    for (int i = 0; i <= columns; ++i) mesh.vertices.push_back(place(i, j));
  }
  const auto stride = static_cast<uint32_t>(columns + 1);
  for (int j = 0; j < rows; ++j) {
    for (int i = 0; i < columns; ++i) {
      const uint32_t a = base + static_cast<uint32_t>(j) * stride + static_cast<uint32_t>(i);
      const uint32_t b = a + 1;
      const uint32_t c = a + stride + 1;
      const uint32_t d = a + stride;
      mesh.indices.insert(mesh.indices.end(), {a, b, c, a, c, d});
    }
  }
}

}  // namespace velmo::procedural
