#include "udorqcoleccionusuario.h"

#include "dbconnection.h"
#include "udorqusuario.h"

namespace kestrum::store {

DORQColeccionUsuario::DORQColeccionUsuario(DORQSistema* installation, const QString& dbPath)
    : DORQColeccion(installation, dbPath) {
    orden_ = QStringLiteral("id");
    Carga();
}

DORQColeccionUsuario::~DORQColeccionUsuario() = default;

void DORQColeccionUsuario::Carga() {
    Query q(db());
    q.prepare(QStringLiteral("select id,nombre,apellidos,fotografia from dorqusuario order by ") + orden_)
        .exec();
    std::vector<std::shared_ptr<DORQUsuario>> items;
    QHash<int, int> byId;
    while (q.next()) {
        auto u = std::make_shared<DORQUsuario>();
        u->setFotografia(q.text(3));
        u->setApellidos(q.text(2));
        u->setNombre(q.text(1));
        u->setId(q.integer(0));
        u->setColeccion(this);
        if (!byId.contains(u->id()))
            byId.insert(u->id(), static_cast<int>(items.size()));
        items.push_back(std::move(u));
    }
    items_ = std::move(items);
    byId_ = std::move(byId);
}

std::shared_ptr<DORQUsuario> DORQColeccionUsuario::Busca_Usuario(int id) const {
    const auto it = byId_.constFind(id);
    return it == byId_.cend() ? nullptr : items_[static_cast<std::size_t>(*it)];
}

int DORQColeccionUsuario::Busca_Id(const QString& nombre, const QString& apellidos) {
    // Older versions stored an empty text as NULL.
    const QVariant id =
        Db::scalar(db(),
                   QStringLiteral("select * from dorqusuario where COALESCE(nombre,'')=:Nombre and "
                                  "COALESCE(apellidos,'') =:Apellidos"),
                   {{QStringLiteral("Nombre"), nombre}, {QStringLiteral("Apellidos"), apellidos}});
    Carga();
    return id.isValid() ? id.toInt() : -1;
}

int DORQColeccionUsuario::Crea_Usuario(const DORQUsuario& u) {
    // The id comes from the insert itself: on a shared server another console may move the
    // generator between an insert and a later read of its value.
    const QVariant id = Db::scalar(
        db(),
        QStringLiteral(
            "INSERT INTO dorqusuario(id,nombre,apellidos,permanente,fotografia) "
            "VALUES(gen_id(GEN_DORQUSUARIO_ID, 1),:nombre,:apellidos,:permanente,:fotografia) RETURNING id"),
        {{QStringLiteral("nombre"), u.nombre()},
         {QStringLiteral("apellidos"), u.apellidos()},
         {QStringLiteral("permanente"), QStringLiteral("S")},
         {QStringLiteral("fotografia"), u.fotografia()}});
    if (!id.isValid())
        throw DbError(QStringLiteral("INSERT INTO dorqusuario returned no id"), QString());
    Carga();
    return id.toInt();
}

bool DORQColeccionUsuario::Modifica_Usuario(const DORQUsuario& u) {
    Db::exec(db(),
             QStringLiteral("UPDATE dorqusuario SET nombre= :nombre, "
                            "apellidos=:apellidos,fotografia=:fotografia WHERE id=:id"),
             {{QStringLiteral("nombre"), u.nombre()},
              {QStringLiteral("apellidos"), u.apellidos()},
              {QStringLiteral("fotografia"), u.fotografia()},
              {QStringLiteral("id"), u.id()}});
    Carga();
    return true;
}

void DORQColeccionUsuario::Borra_Usuario(const DORQUsuario& u) {
    Db::exec(db(), QStringLiteral("DELETE FROM dorqusuario WHERE id=:id"), {{QStringLiteral("id"), u.id()}});
    Carga();
}

void DORQColeccionUsuario::Vacia_Usuarios() {
    Db::exec(db(), QStringLiteral("DELETE FROM dorqusuario "));
    Carga();
}

TTarjetaLista DORQColeccionUsuario::Lista_Tarjetas_Usuario(const DORQUsuario& u) const {
    return u.Lista_Tarjetas();
}

} // namespace kestrum::store
