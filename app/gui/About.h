// The about box: product name, version and the maker's web address.
#pragma once

#include <QDialog>

class TfrmAbout : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmAbout(QWidget* parent = nullptr);
};
