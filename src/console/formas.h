// Small builders of the dialogs' named controls: object names are the control names, so the
// language texts, the handlers and the tests find each control by the same name.
#pragma once

#include "errores.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QTimer>
#include <initializer_list>

namespace kestrum::ui {

inline QLabel* etiqueta(const QString& name, const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

inline QPushButton* botonDialogo(const QString& name, const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

inline QLineEdit* campo(const QString& name, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    return e;
}

// A text entry held to its column's length (store/limites.h): typing never overflows the column.
inline QLineEdit* campoTexto(const QString& name, int longitud, QWidget* parent) {
    QLineEdit* e = campo(name, parent);
    e->setMaxLength(longitud);
    return e;
}

// At most `digits` decimal digits; anything else is refused as it is typed.
inline QLineEdit* campoNumerico(const QString& name, int digits, QWidget* parent) {
    QLineEdit* e = campo(name, parent);
    e->setMaxLength(digits);
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
    return e;
}

// The buttons of a dialog, right-aligned.
inline QHBoxLayout* filaBotones(std::initializer_list<QPushButton*> buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* b : buttons)
        row->addWidget(b);
    return row;
}

// Marks a window that the unlock shows again: it keeps its content instead of preparing afresh.
inline constexpr char RESTAURANDO[] = "kestrumRestaurando";

// Whether this showing should prepare the window: shown by the program, not restored by the window
// system or by the unlock.
inline bool preparaAlMostrar(const QWidget* window, const QShowEvent* event) {
    return !event->spontaneous() && !window->property(RESTAURANDO).toBool();
}

// Set while a window prepares itself after it showed.
inline constexpr char PREPARANDO[] = "kestrumPreparando";

// A preparation that waits for controllers runs once the window is up: waiting inside the show
// leaves a window of X11 at the size it was created with, and the operator meanwhile sees the
// window rather than nothing.
template <class F> void preparaTrasMostrar(QWidget* window, F prepara) {
    window->setProperty(PREPARANDO, true);
    QTimer::singleShot(0, window, [window, prepara] {
        protegido(prepara);
        window->setProperty(PREPARANDO, false);
    });
}

} // namespace kestrum::ui
