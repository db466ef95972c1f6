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

#include <ctime>

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

// Every timestamp a store loads is local wall-clock time; without TZ, glibc looks at /etc/localtime
// again for each conversion (a file system call per date, 40,000 of them per cards load).
static void zonaHorariaFija() {
    if (qEnvironmentVariableIsEmpty("TZ")) {
        qputenv("TZ", ":/etc/localtime");
        ::tzset();
    }
}

std::unique_ptr<Ventanas> creaVentanas() {
    zonaHorariaFija();
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
