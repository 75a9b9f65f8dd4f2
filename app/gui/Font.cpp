// The main window; see Font.h.
#include "app/gui/Font.h"

#include "app/gui/About.h"
#include "app/gui/Help.h"
#include "app/gui/OrlentaIcon.h"
#include "app/gui/Parameters.h"
#include "app/gui/StatusNotes.h"
#include "app/gui/VectorDisplay3D.h"

#include "app/core/Globals.h"
#include "app/core/ParameterFile.h"
#include "app/core/ParameterRules.h"
#include "glyph/FontSources.h"
#include "glyph/UTTF2Vct.h"
#include "kernel/Errors.h"
#include "kernel/Hooks.h"
#include "kernel/ProgramStatistics.h"
#include "preview/PantoGraph.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <utility>

namespace orlenta {

namespace {

constexpr int KeyEnter = 13;
constexpr int KeyBackspace = 8;

// Digits, the two decimal separators, the minus sign and backspace.
bool numericKey(int key) {
    return (key >= '0' && key <= '9') || key == '.' || key == '-' || key == ',' ||
           key == KeyBackspace;
}

constexpr const char* StaleNote = "Preview out of date \u2014 press Create";

TStaleSaveChoice askStaleSave(QWidget* parent) {
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(),
                    "The text or settings changed after the last Create, so the preview and "
                    "the toolpaths to be saved are out of date.\n\nCreate first?",
                    QMessageBox::NoButton, parent);
    QPushButton* create = box.addButton("Create First", QMessageBox::AcceptRole);
    QPushButton* asIs = box.addButton("Save As Is", QMessageBox::DestructiveRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(create);
    box.exec();
    if (box.clickedButton() == create)
        return TStaleSaveChoice::CreateFirst;
    if (box.clickedButton() == asIs)
        return TStaleSaveChoice::SaveAsIs;
    return TStaleSaveChoice::Cancel;
}

void setUpEdit(QLineEdit& e, const char* name, const char* text) {
    e.setObjectName(name);
    e.setText(text);
}

// The '&' in a label's text underlines the next letter; Alt with it focuses the buddy.
void setUpLabel(QLabel& l, const char* name, const char* text, QLineEdit& buddy) {
    l.setObjectName(name);
    l.setText(text);
    l.setBuddy(&buddy);
}

std::optional<QString> runSaveDialog(QWidget* parent, const TSaveDialogRequest& request) {
    QFileDialog dialog(parent, request.Title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(request.Filter);
    dialog.setDefaultSuffix(request.DefaultExt);
    if (!request.Suggested.isEmpty()) {
        const QFileInfo suggested(request.Suggested);
        if (suggested.isAbsolute())
            dialog.setDirectory(suggested.absolutePath());
        dialog.selectFile(suggested.fileName());
    }
    // QFileDialog asks before overwriting unless told not to.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

TAlignment alignmentOf(int checkedId) {
    switch (checkedId) {
    case 1:
        return TAlignment::Cent;
    case 2:
        return TAlignment::Right;
    default:
        return TAlignment::Left;
    }
}

class TWaitCursor {
  public:
    explicit TWaitCursor(bool show) : shown(show) {
        if (shown)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~TWaitCursor() {
        if (shown)
            QApplication::restoreOverrideCursor();
    }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

  private:
    bool shown;
};

} // namespace

bool AskSaveAnyway(QWidget* parent, const std::vector<std::string>& problems) {
    QString list;
    for (const std::string& p : problems)
        list += QString::fromUtf8("\u2022 ") + QString::fromStdString(p) + "\n";
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), list.trimmed(),
                    QMessageBox::Save | QMessageBox::Cancel, parent);
    box.setObjectName("SaveAnyway");
    box.setInformativeText("Save anyway?");
    box.setDefaultButton(QMessageBox::Cancel);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Save;
}

TSaveDialogRequest SaveRequest(TSaveFormat format) {
    // File names are case-sensitive here, so each pattern comes in its usual spellings.
    switch (format) {
    case TSaveFormat::DXF:
        return {"Save As DXF", "DXF Files (*.Dxf *.dxf *.DXF)", "Dxf", {}};
    case TSaveFormat::SVG:
        return {"Save As SVG", "SVG Files (*.svg *.Svg *.SVG)", "svg", {}};
    case TSaveFormat::GCode:
        break;
    }
    return {"Save As G-Code", "DNC Files (*.Dnc *.dnc *.DNC);;All Files (*)", "Dnc", {}};
}

TfrmFont::TfrmFont(QWidget* parent)
    : QMainWindow(parent), SaveGCode1("Save As &G-Code", this), SaveDXF1("Save As &DXF", this),
      SaveSVG1("Save As S&VG", this), ViewFit1("&Fit", this), ZoomIn1("Zoom &In", this),
      ZoomOut1("Zoom &Out", this), ShadeByDepth1("&Shade V-Carve by Depth", this),
      Exit1("&Exit", this), SetParameters1("&Set Parameters", this), Create1("&Create", this),
      SelectFont1("&Select Font", this), SeveralLines1("Several &Lines", this),
      TextLayout1("Text &Layout...", this), QuorvelHelpTopics1("&Orlenta Help Topics", this),
      About1("&About", this), ToolBar1(this), panelGrid(&Panel3), rgLayout(&rgArc), Draw3D(this) {
    setObjectName("frmFont");
    setWindowTitle(QString("Orlenta - ") + MakerWebAddress);
    setWindowIcon(OrlentaIcon());

    Ttf = std::make_unique<TTTFToVectorConverter>();
    Settings = OpenUserSettings();
    // Created off: restoreSettings turns it on once the remembered inputs are in place, so
    // putting them back runs no Create.
    const auto stopBuild = [] {
        if (CreateRunning())
            StopToolpathBuild(Globals());
    };
    Live = std::make_unique<TLivePreview>([this](TCreateKind k) { runCreate(k); }, stopBuild);
    // A close that arrived while a Create was processing messages happens once none runs.
    connect(Live.get(), &TLivePreview::Idle, this, [this] {
        if (closePending)
            close();
        else if (auto save = std::exchange(savePending, std::nullopt))
            saveToolpathsAs(save->first, save->second);
    });

    SaveDialog1 = [this](const TSaveDialogRequest& r) { return runSaveDialog(this, r); };
    FontDialog1 = [this]() -> std::optional<QFont> {
        bool ok = false;
        // Opens on the current face and style, so that OK alone keeps bold and italic.
        QFont current(QString::fromStdString(Font.Name));
        current.setBold(Font.Bold);
        current.setItalic(Font.Italic);
        const QFont chosen =
            QFontDialog::getFont(&ok, current, this, "Select Font", QFontDialog::ScalableFonts);
        if (!ok)
            return std::nullopt;
        return chosen;
    };
    SaveAnyway1 = [this](const std::vector<std::string>& problems) {
        return AskSaveAnyway(this, problems);
    };
    ShowException = [this](const QString& text) {
        QMessageBox::critical(this, QApplication::applicationName(), text);
    };
    AskStaleSave = [this] { return askStaleSave(this); };

    buildMenus();
    buildToolBar();

    Draw3D.setObjectName("Draw3D");
    Draw3D.OnPaint = [this] { Draw3DPaint(); };
    Draw3D.ShowException = [this](const QString& text) { ShowException(text); };
    setCentralWidget(&Draw3D);
    // There from the start, so that a note appearing later does not shrink the preview
    // under the view it was just fitted to.
    statusBar()->setObjectName("StatusBar1");

    lblStale.setObjectName("lblStale");
    lblStale.setText(StaleNote);
    lblStale.setStyleSheet("QLabel { color: #b00000; font-weight: bold; }");
    lblStale.hide();
    statusBar()->addWidget(&lblStale);
    // A label rather than a status message: a temporary message would hide the stale note.
    lblMissing.setObjectName("lblMissing");
    statusBar()->addWidget(&lblMissing, 1);
    lblNote.setObjectName("lblNote");
    statusBar()->addWidget(&lblNote);
    buildStatusLabels();

    // FormCreate: fonts and parameters start at their defaults before the file is read.
    Font = TFontChoice{};
    SetStartupValues(Globals());
    lblFont.setText(FontNote(Font));
    runCommand([] {
        std::string text;
        try {
            LoadParameters(Globals().Params);
        } catch (const EParameterValueError& e) {
            // A machine setting the file holds is not valid: it is named, and the engraving
            // keys read all the same.
            text = e.what();
        }
        // Values out of range are kept, as the file gives them, and named once here; the
        // parameter dialog opens on the first of them for correction.
        const auto problems = ParameterRangeProblems(Globals().Params);
        if (!problems.empty()) {
            if (!text.empty())
                text += "\n";
            text += ParameterFiles().Read.string() + ":";
            for (const auto& p : problems)
                text += "\n" + p.Message;
        }
        if (!text.empty())
            ShowMessage(text);
    });
    showUnits();
    Draw3D.SetCartesian();
    Draw3D.ResetView();
    Draw3D.Resize();

    // 468 x 349 at 120 pixels per inch (at least 465 x 270), widened when the tool bar's
    // fields need more room in this style and font.
    const double scale = logicalDpiX() / 120.0;
    const int barWidth = ToolBar1.sizeHint().width() + 8;
    setMinimumSize(std::max(static_cast<int>(465 * scale), barWidth),
                   static_cast<int>(270 * scale));
    resize(std::max(static_cast<int>(468 * scale), barWidth),
           std::max(static_cast<int>(349 * scale), ToolBar1.sizeHint().height() + 260));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    restoreSettings();

    // The text field starts focused with its text selected: typing replaces it.
    if (SeveralLines1.isChecked()) {
        edLines.setFocus(Qt::OtherFocusReason);
        edLines.selectAll();
    } else {
        edFont.setFocus(Qt::OtherFocusReason);
        edFont.selectAll();
    }
}

TfrmFont::~TfrmFont() {
    saveSettings();
}

void TfrmFont::SetDialogs(TfrmParameters* parameters, TfrmAbout* about) {
    frmParameters = parameters;
    frmAbout = about;
}

void TfrmFont::buildMenus() {
    auto action = [this](QAction& a, const char* name, auto slot) {
        a.setObjectName(name);
        connect(&a, &QAction::triggered, this, slot);
    };
    action(SaveGCode1, "SaveGCode1", &TfrmFont::SaveGCode1Click);
    action(SaveDXF1, "SaveDXF1", &TfrmFont::SaveDXF1Click);
    action(SaveSVG1, "SaveSVG1", &TfrmFont::SaveSVG1Click);
    action(Exit1, "Exit1", &TfrmFont::Exit1Click);
    action(SetParameters1, "SetParameters1", &TfrmFont::SetParameters1Click);
    action(Create1, "Create1", &TfrmFont::Create1Click);
    Create1.setIcon(CreateCommandIcon());
    action(SelectFont1, "SelectFont1", &TfrmFont::SelectFont1Click);
    SeveralLines1.setObjectName("SeveralLines1");
    SeveralLines1.setCheckable(true);
    connect(&SeveralLines1, &QAction::toggled, this, &TfrmFont::SeveralLines1Toggled);
    action(TextLayout1, "TextLayout1", &TfrmFont::TextLayout1Click);
    action(QuorvelHelpTopics1, "QuorvelHelpTopics1", &TfrmFont::QuorvelHelpTopics1Click);
    action(About1, "About1", &TfrmFont::About1Click);

    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("File1");
    file->addAction(&SaveGCode1);
    file->addAction(&SaveDXF1);
    file->addAction(&SaveSVG1);
    file->addSeparator();
    recentMenu = file->addMenu("&Recent Files");
    recentMenu->setObjectName("RecentFiles1");
    fillRecentFiles();
    file->addSeparator()->setObjectName("N1");
    file->addAction(&Exit1);

    QMenu* create = menuBar()->addMenu("&Create");
    create->setObjectName("Parameters1");
    create->addAction(&SetParameters1);
    create->addAction(&Create1);
    create->addSeparator()->setObjectName("N2");
    create->addAction(&SelectFont1);
    // The single-line engraving fonts are no system fonts, so the font dialog cannot offer
    // them; they have a menu of their own.
    QMenu* stroke = create->addMenu("Stroke &Fonts");
    stroke->setObjectName("StrokeFonts1");
    for (const std::string& name : StrokeFontNames())
        connect(stroke->addAction(QString::fromStdString(name)), &QAction::triggered, this,
                [this, name] {
                    const TFontChoice chosen{name, false, false};
                    if (chosen.Name != Font.Name || Font.Bold || Font.Italic)
                        markStale();
                    Font = chosen;
                });
    create->addSeparator();
    create->addAction(&SeveralLines1);
    create->addAction(&TextLayout1);

    buildViewMenu();
    assignStandardKeys();
    nameControls();

    QMenu* help = menuBar()->addMenu("&Help");
    help->setObjectName("Help1");
    help->addAction(&QuorvelHelpTopics1);
    help->addAction(&About1);
}

void TfrmFont::buildToolBar() {
    ToolBar1.setObjectName("ToolBar1");
    ToolBar1.setMovable(false);
    ToolBar1.setFloatable(false);
    addToolBar(Qt::TopToolBarArea, &ToolBar1);

    ToolButton2.setObjectName("ToolButton2");
    ToolButton2.setDefaultAction(&Create1);
    ToolButton2.setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1.addWidget(&ToolButton2);

    Panel3.setObjectName("Panel3");
    ToolBar1.addWidget(&Panel3);

    optLinear.setText("Linear");
    optLinear.setObjectName("optLinear");
    optLinear.setChecked(true);
    optArc.setText("Arc");
    optArc.setObjectName("optArc");
    layoutChoice.addButton(&optLinear);
    layoutChoice.addButton(&optArc);
    connect(&optLinear, &QRadioButton::clicked, this, &TfrmFont::optLinearClick);
    connect(&optArc, &QRadioButton::clicked, this, &TfrmFont::optArcClick);
    connect(&optArc, &QRadioButton::toggled, this, [this] { markStale(); });

    rgArc.setTitle("Alignment");
    rgArc.setObjectName("rgArc");
    rgLayout.setContentsMargins(4, 2, 4, 2);
    const char* items[] = {"Left", "Cent", "Right"};
    for (int i = 0; i < 3; ++i) {
        QRadioButton& b = rgArcButtons[i];
        b.setText(items[i]);
        b.setObjectName(QString("rgArc_%1").arg(i));
        rgArcItems.addButton(&b, i);
        rgLayout.addWidget(&b);
    }
    rgArcButtons[0].setChecked(true);
    connect(&rgArcItems, &QButtonGroup::buttonClicked, this, &TfrmFont::rgArcClick);
    connect(&rgArcItems, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            markStale();
    });

