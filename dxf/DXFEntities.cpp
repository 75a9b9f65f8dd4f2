// The DXF entity classes: file output, extents, drawing, descriptions, vertex editing and
// block references.
#include "dxf/DXFEntities.h"

#include "dxf/DXFFormat.h"
#include "dxf/DXFObject.h"
#include "dxf/DXFTextFile.h"
#include "kernel/Errors.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orlenta {

namespace {

constexpr const char* CRLF = "\r\n";
constexpr double TwoPi = 2 * std::numbers::pi;
constexpr double DegPerRad = 180 / std::numbers::pi;
// Below this in both x and y, the arbitrary axis rule takes the world Y axis as reference.
constexpr double ArbitraryAxisLimit = 1.0 / 64;
// What a block answers for distances and vertices: it has none of its own.
constexpr double FarAway = 1E9;

const Point3D WorldZ{0, 0, 1};

// The arbitrary axis algorithm of the DXF format: the object's x and y axes for the
// extrusion n.
void ArbitraryAxes(const Point3D& n, Point3D& ax, Point3D& ay) {
    const Point3D w = (std::fabs(n.x) >= ArbitraryAxisLimit || std::fabs(n.y) >= ArbitraryAxisLimit)
                          ? Point3D{0, 0, 1}
                          : Point3D{0, 1, 0};
    ax = Normalize(CrossProduct(w, n));
    ay = Normalize(CrossProduct(n, ax));
}

void CrossMarker(DXFCanvas& canvas, DXFPixel p) {
    canvas.MoveTo(p.x - 2, p.y - 2);
    canvas.LineTo(p.x + 3, p.y + 3);
    canvas.MoveTo(p.x - 2, p.y + 2);
    canvas.LineTo(p.x + 3, p.y - 3);
}

const Matrix4x4* Ptr(const std::optional<Matrix4x4>& m) {
    return m ? &*m : nullptr;
}

// round(c * f) / f with ties to even, computed for every chosen axis before anything is
// stored, so a factor that gives no finite result leaves the entity as it was.
void QuantizePoints(std::initializer_list<Point3D*> points, int axes, double factor) {
    Point3D result[2];
    std::size_t n = 0;
    for (Point3D* p : points) {
        Point3D q = *p;
        double* c[3] = {&q.x, &q.y, &q.z};
        for (int axis = 0; axis < 3; ++axis)
            if (axes & (1 << axis)) {
                *c[axis] = std::nearbyint(*c[axis] * factor) / factor;
                CheckFinite(*c[axis]);
            }
        result[n++] = q;
    }
    n = 0;
    for (Point3D* p : points)
        *p = result[n++];
}

// The angle brought into [0, 2 pi).
double NormalAngle(double a) {
    a = std::fmod(a, TwoPi);
    if (a < 0)
        a += TwoPi;
    return a < TwoPi ? a : 0;
}

// Whole degrees of an angle in [0, 2 pi), truncated: 0 to 359.
int WholeDegrees(double a) {
    return std::min(static_cast<int>(a * DegPerRad), 359);
}

} // namespace

// Marks a block as being walked; a block met again inside its own walk refers to itself.
class BlockWalk {
  public:
    explicit BlockWalk(Block_& block) : block_(block) {
        if (block.busy_)
            throw DXF_exception("Block " + block.Name + " refers to itself");
        block.busy_ = true;
    }
    ~BlockWalk() { block_.busy_ = false; }
    BlockWalk(const BlockWalk&) = delete;
    BlockWalk& operator=(const BlockWalk&) = delete;

  private:
    Block_& block_;
};

// ---- DXF_Entity ----------------------------------------------------------------------

void DXF_Entity::AbstractCall(const char* operation) const {
    throw DXF_exception(std::string(ClassName()) + " does not provide " + operation);
}

