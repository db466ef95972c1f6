#include "transferencias.h"

#include "operacion.h"
#include "timings.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcoleccionusuario.h"
#include "udorqcontrolador.h"
#include "udorqsistema.h"

#include <algorithm>
#include <map>

namespace kestrum::ops {

namespace {

using Orden = link::DORQComunicador::Orden;
using link::DORQComunicador;
using link::Trama_GenVorna;

// The system's message when the controller's own port is not open; empty when it is.
QString errorPuerto(const store::DORQControlador& c) {
    link::DORQComunicador* com = c.Comunicador();
    return com && com->link().isOpen() ? QString() : c.ultimoError();
}

// Waits for the runner, then ends what the runner left open (a cancel, an error) with `cierra`,
// then reloads with `recarga`. The first error of all of these comes out once every step ran: an
// error on one controller must not keep another one's results from being written.
template <class Cierra, class Recarga> void concluye(PortRunner& runner, Cierra&& cierra, Recarga&& recarga) {
    std::exception_ptr error;
    auto guarda = [&](auto&& paso) {
        try {
            paso();
        } catch (...) {
            if (!error)
                error = std::current_exception();
        }
    };
    guarda([&] { runner.espera(); });
    cierra(guarda);
    guarda(recarga);
    if (error)
        std::rethrow_exception(error);
}

} // namespace

std::vector<std::shared_ptr<store::DORQControlador>> controladores(const store::DORQSistema& s) {
    std::vector<std::shared_ptr<store::DORQControlador>> out;
    if (const auto* store = s.Controladores()) {
        for (int i = 0; i < store->Cuenta(); ++i) {
            if (auto c = store->Controlador(i))
                out.push_back(std::move(c));
        }
    }
    return out;
}

ProgresoLector progresoDe(const store::DORQControlador& c) {
    ProgresoLector p;
    p.numero = c.cod();
    p.descripcion = c.descripcion();
    p.puerto = c.puerto_serie();
    return p;
}

std::vector<std::shared_ptr<store::DORQControlador>> controladores(const store::DORQSistema& s,
                                                                   const QList<int>& numeros) {
    if (numeros.isEmpty())
        return controladores(s);
    std::vector<std::shared_ptr<store::DORQControlador>> lista;
    for (const int n : numeros)
        lista.push_back(s.Controladores() ? s.Controladores()->Busca_Controlador(n) : nullptr);
    return lista;
}

TestTodos::TestTodos(store::DORQSistema& s, QObject* parent) : QObject(parent), sistema_(s) {}

std::vector<TestTodos::Resultado> TestTodos::ejecuta(const QList<int>& numeros) {
    const auto lista = controladores(sistema_, numeros);
    std::vector<Resultado> resultados(lista.size());
    for (std::size_t i = 0; i < lista.size(); ++i) {
        Resultado& r = resultados[i];
        const auto& c = lista[i];
        r.numero = c ? c->cod() : numeros.at(static_cast<qsizetype>(i));
        if (!c) {
            emit resultado(r);
            continue;
        }
        runner_.encola(c, DORQComunicador::Orden_Testear(), [this, &r, c](const Trama_GenVorna& reply) {
            r.info = DORQComunicador::Decodifica_Test(reply);
            // A controller that answered over a line another controller holds open has no port error.
            r.errorPuerto = r.info.Ok == 1 ? QString() : errorPuerto(*c);
            emit resultado(r);
        });
    }
    runner_.espera();
    return resultados;
}

// One controller's run of a send.
struct EnvioTotal::Envio {
    std::size_t indice = 0;
    std::shared_ptr<store::DORQControlador> controlador;
    QList<std::pair<QString, bool>> cargas; // card code, load flag
    QStringList confirmadas;
    bool terminado = false;
};

EnvioTotal::EnvioTotal(store::DORQSistema& s, QObject* parent) : QObject(parent), sistema_(s) {}

EnvioTotal::~EnvioTotal() = default;

int EnvioTotal::hechas() const {
    int n = 0;
    for (const auto& p : lectores_)
        n += p.hechas;
    return n;
}

int EnvioTotal::total() const {
    int n = 0;
    for (const auto& p : lectores_)
        n += p.total;
    return n;
}

void EnvioTotal::cancela() {
    runner_.cancela();
}

void EnvioTotal::ejecuta() {
    store::DORQColeccionTarjeta& tarjetas = *sistema_.Tarjetas();
    lectores_.clear();
    envios_.clear();
    QList<int> numeros(tarjetas.Cuenta_Asignaciones());
    QStringList codigos;
    tarjetas.Lee_Asignaciones(numeros, codigos);
    // Every row is pending until its card is acknowledged: a run cut short (even by a crash)
    // leaves no row "S" that was not acknowledged after the empty.
    tarjetas.Marca_Todas_Pendientes();

    std::map<int, Envio*> porNumero;
    for (const auto& c : controladores(sistema_)) {
        auto e = std::make_unique<Envio>();
        e->indice = lectores_.size();
        e->controlador = c;
        porNumero.emplace(c->cod(), e.get());
        lectores_.push_back(progresoDe(*c));
        envios_.push_back(std::move(e));
    }
    for (qsizetype i = 0; i < numeros.size(); ++i) {
        // The rows come ordered by controller: the flag marks the last card of each run.
        const bool ultima = i + 1 == numeros.size() || numeros.at(i + 1) != numeros.at(i);
        const auto it = porNumero.find(numeros.at(i));
        if (it == porNumero.end()) {
            qCDebug(lcOps) << "send: card" << codigos.at(i) << "of controller" << numeros.at(i)
                           << "not in the store, left pending";
            continue;
        }
        it->second->cargas.append({codigos.at(i), ultima});
    }
    for (auto& e : envios_) {
        lectores_[e->indice].total = static_cast<int>(e->cargas.size());
        Envio* envio = e.get();
        runner_.encola(
            e->controlador, DORQComunicador::Orden_Vaciar(),
            [this, envio](const Trama_GenVorna& r) { vaciado(*envio, DORQComunicador::Confirmado(r)); });
    }
    concluye(
        runner_,
        [this](auto& guarda) {
            for (auto& e : envios_) {
                if (!e->terminado)
                    guarda([&] { termina(*e, EstadoLector::Cancelado); });
            }
        },
        [&tarjetas] { tarjetas.Carga(); });
}

void EnvioTotal::vaciado(Envio& e, bool confirmado) {
    ProgresoLector& p = lectores_[e.indice];
    if (!confirmado) {
        // Its cards would each cost a time-out; they stay pending.
        p.hechas = p.total;
        termina(e, EstadoLector::NoContesta);
        return;
    }
    p.estado = EstadoLector::Enviando;
    emit progreso(static_cast<int>(e.indice));
    if (e.cargas.isEmpty()) {
        termina(e, EstadoLector::Hecho);
        return;
    }
    for (const auto& [codigo, ultima] : e.cargas) {
        runner_.encola(e.controlador, DORQComunicador::Orden_Lote(codigo, ultima),
                       [this, &e, codigo](const Trama_GenVorna& r) {
                           cargada(e, codigo, DORQComunicador::Confirmado(r));
                       });
    }
}

void EnvioTotal::cargada(Envio& e, const QString& codigo, bool confirmado) {
    ProgresoLector& p = lectores_[e.indice];
    ++p.hechas;
    p.ultimo = codigo;
    if (confirmado) {
        ++p.confirmadas;
        e.confirmadas << codigo;
    }
    emit progreso(static_cast<int>(e.indice));
    if (p.hechas == p.total)
        termina(e, EstadoLector::Hecho);
}

void EnvioTotal::termina(Envio& e, EstadoLector estado) {
    if (e.terminado)
        return;
    e.terminado = true;
    lectores_[e.indice].estado = estado;
    sistema_.Tarjetas()->Marca_Almacenadas(e.controlador->cod(), e.confirmadas);
    emit progreso(static_cast<int>(e.indice));
}

LecturaMemoria::LecturaMemoria(PortRunner& runner, std::shared_ptr<store::DORQControlador> c,
                               ProgresoLector& progreso, Aviso alCambiar, Aviso alTerminar)
    : runner_(runner), controlador_(std::move(c)), p_(progreso), alCambiar_(std::move(alCambiar)),
      alTerminar_(std::move(alTerminar)) {}

void LecturaMemoria::inicia() {
    runner_.encola(controlador_, DORQComunicador::Orden_Testear(),
                   [this](const Trama_GenVorna& r) { testeado(DORQComunicador::Decodifica_Test(r)); });
}

QStringList LecturaMemoria::codigos() const {
    QStringList out;
    for (const QString& c : leidas_) {
        if (!c.isEmpty())
            out << c;
    }
    return out;
}

bool LecturaMemoria::completa() const {
    return iniciada_ &&
           std::none_of(leidas_.begin(), leidas_.end(), [](const QString& c) { return c.isEmpty(); });
}

void LecturaMemoria::testeado(const link::TTest_Informacion& info) {
    if (info.Ok != 1) {
        termina(EstadoLector::NoContesta);
        return;
    }
    if (info.Version < VERSION_MINIMA) {
        termina(EstadoLector::NoPuedeRecibir);
        return;
    }
    p_.total = std::clamp(info.Num_Tarjetas.toInt(), 0, 0xFFFF);
    p_.estado = EstadoLector::Recibiendo;
    leidas_.assign(static_cast<std::size_t>(p_.total), QString());
    iniciada_ = true;
    alCambiar_();
    pasada();
}

void LecturaMemoria::pasada() {
    std::vector<int> posiciones;
    for (std::size_t i = 0; i < leidas_.size(); ++i) {
        if (leidas_[i].isEmpty())
            posiciones.push_back(static_cast<int>(i) + 1);
    }
    if (posiciones.empty() || p_.pasada == PASADAS) {
        termina(EstadoLector::Hecho);
        return;
    }
    ++p_.pasada;
    p_.hechas = 0;
    alCambiar_();
    for (const int posicion : posiciones) {
        const bool ultima = posicion == posiciones.back();
        runner_.encola(controlador_, DORQComunicador::Orden_Leer(static_cast<quint16>(posicion)),
                       [this, posicion, ultima](const Trama_GenVorna& r) {
                           leida(posicion, DORQComunicador::Decodifica_Lectura(r), ultima);
                       });
    }
}

void LecturaMemoria::leida(int posicion, const QString& codigo, bool ultimaDeLaPasada) {
    ++p_.hechas;
    if (!codigo.isEmpty()) {
        leidas_[static_cast<std::size_t>(posicion - 1)] = codigo;
        ++p_.confirmadas;
        p_.ultimo = codigo;
    }
    alCambiar_();
    if (!ultimaDeLaPasada)
        return;
    // The controller gets its breath after a pass before anything else on its line.
    runner_.pausaExtra(controlador_, timings().passWaitMs);
    pasada();
}

void LecturaMemoria::termina(EstadoLector estado) {
    if (terminada_)
        return;
    terminada_ = true;
    p_.estado = estado;
    alTerminar_();
    alCambiar_();
}

RecepcionTotal::RecepcionTotal(store::DORQSistema& s, QObject* parent) : QObject(parent), sistema_(s) {}

RecepcionTotal::~RecepcionTotal() = default;

std::vector<RecepcionTotal::Preparado> RecepcionTotal::prepara() {
    const auto lista = controladores(sistema_);
    QList<int> numeros;
    for (const auto& c : lista)
        numeros << c->cod();
    TestTodos test(sistema_);
    const auto resultados = numeros.isEmpty() ? std::vector<TestTodos::Resultado>() : test.ejecuta(numeros);
    std::vector<Preparado> out;
    for (std::size_t i = 0; i < lista.size(); ++i) {
        Preparado p;
        p.numero = lista[i]->cod();
        p.descripcion = lista[i]->descripcion();
        p.puerto = lista[i]->puerto_serie();
        p.info = resultados[i].info;
        p.puedeRecibir = p.info.Ok == 1 && p.info.Version >= VERSION_MINIMA;
        out.push_back(std::move(p));
    }
    return out;
}

void RecepcionTotal::cancela() {
    runner_.cancela();
}

void RecepcionTotal::ejecuta() {
    lecturas_.clear();
    const auto lista = controladores(sistema_);
    lectores_.clear();
    for (const auto& c : lista)
        lectores_.push_back(progresoDe(*c));
    for (std::size_t i = 0; i < lista.size(); ++i) {
        const int indice = static_cast<int>(i);
        auto l = std::make_unique<LecturaMemoria>(
            runner_, lista[i], lectores_[i], [this, indice] { emit progreso(indice); },
            [this, i] { guarda(*lecturas_[i]); });
        lecturas_.push_back(std::move(l));
    }
    for (auto& l : lecturas_)
        l->inicia();
    concluye(
        runner_,
        [this](auto& guarda) {
            for (auto& l : lecturas_)
                guarda([&] { l->termina(EstadoLector::Cancelado); });
        },
        [this] {
            // Holders first: the cards find their holders in the users store while loading.
            sistema_.Usuarios()->Carga();
            sistema_.Tarjetas()->Carga();
        });
}

// Written when the controller's reading ends, in one transaction, so that the database does not
// slow the reading of the others.
void RecepcionTotal::guarda(const LecturaMemoria& l) {
    if (l.iniciada())
        sistema_.Tarjetas()->Guarda_Recepcion(l.controlador()->cod(), l.codigos(), l.completa());
}

} // namespace kestrum::ops
