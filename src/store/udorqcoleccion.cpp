#include "udorqcoleccion.h"

#include "dbconnection.h"

namespace kestrum::store {

DORQColeccion::DORQColeccion(DORQSistema* installation, const QString& dbPath)
    : installation_(installation), dbPath_(dbPath), db_(Db::connect(dbPath)) {}

DORQColeccion::~DORQColeccion() {
    Cierra();
}

void DORQColeccion::Cierra() {
    Db::disconnect(db_);
}

void DORQColeccion::Reconecta() {
    Db::disconnect(db_);
    db_ = Db::connect(dbPath_);
}

} // namespace kestrum::store
