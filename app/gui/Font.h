// The main window: text, font, size, origin and layout choices, the Create command with
// its preview, and the File, Create and Help menus.
#pragma once

#include "app/command/CreateCommand.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QButtonGroup;
class QFont;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QToolBar;
class QToolButton;
class TfrmAbout;
class TfrmHelp;
class TfrmParameters;
class TVectorDisplay3D;

// What a save dialog is asked to show; a front end or a test answers with a file name.
struct TSaveDialogRequest {
    QString Title;
    QString Filter;     // Qt filter text, "Name (*.ext);;..."
    QString DefaultExt; // appended when the user types a name without one
};

class TfrmFont : public QMainWindow {
    Q_OBJECT

  public:
    explicit TfrmFont(QWidget* parent = nullptr);
    ~TfrmFont() override;

    // The two dialogs are created by the program after the main window, as separate
    // top-level windows; the window only shows them.
    void SetDialogs(TfrmParameters* parameters, TfrmAbout* about);

    // Replaceable dialogs, so that tests and scripted runs answer without a modal window.
    // Each returns nothing when the user cancels.
    std::function<std::optional<QString>(const TSaveDialogRequest&)> SaveDialog1;
    std::function<std::optional<QFont>()> FontDialog1;
    // Shows the message of an exception that ended a command.
    std::function<void(const QString&)> ShowException;

    const TFontChoice& FontChoice() const { return Font; }
    TVectorDisplay3D* Preview() const { return Draw3D; }
    // The help window, once the help command has opened it.
    TfrmHelp* HelpWindow() const { return Help.get(); }

  public slots:
    void Create1Click();
    void SelectFont1Click();
    void SaveGCode1Click();
    void SaveDXF1Click();
    void SetParameters1Click();
    void About1Click();
    void QuorvelHelpTopics1Click();
    void Exit1Click();
    void optLinearClick();
    void optArcClick();
    void rgArcClick();
    // The preview's paint handler: the toolpaths of the last Create.
    void Draw3DPaint();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    void buildToolBar();
    // Runs one command; an exception that escapes it is shown and the program goes on.
    void runCommand(const std::function<void()>& command);
    TCreateFields readFields() const;
    // The key handlers: true discards the key.
    bool edFontKeyPress(int key);
    bool txtWidthKeyPress(int key);
    bool txtHeightKeyPress(int key);
    bool txtBoundBoxXKeyPress(int key);

    TFontChoice Font;
    std::unique_ptr<TTTFToVectorConverter> Ttf;
    std::unique_ptr<TfrmHelp> Help;
    TfrmParameters* frmParameters = nullptr;
    TfrmAbout* frmAbout = nullptr;
    bool closePending = false; // the window was closed while Create was running

    QToolBar* ToolBar1 = nullptr;
    QToolButton* ToolButton2 = nullptr;
    QFrame* Panel3 = nullptr;
    QRadioButton* optLinear = nullptr;
    QRadioButton* optArc = nullptr;
    QGroupBox* rgArc = nullptr;
    QButtonGroup* rgArcItems = nullptr;
    QLabel* Label2_0 = nullptr;
    QLineEdit* txtBoundBoxX = nullptr;
    QLabel* Label2_1 = nullptr;
    QLineEdit* txtBoundBoxY = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtWidth = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtHeight = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtAng = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtRad = nullptr;
    QLineEdit* edFont = nullptr;
    TVectorDisplay3D* Draw3D = nullptr;

    QAction* SaveGCode1 = nullptr;
    QAction* SaveDXF1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* SetParameters1 = nullptr;
    QAction* Create1 = nullptr;
    QAction* SelectFont1 = nullptr;
    QAction* QuorvelHelpTopics1 = nullptr;
    QAction* About1 = nullptr;
};

// The maker's web address, shown in the window caption and the about box.
inline constexpr const char* MakerWebAddress = "www.orlenta.example";
