// The drawing model: entity lists, layers and the drawing built from toolpaths.
#include "dxf/DXFObject.h"

#include "dxf/DXFWriter.h"

namespace orlenta {

// ---- Entity_List ---------------------------------------------------------------------

Entity_List::Entity_List(const std::string& name) : Name(name) {}

Entity_List::~Entity_List() {
    for (auto& entity : Entities)
        entity.reset();
}

void Entity_List::Add(std::unique_ptr<DXF_Entity> entity) {
    Entities.push_back(std::move(entity));
}

void Entity_List::UpdateExtents(Point3D& max, Point3D& min) const {
    for (const auto& entity : Entities)
        entity->UpdateExtents(max, min);
}

// ---- DXF_Layer -----------------------------------------------------------------------

DXF_Layer::DXF_Layer(const std::string& name) : Name(name) {}

DXF_Layer::~DXF_Layer() {
    while (!EntityLists.empty())
        EntityLists.pop_back();
}

bool DXF_Layer::AddEntity(std::unique_ptr<DXF_Entity> entity) {
    const std::string key = entity->ClassName();
    std::size_t index = 0;
    while (index < EntityNames.size() && EntityNames[index] != key)
        ++index;
    if (index == EntityNames.size()) {
        // The new list and its name must land at the same position of the parallel lists.
        if (EntityLists.size() != EntityNames.size())
            throw OrlentaError("Entity list ID mismatch");
        auto list = std::make_unique<Entity_List>(key);
        list->Layer = this;
        EntityNames.reserve(EntityNames.size() + 1);
        EntityLists.push_back(std::move(list));
        EntityNames.push_back(key);
    }
    DXF_Entity& filed = *entity;
    EntityLists[index]->Add(std::move(entity));
    // 0 is "by block" and 256 "by layer": both take the layer's colour.
    if (filed.ColourNumber == 0 || filed.ColourNumber == 256)
        filed.SetColour(ColourNumber);
    return true;
}

void DXF_Layer::UpdateExtents(Point3D& max, Point3D& min) const {
    for (const auto& list : EntityLists)
        list->UpdateExtents(max, min);
}

// ---- DXF_Object ----------------------------------------------------------------------

DXF_Object::DXF_Object(const TOutRegionArray& toolpaths, const std::string& name)
    : Name(name.empty() ? "Untitled" : name) {
    DXF_Layer& layer = CreateLayer("0", false);
    for (std::size_t i = 1; i < toolpaths.size(); ++i) {
        const double z = toolpaths[i].Depth;
        for (const TMyEntity& segment : toolpaths[i].Entities) {
            if (segment.Radius != 0)
                layer.AddEntity(std::make_unique<Arc_>(segment, z));
            else
                layer.AddEntity(std::make_unique<Line_>(segment, z));
        }
    }
}

DXF_Object::DXF_Object(const TCarvePathArray& paths, const std::string& name)
    : Name(name.empty() ? "Untitled" : name) {
    DXF_Layer& layer = CreateLayer("0", false);
    for (const TCarvePath& path : paths) {
        if (path.Points.size() == 1) {
            const TPoint3& p = path.Points[0];
            layer.AddEntity(std::make_unique<Line_>(Point3D{0, 0, 1}, 0, Point3D{p.x, p.y, 0},
                                                    Point3D{p.x, p.y, p.depth}));
            continue;
        }
        for (std::size_t i = 1; i < path.Points.size(); ++i) {
            const TPoint3& a = path.Points[i - 1];
            const TPoint3& b = path.Points[i];
            layer.AddEntity(std::make_unique<Line_>(Point3D{0, 0, 1}, 0, Point3D{a.x, a.y, a.depth},
                                                    Point3D{b.x, b.y, b.depth}));
        }
    }
}

DXF_Object::~DXF_Object() {
    for (auto& layer : Layers)
        layer.reset();
}

DXF_Layer& DXF_Object::CreateLayer(const std::string& name, bool returnExisting) {
    for (const auto& layer : Layers)
        if (layer->Name == name) {
            if (returnExisting)
                return *layer;
            throw DXF_exception("Attempted to create layer with existing name");
        }
    Layers.push_back(std::make_unique<DXF_Layer>(name));
    return *Layers.back();
}

void DXF_Object::SaveToFile(const std::string& fileName) const {
    DXF_Writer writer(fileName, Layers);
    writer.WriteFile();
}

} // namespace orlenta
