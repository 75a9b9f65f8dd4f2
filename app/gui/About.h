// The about box: product name, version, the maker's web address and the parameter file in
// use.
#pragma once

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace orlenta {

class TfrmAbout : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmAbout(QWidget* parent = nullptr);

  protected:
    // Names the parameter file anew: the first save may have created the user's own.
    void showEvent(QShowEvent* event) override;

  private:
    void showParametersFile();

    // Layouts before the widgets they hold, outer before inner: members are destroyed in
    // reverse, so each widget leaves its layout and each inner layout its outer one first.
    QVBoxLayout main;
    QHBoxLayout top;
    QVBoxLayout text;
    QLabel icon;
    QLabel product;
    QLabel version;
    QLabel web;
    QLabel parametersFile;
    QPushButton ok;
};

} // namespace orlenta
