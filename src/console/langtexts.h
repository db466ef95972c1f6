// The one way a window gets its language texts: it declares a table of entries, in the order the
// texts are read, and hands it to applyLangTexts(). Keys follow the key rule, "<window>_" plus the
// entry's part; an entry may name another key for the exceptions where a key does not name its
// control, and a key that sets two controls is two entries.
#pragma once

#include <QList>
#include <QLoggingCategory>
#include <QString>

class QObject;
class QWidget;

Q_DECLARE_LOGGING_CATEGORY(lcUi)

namespace kestrum::ui {

enum class LangTarget {
    WindowTitle, // <W>_Caption
    Caption,     // <W>_<C>_Caption: label, button, check box, group box, action, menu, tab page
    ComboText,   // <W>_<C>_Text
    DialogTitle, // <W>_<C>_Title: kept on the window for its file dialogs, see dialogTitle()
    Hint,        // <W>_<C>_Hint
    Column,      // <W>_<L>_Columns<n>_Caption: header of column n of a list
    Item,        // <W>_<C>_Items<n>_Text: node n of a tree in pre-order, or an entry appended to a combo box
};

struct LangEntry {
    LangTarget target;
    QString control; // object name; empty for the window itself
    int index = 0;
    QString key;        // the part after "<W>_"; made by the key rule when empty
    bool whole = false; // `key` is a whole key, of another window

    // The same control with a key that does not follow the rule.
    LangEntry withKey(const QString& part) const;
    LangEntry withWholeKey(const QString& wholeKey) const;
    QString fullKey(const QString& window) const;
};

namespace lang {
LangEntry title();
LangEntry caption(const QString& control);
LangEntry text(const QString& control);
LangEntry dialogTitle(const QString& control);
LangEntry hint(const QString& control);
LangEntry column(const QString& list, int n);
LangEntry item(const QString& control, int n);
} // namespace lang

using LangTable = QList<LangEntry>;

// Reads each entry's key in the current language ("¿?" when missing) and sets its control, in
// table order. A control that is missing or cannot take the text is a programming error: it is
// logged and the rest goes on.
void applyLangTexts(QWidget* window, const QString& windowName, const LangTable& table);

// The title a DialogTitle entry left for the window's file dialog `control`.
QString dialogTitle(const QObject* window, const QString& control);

} // namespace kestrum::ui
