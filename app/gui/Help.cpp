// The help window; see Help.h.
#include "app/gui/Help.h"

#include "app/core/InstallLayout.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace orlenta {

TfrmHelp::TfrmHelp(QWidget* parent)
    : QDialog(parent), layout(this), browser(this), closeButton("Close", this) {
    setObjectName("frmHelp");
    setWindowTitle("Orlenta Help Topics");
    browser.setObjectName("HelpBrowser");
    browser.setAccessibleName("Help text");
    browser.setOpenExternalLinks(true);
    connect(&closeButton, &QPushButton::clicked, this, &QDialog::hide);
    layout.addWidget(&browser);
    layout.addWidget(&closeButton, 0, Qt::AlignRight);
    resize(560, 480);
}

bool TfrmHelp::ShowContents(const QString& helpFile) {
    QFile file(helpFile);
    if (!file.open(QIODevice::ReadOnly)) {
        browser.setPlainText(QString("Cannot open the help file %1: %2")
                                 .arg(QDir::toNativeSeparators(helpFile), file.errorString()));
        return false;
    }
    // The help file is HTML; the anchor "contents" starts its contents page.
    browser.setHtml(QString::fromUtf8(file.readAll()));
    browser.scrollToAnchor("contents");
    return true;
}

QString HelpFilePath() {
    return QString::fromStdString(FindHelpFile(CurrentInstallLayout()).string());
}

} // namespace orlenta
