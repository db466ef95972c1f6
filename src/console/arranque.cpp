#include "arranque.h"

#include "F_Login_APP.h"
#include "Lang.h"
#include "UF_Gestion_BD.h"
#include "UF_Main.h"
#include "Variables.h"
#include "consola.h"
#include "dataroot.h"
#include "dbconnection.h"
#include "errores.h"
#include "portmap.h"
#include "udorqcomunicador.h"

namespace kestrum::ui {

namespace {

// What the settings decide below the windows: the database server, the serial devices and the
// texts of the controllers' state codes.
void conectaEntorno() {
    const auto& v = config::Variables::instance();
    store::Db::prepareEnvironment(config::DataRoot::file(QStringLiteral("firebird-lock")));
    store::Db::setServer({v.databaseHost(), v.databaseUser(), v.databasePassword()});
    link::PortMap::setResolver([](int port) { return config::Variables::instance().serialDevice(port); });
    link::DORQComunicador::setTextLookup(
        [](const QString& key) { return config::Lang::instance().mensaje(key); });
}

} // namespace

Ventanas::~Ventanas() {
    // The windows go before the installation they show.
    main.reset();
    gestion.reset();
    login.reset();
}

std::unique_ptr<Ventanas> creaVentanas() {
    auto v = std::make_unique<Ventanas>();
    v->login = std::make_unique<F_Login>();
    v->login->FormCreate();
    conectaEntorno();
    v->gestion = std::make_unique<F_Gestion_BD>();
    v->gestion->FormCreate();
    v->main = std::make_unique<F_Main>();
    v->main->setVentanas(v->login.get(), v->gestion.get());
    v->login->setMain(v->main.get());
    protegido([&] { v->main->FormCreate(); });
    return v;
}

} // namespace kestrum::ui
