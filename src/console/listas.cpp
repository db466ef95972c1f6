#include "listas.h"

#include "udorqcoleccioncontrolador.h"
#include "udorqcolecciontarjeta.h"
#include "udorqcoleccionusuario.h"
#include "udorqcomunicador.h"
#include "udorqcontrolador.h"
#include "udorqtarjeta.h"
#include "udorqusuario.h"

#include <QHash>
#include <algorithm>
#include <cstdio>

namespace kestrum::ui {

using namespace kestrum::store;

namespace {

bool antesPorTexto(const Fila& a, const Fila& b) {
    return QString::compare(a.celdas.value(0), b.celdas.value(0)) < 0;
}

// Controller number -> description; the first controller with a number wins, as in Busca_Controlador.
QHash<int, QString> descripciones(const DORQColeccionControlador& controladores) {
    QHash<int, QString> out;
    out.reserve(controladores.Cuenta());
    for (int i = 0; i < controladores.Cuenta(); ++i) {
        const auto c = controladores.Controlador(i);
        if (!out.contains(c->cod()))
            out.insert(c->cod(), c->descripcion());
    }
    return out;
}

// What stands where a stored assignment's controller description goes.
QString nombreControlador(const QHash<int, QString>& descripciones, int cod) {
    const auto it = descripciones.constFind(cod);
    return it != descripciones.cend() ? *it : QString::number(cod) + QLatin1Char('?');
}

// Two hex digits to decimal: first digit × 16 + second digit.
QString decimal(const QString& hex) {
    bool ok = false;
    const int value = hex.toInt(&ok, 16);
    return ok ? QString::number(value) : hex;
}

DefinicionLista hacer(QStringList cabeceras, QList<int> anchos, QList<int> centradas = {},
                      bool ordenTexto = false) {
    return {std::move(cabeceras), std::move(anchos), std::move(centradas), ordenTexto};
}

} // namespace

// "dd/mm/yyyy hh:mm:ss" by hand, in a third of QDateTime::toString's time: the cards list formats
// tens of thousands of dates.
QString textoFecha(const QDateTime& t) {
    if (!t.isValid())
        return {};
    const QDate d = t.date();
    const QTime h = t.time();
    char buffer[48];
    const int n = std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d %02d:%02d:%02d", d.day(), d.month(),
                                d.year(), h.hour(), h.minute(), h.second());
    return QString::fromLatin1(buffer, n);
}

// Widths suit the fonts and row icons of a Linux desktop, wider than the original design's.
const DefinicionLista& definicion(Lista lista) {
    static const DefinicionLista ini =
        hacer({QStringLiteral("Number"), QStringLiteral("Description")}, {100, 260});
    static const DefinicionLista usuarios =
        hacer({QStringLiteral("Name"), QStringLiteral("Second name"), QStringLiteral("N Cards"),
               QStringLiteral("Cards"), QStringLiteral("Key")},
              {110, 130, 90, 500, 0});
    static const DefinicionLista tarjetas =
        hacer({QStringLiteral("Card"), QStringLiteral("User Name"), QStringLiteral("User Second name"),
               QStringLiteral("Readers"), QStringLiteral("Caducidad"), QStringLiteral("Fecha caducidad"),
               QStringLiteral("Fecha Alta")},
              {130, 110, 130, 200, 70, 150, 150});
    static const DefinicionLista controladores =
        hacer({QStringLiteral("Lector"), QStringLiteral("Descripción"), QStringLiteral("COM"),
               QStringLiteral("Activo")},
              {80, 220, 60, 80}, {COLUMNA_ACTIVO}, true);
    static const DefinicionLista estado =
        hacer({QStringLiteral("Lector"), QStringLiteral("Descripción"), QStringLiteral("Estado"),
               QStringLiteral("T.activ.abrep"), QStringLiteral("T.puerta abierta"), QStringLiteral("Version"),
               QStringLiteral("Tarjetas"), QStringLiteral("Tarjetas BBDD")},
              {70, 180, 150, 110, 120, 80, 80, 110}, {6, 7}, true);
    static const DefinicionLista logins =
        hacer({QStringLiteral("Login"), QStringLiteral("Level")}, {150, 150});
    switch (lista) {
    case Lista::INI:
        return ini;
    case Lista::Usuarios:
        return usuarios;
    case Lista::Tarjetas:
        return tarjetas;
    case Lista::Controladores:
        return controladores;
    case Lista::Estado:
        return estado;
    case Lista::Logins:
        return logins;
    }
    return ini;
}

ModeloLista::ModeloLista(Lista lista, QObject* parent) : ModeloLista(definicion(lista).cabeceras, parent) {
    centradas_ = definicion(lista).centradas;
    ordenTexto_ = definicion(lista).ordenTexto;
}

