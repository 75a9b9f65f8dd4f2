// The entity classes of a DXF drawing. The DXF type written for an entity is its class name
// upper-cased without the trailing underscore, so the class names are part of the format.
#pragma once

#include "dxf/DXFCanvas.h"
#include "dxf/DXFException.h"
#include "dxf/DXFGeometry.h"
#include "kernel/QuorvelTypes.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orlenta {

class DXFTextFile;
class Entity_List;
class Block_;

// Bits of the axes argument of Quantize.
enum QuantizeAxis : int { QuantizeX = 1, QuantizeY = 2, QuantizeZ = 4 };

class DXF_Entity {
  public:
    std::uint32_t Colour = 0;       // screen colour, for drawing only
    std::int32_t ColourNumber = 0;  // DXF colour number (group 62)
    std::unique_ptr<Matrix4x4> OCS; // object to world coordinates; absent for (0, 0, 1)
    Point3D Extrusion;              // group 210

    virtual ~DXF_Entity() = default;
    DXF_Entity(const DXF_Entity&) = delete;
    DXF_Entity& operator=(const DXF_Entity&) = delete;

    // The plain class name ("Line_"); the key of the entity lists.
    virtual const char* ClassName() const = 0;

    virtual void InitOCS(const Point3D& extrusion);
    virtual void SetBlockList(Entity_List* blocks);
    virtual void Draw(DXFCanvas& canvas, const Matrix4x4* matrix, const ProjectPoint& project);
    virtual void DrawVertices(DXFCanvas& canvas, const Matrix4x4* matrix,
                              const ProjectPoint& project);
    virtual void SetColour(std::int32_t number);
    virtual void SetColourRGB(std::uint32_t colour);
    virtual void Translate(const Point3D& offset);
    virtual void Quantize(int axes, double factor);
    virtual int CountPoints() const { return 1; }
    virtual int CountLines() const { return 0; }
    virtual int SpareCount1() const { return 0; }
    virtual int SpareCount2() const { return 0; }
    virtual std::string ProperName() const;
    virtual void WriteVector(DXFTextFile& file, int code, const Point3D& p) const;
    virtual void WriteToDXF(DXFTextFile& file, const std::string& layerName) const;
    virtual std::string Details();
    virtual void UpdateExtents(Point3D& max, Point3D& min) const;
    virtual double DistanceSquared(const Point3D& p) const;
    virtual Point3D ClosestVertex(const Point3D& p) const;
    virtual bool IsInside(const Point3D&) const { return false; }
    virtual bool MoveVertex(const Point3D&, const Point3D&) { return false; }

  protected:
    DXF_Entity() = default;
    // Raised by the operations a class does not provide.
    [[noreturn]] void AbstractCall(const char* operation) const;
    // 0 / type, 8 / layer, 62 / colour number, and 210 / extrusion when there is an OCS.
    void WriteHead(DXFTextFile& file, const std::string& layerName) const;
    // The own OCS applied first, then the given matrix.
    std::optional<Matrix4x4> EffectiveMatrix(const Matrix4x4* given) const;
    void UsePen(DXFCanvas& canvas) const;
};

class Point_ : public DXF_Entity {
  public:
    Point3D P1;

    Point_(const Point3D& extrusion, std::int32_t colourNumber, const Point3D& point);
    const char* ClassName() const override { return "Point_"; }
    void Draw(DXFCanvas& canvas, const Matrix4x4* matrix, const ProjectPoint& project) override;
    void DrawVertices(DXFCanvas& canvas, const Matrix4x4* matrix,
                      const ProjectPoint& project) override;
    void Translate(const Point3D& offset) override;
    void Quantize(int axes, double factor) override;
    void WriteToDXF(DXFTextFile& file, const std::string& layerName) const override;
    std::string Details() override;
    void UpdateExtents(Point3D& max, Point3D& min) const override;
    double DistanceSquared(const Point3D& p) const override;
    Point3D ClosestVertex(const Point3D& p) const override;
    bool MoveVertex(const Point3D& from, const Point3D& to) override;
};

class Line_ : public Point_ {
  public:
    Point3D P2;

    Line_(const Point3D& extrusion, std::int32_t colourNumber, const Point3D& p1,
          const Point3D& p2);
    // From a straight toolpath segment at height z.
    Line_(const TMyEntity& segment, double z);
    const char* ClassName() const override { return "Line_"; }
    void Draw(DXFCanvas& canvas, const Matrix4x4* matrix, const ProjectPoint& project) override;
    void DrawVertices(DXFCanvas& canvas, const Matrix4x4* matrix,
                      const ProjectPoint& project) override;
    void Translate(const Point3D& offset) override;
    void Quantize(int axes, double factor) override;
    int CountPoints() const override { return 2; }
    int CountLines() const override { return 1; }
    void WriteToDXF(DXFTextFile& file, const std::string& layerName) const override;
    std::string Details() override;
    void UpdateExtents(Point3D& max, Point3D& min) const override;
    double DistanceSquared(const Point3D& p) const override;
    Point3D ClosestVertex(const Point3D& p) const override;
    bool MoveVertex(const Point3D& from, const Point3D& to) override;
};

