#include "vorna.h"

#include "kerror.h"

#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace kestrum::link {

Q_LOGGING_CATEGORY(lcLink, "kestrum.link", QtWarningMsg)

namespace {

QString hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// The controllers' parity is not checked on reception; only sending uses even parity.
void ignoreReceivedParity(QSerialPort& port) {
    termios tio{};
    const int fd = static_cast<int>(port.handle());
    if (fd < 0 || ::tcgetattr(fd, &tio) != 0)
        return;
    tio.c_iflag &= ~static_cast<tcflag_t>(INPCK | PARMRK);
    ::tcsetattr(fd, TCSANOW, &tio);
}

// A pseudo-terminal whose last user was killed keeps the raw settings that user left, and the next
// open of it fails ("Invalid argument") until they change: they are set back to cooked here.
bool restorePseudoTerminal(const QString& device) {
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    termios tio{};
    const bool pty = ::fstat(fd, &st) == 0 && major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
    bool done = false;
    if (pty && ::tcgetattr(fd, &tio) == 0) {
        tio.c_oflag |= OPOST;
        tio.c_lflag |= ICANON;
        done = ::tcsetattr(fd, TCSANOW, &tio) == 0;
    }
    ::close(fd);
    return done;
}

TextLookup& textLookup() {
    static TextLookup lookup;
    return lookup;
}

} // namespace

void setTextLookup(TextLookup lookup) {
    textLookup() = std::move(lookup);
}

QString texto(const QString& key) {
    return textLookup() ? textLookup()(key) : key;
}

QString mensajeApertura(const QString& device, bool permisoDenegado, const QString& reason) {
    QString message = QStringLiteral("%1: %2").arg(device, reason);
    if (permisoDenegado) {
        // Without the console's texts (kestrum-link) the hint is still worth having, in English.
        const QString key = QStringLiteral("KS_Serial_permission");
        const QString hint = textLookup()
                                 ? texto(key)
                                 : QStringLiteral("The user may not open this serial port: add the user "
                                                  "to the 'dialout' group (sudo usermod -aG dialout "
                                                  "USER) and log in again.");
        message += QStringLiteral(". ") + hint;
    }
    return message;
}

tvorna::tvorna(QObject* owner) : QObject(owner), port_(new QSerialPort(this)), respuesta_(emptyTrama()) {
    replyTimer_.setSingleShot(true);
    replyTimer_.setTimerType(Qt::PreciseTimer);
    eventTimer_.setInterval(timings().eventTickMs);
    connect(&replyTimer_, &QTimer::timeout, this, &tvorna::replyTimedOut);
    connect(&eventTimer_, &QTimer::timeout, this, &tvorna::deliverEvents);
    settleTimer_.setSingleShot(true);
    connect(&settleTimer_, &QTimer::timeout, this, &tvorna::settled);
    connect(port_, &QSerialPort::readyRead, this, &tvorna::Recibir);
    connect(port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        // A device that vanished under an open port (an unplugged adapter, a closed
        // pseudo-terminal) reads as ready forever: reading on would spin.
        if (e == QSerialPort::ResourceError)
            portFailed();
    });
    clock_.start();
}

tvorna::~tvorna() {
    replyTimer_.stop();
    eventTimer_.stop();
    port_->close();
}

void tvorna::setPortName(const QString& name) {
    deviceName_ = name;
    port_->setPortName(name);
}

QString tvorna::portName() const {
    return deviceName_;
}

