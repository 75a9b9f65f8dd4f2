// The machine settings of the parameter dialog; see MachineFields.h.
#include "app/gui/MachineFields.h"

#include "app/core/ParameterFile.h"
#include "kernel/Errors.h"

#include <string>

namespace orlenta {

namespace {

QString shown(double v) {
    return QString::fromStdString(FloatToGeneralText(v));
}

} // namespace

TMachineFields::TMachineFields(QWidget* parent)
    : QGroupBox("Machine", parent), form(this), chkLineNumbers("Line numbers", this) {
    setObjectName("grpMachine");
    for (TDialect d : {TDialect::Classic, TDialect::Grbl, TDialect::LinuxCnc})
        cboDialect.addItem(QString::fromStdString(std::string(DialectName(d))),
                           static_cast<int>(d));
    for (TUnits u : {TUnits::Millimetre, TUnits::Inch})
        cboUnits.addItem(QString::fromStdString(std::string(UnitsName(u))), static_cast<int>(u));
    cboDialect.setObjectName("cboDialect");
    cboUnits.setObjectName("cboUnits");
    txtSpindle.setObjectName("txtSpindle");
    txtSpindleDwell.setObjectName("txtSpindleDwell");
    txtRapidRate.setObjectName("txtRapidRate");
    txtArcTolerance.setObjectName("txtArcTolerance");
    chkLineNumbers.setObjectName("chkLineNumbers");
    txtSpindle.setToolTip("Spindle speed in rpm, for the grbl and linuxcnc dialects");
    txtSpindleDwell.setToolTip("Seconds of spin-up before the first plunge; 0 for none");
    txtRapidRate.setToolTip("Rapid moves per minute, for the time estimate");
    txtArcTolerance.setToolTip("Above 0: arcs within this distance of the outline; 0: lines");
    form.setContentsMargins(4, 2, 4, 2);
    form.addRow("&Dialect", &cboDialect);
    form.addRow("&Units", &cboUnits);
    form.addRow("Spi&ndle", &txtSpindle);
    form.addRow("Spindle D&well", &txtSpindleDwell);
    form.addRow("Rapi&d Rate", &txtRapidRate);
    form.addRow("Arc &Tolerance", &txtArcTolerance);
    form.addRow("", &chkLineNumbers);
}

void TMachineFields::Show(const TMachineSettings& s) {
    cboDialect.setCurrentIndex(cboDialect.findData(static_cast<int>(s.Dialect)));
    cboUnits.setCurrentIndex(cboUnits.findData(static_cast<int>(s.Units)));
    txtSpindle.setText(shown(s.Spindle));
    txtSpindleDwell.setText(shown(s.SpindleDwell));
    txtRapidRate.setText(shown(s.RapidRate));
    txtArcTolerance.setText(shown(s.ArcTolerance));
    chkLineNumbers.setChecked(s.LineNumbers);
}

std::optional<TMachineSettings> TMachineFields::Read(const TMachineSettings& base, QString& message,
                                                     QWidget*& bad) {
    TMachineSettings m = base;
    m.Dialect = static_cast<TDialect>(cboDialect.currentData().toInt());
    m.Units = static_cast<TUnits>(cboUnits.currentData().toInt());
    m.LineNumbers = chkLineNumbers.isChecked();
    struct TNumber {
        const char* Key;
        QLineEdit* Edit;
        double* Into;
    };
    const TNumber numbers[] = {{"Spindle", &txtSpindle, &m.Spindle},
                               {"SpindleDwell", &txtSpindleDwell, &m.SpindleDwell},
                               {"RapidRate", &txtRapidRate, &m.RapidRate},
                               {"ArcTolerance", &txtArcTolerance, &m.ArcTolerance}};
    for (const TNumber& n : numbers) {
        const std::string text = n.Edit->text().toStdString();
        const std::optional<double> v = DialogTextToFloat(text);
        if (!v) {
            message = QString::fromStdString(std::string(n.Key) + " must be a number, not \"" +
                                             text + "\"");
            bad = n.Edit;
            return std::nullopt;
        }
        *n.Into = *v;
    }
    try {
        CheckMachineSettings(m);
    } catch (const EParameterValueError& e) {
        message = QString::fromStdString(e.what());
        // The message starts with the key it is about.
        bad = nullptr;
        for (const TNumber& n : numbers)
            if (message.startsWith(QString(n.Key) + " "))
                bad = n.Edit;
        return std::nullopt;
    }
    return m;
}

} // namespace orlenta
