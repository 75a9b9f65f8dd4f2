// The about box: product name, version and the maker's web address.
#pragma once

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

class TfrmAbout : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmAbout(QWidget* parent = nullptr);

  private:
    // Layouts before the widgets they hold, outer before inner: members are destroyed in
    // reverse, so each widget leaves its layout and each inner layout its outer one first.
    QVBoxLayout main;
    QHBoxLayout top;
    QVBoxLayout text;
    QLabel icon;
    QLabel product;
    QLabel version;
    QLabel web;
    QPushButton ok;
};
