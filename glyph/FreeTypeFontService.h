// The outline source on FreeType, with faces found through fontconfig.
#pragma once

#include "glyph/OutlineSource.h"

#include <memory>
#include <string>

namespace orlenta {

struct TResolvedFont {
    std::string File; // empty when fontconfig found no font at all
    int Index = 0;    // face index within the file
};

class TFreeTypeFontService : public TOutlineSource {
  public:
    // fontconfig's configuration is the system's, loaded on the first lookup and shared by
    // every service of the process.
    TFreeTypeFontService();
    // A configuration of its own, from that file, for this service only.
    explicit TFreeTypeFontService(const std::string& fontConfigFile);
    ~TFreeTypeFontService() override;
    TFreeTypeFontService(const TFreeTypeFontService&) = delete;
    TFreeTypeFontService& operator=(const TFreeTypeFontService&) = delete;

    bool GetGlyphOutline(const TFontSpec& font, char32_t code, bool withOutline,
                         TNativeGlyph& glyph) override;
    // False also when no face could be opened: then nothing of the text is drawn.
    bool HasGlyph(const TFontSpec& font, char32_t code) override;
    // libraqm (HarfBuzz and the bidirectional order) on the FreeType face, at the outline
    // size, unhinted.
    bool Shape(const TFontSpec& font, const std::u32string& text,
               std::vector<TShapedGlyph>& glyphs) override;
    bool GetGlyphOutlineByIndex(const TFontSpec& font, std::uint32_t index, bool withOutline,
                                TNativeGlyph& glyph) override;
    // The family name the font file gives (FreeType's family_name).
    std::string FaceName(const TFontSpec& font) override;

    // The file fontconfig picks for the face name and style: its best match, so a name
    // that is not installed still gives a font.
    TResolvedFont Resolve(const TFontSpec& font);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace orlenta
