// The converter on installed fonts through FreeType and fontconfig.
#include "glyph/CubicToQuadratic.h"
#include "glyph/FreeTypeFontService.h"
#include "glyph/UTTF2Vct.h"
#include "glyph/Utf8.h"
#include "tests/support/TestFiles.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

using namespace orlenta;

namespace {
// Every contour's strokes chain end to start and the last one returns to the first.
void ExpectClosedContours(const TStrokeCollection& c, const std::string& what) {
    std::map<int, std::vector<TStroke>> byContour;
    for (const auto& s : c.Strokes())
        byContour[s.Contour].push_back(s);
    ASSERT_FALSE(byContour.empty()) << what;
    for (const auto& [k, strokes] : byContour) {
        for (std::size_t i = 0; i < strokes.size(); ++i) {
            const auto& a = strokes[i];
            const auto& b = strokes[(i + 1) % strokes.size()];
            ASSERT_TRUE(a.X2 == b.X1 && a.Y2 == b.Y1)
                << what << " contour " << k << " breaks after stroke " << i;
        }
    }
}

// The face that fontconfig resolves name to, opened with FreeType itself to check the
// converter against; face() is null when it could not be opened.
class DirectFace {
  public:
    explicit DirectFace(const char* name) {
        const auto file = TFreeTypeFontService().Resolve({name, false, false});
        FT_Library lib = nullptr;
        if (FT_Init_FreeType(&lib) != 0)
            return;
        lib_.reset(lib);
        FT_Face face = nullptr;
        if (FT_New_Face(lib, file.File.c_str(), file.Index, &face) == 0)
            face_.reset(face);
    }
    FT_Face face() const { return face_.get(); }

