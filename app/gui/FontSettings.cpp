// The main window's remembered inputs and its Recent Files menu; see Font.h and
// RememberedSettings.h.
#include "app/gui/Font.h"

#include "app/gui/StatusNotes.h"

#include <QMenu>

namespace orlenta {

void TfrmFont::restoreSettings() {
    TWindowSettings r;
    r.Font = Font;
    LoadWindowSettings(*Settings, r);
    edFont.setText(r.Text);
    edLines.setPlainText(r.Lines);
    Font = r.Font;
    lblFont.setText(FontNote(Font));
    const std::pair<QLineEdit*, const QString*> fields[] = {
        {&txtBoundBoxX, &r.OriginX}, {&txtBoundBoxY, &r.OriginY}, {&txtWidth, &r.Width},
        {&txtHeight, &r.Height},     {&txtAng, &r.Angle},         {&txtRad, &r.Radius}};
    for (const auto& [field, text] : fields)
        field->setText(*text);
    (r.Arc ? optArc : optLinear).setChecked(true);
    if (r.Arc)
        optArcClick();
    rgArcButtons[static_cast<std::size_t>(r.Alignment)].setChecked(true);
    Style = r.Style;
    SeveralLines1.setChecked(r.SeveralLines);
    UpdateWhileTyping1.setChecked(r.UpdateWhileTyping);
    Live->SetEnabled(r.UpdateWhileTyping);
    viewOptions.ShowOriginAndExtent1.setChecked(r.ShowOriginAndExtent);
    viewOptions.FollowDarkTheme1.setChecked(r.FollowDarkTheme);
    ShadeByDepth1.setChecked(r.ShadeByDepth);
    if (!r.Geometry.isEmpty())
        restoreGeometry(r.Geometry);
}

void TfrmFont::saveSettings() {
    TWindowSettings r;
    r.Text = edFont.text();
    r.Lines = edLines.toPlainText();
    r.SeveralLines = SeveralLines1.isChecked();
    r.Font = Font;
    r.OriginX = txtBoundBoxX.text();
    r.OriginY = txtBoundBoxY.text();
    r.Width = txtWidth.text();
    r.Height = txtHeight.text();
    r.Angle = txtAng.text();
    r.Radius = txtRad.text();
    r.Arc = optArc.isChecked();
    r.Alignment = readFields().Alignment;
    r.Style = Style;
    r.UpdateWhileTyping = UpdateWhileTyping1.isChecked();
    r.ShowOriginAndExtent = viewOptions.ShowOriginAndExtent1.isChecked();
    r.FollowDarkTheme = viewOptions.FollowDarkTheme1.isChecked();
    r.ShadeByDepth = ShadeByDepth1.isChecked();
    r.Geometry = saveGeometry();
    SaveWindowSettings(*Settings, r);
    Settings->sync();
}

void TfrmFont::fillRecentFiles() {
    // Later, not now: this runs inside the triggered signal of one of these actions.
    for (QAction* a : recentMenu->actions()) {
        recentMenu->removeAction(a);
        a->deleteLater();
    }
    const QStringList files = RecentFiles(*Settings);
    for (int i = 0; i < files.size(); ++i) {
        const QString file = files[i];
        const QString label = QString("&%1 %2").arg(i + 1).arg(QString(file).replace("&", "&&"));
        // A file that is gone is still a place to save to.
        connect(recentMenu->addAction(label), &QAction::triggered, this, [this, file] {
            const TSaveFormat format = FormatOfFile(file.toStdString());
            TSaveDialogRequest request = SaveRequest(format);
            request.Suggested = file;
            saveToolpathsAs(format, request);
        });
    }
    recentMenu->menuAction()->setEnabled(!files.isEmpty());
}

} // namespace orlenta
