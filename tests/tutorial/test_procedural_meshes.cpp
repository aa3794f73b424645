// The scene's generators: sizes, areas, volumes, outward normals and closed surfaces, as plain
// geometry and once more as realised Ogre meshes.
#include <OgreDefaultHardwareBufferManager.h>
#include <OgreLogManager.h>
#include <OgreMaterialManager.h>
#include <OgreMesh.h>
#include <OgreMeshManager.h>
#include <OgreRoot.h>
#include <OgreSubMesh.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

#include "ProceduralMeshes.h"

using namespace velmo::procedural;

namespace {

constexpr double kPi = 3.14159265358979323846;

struct V3 {
  double x, y, z;
};
V3 sub(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 pos(const Vertex& v) { return {v.px, v.py, v.pz}; }
V3 nrm(const Vertex& v) { return {v.nx, v.ny, v.nz}; }

struct Measure {
  V3 min{1e30, 1e30, 1e30}, max{-1e30, -1e30, -1e30};
  double area = 0, volume = 0;
  V3 vectorArea{0, 0, 0};
  int facesAgainstNormals = 0;
  int normalsInwards = 0;
};

// Interior reference point for a vertex: normals must point away from it.
using Inside = std::function<V3(V3)>;

Measure measure(const MeshData& m, const Inside& inside) {
  Measure r;
  for (const Vertex& v : m.vertices) {
    r.min = {std::min(r.min.x, double(v.px)), std::min(r.min.y, double(v.py)), std::min(r.min.z, double(v.pz))};
    r.max = {std::max(r.max.x, double(v.px)), std::max(r.max.y, double(v.py)), std::max(r.max.z, double(v.pz))};
    const V3 p = pos(v);
    if (inside && dot(nrm(v), sub(p, inside(p))) <= 0) ++r.normalsInwards;
  }
  for (size_t t = 0; t + 2 < m.indices.size(); t += 3) {
    const Vertex& a = m.vertices.at(m.indices[t]);
    const Vertex& b = m.vertices.at(m.indices[t + 1]);
    const Vertex& c = m.vertices.at(m.indices[t + 2]);
    const V3 n = cross(sub(pos(b), pos(a)), sub(pos(c), pos(a)));
    const double twice = std::sqrt(dot(n, n));
    r.area += twice / 2;
    r.vectorArea = {r.vectorArea.x + n.x / 2, r.vectorArea.y + n.y / 2, r.vectorArea.z + n.z / 2};
    r.volume += dot(pos(a), cross(pos(b), pos(c))) / 6;
    if (twice > 1e-9) {
      const V3 sum{a.nx + b.nx + c.nx, a.ny + b.ny + c.ny, a.nz + b.nz + c.nz};
      if (dot(sum, n) <= 0) ++r.facesAgainstNormals;
    }
  }
  return r;
}

struct Shape {
  const char* name;
  std::function<MeshData()> make;
  V3 min, max;
  double area;
  double volume;  // < 0: open surface, not measured
  Inside inside;
};

Inside at(V3 c) {
  return [c](V3) { return c; };
}

}  // namespace

TEST(ProceduralMeshes, SizesAreasNormalsAndClosure) {
  const double R = 30, r = 3;
  const double bx = 5, by = 1.5, bz = 10, c = 1;
  const Shape shapes[] = {
      // First size along Z, second along X, normal +Y.
      {"plane", [] { return makePlane(500, 885, 10, 20); }, {-442.5, 0, -250}, {442.5, 0, 250}, 500 * 885, -1,
       [](V3 p) { return V3{p.x, p.y - 1, p.z}; }},
      {"box", [] { return makeBox(30, 20, 40); }, {-15, -10, -20}, {15, 10, 20}, 2 * (600 + 800 + 1200.0),
       30 * 20 * 40, at({0, 0, 0})},
      {"rounded box",
       [] { return makeRoundedBox(5, 1.5, 10, 1, 16); },
       {-3.5, -1.75, -6},
       {3.5, 1.75, 6},
       2 * (bx * by + by * bz + bx * bz) + 2 * kPi * c * (bx + by + bz) + 4 * kPi * c * c,
       bx * by * bz + 2 * c * (bx * by + by * bz + bx * bz) + kPi * c * c * (bx + by + bz) + 4 * kPi * c * c * c / 3,
       [](V3 p) { return V3{std::clamp(p.x, -2.5, 2.5), std::clamp(p.y, -0.75, 0.75), std::clamp(p.z, -5.0, 5.0)}; }},
      {"sphere", [] { return makeSphere(7, 64, 64); }, {-7, -7, -7}, {7, 7, 7}, 4 * kPi * 49,
       4 * kPi * 343 / 3, at({0, 0, 0})},
      {"torus", [] { return makeTorus(30, 3, 128, 32); }, {-R - r, -r, -R - r}, {R + r, r, R + r},
       4 * kPi * kPi * R * r, 2 * kPi * kPi * R * r * r,
       [](V3 p) {
         const double l = std::hypot(p.x, p.z);
         return V3{30 * p.x / l, 0, 30 * p.z / l};
       }},
      {"cylinder", [] { return makeCylinder(1, 4, 128, 3); }, {-1, 0, -1}, {1, 4, 1}, 2 * kPi * 4 + 2 * kPi,
       kPi * 4, at({0, 2, 0})},
      {"cone", [] { return makeCone(3, 3, 128, 2); }, {-3, 0, -3}, {3, 3, 3},
       kPi * 3 * std::sqrt(18.0) + kPi * 9, kPi * 9 * 3 / 3, at({0, 1, 0})},
  };
  for (const Shape& s : shapes) {
    SCOPED_TRACE(s.name);
    const MeshData mesh = s.make();
    ASSERT_EQ(mesh.indices.size() % 3, 0u);
    const Measure m = measure(mesh, s.inside);
    const double tol = 1e-3;
    EXPECT_NEAR(m.min.x, s.min.x, tol);
    EXPECT_NEAR(m.min.y, s.min.y, tol);
    EXPECT_NEAR(m.min.z, s.min.z, tol);
    EXPECT_NEAR(m.max.x, s.max.x, tol);
    EXPECT_NEAR(m.max.y, s.max.y, tol);
    EXPECT_NEAR(m.max.z, s.max.z, tol);
    EXPECT_NEAR(m.area, s.area, s.area * 0.01);
    EXPECT_EQ(m.facesAgainstNormals, 0);
    EXPECT_EQ(m.normalsInwards, 0);
    if (s.volume > 0) {
      // A closed surface has no net vector area; outward winding gives a positive volume.
      EXPECT_NEAR(std::sqrt(dot(m.vectorArea, m.vectorArea)), 0.0, s.area * 1e-5);
      EXPECT_NEAR(m.volume, s.volume, s.volume * 0.01);
    } else {
      EXPECT_NEAR(m.vectorArea.y, s.area, s.area * 1e-5);
    }
  }
}

TEST(ProceduralMeshes, RealisedMeshesKeepGeometryAndReplaceByName) {
  Ogre::LogManager logs;
  logs.createLog("", true, false, true);
  Ogre::Root root("", "", "");
  auto buffers = std::make_unique<Ogre::DefaultHardwareBufferManager>();
  Ogre::MaterialManager::getSingleton().initialise();
  Ogre::MeshManager::getSingleton().setBoundsPaddingFactor(0);
  struct Case {
    const char* name;
    MeshData data;
    Ogre::Vector3 min, max;
  };
  const Case cases[] = {
      {"planeMesh", makePlane(1500, 1500, 100, 100), {-750, 0, -750}, {750, 0, 750}},
      {"myCone0", makeCone(3, 3, 36, 2), {-3, 0, -3}, {3, 3, 3}},
      {"Icon0", makeBox(30, 20, 40), {-15, -10, -20}, {15, 10, 20}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    realiseMesh(c.data, c.name);
    Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().getByName(c.name, "General");
    ASSERT_TRUE(mesh);
    ASSERT_EQ(mesh->getNumSubMeshes(), 1u);
    EXPECT_EQ(mesh->getSubMesh(0)->vertexData->vertexCount, c.data.vertices.size());
    EXPECT_EQ(mesh->getSubMesh(0)->indexData->indexCount, c.data.indices.size());
    EXPECT_TRUE(mesh->getBounds().getMinimum().positionEquals(c.min, 1e-3f));
    EXPECT_TRUE(mesh->getBounds().getMaximum().positionEquals(c.max, 1e-3f));
  }
  // A second mesh under a used name replaces the first.
  realiseMesh(makeBox(90, 30, 90), "Icon0");
  EXPECT_TRUE(Ogre::MeshManager::getSingleton().getByName("Icon0", "General")->getBounds().getMaximum().positionEquals(
      {45, 15, 45}, 1e-3f));
  Ogre::MeshManager::getSingleton().removeAll();
}