    setUpEdit(txtBoundBoxX, "txtBoundBoxX", "0");
    txtBoundBoxX.setMaxLength(12);
    setUpLabel(Label2_0, "Label2_0", "Origin &X", txtBoundBoxX);
    setUpEdit(txtBoundBoxY, "txtBoundBoxY", "0");
    txtBoundBoxY.setMaxLength(12);
    setUpLabel(Label2_1, "Label2_1", "Origin &Y", txtBoundBoxY);
    setUpEdit(txtWidth, "txtWidth", "0");
    txtWidth.setToolTip("Enter Width of Text");
    setUpLabel(Label2, "Label2", "&Width", txtWidth);
    setUpEdit(txtHeight, "txtHeight", "1");
    txtHeight.setToolTip("Enter Height of Text");
    setUpLabel(Label3, "Label3", "H&eight", txtHeight);
    setUpEdit(txtAng, "txtAng", "0");
    txtAng.setEnabled(false);
    setUpLabel(Label1, "Label1", "&Angle", txtAng);
    setUpEdit(txtRad, "txtRad", "0");
    txtRad.setEnabled(false);
    setUpLabel(Label4, "Label4", "&Rad", txtRad);
    setUpEdit(edFont, "edFont", "Enter Text Here");
    // Longer than Create takes, so that a longer paste meets Create's message instead of
    // being cut short without a word (the field's own limit is 32767).
    edFont.setMaxLength(static_cast<int>(MaxTextLength) + 1);

