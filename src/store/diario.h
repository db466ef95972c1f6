// The event journal: an append-only file under the data root holding every event the console
// acknowledged to a controller, each line on disk before the event goes to the installation's log.
// When the log refuses writes the events wait here, and they are replayed from here, in order, once
// it accepts them again. Each journal has an identity of its own, so the log can record how far it
// holds a journal's events and a replay never records one twice.
#pragma once

#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>
#include <QString>
#include <deque>

Q_DECLARE_LOGGING_CATEGORY(lcJournal)

namespace kestrum::store {

// One event as the log records it; the texts are those of the moment it arrived.
struct AsientoDiario {
    qint64 secuencia = 0;
    QDateTime momento;
    int controlador = 0;
    int evento = 0;
    QString tarjeta;
    int usr = -1;
    QString histControlador;
    QString histTarjeta;
    QString descripcion;
};

class Diario {
public:
    // Opens the journal at `fichero` (made, with its folder, when missing) and reads its entries;
    // raises kestrum::Error with the system's reason. A last line cut short by a crash is ignored.
    explicit Diario(const QString& fichero);
    Diario(const Diario&) = delete;
    Diario& operator=(const Diario&) = delete;

    // The journal's file for the database `destino` in `carpeta`: one journal per installation.
    static QString ficheroPara(const QString& carpeta, const QString& destino);

    const QString& fichero() const { return fichero_; }
    const QString& identidad() const { return identidad_; }
    // The entries still in the file, oldest first.
    const std::deque<AsientoDiario>& asientos() const { return asientos_; }

    // Gives `asiento` the next number and writes it to disk (written, flushed and synced) before
    // returning; raises kestrum::Error, and then the entry is not in the journal.
    void anota(AsientoDiario& asiento);
    // Drops the entries up to `secuencia` (those the log holds): the file is written anew beside
    // the old one and renamed over it; raises kestrum::Error and keeps the old file then.
    void recorta(qint64 secuencia);

private:
    void carga();
    void abreParaAnotar();
    QByteArray cabecera() const;

    QString fichero_;
    QString identidad_;
    qint64 ultima_ = 0; // the last number given, kept in the header across a trim
    std::deque<AsientoDiario> asientos_;
    QFile salida_;
};

} // namespace kestrum::store
