// The about box; see About.h.
#include "About.h"

#include "Font.h"
#include "OrlentaIcon.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle("About Orlenta");
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto* icon = new QLabel(this);
    icon->setObjectName("ProgramIcon");
    icon->setPixmap(OrlentaIcon().pixmap(64, 64));

    auto* product = new QLabel("Orlenta", this);
    product->setObjectName("ProductName");
    QFont big = product->font();
    big.setPointSize(20);
    big.setBold(true);
    product->setFont(big);

    auto* version = new QLabel("Version 2.0", this);
    version->setObjectName("Version");
    auto* web = new QLabel(MakerWebAddress, this);
    web->setObjectName("WebAddress");

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(product);
    text->addWidget(version);
    text->addWidget(web);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text);
    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(ok, 0, Qt::AlignHCenter);

    // Fixed size, centred on the screen.
    adjustSize();
    setFixedSize(sizeHint());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