ModeloLista::ModeloLista(const QStringList& cabeceras, QObject* parent)
    : QAbstractTableModel(parent), cabeceras_(cabeceras) {}

void ModeloLista::setFilas(std::vector<Fila> filas) {
    beginResetModel();
    filas_ = std::move(filas);
    if (ordenTexto_)
        std::stable_sort(filas_.begin(), filas_.end(), antesPorTexto);
    endResetModel();
}

int ModeloLista::anyadeFila(Fila fila) {
    auto at = filas_.end();
    if (ordenTexto_)
        at = std::upper_bound(filas_.begin(), filas_.end(), fila, antesPorTexto);
    const int row = static_cast<int>(at - filas_.begin());
    beginInsertRows({}, row, row);
    filas_.insert(at, std::move(fila));
    endInsertRows();
    return row;
}

void ModeloLista::insertaFila(int row, Fila fila) {
    row = std::clamp(row, 0, filas());
    beginInsertRows({}, row, row);
    filas_.insert(filas_.begin() + row, std::move(fila));
    endInsertRows();
}

void ModeloLista::actualizaFila(int row, Fila fila) {
    if (row < 0 || row >= filas())
        return;
    filas_[static_cast<std::size_t>(row)] = std::move(fila);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int ModeloLista::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : filas();
}

int ModeloLista::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(cabeceras_.size());
}

QVariant ModeloLista::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Fila& f = fila(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return f.celdas.value(column);
    case Qt::DecorationRole: {
        const Icono which = f.iconoDe(column);
        return which == Icono::Ninguno ? QVariant() : QVariant(icono(which));
    }
    case Qt::ToolTipRole: {
        const auto it = f.ayudas.constFind(column);
        return it == f.ayudas.cend() ? QVariant() : QVariant(*it);
    }
    case Qt::TextAlignmentRole:
        return centradas_.contains(column) ? QVariant(int(Qt::AlignCenter)) : QVariant();
    case RolClave:
        return f.clave;
    case RolIcono:
        return static_cast<int>(f.iconoDe(column));
    default:
        return {};
    }
}

