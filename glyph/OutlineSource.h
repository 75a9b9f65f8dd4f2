// The font service the outline converter talks to: a face name with bold and italic
// flags and a character code in, the native outline and the advance out. FreeType is one
// source; others (single-line engraving fonts) can stand beside it.
#pragma once

#include "glyph/NativeOutline.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orlenta {

// Outlines are realised at this size on a screen of this resolution, so one outline unit
// is one pixel and the em is 1024 * 96 / 72 = 1365 units.
constexpr int OutlineFontPoints = 1024;
constexpr int OutlineDpi = 96;
constexpr int OutlineEmUnits = (OutlineFontPoints * OutlineDpi + 36) / 72;

struct TFontSpec {
    std::string Name = "Arial";
    bool Bold = false;
    bool Italic = false;
    bool operator==(const TFontSpec&) const = default;
};

struct TNativeGlyph {
    GLYPHMETRICS Metrics; // only gmCellIncX is used, and sources need fill no other field
    std::vector<std::uint8_t> Outline; // native records; empty when there is no outline
};

// One stroke of a single-line font: an open polyline in outline units, y up, in the order
// the pen draws it. It is engraved once along its length, never closed.
using TOpenPolyline = std::vector<TOutlinePoint>;

// One glyph of a shaped text, in the order it is drawn (left to right, also for a text that
// reads right to left). Glyph is the font's own index; Cluster the index in the text of the
// first character it stands for. Outline units, y up: the pen moves XAdvance past the glyph,
// which is drawn XOffset, YOffset away from the pen.
struct TShapedGlyph {
    std::uint32_t Glyph = 0;
    std::uint32_t Cluster = 0;
    double XAdvance = 0;
    double XOffset = 0;
    double YOffset = 0;
};

class TOutlineSource {
  public:
    virtual ~TOutlineSource() = default;

    // Looks up code (a Unicode code point) in the font. Returns false when the glyph has no
    // contours (the space); otherwise fills the metrics and, when withOutline is set, the
    // outline records. A code the font lacks gives the font's missing-glyph box. Throws
    // EFontError when the font cannot be realised or the glyph cannot be loaded.
    virtual bool GetGlyphOutline(const TFontSpec& font, char32_t code, bool withOutline,
                                 TNativeGlyph& glyph) = 0;

    // Single-line fonts: returns true when the font is one and sets polylines to the open
    // strokes of code (none for the space or a character the font lacks; no two points in
    // a row equal). Outline fonts return false and leave polylines alone.
    virtual bool GetOpenStrokes(const TFontSpec& font, char32_t code,
                                std::vector<TOpenPolyline>& polylines) {
        (void)font;
        (void)code;
        (void)polylines;
        return false;
    }

    // False when the font maps code (a Unicode code point) to no glyph of its own, so that
    // GetGlyphOutline answers with the font's missing-glyph box. A source that cannot tell
    // claims every character.
    virtual bool HasGlyph(const TFontSpec&, char32_t) { return true; }

    // Shaping: returns true when the font can be shaped and sets glyphs to the text (Unicode
    // code points) as the font's own rules set it: kerning, ligatures, marks placed on their
    // bases, right-to-left scripts in their order. Sources that cannot shape (single-line
    // fonts) return false and leave glyphs alone.
    virtual bool Shape(const TFontSpec& font, const std::u32string& text,
                       std::vector<TShapedGlyph>& glyphs) {
        (void)font;
        (void)text;
        (void)glyphs;
        return false;
    }

    // GetGlyphOutline for a glyph index that Shape gave.
    virtual bool GetGlyphOutlineByIndex(const TFontSpec& font, std::uint32_t index,
                                        bool withOutline, TNativeGlyph& glyph) {
        (void)font;
        (void)index;
        (void)withOutline;
        (void)glyph;
        return false;
    }

    // The family name of the face that draws font: the name asked for, or the one the
    // system put in its place when it has no such face. Empty when the source cannot tell.
    // Throws EFontError when the font cannot be realised.
    virtual std::string FaceName(const TFontSpec& font) {
        (void)font;
        return {};
    }
};

} // namespace orlenta
