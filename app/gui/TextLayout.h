// The Text Layout dialog: line spacing, letter and word spacing, rotation, mirrored text
// and shaping. The
// window keeps what it sets for as long as it runs; the defaults give the plain layout.
#pragma once

#include "layout/TextLines.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <optional>

namespace orlenta {

class TfrmTextLayout : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmTextLayout(QWidget* parent = nullptr);

    // Shows the dialog on style; the style set when the user presses OK, nothing for
    // Cancel. A field that is not a number is named in the dialog, which stays open.
    std::optional<TTextStyle> Edit(const TTextStyle& style);

  private:
    void accept() override;

    TTextStyle style_;
    // Declared before the widgets they hold, so that they go last.
    QVBoxLayout outer;
    QFormLayout form;
    QLineEdit txtLineSpacing;
    QLineEdit txtCharSpacing;
    QLineEdit txtWordSpacing;
    QLineEdit txtRotation;
    QCheckBox chkMirror;
    QCheckBox chkArcBottom;
    QCheckBox chkShape;
    QLabel lblError;
    QDialogButtonBox buttons;
};

} // namespace orlenta