void DXF_Entity::InitOCS(const Point3D& extrusion) {
    Extrusion = extrusion;
    if (SamePoint(extrusion, WorldZ)) {
        OCS.reset();
        return;
    }
    Point3D ax, ay;
    ArbitraryAxes(extrusion, ax, ay);
    OCS = std::make_unique<Matrix4x4>(AxesMatrix(ax, ay, extrusion));
}

void DXF_Entity::SetBlockList(Entity_List*) {
    AbstractCall("SetBlockList");
}

void DXF_Entity::Draw(DXFCanvas&, const Matrix4x4*, const ProjectPoint&) {
    AbstractCall("Draw");
}

void DXF_Entity::DrawVertices(DXFCanvas&, const Matrix4x4*, const ProjectPoint&) {
    AbstractCall("DrawVertices");
}

void DXF_Entity::SetColour(std::int32_t number) {
    ColourNumber = number;
    Colour = ColourTable[((number % ColourTableSize) + ColourTableSize) % ColourTableSize];
}

void DXF_Entity::SetColourRGB(std::uint32_t colour) {
    ColourNumber = 0;
    for (int i = ColourTableSize - 1; i >= 0; --i)
        if (ColourTable[i] == colour) {
            ColourNumber = i;
            break;
        }
    Colour = colour;
}

void DXF_Entity::Translate(const Point3D&) {
    AbstractCall("Translate");
}

void DXF_Entity::Quantize(int, double) {
    AbstractCall("Quantize");
}

std::string DXF_Entity::ProperName() const {
    std::string name = ClassName();
    if (!name.empty())
        name.pop_back();
    for (char& c : name)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return name;
}

void DXF_Entity::WriteVector(DXFTextFile& file, int code, const Point3D& p) const {
    file.WriteReal(code, p.x);
    file.WriteReal(code + 10, p.y);
    file.WriteReal(code + 20, p.z);
}

void DXF_Entity::WriteHead(DXFTextFile& file, const std::string& layerName) const {
    file.WriteString(0, ProperName());
    file.WriteString(8, layerName);
    file.WriteInteger(62, ColourNumber);
    if (OCS)
        WriteVector(file, 210, Extrusion);
}

void DXF_Entity::WriteToDXF(DXFTextFile& file, const std::string& layerName) const {
    WriteHead(file, layerName);
}

std::string DXF_Entity::Details() {
    AbstractCall("Details");
}

void DXF_Entity::UpdateExtents(Point3D&, Point3D&) const {
    AbstractCall("UpdateExtents");
}

double DXF_Entity::DistanceSquared(const Point3D&) const {
    AbstractCall("DistanceSquared");
}

Point3D DXF_Entity::ClosestVertex(const Point3D&) const {
    AbstractCall("ClosestVertex");
}

std::optional<Matrix4x4> DXF_Entity::EffectiveMatrix(const Matrix4x4* given) const {
    return CombineMatrices(OCS.get(), given);
}

void DXF_Entity::UsePen(DXFCanvas& canvas) const {
    if (canvas.PenColour() != Colour)
        canvas.SetPenColour(Colour);
}

// ---- Point_ --------------------------------------------------------------------------

Point_::Point_(const Point3D& extrusion, std::int32_t colourNumber, const Point3D& point) {
    P1 = point;
    SetColour(colourNumber);
    // The insert builds its own matrix once its fields are set.
    DXF_Entity::InitOCS(extrusion);
}

void Point_::Draw(DXFCanvas& canvas, const Matrix4x4* matrix, const ProjectPoint& project) {
    UsePen(canvas);
    const auto m = EffectiveMatrix(matrix);
    CrossMarker(canvas, project(P1, Ptr(m)));
}

void Point_::DrawVertices(DXFCanvas& canvas, const Matrix4x4* matrix, const ProjectPoint& project) {
    UsePen(canvas);
    const auto m = EffectiveMatrix(matrix);
    CrossMarker(canvas, project(P1, Ptr(m)));
}

void Point_::Translate(const Point3D& offset) {
    P1 = AddPoints(P1, offset);
}

void Point_::Quantize(int axes, double factor) {
    QuantizePoints({&P1}, axes, factor);
}

