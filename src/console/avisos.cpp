#include "avisos.h"

#include "Lang.h"
#include "langtexts.h"

namespace kestrum::ui {

Avisos& Avisos::instance() {
    static Avisos avisos;
    return avisos;
}

void Avisos::publica(const QString& texto) {
    ultimo_ = texto;
    qCDebug(lcUi).noquote() << "status:" << texto;
    emit aviso(texto);
}

QString textoAviso(const QString& key, const QStringList& args) {
    QString texto = config::Lang::instance().text(key);
    for (const QString& a : args)
        texto = texto.arg(a);
    return texto;
}

void Avisa(const QString& key, const QStringList& args) {
    Avisos::instance().publica(textoAviso(key, args));
}

QString cuenta(int n, const QString& singular, const QString& plural) {
    return n == 1 ? textoAviso(singular) : textoAviso(plural, {QString::number(n)});
}

} // namespace kestrum::ui
