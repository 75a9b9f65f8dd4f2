// The status bar's texts; see StatusNotes.h.
#include "app/gui/StatusNotes.h"

#include "preview/PreviewOverlay.h"

namespace orlenta {

namespace {

QString number(double v, int decimals) {
    return QString::number(v, 'f', decimals);
}

} // namespace

QString UnitsNote(TUnits units) {
    return QString::fromUtf8(UnitsName(units).data(),
                             static_cast<qsizetype>(UnitsName(units).size()));
}

QString StatisticsNote(const TProgramStatistics& s, TUnits units) {
    const int d = SizeDecimals(units);
    const QString unit = UnitsNote(units);
    const QString toolpaths = s.Toolpaths == 1 ? "toolpath" : "toolpaths";
    return QString::fromUtf8("%1 \u00d7 %2 %3 \u00b7 %4 %5 \u00b7 cut %6 %3 \u00b7 ~%7 min")
        .arg(number(s.Width, d), number(s.Height, d), unit)
        .arg(s.Toolpaths)
        .arg(toolpaths, number(s.CuttingLength, d - 1), number(s.Minutes, 1));
}

QString FontNote(const TFontChoice& font, const std::string& faceUsed) {
    const QString asked = QString::fromStdString(font.Name);
    QString text = "Font: " + asked;
    if (font.Bold)
        text += " bold";
    if (font.Italic)
        text += " italic";
    // fontconfig matches names without regard to case, so "arial" drawn by Arial is no
    // substitution.
    const QString used = QString::fromStdString(faceUsed);
    if (!used.isEmpty() && used.compare(asked, Qt::CaseInsensitive) != 0)
        text += QString::fromUtf8(" → ") + used;
    return text;
}

QString CursorNote(double x, double y, TUnits units) {
    const int d = SizeDecimals(units) + 1;
    return QString("X %1  Y %2 %3").arg(number(x, d), number(y, d), UnitsNote(units));
}

} // namespace orlenta