void Point_::WriteToDXF(DXFTextFile& file, const std::string& layerName) const {
    WriteHead(file, layerName);
    WriteVector(file, 10, P1);
}

std::string Point_::Details() {
    return std::string(ClassName()) + CRLF + (OCS ? "OCS Axis " + Point3DToStr(Extrusion) : "WCS") +
           CRLF + Point3DToStr(P1);
}

void Point_::UpdateExtents(Point3D& max, Point3D& min) const {
    MaxCorner(max, P1);
    MinCorner(min, P1);
}

double Point_::DistanceSquared(const Point3D& p) const {
    return PlanDistanceSquared(P1, p);
}

Point3D Point_::ClosestVertex(const Point3D&) const {
    return P1;
}

bool Point_::MoveVertex(const Point3D& from, const Point3D& to) {
    if (!SamePoint(P1, from))
        return false;
    P1 = to;
    return true;
}

// ---- Line_ ---------------------------------------------------------------------------

Line_::Line_(const Point3D& extrusion, std::int32_t colourNumber, const Point3D& p1,
             const Point3D& p2)
    : Point_(extrusion, colourNumber, p1) {
    P2 = p2;
}

Line_::Line_(const TMyEntity& segment, double z)
    : Line_(WorldZ, 0, {segment.X1, segment.Y1, z}, {segment.X2, segment.Y2, z}) {}

void Line_::Draw(DXFCanvas& canvas, const Matrix4x4* matrix, const ProjectPoint& project) {
    UsePen(canvas);
    const auto m = EffectiveMatrix(matrix);
    const DXFPixel a = project(P1, Ptr(m));
    const DXFPixel b = project(P2, Ptr(m));
    canvas.MoveTo(a.x, a.y);
    canvas.LineTo(b.x, b.y);
}

void Line_::DrawVertices(DXFCanvas& canvas, const Matrix4x4* matrix, const ProjectPoint& project) {
    UsePen(canvas);
    const auto m = EffectiveMatrix(matrix);
    CrossMarker(canvas, project(P1, Ptr(m)));
    CrossMarker(canvas, project(P2, Ptr(m)));
}

void Line_::Translate(const Point3D& offset) {
    P1 = AddPoints(P1, offset);
    P2 = AddPoints(P2, offset);
}

void Line_::Quantize(int axes, double factor) {
    QuantizePoints({&P1, &P2}, axes, factor);
}

void Line_::WriteToDXF(DXFTextFile& file, const std::string& layerName) const {
    WriteHead(file, layerName);
    WriteVector(file, 10, P1);
    WriteVector(file, 11, P2);
}

std::string Line_::Details() {
    return Point_::Details() + CRLF + Point3DToStr(P2);
}

void Line_::UpdateExtents(Point3D& max, Point3D& min) const {
    MaxCorner(max, P1);
    MinCorner(min, P1);
    MaxCorner(max, P2);
    MinCorner(min, P2);
}

double Line_::DistanceSquared(const Point3D& p) const {
    return std::min(PlanDistanceSquared(P1, p), PlanDistanceSquared(P2, p));
}

Point3D Line_::ClosestVertex(const Point3D& p) const {
    return PlanDistanceSquared(P2, p) > PlanDistanceSquared(P1, p) ? P1 : P2;
}

bool Line_::MoveVertex(const Point3D& from, const Point3D& to) {
    if (SamePoint(P1, from)) {
        P1 = to;
        return true;
    }
    if (SamePoint(P2, from)) {
        P2 = to;
        return true;
    }
    return false;
}

// ---- Circle_ -------------------------------------------------------------------------

Circle_::Circle_(const Point3D& extrusion, std::int32_t colourNumber, double radius,
                 const Point3D& centre)
    : Point_(extrusion, colourNumber, centre) {
    Radius = radius;
}

