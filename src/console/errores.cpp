#include "errores.h"

#include "langtexts.h"

#include <QApplication>
#include <QMessageBox>

namespace kestrum::ui {

namespace {
ErrorDisplay& display() {
    static ErrorDisplay d;
    return d;
}
} // namespace

void setErrorDisplay(ErrorDisplay d) {
    display() = std::move(d);
}

void Muestra_Error(const QString& message) {
    qCWarning(lcUi).noquote() << "error shown:" << message;
    if (display()) {
        display()(message);
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(), message);
}

} // namespace kestrum::ui
