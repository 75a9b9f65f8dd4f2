// The numeric fields' character filter; see FieldFilter.h.
#include "app/gui/FieldFilter.h"

#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

namespace orlenta {

bool IsShortcutKey(const QKeyEvent& key) {
    return (key.modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) != 0;
}

TCharFilter::TCharFilter(std::function<bool(QChar)> keep) : Keep(std::move(keep)) {}

QValidator::State TCharFilter::validate(QString& input, int& pos) const {
    // Undo and redo return to a text the field held before, shown values included.
    if (seen.contains(input)) {
        held = input;
        return Acceptable;
    }
    // The inserted part is what lies between the prefix and the suffix that the text shares
    // with the one held before; a deletion inserts nothing.
    const qsizetype shorter = std::min(held.size(), input.size());
    qsizetype prefix = 0;
    while (prefix < shorter && held[prefix] == input[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix &&
           held[held.size() - 1 - suffix] == input[input.size() - 1 - suffix])
        ++suffix;
    const qsizetype insertedEnd = input.size() - suffix;
    QString filtered = input.left(prefix);
    int newPos = pos;
    for (qsizetype i = prefix; i < insertedEnd; ++i) {
        if (Keep(input[i]))
            filtered.append(input[i]);
        else if (i < pos)
            --newPos;
    }
    filtered.append(input.mid(insertedEnd));
    input = filtered;
    pos = std::clamp(newPos, 0, static_cast<int>(input.size()));
    held = input;
    seen.insert(input);
    return Acceptable;
}

void TCharFilter::Show(QLineEdit& edit, const QString& text) {
    held = text.left(edit.maxLength());
    seen = {held};
    edit.setText(text);
}

} // namespace orlenta