void Circle_::Draw(DXFCanvas& canvas, const Matrix4x4* matrix, const ProjectPoint& project) {
    UsePen(canvas);
    const auto m = EffectiveMatrix(matrix);
    const Point3D r{Radius, Radius, Radius};
    const DXFPixel p = project(SubPoints(P1, r), Ptr(m));
    const DXFPixel q = project(AddPoints(P1, r), Ptr(m));
    if (p.x + 1 < q.x && q.y + 1 < p.y)
        canvas.Ellipse(p.x, p.y, q.x, q.y);
    else
        canvas.SetPixel(p.x, p.y, canvas.PenColour());
}

void Circle_::WriteToDXF(DXFTextFile& file, const std::string& layerName) const {
    Point_::WriteToDXF(file, layerName);
    file.WriteReal(40, Radius);
}

std::string Circle_::Details() {
    return Point_::Details() + CRLF + "Radius = " + RealToStr(Radius);
}

void Circle_::UpdateExtents(Point3D& max, Point3D& min) const {
    MaxCorner(max, AddPoints(P1, {Radius, Radius, 0}));
    MinCorner(min, SubPoints(P1, {Radius, Radius, 0}));
}

bool Circle_::IsInside(const Point3D& p) const {
    return PlanDistance(p, P1) <= Radius;
}

// ---- Arc_ ----------------------------------------------------------------------------

Arc_::Arc_(const Point3D& extrusion, std::int32_t colourNumber, double radius,
           const Point3D& centre, double angle1, double angle2)
    : Circle_(extrusion, colourNumber, radius, centre) {
    Angle1 = angle1;
    Angle2 = angle2;
}

Arc_::Arc_(const TMyEntity& segment, double z)
    : Circle_(WorldZ, 0, std::fabs(segment.Radius), {segment.X1, segment.Y1, z}) {
    // Stored counterclockwise: a clockwise segment covers the same points reversed.
    Angle1 = segment.Radius > 0 ? segment.X2 : segment.Y2;
    Angle2 = segment.Radius > 0 ? segment.Y2 : segment.X2;
}

void Arc_::Draw(DXFCanvas& canvas, const Matrix4x4* matrix, const ProjectPoint& project) {
    UsePen(canvas);
    const auto m = EffectiveMatrix(matrix);
    const Point3D r{Radius, Radius, Radius};
    const DXFPixel p = project(SubPoints(P1, r), Ptr(m));
    const DXFPixel q = project(AddPoints(P1, r), Ptr(m));
    if (p.x + 1 < q.x && q.y + 1 < p.y) {
        const Point3D s{P1.x + Radius * std::cos(Angle1), P1.y + Radius * std::sin(Angle1),
                        P1.z + Radius};
        const Point3D e{P1.x + Radius * std::cos(Angle2), P1.y + Radius * std::sin(Angle2),
                        P1.z + Radius};
        canvas.Arc(p.x, p.y, q.x, q.y, project(s, Ptr(m)), project(e, Ptr(m)));
    } else {
        canvas.SetPixel(p.x, p.y, canvas.PenColour());
    }
}

void Arc_::WriteToDXF(DXFTextFile& file, const std::string& layerName) const {
    Circle_::WriteToDXF(file, layerName);
    file.WriteReal(50, Angle1 * DegPerRad);
    file.WriteReal(51, Angle2 * DegPerRad);
}

std::string Arc_::Details() {
    return Circle_::Details() + CRLF + "Angle 1 = " + RealToStr(Angle1) + CRLF +
           "Angle 2 = " + RealToStr(Angle2);
}

