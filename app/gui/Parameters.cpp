// The parameter dialog; see Parameters.h.
#include "app/gui/Parameters.h"

#include "app/core/Globals.h"
#include "app/core/ParameterFile.h"
#include "app/core/ParameterRules.h"
#include "kernel/Hooks.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <exception>

namespace orlenta {

namespace {

// Every field but the rapid height takes at most this many characters.
constexpr int FieldMaxLength = 10;

} // namespace

TfrmParameters::TfrmParameters(QWidget* parent)
    : QDialog(parent), main(this), grpParameters("Parameters", this), pGrid(&grpParameters),
      grpLineNumbers("Line Numbers", this), nGrid(&grpLineNumbers), grpMachine(this),
      grpVCarve(this), cmdTemplateContour("OK", this), cmdCancel("Cancel", this) {
    setObjectName("frmParameters");
    setWindowTitle("Orlenta Parameters");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto row = [this](QGridLayout& grid, QLabel& panel, const char* panelName, const char* caption,
                      QLineEdit& edit, const char* editName, bool decimal, bool limited) {
        panel.setText(caption);
        panel.setObjectName(panelName);
        panel.setMinimumWidth(90);
        panel.setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
        panel.setMargin(2);
        edit.setObjectName(editName);
        if (limited)
            edit.setMaxLength(FieldMaxLength);
        edit.installEventFilter(this);
        panel.setBuddy(&edit);
        UnhighlightLabel(&panel);
        const int r = grid.rowCount();
        grid.addWidget(&panel, r, 0);
        grid.addWidget(&edit, r, 1);
        auto filter =
            std::make_unique<TCharFilter>([decimal](QChar c) { return keeps(decimal, c); });
        edit.setValidator(filter.get());
        fields.push_back({&panel, &edit, decimal, std::move(filter)});
    };

    grpParameters.setObjectName("grpParameters");
    row(pGrid, pnlTemplateContourDepth, "pnlTemplateContourDepth", "Depth", txtTemplateContourDepth,
        "txtTemplateContourDepth", true, true);
    row(pGrid, pnlEngrave, "pnlEngrave", "Rapid Height", txtRapidHeight, "txtRapidHeight", true,
        false);
    row(pGrid, pnlRoughFeed, "pnlRoughFeed", "Feedrate", txtRoughFeed, "txtRoughFeed", true, true);
    row(pGrid, pnlRoughPlunge, "pnlRoughPlunge", "Plunge Rate", txtRoughPlunge, "txtRoughPlunge",
        true, true);
    row(pGrid, pnlPrecision, "pnlPrecision", "Precision", txtPrecision, "txtPrecision", false,
        true);
    row(pGrid, pnlDecimal, "pnlDecimal", "Dec. Places", txtDecimal, "txtDecimal", false, true);

    grpLineNumbers.setObjectName("grpLineNumbers");
    row(nGrid, pnlStart, "pnlStart", "Start At", txtStartAt, "txtStartAt", false, true);
    row(nGrid, pnlIncr, "pnlIncr", "Increment", txtIncrement, "txtIncrement", false, true);

    cmdTemplateContour.setObjectName("cmdTemplateContour");
    cmdTemplateContour.setDefault(true);
    cmdTemplateContour.setAutoDefault(true);
    cmdCancel.setObjectName("cmdCancel");
    cmdCancel.setAutoDefault(false);
    connect(&cmdTemplateContour, &QPushButton::clicked, this,
            &TfrmParameters::cmdTemplateContourClick);
    connect(&cmdCancel, &QPushButton::clicked, this, &TfrmParameters::cmdCancelClick);

    buttons.addStretch();
    buttons.addWidget(&cmdTemplateContour);
    buttons.addWidget(&cmdCancel);
    main.addWidget(&grpParameters);
    main.addWidget(&grpLineNumbers);
    main.addWidget(&grpMachine);
    main.addWidget(&grpVCarve);
    main.addLayout(&buttons);

    adjustSize();
    setFixedSize(sizeHint());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmParameters::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TfrmParameters::FormShow() {
    const TParameterTexts texts = ParameterTexts(Globals().Params);
    const std::string* shown[] = {&texts.Depth,       &texts.RapidHeight, &texts.RoughFeed,
                                  &texts.RoughPlunge, &texts.Precision,   &texts.Decimal,
                                  &texts.Start,       &texts.Increment};
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i].filter->Show(*fields[i].edit, QString::fromStdString(*shown[i]));
    grpMachine.Show(Globals().Params.Machine);
    grpVCarve.Show(Globals().Params.Engrave);
    // The dialog opens ready for a new depth, or on the first value out of range (one the
    // file gave) for its correction: typing replaces the old one.
    const auto problems = ParameterRangeProblems(Globals().Params);
    QLineEdit* first = problems.empty()
                           ? &txtTemplateContourDepth
                           : fields[static_cast<std::size_t>(problems.front().Field)].edit;
    first->setFocus(Qt::OtherFocusReason);
    first->selectAll();
}

void TfrmParameters::cmdTemplateContourClick() {
    TParameterTexts texts;
    texts.Depth = txtTemplateContourDepth.text().toStdString();
    texts.RapidHeight = txtRapidHeight.text().toStdString();
    texts.RoughFeed = txtRoughFeed.text().toStdString();
    texts.RoughPlunge = txtRoughPlunge.text().toStdString();
    texts.Precision = txtPrecision.text().toStdString();
    texts.Decimal = txtDecimal.text().toStdString();
    texts.Start = txtStartAt.text().toStdString();
    texts.Increment = txtIncrement.text().toStdString();
    TGlobals& g = Globals();
    // The machine and V-carve settings are checked first, so that a bad one leaves every
    // value as it was.
    QString problem;
    QWidget* badMachineField = nullptr;
    const std::optional<TMachineSettings> machine =
        grpMachine.Read(g.Params.Machine, problem, badMachineField);
    if (!machine) {
        ShowMessage(problem.toStdString());
        if (badMachineField) {
            badMachineField->setFocus(Qt::OtherFocusReason);
            if (auto* edit = qobject_cast<QLineEdit*>(badMachineField))
                edit->selectAll();
        }
        return;
    }
    QLineEdit* badVCarveField = nullptr;
    const std::optional<TEngraveSettings> engrave = grpVCarve.Read(problem, badVCarveField);
    if (!engrave) {
        ShowMessage(problem.toStdString());
        badVCarveField->setFocus(Qt::OtherFocusReason);
        badVCarveField->selectAll();
        return;
    }
    try {
        ReadDialogFields(texts, g.Params);
    } catch (const EParameterFieldError& e) {
        // Nothing is stored or written; the user corrects the field named in the message.
        ShowMessage(e.what());
        QLineEdit* bad = fields[static_cast<std::size_t>(e.Field())].edit;
        bad->setFocus(Qt::OtherFocusReason);
        bad->selectAll();
        return;
    }
    g.Params.Machine = *machine;
    g.Params.Engrave = *engrave;
    try {
        SaveParameters(g.Params);
    } catch (const std::exception& e) {
        // Params already holds the new values; the dialog stays open so the user can retry.
        ShowMessage(e.what());
        return;
    }
    accept();
}

void TfrmParameters::cmdCancelClick() {
    // Cancel also stops a toolpath build that is still running.
    Globals().RunFlag = 0;
    reject();
}

void TfrmParameters::keyPressEvent(QKeyEvent* event) {
    // Escape is the Cancel button, with its side effect.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdCancel.click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TfrmParameters::keeps(bool decimal, QChar c) {
    const bool digit = c >= '0' && c <= '9';
    const bool separator = decimal && (c == '.' || c == ',');
    return digit || separator;
}

const TfrmParameters::Field* TfrmParameters::fieldOf(QObject* edit) const {
    for (const Field& f : fields)
        if (f.edit == edit)
            return &f;
    return nullptr;
}

void TfrmParameters::HighlightLabel(QLabel* panel) {
    // Outer bevel lowered, inner raised: the etched frame around the active field's label.
    panel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    panel->setLineWidth(1);
    panel->setMidLineWidth(0);
}

void TfrmParameters::UnhighlightLabel(QLabel* panel) {
    panel->setFrameStyle(QFrame::NoFrame);
}

bool TfrmParameters::eventFilter(QObject* watched, QEvent* event) {
    const Field* f = fieldOf(watched);
    if (!f)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn:
        HighlightLabel(f->panel);
        break;
    case QEvent::FocusOut:
        UnhighlightLabel(f->panel);
        break;
    case QEvent::KeyPress: {
        const auto* k = static_cast<QKeyEvent*>(event);
        // Enter, Escape and Tab belong to the dialog; keys that type nothing and shortcuts
        // (select all, copy, paste, undo) edit as usual.
        if (IsShortcutKey(*k))
            break;
        switch (k->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Backspace:
            return QDialog::eventFilter(watched, event);
        default:
            break;
        }
        if (k->text().isEmpty())
            break;
        if (!keeps(f->decimal, k->text().front()))
            return true;
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace orlenta
