// The main window: text, font, size, origin and layout choices, the Create command with
// its preview, the File, Create, View and Help menus and the status bar.
#pragma once

#include "app/command/CreateCommand.h"
#include "app/command/FieldNumbers.h"
#include "app/command/SaveCommands.h"

#include "app/gui/FieldFilter.h"
#include "app/gui/LivePreview.h"
#include "app/gui/RememberedSettings.h"
#include "app/gui/TextLayout.h"
#include "app/gui/VectorDisplay3D.h"
#include "app/gui/ViewOptions.h"

#include <QAction>
#include <QButtonGroup>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSettings>
#include <QToolBar>
#include <QToolButton>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QFont;

namespace orlenta {

class TfrmAbout;
class TfrmHelp;
class TfrmParameters;

// What a save dialog is asked to show; a front end or a test answers with a file name.
struct TSaveDialogRequest {
    QString Title;
    QString Filter;     // Qt filter text, "Name (*.ext);;..."
    QString DefaultExt; // appended when the user types a name without one
    QString Suggested;  // the file the dialog opens on: the folder and a name from the text
};

// The save dialog of each format: title, filters and default extension.
TSaveDialogRequest SaveRequest(TSaveFormat format);

// The answers to saving while the preview is out of date.
enum class TStaleSaveChoice { CreateFirst, SaveAsIs, Cancel };

// Lists the problems of the file about to be saved and asks "Save anyway?" (Save, or
// Cancel, the default). True for Save.
bool AskSaveAnyway(QWidget* parent, const std::vector<std::string>& problems);

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
    // Asked when the check before saving finds problems; true saves anyway.
    std::function<bool(const std::vector<std::string>&)> SaveAnyway1;
    // Shows the message of an exception that ended a command.
    std::function<void(const QString&)> ShowException;
    // Asked by the Save commands when the fields changed since the last Create.
    std::function<TStaleSaveChoice()> AskStaleSave;

    const TFontChoice& FontChoice() const { return Font; }
    // True when the inputs changed after the last Create: the preview and the toolpaths a
    // Save would write no longer match the window.
    bool PreviewOutOfDate() const { return stale; }
    TVectorDisplay3D* Preview() { return &Draw3D; }
    // The help window, once the help command has opened it.
    TfrmHelp* HelpWindow() const { return Help.get(); }
    // Create while typing (View > Update While Typing) and the order of all Creates.
    TLivePreview& LivePreview() { return *Live; }

  public slots:
    void Create1Click();
    void SelectFont1Click();
    void SaveGCode1Click();
    void SaveDXF1Click();
    void SaveSVG1Click();
    // The View menu: the fit of the last Create again, and zoom steps about the centre.
    void ViewFit1Click();
    void ZoomIn1Click();
    void ZoomOut1Click();
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
    void buildViewMenu();
    // Ctrl+S, Ctrl+Shift+S, Ctrl+Q and F1 on the menu commands.
    void assignStandardKeys();
    // Names for screen readers: each field by its label, the preview by what it shows.
    void nameControls();
    // The status bar's labels that follow the parameters and the mouse.
    void buildStatusLabels();
    // After a Create: the size, toolpaths, cutting length and time of what it built.
    void showStatistics();
    // The unit label follows the parameters' Units.
    void showUnits();
    // Runs one command; an exception that escapes it is shown and the program goes on.
    // Quiet (a live Create): it goes to the status bar, and no field takes the focus.
    void runCommand(const std::function<void()>& command, bool quiet = false);
    // One Create; a live one tells the status bar what an explicit one shows in boxes.
    void runCreate(TCreateKind kind);
    // The remembered inputs: read once at start, written when the window closes.
    void restoreSettings();
    void saveSettings();
    // File > Recent Files: the files saved last; choosing one saves to it again.
    void fillRecentFiles();
    TCreateFields readFields() const;
    void showMissingGlyphs(const std::u32string& missing);

