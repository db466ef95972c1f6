#include "presencia.h"

#include "kerror.h"
#include "safefile.h"
#include "udorqcoleccioncontrolador.h"
#include "udorqcoleccionincidencia.h"
#include "udorqcontrolador.h"
#include "udorqsistema.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextStream>

namespace kestrum::ui {

namespace {

// The day's earliest entry and latest exit; invalid when none yet.
struct Dia {
    QDateTime entrada;
    QDateTime salida;
};

QString pasada(const QDateTime& cuando, const QString& lector) {
    return QLatin1Char('[') + horaLarga(cuando.time()) + QLatin1Char(' ') + lector + QLatin1Char(']');
}

// Walks the loaded log from the newest event to the oldest, into the row of each event's day.
void reparte(store::DORQSistema& sistema, int usuario, const std::function<int(const QDate&)>& filaDe,
             std::vector<FilaPresencia>& filas, std::vector<Dia>& dias) {
    store::DORQColeccionIncidencia& log = *sistema.Incidencias();
    const store::DORQColeccionControlador& controladores = *sistema.Controladores();
    for (int i = 0; i < log.Cuenta(); ++i) {
        const auto e = log.Incidencia(i);
        if (e->usr() != usuario)
            continue;
        const auto c = controladores.Busca_Controlador(e->controlador());
        if (!c)
            continue; // a deleted controller
        QDateTime cuando = e->TIMESTAMP();
        cuando.setTime(QTime(cuando.time().hour(), cuando.time().minute(), cuando.time().second()));
        const int n = filaDe(cuando.date());
        if (n < 0 || n >= static_cast<int>(filas.size()))
            continue;
        FilaPresencia& fila = filas[static_cast<std::size_t>(n)];
        Dia& dia = dias[static_cast<std::size_t>(n)];
        if (c->tipo() == QLatin1String(TIPO_ENTRADA)) {
            fila.entradas += pasada(cuando, c->descripcion());
            if (!dia.entrada.isValid() || cuando < dia.entrada)
                dia.entrada = cuando;
        } else if (c->tipo() == QLatin1String(TIPO_SALIDA)) {
            fila.salidas += pasada(cuando, c->descripcion());
            if (!dia.salida.isValid() || cuando > dia.salida)
                dia.salida = cuando;
        }
    }
    for (std::size_t n = 0; n < filas.size(); ++n) {
        const Dia& dia = dias[n];
        if (dia.entrada.isValid() && dia.salida.isValid() && dia.salida > dia.entrada)
            filas[n].estancia = textoEstancia(dia.entrada.secsTo(dia.salida));
    }
}

void cargaLog(store::DORQSistema& sistema, int usuario, const QDate& primero, const QDate& ultimo) {
    store::DORQColeccionIncidencia* log = sistema.Incidencias();
    if (!log)
        throw Error(QStringLiteral("the installation's event log is not open"));
    const QDateTime desde(primero, QTime(0, 0, 1));
    const QDateTime hasta(ultimo, QTime(23, 59, 59));
    log->Fija_Filtro(QStringLiteral("desde"), QStringLiteral("hasta"), usuario);
    log->Fija_Fechas(usuario, desde, hasta);
    log->Carga();
}

} // namespace

QString fechaCorta(const QDate& fecha) {
    return QLocale::system().toString(fecha, QLocale::ShortFormat);
}

QString horaLarga(const QTime& hora) {
    // The long format names the time zone, which says nothing here.
    QString formato = QLocale::system().timeFormat(QLocale::LongFormat);
    formato.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*")))
        .replace(QStringLiteral("  "), QStringLiteral(" "));
    return hora.toString(formato.trimmed());
}

std::vector<FilaPresencia> Obtener_Valores_Entrada_Salida(store::DORQSistema& sistema, int usuario,
                                                          const QDate& fecha, bool mes,
                                                          const QString& tituloDia) {
    std::vector<FilaPresencia> filas;
    std::vector<Dia> dias;
    if (mes) {
        const QDate primero(fecha.year(), fecha.month(), 1);
        const QDate ultimo(fecha.year(), fecha.month(), fecha.daysInMonth());
        for (QDate d = primero; d <= ultimo; d = d.addDays(1))
            filas.push_back({fechaCorta(d), {}, {}, {}});
        dias.resize(filas.size());
        cargaLog(sistema, usuario, primero, ultimo);
        reparte(
            sistema, usuario, [](const QDate& d) { return d.day() - 1; }, filas, dias);
        return filas;
    }
    cargaLog(sistema, usuario, fecha, fecha);
    if (sistema.Incidencias()->Cuenta() == 0)
        return filas;
    filas.push_back({tituloDia, {}, {}, {}});
    dias.resize(1);
    reparte(
        sistema, usuario, [](const QDate&) { return 0; }, filas, dias);
    return filas;
}

QString textoEstancia(qint64 segundos) {
    return QStringLiteral("%1:%2:%3").arg(segundos / 3600).arg(segundos % 3600 / 60).arg(segundos % 60);
}

qint64 segundosEstancia(const QString& texto) {
    static const QRegularExpression hms(QStringLiteral("^\\s*(\\d+):(\\d+):(\\d+)\\s*$"));
    const QRegularExpressionMatch m = hms.match(texto);
    if (!m.hasMatch())
        return -1;
    return m.captured(1).toLongLong() * 3600 + m.captured(2).toLongLong() * 60 + m.captured(3).toLongLong();
}

QString totalEstancia(const std::vector<FilaPresencia>& filas) {
    qint64 total = 0;
    for (const FilaPresencia& f : filas) {
        if (const qint64 s = segundosEstancia(f.estancia); s > 0)
            total += s;
    }
    return textoEstancia(total);
}

QString nombreFicheroPresencia(const QString& elegido) {
    return elegido + QLatin1String(".txt");
}

void guardaPresencia(const QString& fichero, const std::vector<FilaPresencia>& filas) {
    QByteArray texto;
    for (const FilaPresencia& f : filas) {
        texto += (f.dia + QLatin1Char('*') + f.entradas + QLatin1Char('*') + f.salidas + QLatin1Char('*') +
                  f.estancia)
                     .toUtf8();
        texto += "\r\n";
    }
    config::writeFileSafely(fichero, texto);
}

FilaPresencia filaDeLinea(const QString& linea) {
    QStringList piezas;
    qsizetype desde = 0;
    for (int i = 0; i < 3; ++i) {
        const qsizetype estrella = linea.indexOf(QLatin1Char('*'), desde);
        if (estrella < 0)
            break;
        piezas << linea.mid(desde, estrella - desde);
        desde = estrella + 1;
    }
    // What follows the last star found is the last piece: the stay when all three were there.
    FilaPresencia f;
    QString* destinos[] = {&f.dia, &f.entradas, &f.salidas, &f.estancia};
    for (int i = 0; i < piezas.size(); ++i)
        *destinos[i] = piezas[i];
    if (piezas.isEmpty())
        f.estancia = linea;
    else
        *destinos[piezas.size()] = linea.mid(desde);
    return f;
}

void leePresencia(const QString& fichero, std::vector<FilaPresencia>& filas) {
    QFile f(fichero);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("%1: %2").arg(fichero, f.errorString()));
    while (!f.atEnd()) {
        QByteArray linea = f.readLine();
        if (f.error() != QFileDevice::NoError)
            throw Error(QStringLiteral("%1: %2").arg(fichero, f.errorString()));
        while (linea.endsWith('\n') || linea.endsWith('\r'))
            linea.chop(1);
        filas.push_back(filaDeLinea(QString::fromUtf8(linea)));
    }
}

} // namespace kestrum::ui
