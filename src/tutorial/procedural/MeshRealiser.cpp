#include <OgreManualObject.h>
#include <OgreMesh.h>
#include <OgreMeshManager.h>

#include "ProceduralMeshes.h"

namespace velmo::procedural {

void realiseMesh(const MeshData& data, const std::string& name, const std::string& group) {
  auto& meshes = Ogre::MeshManager::getSingleton();
  if (meshes.resourceExists(name, group)) meshes.remove(name, group);
  Ogre::ManualObject builder(name + "/builder");
  builder.estimateVertexCount(data.vertices.size());
  builder.estimateIndexCount(data.indices.size());
  builder.begin("BaseWhite", Ogre::RenderOperation::OT_TRIANGLE_LIST,
                Ogre::ResourceGroupManager::AUTODETECT_RESOURCE_GROUP_NAME);
  for (const Vertex& v : data.vertices) {
    builder.position(v.px, v.py, v.pz);
    builder.normal(v.nx, v.ny, v.nz);
    builder.textureCoord(v.u, v.v);
  }
  for (uint32_t index : data.indices) builder.index(index);
  builder.end();
  builder.convertToMesh(name, group);
}

}  // namespace velmo::procedural
