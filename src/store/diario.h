// The event journal: an append-only file under the data root holding every event the console
// acknowledged to a controller, each line on disk before the event goes to the installation's log.
// When the log refuses writes the events wait here, and they are replayed from here, in order, once
// it accepts them again. Each journal has an identity of its own, so the log can record how far it
// holds a journal's events and a replay never records one twice.
//
// An event is acknowledged to its controller only once it is in the journal and the journal is
// synced: the journal's thread appends what arrived since its last sync in one write and one
// `fdatasync` (group commit), then settles each event. The log is written by a second thread: a
// log that is slow or gone (a server's network time-out) must never hold up the acknowledgements,
// or the controllers would send their events again and finally drop them.
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

// Takes events on the caller's thread; one thread of its own journals them, another records the
// journal in the log over a connection of its own, in journal order, a batch per transaction
// together with how far the log holds the journal.
class EscritorDiario {
public:
    // SinDiario: the journal refused a write and the events went straight to the log. NoGuardados:
    // neither took them; they were not acknowledged, so their controllers send them again.
    // Perdido: neither took events that nobody can send again.
    enum class Estado { Rechaza, AlDia, SinDiario, NoGuardados, Perdido };
    // Called on the thread that made the writer (through its event loop).
    using TAviso = std::function<void(Estado estado, const QString& razon, int eventos)>;
    // Called on the thread that made the writer once the event is on disk (true) or could not be
    // kept (false).
    using Hecho = std::function<void(bool guardado)>;

    // Starts the thread; the journal then replays what the log does not hold yet.
    EscritorDiario(std::unique_ptr<Diario> diario, const QString& dbPath, TAviso aviso);
    // Stops after one last attempt to record what waits; what the log refused stays in the journal.
    ~EscritorDiario();
    EscritorDiario(const EscritorDiario&) = delete;
    EscritorDiario& operator=(const EscritorDiario&) = delete;

    void anota(AsientoDiario asiento, Hecho hecho = {});
    // Waits until every event taken so far is settled and delivers the settlements now (before the
    // controllers' ports close).
    void asienta();
    // Events taken that the log does not hold yet.
    int pendientes() const { return pendientes_.load(); }
    const QString& fichero() const { return fichero_; }

    // Rows per transaction and entries kept before the journal is trimmed.
    static constexpr std::size_t LOTE = 500;
    static constexpr std::size_t RECORTE = 256;

private:
    struct Entrada {
        AsientoDiario asiento;
        Hecho hecho;
    };
    // Journal thread.
    void bucleDiario();
    bool escribe(std::vector<AsientoDiario>& nuevos, QString& razon);
    // Log thread.
    void bucleLog();
    bool vuelca();
    void conecta(QSqlDatabase& db) const;
    void inserta(QSqlDatabase& db, const std::vector<AsientoDiario>& asientos, bool marca);
    void avisa(Estado estado, const QString& razon, int eventos);
    void cuenta();
    std::deque<AsientoDiario>::const_iterator noEnLog(const std::deque<AsientoDiario>& asientos) const;

    std::unique_ptr<Diario> diario_;
    QString fichero_;
    QString dbPath_;
    TAviso aviso_;
    QObject contexto_; // lives on the caller's thread: notices and settlements are delivered there

    // Journal thread's own.
    QSqlDatabase dbDirecta_; // for events the journal refused
    bool sinDiarioAvisado_ = false;
    bool noGuardadosAvisado_ = false;

    // Log thread's own.
    QSqlDatabase db_;
    std::atomic<qint64> enLog_{-1}; // read by the journal thread's count
    bool rechazando_ = true;        // until the log answered once
    bool avisado_ = false;
    int recuperados_ = 0;
    bool recortado_ = false;

    std::mutex diarioMutex_; // the journal, shared by both threads
    std::mutex mutex_;
    std::condition_variable cv_;      // the journal thread's queue
    std::condition_variable cvLog_;   // the log thread: new entries
    std::condition_variable cvHecho_; // a batch settled (asienta)
    std::deque<Entrada> cola_;
    bool escribiendo_ = false; // the journal thread holds a batch
    bool nuevos_ = false;      // entries the log thread has not looked at
    bool parar_ = false;
    bool pararLog_ = false;
    std::atomic<int> pendientes_{0};
    std::thread hiloDiario_;
    std::thread hiloLog_;
};

} // namespace kestrum::store
