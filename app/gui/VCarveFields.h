// The engraving mode and the V-bit's settings in the parameter dialog: outline or V-carve,
// bit angle, maximum depth and accuracy.
#pragma once

#include "app/gui/FieldFilter.h"
#include "kernel/EngraveSettings.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QString>

#include <optional>

namespace orlenta {

class TVCarveFields : public QGroupBox {
    Q_OBJECT

  public:
    explicit TVCarveFields(QWidget* parent = nullptr);

    // Fills the controls from e.
    void Show(const TEngraveSettings& e);
    // The controls' values, checked as a V-carve Create checks them (also in outline mode,
    // so the file never keeps a value that a switch to V-carving would refuse). On a value
    // that is not a number or out of range: nothing, message set ("VBitAngle must be a
    // number, not "x"", "The V-bit angle must lie between 1 and 179 degrees") and bad to
    // the field to correct.
    std::optional<TEngraveSettings> Read(QString& message, QLineEdit*& bad);

  private:
    // The layout first: members go in reverse order, so each control leaves it before it goes.
    QFormLayout form;
    // Digits and either decimal separator, as the dialog's other decimal fields; one per
    // field, as each remembers its field's text.
    TCharFilter angleFilter;
    TCharFilter depthFilter;
    TCharFilter accuracyFilter;
    QComboBox cboEngraveMode;
    QLineEdit txtVBitAngle;
    QLineEdit txtVMaxDepth;
    QLineEdit txtVAccuracy;
};

} // namespace orlenta
