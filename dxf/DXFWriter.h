// Writes the layers of a drawing as a DXF text file: HEADER (extents only), TABLES (one
// viewport, the layers), BLOCKS (from layer "0"), ENTITIES, then EOF.
#pragma once

#include "dxf/DXFGeometry.h"
#include "dxf/DXFObject.h"
#include "dxf/DXFTextFile.h"

#include <string>

namespace orlenta {

class DXF_Writer {
  public:
    Point3D EMin; // extents, recomputed by every WriteHeader
    Point3D EMax;

    // Opens a temporary file beside fileName; raises EInOutError when that fails. The
    // target is replaced only at the end of WriteFile.
    DXF_Writer(const std::string& fileName, const DXF_LayerList& layers);

    // Writes the whole drawing and puts it in place of the target. On any failure the
    // target is left as it was and the temporary file is removed.
    void WriteFile();

  private:
    void WriteHeader();
    void WriteTables();
    void WriteVPortTable();
    void WriteLayerTable();
    void WriteBlocks();
    void WriteEntities();

    DXFTextFile file_;
    const DXF_LayerList& layers_;
};

} // namespace orlenta
