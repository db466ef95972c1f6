#include "langtexts.h"

#include "Lang.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

Q_LOGGING_CATEGORY(lcUi, "kestrum.ui", QtWarningMsg)

namespace kestrum::ui {

namespace {

LangEntry entry(LangTarget target, const QString& control, int index = 0) {
    return LangEntry{target, control, index, {}, false};
}

QByteArray dialogTitleProperty(const QString& control) {
    return (control + QStringLiteral("_Title")).toUtf8();
}

bool setTabText(QWidget* page, const QString& text) {
    for (QWidget* p = page->parentWidget(); p; p = p->parentWidget()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(p)) {
            const int i = tabs->indexOf(page);
            if (i >= 0) {
                tabs->setTabText(i, text);
                return true;
            }
        }
    }
    return false;
}

bool setCaption(QObject* target, const QString& text) {
    if (auto* action = qobject_cast<QAction*>(target)) {
        action->setText(text);
        return true;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(target)) {
        button->setText(text);
        return true;
    }
    if (auto* label = qobject_cast<QLabel*>(target)) {
        label->setText(text);
        return true;
    }
    if (auto* group = qobject_cast<QGroupBox*>(target)) {
        group->setTitle(text);
        return true;
    }
    if (auto* menu = qobject_cast<QMenu*>(target)) {
        menu->setTitle(text);
        return true;
    }
    auto* widget = qobject_cast<QWidget*>(target);
    if (!widget)
        return false;
    if (setTabText(widget, text))
        return true;
    if (widget->isWindow()) {
        widget->setWindowTitle(text);
        return true;
    }
    return false;
}

bool setComboText(QObject* target, const QString& text) {
    auto* combo = qobject_cast<QComboBox*>(target);
    if (!combo)
        return false;
    if (combo->isEditable()) {
        combo->setEditText(text);
        return true;
    }
    // A choice-only box cannot hold free text: select the entry with that text, or show the text
    // with nothing selected.
    const int i = combo->findText(text);
    combo->setCurrentIndex(i);
    if (i < 0)
        combo->setPlaceholderText(text);
    return true;
}

bool setHint(QObject* target, const QString& text) {
    if (auto* action = qobject_cast<QAction*>(target)) {
        action->setToolTip(text);
        return true;
    }
    if (auto* widget = qobject_cast<QWidget*>(target)) {
        widget->setToolTip(text);
        return true;
    }
    return false;
}

bool setColumn(QObject* target, int n, const QString& text) {
    // A table widget's model takes header texts only where a header item already exists.
    if (auto* table = qobject_cast<QTableWidget*>(target); table && !table->horizontalHeaderItem(n)) {
        if (n < 0 || n >= table->columnCount())
            return false;
        table->setHorizontalHeaderItem(n, new QTableWidgetItem(text));
        return true;
    }
    auto* view = qobject_cast<QAbstractItemView*>(target);
    QAbstractItemModel* model = view ? view->model() : nullptr;
    return model && n >= 0 && n < model->columnCount() && model->setHeaderData(n, Qt::Horizontal, text);
}

bool setItem(QObject* target, int n, const QString& text) {
    if (auto* combo = qobject_cast<QComboBox*>(target)) {
        combo->addItem(text);
        return true;
    }
    if (auto* tree = qobject_cast<QTreeWidget*>(target)) {
        int i = 0;
        for (QTreeWidgetItemIterator it(tree); *it; ++it, ++i) {
            if (i == n) {
                (*it)->setText(0, text);
                return true;
            }
        }
    }
    return false;
}

bool apply(QWidget* window, QObject* target, const LangEntry& e, const QString& text) {
    switch (e.target) {
    case LangTarget::WindowTitle:
        if (auto* w = qobject_cast<QWidget*>(target)) {
            w->setWindowTitle(text);
            return true;
        }
        return false;
    case LangTarget::Caption:
        return setCaption(target, text);
    case LangTarget::ComboText:
        return setComboText(target, text);
    case LangTarget::DialogTitle:
        // File dialogs are made when they are needed, so the window keeps their title.
        window->setProperty(dialogTitleProperty(e.control).constData(), text);
        if (auto* w = qobject_cast<QWidget*>(target))
            w->setWindowTitle(text);
        return true;
    case LangTarget::Hint:
        return setHint(target, text);
    case LangTarget::Column:
        return setColumn(target, e.index, text);
    case LangTarget::Item:
        return setItem(target, e.index, text);
    }
    return false;
}

} // namespace

LangEntry LangEntry::withKey(const QString& part) const {
    LangEntry e = *this;
    e.key = part;
    e.whole = false;
    return e;
}

LangEntry LangEntry::withWholeKey(const QString& wholeKey) const {
    LangEntry e = *this;
    e.key = wholeKey;
    e.whole = true;
    return e;
}

QString LangEntry::fullKey(const QString& window) const {
    if (whole)
        return key;
    if (!key.isEmpty())
        return window + QLatin1Char('_') + key;
    const QString prefix = window + QLatin1Char('_') + control;
    switch (target) {
    case LangTarget::WindowTitle:
        return window + QStringLiteral("_Caption");
    case LangTarget::Caption:
        return prefix + QStringLiteral("_Caption");
    case LangTarget::ComboText:
        return prefix + QStringLiteral("_Text");
    case LangTarget::DialogTitle:
        return prefix + QStringLiteral("_Title");
    case LangTarget::Hint:
        return prefix + QStringLiteral("_Hint");
    case LangTarget::Column:
        return prefix + QStringLiteral("_Columns%1_Caption").arg(index);
    case LangTarget::Item:
        return prefix + QStringLiteral("_Items%1_Text").arg(index);
    }
    return {};
}

namespace lang {
LangEntry title() {
    return entry(LangTarget::WindowTitle, {});
}
LangEntry caption(const QString& control) {
    return entry(LangTarget::Caption, control);
}
LangEntry text(const QString& control) {
    return entry(LangTarget::ComboText, control);
}
LangEntry dialogTitle(const QString& control) {
    return entry(LangTarget::DialogTitle, control);
}
LangEntry hint(const QString& control) {
    return entry(LangTarget::Hint, control);
}
LangEntry column(const QString& list, int n) {
    return entry(LangTarget::Column, list, n);
}
LangEntry item(const QString& control, int n) {
    return entry(LangTarget::Item, control, n);
}
} // namespace lang

void applyLangTexts(QWidget* window, const QString& windowName, const LangTable& table) {
    if (!window) {
        qCWarning(lcUi) << "language texts of" << windowName << "without a window";
        return;
    }
    const config::Lang& texts = config::Lang::instance();
    for (const LangEntry& e : table) {
        const QString key = e.fullKey(windowName);
        QObject* target = e.control.isEmpty() ? window : window->findChild<QObject*>(e.control);
        if (!target && e.target != LangTarget::DialogTitle) {
            qCWarning(lcUi) << windowName << "has no control" << e.control << "for" << key;
            continue;
        }
        if (!apply(window, target, e, texts.text(key)))
            qCWarning(lcUi) << windowName << "cannot show" << key << "on" << e.control;
    }
}

QString dialogTitle(const QObject* window, const QString& control) {
    return window ? window->property(dialogTitleProperty(control).constData()).toString() : QString();
}

} // namespace kestrum::ui
