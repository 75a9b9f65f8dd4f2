// The program's font service; see FontSources.h.
#include "glyph/FontSources.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <memory>

namespace orlenta {

bool TFontSources::GetGlyphOutline(const TFontSpec& font, char32_t code, bool withOutline,
                                   TNativeGlyph& glyph) {
    if (FindStrokeFace(font.Name))
        return stroke_.GetGlyphOutline(font, code, withOutline, glyph);
    return outline_.GetGlyphOutline(font, code, withOutline, glyph);
}

bool TFontSources::GetOpenStrokes(const TFontSpec& font, char32_t code,
                                  std::vector<TOpenPolyline>& polylines) {
    return stroke_.GetOpenStrokes(font, code, polylines);
}

bool TFontSources::HasGlyph(const TFontSpec& font, char32_t code) {
    if (FindStrokeFace(font.Name))
        return stroke_.HasGlyph(font, code);
    return outline_.HasGlyph(font, code);
}

bool TFontSources::Shape(const TFontSpec& font, const std::u32string& text,
                         std::vector<TShapedGlyph>& glyphs) {
    if (FindStrokeFace(font.Name))
        return false;
    return outline_.Shape(font, text, glyphs);
}

bool TFontSources::GetGlyphOutlineByIndex(const TFontSpec& font, std::uint32_t index,
                                          bool withOutline, TNativeGlyph& glyph) {
    if (FindStrokeFace(font.Name))
        return false;
    return outline_.GetGlyphOutlineByIndex(font, index, withOutline, glyph);
}

std::string TFontSources::FaceName(const TFontSpec& font) {
    if (const TStrokeFace* face = FindStrokeFace(font.Name))
        return face->Name;
    return outline_.FaceName(font);
}

std::vector<std::string> StrokeFontNames() {
    std::vector<std::string> names;
    for (const TStrokeFace& f : StrokeFaces())
        names.emplace_back(f.Name);
    return names;
}

namespace {
struct PatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct ObjectSetDeleter {
    void operator()(FcObjectSet* s) const { FcObjectSetDestroy(s); }
};
struct FontSetDeleter {
    void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
struct ConfigDeleter {
    void operator()(FcConfig* c) const { FcConfigDestroy(c); }
};
} // namespace

std::vector<std::string> SystemFontFamilies() {
    std::vector<std::string> families;
    std::unique_ptr<FcConfig, ConfigDeleter> config(FcInitLoadConfigAndFonts());
    std::unique_ptr<FcPattern, PatternDeleter> pattern(FcPatternCreate());
    std::unique_ptr<FcObjectSet, ObjectSetDeleter> objects(
        FcObjectSetBuild(FC_FAMILY, FC_SCALABLE, nullptr));
    if (!config || !pattern || !objects)
        return families;
    // Only scalable fonts give outlines.
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    std::unique_ptr<FcFontSet, FontSetDeleter> set(
        FcFontList(config.get(), pattern.get(), objects.get()));
    if (!set)
        return families;
    for (int i = 0; i < set->nfont; ++i) {
        FcChar8* family = nullptr;
        if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch && family)
            families.emplace_back(reinterpret_cast<const char*>(family));
    }
    std::ranges::sort(families);
    families.erase(std::unique(families.begin(), families.end()), families.end());
    return families;
}

} // namespace orlenta