// The end points, plus every axis crossing (0, 90, 180, 270 degrees) that the
// counterclockwise walk from Angle1 to Angle2 passes, at whole-degree resolution. Points of
// an arc count with z = 0. The angles are brought into [0, 2 pi) first, so the walk takes
// at most four steps.
void Arc_::UpdateExtents(Point3D& max, Point3D& min) const {
    const Point3D s{P1.x + Radius * std::cos(Angle1), P1.y + Radius * std::sin(Angle1), 0};
    const Point3D e{P1.x + Radius * std::cos(Angle2), P1.y + Radius * std::sin(Angle2), 0};
    MaxCorner(max, s);
    MinCorner(min, s);
    MaxCorner(max, e);
    MinCorner(min, e);
    if (!std::isfinite(Angle1) || !std::isfinite(Angle2))
        return; // the NaN end points already carry the fault to the writer
    const int d2 = WholeDegrees(NormalAngle(Angle2));
    int a = ((d2 + 89) / 90) * 90;
    if (a == 360)
        a = 0;
    const int d1 = WholeDegrees(NormalAngle(Angle1));
    int c = ((d1 + 90) / 90) * 90;
    if (c == 360)
        c = 0;
    while (c != a) {
        const double rad = c / DegPerRad;
        const Point3D p{P1.x + Radius * std::cos(rad), P1.y + Radius * std::sin(rad), 0};
        MaxCorner(max, p);
        MinCorner(min, p);
        c += 90;
        if (c == 360)
            c = 0;
    }
}

// ---- Insert_ -------------------------------------------------------------------------

Insert_::Insert_(const Point3D& extrusion, std::int32_t colourNumber, const Point3D& point,
                 const std::string& blockName, const Point3D& scale, double rotation)
    : Point_(extrusion, colourNumber, point) {
    BlockName = blockName;
    Scale = scale;
    Rotation = rotation;
    InitOCS(extrusion);
}

void Insert_::AddAttrib(std::unique_ptr<DXF_Entity> attrib) {
    if (NumAttribs >= MaxAttribs)
        throw DXF_exception("An insert holds at most 17 attributes");
    Attribs[static_cast<std::size_t>(NumAttribs++)] = std::move(attrib);
}

// Rotate about the block origin, scale, move to the insertion point, then carry from object
// to world coordinates. An insert always has this matrix, also for the extrusion (0, 0, 1).
void Insert_::InitOCS(const Point3D& extrusion) {
    Extrusion = extrusion;
    Point3D ax, ay;
    ArbitraryAxes(extrusion, ax, ay);
    Matrix4x4 m;
    m = MatrixMultiply(m, RotationZMatrix(std::cos(-Rotation), std::sin(-Rotation)));
    m = MatrixMultiply(m, ScaleMatrix(Scale));
    m = MatrixMultiply(m, TranslationMatrix(P1));
    m = MatrixMultiply(m, AxesMatrix(ax, ay, extrusion));
    OCS = std::make_unique<Matrix4x4>(m);
}

Block_& Insert_::FindBlock() {
    if (Block)
        return *Block;
    if (BlockList)
        for (const auto& entity : BlockList->Entities)
            if (auto* block = dynamic_cast<Block_*>(entity.get());
                block && block->Name == BlockName) {
                Block = block;
                return *block;
            }
    throw OrlentaError("Block reference " + BlockName + " not found");
}

void Insert_::SetBlockList(Entity_List* blocks) {
    if (blocks != BlockList)
        Block = nullptr; // resolved against another list
    BlockList = blocks;
    if (!BlockName.empty())
        FindBlock().SetBlockList(blocks);
}

void Insert_::Draw(DXFCanvas& canvas, const Matrix4x4* matrix, const ProjectPoint& project) {
    const auto m = EffectiveMatrix(matrix);
    for (int i = 0; i < NumAttribs; ++i)
        Attribs[static_cast<std::size_t>(i)]->Draw(canvas, Ptr(m), project);
    if (!BlockName.empty())
        FindBlock().Draw(canvas, Ptr(m), project);
}

// The insertion point is P1 in object coordinates, which the insertion matrix already holds:
// it is where the block origin lands.
void Insert_::DrawVertices(DXFCanvas& canvas, const Matrix4x4* matrix,
                           const ProjectPoint& project) {
    UsePen(canvas);
    const auto m = EffectiveMatrix(matrix);
    CrossMarker(canvas, project(Point3D{0, 0, 0}, Ptr(m)));
}

