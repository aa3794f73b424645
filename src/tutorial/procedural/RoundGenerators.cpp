#include <algorithm>
#include <cmath>

#include "ProceduralMeshes.h"

namespace velmo::procedural {

namespace {

constexpr float kTwoPi = 6.28318530717958647692f;
constexpr float kPi = 3.14159265358979323846f;

// A flat disc at height y; up selects the +Y (top) or -Y (bottom) face.
void appendCap(MeshData& mesh, float radius, float y, int segments, bool up) {
  const float ny = up ? 1.0f : -1.0f;
  // Angle runs clockwise seen from above for the top cap (radius first, angle second:
  // R x T points down for increasing angle), so flip the angle direction there.
  appendGrid(mesh, 1, segments, [&](int i, int j) {
    const float t = static_cast<float>(j) / static_cast<float>(segments);
    const float a = (up ? -t : t) * kTwoPi;
    const float r = radius * static_cast<float>(i);
    return Vertex{r * std::cos(a), y, r * std::sin(a), 0.0f, ny, 0.0f, t, static_cast<float>(i)};
  });
}

}  // namespace

MeshData makeSphere(float radius, int rings, int segments) {
  rings = std::max(2, rings);
  segments = std::max(3, segments);
  MeshData mesh;
  // First tangent: around (east), second: from the north pole southwards; east x south = out.
  appendGrid(mesh, segments, rings, [&](int i, int j) {
    const float u = static_cast<float>(i) / static_cast<float>(segments);
    const float v = static_cast<float>(j) / static_cast<float>(rings);
    const float phi = u * kTwoPi;
    // Exact poles, so that their fans close without slivers.
    const float sinTheta = (j == 0 || j == rings) ? 0.0f : std::sin(v * kPi);
    const float ny = j == 0 ? 1.0f : j == rings ? -1.0f : std::cos(v * kPi);
    const float nx = sinTheta * std::cos(phi);
    const float nz = sinTheta * std::sin(phi);
    return Vertex{radius * nx, radius * ny, radius * nz, nx, ny, nz, u, v};
  });
  return mesh;
}

MeshData makeTorus(float radius, float sectionRadius, int circleSegments, int sectionSegments) {
  circleSegments = std::max(3, circleSegments);
  sectionSegments = std::max(3, sectionSegments);
  MeshData mesh;
  appendGrid(mesh, sectionSegments, circleSegments, [&](int i, int j) {
    const float u = static_cast<float>(i) / static_cast<float>(sectionSegments);
    const float v = static_cast<float>(j) / static_cast<float>(circleSegments);
    const float phi = v * kTwoPi;   // around the ring
    const float psi = u * kTwoPi;   // around the section
    const float cx = std::cos(phi);
    const float cz = std::sin(phi);
    const float nx = std::cos(psi) * cx;
    const float ny = std::sin(psi);
    const float nz = std::cos(psi) * cz;
    return Vertex{radius * cx + sectionRadius * nx, sectionRadius * ny, radius * cz + sectionRadius * nz,
                  nx, ny, nz, u, v};
  });
  return mesh;
}

namespace {

// Side of a cylinder or cone: radius r0 at y = 0, r1 at y = height.
MeshData makeSlopedSide(float r0, float r1, float height, int baseSegments, int heightSegments) {
  baseSegments = std::max(3, baseSegments);
  heightSegments = std::max(1, heightSegments);
  MeshData mesh;
  // Slant normal: radial part height, vertical part r0 - r1.
  const float slant = std::sqrt(height * height + (r0 - r1) * (r0 - r1));
  const float radial = slant > 0.0f ? height / slant : 1.0f;
  const float upward = slant > 0.0f ? (r0 - r1) / slant : 0.0f;
  // First tangent: upwards, second: around the Y axis from X towards Z; up x around = out.
  appendGrid(mesh, heightSegments, baseSegments, [&](int i, int j) {
    const float u = static_cast<float>(i) / static_cast<float>(heightSegments);
    const float v = static_cast<float>(j) / static_cast<float>(baseSegments);
    const float a = v * kTwoPi;
    const float r = r0 + (r1 - r0) * u;
    const float c = std::cos(a);
    const float s = std::sin(a);
    return Vertex{r * c, height * u, r * s, radial * c, upward, radial * s, v, u};
  });
  return mesh;
}

void append(MeshData& to, const MeshData& from) {
  const auto base = static_cast<uint32_t>(to.vertices.size());
  to.vertices.insert(to.vertices.end(), from.vertices.begin(), from.vertices.end());
  for (uint32_t index : from.indices) to.indices.push_back(base + index);
}

}  // namespace

MeshData makeCylinder(float radius, float height, int baseSegments, int heightSegments) {
  baseSegments = std::max(3, baseSegments);
  MeshData mesh = makeSlopedSide(radius, radius, height, baseSegments, heightSegments);
  MeshData caps;
  appendCap(caps, radius, 0.0f, baseSegments, false);
  appendCap(caps, radius, height, baseSegments, true);
  append(mesh, caps);
  return mesh;
}

MeshData makeCone(float radius, float height, int baseSegments, int heightSegments) {
  baseSegments = std::max(3, baseSegments);
  MeshData mesh = makeSlopedSide(radius, 0.0f, height, baseSegments, heightSegments);
  MeshData cap;
  appendCap(cap, radius, 0.0f, baseSegments, false);
  append(mesh, cap);
  return mesh;
}

}  // namespace velmo::procedural
