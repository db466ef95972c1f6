#include "transferencias.h"

#include "operacion.h"
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

// The system's message when the controller's own port is not open; empty when it is.
QString errorPuerto(const store::DORQControlador& c) {
    link::DORQComunicador* com = c.Comunicador();
    return com && com->link().isOpen() ? QString() : c.ultimoError();
}

ProgresoLector progresoDe(const store::DORQControlador& c) {
    ProgresoLector p;
    p.numero = c.cod();
    p.descripcion = c.descripcion();
    p.puerto = c.puerto_serie();
    return p;
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

TestTodos::TestTodos(store::DORQSistema& s, QObject* parent) : QObject(parent), sistema_(s) {}

std::vector<TestTodos::Resultado> TestTodos::ejecuta(const QList<int>& numeros) {
    std::vector<std::shared_ptr<store::DORQControlador>> lista;
    if (numeros.isEmpty()) {
        lista = controladores(sistema_);
    } else {
        for (const int n : numeros)
            lista.push_back(sistema_.Controladores() ? sistema_.Controladores()->Busca_Controlador(n)
                                                     : nullptr);
    }
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

// One controller's reading.
struct RecepcionTotal::Lectura {
    std::size_t indice = 0;
    std::shared_ptr<store::DORQControlador> controlador;
    std::vector<QString> leidas; // by position - 1; empty while not read
    bool iniciada = false;       // the test answered and positions are being read
    bool terminada = false;
};

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
    lectores_.clear();
    lecturas_.clear();
    for (const auto& c : controladores(sistema_)) {
        auto l = std::make_unique<Lectura>();
        l->indice = lectores_.size();
        l->controlador = c;
        lectores_.push_back(progresoDe(*c));
        lecturas_.push_back(std::move(l));
    }
    for (auto& l : lecturas_) {
        Lectura* lectura = l.get();
        runner_.encola(l->controlador, DORQComunicador::Orden_Testear(),
                       [this, lectura](const Trama_GenVorna& r) {
                           testeado(*lectura, DORQComunicador::Decodifica_Test(r));
                       });
    }
    concluye(
        runner_,
        [this](auto& guarda) {
            for (auto& l : lecturas_) {
                if (!l->terminada)
                    guarda([&] { termina(*l, EstadoLector::Cancelado); });
            }
        },
        [this] {
            // Holders first: the cards find their holders in the users store while loading.
            sistema_.Usuarios()->Carga();
            sistema_.Tarjetas()->Carga();
        });
}

void RecepcionTotal::testeado(Lectura& l, const link::TTest_Informacion& info) {
    if (info.Ok != 1) {
        termina(l, EstadoLector::NoContesta);
        return;
    }
    if (info.Version < VERSION_MINIMA) {
        termina(l, EstadoLector::NoPuedeRecibir);
        return;
    }
    ProgresoLector& p = lectores_[l.indice];
    p.total = std::clamp(info.Num_Tarjetas.toInt(), 0, 0xFFFF);
    p.estado = EstadoLector::Recibiendo;
    l.leidas.assign(static_cast<std::size_t>(p.total), QString());
    l.iniciada = true;
    emit progreso(static_cast<int>(l.indice));
    pasada(l);
}

void RecepcionTotal::pasada(Lectura& l) {
    ProgresoLector& p = lectores_[l.indice];
    std::vector<int> posiciones;
    for (std::size_t i = 0; i < l.leidas.size(); ++i) {
        if (l.leidas[i].isEmpty())
            posiciones.push_back(static_cast<int>(i) + 1);
    }
    if (posiciones.empty() || p.pasada == PASADAS) {
        termina(l, EstadoLector::Hecho);
        return;
    }
    ++p.pasada;
    p.hechas = 0;
    emit progreso(static_cast<int>(l.indice));
    for (const int posicion : posiciones) {
        const bool ultima = posicion == posiciones.back();
        runner_.encola(l.controlador, DORQComunicador::Orden_Leer(static_cast<quint16>(posicion)),
                       [this, &l, posicion, ultima](const Trama_GenVorna& r) {
                           leida(l, posicion, DORQComunicador::Decodifica_Lectura(r), ultima);
                       });
    }
}

void RecepcionTotal::leida(Lectura& l, int posicion, const QString& codigo, bool ultimaDeLaPasada) {
    ProgresoLector& p = lectores_[l.indice];
    ++p.hechas;
    if (!codigo.isEmpty()) {
        l.leidas[static_cast<std::size_t>(posicion - 1)] = codigo;
        ++p.confirmadas;
        p.ultimo = codigo;
    }
    emit progreso(static_cast<int>(l.indice));
    if (!ultimaDeLaPasada)
        return;
    // The controller gets its breath after a pass before anything else on its line.
    runner_.pausaExtra(l.controlador, ESPERA_PASADA_MS);
    pasada(l);
}

// Written when the controller's reading ends, in one transaction, so that the database does not
// slow the reading of the others.
void RecepcionTotal::termina(Lectura& l, EstadoLector estado) {
    if (l.terminada)
        return;
    l.terminada = true;
    lectores_[l.indice].estado = estado;
    if (l.iniciada) {
        QStringList codigos;
        for (const QString& c : l.leidas) {
            if (!c.isEmpty())
                codigos << c;
        }
        const bool todas = static_cast<qsizetype>(l.leidas.size()) == codigos.size();
        sistema_.Tarjetas()->Guarda_Recepcion(l.controlador->cod(), codigos, todas);
    }
    emit progreso(static_cast<int>(l.indice));
}

} // namespace kestrum::ops
