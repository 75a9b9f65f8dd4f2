// The Create command without a user interface: from the numbers of a text job to the
// contours, view box and toolpaths of the state it is given. The desktop window and the
// command-line front end both run Create through this one function; the window reads its
// field texts into the numbers first (FieldNumbers.h), the command line fills them directly.
#pragma once

#include "app/command/SaveCommands.h"
#include "app/core/Globals.h"
#include "layout/TextLines.h"
#include "layout/ViewBox.h"

#include <cstddef>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>

namespace orlenta {

class TTTFToVectorConverter;

// What Create works from, as numbers.
struct TCreateNumbers {
    std::string Text; // UTF-8
    double Height = 1;
    double Width = 0;   // linear only; 0 sizes the text by its height
    double OriginX = 0; // origin X (linear) or centre X (arc)
    double OriginY = 0;
    double Radius = 0; // arc only
    double Angle = 0;  // start angle of an arc, degrees
    bool Arc = false;
    TAlignment Alignment = TAlignment::Left;
    // A field of the arc layout (origin, height or radius) that the user left empty: Create
    // then stops without a message.
    bool ArcFieldEmpty = false;
};

// The longest text Create takes, in characters (Unicode code points). Time and memory grow
// with the text: this many take about two seconds and a few hundred megabytes, ten times
// as many ran out of memory on a small machine. A plate is far shorter.
constexpr std::size_t MaxTextLength = 100000;
// Create's note for a longer text: "The text is too long: at most 100000 characters".
std::string TextTooLongMessage();

// The font chosen through Select Font.
struct TFontChoice {
    std::string Name = "Stick40";
    bool Bold = false;
    bool Italic = false;
};

enum class TCreateOutcome {
    Done,    // toolpaths rebuilt (possibly empty)
    Stopped, // ended early; Toolpaths unchanged
    Ignored, // another Create was still running (it processes messages); nothing done
};

struct TCreateResult {
    TCreateOutcome Outcome = TCreateOutcome::Done;
    // The note for the user, empty when there is none: "No Text to convert!", "Radius can
    // not be 0!" and TextTooLongMessage() come with Stopped, "Radius is too small" with Done
    // (nothing was placed).
    std::string Message;
    // The characters of the text that the font has no glyph for, each once (Done only).
    // They are engraved as the font's missing-glyph box, as before; front ends warn.
    std::u32string MissingCharacters = {};
    // The family of the face that drew the text (Done only): the font's own name, or the
    // one fontconfig put in its place. Empty when the font service cannot tell.
    std::string FontFace = {};
};

// Runs the Create steps on state: reads Params and OrientationFlag, replaces Contours,
// ViewBox and Toolpaths and sets RunFlag. Ttf is the caller's outline converter. setView,
// when given, is called with the new view box after the layout and before the toolpaths are
// built, so a preview can fit its window first. Messages are returned, never shown;
// floating-point faults propagate as exceptions and leave Toolpaths as they were.
// style: several lines (line feeds in the text), spacing and mirror; the default with a
// one-line text is the plain layout.
//
// contours says whether the caller reads Contours afterwards: the window draws and keeps
// them; a front end that only saves the toolpaths lets the toolpath builder take their
// segments (ToolpathsOnly), so that each segment is held once instead of twice. Contours
// then keep their boxes and flags without segments.
enum class TContourUse { Keep, ToolpathsOnly };
TCreateResult CreateCommand(TGlobals& state, const TCreateNumbers& numbers, const TFontChoice& font,
                            TTTFToVectorConverter& Ttf,
                            const std::function<void(const TViewBox&)>& setView = {},
                            const TTextStyle& style = {}, TContourUse contours = TContourUse::Keep);

// What CreateAndSaveGCode did. Saved and SaveError stand for the Save step, which only runs
// when Created is Done without a message.
struct TCreateSaveResult {
    TCreateResult Created;
    TSaveResult Saved;            // empty when SaveError is set
    std::exception_ptr SaveError; // what SaveToolpaths would have thrown
};

// CreateCommand (ToolpathsOnly) followed, when it is Done without a message, by
// SaveToolpaths as G-code: the same file, problems and failures, for a front end that keeps
// neither contours nor toolpaths (a command-line job). Failures of the Create step are
// thrown; those of the Save step come back in SaveError, as they would come from
// SaveToolpaths after a completed Create.
//
// For one line of text without rotation or mirror, outlined into a classic program, each
// character goes from the layout through the toolpath builder into the program as soon as
// it is placed, so no more than one character's segments are held at a time; state then
// keeps only the placeholders of Contours and Toolpaths (with ViewBox, Params and RunFlag as
// the two commands leave them). Anything else, or a target that is not a regular file,
// runs the two commands.
TCreateSaveResult CreateAndSaveGCode(TGlobals& state, const TCreateNumbers& numbers,
                                     const TFontChoice& font, TTTFToVectorConverter& Ttf,
                                     const TTextStyle& style, const std::filesystem::path& file,
                                     bool force);

// True while CreateCommand runs (it hands control to the message loop in between).
bool CreateRunning();

// The warning for characters the font lacks: the font "Arial" has no glyph for: 中, ☃
std::string MissingGlyphsNote(const TFontChoice& font, const std::u32string& missing);

} // namespace orlenta
