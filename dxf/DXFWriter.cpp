// The DXF file writer; see DXFWriter.h.
#include "dxf/DXFWriter.h"

#include "dxf/DXFFormat.h"

namespace orlenta {

namespace {

// Start values of the extents: a drawing without entities writes them as they are.
constexpr double NoExtent = 1E10;
// The list name under which a layer files its blocks.
constexpr const char* BlockListName = "Block_";

} // namespace

DXF_Writer::DXF_Writer(const std::string& fileName, const DXF_LayerList& layers)
    : file_(fileName), layers_(layers) {}

void DXF_Writer::WriteFile() {
    WriteHeader();
    WriteTables();
    WriteBlocks();
    WriteEntities();
    file_.WriteString(0, "EOF");
    file_.Commit();
}

void DXF_Writer::WriteHeader() {
    EMin = {NoExtent, NoExtent, NoExtent};
    EMax = {-NoExtent, -NoExtent, -NoExtent};
    file_.WriteString(0, "SECTION");
    file_.WriteString(2, "HEADER");
    for (const auto& layer : layers_)
        layer->UpdateExtents(EMax, EMin);
    file_.WriteString(9, "$EXTMIN");
    file_.WriteGeneral(10, EMin.x);
    file_.WriteGeneral(20, EMin.y);
    file_.WriteGeneral(30, EMin.z);
    file_.WriteString(9, "$EXTMAX");
    file_.WriteGeneral(10, EMax.x);
    file_.WriteGeneral(20, EMax.y);
    file_.WriteGeneral(30, EMax.z);
    file_.WriteString(0, "ENDSEC");
}

void DXF_Writer::WriteTables() {
    file_.WriteString(0, "SECTION");
    file_.WriteString(2, "TABLES");
    WriteVPortTable();
    WriteLayerTable();
    file_.WriteString(0, "ENDSEC");
}

void DXF_Writer::WriteVPortTable() {
    file_.WriteString(0, "TABLE");
    file_.WriteString(2, "VPORT");
    file_.WriteString(0, "VPORT");
    file_.WriteString(2, "*ACTIVE");
    file_.WriteString(41, Width10ToStr(1));
    file_.WriteString(0, "ENDTAB");
}

// Entries run from the last layer to the first.
void DXF_Writer::WriteLayerTable() {
    file_.WriteString(0, "TABLE");
    file_.WriteString(2, "LAYER");
    for (auto it = layers_.rbegin(); it != layers_.rend(); ++it) {
        file_.WriteString(0, "LAYER");
        file_.WriteString(2, (*it)->Name);
        file_.WriteInteger(62, (*it)->ColourNumber);
    }
    file_.WriteString(0, "ENDTAB");
}

// Only the blocks filed in layer "0" are written (the last such layer when there are two).
void DXF_Writer::WriteBlocks() {
    file_.WriteString(0, "SECTION");
    file_.WriteString(2, "BLOCKS");
    const DXF_Layer* zero = nullptr;
    for (const auto& layer : layers_)
        if (layer->Name == "0")
            zero = layer.get();
    if (zero)
        for (const auto& list : zero->EntityLists)
            if (list->Name == BlockListName)
                for (const auto& entity : list->Entities)
                    entity->WriteToDXF(file_, "0");
    file_.WriteString(0, "ENDSEC");
}

void DXF_Writer::WriteEntities() {
    file_.WriteString(0, "SECTION");
    file_.WriteString(2, "ENTITIES");
    for (const auto& layer : layers_)
        for (const auto& list : layer->EntityLists)
            if (list->Name != BlockListName)
                for (const auto& entity : list->Entities)
                    entity->WriteToDXF(file_, layer->Name);
    file_.WriteString(0, "ENDSEC");
}

} // namespace orlenta
