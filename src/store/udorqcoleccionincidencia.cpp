#include "udorqcoleccionincidencia.h"

#include "dbconnection.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcontrolador.h"
#include "udorqsistema.h"
#include "udorqusuario.h"

#include <QStringList>
#include <algorithm>

namespace kestrum::store {

namespace {

const QString SIN_TITULAR = QStringLiteral("unknow");

// An event from a link carries when it came; one recorded otherwise takes now.
QDateTime momentoDe(const link::TEventoInformacion& info) {
    return info.Llegada.isValid() ? info.Llegada : QDateTime::currentDateTime();
}

AsientoDiario asientoDe(const DORQIncidencia& incidencia, const QString& titular, const QDateTime& momento) {
    return AsientoDiario{0,
                         momento,
                         incidencia.controlador(),
                         incidencia.evento(),
                         incidencia.tarjeta(),
                         incidencia.usr(),
                         incidencia.hist_controlador(),
                         titular,
                         incidencia.descripcion()};
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

template <typename F> void DORQColeccionIncidencia::paraCadaEnlace(F f) {
    DORQColeccionControlador* controladores = Instalacion() ? Instalacion()->Controladores() : nullptr;
    if (!controladores)
        return;
    for (int i = 0; i < controladores->Cuenta(); ++i) {
        const auto c = controladores->Controlador(i);
        // An entity without a link was never connected and cannot report.
        if (link::DORQComunicador* com = c ? c->Comunicador() : nullptr)
            f(*com);
    }
}

void DORQColeccionIncidencia::Inicia_Registro() {
    registrando_ = true;
    paraCadaEnlace([this](link::DORQComunicador& com) { Prepara_Enlace(com); });
}

void DORQColeccionIncidencia::Prepara_Enlace(link::DORQComunicador& com) {
    if (!registrando_)
        return;
    com.setGuardian(Guardian());
    com.Activar_Incidencias();
    // The link's own listener, not the entity's forwarder: a card editor replaces the
    // listener while it waits for a card, and only a fresh Conecta sets the forwarder again.
    com.setOnIncidencia(Oyente());
}

void DORQColeccionIncidencia::Detiene_Registro() {
    registrando_ = false;
    paraCadaEnlace([](link::DORQComunicador& com) {
        com.setGuardian(nullptr);
        // Switching delivery off hands over the events already kept: the listener must still be
        // there to list them.
        com.Desactivar_Incidencias();
        com.setOnIncidencia(nullptr);
    });
}

void DORQColeccionIncidencia::Suspende_Registro() {
    paraCadaEnlace([](link::DORQComunicador& com) { com.Retener_Incidencias(true); });
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

link::DORQComunicador::TGuardian DORQColeccionIncidencia::Guardian() {
    return [this](link::DORQComunicador*, const link::TEventoInformacion& info, link::tvorna::Acuse acuse) {
        Guarda_Incidencia(info, std::move(acuse));
    };
}

DORQIncidencia DORQColeccionIncidencia::Resuelve(const link::TEventoInformacion& info,
                                                 QString& titular) const {
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
    Completa(incidencia, titular);
    return incidencia;
}

void DORQColeccionIncidencia::Guarda_Incidencia(const link::TEventoInformacion& info,
                                                link::tvorna::Acuse acuse) {
    QString titular;
    const AsientoDiario asiento = asientoDe(Resuelve(info, titular), titular, momentoDe(info));
    if (diario_) {
        diario_->anota(asiento, std::move(acuse));
        return;
    }
    // Without a journal the log's commit is what keeps it.
    try {
        Inserta_Asiento(db(), asiento);
    } catch (const Error& e) {
        acuse(false);
        if (onError_)
            onError_(e);
        return;
    }
    acuse(true);
}

void DORQColeccionIncidencia::Asienta() {
    if (diario_)
        diario_->asienta();
}

void DORQColeccionIncidencia::Registra_Incidencia(link::DORQComunicador*,
                                                  const link::TEventoInformacion& info) {
    QString titular;
    DORQIncidencia incidencia = Resuelve(info, titular);
    const QDateTime momento = momentoDe(info);
    if (info.Guardado) {
        Anyade(std::move(incidencia), momento);
    } else if (diario_) {
        diario_->anota(asientoDe(incidencia, titular, momento));
        Anyade(std::move(incidencia), momento);
    } else {
        Inserta(incidencia, titular, momento);
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
    Inserta_Asiento(db(), asientoDe(incidencia, titular, momento));
    Anyade(incidencia, momento);
}

void DORQColeccionIncidencia::Anyade(DORQIncidencia incidencia, const QDateTime& momento) {
    incidencia.setCod(++secuencia_);
    incidencia.setTIMESTAMP(momento);
    items_.push_back(std::make_shared<DORQIncidencia>(std::move(incidencia)));
}

// ---------------------------------------------------------------- journal

void DORQColeccionIncidencia::Abre_Diario(const QString& carpeta) {
    diario_.reset();
    auto diario = std::make_unique<Diario>(Diario::ficheroPara(carpeta, Db::target(dbPath())));
    diario_ = std::make_unique<EscritorDiario>(
        std::move(diario), dbPath(), [this](EstadoDiario estado, const QString& razon, int eventos) {
            if (onDiario_)
                onDiario_(estado, razon, eventos);
        });
}

} // namespace kestrum::store
