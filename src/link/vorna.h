// tvorna: a serial port that speaks the controllers' framed protocol. It writes command frames,
// parses every received byte, runs one command as a transaction (send, wait, retry) and hands
// unsolicited frames to two handlers, event frames through a timer (every 50 ms).
//
// An event frame is acknowledged at once, unless a keeper is set: then its ACK waits until the
// keeper says the event is on disk, and a keeper that could not keep it leaves it unacknowledged, so
// the controller sends it again.
#pragma once

#include "timings.h"
#include "vornaframe.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>

class QSerialPort;

namespace kestrum::link {

Q_DECLARE_LOGGING_CATEGORY(lcLink)

// Operator texts the link composes, from the language file once the console sets the lookup.
using TextLookup = std::function<QString(const QString& key)>;
void setTextLookup(TextLookup lookup);
// The text of `key`; the key itself until a lookup is set.
QString texto(const QString& key);
// "device: reason" of a port that would not open. A refused permission also says how the operator
// gets access, since the system's "Permission denied" does not.
QString mensajeApertura(const QString& device, bool permisoDenegado, const QString& reason);

class tvorna : public QObject, private VornaReceiver::Sink {
    Q_OBJECT
public:
    using TVORNARecibedNotDemand = std::function<void(QObject* sender, const Trama_GenVorna& FTResul)>;
    using Completion = std::function<void(const Trama_GenVorna& reply)>;
    using Trace = std::function<void(bool sent, const QByteArray& bytes)>;
    using PortLost = std::function<void(const QString& message)>;
    // How an event frame came: when it was read, and whether the keeper took it.
    struct Llegada {
        QDateTime momento;
        bool guardada = false;
    };
    using TIncidencia =
        std::function<void(QObject* sender, const Trama_GenVorna& frame, const Llegada& llegada)>;
    // Settles one kept event, once: true acknowledges it, false leaves it unacknowledged.
    using Acuse = std::function<void(bool guardado)>;
    using Guardian = std::function<void(const Trama_GenVorna& frame, const QDateTime& llegada, Acuse acuse)>;

    static constexpr qint64 READ_CHUNK = 128;

    explicit tvorna(QObject* owner = nullptr);
    ~tvorna() override;

    // Serial port: 9600 baud, 8 data bits, even parity, 2 stop bits, no flow control.
    void setPortName(const QString& name);
    QString portName() const;
    void open(); // raises kestrum::Error with the system's message; discards waiting input
    void close();
    bool isOpen() const;
    QString lastPortError() const { return lastPortError_; }
    // Called with "device: reason" when the device fails under an open port (an adapter unplugged,
    // a peer gone): the port is closed by then and a later open() tries it again.
    void setOnPortLost(PortLost h) { onPortLost_ = std::move(h); }

    // Published properties.
    void setOnVORNARecibedNotDemandRxChar(TVORNARecibedNotDemand h) { onRxChar_ = std::move(h); }
    void setOnVORNARecibedNotDemandRxInc(TIncidencia h) { onRxInc_ = std::move(h); }
    int Velocidad() const { return velocidad_; }
    void setVelocidad(int ms);
    int Velocidad_lenta() const { return velocidadLenta_; }
    void setVelocidad_lenta(int ms);
    bool Activar_NdemandRC() const { return activarNdemandRC_; }
    void setActivar_NdemandRC(bool on) { activarNdemandRC_ = on; }
    bool Lento() const { return lento_; }
    void setLento(bool on) { lento_ = on; }
    int TAR() const { return tar_; }
    void setTAR(int address);

