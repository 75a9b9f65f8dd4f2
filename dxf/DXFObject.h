// The in-memory DXF drawing: a DXF_Object owns its layers, a layer files its entities into
// one Entity_List per entity class, in the order the classes first occur.
#pragma once

#include "dxf/DXFEntities.h"
#include "dxf/DXFException.h"
#include "kernel/CarvePath.h"
#include "kernel/QuorvelTypes.h"

#include <memory>
#include <string>
#include <vector>

namespace orlenta {

class DXF_Layer;

class Entity_List {
  public:
    std::string Name;           // class name of the entities it holds, such as "Line_"
    DXF_Layer* Layer = nullptr; // the owning layer (borrowed)
    std::vector<std::unique_ptr<DXF_Entity>> Entities;

    explicit Entity_List(const std::string& name);
    ~Entity_List();
    void Add(std::unique_ptr<DXF_Entity> entity);
    void UpdateExtents(Point3D& max, Point3D& min) const;
};

class DXF_Layer {
  public:
    std::string Name;
    std::int32_t ColourNumber = 0;
    // Parallel lists: EntityNames[i] is the name of EntityLists[i].
    std::vector<std::string> EntityNames;
    std::vector<std::unique_ptr<Entity_List>> EntityLists;

    explicit DXF_Layer(const std::string& name);
    ~DXF_Layer();
    // Files the entity in the list of its class, creating that list when it is the first of
    // its class; always true.
    bool AddEntity(std::unique_ptr<DXF_Entity> entity);
    int EntityListCount() const { return static_cast<int>(EntityNames.size()); }
    void UpdateExtents(Point3D& max, Point3D& min) const;
};

using DXF_LayerList = std::vector<std::unique_ptr<DXF_Layer>>;

class DXF_Object {
  public:
    std::string Name;
    DXF_LayerList Layers;

    // The drawing of a toolpath array (element 0 is not a toolpath): on layer "0", one LINE
    // per straight segment and one ARC per arc segment, at the toolpath's depth as z.
    // An empty name becomes "Untitled".
    DXF_Object(const TOutRegionArray& toolpaths, const std::string& name);
    // The drawing of V-carve paths: on layer "0", one LINE in three dimensions from each point
    // of a path to the next, z being the depth as in the toolpath drawing; a path of one point
    // (a plunge) is a LINE from the surface down to its depth.
    DXF_Object(const TCarvePathArray& paths, const std::string& name);
    ~DXF_Object();
    DXF_Object(const DXF_Object&) = delete;
    DXF_Object& operator=(const DXF_Object&) = delete;

    // A new layer, or the existing one of that name when returnExisting is true; otherwise
    // an existing name raises DXF_exception.
    DXF_Layer& CreateLayer(const std::string& name, bool returnExisting);

    // Writes the drawing as a DXF file. The file is replaced only by a complete drawing; on
    // failure EInOutError carries the system's message and the old file is left as it was.
    void SaveToFile(const std::string& fileName) const;
};

} // namespace orlenta
