// The program's font service: the stroke faces by their names, every other face name
// through FreeType and fontconfig; and the list of faces a user can pick from.
#pragma once

#include "glyph/FreeTypeFontService.h"
#include "glyph/StrokeFontSource.h"

#include <string>
#include <vector>

namespace orlenta {

class TFontSources : public TOutlineSource {
  public:
    bool GetGlyphOutline(const TFontSpec& font, char32_t code, bool withOutline,
                         TNativeGlyph& glyph) override;
    bool GetOpenStrokes(const TFontSpec& font, char32_t code,
                        std::vector<TOpenPolyline>& polylines) override;
    bool HasGlyph(const TFontSpec& font, char32_t code) override;
    // Outline fonts only; the stroke faces are laid out unshaped.
    bool Shape(const TFontSpec& font, const std::u32string& text,
               std::vector<TShapedGlyph>& glyphs) override;
    bool GetGlyphOutlineByIndex(const TFontSpec& font, std::uint32_t index, bool withOutline,
                                TNativeGlyph& glyph) override;
    // A stroke face by its own name; any other through FreeType.
    std::string FaceName(const TFontSpec& font) override;

  private:
    TStrokeFontSource stroke_;
    TFreeTypeFontService outline_;
};

// The names of the stroke faces, in StrokeFaces order.
std::vector<std::string> StrokeFontNames();
// The families of the scalable outline fonts fontconfig knows, sorted, each once.
std::vector<std::string> SystemFontFamilies();

} // namespace orlenta
