// The texts of the main window's status bar that come from figures: the statistics of the
// last Create and the position of the mouse over the preview.
#pragma once

#include "app/command/CreateCommand.h"
#include "kernel/MachineSettings.h"
#include "kernel/ProgramStatistics.h"

#include <QString>

#include <string>

namespace orlenta {

// "W × H mm · n toolpaths · cut L mm · ~T min": the engraved size, the toolpaths that cut,
// the cutting length and the estimated machining time.
QString StatisticsNote(const TProgramStatistics& s, TUnits units);
// "X 12.345  Y -3.210 mm": a point of the work plane.
QString CursorNote(double x, double y, TUnits units);
// "Font: Arial bold italic": the face and style the next Create uses; with the face that
// drew the last Create when the system put another in its place ("Font: Helvetica →
// Nimbus Sans").
QString FontNote(const TFontChoice& font, const std::string& faceUsed = {});
// The unit the size fields are in, for the label beside them: "mm" or "inch".
QString UnitsNote(TUnits units);

} // namespace orlenta
