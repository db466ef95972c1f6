#include "transferencias.h"

#include "operacion.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcontrolador.h"
#include "udorqsistema.h"

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

} // namespace kestrum::ops
