// The character filter of the numeric fields, applied to whatever reaches a field (typed,
// pasted, dropped or composed), and the test for keys that are shortcuts, not characters.
#pragma once

#include <QSet>
#include <QString>
#include <QValidator>

#include <functional>

class QKeyEvent;
class QLineEdit;

namespace orlenta {

// A key pressed with Ctrl or Meta: select all, copy, paste, cut, undo and the like, which
// the field handles itself. Key filters let these through untouched.
bool IsShortcutKey(const QKeyEvent& key);

// Drops from the text newly put into a field every character that Keep refuses, so that
// pasting "1a2" gives what typing it would. What the field already held stays as it is: a
// value the program shows ("-2", "1e-05") need not be one a person could type.
class TCharFilter : public QValidator {
  public:
    explicit TCharFilter(std::function<bool(QChar)> keep);
    State validate(QString& input, int& pos) const override;
    // Puts text into edit as it stands, unfiltered (the program showing a value).
    void Show(QLineEdit& edit, const QString& text);

  private:
    std::function<bool(QChar)> Keep;
    mutable QString held;       // the text as last accepted
    mutable QSet<QString> seen; // every text accepted since the last Show: what undo brings back
};

} // namespace orlenta
