// V-carving: each glyph region cut by a V-bit that follows the region's centre lines, as
// deep as the cone must go to touch both sides, capped at a maximum depth.
#pragma once

#include "kernel/CarvePath.h"
#include "kernel/Errors.h"
#include "kernel/QuorvelTypes.h"

namespace orlenta {

// Bit angles are kept within these (degrees, exclusive): a flat or needle-sharp cone gives
// depths of 0 or of no finite size.
constexpr double MinVBitAngle = 1;
constexpr double MaxVBitAngle = 179;

struct TVCarveSettings {
    double BitAngle = 90;   // included angle of the V-bit, degrees
    double MaxDepth = 1;    // the cut never goes deeper, drawing units
    double Accuracy = 0.01; // how far depth and cut may stray from the exact ones, drawing units
    double Feed = 0;        // copied to every path
    double RapidHeight = 0; // clearance plane over the surface
};

// A setting outside its range; the message names it.
class EVCarveSetting : public OrlentaError {
  public:
    using OrlentaError::OrlentaError;
};

// The V-carve settings of the machining parameters: the V-bit's angle, maximum depth and
// accuracy, the cutting feed and the clearance height.
TVCarveSettings CarveSettings(const TMachiningParameters& params);

// What V-carving says of open contours (a stroke font's letters): they enclose nothing.
constexpr const char* OpenContoursNotCarveable =
    "V-carving needs an outline font: the letters of a stroke font have no inside to carve";

// True when any contour (index 1 on) is open.
bool HasOpenContours(const TRegionArrayX& contours);

// Throws EVCarveSetting unless BitAngle lies strictly between MinVBitAngle and MaxVBitAngle
// and MaxDepth and Accuracy are above 0 (NaN fails all three).
void CheckVCarveSettings(const TVCarveSettings& settings);

// Depth of the V-bit's tip whose cone touches both sides r away: r / tan(angle / 2), capped
// at the maximum depth.
double CarveDepth(double r, const TVCarveSettings& settings);

// The V-carve paths of the closed contours (index 1 on; open contours have no region).
//
// Per region, the medial axis (without the corner branches the bit does not need; see
// PruneCornerBranches) is cut into paths, each one continuous line plunged once at its start;
// at a junction a path goes on along the branch that turns least. Each point's depth is
// CarveDepth of its distance r to the outline; where r passes the radius at the maximum
// depth, a point is put in, so the path runs at the cap exactly between such points (a stroke
// wider than the cone at the cap gets a groove of that width along its centre line, and its
// edges stay uncut). Regions follow one another nearest first from (0, 0), and the paths of a
// region nearest first from where the last one ended, each run in whichever direction starts
// nearer.
//
// Every point's depth is within Accuracy of CarveDepth of its true distance to the contours,
// and the cone's footprint along the paths stays within Accuracy of the outline.
// Throws EVCarveSetting for settings out of range, EOverflow / EInvalidOp for coordinates
// that are not finite.
TCarvePathArray BuildCarvePaths(const TRegionArrayX& contours, const TVCarveSettings& settings);

} // namespace orlenta
