// The machine settings in the parameter dialog: units, dialect, spindle, dwell, rapid rate,
// arc tolerance and line numbers.
#pragma once

#include "kernel/MachineSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QString>

#include <optional>

namespace orlenta {

class TMachineFields : public QGroupBox {
    Q_OBJECT

  public:
    explicit TMachineFields(QWidget* parent = nullptr);

    // Fills the controls from s.
    void Show(const TMachineSettings& s);
    // base with the controls' values, checked as the parameter file's are. On a value that
    // is not a number or out of range: nothing, message set to the file loader's sentence
    // ("Spindle must be a number, not "x"", "RapidRate must be above 0 ...") and bad to the
    // control to correct.
    std::optional<TMachineSettings> Read(const TMachineSettings& base, QString& message,
                                         QWidget*& bad);

  private:
    // The layout first: members go in reverse order, so each control leaves it before it goes.
    QFormLayout form;
    QComboBox cboDialect;
    QComboBox cboUnits;
    QLineEdit txtSpindle;
    QLineEdit txtSpindleDwell;
    QLineEdit txtRapidRate;
    QLineEdit txtArcTolerance;
    QCheckBox chkLineNumbers;
};

} // namespace orlenta
