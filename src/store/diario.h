// The event journal: an append-only file under the data root holding every event the console
// acknowledged to a controller, each line on disk before the event goes to the installation's log.
// When the log refuses writes the events wait here, and they are replayed from here, in order, once
// it accepts them again. Each journal has an identity of its own, so the log can record how far it
// holds a journal's events and a replay never records one twice.
//
// The writing runs on a thread of its own: a log that is slow or gone (a server's network
// time-out) must never hold up the thread that acknowledges the controllers' events, or they would
// send them again and finally drop them.
#pragma once

#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

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

// Inserts the event into the log over `db`; raises DbError.
void Inserta_Asiento(const QSqlDatabase& db, const AsientoDiario& asiento);

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

    // Gives each entry the next number and writes them to disk (written, flushed and synced once)
    // before returning; raises kestrum::Error, and then none of them is in the journal.
    void anota(std::vector<AsientoDiario>& nuevos);
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

// Takes events on the caller's thread and, on a thread of its own, journals them and records them
// in the log over a connection of its own, in journal order, a batch per transaction together with
// how far the log holds the journal.
class EscritorDiario {
public:
    enum class Estado { Rechaza, AlDia, SinDiario, Perdido };
    // Called on the thread that made the writer (through its event loop).
    using TAviso = std::function<void(Estado estado, const QString& razon, int eventos)>;

    // Starts the thread; the journal then replays what the log does not hold yet.
    EscritorDiario(std::unique_ptr<Diario> diario, const QString& dbPath, TAviso aviso);
    // Stops after one last attempt to record what waits; what the log refused stays in the journal.
    ~EscritorDiario();
    EscritorDiario(const EscritorDiario&) = delete;
    EscritorDiario& operator=(const EscritorDiario&) = delete;

    void anota(AsientoDiario asiento);
    // Events taken that the log does not hold yet.
    int pendientes() const { return pendientes_.load(); }
    const QString& fichero() const { return fichero_; }

    // Rows per transaction and entries kept before the journal is trimmed.
    static constexpr std::size_t LOTE = 500;
    static constexpr std::size_t RECORTE = 256;

private:
    void bucle();
    void escribe(std::vector<AsientoDiario>& nuevos);
    bool vuelca();
    void inserta(const std::vector<AsientoDiario>& asientos, std::size_t desde, std::size_t hasta,
                 bool marca);
    void avisa(Estado estado, const QString& razon, int eventos);
    void cuenta();

    std::unique_ptr<Diario> diario_;
    QString fichero_;
    QString dbPath_;
    TAviso aviso_;
    QObject contexto_; // lives on the caller's thread: notices are delivered there
    QSqlDatabase db_;
    qint64 enLog_ = -1;
    bool rechazando_ = true; // until the log answered once
    bool avisado_ = false;
    int recuperados_ = 0;

    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<AsientoDiario> cola_;
    bool parar_ = false;
    std::atomic<int> pendientes_{0};
    std::thread hilo_;
};

} // namespace kestrum::store