    // The save commands: the dialog, the check and the file, through the one save path.
    void saveToolpathsAs(TSaveFormat format, TSaveDialogRequest request);
    // The key handlers: true discards the key.
    bool edFontKeyPress(int key);
    bool txtWidthKeyPress(int key);
    bool txtHeightKeyPress(int key);
    bool txtBoundBoxXKeyPress(int key);
    // The size fields: typing into one sets the other to "0".
    void zeroOtherSize(QLineEdit& other, int key);
    // Marks the preview out of date once a Create has built it.
    void markStale();
    void setStale(bool outOfDate);
    // Before a save: true to go on. While the preview is out of date, asks whether to run
    // Create first (and does), save as is, or cancel.
    bool confirmFreshPreview();
    // After a field's text failed to convert: focuses and selects that field.
    void selectFieldShowing(const std::string& message);
    // Create > Several Lines: the multi-line editor instead of the one-line field.
    void SeveralLines1Toggled(bool on);
    void TextLayout1Click();

    TFontChoice Font;
    // Several lines, spacing and mirror, as the Text Layout dialog set them (for this run).
    TTextStyle Style;
    std::unique_ptr<TTTFToVectorConverter> Ttf;
    std::unique_ptr<TfrmHelp> Help;
    TfrmParameters* frmParameters = nullptr;
    TfrmAbout* frmAbout = nullptr;
    bool closePending = false; // the window was closed while Create was running
    bool created = false;      // a Create has built the toolpaths shown
    bool stale = false;        // the inputs changed since
    unsigned edits = 0;        // changes of the inputs so far
    std::vector<std::unique_ptr<TCharFilter>> numericFilters;
    // A save asked for while a live Create was building: it runs once that Create has ended.
    std::optional<std::pair<TSaveFormat, TSaveDialogRequest>> savePending;
    std::unique_ptr<QSettings> Settings;
    std::unique_ptr<TLivePreview> Live;
    QMenu* recentMenu = nullptr; // File > Recent Files, owned by the menu bar

    // Members are destroyed in reverse order, so each container and layout is declared
    // before what it holds, and the actions before the widgets that show them: everything
    // leaves its layout and parent before those go, and nothing is deleted twice.
    QAction SaveGCode1;
    QAction SaveDXF1;
    QAction SaveSVG1;
    QAction ViewFit1;
    QAction ZoomIn1;
    QAction ZoomOut1;
    QAction UpdateWhileTyping1{"&Update While Typing"};
    QAction ShadeByDepth1; // checked: V-carve paths drawn darker where they cut deeper
    QAction Exit1;
    QAction SetParameters1;
    QAction Create1;
    QAction SelectFont1;
    QAction SeveralLines1;
    QAction TextLayout1;
    QAction QuorvelHelpTopics1;
    QAction About1;

    QToolBar ToolBar1;
    QToolButton ToolButton2;
    QFrame Panel3;
    QGridLayout panelGrid;
    QButtonGroup layoutChoice;
    QRadioButton optLinear;
    QRadioButton optArc;
    QGroupBox rgArc;
    QHBoxLayout rgLayout;
    QButtonGroup rgArcItems;
    std::array<QRadioButton, 3> rgArcButtons;
    QLineEdit txtBoundBoxX;
    QLabel Label2_0;
    QLineEdit txtBoundBoxY;
    QLabel Label2_1;
    QLineEdit txtWidth;
    QLabel Label2;
    QLineEdit txtHeight;
    QLabel Label3;
    QLineEdit txtAng;
    QLabel Label1;
    QLineEdit txtRad;
    QLabel Label4;
    QLineEdit edFont;
    QPlainTextEdit edLines; // in edFont's place while Several Lines is on
    TfrmTextLayout frmTextLayout{this};
    TVectorDisplay3D Draw3D;
    TViewOptions viewOptions{*this, Draw3D}; // View: origin and extent, dark theme
    QLabel lblStale;                         // in the status bar while the preview is out of date
    QLabel lblNote;    // in the status bar: what the last live Create would have shown in a box
    QLabel lblMissing; // in the status bar: the characters the font lacks, after a Create
    QLabel lblStats;   // in the status bar: size, toolpaths, length and time of the last Create
    QLabel lblCursor;  // in the status bar: the work-plane point under the mouse
    QLabel lblUnits;   // in the status bar: the unit every size is in
    QLabel lblFont;    // in the status bar: the face and style the next Create uses
};

// The maker's web address, shown in the window caption and the about box.
inline constexpr const char* MakerWebAddress = "www.orlenta.example";

} // namespace orlenta
