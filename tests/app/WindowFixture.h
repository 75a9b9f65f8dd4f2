// A main window on the offscreen platform with its dialogs replaced by recorders.
#pragma once

#include "tests/app/AppTestSupport.h"

#include "app/gui/Font.h"
#include "app/gui/VectorDisplay3D.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace orlenta {

// Where the windows of the test process remember their settings: a folder GuiTestMain
// makes, never the user's own.
inline QString& ProcessSettingsFolder() {
    static QString folder;
    return folder;
}

inline void RememberSettingsIn(const QString& folder) {
    for (const QSettings::Format f : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(f, QSettings::UserScope, folder);
}

// While it lives, the windows made remember their settings in a folder of this test's own,
// empty at first; then in the process's folder again.
class TOwnSettings {
  public:
    TOwnSettings() { RememberSettingsIn(QString::fromStdString(folder.Path())); }
    ~TOwnSettings() { RememberSettingsIn(ProcessSettingsFolder()); }
    TOwnSettings(const TOwnSettings&) = delete;
    TOwnSettings& operator=(const TOwnSettings&) = delete;

  private:
    ScratchDir folder{"orlenta_settings_"};
};

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetGlobals();
        previousPump = SetMessagePumpHook([] { QCoreApplication::processEvents(); });
        window = std::make_unique<TfrmFont>();
        window->ShowException = [this](const QString& t) { errors.push_back(t.toStdString()); };
        window->SaveDialog1 = [this](const TSaveDialogRequest& r) -> std::optional<QString> {
            requests.push_back(r);
            return saveAnswer;
        };
        window->AskStaleSave = [this] {
            ++staleQuestions;
            return staleAnswer;
        };
        window->SaveAnyway1 = [this](const std::vector<std::string>& problems) {
            saveProblems.push_back(problems);
            return saveAnywayAnswer;
        };
        window->resize(720, 480);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override {
        window.reset();
        SetMessagePumpHook(previousPump);
    }

    template <class T> T* find(const char* name) {
        T* w = window->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit* edit(const char* name) { return find<QLineEdit>(name); }
    // A label's text as it shows: the '&' marking its access key is not seen.
    QString caption(const char* name) { return find<QLabel>(name)->text().remove('&'); }
    // Types into a field as a person would: focus, then one key press per character.
    void type(const char* name, const QString& text) {
        QLineEdit* e = edit(name);
        e->setFocus();
        e->end(false);
        QTest::keyClicks(e, text);
    }
    // Clicks a radio button on its round mark, which is always part of what takes the click.
    void choose(const char* name) {
        auto* b = find<QAbstractButton>(name);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }
    void setText(const char* name, const QString& text) { edit(name)->setText(text); }
    void pressEnter(const char* name) { QTest::keyClick(edit(name), Qt::Key_Return); }
    TVectorDisplay3D* preview() { return window->Preview(); }
    // The preview as the screen shows it.
    QImage picture() { return preview()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // Creates text 10 high with Enter in the Height field; no error box.
    void create(const QString& text) {
        setText("edFont", text);
        setText("txtHeight", "10");
        pressEnter("txtHeight");
        ASSERT_TRUE(errors.empty());
    }

    TOwnParameterFile parameterFile; // before the window, which reads it
    TOwnSettings settings;
    TMessageRecorder recorder;
    std::vector<std::string> errors;
    int staleQuestions = 0;
    TStaleSaveChoice staleAnswer = TStaleSaveChoice::Cancel;
    std::vector<TSaveDialogRequest> requests;
    std::optional<QString> saveAnswer;
    std::vector<std::vector<std::string>> saveProblems; // each "Save anyway?" asked
    bool saveAnywayAnswer = true;
    std::unique_ptr<TfrmFont> window;
    MessagePumpHook previousPump;
};

} // namespace orlenta