    for (QLineEdit* e : {&txtBoundBoxX, &txtBoundBoxY, &txtWidth, &txtHeight, &txtAng, &txtRad}) {
        e->setMinimumWidth(44);
        e->setMaximumWidth(80);
    }
    for (QLineEdit* e :
         {&edFont, &txtBoundBoxX, &txtBoundBoxY, &txtWidth, &txtHeight, &txtAng, &txtRad}) {
        e->installEventFilter(this);
        connect(e, &QLineEdit::textEdited, this, [this] { markStale(); });
    }
    // Pasted or dropped text meets the numeric filter too.
    for (QLineEdit* e : {&txtBoundBoxX, &txtBoundBoxY, &txtWidth, &txtHeight, &txtAng, &txtRad}) {
        numericFilters.push_back(std::make_unique<TCharFilter>(
            [](QChar c) { return c.unicode() != KeyBackspace && numericKey(c.unicode()); }));
        e->setValidator(numericFilters.back().get());
    }
    // Any edit of one size field, pasting and deleting included, sizes the text by it.
    connect(&txtWidth, &QLineEdit::textEdited, this, [this] { txtHeight.setText("0"); });
    connect(&txtHeight, &QLineEdit::textEdited, this, [this] { txtWidth.setText("0"); });

    QGridLayout& grid = panelGrid;
    grid.setContentsMargins(4, 2, 4, 2);
    grid.setHorizontalSpacing(6);
    grid.setVerticalSpacing(2);
    grid.addWidget(&optLinear, 0, 0);
    grid.addWidget(&optArc, 1, 0);
    grid.addWidget(&Label2_0, 0, 1);
    grid.addWidget(&txtBoundBoxX, 0, 2);
    grid.addWidget(&Label2_1, 1, 1);
    grid.addWidget(&txtBoundBoxY, 1, 2);
    grid.addWidget(&Label2, 0, 3);
    grid.addWidget(&txtWidth, 0, 4);
    grid.addWidget(&Label3, 1, 3);
    grid.addWidget(&txtHeight, 1, 4);
    grid.addWidget(&Label1, 0, 5);
    grid.addWidget(&txtAng, 0, 6);
    grid.addWidget(&Label4, 1, 5);
    grid.addWidget(&txtRad, 1, 6);
    grid.addWidget(&rgArc, 2, 0, 1, 3);
    grid.addWidget(&edFont, 2, 3, 1, 4);
    edLines.setObjectName("edLines");
    edLines.setTabChangesFocus(true);
    edLines.setMaximumHeight(4 * edLines.fontMetrics().lineSpacing());
    edLines.hide();
    connect(&edLines, &QPlainTextEdit::textChanged, this, [this] {
        if (edLines.isVisible())
            markStale();
    });
    grid.addWidget(&edLines, 2, 3, 1, 4);
}

void TfrmFont::SeveralLines1Toggled(bool on) {
    // The editor starts with the one-line text; each keeps its own text afterwards.
    if (on && edLines.toPlainText().isEmpty())
        edLines.setPlainText(edFont.text());
    edFont.setVisible(!on);
    edLines.setVisible(on);
    (on ? static_cast<QWidget&>(edLines) : edFont).setFocus(Qt::OtherFocusReason);
    if (edLines.toPlainText() != edFont.text())
        markStale();
}

void TfrmFont::TextLayout1Click() {
    if (const std::optional<TTextStyle> chosen = frmTextLayout.Edit(Style)) {
        if (*chosen != Style)
            markStale();
        Style = *chosen;
    }
}

void TfrmFont::runCommand(const std::function<void()>& command, bool quiet) {
    const auto show = [this, quiet](const QString& text) {
        if (quiet)
            lblNote.setText(text);
        else
            ShowException(text);
    };
    try {
        command();
    } catch (const EConvertError& e) {
        show(QString::fromStdString(e.what()));
        if (!quiet)
            selectFieldShowing(e.what());
    } catch (const std::bad_alloc&) {
        show("out of memory");
    } catch (const std::exception& e) {
        show(QString::fromStdString(e.what()));
    }
}

void TfrmFont::selectFieldShowing(const std::string& message) {
    // The conversion error carries the field's text only; the field is the one whose text
    // gives the same message (the first, should two hold the same text).
    for (QLineEdit* e : {&txtHeight, &txtRad, &txtWidth, &txtBoundBoxX, &txtBoundBoxY, &txtAng})
        if (EConvertError(e->text().toStdString()).what() == message) {
            e->setFocus(Qt::OtherFocusReason);
            e->selectAll();
            return;
        }
}

void TfrmFont::markStale() {
    ++edits;
    Live->InputChanged();
    if (created)
        setStale(true);
}

void TfrmFont::setStale(bool outOfDate) {
    stale = outOfDate;
    lblStale.setVisible(outOfDate);
}

bool TfrmFont::confirmFreshPreview() {
    if (!stale)
        return true;
    switch (AskStaleSave()) {
    case TStaleSaveChoice::SaveAsIs:
        return true;
    case TStaleSaveChoice::CreateFirst:
        Create1Click();
        return !stale; // a Create that failed has shown why; nothing is saved
    case TStaleSaveChoice::Cancel:
        Globals().RunFlag = 0; // as a cancelled save dialog does
        break;
    }
    return false;
}

TCreateFields TfrmFont::readFields() const {
    TCreateFields f;
    f.Text = (SeveralLines1.isChecked() ? edLines.toPlainText() : edFont.text()).toStdString();
    f.Height = txtHeight.text().toStdString();
    f.Width = txtWidth.text().toStdString();
    f.OriginX = txtBoundBoxX.text().toStdString();
    f.OriginY = txtBoundBoxY.text().toStdString();
    f.Radius = txtRad.text().toStdString();
    f.Angle = txtAng.text().toStdString();
    f.Arc = optArc.isChecked();
    f.Alignment = alignmentOf(rgArcItems.checkedId());
    return f;
}

void TfrmFont::Create1Click() {
    Live->Request(TCreateKind::Explicit);
}

void TfrmFont::runCreate(TCreateKind kind) {
    const bool live = kind == TCreateKind::Live;
    const unsigned editsAtStart = edits;
    lblNote.clear();
    std::optional<TMessagesToNote> quiet;
    if (live)
        quiet.emplace([this](const QString& text) { lblNote.setText(text); });
    const auto create = [this, editsAtStart, live] {
        // A Create that arrives while one runs (it processes messages) is ignored before its
        // fields are read, and leaves the hourglass to the running one.
        if (CreateRunning())
            return;
        TCreateResult result;
        {
            TWaitCursor wait(!live);
            result = CreateCommand(
                Globals(), ReadCreateFields(readFields()), Font, *Ttf,
                [this](const TViewBox& box) { Draw3D.SetView(box, 20, 20, true); }, Style);
        }
        // Stopped for the Create that follows: that one shows its result.
        if (Live->Superseded())
            return;
        if (!result.Message.empty())
            ShowMessage(result.Message);
        if (result.Outcome == TCreateOutcome::Done) {
            // An edit made while the build processed messages is not in what it built.
            created = true;
            setStale(edits != editsAtStart);
            showMissingGlyphs(result.MissingCharacters);
            lblFont.setText(FontNote(Font, result.FontFace));
            showStatistics();
            Draw3D.repaint();
        }
    };
    runCommand(create, live);
}

// In the status bar rather than a message box: it says once per Create what the font
// lacks, with no dialog to dismiss each time.
void TfrmFont::showMissingGlyphs(const std::u32string& missing) {
    if (missing.empty())
        lblMissing.clear();
    else
        lblMissing.setText(QString::fromStdString("Warning: " + MissingGlyphsNote(Font, missing)));
}

void TfrmFont::Draw3DPaint() {
    viewOptions.Apply(Globals().Params.Machine.Units);
    // V-carve paths shaded by depth: in the top view the colour is all that shows it.
    Draw3D.Painter().Draw(Globals().Toolpaths, Globals().CarvePaths, ShadeByDepth1.isChecked());
    Draw3D.ShowSurface();
}

void TfrmFont::SelectFont1Click() {
    runCommand([this] {
        const std::optional<QFont> chosen = FontDialog1();
        if (!chosen)
            return;
        const TFontChoice before = Font;
        Font.Name = chosen->family().toStdString();
        Font.Bold = chosen->bold();
        Font.Italic = chosen->italic();
        if (Font.Name != before.Name || Font.Bold != before.Bold || Font.Italic != before.Italic)
            markStale();
        lblFont.setText(FontNote(Font));
    });
}

void TfrmFont::SaveGCode1Click() {
    saveToolpathsAs(TSaveFormat::GCode, SaveRequest(TSaveFormat::GCode));
}

void TfrmFont::SaveDXF1Click() {
    saveToolpathsAs(TSaveFormat::DXF, SaveRequest(TSaveFormat::DXF));
}

void TfrmFont::SaveSVG1Click() {
    saveToolpathsAs(TSaveFormat::SVG, SaveRequest(TSaveFormat::SVG));
}

void TfrmFont::saveToolpathsAs(TSaveFormat format, TSaveDialogRequest request) {
    // A Save stops a running toolpath build and writes what it has built so far. The user
    // chose that for their own Create; a live one only ran because of the typing, so the
    // Save waits for it to end instead of writing a part of the text.
    if (Live->RunningLive()) {
        savePending.emplace(format, std::move(request));
        return;
    }
    if (!confirmFreshPreview())
        return;
    if (request.Suggested.isEmpty()) {
        // The format's last folder, and a name from the text.
        const QString name = QString::fromStdString(SuggestedFileName(readFields().Text, format));
        const QString folder = LastSaveFolder(*Settings, format);
        request.Suggested = folder.isEmpty() ? name : QDir(folder).filePath(name);
    }
    runCommand([&] {
        TGlobals& g = Globals();
        // Before the dialog, so that a cancelled Save stops a running build too.
        StopToolpathBuild(g);
        const std::optional<QString> name = SaveDialog1(request);
        if (!name)
            return;
        const std::filesystem::path file = name->toStdString();
        const TSaveResult result = SaveToolpaths(g, file, format);
        bool saved = result.Saved;
        if (!saved && SaveAnyway1(result.Problems))
            saved = SaveToolpaths(g, file, format, true).Saved;
        if (saved) {
            RememberSavedFile(*Settings, *name, format);
            fillRecentFiles();
        }
    });
}

void TfrmFont::SetParameters1Click() {
    if (!frmParameters)
        return;
    const TParameterTexts before = ParameterTexts(Globals().Params);
    const TMachineSettings machineBefore = Globals().Params.Machine;
    frmParameters->exec();
    const TMachineSettings& m = Globals().Params.Machine;
    // Units and dialect change the statistics and the program, not the drawing; they
    // still make the figures shown out of date.
    const bool machineChanged = m.Units != machineBefore.Units ||
                                m.Dialect != machineBefore.Dialect ||
                                m.RapidRate != machineBefore.RapidRate;
    if (ParameterTexts(Globals().Params) != before || machineChanged)
        markStale();
    showUnits();
}

void TfrmFont::About1Click() {
    if (frmAbout)
        frmAbout->exec();
}

void TfrmFont::QuorvelHelpTopics1Click() {
    if (!Help)
        Help = std::make_unique<TfrmHelp>(this);
    Help->ShowContents(HelpFilePath());
    Help->show();
    Help->raise();
}

void TfrmFont::Exit1Click() {
    close();
}

void TfrmFont::optLinearClick() {
    Label2_0.setText("Origin &X");
    Label2_1.setText("Origin &Y");
    txtRad.setEnabled(false);
    txtAng.setEnabled(false);
    txtWidth.setEnabled(true);
}

void TfrmFont::optArcClick() {
    Label2_0.setText("Center &X");
    Label2_1.setText("Center &Y");
    txtRad.setEnabled(true);
    txtAng.setEnabled(true);
    txtWidth.setEnabled(false);
}

void TfrmFont::rgArcClick() {
    txtBoundBoxX.setEnabled(true);
    txtBoundBoxY.setEnabled(true);
}

bool TfrmFont::edFontKeyPress(int key) {
    if (key == KeyEnter) {
        Create1Click();
        return true;
    }
    return false;
}

bool TfrmFont::txtWidthKeyPress(int key) {
    if (key == KeyEnter)
        Create1Click();
    const bool discard = !numericKey(key);
    zeroOtherSize(txtHeight, key);
    return discard;
}

bool TfrmFont::txtHeightKeyPress(int key) {
    if (key == KeyEnter)
        Create1Click();
    const bool discard = !numericKey(key);
    zeroOtherSize(txtWidth, key);
    return discard;
}

void TfrmFont::zeroOtherSize(QLineEdit& other, int key) {
    // After Enter the preview shows what the fields said when Create ran; any other key
    // that changes the other size changes what the next Create builds.
    if (key != KeyEnter && other.text() != "0")
        markStale();
    other.setText("0");
}

bool TfrmFont::txtBoundBoxXKeyPress(int key) {
    if (key == KeyEnter)
        Create1Click();
    return !numericKey(key);
}

bool TfrmFont::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    const auto* k = static_cast<QKeyEvent*>(event);
    // Only keys that type a character reach the key handlers; arrows, Delete and the like
    // edit the field as usual.
    int key = 0;
    if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab)
        return QMainWindow::eventFilter(watched, event); // focus keys never reach a field
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)
        key = KeyEnter;
    else if (IsShortcutKey(*k))
        return QMainWindow::eventFilter(watched, event); // the field's own shortcuts
    else if (k->key() == Qt::Key_Backspace)
        key = KeyBackspace;
    else if (!k->text().isEmpty())
        key = k->text().front().unicode();
    else
        return QMainWindow::eventFilter(watched, event);

    if (watched == &edFont)
        return edFontKeyPress(key);
    if (watched == &txtWidth)
        return txtWidthKeyPress(key);
    if (watched == &txtHeight)
        return txtHeightKeyPress(key);
    if (watched == &txtBoundBoxX || watched == &txtBoundBoxY || watched == &txtRad ||
        watched == &txtAng)
        return txtBoundBoxXKeyPress(key);
    return QMainWindow::eventFilter(watched, event);
}

