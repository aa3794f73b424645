#pragma once

#include <string>

#include "MeshData.h"

namespace Ogre {
class Mesh;
}

// Our own geometry for the tutorial scene. Segment counts below 1 (3 for round directions) are
// raised to that minimum.
namespace velmo::procedural {

// Normal +Y, centred at the origin; the first size runs along Z, the second along X.
MeshData makePlane(float sizeZ, float sizeX, int segmentsZ, int segmentsX);
// Sizes along X, Y and Z, centred at the origin.
MeshData makeBox(float sizeX, float sizeY, float sizeZ);
// The sizes are those of the inner box; the chamfer rounds it outwards, so the whole body is
// size + 2 x chamfer along each axis.
MeshData makeRoundedBox(float sizeX, float sizeY, float sizeZ, float chamfer, int chamferSegments = 8);
MeshData makeSphere(float radius, int rings, int segments);
// The ring lies in the XZ plane around the origin.
MeshData makeTorus(float radius, float sectionRadius, int circleSegments, int sectionSegments);
// Cylinders and cones stand on y = 0 and rise along +Y; both are closed by flat caps.
MeshData makeCylinder(float radius, float height, int baseSegments, int heightSegments = 1);
MeshData makeCone(float radius, float height, int baseSegments, int heightSegments = 1);

// Realises the geometry as a mesh of the resource group; an earlier mesh of the same name is
// replaced. Entities made from the earlier mesh keep it alive until they go.
void realiseMesh(const MeshData& data, const std::string& name, const std::string& group = "General");

}  // namespace velmo::procedural
