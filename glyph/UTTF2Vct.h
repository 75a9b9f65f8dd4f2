// The outline converter: one character of a font in, straight strokes in whole outline
// units out (every curve piece cut into Precision strokes), plus character advances.
#pragma once

#include "glyph/OutlineSource.h"

#include "kernel/Errors.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orlenta {

// One stroke of a glyph outline, outline units, y up.
struct TStroke {
    std::int32_t Contour = 0; // 0 for the first contour of the character
    std::int32_t X1 = 0;
    std::int32_t Y1 = 0;
    std::int32_t X2 = 0;
    std::int32_t Y2 = 0;
    bool operator==(const TStroke&) const = default;
};

// An index outside the stroke list.
class EListError : public OrlentaError {
  public:
    EListError() : OrlentaError("Error") {}
};

// Nearest integer, halves to even. Adding and taking away 1.5 * 2^52 leaves the double
// rounded in the current (nearest-even) mode without a library call; values that do not
// fit raise as RoundToInt32 does.
inline std::int32_t RoundHalfEven(double v) {
    constexpr double Shift = 6755399441055744.0; // 1.5 * 2^52
    if (!(v > -1e9 && v < 1e9))
        return RoundToInt32(v);
    // IEEE arithmetic forbids folding (v + Shift) - Shift into v (no -ffast-math here).
    return static_cast<std::int32_t>((v + Shift) - Shift);
}

class TStrokeCollection {
  public:
    // Appends the stroke p-q of contour k, each coordinate rounded to the nearest
    // integer, halves to even.
    void AddStroke(std::int32_t k, TOutlinePoint p, TOutlinePoint q) {
        strokes_.push_back(
            {k, RoundHalfEven(p.x), RoundHalfEven(p.y), RoundHalfEven(q.x), RoundHalfEven(q.y)});
    }
    // Appends a stroke whose coordinates are already whole.
    void Append(const TStroke& stroke) { strokes_.push_back(stroke); }
    void Reserve(std::size_t n) { strokes_.reserve(n); }
    void ClearStrokes() { strokes_.clear(); }
    // Removes strokes that repeat an earlier one, in either direction, whatever their
    // contour: of each run of equal strokes the second, fourth, ... go.
    void RemoveDuplicates();
    // Throws EListError when index is outside 0..Count()-1.
    void GetStroke(int index, TStroke& stroke) const;
    int Count() const { return static_cast<int>(strokes_.size()); }
    const std::vector<TStroke>& Strokes() const { return strokes_; }

  private:
    std::vector<TStroke> strokes_;
};

// Walks a native outline buffer and appends its strokes. A size inside the buffer that
// does not fit (a header below 16 bytes, a record past its contour or past the buffer)
// ends the walk; the strokes found so far stay.
void WalkNativeOutline(const std::uint8_t* data, std::size_t size, int precision,
                       TStrokeCollection& strokes);

constexpr int MinPrecision = 1;
constexpr int MaxPrecision = 100;

class TTTFToVectorConverter {
  public:
    // Uses the stroke fonts by name and FreeType with fontconfig for every other face.
    TTTFToVectorConverter();
    explicit TTTFToVectorConverter(std::unique_ptr<TOutlineSource> source);
    virtual ~TTTFToVectorConverter();
    TTTFToVectorConverter(const TTTFToVectorConverter&) = delete;
    TTTFToVectorConverter& operator=(const TTTFToVectorConverter&) = delete;

    // Advance of the last character ConvertChar turned into strokes, outline units.
    std::int32_t Offset() const { return offset_; }
    void SetOffset(std::int32_t value) { offset_ = value; }
    const TFontSpec& Font() const { return font_; }
    virtual void SetFont(const TFontSpec& font) { font_ = font; }
    std::int32_t Precision() const { return precision_; }
    // Values outside 1..100 are ignored.
    void SetPrecision(std::int32_t value);
    // False: code is an 8-bit Windows-1252 code when below 256 and a Unicode code point
    // above (the two agree on every printable character); true: code is a UTF-16 code unit.
    bool UNICODE() const { return unicode_; }
    void SetUNICODE(bool value) { unicode_ = value; }

    // The strokes of the character, or nullptr when it has no outline. Sets Offset.
    std::unique_ptr<TStrokeCollection> ConvertChar(char32_t code);
    // The character's advance in outline units; 0 when it has no outline.
    std::int32_t GetCharAdvance(char32_t code);
    // The same, but nothing when the character has no outline, so that a glyph with an
    // outline and no advance (a combining mark) can be told from one without an outline.
    std::optional<std::int32_t> OutlineAdvance(char32_t code);
    // False when the font has no glyph of its own for the character and would draw its
    // missing-glyph box instead. A code that names no character has nothing to miss.
    bool HasGlyph(char32_t code);

    // The text shaped by the font (see TOutlineSource::Shape), its codes read as ConvertChar
    // reads them; nothing when the font cannot be shaped (a stroke font).
    std::optional<std::vector<TShapedGlyph>> Shape(const std::u32string& text);
    // ConvertChar for a glyph index that Shape gave.
    std::unique_ptr<TStrokeCollection> ConvertGlyph(std::uint32_t index);
    // The family name of the face that draws the current font (see TOutlineSource).
    std::string FaceName() { return source_->FaceName(font_); }

    TOutlineSource& Source() { return *source_; }

  private:
    bool Query(char32_t code, bool withOutline, TNativeGlyph& glyph);
    // The strokes of the outline in glyph_, or nullptr when it has none.
    std::unique_ptr<TStrokeCollection> WalkGlyph();

    std::unique_ptr<TOutlineSource> source_;
    TFontSpec font_;
    std::int32_t precision_ = 8;
    bool unicode_ = false;
    std::int32_t offset_ = 0;
    TNativeGlyph glyph_; // reused between queries to keep its buffer
};

} // namespace orlenta
