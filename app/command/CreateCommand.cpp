// The Create command; see CreateCommand.h.
#include "app/command/CreateCommand.h"

#include "app/command/FieldNumbers.h"

#include "app/core/Globals.h"
#include "glyph/UTTF2Vct.h"
#include "glyph/Utf8.h"
#include "kernel/Errors.h"
#include "kernel/Hooks.h"
#include "kernel/ToolpathBuilder.h"
#include "layout/ArcLayout.h"
#include "layout/LinearLayout.h"

namespace {

constexpr double DegToRadFactor = 0.017453292519943295769;

bool createRunning = false;

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

constexpr const char* RadiusTooSmall = "Radius is too small";

// The arc layout reports a radius that is too small through the message hook; while it
// runs, that one message is kept for the caller instead of being shown. Anything else
// (a command handled while the layout processes messages) still reaches the user.
class TRadiusMessageCatcher {
  public:
    explicit TRadiusMessageCatcher(bool& caught) {
        previous = SetMessageBoxHook([this, &caught](const std::string& text) {
            if (text == RadiusTooSmall)
                caught = true;
            else if (previous)
                previous(text);
        });
    }
    ~TRadiusMessageCatcher() { SetMessageBoxHook(std::move(previous)); }
    TRadiusMessageCatcher(const TRadiusMessageCatcher&) = delete;
    TRadiusMessageCatcher& operator=(const TRadiusMessageCatcher&) = delete;

  private:
    MessageBoxHook previous;
};

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

TCreateResult CreateCommand(const TCreateFields& fields, const TFontChoice& font,
                            TTTFToVectorConverter& Ttf,
                            const std::function<void(const TViewBox&)>& setView) {
    // The builders hand control to the message loop; a Create started from there would
    // replace Contours under the running one.
    if (createRunning)
        return TCreateResult{TCreateOutcome::Ignored, {}};
    TRunningGuard running;
    TGlobals& g = Globals();

    if (fields.Text.empty())
        return stopped("No Text to convert!");
    const std::u32string text = Utf8ToCodePoints(fields.Text);
    if (text.size() > MaxTextLength)
        return stopped(TextTooLongMessage());

    g.Contours.assign(1, TVKRegionX{});

    Ttf.SetFont(TFontSpec{font.Name, font.Bold, font.Italic});
    Ttf.SetPrecision(g.Params.Precision);

    // An empty field of the arc layout ends the command without a message; checked before
    // the fields are read, so that an empty height or radius is not a conversion error.
    if (fields.Arc && (fields.OriginX.empty() || fields.OriginY.empty() || fields.Height.empty() ||
                       fields.Radius.empty()))
        return stopped();

    const double H = StrToFloat(fields.Height);
    const double R = StrToFloat(fields.Radius);

    std::string message;
    if (!fields.Arc) {
        const double W = StrToFloat(fields.Width);
        const double X0 = StrToFloat(fields.OriginX);
        const double Y0 = StrToFloat(fields.OriginY);
        LayoutLinearText(text, g.Contours, Ttf, H, W, X0, Y0, fields.Alignment, g.OrientationFlag);
    } else {
        const double A = fields.Angle.empty() ? 0.0 : StrToFloat(fields.Angle) * DegToRadFactor;
        if (H == 0)
            return stopped();
        const double CX = StrToFloat(fields.OriginX);
        const double CY = StrToFloat(fields.OriginY);
        if (R == 0)
            return stopped("Radius can not be 0!");
        bool tooSmall = false;
        {
            TRadiusMessageCatcher catcher(tooSmall);
            LayoutArc(text, g.Contours, Ttf, H, A, R, CX, CY, fields.Alignment, g.OrientationFlag);
        }
        if (tooSmall)
            message = RadiusTooSmall;
    }
    g.ViewBox = ContourExtents(g.Contours);
    CheckContoursFinite(g.Contours, g.ViewBox);

    for (TVKRegionX& c : g.Contours)
        c.Pending = 1;

    if (setView)
        setView(g.ViewBox);

    // AssignDepth: with Depth 0 the contours keep depth 0 and make no toolpaths.
    if (g.Params.Depth != 0)
        for (std::size_t i = 1; i < g.Contours.size(); ++i)
            if (g.Contours[i].Pending != 0 && g.Contours[i].Parent == 0)
                g.Contours[i].Depth = g.Params.Depth;

    g.RunFlag = RunFlagCreate;
    BuildToolpaths(g.Contours, g.Params, g.Toolpaths, g.RunFlag);
    return TCreateResult{TCreateOutcome::Done, std::move(message), MissingCharacters(text, Ttf)};
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
