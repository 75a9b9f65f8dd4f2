// The Hershey stroke fonts; see StrokeFontSource.h.
#include "glyph/StrokeFontSource.h"

// A C header without C++ guards.
extern "C" {
#include <hersheyfont.h>
}

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>

namespace orlenta {

namespace {

constexpr std::array<TStrokeFace, 15> Faces = {{
    {"Hershey Roman Simplex", "rowmans"},
    {"Hershey Roman Duplex", "rowmand"},
    {"Hershey Roman Triplex", "rowmant"},
    {"Hershey Futura Light", "futural"},
    {"Hershey Futura Medium", "futuram"},
    {"Hershey Script Simplex", "scripts"},
    {"Hershey Script Complex", "scriptc"},
    {"Hershey Cursive", "cursive"},
    {"Hershey Times Roman", "timesr"},
    {"Hershey Times Roman Bold", "timesrb"},
    {"Hershey Times Italic", "timesi"},
    {"Hershey Times Italic Bold", "timesib"},
    {"Hershey Gothic English", "gothiceng"},
    {"Hershey Gothic German", "gothicger"},
    {"Hershey Gothic Italian", "gothicita"},
}};

// "Stick40" is a plain single-stroke sans face; Roman Simplex is the Hershey face
// closest to it.
constexpr std::string_view StickFaceName = "Stick40";
constexpr std::size_t StickStandIn = 0;

// The Hershey fonts hold the printable ASCII characters only.
constexpr char32_t FirstCode = 32;
constexpr char32_t LastCode = 126;

bool SameName(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

struct FontDeleter {
    void operator()(hershey_font* f) const { hershey_font_free(f); }
};

} // namespace

std::span<const TStrokeFace> StrokeFaces() {
    return Faces;
}

const TStrokeFace* FindStrokeFace(std::string_view name) {
    for (const TStrokeFace& f : Faces)
        if (SameName(name, f.Name))
            return &f;
    if (SameName(name, StickFaceName))
        return &Faces[StickStandIn];
    return nullptr;
}

struct TStrokeFontSource::TLoadedFace {
    std::unique_ptr<hershey_font, FontDeleter> Font;
    double Scale = 1; // outline units per Hershey unit
};

TStrokeFontSource::TStrokeFontSource() = default;
TStrokeFontSource::~TStrokeFontSource() = default;

const TStrokeFontSource::TLoadedFace& TStrokeFontSource::Load(const TStrokeFace& face) {
    auto it = faces_.find(face.File);
    if (it != faces_.end())
        return *it->second;
    auto loaded = std::make_unique<TLoadedFace>();
    loaded->Font.reset(hershey_font_load(face.File));
    if (!loaded->Font)
        throw EStrokeFontError(face.File);
    // The top of the "H" is the face's cap height (21 units in every face offered).
    int capHeight = 0;
    const hershey_glyph* h = hershey_font_glyph(loaded->Font.get(), 'H');
    for (const hershey_path* p = h->paths; p; p = p->next)
        for (unsigned i = 0; i < p->nverts; ++i)
            capHeight = std::max<int>(capHeight, p->verts[i].y);
    if (capHeight <= 0)
        throw EStrokeFontError(face.File);
    loaded->Scale = StrokeCapHeight / capHeight;
    return *faces_.emplace(face.File, std::move(loaded)).first->second;
}

namespace {
const hershey_glyph* GlyphOf(hershey_font* font, char32_t code) {
    if (code < FirstCode || code > LastCode)
        return nullptr;
    const hershey_glyph* g = hershey_font_glyph(font, static_cast<unsigned char>(code));
    return g && g->npaths > 0 && g->paths ? g : nullptr;
}

// The glyph's advance in Hershey units. A few glyphs of the data have equal left and
// right bounds (Roman Triplex "J"), so width 0; they get side bearings as wide as their
// left one.
int Advance(const hershey_glyph& g) {
    if (g.width > 0)
        return g.width;
    int minX = 0, maxX = 0;
    bool first = true;
    for (const hershey_path* p = g.paths; p; p = p->next)
        for (unsigned i = 0; i < p->nverts; ++i) {
            minX = first ? p->verts[i].x : std::min<int>(minX, p->verts[i].x);
            maxX = first ? p->verts[i].x : std::max<int>(maxX, p->verts[i].x);
            first = false;
        }
    return std::max(maxX + std::max(minX, 0), 1);
}
} // namespace

bool TStrokeFontSource::GetGlyphOutline(const TFontSpec& font, char32_t code, bool withOutline,
                                        TNativeGlyph& glyph) {
    (void)withOutline;
    const TStrokeFace* face = FindStrokeFace(font.Name);
    if (!face)
        return false;
    const TLoadedFace& loaded = Load(*face);
    const hershey_glyph* g = GlyphOf(loaded.Font.get(), code);
    if (!g)
        return false;
    glyph.Metrics = GLYPHMETRICS{};
    glyph.Metrics.gmCellIncX = static_cast<std::int16_t>(std::lround(Advance(*g) * loaded.Scale));
    glyph.Outline.clear();
    return true;
}

bool TStrokeFontSource::HasGlyph(const TFontSpec& font, char32_t code) {
    const TStrokeFace* face = FindStrokeFace(font.Name);
    return face && GlyphOf(Load(*face).Font.get(), code) != nullptr;
}

bool TStrokeFontSource::GetOpenStrokes(const TFontSpec& font, char32_t code,
                                       std::vector<TOpenPolyline>& polylines) {
    const TStrokeFace* face = FindStrokeFace(font.Name);
    if (!face)
        return false;
    const TLoadedFace& loaded = Load(*face);
    polylines.clear();
    const hershey_glyph* g = GlyphOf(loaded.Font.get(), code);
    if (!g)
        return true;
    for (const hershey_path* p = g->paths; p; p = p->next) {
        TOpenPolyline line;
        line.reserve(p->nverts);
        for (unsigned i = 0; i < p->nverts; ++i) {
            const TOutlinePoint q{p->verts[i].x * loaded.Scale, p->verts[i].y * loaded.Scale};
            // A repeated point would be a move of length zero.
            if (line.empty() || !(line.back() == q))
                line.push_back(q);
        }
        if (line.size() >= 2)
            polylines.push_back(std::move(line));
    }
    return true;
}

} // namespace orlenta