void Insert_::Translate(const Point3D& offset) {
    Point_::Translate(offset);
    InitOCS(Extrusion);
}

void Insert_::Quantize(int axes, double factor) {
    Point_::Quantize(axes, factor);
    InitOCS(Extrusion);
}

bool Insert_::MoveVertex(const Point3D& from, const Point3D& to) {
    if (!Point_::MoveVertex(from, to))
        return false;
    InitOCS(Extrusion);
    return true;
}

void Insert_::WriteToDXF(DXFTextFile& file, const std::string& layerName) const {
    Point_::WriteToDXF(file, layerName);
    if (!BlockName.empty())
        file.WriteString(2, BlockName);
    if (Scale.x != 1 || Scale.y != 1 || Scale.z != 1) {
        file.WriteReal(41, Scale.x);
        file.WriteReal(42, Scale.y);
        file.WriteReal(43, Scale.z);
    }
    if (Rotation != 0)
        file.WriteReal(50, Rotation * DegPerRad);
    if (NumAttribs < 1) {
        file.WriteString(66, "0");
        return;
    }
    file.WriteString(66, "1");
    for (int i = 0; i < NumAttribs; ++i)
        Attribs[static_cast<std::size_t>(i)]->WriteToDXF(file, layerName);
    file.WriteString(0, "SEQEND");
}

std::string Insert_::Details() {
    std::string s = Point_::Details() + CRLF + "Block \t" + BlockName + CRLF + "Scaling\t" +
                    Point3DToStr(Scale) + CRLF + "Rotation\t" + RealToStr(Rotation * DegPerRad) +
                    CRLF + "Attribs \t" + std::to_string(NumAttribs);
    for (int i = 0; i < NumAttribs; ++i)
        s += std::string(CRLF) + CRLF + std::to_string(i + 1) + " : " +
             Attribs[static_cast<std::size_t>(i)]->Details();
    s += std::string(CRLF) + CRLF + "----BLOCK-----" + CRLF + FindBlock().Details() + CRLF +
         "---ENDBLOCK---";
    return s;
}

// ---- Block_ --------------------------------------------------------------------------

Block_::Block_(const std::string& name, const Point3D& basepoint) {
    Name = name;
    Basepoint = basepoint;
}

void Block_::Add(std::unique_ptr<DXF_Entity> child) {
    Entities.push_back(std::move(child));
}

void Block_::SetBlockList(Entity_List* blocks) {
    BlockWalk walk(*this);
    for (const auto& child : Entities)
        if (auto* insert = dynamic_cast<Insert_*>(child.get()))
            insert->SetBlockList(blocks);
}

void Block_::Draw(DXFCanvas& canvas, const Matrix4x4* matrix, const ProjectPoint& project) {
    BlockWalk walk(*this);
    const auto m = EffectiveMatrix(matrix);
    for (const auto& child : Entities)
        child->Draw(canvas, Ptr(m), project);
}

void Block_::DrawVertices(DXFCanvas& canvas, const Matrix4x4* matrix, const ProjectPoint& project) {
    for (const auto& child : Entities)
        child->DrawVertices(canvas, matrix, project);
}

void Block_::WriteToDXF(DXFTextFile& file, const std::string& layerName) const {
    file.WriteString(0, ProperName());
    file.WriteString(8, layerName);
    file.WriteString(2, Name);
    WriteVector(file, 10, Basepoint);
    for (const auto& child : Entities)
        child->WriteToDXF(file, layerName);
    file.WriteString(0, "ENDBLK");
}

std::string Block_::Details() {
    BlockWalk walk(*this);
    std::string s = "Name :\t" + Name + CRLF + "Base :\t" + Point3DToStr(Basepoint);
    for (const auto& child : Entities)
        s += std::string(CRLF) + CRLF + child->Details();
    return s;
}

double Block_::DistanceSquared(const Point3D&) const {
    return FarAway;
}

Point3D Block_::ClosestVertex(const Point3D&) const {
    return {FarAway, FarAway, FarAway};
}

} // namespace orlenta