  private:
    struct LibraryDone {
        void operator()(FT_Library l) const { FT_Done_FreeType(l); }
    };
    struct FaceDone {
        void operator()(FT_Face f) const { FT_Done_Face(f); }
    };
    // The face goes before the library it belongs to.
    std::unique_ptr<FT_LibraryRec_, LibraryDone> lib_;
    std::unique_ptr<FT_FaceRec_, FaceDone> face_;
};

class FontTest : public testing::TestWithParam<const char*> {
  protected:
    TTTFToVectorConverter converter;
};

TEST_P(FontTest, OutlinesComeBackAsClosedContours) {
    converter.SetFont({GetParam(), false, false});
    for (char ch : std::string("AB08o")) {
        auto strokes = converter.ConvertChar(static_cast<unsigned char>(ch));
        ASSERT_NE(strokes, nullptr) << ch;
        ExpectClosedContours(*strokes, std::string(GetParam()) + " " + ch);
    }
}

TEST_P(FontTest, AdvancesMatchFreeTypesScaledAdvance) {
    converter.SetFont({GetParam(), false, false});
    const DirectFace direct(GetParam());
    const FT_Face face = direct.face();
    ASSERT_NE(face, nullptr);
    ASSERT_EQ(FT_Set_Char_Size(face, OutlineFontPoints * 64, 0, OutlineDpi, OutlineDpi), 0);
    for (char ch : std::string("AHWil.,8@")) {
        ASSERT_EQ(FT_Load_Char(face, static_cast<unsigned char>(ch), FT_LOAD_NO_HINTING), 0);
        const double expected = face->glyph->advance.x / 64.0;
        EXPECT_NEAR(converter.GetCharAdvance(static_cast<unsigned char>(ch)), expected, 1.0) << ch;
        ASSERT_NE(converter.ConvertChar(static_cast<unsigned char>(ch)), nullptr);
        EXPECT_NEAR(converter.Offset(), expected, 1.0) << ch;
    }
}

TEST_P(FontTest, SpaceHasNoOutlineAndNoAdvance) {
    converter.SetFont({GetParam(), false, false});
    EXPECT_EQ(converter.ConvertChar(' '), nullptr);
    EXPECT_EQ(converter.GetCharAdvance(' '), 0);
}

TEST_P(FontTest, OutlinesAreInUnitsOfAnEmOf1365) {
    // The top of "H" in font design units, scaled to an em of 1365; the baseline is y = 0.
    double expected = 0;
    {
        const DirectFace direct(GetParam());
        const FT_Face face = direct.face();
        ASSERT_NE(face, nullptr);
        ASSERT_EQ(FT_Load_Char(face, 'H', FT_LOAD_NO_SCALE), 0);
        FT_Pos top = 0;
        for (int i = 0; i < face->glyph->outline.n_points; ++i)
            top = std::max(top, face->glyph->outline.points[i].y);
        expected = static_cast<double>(top) * 1365 / face->units_per_EM;
    }

    converter.SetFont({GetParam(), false, false});
    auto h = converter.ConvertChar('H');
    ASSERT_NE(h, nullptr);
    int minY = 1 << 30, maxY = -(1 << 30);
    for (const auto& s : h->Strokes()) {
        minY = std::min({minY, s.Y1, s.Y2});
        maxY = std::max({maxY, s.Y1, s.Y2});
    }
    EXPECT_EQ(minY, 0);
    EXPECT_NEAR(maxY, expected, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Installed, FontTest, testing::Values("Arial", "DejaVu Sans"));

TEST(FontService, UnknownFaceNameFallsBackToAnInstalledFont) {
    TFreeTypeFontService service;
    // Not "Stick40": that name now selects a stroke font.
    const auto file = service.Resolve({"No Such Face 42", false, false});
    ASSERT_FALSE(file.File.empty());
    EXPECT_TRUE(std::filesystem::exists(file.File)) << file.File;
    TTTFToVectorConverter converter;
    converter.SetFont({"No Such Face 42", false, false});
    EXPECT_NE(converter.ConvertChar('A'), nullptr);
    EXPECT_GT(converter.GetCharAdvance('A'), 0);
}

TEST(FontService, BoldAndItalicPickTheirFiles) {
    TFreeTypeFontService service;
    struct Case {
        const char* name;
        bool bold, italic;
        const char* file;
    };
    for (const Case& c : {Case{"Arial", false, false, "LiberationSans-Regular.ttf"},
                          Case{"Arial", true, false, "LiberationSans-Bold.ttf"},
                          Case{"Arial", false, true, "LiberationSans-Italic.ttf"},
                          Case{"Arial", true, true, "LiberationSans-BoldItalic.ttf"},
                          Case{"DejaVu Sans", true, false, "DejaVuSans-Bold.ttf"},
                          Case{"DejaVu Sans", false, true, "DejaVuSans-Oblique.ttf"}}) {
        const auto file = service.Resolve({c.name, c.bold, c.italic});
        EXPECT_EQ(std::filesystem::path(file.File).filename(), c.file)
            << c.name << " bold " << c.bold << " italic " << c.italic;
    }
}

TEST(FontService, UnicodeCharactersEngraveInFontsThatHaveThem) {
    TTTFToVectorConverter converter;
    converter.SetFont({"DejaVu Sans", false, false});
    for (char32_t cp : Utf8ToCodePoints("Äß€ΩЖ")) {
        auto strokes = converter.ConvertChar(cp);
        ASSERT_NE(strokes, nullptr) << static_cast<unsigned>(cp);
        ExpectClosedContours(*strokes, "U+" + std::to_string(static_cast<unsigned>(cp)));
    }
}

// The file of an installed font with cubic (CFF) outlines, or empty.
std::string FindCffFont() {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FONTFORMAT, reinterpret_cast<const FcChar8*>("CFF"));
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FILE, nullptr);
    // A configuration of our own, freed below (the default one lives until exit).
    FcConfig* config = FcInitLoadConfigAndFonts();
    FcFontSet* set = FcFontList(config, pattern, objects);
    std::string family;
    for (int i = 0; set && i < set->nfont && family.empty(); ++i) {
        FcChar8* value = nullptr;
        if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &value) == FcResultMatch)
            family = reinterpret_cast<const char*>(value);
    }
    if (set)
        FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    return family;
}

TEST(FontService, CubicOutlinesGiveClosedContours) {
    const std::string family = FindCffFont();
    if (family.empty())
        GTEST_SKIP() << "no font with CFF outlines installed (Debian: fonts-cantarell)";
    TTTFToVectorConverter converter;
    converter.SetFont({family, false, false});
    for (char ch : std::string("AB08o")) {
        auto strokes = converter.ConvertChar(static_cast<unsigned char>(ch));
        ASSERT_NE(strokes, nullptr) << family << " " << ch;
        ExpectClosedContours(*strokes, family + " " + ch);
    }
}

