#include "listados.h"

#include "Lang.h"
#include "Variables.h"
#include "dbconnection.h"
#include "udorqserver.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace kestrum::reports {

namespace {

constexpr int CAMPOS = 13;

// The report captions of the language: F_Main_CAMPO_<n>, with CAMPO_4's text for the missing 6.
QString textoCampo(const QString& idioma, int n) {
    return config::Lang::instance().text(idioma, QStringLiteral("F_Main_CAMPO_%1").arg(n == 6 ? 4 : n));
}

} // namespace

const QList<Listado>& listados() {
    static const QList<Listado> todos = {
        {1, "users", "SELECT nombre,apellidos FROM dorqusuario\nORDER BY nombre", "users"},
        {2, "cards",
         "SELECT codigo_tarjeta,fecha_alta,fecha_caducidad,usar_fecha_cad from dorqtarjeta\n"
         "ORDER BY codigo_tarjeta",
         "cards"},
        {3, "controllers", "SELECT cod, puerto_serie, descripcion FROM dorqcontrolador\nORDER BY cod",
         "controllers"},
        {4, "cards-per-user",
         "SELECT dorqusuario.id,dorqusuario.nombre, dorqusuario.apellidos, dorqtarjeta.codigo_tarjeta FROM "
         "dorqusuario, dorqtarjeta WHERE dorqusuario.id = dorqtarjeta.usuario\n"
         "ORDER BY dorqusuario.nombre",
         "cards per user"},
    };
    return todos;
}

const Listado* listadoDeNodo(int nodo) {
    for (const Listado& l : listados()) {
        if (l.nodo == nodo)
            return &l;
    }
    return nullptr;
}

const Listado* listadoDeNombre(const QString& nombre) {
    for (const Listado& l : listados()) {
        if (nombre == QLatin1String(l.nombre))
            return &l;
    }
    return nullptr;
}

void Graba_Textos_Informes(const QSqlDatabase& catalogo, const QString& idioma) {
    store::Db::exec(catalogo, QStringLiteral("Delete from LANGREP"));
    QVariantMap values{{QStringLiteral("IDIOMA"), idioma}};
    for (int n = 1; n <= CAMPOS; ++n)
        values.insert(QStringLiteral("CAMPO_%1").arg(n), textoCampo(idioma, n));
    store::Db::exec(catalogo,
                    QStringLiteral("Insert Into LANGREP(Idioma,campo_1,campo_2,campo_3,campo_4,campo_5,"
                                   "campo_6,campo_7,campo_8,campo_9,campo_10,campo_11,campo_12,campo_13)"
                                   " Values(:IDIOMA,:CAMPO_1,:CAMPO_2,:CAMPO_3,:CAMPO_4,:CAMPO_5,:CAMPO_6,"
                                   ":CAMPO_7,:CAMPO_8,:CAMPO_9,:CAMPO_10,:CAMPO_11,:CAMPO_12,:CAMPO_13)"),
                    values);
}

QString idiomaInformes(const QSqlDatabase& catalogo) {
    const QString langrep =
        store::Db::scalar(catalogo, QStringLiteral("SELECT IDIOMA FROM LANGREP")).toString();
    if (!langrep.isEmpty())
        return langrep;
    const QStringList languages = config::Lang::instance().languages();
    const QString settings = config::Variables::instance().language;
    return languages.contains(settings, Qt::CaseInsensitive) ? settings : languages.value(0);
}

QHash<QString, QString> Lee_Textos_Informes(const QSqlDatabase& catalogo) {
    auto& lang = config::Lang::instance();
    QHash<QString, QString> textos;
    textos.insert(QStringLiteral("pagina_de"), lang.text(QStringLiteral("KS_Report_Page_of")));
    const Datos langrep = consulta(catalogo, QStringLiteral("SELECT * FROM LANGREP"));
    if (langrep.filas.isEmpty()) {
        for (int n = 1; n <= CAMPOS; ++n)
            textos.insert(QStringLiteral("campo_%1").arg(n),
                          lang.text(QStringLiteral("F_Main_CAMPO_%1").arg(n == 6 ? 4 : n)));
        return textos;
    }
    for (int c = 0; c < langrep.campos.size(); ++c)
        textos.insert(langrep.campos[c].toLower(), langrep.filas.first().value(c).toString());
    return textos;
}

QString nombreInstalacion(store::DORQServer& servidor, const QString& codigo) {
    // The catalogue lists "code.- name".
    for (const QString& entry : servidor.Lista_Instalaciones()) {
        const qsizetype cut = entry.indexOf(QLatin1String(".- "));
        if (cut >= 0 && entry.left(cut) == codigo)
            return entry.mid(cut + 3);
    }
    return {};
}

Datos leeDatos(QSqlQuery& query) {
    Datos datos;
    const QSqlRecord record = query.record();
    for (int c = 0; c < record.count(); ++c)
        datos.campos << record.fieldName(c);
    while (query.next()) {
        QVariantList fila;
        fila.reserve(record.count());
        for (int c = 0; c < record.count(); ++c)
            fila << query.value(c);
        datos.filas << fila;
    }
    return datos;
}

Datos consulta(const QSqlDatabase& db, const QString& sql) {
    store::Query q(db);
    q.prepare(sql).exec();
    Datos datos = leeDatos(q.raw());
    q.close();
    return datos;
}

std::optional<Informe> preparaListado(const Listado& listado, const QSqlDatabase& instalacion,
                                      const QHash<QString, QString>& textos,
                                      QHash<QString, QString> variables) {
    Informe informe;
    if (!informe.LoadFromFile(definicion(QLatin1String(listado.definicion))))
        return std::nullopt;
    informe.setDatos(consulta(instalacion, QLatin1String(listado.consulta)));
    informe.setTextos(textos);
    variables.insert(
        QStringLiteral("listado"),
        config::Lang::instance().text(QStringLiteral("F_Main_Arbol_REPORTS_Items%1_Text").arg(listado.nodo)));
    informe.setVariables(variables);
    informe.PrepareReport();
    return informe;
}

} // namespace kestrum::reports