void TfrmFont::closeEvent(QCloseEvent* event) {
    // Closing while Create processes messages would free the window under the running
    // command: wait for it to end, then close.
    if (CreateRunning() || Live->Running()) {
        closePending = true;
        Live->DropPending();
        event->ignore();
        return;
    }
    closePending = false;
    Live->DropPending();
    if (Help)
        Help->close();
    saveSettings();
    event->accept();
}

void TfrmFont::buildViewMenu() {
    auto action = [this](QAction& a, const char* name, auto slot, const QList<QKeySequence>& keys) {
        a.setObjectName(name);
        a.setShortcuts(keys);
        connect(&a, &QAction::triggered, this, slot);
    };
    action(ViewFit1, "ViewFit1", &TfrmFont::ViewFit1Click, {QKeySequence("Ctrl+0")});
    // Ctrl+= too: on most keyboards "+" needs Shift.
    action(ZoomIn1, "ZoomIn1", &TfrmFont::ZoomIn1Click,
           {QKeySequence("Ctrl++"), QKeySequence("Ctrl+=")});
    action(ZoomOut1, "ZoomOut1", &TfrmFont::ZoomOut1Click, {QKeySequence("Ctrl+-")});
    QMenu* view = menuBar()->addMenu("&View");
    view->setObjectName("View1");
    view->addAction(&ViewFit1);
    view->addAction(&ZoomIn1);
    view->addAction(&ZoomOut1);
    view->addSeparator();
    UpdateWhileTyping1.setParent(this);
    UpdateWhileTyping1.setObjectName("UpdateWhileTyping1");
    UpdateWhileTyping1.setCheckable(true);
    UpdateWhileTyping1.setChecked(true);
    connect(&UpdateWhileTyping1, &QAction::toggled, this, [this](bool on) {
        Live->SetEnabled(on);
        // Turned on, the preview catches up with the inputs at once.
        Live->InputChanged();
    });
    view->addAction(&UpdateWhileTyping1);
    viewOptions.AddTo(*view);
    ShadeByDepth1.setObjectName("ShadeByDepth1");
    ShadeByDepth1.setCheckable(true);
    ShadeByDepth1.setChecked(true);
    connect(&ShadeByDepth1, &QAction::toggled, this, [this] { Draw3D.repaint(); });
    view->addAction(&ShadeByDepth1);
}