void tvorna::open() {
    // Settings go in before open(): a pseudo-terminal refuses even parity once it is open.
    port_->setBaudRate(QSerialPort::Baud9600);
    port_->setDataBits(QSerialPort::Data8);
    port_->setParity(QSerialPort::EvenParity);
    port_->setStopBits(QSerialPort::TwoStop);
    port_->setFlowControl(QSerialPort::NoFlowControl);
    // For a device that is gone (an adapter pulled out) QSerialPort reports a locking error.
    if (const QString location = QSerialPortInfo(*port_).systemLocation();
        !location.isEmpty() && !QFileInfo::exists(location)) {
        lastPortError_ = qt_error_string(ENOENT);
        throw Error(QStringLiteral("%1: %2").arg(deviceName_, lastPortError_));
    }
    bool opened = port_->open(QIODevice::ReadWrite);
    if (!opened && port_->error() != QSerialPort::PermissionError && restorePseudoTerminal(deviceName_)) {
        qCDebug(lcLink) << deviceName_ << "pseudo-terminal settings restored:" << port_->errorString();
        opened = port_->open(QIODevice::ReadWrite);
    }
    if (!opened) {
        lastPortError_ = port_->errorString();
        qCDebug(lcLink) << "cannot open" << deviceName_ << lastPortError_;
        throw Error(
            mensajeApertura(deviceName_, port_->error() == QSerialPort::PermissionError, lastPortError_));
    }
    lastPortError_.clear();
    // Lines stay low; a pseudo-terminal has no modem lines and refuses, which is of no consequence.
    port_->setDataTerminalReady(false);
    port_->setRequestToSend(false);
    port_->clearError();
    ignoreReceivedParity(*port_);
    // What waits in the device's input was meant for an earlier user of the port or answers a
    // command that gave up: taken now, it would answer the next command.
    port_->clear(QSerialPort::Input);
    receiver_.reset();
    unanswered_ = 0;
    olvidaAcuses();
    // A hung-up device (the far end of a pseudo-terminal gone) reads empty without an error, so
    // the port's read notifier would fire forever; its activations are checked here first.
    for (QSocketNotifier* n : port_->findChildren<QSocketNotifier*>())
        n->installEventFilter(this);
    qCDebug(lcLink) << "opened" << deviceName_;
}

void tvorna::close() {
    if (port_->isOpen())
        port_->close();
    olvidaAcuses();
}

bool tvorna::isOpen() const {
    return port_->isOpen();
}

void tvorna::setVelocidad(int ms) {
    velocidad_ = std::max(0, ms);
}

void tvorna::setVelocidad_lenta(int ms) {
    velocidadLenta_ = std::max(0, ms);
}

void tvorna::setTAR(int address) {
    tar_ = address;
    receiver_.setOwnAddress(static_cast<std::uint8_t>(address & 0xFF));
}

void tvorna::Anyadir_Datos(const QByteArray& bytes) {
    payload_.append(bytes);
    // The body count is one byte: code, data and checksum fit in 255.
    if (payload_.size() > static_cast<qsizetype>(MAX_BODY - 2))
        payload_.truncate(MAX_BODY - 2);
}

void tvorna::Enviar_Comando(quint8 command, quint8 mode, quint8 destination, Trama_GenVorna& reply) {
    bool finished = false;
    QEventLoop loop;
    startCommand(command, mode, destination, [&](const Trama_GenVorna& r) {
        reply = r;
        finished = true;
        loop.quit();
    });
    if (!finished)
        loop.exec();
}

void tvorna::startCommand(quint8 command, quint8 mode, quint8 destination, Completion done) {
    if (ocupado_) {
        // Nesting two transactions on one link would mix their replies; the second gets no answer.
        qCWarning(lcLink) << deviceName_ << "command" << command << "refused: a transaction is running";
        done(emptyTrama());
        return;
    }
    command_ = command;
    mode_ = mode;
    destination_ = destination;
    ocupado_ = true;
    trasEnvio_ = false;
    done_ = std::move(done);
    attemptsLeft_ = mode == 1 ? 3 : mode == 0 ? 2 : 1;
    if (!port_->isOpen()) {
        // A closed port counts as a controller that does not answer.
        qCDebug(lcLink) << deviceName_ << "not open: command" << command << "not sent";
        respuesta_ = emptyTrama();
        attemptsLeft_ = 0;
        finish();
        return;
    }
    // Bytes that came during the command's pause are parsed before the write, so that none of
    // them can pass for its reply; events among them are kept.
    readWaiting();
    if (const qint64 wait = staleWaitMs(); wait > 0) {
        qCDebug(lcLink) << deviceName_ << "command" << command << "waits up to" << wait << "ms for"
                        << unanswered_ << "late replies";
        settling_ = true;
        settleTimer_.start(static_cast<int>(wait));
        return;
    }
    nextAttempt();
}

