// tvorna: a serial port that speaks the controllers' framed protocol. It writes command frames,
// parses every received byte, runs one command as a transaction (send, wait, retry) and hands
// unsolicited frames to two handlers, event frames through a timer (every 50 ms).
#pragma once

#include "timings.h"
#include "vornaframe.h"

#include <QByteArray>
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
    void setOnVORNARecibedNotDemandRxInc(TVORNARecibedNotDemand h) { onRxInc_ = std::move(h); }
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
    TVORNARecibedNotDemand onRxInc_;
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
    std::deque<Trama_GenVorna> events_;
    Trace trace_;
};

} // namespace kestrum::link
