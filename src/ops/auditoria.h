// The audit of the readers: what each chosen controller holds, read back as receive all reads it,
// against what the database assigns to it; and the fix that brings both together. Results as
// data; the callers hold the operation guard and the event suspension around these calls.
#pragma once

#include "transferencias.h"

#include <QList>
#include <QObject>
#include <QString>
#include <vector>

namespace kestrum::store {
class DORQSistema;
}

namespace kestrum::ops {

enum class Problema {
    Desconocida,      // the reader holds it, the database does not assign it to that reader
    Falta,            // assigned and marked "S", the reader lacks it
    PendientePresente // assigned and marked "N", the reader holds it
};

struct Diferencia {
    QString codigo;
    Problema problema = Problema::Desconocida;
    QString titular; // the holder's full name; empty for an unknown card or a free one
};

struct AuditoriaLector {
    int numero = 0;
    QString descripcion;
    // Hecho with `completa`: compared. NoContesta, NoPuedeRecibir (firmware below 20), Cancelado,
    // or Hecho without every position read: not compared, no differences claimed.
    EstadoLector estado = EstadoLector::Esperando;
    bool completa = false;
    int leidas = 0;
    int total = 0;
    std::vector<Diferencia> diferencias;

    bool comparado() const { return estado == EstadoLector::Hecho && completa; }
    bool coincide() const { return comparado() && diferencias.empty(); }
};

class Auditoria : public QObject {
    Q_OBJECT
public:
    explicit Auditoria(store::DORQSistema& s, QObject* parent = nullptr);
    ~Auditoria() override;

    // Every controller of the store when `numeros` is empty; the store's order otherwise the given
    // one (a number the store lacks is a reader that did not answer). Reads all of them at once and
    // compares with the database reloaded first. Waits in a nested event loop.
    std::vector<AuditoriaLector> ejecuta(const QList<int>& numeros = {});
    // Sends the missing cards and erases the unknown ones on the readers that were compared, marks
    // "S" the pending rows the reader holds and the rows whose send was acknowledged (one
    // transaction per reader), then audits the same readers again and returns that. What was not
    // acknowledged stays as it was.
    std::vector<AuditoriaLector> corrige(const std::vector<AuditoriaLector>& auditoria);
    void cancela();

    // During ejecuta: one entry per reader being read.
    const std::vector<ProgresoLector>& lectores() const { return lectores_; }

signals:
    void progreso(int indice); // lectores()[indice] changed

private:
    store::DORQSistema& sistema_;
    PortRunner runner_;
    std::vector<ProgresoLector> lectores_;
};

} // namespace kestrum::ops