TOutlinePoint CubicAt(const TOutlinePoint p[4], double t) {
    const double u = 1 - t;
    return {
        u * u * u * p[0].x + 3 * u * u * t * p[1].x + 3 * u * t * t * p[2].x + t * t * t * p[3].x,
        u * u * u * p[0].y + 3 * u * u * t * p[1].y + 3 * u * t * t * p[2].y + t * t * t * p[3].y};
}

// Equal parameter steps of cubic and quadratics match point for point, so the distance of
// matching samples bounds the deviation.
TEST(CubicToQuadratic, PiecesStayWithinHalfAUnitAndJoinExactly) {
    const TOutlinePoint cases[][4] = {
        {{0, 0}, {0, 700}, {900, 700}, {900, 0}},     // a bowl
        {{0, 0}, {1200, 800}, {-300, 800}, {900, 0}}, // a loop-like S
        {{10, 10}, {20, 20}, {30, 30}, {40, 40}},     // a straight line
        {{0, 0}, {1, 2}, {3, 2}, {4, 0}},             // a tiny arch: one piece
    };
    for (const auto& c : cases) {
        const auto pieces = CubicToQuadratics(c[0], c[1], c[2], c[3]);
        ASSERT_FALSE(pieces.empty());
        EXPECT_EQ(pieces.back().End, c[3]);
        const int n = static_cast<int>(pieces.size());
        TOutlinePoint a = c[0];
        for (int i = 0; i < n; ++i) {
            const auto& q = pieces[i];
            for (int s = 0; s <= 20; ++s) {
                const double u = s / 20.0;
                const double w = 1 - u;
                const TOutlinePoint onQuad{w * w * a.x + 2 * w * u * q.Control.x + u * u * q.End.x,
                                           w * w * a.y + 2 * w * u * q.Control.y + u * u * q.End.y};
                const TOutlinePoint onCubic = CubicAt(c, (i + u) / n);
                EXPECT_LE(std::hypot(onQuad.x - onCubic.x, onQuad.y - onCubic.y), CubicTolerance);
            }
            a = q.End;
        }
    }
    EXPECT_EQ(CubicToQuadratics({0, 0}, {1, 2}, {3, 2}, {4, 0}).size(), 1u);
    EXPECT_GT(CubicToQuadratics({0, 0}, {1200, 800}, {-300, 800}, {900, 0}).size(), 3u);
}

TEST(Utf8, DecodesCodePointsAndReplacesMalformedSequences) {
    struct Case {
        std::string text;
        std::u32string expected;
    };
    for (const Case& c : std::vector<Case>{
             {"AB", U"AB"},
             {"\xC3\x84\xC3\x9F", U"\u00C4\u00DF"},
             {"\xE2\x82\xAC", U"\u20AC"},
             {"\xF0\x9F\x98\x80", U"\U0001F600"},
             {"\xC0\xAF", U"\uFFFD"},         // overlong
             {"\xED\xA0\x80", U"\uFFFD"},     // surrogate
             {"\xF4\x90\x80\x80", U"\uFFFD"}, // beyond U+10FFFF
             {"\xE2\x82", U"\uFFFD"},         // cut short
             {"\x80"
              "A",
              U"\uFFFDA"}, // lone continuation byte
             {"\xE2\x82"
              "A",
              U"\uFFFDA"}, // cut short before an ASCII letter
         }) {
        EXPECT_EQ(Utf8ToCodePoints(c.text), c.expected);
    }
}

