// The origin marker and the size box of the preview; see PreviewOverlay.h.
#include "preview/PreviewOverlay.h"

#include "kernel/QuorvelKernel.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace orlenta {

namespace {

// A 5 x 7 pixel font for the label's characters: one byte per row, top row first, bit 4
// the leftmost pixel.
constexpr int GlyphRows = 7;
constexpr int GlyphAdvance = 6; // 5 pixels and a gap

struct TPixelGlyph {
    char32_t Code;
    std::array<std::uint8_t, GlyphRows> Rows;
};

constexpr TPixelGlyph PixelFont[] = {
    {U'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {U'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {U'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {U'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {U'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {U'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {U'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {U'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {U'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {U'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {U'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {U'-', {0x00, 0x00, 0x00, 0x0E, 0x00, 0x00, 0x00}},
    {U'\u00d7', {0x00, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x00}},
    {U'm', {0x00, 0x00, 0x1A, 0x15, 0x15, 0x11, 0x11}},
    {U'i', {0x04, 0x00, 0x0C, 0x04, 0x04, 0x04, 0x0E}},
    {U'n', {0x00, 0x00, 0x16, 0x19, 0x11, 0x11, 0x11}},
    {U'c', {0x00, 0x00, 0x0E, 0x10, 0x10, 0x11, 0x0E}},
    {U'h', {0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x11}},
};

// Characters the font lacks (the space among them) leave a gap.
const TPixelGlyph* FindGlyph(char32_t c) {
    for (const TPixelGlyph& g : PixelFont)
        if (g.Code == c)
            return &g;
    return nullptr;
}

// The label's characters: ASCII and the two-byte UTF-8 sequences, which is all ExtentLabel
// writes; anything longer counts as one unknown character per byte.
std::u32string Decode(const std::string& text) {
    std::u32string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if ((b & 0xE0) == 0xC0 && i + 1 < text.size()) {
            out += static_cast<char32_t>(((b & 0x1F) << 6) |
                                         (static_cast<unsigned char>(text[i + 1]) & 0x3F));
            ++i;
        } else
            out += b < 0x80 ? static_cast<char32_t>(b) : U'?';
    }
    return out;
}

// Sets the pixels x .. x + length - 1 of row y.
void Run(TDIBUltra& surface, std::int32_t x, std::int32_t y, std::int32_t length) {
    surface.MoveTo(x, y);
    surface.LineTo(surface.ExcludeLastPixel ? x + length : x + length - 1, y);
}

void DrawLabel(TDIBUltra& surface, const std::u32string& text, std::int32_t left, std::int32_t top,
               std::int32_t scale) {
    std::int32_t x = left;
    for (char32_t c : text) {
        if (const TPixelGlyph* g = FindGlyph(c))
            for (int row = 0; row < GlyphRows; ++row)
                for (int col = 0; col < 5;) {
                    if (!(g->Rows[row] & (0x10 >> col))) {
                        ++col;
                        continue;
                    }
                    int end = col;
                    while (end < 5 && (g->Rows[row] & (0x10 >> end)))
                        ++end;
                    for (std::int32_t k = 0; k < scale; ++k)
                        Run(surface, x + col * scale, top + row * scale + k, (end - col) * scale);
                    col = end;
                }
        x += GlyphAdvance * scale;
    }
}

} // namespace

std::optional<TExtent> CutExtent(const TOutRegionArray& toolpaths, const TCarvePathArray& carve) {
    TCutBounds bounds;
    for (std::size_t i = 1; i < toolpaths.size(); ++i) {
        const TVKOutRegion& t = toolpaths[i];
        if (t.Entities.empty())
            continue;
        const TPoint2 s = ToolpathStart(t);
        bounds.Grow(s.x, s.y);
        for (const TMyEntity& e : t.Entities)
            bounds.GrowBySegment(e);
    }
    for (const TCarvePath& p : carve)
        for (const TPoint3& q : p.Points)
            bounds.Grow(q.x, q.y);
    return bounds.Extent();
}

std::string ExtentLabel(const TExtent& box, TUnits units) {
    const int d = SizeDecimals(units);
    char buf[128];
    const std::string unit(UnitsName(units));
    std::snprintf(buf, sizeof buf, "%.*f \u00d7 %.*f %s", d, box.MaxX - box.MinX, d,
                  box.MaxY - box.MinY, unit.c_str());
    return buf;
}

std::int32_t LabelWidth(const std::string& label, std::int32_t scale) {
    const auto n = static_cast<std::int32_t>(Decode(label).size());
    return n > 0 ? (n * GlyphAdvance - 1) * scale : 0;
}

void DrawOriginAndExtent(TPantoGraph& graph, const TExtent& box, const std::string& label,
                         std::uint32_t color, std::int32_t scale) {
    TDIBUltra* surface = graph.Surface();
    if (!surface)
        return;
    scale = std::max(scale, 1);
    surface->SetPenColor(color);
    surface->SetLinePattern(0xFFFFFFFF);
    const TScreenPoint o = graph.WorldToScreen(Vector3D(0, 0, 0));
    const std::int32_t arm = 8 * scale;
    Run(*surface, o.X - arm, o.Y, 2 * arm + 1);
    surface->MoveTo(o.X, o.Y - arm);
    surface->LineTo(o.X, surface->ExcludeLastPixel ? o.Y + arm + 1 : o.Y + arm);

    surface->SetLinePattern(OverlayPattern);
    graph.MoveTo(Vector3D(box.MinX, box.MinY, 0));
    graph.LineTo(Vector3D(box.MaxX, box.MinY, 0));
    graph.LineTo(Vector3D(box.MaxX, box.MaxY, 0));
    graph.LineTo(Vector3D(box.MinX, box.MaxY, 0));
    graph.LineTo(Vector3D(box.MinX, box.MinY, 0));

    // Screen y grows downward: the box's top edge is MaxY.
    surface->SetLinePattern(0xFFFFFFFF);
    const TScreenPoint topLeft = graph.WorldToScreen(Vector3D(box.MinX, box.MaxY, 0));
    const TScreenPoint bottom = graph.WorldToScreen(Vector3D(box.MinX, box.MinY, 0));
    const std::int32_t gap = 4 * scale;
    const std::int32_t height = GlyphRows * scale;
    std::int32_t top = topLeft.Y - gap - height;
    if (top < 0)
        top = bottom.Y + gap;
    DrawLabel(*surface, Decode(label), topLeft.X, top, scale);
}

} // namespace orlenta