    // A command: Borrar_Datos, Anyadir_Datos with its data, then Enviar_Comando.
    void Borrar_Datos() { payload_.clear(); }
    void Anyadir_Datos(const QByteArray& bytes);
    // Synchronous transaction: waits in a nested event loop, so timers and other ports go on.
    void Enviar_Comando(quint8 command, quint8 mode, quint8 destination, Trama_GenVorna& reply);
    // The same transaction, reporting its reply through `done` (called exactly once).
    void startCommand(quint8 command, quint8 mode, quint8 destination, Completion done);
    void Activar_T_Incidencias(bool on);
    bool T_Incidencias_activo() const { return eventTimer_.isActive(); }
    // Holds delivery while on: the timer stops and events stay queued, in order, for the next tick.
    void Retener_Incidencias(bool on);
    // Takes every event frame, whether or not reception is on, before its acknowledgement; none to
    // acknowledge at once again.
    void setGuardian(Guardian g) { guardian_ = std::move(g); }
    // Kept events whose acknowledgement waits for the keeper.
    std::size_t pendingAcks() const { return porAcusar_.size(); }

    bool Ocupado() const { return ocupado_; }
    void setTrace(Trace t) { trace_ = std::move(t); }
    std::size_t pendingEvents() const { return events_.size(); }

private:
    void Recibir();
    bool Enviar_Trama();
    void Enviar_ACK();
    void nextAttempt();
    void replyTimedOut();
    void attemptEnded();
    void checkReply();
    void finish();
    void deliverEvents();
    void guarda(std::uint8_t source, const Trama_GenVorna& event, const QDateTime& llegada);
    void olvidaAcuses();
    void acusa(quint64 generacion, const Trama_GenVorna& event, const QDateTime& llegada, bool guardado);
    bool writeBytes(const QByteArray& bytes);
    int replyWaitMs() const;
    void readWaiting();
    void replyArrived();
    qint64 staleWaitMs();
    void settled();
    void portFailed();
    bool hungUp() const;
    QString lostReason();
    bool eventFilter(QObject* watched, QEvent* event) override;

    // VornaReceiver::Sink
    void frameReceived(std::uint8_t source, std::span<const std::uint8_t> body) override;
    void loneAck() override;
    void sourceSeen(std::uint8_t source) override;

    QSerialPort* port_;
    QTimer replyTimer_;
    QTimer eventTimer_;
    QTimer settleTimer_;
    QElapsedTimer clock_;
    VornaReceiver receiver_;
    QString deviceName_; // as given: QSerialPort keeps only the name under /dev
    QString lastPortError_;

    TVORNARecibedNotDemand onRxChar_;
    TIncidencia onRxInc_;
    Guardian guardian_;
    PortLost onPortLost_;
    int velocidad_ = timings().linkReplyWaitMs;
    int velocidadLenta_ = timings().lateReplyWaitMs;
    bool activarNdemandRC_ = false;
    bool lento_ = false;
    int tar_ = CONSOLE_ADDRESS;

    QByteArray payload_;
    quint8 command_ = 0;
    quint8 destination_ = 0;
    quint8 mode_ = 1;
    int attemptsLeft_ = 0;
    bool ocupado_ = false;
    bool waiting_ = false; // a reply wait of the current attempt is running
    bool respuestaRecibida_ = false;
    bool trasEnvio_ = true; // no frame has been taken since the last frame was sent
    bool settling_ = false; // the command waits for late replies to earlier frames before writing
    int unanswered_ = 0;    // frames written whose reply has not come yet
    qint64 lateUntil_ = 0;  // after this a frame's reply is no longer expected (clock_ ms)
    Trama_GenVorna respuesta_;
    Completion done_;
    struct Evento {
        Trama_GenVorna trama;
        Llegada llegada;
    };
    std::deque<Evento> events_;
    // Kept frames whose ACK waits; an identical frame meanwhile is the controller's resend.
    std::deque<Trama_GenVorna> porAcusar_;
    // Rises at every open and close: a kept event's ACK belongs to the port it came through.
    quint64 generacion_ = 0;
    Trama_GenVorna ultimoAcusado_{}; // the last kept frame acknowledged, and when (clock_ ms)
    qint64 acusadoEn_ = -1;
    Trace trace_;
};

} // namespace kestrum::link
