// The Create command without a user interface: from the main window's field texts to the
// process-wide contours, view box and toolpaths. The desktop window and the command-line
// front end both run Create through this one function.
#pragma once

#include "layout/ViewBox.h"

#include <cstddef>
#include <functional>
#include <string>

class TTTFToVectorConverter;

// The main window's inputs, as the user typed them.
struct TCreateFields {
    std::string Text;    // edFont
    std::string Height;  // txtHeight
    std::string Width;   // txtWidth (linear only)
    std::string OriginX; // txtBoundBoxX: origin X (linear) or centre X (arc)
    std::string OriginY; // txtBoundBoxY
    std::string Radius;  // txtRad (arc only, but always read)
    std::string Angle;   // txtAng, degrees (arc only)
    bool Arc = false;    // optArc checked
    int Alignment = 0;   // rgArc: 0 Left, 1 Cent, 2 Right
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
};

// Runs the Create steps on the process-wide state (Params, RunFlag, OrientationFlag,
// Contours, Toolpaths, ViewBox). Ttf is the caller's outline converter. setView, when given,
// is called with the new view box after the layout and before the toolpaths are built, so a
// preview can fit its window first. Messages are returned, never shown; errors (a field that
// is not a number: EConvertError; floating-point faults) propagate as exceptions and leave the
// command where it was.
TCreateResult CreateCommand(const TCreateFields& fields, const TFontChoice& font,
                            TTTFToVectorConverter& Ttf,
                            const std::function<void(const TViewBox&)>& setView = {});

// True while CreateCommand runs (it hands control to the message loop in between).
bool CreateRunning();

// The warning for characters the font lacks: the font "Arial" has no glyph for: 中, ☃
std::string MissingGlyphsNote(const TFontChoice& font, const std::u32string& missing);
