#include "udorqcolecciontarjeta.h"

#include "dbconnection.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcoleccionusuario.h"
#include "udorqcontrolador.h"
#include "udorqsistema.h"
#include "udorqusuario.h"

#include <QSqlError>

namespace kestrum::store {

namespace {

QString siNo(bool on) {
    return on ? QStringLiteral("S") : QStringLiteral("N");
}

// Timestamps are stored as local wall-clock time; an unset one is NULL.
QVariant timestamp(const QDateTime& t) {
    return t.isValid() ? QVariant(t.toLocalTime()) : QVariant(QMetaType::fromType<QDateTime>());
}

void commit(QSqlDatabase& db) {
    if (!db.commit())
        raise(db.lastError(), QStringLiteral("commit"));
}

} // namespace

DORQColeccionTarjeta::DORQColeccionTarjeta(DORQSistema* installation, const QString& dbPath)
    : DORQColeccion(installation, dbPath) {
    orden_ = QStringLiteral("USUARIO");
    Carga();
}

DORQColeccionTarjeta::~DORQColeccionTarjeta() = default;

void DORQColeccionTarjeta::Carga() {
    const DORQColeccionUsuario* usuarios = Instalacion() ? Instalacion()->Usuarios() : nullptr;
    std::vector<std::shared_ptr<DORQTarjeta>> items;
    QHash<QString, int> byCode;
    {
        Query q(db());
        q.prepare(QStringLiteral(
                      "select  dorqtarjeta.codigo_tarjeta,  dorqtarjeta.usuario,dorqtarjeta.usar_fecha_cad,  "
                      "dorqtarjeta.fecha_alta,dorqtarjeta.fecha_caducidad  from  dorqtarjeta    order by ") +
                  orden_)
            .exec();
        while (q.next()) {
            auto t = std::make_shared<DORQTarjeta>();
            t->setCodigo_tarjeta(q.text(0));
            t->setFecha_alta(q.value(3).toDateTime());
            t->setFecha_caducidad(q.value(4).toDateTime());
            t->setUsar_fecha_cad(q.text(2) == QLatin1String("S"));
            const QVariant usuario = q.value(1);
            if (usuarios && !usuario.isNull() && usuario.toInt() > -1)
                t->setUsuario(usuarios->Busca_Usuario(usuario.toInt()));
            t->setColeccion(this);
            if (!byCode.contains(t->codigo_tarjeta()))
                byCode.insert(t->codigo_tarjeta(), static_cast<int>(items.size()));
            items.push_back(std::move(t));
        }
    }
    // All assignments at once instead of one query per card. A scan without order returns the rows
    // in storage order, the order in which a card's own query returns its rows.
    Query q(db());
    q.prepare(QStringLiteral("SELECT tarjeta,controlador,\"_STOREDINHW\" FROM dorqcontroladortarjeta"))
        .exec();
    while (q.next()) {
        const auto it = byCode.constFind(q.text(0));
        if (it != byCode.cend())
            items[static_cast<std::size_t>(*it)]->Anyade_Asignacion(q.integer(1),
                                                                    q.text(2) == QLatin1String("S"));
    }
    items_ = std::move(items);
    byCode_ = std::move(byCode);
}

std::shared_ptr<DORQTarjeta> DORQColeccionTarjeta::Busca_Tarjeta(const QString& codigo) const {
    const auto it = byCode_.constFind(codigo);
    return it == byCode_.cend() ? nullptr : items_[static_cast<std::size_t>(*it)];
}

bool DORQColeccionTarjeta::Existe_Tarjeta(const QString& codigo) {
    return Db::scalar(db(),
                      QStringLiteral(
                          "select count(*) from dorqtarjeta where dorqtarjeta.codigo_tarjeta=:cod_tarjeta"),
                      {{QStringLiteral("cod_tarjeta"), codigo}})
               .toInt() > 0;
}

void DORQColeccionTarjeta::inserta(const QString& sql, const QString& codeParameter, const DORQTarjeta& t,
                                   int idUsuario) {
    Query q(db());
    q.prepare(sql)
        .bind(codeParameter, t.codigo_tarjeta())
        .bind(QStringLiteral("No"), QStringLiteral("N"))
        .bind(QStringLiteral("fecha_Alta"), timestamp(t.fecha_alta()))
        .bind(QStringLiteral("fecha_caducidad"), timestamp(t.fecha_caducidad()))
        .bind(QStringLiteral("usuario"), idUsuario)
        .bind(QStringLiteral("cad"), siNo(t.usar_fecha_cad()))
        .exec();
}

void DORQColeccionTarjeta::Crea_Tarjeta(const DORQTarjeta& t) {
    try {
        inserta(QStringLiteral(
                    "INSERT INTO dorqtarjeta(codigo_tarjeta,bloqueado,fecha_alta,fecha_caducidad,usuario,"
                    "usar_fecha_cad) VALUES(:codigo_tarjeta,:No,:fecha_Alta,:fecha_caducidad,:usuario,:cad)"),
                QStringLiteral("codigo_tarjeta"), t, t.idUsuario());
    } catch (const DbError& e) {
        // The editors check the code first; a duplicate from elsewhere (an import) is dropped.
        if (!e.isDuplicateKey())
            throw;
        qCDebug(lcStore) << "card" << t.codigo_tarjeta() << "exists; not inserted";
        return;
    }
    Carga();
}

void DORQColeccionTarjeta::Crea_Tarjeta_Con_Titular(const DORQTarjeta& t, int idUsuario) {
    inserta(
        QStringLiteral("INSERT INTO dorqtarjeta(codigo_tarjeta,bloqueado,fecha_alta,fecha_caducidad,usuario,"
                       "usar_fecha_cad)VALUES(:cod_tarjeta,:No,:fecha_Alta,:fecha_caducidad,:usuario,:cad)"),
        QStringLiteral("cod_tarjeta"), t, idUsuario);
    Carga();
}

bool DORQColeccionTarjeta::Modifica_Tarjeta(const DORQTarjeta& t) {
    Db::exec(
        db(),
        QStringLiteral("UPDATE dorqtarjeta SET fecha_alta=:fech_now,usuario=:usuario,fecha_caducidad=:fech,"
                       "usar_fecha_cad=:flag WHERE codigo_tarjeta=:codigo"),
        {{QStringLiteral("fech_now"), timestamp(t.fecha_alta())},
         {QStringLiteral("usuario"), t.idUsuario()},
         {QStringLiteral("fech"), timestamp(t.fecha_caducidad())},
         {QStringLiteral("flag"), siNo(t.usar_fecha_cad())},
         {QStringLiteral("codigo"), t.codigo_tarjeta()}});
    Carga();
    return true;
}

void DORQColeccionTarjeta::Borra_Tarjeta(const DORQTarjeta& t) {
    Db::exec(db(), QStringLiteral("DELETE FROM dorqtarjeta WHERE codigo_tarjeta=:codigo"),
             {{QStringLiteral("codigo"), t.codigo_tarjeta()}});
}

void DORQColeccionTarjeta::Borra_Asignaciones_Tarjeta(const DORQTarjeta& t) {
    Db::exec(db(), QStringLiteral("DELETE FROM dorqcontroladortarjeta WHERE tarjeta=:codigo_tarjeta"),
             {{QStringLiteral("codigo_tarjeta"), t.codigo_tarjeta()}});
}

void DORQColeccionTarjeta::Vacia_Tarjetas() {
    Db::exec(db(), QStringLiteral("DELETE FROM dorqtarjeta"));
}

void DORQColeccionTarjeta::Vacia_Asignaciones() {
    Db::exec(db(), QStringLiteral("DELETE FROM dorqcontroladortarjeta"));
}

void DORQColeccionTarjeta::insertaAsignacion(const QString& codigo, int controlador, bool almacenada) {
    const QString mark = almacenada ? QStringLiteral("Si") : QStringLiteral("No");
    Db::exec(db(),
             QStringLiteral("INSERT INTO dorqcontroladortarjeta values(:codigo_tarjeta,:controlador,:%1)")
                 .arg(mark),
             {{QStringLiteral("codigo_tarjeta"), codigo},
              {QStringLiteral("controlador"), controlador},
              {mark, siNo(almacenada)}});
}

void DORQColeccionTarjeta::Crea_Asignacion(const DORQTarjeta& t, int controlador, bool almacenada) {
    try {
        insertaAsignacion(t.codigo_tarjeta(), controlador, almacenada);
    } catch (const DbError& e) {
        if (!e.isDuplicateKey())
            throw;
        qCDebug(lcStore) << "assignment" << t.codigo_tarjeta() << controlador << "exists; not inserted";
    }
}

void DORQColeccionTarjeta::Crea_Asignaciones(const DORQTarjeta& t, bool almacenada) {
    // One transaction instead of a commit per row. A failed statement leaves the transaction usable,
    // so the rows before it are committed and stay written, as they would one by one.
    QSqlDatabase d = db();
    if (!d.transaction())
        raise(d.lastError(), QStringLiteral("start transaction"));
    try {
        for (const TAsignacion& a : t.Asignaciones())
            insertaAsignacion(t.codigo_tarjeta(), a.controlador, almacenada);
    } catch (...) {
        commit(d);
        throw;
    }
    commit(d);
}

bool DORQColeccionTarjeta::Crea_Tarjeta_Y_Asignaciones(const DORQTarjeta& t) {
    Crea_Tarjeta(t);
    Crea_Asignaciones(t, false);
    return true;
}

QList<int> DORQColeccionTarjeta::Controladores_Pendientes(const QString& codigo) {
    Query q(db());
    q.prepare(
         QStringLiteral("select controlador from dorqcontroladortarjeta where tarjeta=:codigo_tarjeta and "
                        "\"_STOREDINHW\"= :No"))
        .bind(QStringLiteral("codigo_tarjeta"), codigo)
        .bind(QStringLiteral("No"), QStringLiteral("N"))
        .exec();
    QList<int> out;
    while (q.next())
        out << q.integer(0);
    return out;
}

QStringList DORQColeccionTarjeta::Pendientes_Controlador(int controlador, int limite) {
    Query q(db());
    q.prepare(QStringLiteral("SELECT FIRST %1 TARJETA FROM DORQCONTROLADORTARJETA WHERE CONTROLADOR=:c AND "
                             "\"_STOREDINHW\"='N' ORDER BY TARJETA")
                  .arg(std::max(0, limite)))
        .bind(QStringLiteral("c"), controlador)
        .exec();
    QStringList out;
    while (q.next())
        out << q.text(0);
    return out;
}

void DORQColeccionTarjeta::Marca_Todas_Almacenadas() {
    Db::exec(
        db(),
        QStringLiteral("Update dorqcontroladortarjeta SET \"_STOREDINHW\" = :Si WHERE \"_STOREDINHW\" = :No"),
        {{QStringLiteral("Si"), QStringLiteral("S")}, {QStringLiteral("No"), QStringLiteral("N")}});
}

void DORQColeccionTarjeta::Marca_Almacenada(const QString& codigo, int controlador) {
    Db::exec(db(),
             QStringLiteral("Update dorqcontroladortarjeta SET \"_STOREDINHW\" =:Si WHERE "
                            "tarjeta=:codigo_tarjeta AND controlador= :cod"),
             {{QStringLiteral("Si"), QStringLiteral("S")},
              {QStringLiteral("codigo_tarjeta"), codigo},
              {QStringLiteral("cod"), controlador}});
}

void DORQColeccionTarjeta::Marca_Pendiente(const QString& codigo, int controlador) {
    Db::exec(
        db(),
        QStringLiteral("Update dorqcontroladortarjeta SET \"_STOREDINHW\" = :No WHERE tarjeta=:tarjeta AND "
                       "controlador= :cod"),
        {{QStringLiteral("No"), QStringLiteral("N")},
         {QStringLiteral("tarjeta"), codigo},
         {QStringLiteral("cod"), controlador}});
}

void DORQColeccionTarjeta::Marca_Todas_Pendientes() {
    Db::exec(db(), QStringLiteral("Update dorqcontroladortarjeta SET \"_STOREDINHW\" = :No"),
             {{QStringLiteral("No"), QStringLiteral("N")}});
}

namespace {

// Runs `body` in one transaction of `db`: committed when it returns, rolled back when it raises.
template <class F> void enTransaccion(QSqlDatabase db, const QString& what, F&& body) {
    if (!db.transaction())
        raise(db.lastError(), QStringLiteral("start transaction: ") + what);
    try {
        body();
    } catch (...) {
        db.rollback();
        throw;
    }
    commit(db);
}

} // namespace

void DORQColeccionTarjeta::Marca_Almacenadas(int controlador, const QStringList& codigos) {
    if (codigos.isEmpty())
        return;
    enTransaccion(db(), QStringLiteral("stored marks"), [&] {
        Query q(db());
        q.prepare(QStringLiteral("Update dorqcontroladortarjeta SET \"_STOREDINHW\" =:Si WHERE "
                                 "tarjeta=:codigo_tarjeta AND controlador= :cod"))
            .bind(QStringLiteral("Si"), QStringLiteral("S"))
            .bind(QStringLiteral("cod"), controlador);
        for (const QString& codigo : codigos)
            q.bind(QStringLiteral("codigo_tarjeta"), codigo).exec();
    });
}

void DORQColeccionTarjeta::Guarda_Recepcion(int controlador, const QStringList& codigos, bool reemplaza) {
    enTransaccion(db(), QStringLiteral("received cards"), [&] {
        if (reemplaza) {
            Db::exec(db(), QStringLiteral("DELETE FROM dorqcontroladortarjeta WHERE controlador= :cod"),
                     {{QStringLiteral("cod"), controlador}});
        }
        // Looked up in the database, not in memory: an earlier controller of the same receive may
        // have created the card already.
        Query busca(db());
        busca.prepare(QStringLiteral("SELECT t.usuario, u.id FROM dorqtarjeta t LEFT JOIN dorqusuario u "
                                     "ON u.id = t.usuario WHERE t.codigo_tarjeta = :codigo"));
        Query titular(db());
        titular.prepare(QStringLiteral(
            "INSERT INTO dorqusuario(id,nombre,apellidos,permanente,fotografia) "
            "VALUES(gen_id(GEN_DORQUSUARIO_ID, 1),:nombre,:apellidos,:permanente,:fotografia) RETURNING id"));
        titular.bind(QStringLiteral("nombre"), QString())
            .bind(QStringLiteral("apellidos"), QString())
            .bind(QStringLiteral("permanente"), QStringLiteral("S"))
            .bind(QStringLiteral("fotografia"), QString());
        Query tarjeta(db());
        tarjeta.prepare(QStringLiteral(
            "INSERT INTO "
            "dorqtarjeta(codigo_tarjeta,bloqueado,fecha_alta,fecha_caducidad,usuario,usar_fecha_cad)"
            "VALUES(:cod_tarjeta,:No,:fecha_Alta,:fecha_caducidad,:usuario,:cad)"));
        tarjeta.bind(QStringLiteral("No"), QStringLiteral("N"))
            .bind(QStringLiteral("fecha_caducidad"), timestamp(QDateTime()))
            .bind(QStringLiteral("cad"), QStringLiteral("N"));
        Query asigna(db());
        asigna.prepare(
            QStringLiteral("UPDATE dorqtarjeta SET usuario=:usuario WHERE codigo_tarjeta=:codigo"));
        Query fila(db());
        fila.prepare(QStringLiteral(
                         "UPDATE OR INSERT INTO dorqcontroladortarjeta(tarjeta,controlador,\"_STOREDINHW\") "
                         "VALUES(:codigo_tarjeta,:controlador,:Si) MATCHING (tarjeta,controlador)"))
            .bind(QStringLiteral("controlador"), controlador)
            .bind(QStringLiteral("Si"), QStringLiteral("S"));
        auto nuevoTitular = [&] {
            titular.exec();
            if (!titular.next())
                throw DbError(QStringLiteral("INSERT INTO dorqusuario returned no id"), QString());
            const int id = titular.integer(0);
            titular.close();
            return id;
        };
        for (const QString& codigo : codigos) {
            busca.bind(QStringLiteral("codigo"), codigo).exec();
            const bool existe = busca.next();
            const bool conTitular = existe && !busca.value(1).isNull();
            busca.close();
            if (!existe) {
                const int id = nuevoTitular();
                tarjeta.bind(QStringLiteral("cod_tarjeta"), codigo)
                    .bind(QStringLiteral("fecha_Alta"), timestamp(QDateTime::currentDateTime()))
                    .bind(QStringLiteral("usuario"), id)
                    .exec();
            } else if (!conTitular) {
                asigna.bind(QStringLiteral("usuario"), nuevoTitular())
                    .bind(QStringLiteral("codigo"), codigo)
                    .exec();
            }
            fila.bind(QStringLiteral("codigo_tarjeta"), codigo).exec();
        }
    });
}

int DORQColeccionTarjeta::Cuenta_Asignaciones() {
    return Db::scalar(db(), QStringLiteral("select count(*) as tamanyo from dorqcontroladortarjeta")).toInt();
}

void DORQColeccionTarjeta::Lee_Asignaciones(QList<int>& controladores, QStringList& codigos) {
    codigos.resize(controladores.size());
    Query q(db());
    q.prepare(QStringLiteral("select * from dorqcontroladortarjeta order by controlador")).exec();
    qsizetype i = 0;
    for (; i < controladores.size() && q.next(); ++i) {
        controladores[i] = q.integer(1);
        codigos[i] = q.text(0);
    }
    // Fewer rows than the caller counted (deleted meanwhile): no stale entries at the end.
    controladores.resize(i);
    codigos.resize(i);
}

int DORQColeccionTarjeta::Cuenta_Tarjetas_Controlador(int controlador) {
    return Db::scalar(db(),
                      QStringLiteral(
                          "SELECT Count(*) As Total_tj FROM dorqcontroladortarjeta WHERE controlador= :cod"),
                      {{QStringLiteral("cod"), controlador}})
        .toInt();
}

bool DORQColeccionTarjeta::Tiene_Asignaciones(const QString& codigo) {
    return Db::scalar(db(),
                      QStringLiteral(
                          "SELECT Count(*) As Total_tj FROM dorqcontroladortarjeta WHERE tarjeta= :tarjeta"),
                      {{QStringLiteral("tarjeta"), codigo}})
               .toInt() != 0;
}

} // namespace kestrum::store
