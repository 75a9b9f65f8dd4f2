// What the window keeps from one run to the next, in the user's QSettings
// ("Orlenta"/"orlenta"): the text, font, fields and layout, the save folders and the recent
// files. Nothing stored leaves the start-up values.
#pragma once

#include "app/command/CreateCommand.h"
#include "app/command/SaveCommands.h"
#include "layout/TextLines.h"

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>

namespace orlenta {

// The user's settings of this program. Tests point QSettings::setPath at a folder of their
// own before the window opens one.
std::unique_ptr<QSettings> OpenUserSettings();

// The window's inputs, with the start-up values as defaults.
struct TWindowSettings {
    QString Text = "Enter Text Here";
    QString Lines; // the multi-line editor's own text
    bool SeveralLines = false;
    TFontChoice Font;
    QString OriginX = "0";
    QString OriginY = "0";
    QString Width = "0";
    QString Height = "1";
    QString Angle = "0";
    QString Radius = "0";
    bool Arc = false;
    TAlignment Alignment = TAlignment::Left;
    TTextStyle Style;
    bool UpdateWhileTyping = true;
    bool ShowOriginAndExtent = true;
    bool FollowDarkTheme = false;
    bool ShadeByDepth = true;
    QByteArray Geometry; // QWidget::saveGeometry; empty for the start-up size and place
};

// Overwrites in s what settings holds. A stored value the window could not have written (a
// field text with characters its filter refuses, a spacing that is not a finite number, an
// unknown alignment) is passed over, so a hand-edited file never reaches Create with it; a
// text is cut one character past MaxTextLength.
void LoadWindowSettings(QSettings& settings, TWindowSettings& s);
void SaveWindowSettings(QSettings& settings, const TWindowSettings& s);

// The folder the last file of format was saved in; empty before the first.
QString LastSaveFolder(QSettings& settings, TSaveFormat format);

// The files saved last, newest first, at most MaxRecentFiles, whether or not they still
// exist (each stays usable as a target).
inline constexpr int MaxRecentFiles = 8;
QStringList RecentFiles(QSettings& settings);
// After a save: file goes to the top of the recent files (once) and its folder becomes the
// format's last save folder.
void RememberSavedFile(QSettings& settings, const QString& file, TSaveFormat format);

} // namespace orlenta
