// The outline source on FreeType and fontconfig; see FreeTypeFontService.h.
//
// FreeType gives outline points with on/off-curve tags; this file rewrites them as the
// native record layout: runs of on-curve points as line records, runs of conic control
// points as quadratic spline records whose implied on-curve points are the exact
// midpoints of neighbouring controls, and cubic (CFF) curves as quadratic pieces.
#include "glyph/FreeTypeFontService.h"

#include "glyph/CubicToQuadratic.h"

#include "kernel/Errors.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include <raqm.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <tuple>

namespace orlenta {

namespace {
// FreeType's text for each of its error codes, from its own list (FT_Error_String gives
// nothing unless FreeType was built with error strings).
// clang-format off
#undef FTERRORS_H_
#define FT_ERRORDEF(e, v, s) {e, s},
#define FT_ERROR_START_LIST {
#define FT_ERROR_END_LIST {0, nullptr}}
// clang-format on
struct FreeTypeErrorText {
    int Code;
    const char* Text;
};
constexpr FreeTypeErrorText FreeTypeErrors[] =
#include FT_ERRORS_H
    ;

std::string FreeTypeText(FT_Error error) {
    for (const FreeTypeErrorText* e = FreeTypeErrors; e->Text; ++e)
        if (e->Code == error)
            return e->Text;
    return "FreeType error " + std::to_string(error);
}

// U+0041 for 'A'.
std::string CodePointName(char32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(code));
    return text;
}

[[noreturn]] void RaiseFontError(const std::string& what, FT_Error error) {
    throw EFontError(what + ": " + FreeTypeText(error));
}

struct LibraryDeleter {
    void operator()(FT_Library lib) const { FT_Done_FreeType(lib); }
};
struct FaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
struct ConfigDeleter {
    void operator()(FcConfig* config) const { FcConfigDestroy(config); }
};
struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using LibraryPtr = std::unique_ptr<FT_LibraryRec_, LibraryDeleter>;
using FacePtr = std::unique_ptr<FT_FaceRec_, FaceDeleter>;
using ConfigPtr = std::unique_ptr<FcConfig, ConfigDeleter>;
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;
struct RaqmDeleter {
    void operator()(raqm_t* layout) const { raqm_destroy(layout); }
};
using RaqmPtr = std::unique_ptr<raqm_t, RaqmDeleter>;

// Unhinted, so that outlines do not depend on the hinting engine's version, and never a
// bitmap strike.
constexpr FT_Int32 LoadFlags = FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;

// A curve record counts its points in 16 bits.
constexpr std::size_t MaxRecordPoints = 0xFFFF;

// The glyph of code; 0, the missing-glyph box, when the font has none. Symbol fonts map
// their characters at 0xF000 and above.
FT_UInt GlyphIndex(FT_Face face, char32_t code) {
    FT_UInt index = FT_Get_Char_Index(face, code);
    if (index == 0 && face->charmap && face->charmap->encoding == FT_ENCODING_MS_SYMBOL)
        index = FT_Get_Char_Index(face, 0xF000 | code);
    return index;
}

TOutlinePoint FromF26Dot6(FT_Vector v) {
    return {v.x / 64.0, v.y / 64.0};
}

TOutlinePoint Midpoint(TOutlinePoint a, TOutlinePoint b) {
    return {(a.x + b.x) / 2, (a.y + b.y) / 2};
}

std::int16_t ClampToInt16(double v) {
    if (!(v > std::numeric_limits<std::int16_t>::min()))
        return std::numeric_limits<std::int16_t>::min();
    if (!(v < std::numeric_limits<std::int16_t>::max()))
        return std::numeric_limits<std::int16_t>::max();
    return static_cast<std::int16_t>(std::lround(v));
}

// Collects the points of one contour into records.
class ContourEmitter {
  public:
    explicit ContourEmitter(TNativeOutlineWriter& out) : out_(out) {}

    void Begin(TOutlinePoint start) {
        out_.BeginContour(start);
        current_ = start;
        lines_.clear();
        conics_.clear();
        cubics_.clear();
    }

    void Point(TOutlinePoint p, int tag) {
        if (tag == FT_CURVE_TAG_ON) {
            if (!conics_.empty() || !cubics_.empty()) {
                OnCurve(p);
                return;
            }
            lines_.push_back(p);
            if (lines_.size() == MaxRecordPoints)
                FlushLines();
        } else if (tag == FT_CURVE_TAG_CUBIC) {
            FlushLines();
            conics_.clear(); // a mixed run is malformed; the cubic wins
            if (cubics_.size() < 2)
                cubics_.push_back(p);
        } else {
            FlushLines();
            cubics_.clear();
            conics_.push_back(p);
            if (conics_.size() == MaxRecordPoints - 1) {
                // Split at an implied on-curve point so the record count fits.
                const TOutlinePoint last = conics_.back();
                conics_.pop_back();
                const TOutlinePoint mid = Midpoint(conics_.back(), last);
                OnCurve(mid);
                conics_.push_back(last);
            }
        }
    }

