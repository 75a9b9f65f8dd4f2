// The about box; see About.h.
#include "app/gui/About.h"

#include "app/core/ParameterFile.h"
#include "app/gui/Font.h"
#include "app/gui/OrlentaIcon.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace orlenta {

TfrmAbout::TfrmAbout(QWidget* parent)
    : QDialog(parent), main(this), icon(this), product("Orlenta", this),
      version("Version 2.0", this), web(MakerWebAddress, this), ok("OK", this) {
    setObjectName("frmAbout");
    setWindowTitle("About Orlenta");
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    icon.setObjectName("ProgramIcon");
    icon.setPixmap(OrlentaIcon().pixmap(64, 64));

    product.setObjectName("ProductName");
    QFont big = product.font();
    big.setPointSize(20);
    big.setBold(true);
    product.setFont(big);

    version.setObjectName("Version");
    web.setObjectName("WebAddress");
    parametersFile.setObjectName("ParametersFile");
    parametersFile.setTextInteractionFlags(Qt::TextSelectableByMouse);

    ok.setObjectName("OKButton");
    ok.setDefault(true);
    connect(&ok, &QPushButton::clicked, this, &QDialog::accept);

    text.addWidget(&product);
    text.addWidget(&version);
    text.addWidget(&web);
    text.addWidget(&parametersFile);
    top.addWidget(&icon, 0, Qt::AlignTop);
    top.addSpacing(12);
    top.addLayout(&text);
    main.addLayout(&top);
    main.addWidget(&ok, 0, Qt::AlignHCenter);

    // Fixed size, centred on the screen.
    showParametersFile();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmAbout::showEvent(QShowEvent* event) {
    showParametersFile();
    QDialog::showEvent(event);
}

void TfrmAbout::showParametersFile() {
    const QString named = QString::fromStdString(DescribeParameterFiles(ParameterFiles()));
    if (named == parametersFile.text() && minimumSize() == maximumSize())
        return;
    parametersFile.setText(named);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    adjustSize();
    setFixedSize(sizeHint());
}

} // namespace orlenta
