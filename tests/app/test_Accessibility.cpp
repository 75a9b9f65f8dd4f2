// Every control a person can reach with the keyboard, in the main window and in every
// dialog, tells a screen reader what it is.
#include "tests/app/WindowFixture.h"

#include "app/gui/About.h"
#include "app/gui/Help.h"
#include "app/gui/Parameters.h"

#include <QAccessible>
#include <QAction>

using namespace orlenta;

namespace {

// The widgets under root that take keyboard focus and have no name a screen reader would
// read (their own, a label's they are the buddy of, or their text), by class and object name.
QStringList unnamedControls(QWidget& root) {
    QStringList unnamed;
    QList<QWidget*> widgets = root.findChildren<QWidget*>();
    widgets.prepend(&root);
    for (QWidget* w : widgets) {
        if (!(w->focusPolicy() & Qt::TabFocus))
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << QString("%1 %2").arg(w->metaObject()->className(), w->objectName());
    }
    return unnamed;
}

class AccessibilityTest : public WindowTest {};

TEST_F(AccessibilityTest, NoControlOfTheWindowOrItsDialogsIsWithoutAName) {
    window->findChild<QAction*>("SeveralLines1")->trigger(); // the multi-line editor too
    window->findChild<QAction*>("QuorvelHelpTopics1")->trigger();
    ASSERT_NE(window->HelpWindow(), nullptr);
    TfrmParameters parameters;
    TfrmAbout about;
    for (QWidget* root : {static_cast<QWidget*>(window.get()), static_cast<QWidget*>(&parameters),
                          static_cast<QWidget*>(&about)}) {
        const QStringList unnamed = unnamedControls(*root);
        EXPECT_TRUE(unnamed.isEmpty())
            << root->objectName().toStdString() << ": " << unnamed.join(", ").toStdString();
    }
}

} // namespace
