// The console's status line: the last thing that happened, or why nothing happened. The main
// window shows it in its status bar and the login window in its message line; windows, dialogs and
// workflows post to it without knowing either.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace kestrum::ui {

class Avisos : public QObject {
    Q_OBJECT
public:
    static Avisos& instance();
    const QString& ultimo() const { return ultimo_; }
    void publica(const QString& texto);

    // What a controller operation waits for, while it waits; empty when it ended.
    void publicaEspera(const QString& texto) { emit espera(texto); }
    // A window stored or deleted something: the lists shown are rebuilt at once, not when the main
    // window is next activated (a display without a window manager never activates it).
    void publicaCambios() { emit cambios(); }

signals:
    void aviso(const QString& texto);
    void espera(const QString& texto);
    void cambios();

private:
    QString ultimo_;
};

// The text of `key` in the language in use with %1, %2... taken from `args`.
QString textoAviso(const QString& key, const QStringList& args = {});
// Posts that text.
void Avisa(const QString& key, const QStringList& args = {});
// "1 card" or "3 cards": `singular` holds no number, `plural` takes it as %1.
QString cuenta(int n, const QString& singular, const QString& plural);

} // namespace kestrum::ui
