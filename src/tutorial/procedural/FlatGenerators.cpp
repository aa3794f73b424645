#include <algorithm>
#include <array>
#include <cmath>

#include "ProceduralMeshes.h"

namespace velmo::procedural {

MeshData makePlane(float sizeZ, float sizeX, int segmentsZ, int segmentsX) {
  segmentsZ = std::max(1, segmentsZ);
  segmentsX = std::max(1, segmentsX);
  MeshData mesh;
  // First tangent Z, second X: Z x X = +Y.
  appendGrid(mesh, segmentsZ, segmentsX, [&](int i, int j) {
    const float u = static_cast<float>(i) / static_cast<float>(segmentsZ);
    const float v = static_cast<float>(j) / static_cast<float>(segmentsX);
    return Vertex{(v - 0.5f) * sizeX, 0.0f, (u - 0.5f) * sizeZ, 0.0f, 1.0f, 0.0f, u, v};
  });
  return mesh;
}

namespace {

// Six faces of the outer box (half sizes of the inner box plus the chamfer). Each face is a grid
// over the coordinates in `stops` for its two tangent axes; a point q of the outer box is pulled to
// clamp(q, inner) + chamfer x unit(q - clamp(q, inner)), which leaves the flat parts flat and bends
// the bands beside the edges into quarter cylinders and the corners into sphere octants.
MeshData cubeSurface(const std::array<float, 3>& half, float chamfer,
                     const std::array<std::vector<float>, 3>& stops) {
  MeshData mesh;
  for (int axis = 0; axis < 3; ++axis) {
    for (int sign = -1; sign <= 1; sign += 2) {
      // Tangents chosen so that first x second = outward normal.
      int ta = (axis + 1) % 3;
      int tb = (axis + 2) % 3;
      if (sign < 0) std::swap(ta, tb);
      const auto& sa = stops[ta];
      const auto& sb = stops[tb];
      appendGrid(mesh, static_cast<int>(sa.size()) - 1, static_cast<int>(sb.size()) - 1, [&](int i, int j) {
        float q[3];
        q[axis] = static_cast<float>(sign) * (half[axis] + chamfer);
        q[ta] = sa[i];
        q[tb] = sb[j];
        float p[3];
        float n[3];
        float len2 = 0.0f;
        for (int k = 0; k < 3; ++k) {
          p[k] = std::clamp(q[k], -half[k], half[k]);
          n[k] = q[k] - p[k];
          len2 += n[k] * n[k];
        }
        if (chamfer > 0.0f && len2 > 0.0f) {
          const float len = std::sqrt(len2);
          for (int k = 0; k < 3; ++k) {
            n[k] /= len;
            p[k] += chamfer * n[k];
          }
        } else {
          for (int k = 0; k < 3; ++k) {
            n[k] = k == axis ? static_cast<float>(sign) : 0.0f;
            p[k] = q[k];
          }
        }
        const float u = static_cast<float>(i) / static_cast<float>(sa.size() - 1);
        const float v = static_cast<float>(j) / static_cast<float>(sb.size() - 1);
        return Vertex{p[0], p[1], p[2], n[0], n[1], n[2], u, v};
      });
    }
  }
  return mesh;
}

}  // namespace

MeshData makeBox(float sizeX, float sizeY, float sizeZ) {
  const std::array<float, 3> half{sizeX / 2, sizeY / 2, sizeZ / 2};
  std::array<std::vector<float>, 3> stops;
  for (int k = 0; k < 3; ++k) stops[k] = {-half[k], half[k]};
  return cubeSurface(half, 0.0f, stops);
}

MeshData makeRoundedBox(float sizeX, float sizeY, float sizeZ, float chamfer, int chamferSegments) {
  if (!(chamfer > 0.0f)) return makeBox(sizeX, sizeY, sizeZ);
  chamferSegments = std::max(1, chamferSegments);
  const std::array<float, 3> half{sizeX / 2, sizeY / 2, sizeZ / 2};
  std::array<std::vector<float>, 3> stops;
  // Each face carries half of every rounded band (0 to 45 degrees); spacing the stops by the tangent
  // of equal angles makes the bands of two neighbouring faces meet with the same step.
  const double quarter = std::atan(1.0);
  for (int k = 0; k < 3; ++k) {
    std::vector<float> band;
    for (int s = 0; s <= chamferSegments; ++s) {
      band.push_back(chamfer * static_cast<float>(std::tan(quarter * s / chamferSegments)));
    }
    auto& out = stops[k];
    for (int s = chamferSegments; s >= 0; --s) out.push_back(-half[k] - band[s]);
    for (int s = 0; s <= chamferSegments; ++s) {
      const float value = half[k] + band[s];
      if (s == 0 && half[k] <= 0.0f) continue;  // a flat inner size has no middle part
      out.push_back(value);
    }
  }
  return cubeSurface(half, chamfer, stops);
}

}  // namespace velmo::procedural
