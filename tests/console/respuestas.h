// Answers for the modal dialogs a workflow opens, shared by the window tests: a dialog the test did
// not expect is cancelled, so that a wrong question fails the test instead of hanging it.
#pragma once

#include "formas.h"
#include "timings.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

namespace kestrum::test {

// Answers, in order, the modal dialogs that open while it lives, and notes which ones asked and
// what they said. A dialog beyond the answers given is cancelled.
class Respuestas : public QObject {
public:
    using Respuesta = std::function<void(QWidget*)>;
    explicit Respuestas(QList<Respuesta> respuestas = {}) : pendientes_(std::move(respuestas)) {
        connect(&timer_, &QTimer::timeout, this, &Respuestas::mira);
        timer_.start(10);
    }
    QStringList preguntas; // object names, "QMessageBox" for a message
    QStringList textos;

private:
    void mira() {
        QWidget* modal = QApplication::activeModalWidget();
        // A window still preparing (it waits for readers) is answered once it is ready.
        if (!modal || modal->property(ui::PREPARANDO).toBool())
            return;
        auto* caja = qobject_cast<QMessageBox*>(modal);
        preguntas << (caja ? QStringLiteral("QMessageBox") : modal->objectName());
        const auto* label = modal->findChild<QLabel*>(QStringLiteral("Label1"));
        textos << (caja ? caja->text() : label ? label->text() : QString());
        if (pendientes_.isEmpty())
            static_cast<QDialog*>(modal)->reject();
        else
            pendientes_.takeFirst()(modal);
    }
    QList<Respuesta> pendientes_;
    QTimer timer_;
};

// A button that is not there fails the test; the dialog is closed so that the test goes on.
inline Respuestas::Respuesta pulsa(const QString& boton) {
    return [boton](QWidget* dialogo) {
        auto* b = dialogo->findChild<QPushButton*>(boton);
        if (!b)
            static_cast<QDialog*>(dialogo)->reject();
        QVERIFY2(b, qPrintable(dialogo->objectName() + QStringLiteral(" has no ") + boton));
        b->click();
    };
}

// Clicks `button` of the dialog once `ready` holds (the dialog may still be preparing).
inline void pulsaCuando(QWidget* dialog, const char* button, std::function<bool()> ready) {
    auto* timer = new QTimer(dialog);
    // Finer than the commands' pauses, so that a state lasting one command is seen.
    timer->setInterval(timings().scale(20));
    QObject::connect(timer, &QTimer::timeout, timer, [timer, dialog, button, ready] {
        if (!ready())
            return;
        timer->stop();
        timer->deleteLater();
        dialog->findChild<QPushButton*>(QLatin1String(button))->click();
    });
    timer->start();
}

} // namespace kestrum::test