    // Returns to the start point: a pending curve ends there; a line run needs no closing
    // point, since the walk closes every contour.
    void Close(TOutlinePoint start) {
        if (!conics_.empty() || !cubics_.empty())
            OnCurve(start);
        FlushLines();
    }

  private:
    // Ends a pending curve at the on-curve point p.
    void OnCurve(TOutlinePoint p) {
        if (!conics_.empty()) {
            conics_.push_back(p);
            out_.AddQSpline(conics_);
            conics_.clear();
        } else if (cubics_.size() == 2) {
            for (const auto& piece : CubicToQuadratics(current_, cubics_[0], cubics_[1], p))
                out_.AddQSpline({piece.Control, piece.End});
            cubics_.clear();
        } else if (!cubics_.empty()) {
            // One cubic control only: a quadratic with that control is the nearest reading.
            out_.AddQSpline({cubics_[0], p});
            cubics_.clear();
        }
        current_ = p;
    }

    void FlushLines() {
        if (lines_.empty())
            return;
        out_.AddLine(lines_);
        current_ = lines_.back();
        lines_.clear();
    }

    TNativeOutlineWriter& out_;
    TOutlinePoint current_;
    std::vector<TOutlinePoint> lines_;
    std::vector<TOutlinePoint> conics_;
    std::vector<TOutlinePoint> cubics_;
};

std::vector<std::uint8_t> OutlineToRecords(const FT_Outline& outline) {
    TNativeOutlineWriter writer;
    // A header per contour and at most a record head and a point per outline point, unless
    // cubic curves are split.
    writer.Reserve(static_cast<std::size_t>(outline.n_contours) * sizeof(TTPOLYGONHEADER) +
                   static_cast<std::size_t>(outline.n_points) *
                       (sizeof(TTPOLYCURVEHEAD) + sizeof(POINTFX)));
    ContourEmitter emitter(writer);
    int first = 0;
    for (int c = 0; c < outline.n_contours; ++c) {
        const int last = outline.contours[c];
        if (last < first || last >= outline.n_points)
            break;
        auto point = [&](int i) { return FromF26Dot6(outline.points[i]); };
        auto tag = [&](int i) { return static_cast<int>(FT_CURVE_TAG(outline.tags[i])); };
        TOutlinePoint start;
        int from = first, to = last;
        if (tag(first) == FT_CURVE_TAG_ON) {
            start = point(first);
            from = first + 1;
        } else if (tag(last) == FT_CURVE_TAG_ON) {
            start = point(last);
            to = last - 1;
        } else if (tag(first) == FT_CURVE_TAG_CONIC && tag(last) == FT_CURVE_TAG_CONIC) {
            // TrueType allows a contour of control points only: it starts at an implied point.
            start = Midpoint(point(last), point(first));
        } else {
            start = point(first); // malformed cubic contour: start on its first point
            from = first + 1;
        }
        emitter.Begin(start);
        for (int i = from; i <= to; ++i)
            emitter.Point(point(i), tag(i));
        emitter.Close(start);
        first = last + 1;
    }
    return writer.Finish();
}
} // namespace

namespace {
// A fontconfig configuration, loaded on its first lookup, and the answers it gave. The
// system's is loaded only once in the process: parsing it is most of the cost of a short
// job, and every converter (a window, a batch, parallel jobs) asks the same questions.
// Lookups hold the lock; fontconfig's own thread safety varies between versions.
class TFontLookup {
  public:
    // The system's configuration, shared by every service that names no file of its own.
    static TFontLookup& Shared() {
        static TFontLookup shared{std::string()};
        return shared;
    }

    // file empty: the system's configuration.
    explicit TFontLookup(std::string file) : file_(std::move(file)) {}

    // Null when the configuration cannot be loaded.
    FcConfig* Config() {
        std::call_once(loaded_, [this] { config_.reset(Load()); });
        return config_.get();
    }