class Circle_ : public Point_ {
  public:
    double Radius = 0;

    Circle_(const Point3D& extrusion, std::int32_t colourNumber, double radius,
            const Point3D& centre);
    const char* ClassName() const override { return "Circle_"; }
    void Draw(DXFCanvas& canvas, const Matrix4x4* matrix, const ProjectPoint& project) override;
    void WriteToDXF(DXFTextFile& file, const std::string& layerName) const override;
    std::string Details() override;
    void UpdateExtents(Point3D& max, Point3D& min) const override;
    bool IsInside(const Point3D& p) const override;
};

// Runs counterclockwise from Angle1 to Angle2 (radians).
class Arc_ : public Circle_ {
  public:
    double Angle1 = 0;
    double Angle2 = 0;

    Arc_(const Point3D& extrusion, std::int32_t colourNumber, double radius, const Point3D& centre,
         double angle1, double angle2);
    // From an arc toolpath segment at height z; a clockwise arc is stored reversed.
    Arc_(const TMyEntity& segment, double z);
    const char* ClassName() const override { return "Arc_"; }
    void Draw(DXFCanvas& canvas, const Matrix4x4* matrix, const ProjectPoint& project) override;
    void WriteToDXF(DXFTextFile& file, const std::string& layerName) const override;
    std::string Details() override;
    void UpdateExtents(Point3D& max, Point3D& min) const override;
    bool IsInside(const Point3D&) const override { return false; }
};

// A block reference: the named block rotated, scaled, moved to P1 and carried into world
// coordinates by the OCS matrix, which an insert always has.
class Insert_ : public Point_ {
  public:
    static constexpr int MaxAttribs = 17;

    std::int32_t NumAttribs = 0;
    std::array<std::unique_ptr<DXF_Entity>, MaxAttribs> Attribs;
    std::string BlockName;
    Point3D Scale;
    double Rotation = 0;              // radians
    Block_* Block = nullptr;          // resolved by FindBlock (borrowed)
    Entity_List* BlockList = nullptr; // the list that holds the blocks (borrowed)

    Insert_(const Point3D& extrusion, std::int32_t colourNumber, const Point3D& point,
            const std::string& blockName, const Point3D& scale = {1, 1, 1}, double rotation = 0);
    const char* ClassName() const override { return "Insert_"; }
    // Raises DXF_exception once all 17 slots are taken.
    void AddAttrib(std::unique_ptr<DXF_Entity> attrib);
    Block_& FindBlock();

    void InitOCS(const Point3D& extrusion) override;
    void SetBlockList(Entity_List* blocks) override;
    void Draw(DXFCanvas& canvas, const Matrix4x4* matrix, const ProjectPoint& project) override;
    void DrawVertices(DXFCanvas& canvas, const Matrix4x4* matrix,
                      const ProjectPoint& project) override;
    // Moving the insertion point rebuilds the insertion matrix, which holds it.
    void Translate(const Point3D& offset) override;
    void Quantize(int axes, double factor) override;
    bool MoveVertex(const Point3D& from, const Point3D& to) override;
    void WriteToDXF(DXFTextFile& file, const std::string& layerName) const override;
    std::string Details() override;
};

class Block_ : public DXF_Entity {
  public:
    std::string Name;
    Point3D Basepoint;
    std::vector<std::unique_ptr<DXF_Entity>> Entities;

    Block_(const std::string& name, const Point3D& basepoint);
    const char* ClassName() const override { return "Block_"; }
    void Add(std::unique_ptr<DXF_Entity> child);

    void SetBlockList(Entity_List* blocks) override;
    void Draw(DXFCanvas& canvas, const Matrix4x4* matrix, const ProjectPoint& project) override;
    void DrawVertices(DXFCanvas& canvas, const Matrix4x4* matrix,
                      const ProjectPoint& project) override;
    void WriteToDXF(DXFTextFile& file, const std::string& layerName) const override;
    std::string Details() override;
    void UpdateExtents(Point3D&, Point3D&) const override {}
    double DistanceSquared(const Point3D& p) const override;
    Point3D ClosestVertex(const Point3D& p) const override;

  private:
    // Set while the block is being walked, so that a block that references itself raises
    // instead of recursing until the stack runs out.
    bool busy_ = false;
    friend class BlockWalk;
};

} // namespace orlenta
