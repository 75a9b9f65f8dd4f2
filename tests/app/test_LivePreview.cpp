// Create while typing, and the access keys of the field labels: driven by key presses as a
// person types, with the message-box hook and the Creates counted.
#include "tests/app/WindowFixture.h"

#include "app/gui/LivePreview.h"

#include <QAction>
#include <QFont>
#include <QLabel>
#include <QTest>

using namespace orlenta;

namespace {

// Longer than the pause after the last key, with room for a slow machine.
constexpr int AfterPauseMs = TLivePreview::PauseMs + 250;

class LivePreviewTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        TLivePreview& live = window->LivePreview();
        QObject::connect(&live, &TLivePreview::Started, [this](TCreateKind kind) {
            started.push_back(kind);
            deepest = std::max(deepest, ++depth);
        });
        QObject::connect(&live, &TLivePreview::Finished, [this](TCreateKind) { --depth; });
    }
    // Replaces the text as a person would: select it all, then type.
    void retype(const QString& text) {
        QLineEdit* e = edit("edFont");
        e->setFocus();
        e->selectAll();
        if (text.isEmpty())
            QTest::keyClick(e, Qt::Key_Backspace);
        else
            QTest::keyClicks(e, text);
    }
    QString note() { return find<QLabel>("lblNote")->text(); }

    std::vector<TCreateKind> started;
    int depth = 0;
    int deepest = 0;
};

TEST_F(LivePreviewTest, TypingCreatesOnceAfterThePauseAndNeverShowsABox) {
    retype("HI");
    EXPECT_TRUE(started.empty()); // not while the keys come
    QTest::qWait(AfterPauseMs);
    ASSERT_EQ(started, std::vector<TCreateKind>{TCreateKind::Live}); // one for the burst
    EXPECT_GT(Globals().Toolpaths.size(), 1u);
    EXPECT_FALSE(window->PreviewOutOfDate());

    // What an explicit Create shows in a box goes to the status bar, and the focus stays.
    const std::size_t shown = Globals().Toolpaths.size();
    retype("");
    QTest::qWait(AfterPauseMs);
    EXPECT_EQ(note(), "No Text to convert!");
    EXPECT_EQ(Globals().Toolpaths.size(), shown); // the preview keeps the last result
    setText("txtHeight", "1..");
    retype("HI");
    QTest::qWait(AfterPauseMs);
    EXPECT_EQ(note(), "'1..' is not a valid floating point value");
    EXPECT_EQ(QApplication::focusWidget(), edit("edFont")); // where the user types
    // A layout choice is a change too.
    setText("txtHeight", "2");
    choose("rgArc_1");
    QTest::qWait(AfterPauseMs);
    EXPECT_EQ(note(), "");
    EXPECT_EQ(started.size(), 4u);
    EXPECT_TRUE(recorder.Messages.empty());
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(deepest, 1);

    // The user's Create still shows its boxes, and its error selects the field.
    retype("");
    pressEnter("edFont");
    EXPECT_EQ(recorder.Messages, std::vector<std::string>{"No Text to convert!"});
    retype("HI");
    setText("txtHeight", "1..");
    pressEnter("edFont");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(QApplication::focusWidget(), edit("txtHeight"));
    // Enter ran the Create the pause would have run: none follows.
    const std::size_t creates = started.size();
    QTest::qWait(AfterPauseMs);
    EXPECT_EQ(started.size(), creates);
}

TEST_F(LivePreviewTest, TurnedOffTypingCreatesNothing) {
    find<QAction>("UpdateWhileTyping1")->trigger();
    retype("HI");
    choose("optArc");
    QTest::qWait(AfterPauseMs);
    EXPECT_TRUE(started.empty());
    // Turned on again, the preview catches up.
    find<QAction>("UpdateWhileTyping1")->trigger();
    QTest::qWait(AfterPauseMs);
    EXPECT_EQ(started.size(), 1u);
}