    TResolvedFont Resolve(const TFontSpec& font) {
        FcConfig* config = Config();
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto key = std::make_tuple(font.Name, font.Bold, font.Italic);
        if (auto it = resolved_.find(key); it != resolved_.end())
            return it->second;
        TResolvedFont result;
        PatternPtr pattern(FcPatternCreate());
        if (config && pattern) {
            FcPatternAddString(pattern.get(), FC_FAMILY,
                               reinterpret_cast<const FcChar8*>(font.Name.c_str()));
            FcPatternAddInteger(pattern.get(), FC_WEIGHT,
                                font.Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
            FcPatternAddInteger(pattern.get(), FC_SLANT,
                                font.Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
            FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
            FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
            FcConfigSubstitute(config, pattern.get(), FcMatchPattern);
            FcDefaultSubstitute(pattern.get());
            FcResult res = FcResultNoMatch;
            PatternPtr match(FcFontMatch(config, pattern.get(), &res));
            FcChar8* file = nullptr;
            if (match && FcPatternGetString(match.get(), FC_FILE, 0, &file) == FcResultMatch &&
                file) {
                result.File = reinterpret_cast<const char*>(file);
                int index = 0;
                if (FcPatternGetInteger(match.get(), FC_INDEX, 0, &index) == FcResultMatch)
                    result.Index = index;
            }
        }
        resolved_.emplace(key, result);
        return result;
    }

  private:
    FcConfig* Load() const {
        if (file_.empty())
            return FcInitLoadConfigAndFonts();
        FcConfig* config = FcConfigCreate();
        if (config && (!FcConfigParseAndLoad(
                           config, reinterpret_cast<const FcChar8*>(file_.c_str()), FcTrue) ||
                       !FcConfigBuildFonts(config))) {
            FcConfigDestroy(config);
            return nullptr;
        }
        return config;
    }

    std::string file_;
    std::once_flag loaded_;
    ConfigPtr config_;
    std::mutex mutex_;
    std::map<std::tuple<std::string, bool, bool>, TResolvedFont> resolved_;
};
} // namespace

struct TFreeTypeFontService::Impl {
    // Declared first so that it is destroyed after the faces.
    LibraryPtr library;
    FT_Error libraryError = 0;              // why library is null; raised on first use
    std::unique_ptr<TFontLookup> ownLookup; // null: the shared one
    TFontLookup& Lookup() { return ownLookup ? *ownLookup : TFontLookup::Shared(); }
    std::map<std::pair<std::string, int>, FacePtr> faces;
    // The face of the last query, which is nearly always the face of the next.
    TFontSpec lastSpec;
    FT_Face lastFace = nullptr;
    bool haveLast = false;

