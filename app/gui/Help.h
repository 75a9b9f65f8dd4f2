// The help window: shows the program's help file.
#pragma once

#include <QDialog>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace orlenta {

class TfrmHelp : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmHelp(QWidget* parent = nullptr);
    // Loads the help file; false (and a note in the window) when it cannot be read.
    bool ShowContents(const QString& helpFile);
    QTextBrowser* Browser() { return &browser; }

  private:
    // The layout comes first so that the widgets in it are destroyed before it.
    QVBoxLayout layout;
    QTextBrowser browser;
    QPushButton closeButton;
};

// The help file of the program: "Orlenta.hlp" beside the executable, or installed in the
// data folder (see FindHelpFile).
QString HelpFilePath();

} // namespace orlenta
