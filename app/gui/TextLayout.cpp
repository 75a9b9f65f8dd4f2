// The Text Layout dialog; see TextLayout.h.
#include "app/gui/TextLayout.h"

#include "app/command/FieldNumbers.h"
#include "kernel/Errors.h"

#include <charconv>
#include <string>

namespace orlenta {

namespace {
// A short text that reads back as v, with the user's decimal separator as the window's
// fields take it ("1.5", or "1,5").
QString NumberText(double v) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
    std::string text(buffer, end);
    for (char& c : text)
        if (c == '.')
            c = UserDecimalSeparator();
    return QString::fromStdString(text);
}
} // namespace

TfrmTextLayout::TfrmTextLayout(QWidget* parent)
    : QDialog(parent), buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel) {
    setObjectName("frmTextLayout");
    setWindowTitle("Text Layout");
    txtLineSpacing.setObjectName("txtLineSpacing");
    txtLineSpacing.setToolTip("Distance between the baselines of the lines, in heights");
    txtCharSpacing.setObjectName("txtCharSpacing");
    txtCharSpacing.setToolTip("Room added after every character, in heights");
    txtWordSpacing.setObjectName("txtWordSpacing");
    txtWordSpacing.setToolTip("Room added after every space on top of that, in heights");
    txtRotation.setObjectName("txtRotation");
    txtRotation.setToolTip("Linear text: degrees counter-clockwise about its origin");
    chkMirror.setObjectName("chkMirror");
    chkMirror.setText("Mirror (engrave from the back)");
    chkArcBottom.setObjectName("chkArcBottom");
    chkArcBottom.setText("Arc text reads at the bottom");
    chkArcBottom.setToolTip("Upright below the centre; the angle counts from the bottom");
    chkShape.setObjectName("chkShape");
    chkShape.setText("Shape Text (kerning, ligatures, right-to-left)");
    chkShape.setToolTip("Outline fonts: the font's own kerning, ligatures, accents and "
                        "right-to-left order; stroke fonts are laid out as without");
    lblError.setObjectName("lblError");
    lblError.setStyleSheet("QLabel { color: #b00000; }");
    lblError.hide();
    buttons.setObjectName("buttons");
    form.addRow("Line spacing", &txtLineSpacing);
    form.addRow("Letter spacing", &txtCharSpacing);
    form.addRow("Word spacing", &txtWordSpacing);
    form.addRow("Rotation", &txtRotation);
    form.addRow(&chkMirror);
    form.addRow(&chkArcBottom);
    form.addRow(&chkShape);
    outer.addLayout(&form);
    outer.addWidget(&lblError);
    outer.addWidget(&buttons);
    setLayout(&outer);
    connect(&buttons, &QDialogButtonBox::accepted, this, &TfrmTextLayout::accept);
    connect(&buttons, &QDialogButtonBox::rejected, this, &TfrmTextLayout::reject);
}

std::optional<TTextStyle> TfrmTextLayout::Edit(const TTextStyle& style) {
    style_ = style;
    txtLineSpacing.setText(NumberText(style.LineSpacing));
    txtCharSpacing.setText(NumberText(style.Spacing.Char));
    txtWordSpacing.setText(NumberText(style.Spacing.Word));
    txtRotation.setText(NumberText(style.Rotation));
    chkMirror.setChecked(style.Mirror);
    chkArcBottom.setChecked(style.ArcReading == TArcReading::Bottom);
    chkShape.setChecked(style.Shape);
    lblError.hide();
    txtLineSpacing.setFocus(Qt::OtherFocusReason);
    txtLineSpacing.selectAll();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return style_;
}

void TfrmTextLayout::accept() {
    TTextStyle s;
    for (auto [field, value] :
         {std::pair{&txtLineSpacing, &s.LineSpacing}, std::pair{&txtCharSpacing, &s.Spacing.Char},
          std::pair{&txtWordSpacing, &s.Spacing.Word}, std::pair{&txtRotation, &s.Rotation}}) {
        try {
            *value = StrToFloat(field->text().toStdString());
        } catch (const EConvertError& e) {
            lblError.setText(QString::fromStdString(e.what()));
            lblError.show();
            field->setFocus(Qt::OtherFocusReason);
            field->selectAll();
            return;
        }
    }
    s.Mirror = chkMirror.isChecked();
    s.ArcReading = chkArcBottom.isChecked() ? TArcReading::Bottom : TArcReading::Top;
    s.Shape = chkShape.isChecked();
    style_ = s;
    QDialog::accept();
}

} // namespace orlenta
