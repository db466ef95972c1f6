// The general error display: every handler that can fail runs through `protegido`, which shows
// the error's own text (the driver's or the system's message) and lets the event loop go on.
#pragma once

#include "kerror.h"

#include <QString>
#include <functional>
#include <stdexcept>

class QWidget;

namespace kestrum::ui {

// Shows `message` in the one error box of the console. Tests replace it to collect messages.
void Muestra_Error(const QString& message);
using ErrorDisplay = std::function<void(const QString& message)>;
void setErrorDisplay(ErrorDisplay display); // empty: the message box again

// Runs `body`; an error it raises reaches the error display instead of unwinding through Qt.
// Returns false when it did.
template <class F> bool protegido(F&& body) {
    try {
        body();
        return true;
    } catch (const Error& e) {
        Muestra_Error(e.message());
    } catch (const std::exception& e) {
        Muestra_Error(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

} // namespace kestrum::ui