void TfrmFont::buildStatusLabels() {
    lblStats.setObjectName("lblStats");
    statusBar()->addPermanentWidget(&lblStats);
    lblCursor.setObjectName("lblCursor");
    statusBar()->addPermanentWidget(&lblCursor);
    lblFont.setObjectName("lblFont");
    statusBar()->addPermanentWidget(&lblFont);
    lblUnits.setObjectName("lblUnits");
    lblUnits.setToolTip("The unit of every size and position");
    statusBar()->addPermanentWidget(&lblUnits);
    Draw3D.OnCursor = [this](std::optional<std::pair<double, double>> at) {
        if (at)
            lblCursor.setText(CursorNote(at->first, at->second, Globals().Params.Machine.Units));
        else
            lblCursor.clear();
    };
}

void TfrmFont::showStatistics() {
    const TGlobals& g = Globals();
    try {
        lblStats.setText(
            StatisticsNote(ComputeStatistics(g.Toolpaths, g.Params), g.Params.Machine.Units));
    } catch (const std::exception&) {
        lblStats.clear(); // figures that cannot be computed are not shown
    }
}

void TfrmFont::showUnits() {
    lblUnits.setText(UnitsNote(Globals().Params.Machine.Units));
    if (created)
        showStatistics();
}

void TfrmFont::ViewFit1Click() {
    Draw3D.FitView();
}