void tvorna::readWaiting() {
    Recibir();
    // Each wait reads what the system holds and hands it to Recibir through readyRead.
    for (int i = 0; i < 64 && port_->isOpen() && port_->waitForReadyRead(0); ++i) {
    }
    if (port_->error() == QSerialPort::TimeoutError)
        port_->clearError();
}

// A controller answers every frame it understood, however late. Until those replies came, or
// until no controller answers that late, a reply cannot be told from the next command's own.
qint64 tvorna::staleWaitMs() {
    if (unanswered_ > 0 && clock_.elapsed() >= lateUntil_)
        unanswered_ = 0;
    return unanswered_ > 0 ? lateUntil_ - clock_.elapsed() : 0;
}

void tvorna::settled() {
    if (!settling_)
        return;
    settling_ = false;
    settleTimer_.stop(); // when the last owed reply came first
    unanswered_ = 0;
    if (!port_->isOpen()) {
        respuesta_ = emptyTrama();
        finish();
        return;
    }
    nextAttempt();
}

// A reply settles one frame still owed an answer. A command writes only once nothing is owed,
// so any reply during its waits is its own.
void tvorna::replyArrived() {
    if (unanswered_ > 0)
        --unanswered_;
    if (settling_ && unanswered_ == 0)
        QTimer::singleShot(0, this, &tvorna::settled);
}