// Keys typed while a Create runs stop it (RunFlag) and one Create follows with the text as
// it is then, however many pauses ended meanwhile: typed while it lays out the text (its
// first pass of the message loop) or while it builds the toolpaths.
TEST_F(LivePreviewTest, TypingDuringACreateStopsItAndRestartsOnce) {
    // An outline font: its contours are built first, with a pass of the message loop.
    window->FontDialog1 = [] { return std::optional<QFont>(QFont("DejaVu Sans")); };
    find<QAction>("SelectFont1")->trigger();
    for (const bool duringBuild : {false, true}) {
        SCOPED_TRACE(duringBuild ? "typed during the toolpath build" : "typed during the layout");
        started.clear();
        // RunFlag keeps its value between Creates; 0 tells the layout from the build.
        Globals().RunFlag = 0;
        int interruptions = 0;
        int buildingAfterwards = 0; // passes of the first Create's build after the keys
        SetMessagePumpHook([&] {
            const bool building = Globals().RunFlag == RunFlagCreate;
            if (started.size() == 1 && interruptions == 1 && building)
                ++buildingAfterwards;
            if (started.size() == 1 && interruptions == 0 && building == duringBuild) {
                ++interruptions;
                QTest::keyClicks(edit("edFont"), "J");
                QTest::qWait(AfterPauseMs); // the pause ends inside the running Create
                QTest::keyClicks(edit("edFont"), "K");
                QTest::qWait(AfterPauseMs); // and again: still one Create to follow
            }
            QCoreApplication::processEvents();
        });
        retype("HI");
        QTest::qWait(AfterPauseMs);
        SetMessagePumpHook([] { QCoreApplication::processEvents(); });
        EXPECT_EQ(interruptions, 1);
        // The stopped build goes at most one pass on (the one that met the stop).
        EXPECT_LE(buildingAfterwards, duringBuild ? 0 : 1);
        EXPECT_EQ(started, (std::vector<TCreateKind>{TCreateKind::Live, TCreateKind::Live}));
        EXPECT_EQ(deepest, 1); // one after the other, never one inside the other
        EXPECT_EQ(depth, 0);
        EXPECT_FALSE(window->PreviewOutOfDate());
        // What it shows is what an explicit Create of the whole text builds.
        const std::size_t live = Globals().Toolpaths.size();
        EXPECT_EQ(edit("edFont")->text(), "HIJK");
        find<QAction>("Create1")->trigger();
        EXPECT_EQ(Globals().Toolpaths.size(), live);
    }
    EXPECT_TRUE(recorder.Messages.empty());
}

// The user's Create asked for while a live one runs stops it and follows as the user's.
TEST_F(LivePreviewTest, EnterDuringALiveCreateFollowsIt) {
    bool pressed = false;
    SetMessagePumpHook([&] {
        if (!pressed && Globals().RunFlag == RunFlagCreate) {
            pressed = true;
            setText("edFont", "");
            pressEnter("edFont");
        }
        QCoreApplication::processEvents();
    });
    retype("HI");
    QTest::qWait(AfterPauseMs);
    EXPECT_EQ(started, (std::vector<TCreateKind>{TCreateKind::Live, TCreateKind::Explicit}));
    EXPECT_EQ(recorder.Messages, std::vector<std::string>{"No Text to convert!"});
    EXPECT_EQ(deepest, 1);
}

// Ctrl+S while a live Create builds its toolpaths saves once that Create has ended: the
// whole text, never the part built so far.
TEST_F(LivePreviewTest, ASaveDuringALiveCreateWaitsForIt) {
    Globals().Params.Decimal = 3;
    const TTempFile file("live_save.Dnc");
    saveAnswer = QString::fromStdString(file.Path.string());
    bool pressed = false;
    SetMessagePumpHook([&] {
        if (!pressed && Globals().RunFlag == RunFlagCreate) {
            pressed = true;
            QTest::keyClick(edit("edFont"), Qt::Key_S, Qt::ControlModifier);
            EXPECT_TRUE(requests.empty()); // not yet
        }
        QCoreApplication::processEvents();
    });
    retype("HI");
    QTest::qWait(AfterPauseMs);
    ASSERT_TRUE(pressed);
    ASSERT_EQ(requests.size(), 1u);
    const std::size_t live = Globals().Toolpaths.size();
    ExpectSameMoves(ReadGCodeMoves(ReadAll(file.Path)), ExpectedMoves(Globals().Toolpaths), 0.001);
    find<QAction>("Create1")->trigger();
    EXPECT_EQ(Globals().Toolpaths.size(), live);
}

// Alt and the underlined letter of a field's label focus the field.
TEST_F(LivePreviewTest, LabelAccessKeysFocusTheirFields) {
    choose("optArc"); // Angle and Rad enabled
    const std::pair<Qt::Key, const char*> keys[] = {
        {Qt::Key_X, "txtBoundBoxX"}, {Qt::Key_Y, "txtBoundBoxY"}, {Qt::Key_E, "txtHeight"},
        {Qt::Key_A, "txtAng"},       {Qt::Key_R, "txtRad"},
    };
    for (const auto& [key, field] : keys) {
        QTest::keyClick(window.get(), key, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), edit(field))
            << field << " " << QApplication::focusWidget()->objectName().toStdString();
    }
    choose("optLinear");
    QTest::keyClick(window.get(), Qt::Key_W, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), edit("txtWidth"));
    EXPECT_EQ(caption("Label2"), "Width");
    EXPECT_EQ(caption("Label3"), "Height");
    EXPECT_EQ(caption("Label1"), "Angle");
    EXPECT_EQ(caption("Label4"), "Rad");
}

} // namespace
