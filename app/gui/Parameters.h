// The parameter dialog: edits the machining parameters and writes them to the parameter
// file on OK.
#pragma once

#include "app/gui/FieldFilter.h"
#include "app/gui/MachineFields.h"
#include "app/gui/VCarveFields.h"

#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>
#include <vector>

namespace orlenta {

class TfrmParameters : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmParameters(QWidget* parent = nullptr);

  public slots:
    void cmdTemplateContourClick(); // OK
    void cmdCancelClick();

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Field {
        QLabel* panel;
        QLineEdit* edit;
        bool decimal; // a floating-point field: the separators are let through
        std::unique_ptr<TCharFilter> filter;
    };
    void FormShow();
    static void HighlightLabel(QLabel* panel);
    static void UnhighlightLabel(QLabel* panel);
    const Field* fieldOf(QObject* edit) const;
    // Whether the field's key filter keeps the character.
    static bool keeps(bool decimal, QChar c);

    // Containers and layouts come before what they hold: members are destroyed in reverse,
    // so every widget leaves its layout and parent before those go. The field list too: an
    // edit that loses focus as it is destroyed still passes through eventFilter.
    std::vector<Field> fields; // in the order of TParameterField
    QVBoxLayout main;
    QHBoxLayout buttons;
    QGroupBox grpParameters;
    QGridLayout pGrid;
    QGroupBox grpLineNumbers;
    QGridLayout nGrid;
    QLabel pnlTemplateContourDepth;
    QLineEdit txtTemplateContourDepth;
    QLabel pnlEngrave;
    QLineEdit txtRapidHeight;
    QLabel pnlRoughFeed;
    QLineEdit txtRoughFeed;
    QLabel pnlRoughPlunge;
    QLineEdit txtRoughPlunge;
    QLabel pnlPrecision;
    QLineEdit txtPrecision;
    QLabel pnlDecimal;
    QLineEdit txtDecimal;
    QLabel pnlStart;
    QLineEdit txtStartAt;
    QLabel pnlIncr;
    QLineEdit txtIncrement;
    TMachineFields grpMachine;
    TVCarveFields grpVCarve;
    QPushButton cmdTemplateContour;
    QPushButton cmdCancel;
};

} // namespace orlenta