    FT_Face FaceFor(const TFontSpec& spec, TFreeTypeFontService& self);
};

TFreeTypeFontService::TFreeTypeFontService(const std::string& fontConfigFile)
    : TFreeTypeFontService() {
    impl_->ownLookup = std::make_unique<TFontLookup>(fontConfigFile);
}

TFreeTypeFontService::TFreeTypeFontService() : impl_(std::make_unique<Impl>()) {
    // Failures are kept and raised by the first query, so that a program whose fonts
    // cannot work still starts and can say why.
    FT_Library lib = nullptr;
    impl_->libraryError = FT_Init_FreeType(&lib);
    if (impl_->libraryError == 0)
        impl_->library.reset(lib);
}

TFreeTypeFontService::~TFreeTypeFontService() = default;

TResolvedFont TFreeTypeFontService::Resolve(const TFontSpec& font) {
    return impl_->Lookup().Resolve(font);
}

FT_Face TFreeTypeFontService::Impl::FaceFor(const TFontSpec& spec, TFreeTypeFontService& self) {
    if (haveLast && spec == lastSpec)
        return lastFace;
    if (!library)
        RaiseFontError("Cannot start FreeType", libraryError);
    if (!Lookup().Config())
        throw EFontError("Cannot load the fontconfig configuration");
    const TResolvedFont file = self.Resolve(spec);
    if (file.File.empty())
        throw EFontError("fontconfig finds no font for \"" + spec.Name + "\"");
    const auto key = std::make_pair(file.File, file.Index);
    auto it = faces.find(key);
    if (it == faces.end()) {
        FT_Face opened = nullptr;
        if (const FT_Error error =
                FT_New_Face(library.get(), file.File.c_str(), file.Index, &opened))
            RaiseFontError("Cannot open the font file " + file.File, error);
        FacePtr owned(opened);
        // Symbol fonts have no Unicode map; their own map is the next best.
        if (FT_Select_Charmap(opened, FT_ENCODING_UNICODE) != 0 && opened->num_charmaps > 0)
            FT_Set_Charmap(opened, opened->charmaps[0]);
        if (!FT_IS_SCALABLE(opened))
            throw EFontError("The font file " + file.File + " has no outlines");
        if (const FT_Error error = FT_Set_Pixel_Sizes(opened, OutlineEmUnits, OutlineEmUnits))
            RaiseFontError("Cannot size the font file " + file.File, error);
        it = faces.emplace(key, std::move(owned)).first;
    }
    FT_Face face = it->second.get();
    lastSpec = spec;
    lastFace = face;
    haveLast = true;
    return face;
}

namespace {
// The glyph loaded in the face's slot as the source's answer.
bool SlotGlyph(FT_Face face, bool withOutline, TNativeGlyph& glyph) {
    const FT_GlyphSlot slot = face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE || slot->outline.n_contours <= 0)
        return false;
    glyph.Metrics = GLYPHMETRICS{};
    // The unhinted advance, 16.16 pixels, rounded to the nearest whole unit.
    glyph.Metrics.gmCellIncX = ClampToInt16(slot->linearHoriAdvance / 65536.0);
    glyph.Outline.clear();
    if (withOutline)
        glyph.Outline = OutlineToRecords(slot->outline);
    return true;
}
} // namespace

bool TFreeTypeFontService::GetGlyphOutline(const TFontSpec& font, char32_t code, bool withOutline,
                                           TNativeGlyph& glyph) {
    FT_Face face = impl_->FaceFor(font, *this);
    // Index 0, a character the font lacks, loads the font's missing-glyph box.
    if (const FT_Error error = FT_Load_Glyph(face, GlyphIndex(face, code), LoadFlags))
        RaiseFontError("Cannot load the outline of " + CodePointName(code) + " from the font \"" +
                           font.Name + "\"",
                       error);
    return SlotGlyph(face, withOutline, glyph);
}

bool TFreeTypeFontService::GetGlyphOutlineByIndex(const TFontSpec& font, std::uint32_t index,
                                                  bool withOutline, TNativeGlyph& glyph) {
    FT_Face face = impl_->FaceFor(font, *this);
    if (const FT_Error error = FT_Load_Glyph(face, index, LoadFlags))
        RaiseFontError("Cannot load the outline of glyph " + std::to_string(index) +
                           " from the font \"" + font.Name + "\"",
                       error);
    return SlotGlyph(face, withOutline, glyph);
}

// libraqm splits the line into runs of one direction and script (the Unicode bidirectional
// algorithm, through FriBidi: a Hebrew word with digits or Latin letters in it reads right
// to left around left-to-right numbers), shapes each run with HarfBuzz on this face and puts
// them in the order they are drawn. HarfBuzz reads the font's own tables (kerning,
// ligatures, mark positions) and takes the advances from FreeType with the outlines' own
// unhinted load, at the face's size of OutlineEmUnits pixels to the em: its positions are
// 26.6 fixed point of those pixels, which are outline units.
bool TFreeTypeFontService::Shape(const TFontSpec& font, const std::u32string& text,
                                 std::vector<TShapedGlyph>& glyphs) {
    FT_Face face = impl_->FaceFor(font, *this);
    glyphs.clear();
    if (text.empty())
        return true;
    RaqmPtr layout(raqm_create());
    if (!layout)
        throw std::bad_alloc();
    if (!raqm_set_text(layout.get(), reinterpret_cast<const std::uint32_t*>(text.data()),
                       text.size()) ||
        !raqm_set_freetype_face(layout.get(), face) ||
        !raqm_set_freetype_load_flags(layout.get(), LoadFlags) ||
        !raqm_set_par_direction(layout.get(), RAQM_DIRECTION_DEFAULT) || !raqm_layout(layout.get()))
        throw EFontError("Cannot shape the text in the font \"" + font.Name + "\"");
    std::size_t count = 0;
    const raqm_glyph_t* shaped = raqm_get_glyphs(layout.get(), &count);
    if (!shaped && count > 0)
        throw EFontError("Cannot shape the text in the font \"" + font.Name + "\"");
    glyphs.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        glyphs.push_back({shaped[i].index, shaped[i].cluster, shaped[i].x_advance / 64.0,
                          shaped[i].x_offset / 64.0, shaped[i].y_offset / 64.0});
    return true;
}

std::string TFreeTypeFontService::FaceName(const TFontSpec& font) {
    FT_Face face = impl_->FaceFor(font, *this);
    return face && face->family_name ? std::string(face->family_name) : std::string();
}

bool TFreeTypeFontService::HasGlyph(const TFontSpec& font, char32_t code) {
    FT_Face face = impl_->FaceFor(font, *this);
    return face && GlyphIndex(face, code) != 0;
}

} // namespace orlenta