// Encoding every Unicode scalar value decodes back to it; what is no scalar value comes
// back as U+FFFD.
TEST(Utf8, EncodingRoundTripsEveryScalarValue) {
    std::u32string all;
    for (char32_t cp = 1; cp <= 0x10FFFF; ++cp)
        if (cp < 0xD800 || cp > 0xDFFF)
            all.push_back(cp);
    EXPECT_EQ(Utf8ToCodePoints(CodePointsToUtf8(all)), all);
    EXPECT_EQ(Utf8ToCodePoints(CodePointsToUtf8(std::u32string{U'a', 0xD800, U'b', 0x110000})),
              U"a\uFFFDb\uFFFD");
}
// A font service whose fontconfig knows only a copy of DejaVu Sans in a folder of its
// own, so that a test can spoil the file after fontconfig has listed it.
class OwnFontFolder : public testing::Test {
  protected:
    void SetUp() override {
        const auto original = TFreeTypeFontService().Resolve({"DejaVu Sans", false, false});
        if (original.File.empty())
            GTEST_SKIP() << "DejaVu Sans is not installed (Debian: fonts-dejavu-core)";
        std::filesystem::create_directories(dir.Path() / "fonts");
        std::filesystem::copy_file(original.File, font);
        std::ofstream(dir.File("fonts.conf"))
            << "<?xml version=\"1.0\"?>\n<fontconfig><dir>" << (dir.Path() / "fonts").string()
            << "</dir><cachedir>" << (dir.Path() / "cache").string()
            << "</cachedir></fontconfig>\n";
        service = std::make_unique<TFreeTypeFontService>(dir.File("fonts.conf"));
        ASSERT_EQ(service->Resolve(face).File, font.string());
    }

    // The message of the font error that asking for 'A' raises, or "" without one.
    std::string ErrorOfA() {
        TNativeGlyph glyph;
        try {
            service->GetGlyphOutline(face, U'A', true, glyph);
        } catch (const EFontError& e) {
            return e.what();
        }
        return "";
    }

    ScratchDir dir;
    std::filesystem::path font = dir.Path() / "fonts" / "Face.ttf";
    TFontSpec face{"DejaVu Sans", false, false};
    std::unique_ptr<TFreeTypeFontService> service;
};

TEST_F(OwnFontFolder, ACharacterTheFontLacksGivesItsMissingGlyphBoxNotAnError) {
    TNativeGlyph glyph;
    ASSERT_TRUE(service->GetGlyphOutline(face, 0x2FFFF, true, glyph));
    EXPECT_FALSE(glyph.Outline.empty());
    EXPECT_GT(glyph.Metrics.gmCellIncX, 0);
}

TEST_F(OwnFontFolder, AFontFileThatIsNoLongerAFontIsAnErrorWithFreeTypesText) {
    std::ofstream(font, std::ios::trunc) << "not a font";
    EXPECT_EQ(ErrorOfA(), "Cannot open the font file " + font.string() + ": unknown file format");
}

TEST_F(OwnFontFolder, AFontFileThatIsGoneIsAnErrorWithFreeTypesText) {
    std::filesystem::remove(font);
    EXPECT_EQ(ErrorOfA(), "Cannot open the font file " + font.string() + ": cannot open resource");
}

// A big-endian number of n bytes at offset at.
std::uint32_t BigEndian(const std::string& bytes, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v = v << 8 | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
    return v;
}

TEST_F(OwnFontFolder, AGlyphThatCannotBeLoadedIsAnErrorWithFreeTypesText) {
    // The face opens, but the glyph of 'A' claims more contours than its data holds.
    std::string bytes;
    {
        std::ifstream in(font, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    const DirectFace direct("DejaVu Sans");
    ASSERT_NE(direct.face(), nullptr);
    const FT_UInt glyph = FT_Get_Char_Index(direct.face(), U'A');
    std::map<std::string, std::uint32_t> table;
    for (std::uint32_t i = 0, n = BigEndian(bytes, 4, 2); i < n; ++i)
        table[bytes.substr(12 + 16 * i, 4)] = BigEndian(bytes, 12 + 16 * i + 8, 4);
    ASSERT_TRUE(table.count("head") && table.count("loca") && table.count("glyf"));
    const bool longOffsets = BigEndian(bytes, table["head"] + 50, 2) != 0;
    const std::uint32_t at =
        table["glyf"] + (longOffsets ? BigEndian(bytes, table["loca"] + 4 * glyph, 4)
                                     : 2 * BigEndian(bytes, table["loca"] + 2 * glyph, 2));
    bytes[at] = 0x7F; // numberOfContours: 32767 or more
    std::ofstream(font, std::ios::binary | std::ios::trunc) << bytes;

    const std::string error = ErrorOfA();
    EXPECT_EQ(error.rfind("Cannot load the outline of U+0041 from the font \"DejaVu Sans\": ", 0),
              0u)
        << error;
}

} // namespace
