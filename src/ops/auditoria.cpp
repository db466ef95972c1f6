#include "auditoria.h"

#include "operacion.h"
#include "reintento.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcoleccionusuario.h"
#include "udorqcontrolador.h"
#include "udorqsistema.h"
#include "udorqusuario.h"

#include <QHash>
#include <QMap>
#include <QScopeGuard>
#include <QSet>
#include <algorithm>
#include <tuple>

namespace kestrum::ops {

namespace {

// A code as a reader gives it back: ten upper-case digits.
QString clave(const QString& codigo) {
    return store::DORQTarjeta::Rellena_Codigo(codigo).toUpper();
}

struct Asignada {
    QString codigo; // as the database holds it, for the statements
    bool almacenada = false;
    QString titular;
};

// What the database assigns to each controller, by reader code.
QHash<int, QHash<QString, Asignada>> asignadas(const store::DORQColeccionTarjeta& tarjetas) {
    QHash<int, QHash<QString, Asignada>> out;
    for (int i = 0; i < tarjetas.Cuenta(); ++i) {
        const auto t = tarjetas.Tarjeta(i);
        const QString titular = t->usuario() ? t->usuario()->Nombre_Completo() : QString();
        for (const store::TAsignacion& a : t->Asignaciones())
            out[a.controlador].insert(clave(t->codigo_tarjeta()),
                                      {t->codigo_tarjeta(), a.almacenada, titular});
    }
    return out;
}

} // namespace

Auditoria::Auditoria(store::DORQSistema& s, QObject* parent) : QObject(parent), sistema_(s) {}

Auditoria::~Auditoria() = default;

void Auditoria::cancela() {
    runner_.cancela();
}

std::vector<AuditoriaLector> Auditoria::ejecuta(const QList<int>& numeros) {
    const auto lista = controladores(sistema_, numeros);
    std::vector<AuditoriaLector> out(lista.size());
    lectores_.assign(lista.size(), ProgresoLector());
    std::vector<std::unique_ptr<LecturaMemoria>> lecturas(lista.size());
    for (std::size_t i = 0; i < lista.size(); ++i) {
        const int indice = static_cast<int>(i);
        if (!lista[i]) {
            lectores_[i].numero = numeros.at(indice);
            lectores_[i].estado = EstadoLector::NoContesta;
            continue;
        }
        lectores_[i] = progresoDe(*lista[i]);
        lecturas[i] = std::make_unique<LecturaMemoria>(
            runner_, lista[i], lectores_[i], [this, indice] { emit progreso(indice); }, [] {});
    }
    for (auto& l : lecturas) {
        if (l)
            l->inicia();
    }
    {
        // Every reading ends, whatever stopped the runner, before an error goes on.
        const auto fin = qScopeGuard([&] {
            for (auto& l : lecturas) {
                if (l)
                    l->termina(EstadoLector::Cancelado);
            }
        });
        runner_.espera();
    }

    // Compared with the database as it is now, not as this console loaded it.
    sistema_.Usuarios()->Carga();
    sistema_.Tarjetas()->Carga();
    const auto esperadas = asignadas(*sistema_.Tarjetas());
    for (std::size_t i = 0; i < lista.size(); ++i) {
        AuditoriaLector& r = out[i];
        const ProgresoLector& p = lectores_[i];
        r.numero = p.numero;
        r.descripcion = p.descripcion;
        r.estado = p.estado;
        r.total = p.total;
        r.leidas = p.confirmadas;
        const LecturaMemoria* l = lecturas[i].get();
        r.completa = l && l->completa();
        if (!r.comparado())
            continue;
        QMap<QString, QString> enLector; // reader code -> code read; sorted
        for (const QString& c : l->codigos())
            enLector.insert(clave(c), c);
        const QHash<QString, Asignada> delLector = esperadas.value(r.numero);
        for (auto it = enLector.cbegin(); it != enLector.cend(); ++it) {
            const auto a = delLector.constFind(it.key());
            if (a == delLector.cend())
                r.diferencias.push_back({it.value(), Problema::Desconocida, QString()});
            else if (!a->almacenada)
                r.diferencias.push_back({a->codigo, Problema::PendientePresente, a->titular});
        }
        for (auto it = delLector.cbegin(); it != delLector.cend(); ++it) {
            if (it->almacenada && !enLector.contains(it.key()))
                r.diferencias.push_back({it->codigo, Problema::Falta, it->titular});
        }
        std::stable_sort(r.diferencias.begin(), r.diferencias.end(),
                         [](const Diferencia& a, const Diferencia& b) {
                             return std::tie(a.problema, a.codigo) < std::tie(b.problema, b.codigo);
                         });
        qCDebug(lcOps) << "audit: reader" << r.numero << "read" << r.leidas << "differences"
                       << r.diferencias.size();
    }
    return out;
}

std::vector<AuditoriaLector> Auditoria::corrige(const std::vector<AuditoriaLector>& auditoria) {
    std::vector<Reenvio> ordenes;
    QMap<int, QStringList> marcas;
    QList<int> numeros;
    for (const AuditoriaLector& r : auditoria) {
        numeros << r.numero;
        if (!r.comparado())
            continue;
        for (const Diferencia& d : r.diferencias) {
            switch (d.problema) {
            case Problema::Desconocida:
                ordenes.push_back(
                    {.controlador = r.numero, .codigo = d.codigo, .confirmado = false, .borra = true});
                break;
            case Problema::Falta:
                ordenes.push_back(
                    {.controlador = r.numero, .codigo = d.codigo, .confirmado = false, .borra = false});
                break;
            case Problema::PendientePresente:
                // The reader holds it already: only the mark was behind.
                marcas[r.numero] << d.codigo;
                break;
            }
        }
    }
    Ordena_Por_Puertos(sistema_, ordenes);
    for (const Reenvio& o : ordenes) {
        if (o.confirmado && !o.borra)
            marcas[o.controlador] << o.codigo;
    }
    for (auto it = marcas.cbegin(); it != marcas.cend(); ++it)
        sistema_.Tarjetas()->Marca_Almacenadas(it.key(), it.value());
    return ejecuta(numeros);
}

} // namespace kestrum::ops