QVariant ModeloLista::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < columnCount())
        return cabeceras_.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool ModeloLista::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) {
    if (orientation != Qt::Horizontal || (role != Qt::EditRole && role != Qt::DisplayRole) || section < 0 ||
        section >= columnCount())
        return false;
    cabeceras_[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

std::vector<Fila> filasListaINI(const DORQColeccionControlador& controladores) {
    std::vector<Fila> out;
    out.reserve(static_cast<std::size_t>(controladores.Cuenta()));
    for (int i = 0; i < controladores.Cuenta(); ++i) {
        const auto c = controladores.Controlador(i);
        out.push_back({{QString::number(c->cod()), c->descripcion()}, Icono::Lector, c->cod(), {}, {}});
    }
    return out;
}

std::vector<Fila> filasControladores(const DORQColeccionControlador& controladores) {
    std::vector<Fila> out;
    out.reserve(static_cast<std::size_t>(controladores.Cuenta()));
    for (int i = 0; i < controladores.Cuenta(); ++i) {
        const auto c = controladores.Controlador(i);
        Fila f{{QString::number(c->cod()), c->descripcion(), c->puerto_serie(), QStringLiteral(" ")},
               Icono::Lector,
               c->cod(),
               {},
               {}};
        if (!c->ultimoError().isEmpty()) {
            f.iconos.insert(COLUMNA_ACTIVO, Icono::PuertoCerrado);
            f.ayudas.insert(COLUMNA_ACTIVO, c->ultimoError());
        }
        out.push_back(std::move(f));
    }
    return out;
}

void marcaActivo(Fila& fila, bool contesta, const QString& errorPuerto) {
    if (!errorPuerto.isEmpty()) {
        fila.iconos.insert(COLUMNA_ACTIVO, Icono::PuertoCerrado);
        fila.ayudas.insert(COLUMNA_ACTIVO, errorPuerto);
        return;
    }
    fila.iconos.insert(COLUMNA_ACTIVO, contesta ? Icono::ControladorOk : Icono::ControladorSinRespuesta);
    fila.ayudas.remove(COLUMNA_ACTIVO);
}

Fila filaEstado(int numero, const QString& descripcion, const link::TTest_Informacion& info, int tarjetasBD) {
    Fila f;
    f.clave = numero;
    f.celdas << QString::number(numero);
    if (info.Ok != 1) {
        for (int i = 0; i < 7; ++i)
            f.celdas << QStringLiteral("???");
        f.icono = Icono::AlarmaLector;
        return f;
    }
    const QString version = QString::number(info.Version);
    f.celdas << descripcion << info.Estado << decimal(info.T_Abrepuertas) << decimal(info.T_Puerta_Abierta)
             << version.left(1) + QLatin1Char('.') + version.mid(1, 1) << info.Num_Tarjetas
             << QString::number(tarjetasBD);
    bool ok = false;
    const int leidas = info.Num_Tarjetas.toInt(&ok);
    f.icono = ok && leidas == tarjetasBD ? Icono::ControladorOk : Icono::ControladorAviso;
    return f;
}

std::vector<Fila> filasUsuarios(const DORQColeccionUsuario& usuarios, const DORQColeccionTarjeta& tarjetas,
                                const DORQColeccionControlador& controladores) {
    const QHash<int, QString> nombres = descripciones(controladores);

    // Every holder's cards in one pass over the cards, in cards-store order; looking each holder's
    // cards up in the whole store would cost cards × holders.
    struct Resumen {
        int numero = 0;
        QString texto;
        bool pendiente = false;
    };
    QHash<int, Resumen> porTitular;
    porTitular.reserve(usuarios.Cuenta());
    for (int i = 0; i < tarjetas.Cuenta(); ++i) {
        const auto t = tarjetas.Tarjeta(i);
        if (!t->usuario())
            continue;
        Resumen& r = porTitular[t->usuario()->id()];
        ++r.numero;
        r.texto += QLatin1Char(' ');
        r.texto += t->codigo_tarjeta();
        r.texto += QLatin1Char('(');
        bool primero = true;
        for (const TAsignacion& a : t->Asignaciones()) {
            if (a.almacenada) {
                if (!primero)
                    r.texto += QLatin1Char(',');
                primero = false;
                r.texto += nombreControlador(nombres, a.controlador);
            } else {
                r.pendiente = true;
            }
        }
        r.texto += QLatin1Char(')');
    }

    std::vector<Fila> out;
    out.reserve(static_cast<std::size_t>(usuarios.Cuenta()));
    const Resumen ninguna;
    for (int i = 0; i < usuarios.Cuenta(); ++i) {
        const auto u = usuarios.Usuario(i);
        const auto it = porTitular.constFind(u->id());
        const Resumen& r = it != porTitular.cend() ? *it : ninguna;
        out.push_back(
            {{u->nombre(), u->apellidos(), QString::number(r.numero), r.texto, QString::number(u->id())},
             r.pendiente ? Icono::UsuarioPendiente : Icono::Usuario,
             u->id(),
             {},
             {}});
    }
    return out;
}

std::vector<Fila> filasTarjetas(const DORQColeccionTarjeta& tarjetas,
                                const DORQColeccionControlador& controladores) {
    const QHash<int, QString> nombres = descripciones(controladores);
    std::vector<Fila> out;
    out.reserve(static_cast<std::size_t>(tarjetas.Cuenta()));
    for (int i = 0; i < tarjetas.Cuenta(); ++i) {
        const auto t = tarjetas.Tarjeta(i);
        QStringList lectores;
        for (const TAsignacion& a : t->Asignaciones()) {
            if (a.almacenada)
                lectores << nombreControlador(nombres, a.controlador);
        }
        const auto& u = t->usuario();
        const bool caduca = t->usar_fecha_cad();
        Fila f{{t->codigo_tarjeta().left(DORQTarjeta::LONGITUD_CODIGO), u ? u->nombre() : QString(),
                u ? u->apellidos() : QString(), lectores.join(QLatin1Char(',')), QString(),
                caduca ? textoFecha(t->fecha_caducidad()) : QString(), textoFecha(t->fecha_alta())},
               t->Pendiente() ? Icono::TarjetaPendiente : Icono::Tarjeta,
               t->codigo_tarjeta(),
               {},
               {}};
        if (caduca)
            f.iconos.insert(COLUMNA_CADUCIDAD, Icono::Caducidad);
        out.push_back(std::move(f));
    }
    return out;
}

std::vector<Fila> filasLogins(const QStringList& logins) {
    std::vector<Fila> out;
    out.reserve(static_cast<std::size_t>(logins.size()));
    for (const QString& entrada : logins) {
        const qsizetype star = entrada.indexOf(QLatin1Char('*'));
        const QString login = star < 0 ? entrada : entrada.left(star);
        out.push_back({{login, star < 0 ? QString() : entrada.mid(star + 1)}, Icono::Login, login, {}, {}});
    }
    return out;
}

QList<int> busca(const ModeloLista& modelo, const QString& texto, int ultimaSubcolumna) {
    QList<int> out;
    const QString buscado = texto.toUpper();
    if (buscado.isEmpty())
        return out;
    const int ultima = std::min(ultimaSubcolumna + 1, modelo.columnCount() - 1);
    for (int row = 0; row < modelo.filas(); ++row) {
        const QStringList& celdas = modelo.fila(row).celdas;
        for (int column = 0; column <= ultima; ++column) {
            if (celdas.value(column).toUpper().contains(buscado)) {
                out << row;
                break;
            }
        }
    }
    return out;
}

} // namespace kestrum::ui