void TfrmFont::ZoomIn1Click() {
    Draw3D.ZoomStep(true);
}

void TfrmFont::ZoomOut1Click() {
    Draw3D.ZoomStep(false);
}

void TfrmFont::assignStandardKeys() {
    SaveGCode1.setShortcut(QKeySequence("Ctrl+S"));
    SaveDXF1.setShortcut(QKeySequence("Ctrl+Shift+S"));
    Exit1.setShortcut(QKeySequence("Ctrl+Q"));
    QuorvelHelpTopics1.setShortcut(QKeySequence(Qt::Key_F1));
}

void TfrmFont::nameControls() {
    // The Origin/Center labels change with the layout, so the position fields are named
    // for both.
    const std::pair<QWidget*, const char*> names[] = {
        {&edFont, "Text"},
        {&edLines, "Text lines"},
        {&txtBoundBoxX, "Origin or centre X"},
        {&txtBoundBoxY, "Origin or centre Y"},
        {&txtWidth, "Width"},
        {&txtHeight, "Height"},
        {&txtAng, "Angle"},
        {&txtRad, "Radius"},
        {&optLinear, "Linear layout"},
        {&optArc, "Arc layout"},
        {&rgArc, "Alignment"},
        {&Draw3D, "Toolpath preview"},
        {&ToolButton2, "Create"},
    };
    for (const auto& [w, name] : names)
        w->setAccessibleName(name);
    for (int i = 0; i < 3; ++i)
        rgArcButtons[i].setAccessibleName(rgArcButtons[i].text() + " alignment");
}

} // namespace orlenta
