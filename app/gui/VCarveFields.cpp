// The V-carve settings of the parameter dialog; see VCarveFields.h.
#include "app/gui/VCarveFields.h"

#include "app/core/ParameterFile.h"
#include "vcarve/VCarve.h"

#include <string>

namespace orlenta {

namespace {

// Every V-carve field takes at most this many characters, as the dialog's other fields.
constexpr int VCarveFieldMaxLength = 10;

bool keepsDecimal(QChar c) {
    return (c >= '0' && c <= '9') || c == '.' || c == ',';
}

} // namespace

TVCarveFields::TVCarveFields(QWidget* parent)
    : QGroupBox("V-Carving", parent), form(this), angleFilter(keepsDecimal),
      depthFilter(keepsDecimal), accuracyFilter(keepsDecimal) {
    setObjectName("grpVCarve");
    for (TEngraveMode m : {TEngraveMode::Outline, TEngraveMode::VCarve})
        cboEngraveMode.addItem(QString::fromStdString(std::string(EngraveModeName(m))),
                               static_cast<int>(m));
    cboEngraveMode.setObjectName("cboEngraveMode");
    txtVBitAngle.setObjectName("txtVBitAngle");
    txtVMaxDepth.setObjectName("txtVMaxDepth");
    txtVAccuracy.setObjectName("txtVAccuracy");
    cboEngraveMode.setToolTip("outline: along the letters' outlines at Depth; vcarve: a V-bit "
                              "along their centre lines");
    txtVBitAngle.setToolTip("Included angle of the V-bit, degrees");
    txtVMaxDepth.setToolTip("V-carving never cuts deeper than this");
    txtVAccuracy.setToolTip("How far V-carve depths and cuts may stray from the exact ones");
    txtVBitAngle.setValidator(&angleFilter);
    txtVMaxDepth.setValidator(&depthFilter);
    txtVAccuracy.setValidator(&accuracyFilter);
    for (QLineEdit* e : {&txtVBitAngle, &txtVMaxDepth, &txtVAccuracy})
        e->setMaxLength(VCarveFieldMaxLength);
    form.setContentsMargins(4, 2, 4, 2);
    form.addRow("&Engrave", &cboEngraveMode);
    form.addRow("V-Bit &Angle", &txtVBitAngle);
    form.addRow("&Max. V-Depth", &txtVMaxDepth);
    form.addRow("Accurac&y", &txtVAccuracy);
}

void TVCarveFields::Show(const TEngraveSettings& e) {
    cboEngraveMode.setCurrentIndex(cboEngraveMode.findData(static_cast<int>(e.Mode)));
    angleFilter.Show(txtVBitAngle, QString::fromStdString(FloatToGeneralText(e.VBitAngle)));
    depthFilter.Show(txtVMaxDepth, QString::fromStdString(FloatToGeneralText(e.VMaxDepth)));
    accuracyFilter.Show(txtVAccuracy, QString::fromStdString(FloatToGeneralText(e.VAccuracy)));
}

std::optional<TEngraveSettings> TVCarveFields::Read(QString& message, QLineEdit*& bad) {
    TEngraveSettings e;
    e.Mode = static_cast<TEngraveMode>(cboEngraveMode.currentData().toInt());
    struct TNumber {
        const char* Key;
        QLineEdit* Edit;
        double TEngraveSettings::*Into;
        double TVCarveSettings::*Checked; // the same setting where V-carving checks it
    };
    const TNumber numbers[] = {
        {"VBitAngle", &txtVBitAngle, &TEngraveSettings::VBitAngle, &TVCarveSettings::BitAngle},
        {"VMaxDepth", &txtVMaxDepth, &TEngraveSettings::VMaxDepth, &TVCarveSettings::MaxDepth},
        {"VAccuracy", &txtVAccuracy, &TEngraveSettings::VAccuracy, &TVCarveSettings::Accuracy}};
    for (const TNumber& n : numbers) {
        const std::string text = n.Edit->text().toStdString();
        const std::optional<double> v = DialogTextToFloat(text);
        if (!v) {
            message = QString::fromStdString(std::string(n.Key) + " must be a number, not \"" +
                                             text + "\"");
            bad = n.Edit;
            return std::nullopt;
        }
        e.*n.Into = *v;
        // One setting at a time, the others at their defaults, so that the message and the
        // field to correct agree.
        TVCarveSettings alone;
        alone.*n.Checked = *v;
        try {
            CheckVCarveSettings(alone);
        } catch (const EVCarveSetting& refused) {
            message = QString::fromStdString(refused.what());
            bad = n.Edit;
            return std::nullopt;
        }
    }
    return e;
}

} // namespace orlenta
