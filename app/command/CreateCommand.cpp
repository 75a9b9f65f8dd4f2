// The Create command; see CreateCommand.h.
#include "app/command/CreateCommand.h"

#include "gcode/GCodeWriter.h"
#include "glyph/UTTF2Vct.h"
#include "glyph/Utf8.h"
#include "kernel/Errors.h"
#include "kernel/QuorvelKernel.h"
#include "kernel/SafeFile.h"
#include "kernel/ToolpathBuilder.h"
#include "layout/ArcLayout.h"
#include "layout/LinearLayout.h"
#include "vcarve/VCarve.h"

#include <optional>
#include <string_view>
#include <system_error>

namespace orlenta {

namespace {

constexpr double DegToRadFactor = 0.017453292519943295769;

// Per thread: it guards against a Create started from the message loop of a running one, and
// parallel batch jobs each run their own.
thread_local bool createRunning = false;

// Marks the command as running for its whole extent, exceptions included.
class TRunningGuard {
  public:
    TRunningGuard() { createRunning = true; }
    ~TRunningGuard() { createRunning = false; }
    TRunningGuard(const TRunningGuard&) = delete;
    TRunningGuard& operator=(const TRunningGuard&) = delete;
};

// No NaN or infinity may reach the toolpaths or the preview: a huge size or origin that
// overflows ends the command with the floating-point error instead.
void CheckContoursFinite(const TRegionArrayX& contours, const TViewBox& box) {
    for (const TVKRegionX& c : contours)
        for (const TMyEntity& e : c.Entities) {
            CheckFinite(e.X1);
            CheckFinite(e.Y1);
            CheckFinite(e.X2);
            CheckFinite(e.Y2);
            CheckFinite(e.Radius);
        }
    for (double v : {box.MinX, box.MaxX, box.MinY, box.MaxY, box.Width, box.Height})
        CheckFinite(v);
}

TCreateResult stopped(std::string message = {}) {
    return TCreateResult{TCreateOutcome::Stopped, std::move(message)};
}

} // namespace

std::string TextTooLongMessage() {
    return "The text is too long: at most " + std::to_string(MaxTextLength) + " characters";
}

bool CreateRunning() {
    return createRunning;
}

namespace {

TCreateResult done(std::string message, const std::u32string& text, TTTFToVectorConverter& Ttf) {
    TCreateResult result{TCreateOutcome::Done, std::move(message), MissingCharacters(text, Ttf)};
    try {
        result.FontFace = Ttf.FaceName();
    } catch (const EFontError&) {
        // The text was drawn, so the face opened; a name that cannot be read stays unsaid.
    }
    return result;
}

} // namespace

TCreateResult CreateCommand(TGlobals& g, const TCreateNumbers& n, const TFontChoice& font,
                            TTTFToVectorConverter& Ttf,
                            const std::function<void(const TViewBox&)>& setView,
                            const TTextStyle& style, TContourUse contours) {
    // The builders hand control to the message loop; a Create started from there would
    // replace Contours under the running one.
    if (createRunning)
        return TCreateResult{TCreateOutcome::Ignored, {}};
    TRunningGuard running;

    if (n.Text.empty())
        return stopped("No Text to convert!");
    const std::u32string text = Utf8ToCodePoints(n.Text);
    if (text.size() > MaxTextLength)
        return stopped(TextTooLongMessage());

    g.Contours.assign(1, TVKRegionX{});

    Ttf.SetFont(TFontSpec{font.Name, font.Bold, font.Italic});
    Ttf.SetPrecision(g.Params.Precision);

    if (n.Arc && n.ArcFieldEmpty)
        return stopped();

    std::string message;
    if (!n.Arc) {
        LayoutLinearLines(text, g.Contours, Ttf, n.Height, n.Width, n.OriginX, n.OriginY,
                          n.Alignment, g.OrientationFlag, style);
    } else {
        if (n.Height == 0)
            return stopped();
        if (n.Radius == 0)
            return stopped("Radius can not be 0!");
        const double A = n.Angle * DegToRadFactor;
        if (LayoutArcLines(text, g.Contours, Ttf, n.Height, A, n.Radius, n.OriginX, n.OriginY,
                           n.Alignment, g.OrientationFlag, style) == TArcFit::RadiusTooSmall)
            message = "Radius is too small";
    }
    g.ViewBox = ContourExtents(g.Contours);
    CheckContoursFinite(g.Contours, g.ViewBox);

    for (TVKRegionX& c : g.Contours)
        c.Pending = 1;

    const bool vcarve = g.Params.Engrave.Mode == TEngraveMode::VCarve;
    if (vcarve && HasOpenContours(g.Contours))
        return stopped(OpenContoursNotCarveable);

    if (setView)
        setView(g.ViewBox);

    if (vcarve) {
        // The paths are built before anything of the last Create is dropped, so a failure
        // leaves its toolpaths as they were.
        TCarvePathArray paths = BuildCarvePaths(g.Contours, CarveSettings(g.Params));
        g.Toolpaths.assign(1, TVKOutRegion{});
        g.CarvePaths = std::move(paths);
        return done(std::move(message), text, Ttf);
    }
    g.CarvePaths.clear();

    // AssignDepth: with Depth 0 the contours keep depth 0 and make no toolpaths.
    if (g.Params.Depth != 0)
        for (std::size_t i = 1; i < g.Contours.size(); ++i)
            if (g.Contours[i].Pending != 0 && g.Contours[i].Parent == 0)
                g.Contours[i].Depth = g.Params.Depth;

    g.RunFlag = RunFlagCreate;
    if (contours == TContourUse::ToolpathsOnly)
        BuildToolpathsConsuming(g.Contours, g.Params, g.Toolpaths, g.RunFlag);
    else
        BuildToolpaths(g.Contours, g.Params, g.Toolpaths, g.RunFlag);
    return done(std::move(message), text, Ttf);
}

namespace {

bool streamable(const TGlobals& g, const TCreateNumbers& n, const TTextStyle& style,
                const std::filesystem::path& file) {
    // A device or a pipe would receive the program's bytes as they come, also those of a
    // program that the check then refuses to save.
    std::error_code ec;
    const auto type = std::filesystem::status(file, ec).type();
    const bool regularOrNew = type == std::filesystem::file_type::regular ||
                              type == std::filesystem::file_type::not_found;
    return regularOrNew && !n.Arc && n.Text.find('\n') == std::string::npos &&
           style.Rotation == 0 && !style.Mirror && !style.Shape &&
           g.Params.Engrave.Mode == TEngraveMode::Outline &&
           g.Params.Machine.Dialect == TDialect::Classic;
}

} // namespace

TCreateSaveResult CreateAndSaveGCode(TGlobals& g, const TCreateNumbers& n, const TFontChoice& font,
                                     TTTFToVectorConverter& Ttf, const TTextStyle& style,
                                     const std::filesystem::path& file, bool force) {
    TCreateSaveResult r;
    if (createRunning || !streamable(g, n, style, file)) {
        r.Created = CreateCommand(g, n, font, Ttf, {}, style, TContourUse::ToolpathsOnly);
        if (r.Created.Outcome != TCreateOutcome::Done || !r.Created.Message.empty())
            return r;
        try {
            r.Saved = SaveToolpaths(g, file, TSaveFormat::GCode, force);
        } catch (...) {
            r.SaveError = std::current_exception();
        }
        return r;
    }

    // The steps of CreateCommand for one line of outlined text, each character's contours
    // handed on as they come.
    TRunningGuard running;
    if (n.Text.empty()) {
        r.Created = stopped("No Text to convert!");
        return r;
    }
    const std::u32string text = Utf8ToCodePoints(n.Text);
    if (text.size() > MaxTextLength) {
        r.Created = stopped(TextTooLongMessage());
        return r;
    }
    g.Contours.assign(1, TVKRegionX{});
    Ttf.SetFont(TFontSpec{font.Name, font.Bold, font.Italic});
    Ttf.SetPrecision(g.Params.Precision);

    // The toolpath builder's copy of the parameters, with the numbering it settles on, which
    // the program is written with; state takes it once Create is through.
    TMachiningParameters written = g.Params;
    if (written.Increment == 0)
        written.Increment = 1;
    // Problems of the parameters alone are known now: a program they refuse is not written
    // at all, only counted for the check.
    const bool writing = force || CheckBeforeSave(written, {}, true).empty();
    std::optional<TSafeFileWriter> out;
    std::exception_ptr openError;
    if (writing) {
        try {
            out.emplace(file);
        } catch (...) {
            openError = std::current_exception();
        }
    }
    TGCodeStream program(written, [&out](std::string_view chunk) {
        if (out)
            out->Write(chunk);
    });

    // The view box as ContourExtents gives it: the placeholder's zero box grown by each
    // contour.
    TViewBox box;
    // Element 0, then the last toolpath written, from whose end an open stroke starts.
    TOutRegionArray toolpaths(1);
    std::size_t unwritten = 1;
    // Nothing can stop this build: no message loop runs a Save meanwhile.
    const std::int32_t runFlag = RunFlagCreate;
    // One character's contours: pending, at the depth, through the toolpath builder into
    // the program.
    const auto handOn = [&](TRegionArrayX& contours, std::size_t first) {
        TRegionArrayX slice;
        slice.reserve(1 + contours.size() - first);
        slice.emplace_back();
        for (std::size_t i = first; i < contours.size(); ++i) {
            TVKRegionX& c = slice.emplace_back(std::move(contours[i]));
            GrowBox(box, c);
            c.Pending = 1;
            if (g.Params.Depth != 0 && c.Parent == 0)
                c.Depth = g.Params.Depth;
        }
        AppendToolpathsConsuming(slice, written, toolpaths, runFlag);
        for (std::size_t k = unwritten; k < toolpaths.size(); ++k)
            program.Add(toolpaths[k]);
        if (toolpaths.size() > 2) {
            toolpaths[1] = std::move(toolpaths.back());
            toolpaths.resize(2);
        }
        unwritten = toolpaths.size();
    };
    LayoutLinearTextFlushed(text, Ttf, n.Height, n.Width, n.OriginX, n.OriginY, n.Alignment,
                            g.OrientationFlag, style.Spacing, handOn);
    box.Width = box.MaxX - box.MinX;
    box.Height = box.MaxY - box.MinY;
    g.ViewBox = box;
    for (double v : {box.MinX, box.MaxX, box.MinY, box.MaxY, box.Width, box.Height})
        CheckFinite(v);
    program.Finish();

    // What the two commands leave, but the segments.
    g.CarvePaths.clear();
    g.Toolpaths.assign(1, TVKOutRegion{});
    g.Params.Increment = written.Increment;
    StopToolpathBuild(g);
    r.Created = TCreateResult{TCreateOutcome::Done, {}, MissingCharacters(text, Ttf)};

    r.Saved.Problems = CheckBeforeSave(g.Params, program.LineNumbers(), program.Cuts());
    if (!r.Saved.Problems.empty() && !force)
        return r;
    try {
        if (openError)
            std::rethrow_exception(openError);
        if (program.Error())
            std::rethrow_exception(program.Error());
        out->Commit();
        r.Saved.Saved = true;
    } catch (...) {
        r.SaveError = std::current_exception();
        r.Saved = {}; // a Save that throws returns nothing
    }
    return r;
}

std::string MissingGlyphsNote(const TFontChoice& font, const std::u32string& missing) {
    std::string note = "the font \"" + font.Name + "\" has no glyph for: ";
    for (std::size_t i = 0; i < missing.size(); ++i) {
        if (i > 0)
            note += ", ";
        note += CodePointsToUtf8(missing.substr(i, 1));
    }
    return note;
}

} // namespace orlenta
