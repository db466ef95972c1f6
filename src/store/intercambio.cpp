#include "intercambio.h"

#include "Lang.h"
#include "dbconnection.h"
#include "kerror.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcoleccionusuario.h"
#include "udorqsistema.h"
#include "udorqtarjeta.h"
#include "udorqusuario.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>

namespace kestrum::store {

namespace {

// The sheet's first data row is its second.
constexpr int PRIMERA_FILA = 2;

class Transaccion {
public:
    explicit Transaccion(const QString& ruta) : db_(Db::connect(ruta)) {
        if (!db_.transaction()) {
            const QSqlError e = db_.lastError();
            Db::disconnect(db_);
            raise(e, QStringLiteral("start of the import"));
        }
    }
    ~Transaccion() {
        if (!hecha_)
            db_.rollback();
        Db::disconnect(db_);
    }
    Transaccion(const Transaccion&) = delete;
    Transaccion& operator=(const Transaccion&) = delete;

    const QSqlDatabase& db() const { return db_; }
    void confirma() {
        if (!db_.commit())
            raise(db_.lastError(), QStringLiteral("commit of the import"));
        hecha_ = true;
    }

private:
    QSqlDatabase db_;
    bool hecha_ = false;
};

QString clave(const QString& nombre, const QString& apellidos) {
    return nombre + QChar(0x1F) + apellidos;
}

} // namespace

QStringList cabeceraHoja() {
    const config::Lang& lang = config::Lang::instance();
    QStringList out;
    for (const char* key : {"F_Main_CAMPO_4", "F_Main_CAMPO_2", "F_Main_CAMPO_3"}) {
        QString texto = lang.text(QLatin1String(key));
        // No language chosen yet (a data root the console never opened): the file's first one.
        if (texto == config::Lang::missingText())
            texto = lang.text(lang.languages().value(0), QLatin1String(key));
        out << texto;
    }
    return out;
}

std::vector<FilaHoja> filasExportacion(const DORQSistema& sistema) {
    std::vector<FilaHoja> out;
    const DORQColeccionTarjeta& tarjetas = *sistema.Tarjetas();
    out.reserve(static_cast<std::size_t>(tarjetas.Cuenta()));
    for (int i = 0; i < tarjetas.Cuenta(); ++i) {
        const auto t = tarjetas.Tarjeta(i);
        const auto& u = t->usuario();
        out.push_back({t->codigo_tarjeta(), u ? u->nombre() : QString(), u ? u->apellidos() : QString()});
    }
    return out;
}

QString codigoImportado(const QString& codigo) {
    return codigo.trimmed().rightJustified(DORQTarjeta::LONGITUD_CODIGO, QLatin1Char('0'));
}

bool codigoValido(const QString& codigo) {
    static const QRegularExpression digitos(QStringLiteral("^[0-9]{1,10}$"));
    return digitos.match(codigo.trimmed()).hasMatch();
}

ResultadoImportacion importaFilas(DORQSistema& sistema, const std::vector<FilaHoja>& filas,
                                  const QList<int>& controladores, bool reemplaza,
                                  const std::function<void(int, const FilaHoja&)>& progreso) {
    ResultadoImportacion r;
    {
        Transaccion t(sistema.RutaBD());
        const QSqlDatabase& db = t.db();
        if (reemplaza) {
            for (const char* tabla : {"DORQCONTROLADORTARJETA", "DORQTARJETA", "DORQUSUARIO"})
                Db::exec(db, QStringLiteral("DELETE FROM %1").arg(QLatin1String(tabla)));
        }
        QSet<QString> codigos;
        {
            Query q(db);
            q.prepare(QStringLiteral("SELECT CODIGO_TARJETA FROM DORQTARJETA")).exec();
            while (q.next())
                codigos.insert(q.text(0));
        }
        // The first holder of those names, as the holder look-up finds it.
        QHash<QString, int> titulares;
        {
            Query q(db);
            q.prepare(
                 QStringLiteral("SELECT ID, COALESCE(NOMBRE,''), COALESCE(APELLIDOS,'') FROM DORQUSUARIO "
                                "ORDER BY ID"))
                .exec();
            while (q.next()) {
                const QString k = clave(q.text(1), q.text(2));
                if (!titulares.contains(k))
                    titulares.insert(k, q.integer(0));
            }
        }
        Query titular(db);
        titular.prepare(
            QStringLiteral("INSERT INTO DORQUSUARIO(ID,NOMBRE,APELLIDOS,PERMANENTE,FOTOGRAFIA) "
                           "VALUES(gen_id(GEN_DORQUSUARIO_ID, 1),:nombre,:apellidos,'S','') RETURNING ID"));
        Query tarjeta(db);
        tarjeta.prepare(
            QStringLiteral("INSERT INTO DORQTARJETA(CODIGO_TARJETA,BLOQUEADO,FECHA_ALTA,FECHA_CADUCIDAD,"
                           "USUARIO,USAR_FECHA_CAD) VALUES(:codigo,'N',:alta,NULL,:usuario,'N')"));
        Query asignacion(db);
        asignacion.prepare(
            QStringLiteral("INSERT INTO DORQCONTROLADORTARJETA VALUES(:codigo,:controlador,'N')"));
        const QDateTime ahora = QDateTime::currentDateTime();

        for (std::size_t i = 0; i < filas.size(); ++i) {
            const FilaHoja& fila = filas[i];
            if (progreso)
                progreso(static_cast<int>(i), fila);
            if (!codigoValido(fila.codigo)) {
                ++r.invalidas;
                continue;
            }
            const QString codigo = codigoImportado(fila.codigo);
            if (codigos.contains(codigo)) {
                ++r.existentes;
                continue;
            }
            try {
                const QString k = clave(fila.nombre, fila.apellidos);
                int id = titulares.value(k, -1);
                if (id < 0) {
                    titular.bind(QStringLiteral("nombre"), fila.nombre)
                        .bind(QStringLiteral("apellidos"), fila.apellidos)
                        .exec();
                    if (!titular.next())
                        throw Error(QStringLiteral("the new holder's id was not returned"));
                    id = titular.integer(0);
                    titular.close();
                    titulares.insert(k, id);
                    ++r.titulares;
                }
                tarjeta.bind(QStringLiteral("codigo"), codigo)
                    .bind(QStringLiteral("alta"), ahora)
                    .bind(QStringLiteral("usuario"), id)
                    .exec();
                for (const int c : controladores)
                    asignacion.bind(QStringLiteral("codigo"), codigo)
                        .bind(QStringLiteral("controlador"), c)
                        .exec();
            } catch (const Error& e) {
                throw Error(QStringLiteral("row %1 (%2): %3")
                                .arg(static_cast<int>(i) + PRIMERA_FILA)
                                .arg(fila.codigo, e.message()));
            }
            codigos.insert(codigo);
            ++r.anyadidas;
        }
        t.confirma();
    }
    sistema.Usuarios()->Carga();
    sistema.Tarjetas()->Carga();
    return r;
}

} // namespace kestrum::store
