#include "udorqcoleccionincidencia.h"

#include "dbconnection.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcontrolador.h"
#include "udorqsistema.h"
#include "udorqusuario.h"

#include <QSqlError>
#include <QStringList>
#include <QTimer>
#include <algorithm>

namespace kestrum::store {

namespace {

const QString SIN_TITULAR = QStringLiteral("unknow");

// The driver binds a null text as NULL; events keep '' where they have no text.
QString texto(const QString& s) {
    return s.isNull() ? QStringLiteral("") : s;
}

} // namespace

DORQColeccionIncidencia::DORQColeccionIncidencia(DORQSistema* installation, const QString& dbPath)
    : DORQColeccion(installation, dbPath) {
    orden_ = QStringLiteral("timestamp");
    Carga();
}

DORQColeccionIncidencia::~DORQColeccionIncidencia() = default;

void DORQColeccionIncidencia::Fija_Filtro(const QString& desde, const QString& hasta, int usuario) {
    desde_ = desde;
    hasta_ = hasta;
    usuario_ = usuario;
}

void DORQColeccionIncidencia::Fija_Fechas(int usuario, const QDateTime& desde, const QDateTime& hasta) {
    usuario_ = usuario;
    fechaDesde_ = desde;
    fechaHasta_ = hasta;
}

void DORQColeccionIncidencia::Carga() {
    QStringList condiciones{QStringLiteral(" where (1=1) ")};
    if (!desde_.isEmpty())
        condiciones << QStringLiteral(" ( \"TIMESTAMP\" >= :filter_f_ini)");
    if (!hasta_.isEmpty())
        condiciones << QStringLiteral(" ( \"TIMESTAMP\" <= :filter_f_fin)");
    if (usuario_ != -1)
        condiciones << QStringLiteral(" ( usr = :filter_usr) ");
    // The column is a reserved word: unquoted it is a syntax error.
    // For one holder, the same order through the index of events by holder and time, which the
    // engine would otherwise not pick.
    const bool porTiempo = orden_.compare(QLatin1String("timestamp"), Qt::CaseInsensitive) == 0;
    const QString orden = !porTiempo       ? orden_
                          : usuario_ != -1 ? QStringLiteral("usr, \"TIMESTAMP\"")
                                           : QStringLiteral("\"TIMESTAMP\"");
    Query q(db());
    q.prepare(QStringLiteral("select cod,controlador,tarjeta,\"TIMESTAMP\",descripcion,evento,usr,"
                             "hist_controlador from  dorqincidencia ") +
              condiciones.join(QLatin1String(" AND ")) + QLatin1String("order by ") + orden);
    // Stored as local wall-clock time.
    if (!desde_.isEmpty())
        q.bind(QStringLiteral("filter_f_ini"), fechaDesde_.toLocalTime());
    if (!hasta_.isEmpty())
        q.bind(QStringLiteral("filter_f_fin"), fechaHasta_.toLocalTime());
    if (usuario_ != -1)
        q.bind(QStringLiteral("filter_usr"), usuario_);
    q.exec();

    std::vector<std::shared_ptr<DORQIncidencia>> items;
    bool primera = true;
    while (q.next()) {
        if (primera) {
            secuencia_ = q.integer(0);
            primera = false;
        }
        auto e = std::make_shared<DORQIncidencia>();
        e->setCod(q.integer(0));
        e->setControlador(q.integer(1));
        e->setTarjeta(q.text(2));
        e->setTIMESTAMP(q.value(3).toDateTime());
        e->setDescripcion(q.text(4));
        e->setEvento(q.integer(5));
        e->setUsr(q.integer(6));
        e->setHist_controlador(q.text(7));
        items.push_back(std::move(e));
    }
    // Rows come oldest first; the list shows the newest first.
    std::reverse(items.begin(), items.end());
    items_ = std::move(items);
    cargados_ = static_cast<int>(items_.size());
}

void DORQColeccionIncidencia::Inicia_Registro() {
    DORQColeccionControlador* controladores = Instalacion() ? Instalacion()->Controladores() : nullptr;
    if (!controladores)
        return;
    for (int i = 0; i < controladores->Cuenta(); ++i) {
        const auto c = controladores->Controlador(i);
        // An entity without a link was never connected and cannot report.
        link::DORQComunicador* com = c ? c->Comunicador() : nullptr;
        if (!com)
            continue;
        com->Activar_Incidencias();
        // The link's own listener, not the entity's forwarder: a card editor replaces the
        // listener while it waits for a card, and only a fresh Conecta sets the forwarder again.
        com->setOnIncidencia(Oyente());
    }
}

void DORQColeccionIncidencia::Detiene_Registro() {
    DORQColeccionControlador* controladores = Instalacion() ? Instalacion()->Controladores() : nullptr;
    if (!controladores)
        return;
    for (int i = 0; i < controladores->Cuenta(); ++i) {
        const auto c = controladores->Controlador(i);
        link::DORQComunicador* com = c ? c->Comunicador() : nullptr;
        if (!com)
            continue;
        // Switching delivery off hands over the events already acknowledged: the listener must
        // still be there to record them.
        com->Desactivar_Incidencias();
        com->setOnIncidencia(nullptr);
    }
}

link::DORQComunicador::TOnIncidencia DORQColeccionIncidencia::Oyente() {
    return [this](link::DORQComunicador* sender, const link::TEventoInformacion& info) {
        try {
            Registra_Incidencia(sender, info);
        } catch (const Error& e) {
            if (onError_)
                onError_(e);
            else
                qCCritical(lcStore).noquote() << "event not recorded:" << e.message();
        }
    };
}

void DORQColeccionIncidencia::Registra_Incidencia(link::DORQComunicador*,
                                                  const link::TEventoInformacion& info) {
    DORQIncidencia incidencia;
    const DORQColeccionControlador* controladores = Instalacion() ? Instalacion()->Controladores() : nullptr;
    bool numero = false;
    const int puerto = info.Puerto.toInt(&numero);
    // A port that no controller of the store has is still recorded, as controller 0.
    const auto controlador = numero && controladores ? controladores->Busca_Por_Puerto(puerto) : nullptr;
    incidencia.setControlador(controlador ? controlador->cod() : 0);
    incidencia.setEvento(info.Tipo);
    if (info.Tipo == 1 || info.Tipo == 2)
        incidencia.setTarjeta(info.Tarjeta_Hex);
    if (info.Tipo == 1) {
        const DORQColeccionTarjeta* tarjetas = Instalacion() ? Instalacion()->Tarjetas() : nullptr;
        const auto tarjeta = tarjetas ? tarjetas->Busca_Tarjeta(info.Tarjeta_Hex) : nullptr;
        incidencia.setUsr(tarjeta && tarjeta->usuario() ? tarjeta->usuario()->id() : -1);
    }
    QString titular;
    Completa(incidencia, titular);
    const QDateTime ahora = QDateTime::currentDateTime();
    if (!diario_) {
        Inserta(incidencia, titular, ahora);
    } else {
        AsientoDiario asiento{0,
                              ahora,
                              incidencia.controlador(),
                              incidencia.evento(),
                              incidencia.tarjeta(),
                              incidencia.usr(),
                              incidencia.hist_controlador(),
                              titular,
                              incidencia.descripcion()};
        try {
            diario_->anota(asiento);
        } catch (const Error& e) {
            // The event then has only the log; an error there means it is lost and is raised.
            qCCritical(lcJournal).noquote() << "event not journaled:" << e.message();
            if (onDiario_)
                onDiario_(EstadoDiario::SinDiario, e.message(), Pendientes_Diario());
            Inserta(incidencia, titular, ahora);
            if (onRegistrada_)
                onRegistrada_(this, info);
            return;
        }
        // The event is safe on disk: shown now, recorded now or when the log takes it again.
        if (!rechazando_)
            Vuelca_Diario();
    }
    if (onRegistrada_)
        onRegistrada_(this, info);
}

void DORQColeccionIncidencia::Completa(DORQIncidencia& incidencia, QString& titular) const {
    DORQSistema* sistema = Instalacion();
    const DORQColeccionControlador* controladores = sistema ? sistema->Controladores() : nullptr;
    const auto controlador =
        controladores ? controladores->Busca_Controlador(incidencia.controlador()) : nullptr;
    incidencia.setHist_controlador(controlador ? controlador->descripcion() : QString());

    QString descripcion;
    if (incidencia.evento() == 1 || incidencia.evento() == 2) {
        const QString& clave = incidencia.tarjeta();
        const DORQColeccionTarjeta* tarjetas = sistema ? sistema->Tarjetas() : nullptr;
        const auto tarjeta = tarjetas ? tarjetas->Busca_Tarjeta(clave) : nullptr;
        titular = SIN_TITULAR;
        descripcion = clave;
        if (tarjeta) {
            descripcion = tarjeta->codigo_tarjeta();
            if (tarjeta->usuario()) {
                titular = tarjeta->usuario()->Nombre_Completo();
                descripcion += QLatin1Char(' ') + titular;
            }
        }
    }
    incidencia.setDescripcion(descripcion);
}

void DORQColeccionIncidencia::Graba_Incidencia(DORQIncidencia incidencia) {
    QString titular;
    Completa(incidencia, titular);
    Inserta(incidencia, titular, QDateTime::currentDateTime());
}

void DORQColeccionIncidencia::Inserta(const DORQIncidencia& incidencia, const QString& titular,
                                      const QDateTime& momento) {
    Db::exec(
        db(),
        QStringLiteral("INSERT INTO dorqincidencia(cod,controlador,hist_controlador,tarjeta,hist_tarjeta,"
                       "\"TIMESTAMP\",descripcion,evento,usr) VALUES(gen_id(GEN_DORQINCIDENCIA_ID, 1),"
                       ":controlador,:hist_controlador,:tarjeta,:hist_tarjeta,:momento,"
                       ":descripcion,:evento,:usr)"),
        {{QStringLiteral("controlador"), incidencia.controlador()},
         {QStringLiteral("hist_controlador"), texto(incidencia.hist_controlador())},
         {QStringLiteral("tarjeta"), texto(incidencia.tarjeta())},
         {QStringLiteral("hist_tarjeta"), texto(titular)},
         {QStringLiteral("momento"), momento},
         {QStringLiteral("descripcion"), texto(incidencia.descripcion())},
         {QStringLiteral("evento"), incidencia.evento()},
         {QStringLiteral("usr"), incidencia.usr()}});

    auto copia = std::make_shared<DORQIncidencia>(incidencia);
    copia->setCod(++secuencia_);
    copia->setTIMESTAMP(momento);
    items_.push_back(std::move(copia));
}

// ---------------------------------------------------------------- journal

void DORQColeccionIncidencia::Abre_Diario(const QString& carpeta) {
    diario_.reset();
    enLog_ = -1;
    rechazando_ = false;
    recuperados_ = 0;
    const QString destino =
        db().hostName().isEmpty()
            ? db().databaseName()
            : QStringLiteral("%1/%2:%3").arg(db().hostName()).arg(db().port()).arg(db().databaseName());
    diario_ = std::make_unique<Diario>(Diario::ficheroPara(carpeta, destino));
    if (!reintento_) {
        reintento_ = std::make_unique<QTimer>();
        reintento_->setSingleShot(true);
        reintento_->setInterval(REINTENTO_DIARIO_MS);
        QObject::connect(reintento_.get(), &QTimer::timeout, [this] { Vuelca_Diario(); });
    }
    if (Vuelca_Diario())
        Recorta_Diario();
}

int DORQColeccionIncidencia::Pendientes_Diario() const {
    if (!diario_)
        return 0;
    const auto& asientos = diario_->asientos();
    return static_cast<int>(std::count_if(asientos.begin(), asientos.end(),
                                          [this](const AsientoDiario& a) { return a.secuencia > enLog_; }));
}

bool DORQColeccionIncidencia::Vuelca_Diario() {
    if (!diario_)
        return true;
    // Rows per transaction: a burst after an outage is recorded in few commits.
    constexpr std::size_t LOTE = 200;
    try {
        // A server that went away leaves a connection that fails for good.
        if (rechazando_)
            Reconecta();
        if (enLog_ < 0)
            enLog_ =
                Db::scalar(db(), QStringLiteral("select secuencia from dorqdiario where consola = :consola"),
                           {{QStringLiteral("consola"), diario_->identidad()}})
                    .toLongLong();
        const auto& asientos = diario_->asientos();
        std::size_t i = 0;
        while (i < asientos.size() && asientos[i].secuencia <= enLog_)
            ++i;
        while (i < asientos.size()) {
            const std::size_t j = std::min(asientos.size(), i + LOTE);
            Vuelca_Lote(i, j);
            i = j;
        }
    } catch (const Error& e) {
        Rechazo(e.message());
        return false;
    }
    if (rechazando_) {
        rechazando_ = false;
        reintento_->stop();
        qCInfo(lcJournal) << "the log takes events again:" << recuperados_ << "replayed";
        if (onDiario_)
            onDiario_(EstadoDiario::AlDia, QString(), recuperados_);
        recuperados_ = 0;
    }
    // The journal is trimmed only of what the log holds, and not at every event.
    constexpr std::size_t RECORTE = 256;
    if (diario_->asientos().size() >= RECORTE)
        Recorta_Diario();
    return true;
}

void DORQColeccionIncidencia::Recorta_Diario() {
    if (!diario_ || diario_->asientos().empty() || diario_->asientos().front().secuencia > enLog_)
        return;
    try {
        diario_->recorta(enLog_);
    } catch (const Error& e) {
        qCWarning(lcJournal).noquote() << "journal not trimmed:" << e.message();
    }
}

void DORQColeccionIncidencia::Vuelca_Lote(std::size_t desde, std::size_t hasta) {
    QSqlDatabase d = db();
    if (!d.transaction())
        raise(d.lastError(), QStringLiteral("start transaction"));
    const auto& asientos = diario_->asientos();
    const std::size_t antes = items_.size();
    const int secuencia = secuencia_;
    try {
        for (std::size_t k = desde; k < hasta; ++k) {
            const AsientoDiario& a = asientos[k];
            DORQIncidencia incidencia;
            incidencia.setControlador(a.controlador);
            incidencia.setEvento(a.evento);
            incidencia.setTarjeta(a.tarjeta);
            incidencia.setUsr(a.usr);
            incidencia.setHist_controlador(a.histControlador);
            incidencia.setDescripcion(a.descripcion);
            Inserta(incidencia, a.histTarjeta, a.momento);
        }
        // The same transaction says how far the log holds the journal: a replay never doubles.
        Db::exec(d,
                 QStringLiteral(
                     "UPDATE OR INSERT INTO dorqdiario(consola, secuencia) VALUES(:consola, :secuencia) "
                     "MATCHING (consola)"),
                 {{QStringLiteral("consola"), diario_->identidad()},
                  {QStringLiteral("secuencia"), asientos[hasta - 1].secuencia}});
        if (!d.commit())
            raise(d.lastError(), QStringLiteral("commit"));
    } catch (...) {
        d.rollback();
        items_.resize(antes);
        secuencia_ = secuencia;
        throw;
    }
    enLog_ = asientos[hasta - 1].secuencia;
    if (rechazando_)
        recuperados_ += static_cast<int>(hasta - desde);
}

void DORQColeccionIncidencia::Rechazo(const QString& razon) {
    qCWarning(lcJournal).noquote() << "the log refuses events:" << razon;
    if (!rechazando_) {
        rechazando_ = true;
        if (onDiario_)
            onDiario_(EstadoDiario::Rechaza, razon, Pendientes_Diario());
    }
    reintento_->start();
}

} // namespace kestrum::store