bool tvorna::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::SockAct && port_->isOpen() && hungUp()) {
        portFailed();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

// Hung up with nothing left to read: what came before the hang-up is still read first.
bool tvorna::hungUp() const {
    const int fd = static_cast<int>(port_->handle());
    pollfd p{fd, POLLIN, 0};
    if (fd < 0 || ::poll(&p, 1, 0) <= 0 || !(p.revents & (POLLHUP | POLLERR | POLLNVAL)))
        return false;
    int waiting = 0;
    return ::ioctl(fd, FIONREAD, &waiting) != 0 || waiting == 0;
}

// The port's own error when it reported one; a hang-up reports none, and the next call on the
// device tells the system's reason.
QString tvorna::lostReason() {
    if (port_->error() != QSerialPort::NoError)
        return port_->errorString();
    termios tio{};
    if (::tcgetattr(static_cast<int>(port_->handle()), &tio) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QStringLiteral("the device hung up");
}

void tvorna::portFailed() {
    if (!port_->isOpen())
        return;
    lastPortError_ = lostReason();
    qCDebug(lcLink) << deviceName_ << "port lost:" << lastPortError_;
    port_->close();
    receiver_.reset();
    unanswered_ = 0;
    olvidaAcuses();
    if (waiting_ || settling_) {
        // Nothing more can come: the transaction ends as unanswered at once.
        attemptsLeft_ = 0;
        respuestaRecibida_ = false;
        if (settling_)
            settleTimer_.start(0);
        else
            replyTimer_.start(0);
    }
    if (onPortLost_)
        onPortLost_(QStringLiteral("%1: %2").arg(deviceName_, lastPortError_));
}

void tvorna::nextAttempt() {
    while (attemptsLeft_ > 0) {
        --attemptsLeft_;
        respuesta_.fill(FILLER);
        if (!Enviar_Trama()) {
            attemptsLeft_ = 0;
            break;
        }
        if (mode_ == 1) {
            waiting_ = true;
            respuestaRecibida_ = false;
            ++unanswered_;
            lateUntil_ = clock_.elapsed() + std::max(velocidadLenta_, replyWaitMs());
            replyTimer_.start(replyWaitMs());
            return;
        }
    }
    trasEnvio_ = true;
    finish();
}

int tvorna::replyWaitMs() const {
    // The master card takes long; the wait returns to normal for the next command.
    if (command_ == 29)
        return timings().masterWaitMs;
    return lento_ ? velocidadLenta_ : velocidad_;
}

void tvorna::replyTimedOut() {
    if (!waiting_)
        return;
    respuestaRecibida_ = false;
    attemptEnded();
}

void tvorna::checkReply() {
    if (waiting_ && respuestaRecibida_)
        attemptEnded();
}

void tvorna::attemptEnded() {
    replyTimer_.stop();
    waiting_ = false;
    if (respuestaRecibida_) {
        respuestaRecibida_ = false;
        if (destination_ == receiver_.lastSource() || destination_ == 0x80) {
            finish();
            return;
        }
        attemptsLeft_ = 0; // a reply from another address ends the retries and is handed on as it is
        qCDebug(lcLink) << deviceName_ << "reply from address" << receiver_.lastSource();
    } else {
        qCDebug(lcLink) << deviceName_ << "no reply to command" << command_ << "attempts left"
                        << attemptsLeft_;
    }
    nextAttempt();
}

void tvorna::finish() {
    ocupado_ = false;
    waiting_ = false;
    auto done = std::move(done_);
    done_ = nullptr;
    if (done)
        done(respuesta_);
}

bool tvorna::writeBytes(const QByteArray& bytes) {
    if (trace_)
        trace_(true, bytes);
    qCDebug(lcLink).noquote() << deviceName_ << ">" << hex(bytes);
    if (port_->write(bytes) != bytes.size()) {
        lastPortError_ = port_->errorString();
        qCWarning(lcLink) << deviceName_ << "write failed:" << lastPortError_;
        port_->clearError();
        return false;
    }
    port_->flush();
    return true;
}

bool tvorna::Enviar_Trama() {
    const auto* data = reinterpret_cast<const std::uint8_t*>(payload_.constData());
    const auto frame =
        buildFrame(destination_, static_cast<std::uint8_t>(tar_ & 0xFF), command_,
                   std::span<const std::uint8_t>(data, static_cast<std::size_t>(payload_.size())));
    const bool written = writeBytes(
        QByteArray(reinterpret_cast<const char*>(frame.data()), static_cast<qsizetype>(frame.size())));
    trasEnvio_ = true;
    return written;
}

void tvorna::Enviar_ACK() {
    writeBytes(QByteArray(1, static_cast<char>(ACK)));
}

void tvorna::Recibir() {
    char chunk[READ_CHUNK];
    while (port_->isOpen() && port_->bytesAvailable() > 0) {
        const qint64 n = port_->read(chunk, READ_CHUNK);
        if (n <= 0) {
            lastPortError_ = port_->errorString();
            qCWarning(lcLink) << deviceName_ << "read failed:" << lastPortError_;
            return;
        }
        const QByteArray bytes(chunk, static_cast<qsizetype>(n));
        if (trace_)
            trace_(false, bytes);
        qCDebug(lcLink).noquote() << deviceName_ << "<" << hex(bytes);
        receiver_.feed(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(chunk),
                                                     static_cast<std::size_t>(n)),
                       *this);
    }
}

void tvorna::sourceSeen(std::uint8_t source) {
    respuesta_[0] = source;
}

void tvorna::frameReceived(std::uint8_t source, std::span<const std::uint8_t> body) {
    const std::uint8_t code = body[0];
    if (Es_Incidencia(code)) {
        Trama_GenVorna event = emptyTrama();
        event[0] = source;
        std::copy(body.begin(), body.end(), event.begin() + 1);
        const QDateTime llegada = QDateTime::currentDateTime();
        if (guardian_) {
            guarda(source, event, llegada);
            return;
        }
        Enviar_ACK();
        // Events are queued, never taken as a reply and never overwritten by a later one.
        if (activarNdemandRC_)
            events_.push_back({event, {llegada, false}});
        return;
    }
    replyArrived();
    if (code == CODE_NO_REPLY) {
        // The controller says it has nothing to answer: the wait ends without reply data.
        if (trasEnvio_)
            respuestaRecibida_ = true;
        checkReply();
        return;
    }
    trasEnvio_ = false;
    respuesta_.fill(FILLER);
    respuesta_[0] = source;
    std::copy(body.begin(), body.end(), respuesta_.begin() + 1);
    respuestaRecibida_ = true;
    if (activarNdemandRC_ && onRxChar_ && (!ocupado_ || !Es_Respuesta_Esperada(command_, code))) {
        const Trama_GenVorna copy = respuesta_;
        onRxChar_(port_, copy);
    }
    checkReply();
}

void tvorna::loneAck() {
    replyArrived();
    respuesta_.fill(FILLER);
    respuesta_[0] = CONTROLLER_ADDRESS;
    respuesta_[1] = ACK;
    respuestaRecibida_ = true;
    checkReply();
}

// A kept event's ACK belongs to the port it came through: after a close or reopen the controller's
// event in flight may be another one.
void tvorna::olvidaAcuses() {
    ++generacion_;
    porAcusar_.clear();
    acusadoEn_ = -1;
}

// A controller has one event in flight and sends it again when its ACK is late: the same frame
// while the first one's ACK waits is that resend, and the one ACK to come settles both.
void tvorna::guarda(std::uint8_t source, const Trama_GenVorna& event, const QDateTime& llegada) {
    if (std::find(porAcusar_.begin(), porAcusar_.end(), event) != porAcusar_.end()) {
        qCDebug(lcLink) << deviceName_ << "event sent again by address" << source << "while its ACK waits";
        return;
    }
    // A resend that crossed its ACK on the wire: the controller has the ACK by now.
    if (acusadoEn_ >= 0 && event == ultimoAcusado_ &&
        clock_.elapsed() - acusadoEn_ < timings().controllerAckWaitMs) {
        qCDebug(lcLink) << deviceName_ << "event sent again by address" << source << "as its ACK went out";
        return;
    }
    porAcusar_.push_back(event);
    guardian_(event, llegada,
              [self = QPointer<tvorna>(this), generacion = generacion_, event, llegada](bool guardado) {
                  if (self)
                      self->acusa(generacion, event, llegada, guardado);
              });
}

// Delivered only once kept: what the event list shows is in the log or on its way there.
void tvorna::acusa(quint64 generacion, const Trama_GenVorna& event, const QDateTime& llegada, bool guardado) {
    if (generacion != generacion_) {
        qCDebug(lcLink) << deviceName_ << "kept event not acknowledged: the port was closed since";
        return;
    }
    if (const auto it = std::find(porAcusar_.begin(), porAcusar_.end(), event); it != porAcusar_.end())
        porAcusar_.erase(it);
    if (!guardado) {
        qCDebug(lcLink) << deviceName_ << "event not kept: left unacknowledged";
        return;
    }
    Enviar_ACK();
    ultimoAcusado_ = event;
    acusadoEn_ = clock_.elapsed();
    if (activarNdemandRC_)
        events_.push_back({event, {llegada, true}});
}

void tvorna::Retener_Incidencias(bool on) {
    if (on)
        eventTimer_.stop();
    else
        eventTimer_.start();
}

void tvorna::Activar_T_Incidencias(bool on) {
    if (on) {
        eventTimer_.start();
        return;
    }
    eventTimer_.stop();
    // Events already acknowledged to the controller are handed on rather than lost.
    deliverEvents();
}

void tvorna::deliverEvents() {
    if (events_.empty())
        return;
    std::deque<Evento> batch;
    batch.swap(events_);
    for (const auto& event : batch) {
        if (onRxInc_)
            onRxInc_(&eventTimer_, event.trama, event.llegada);
    }
}

} // namespace kestrum::link
