// The window's remembered settings; see RememberedSettings.h.
#include "app/gui/RememberedSettings.h"

#include <QFileInfo>

#include <cmath>

namespace orlenta {

namespace {

const char* folderKey(TSaveFormat format) {
    switch (format) {
    case TSaveFormat::DXF:
        return "save/folderDXF";
    case TSaveFormat::SVG:
        return "save/folderSVG";
    case TSaveFormat::GCode:
        break;
    }
    return "save/folderGCode";
}

constexpr const char* RecentKey = "save/recentFiles";
constexpr const char* AlignmentNames[] = {"Left", "Cent", "Right"};

// What the numeric filter of the fields lets through.
bool fieldText(const QString& text) {
    for (const QChar c : text)
        if (!c.isDigit() && c != '.' && c != ',' && c != '-')
            return false;
    return true;
}

void loadString(QSettings& settings, const char* key, QString& into) {
    const QVariant v = settings.value(key);
    if (v.isValid())
        into = v.toString();
}

void loadField(QSettings& settings, const char* key, QString& into) {
    const QVariant v = settings.value(key);
    if (v.isValid() && fieldText(v.toString()))
        into = v.toString();
}

void loadBool(QSettings& settings, const char* key, bool& into) {
    const QVariant v = settings.value(key);
    if (v.isValid())
        into = v.toBool();
}

void loadNumber(QSettings& settings, const char* key, double& into) {
    bool ok = false;
    const double v = settings.value(key).toDouble(&ok);
    if (ok && std::isfinite(v))
        into = v;
}

} // namespace

std::unique_ptr<QSettings> OpenUserSettings() {
    return std::make_unique<QSettings>("Orlenta", "orlenta");
}

void LoadWindowSettings(QSettings& settings, TWindowSettings& s) {
    loadString(settings, "text/line", s.Text);
    loadString(settings, "text/lines", s.Lines);
    // One character past what Create takes: enough for its message, never a huge editor.
    for (QString* text : {&s.Text, &s.Lines})
        text->truncate(static_cast<qsizetype>(MaxTextLength) + 1);
    loadBool(settings, "text/severalLines", s.SeveralLines);
    QString face;
    loadString(settings, "font/name", face);
    if (!face.isEmpty())
        s.Font.Name = face.toStdString();
    loadBool(settings, "font/bold", s.Font.Bold);
    loadBool(settings, "font/italic", s.Font.Italic);
    loadField(settings, "fields/originX", s.OriginX);
    loadField(settings, "fields/originY", s.OriginY);
    loadField(settings, "fields/width", s.Width);
    loadField(settings, "fields/height", s.Height);
    loadField(settings, "fields/angle", s.Angle);
    loadField(settings, "fields/radius", s.Radius);
    loadBool(settings, "layout/arc", s.Arc);
    const QString alignment = settings.value("layout/alignment").toString();
    for (int i = 0; i < 3; ++i)
        if (alignment == AlignmentNames[i])
            s.Alignment = static_cast<TAlignment>(i);
    loadNumber(settings, "textLayout/lineSpacing", s.Style.LineSpacing);
    loadNumber(settings, "textLayout/charSpacing", s.Style.Spacing.Char);
    loadNumber(settings, "textLayout/wordSpacing", s.Style.Spacing.Word);
    loadNumber(settings, "textLayout/rotation", s.Style.Rotation);
    loadBool(settings, "textLayout/mirror", s.Style.Mirror);
    loadBool(settings, "textLayout/shape", s.Style.Shape);
    bool bottom = s.Style.ArcReading == TArcReading::Bottom;
    loadBool(settings, "textLayout/arcBottom", bottom);
    s.Style.ArcReading = bottom ? TArcReading::Bottom : TArcReading::Top;
    loadBool(settings, "view/updateWhileTyping", s.UpdateWhileTyping);
    loadBool(settings, "view/showOriginAndExtent", s.ShowOriginAndExtent);
    loadBool(settings, "view/followDarkTheme", s.FollowDarkTheme);
    loadBool(settings, "view/shadeByDepth", s.ShadeByDepth);
    s.Geometry = settings.value("window/geometry", s.Geometry).toByteArray();
}

void SaveWindowSettings(QSettings& settings, const TWindowSettings& s) {
    settings.setValue("text/line", s.Text);
    settings.setValue("text/lines", s.Lines);
    settings.setValue("text/severalLines", s.SeveralLines);
    settings.setValue("font/name", QString::fromStdString(s.Font.Name));
    settings.setValue("font/bold", s.Font.Bold);
    settings.setValue("font/italic", s.Font.Italic);
    settings.setValue("fields/originX", s.OriginX);
    settings.setValue("fields/originY", s.OriginY);
    settings.setValue("fields/width", s.Width);
    settings.setValue("fields/height", s.Height);
    settings.setValue("fields/angle", s.Angle);
    settings.setValue("fields/radius", s.Radius);
    settings.setValue("layout/arc", s.Arc);
    settings.setValue("layout/alignment", AlignmentNames[static_cast<int>(s.Alignment)]);
    settings.setValue("textLayout/lineSpacing", s.Style.LineSpacing);
    settings.setValue("textLayout/charSpacing", s.Style.Spacing.Char);
    settings.setValue("textLayout/wordSpacing", s.Style.Spacing.Word);
    settings.setValue("textLayout/rotation", s.Style.Rotation);
    settings.setValue("textLayout/mirror", s.Style.Mirror);
    settings.setValue("textLayout/shape", s.Style.Shape);
    settings.setValue("textLayout/arcBottom", s.Style.ArcReading == TArcReading::Bottom);
    settings.setValue("view/updateWhileTyping", s.UpdateWhileTyping);
    settings.setValue("view/showOriginAndExtent", s.ShowOriginAndExtent);
    settings.setValue("view/followDarkTheme", s.FollowDarkTheme);
    settings.setValue("view/shadeByDepth", s.ShadeByDepth);
    settings.setValue("window/geometry", s.Geometry);
}

QString LastSaveFolder(QSettings& settings, TSaveFormat format) {
    return settings.value(folderKey(format)).toString();
}

QStringList RecentFiles(QSettings& settings) {
    QStringList files;
    for (const QString& f : settings.value(RecentKey).toStringList())
        if (!f.isEmpty() && !files.contains(f) && files.size() < MaxRecentFiles)
            files.append(f);
    return files;
}

void RememberSavedFile(QSettings& settings, const QString& file, TSaveFormat format) {
    const QFileInfo info(file);
    const QString path = info.absoluteFilePath();
    QStringList files = RecentFiles(settings);
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > MaxRecentFiles)
        files.removeLast();
    settings.setValue(RecentKey, files);
    settings.setValue(folderKey(format), info.absolutePath());
}

} // namespace orlenta
