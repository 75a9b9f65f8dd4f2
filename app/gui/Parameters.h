// The parameter dialog: edits the machining parameters and writes them to the parameter
// file on OK.
#pragma once

#include <QDialog>

#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

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
    };
    void FormShow();
    static void HighlightLabel(QLabel* panel);
    static void UnhighlightLabel(QLabel* panel);
    const Field* fieldOf(QObject* edit) const;

    QLineEdit* txtTemplateContourDepth;
    QLineEdit* txtRapidHeight;
    QLineEdit* txtRoughFeed;
    QLineEdit* txtRoughPlunge;
    QLineEdit* txtPrecision;
    QLineEdit* txtDecimal;
    QLineEdit* txtStartAt;
    QLineEdit* txtIncrement;
    QPushButton* cmdTemplateContour;
    QPushButton* cmdCancel;
    std::vector<Field> fields;
};
