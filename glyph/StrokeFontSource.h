// Single-line (stroke) engraving fonts: the Hershey faces of Debian's hershey-fonts-data,
// read with libhersheyfont. Their glyphs are open polylines, not outlines.
#pragma once

#include "glyph/OutlineSource.h"

#include "kernel/Errors.h"

#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace orlenta {

// Capitals of a stroke font are this many outline units high: the height of the capitals
// of the default sans face (Arial, or Liberation Sans in its place: 1409 of 2048 units to
// the em), so that the same Height gives the same capitals in either kind of font.
constexpr double StrokeCapHeight = 1409.0 * OutlineEmUnits / 2048;

struct TStrokeFace {
    const char* Name; // as the user picks it
    const char* File; // the font's name in the Hershey data folder
};

// The stroke faces offered, in the order they are listed.
std::span<const TStrokeFace> StrokeFaces();

// The stroke face a face name selects: one of StrokeFaces by name (case does not matter),
// or the face that stands in for "Stick40", a single-line face that Linux machines lack.
// nullptr for any other name.
const TStrokeFace* FindStrokeFace(std::string_view name);

// A Hershey data file that cannot be read (hershey-fonts-data not installed).
class EStrokeFontError : public OrlentaError {
  public:
    explicit EStrokeFontError(const std::string& file)
        : OrlentaError("Cannot read the stroke font '" + file + "'") {}
};

class TStrokeFontSource : public TOutlineSource {
  public:
    TStrokeFontSource();
    ~TStrokeFontSource() override;
    TStrokeFontSource(const TStrokeFontSource&) = delete;
    TStrokeFontSource& operator=(const TStrokeFontSource&) = delete;

    // The advance of a character with strokes; false for the space, for characters the
    // face lacks and for names that are no stroke face. The outline stays empty.
    bool GetGlyphOutline(const TFontSpec& font, char32_t code, bool withOutline,
                         TNativeGlyph& glyph) override;
    bool GetOpenStrokes(const TFontSpec& font, char32_t code,
                        std::vector<TOpenPolyline>& polylines) override;
    // True for the characters the face draws (printable ASCII but the space); a stroke
    // face has no missing-glyph box, so every other character engraves as nothing.
    bool HasGlyph(const TFontSpec& font, char32_t code) override;

  private:
    struct TLoadedFace;
    // Throws EStrokeFontError when the face's file cannot be read.
    const TLoadedFace& Load(const TStrokeFace& face);

    std::map<std::string, std::unique_ptr<TLoadedFace>> faces_;
};

} // namespace orlenta
