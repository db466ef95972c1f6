#include "informe.h"

#include "dataroot.h"
#include "kerror.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextLayout>

Q_LOGGING_CATEGORY(lcReports, "kestrum.reports", QtWarningMsg)

namespace kestrum::reports {

namespace {

constexpr qreal PUNTO = Informe::UNIDADES_PULGADA / 72.0;
constexpr qreal RELLENO_H = 2 * PUNTO;  // inside a cell, left and right
constexpr qreal RELLENO_V = 1 * PUNTO;  // inside a cell, above and below
constexpr qreal SEPARACION = 4 * PUNTO; // between header, title, body and footer
constexpr qreal TITULO = 14;            // points

[[noreturn]] void malo(const QString& path, const QString& why) {
    throw Error(QStringLiteral("report definition %1: %2").arg(QDir::toNativeSeparators(path), why));
}

QString cadena(const QJsonObject& o, const QString& key, const QString& path, const QString& where) {
    const QJsonValue v = o.value(key);
    if (v.isUndefined() || v.isNull())
        return {};
    if (!v.isString())
        malo(path, QStringLiteral("%1 \"%2\" must be a text").arg(where, key));
    return v.toString();
}

QJsonObject objeto(const QJsonObject& o, const QString& key, const QString& path) {
    const QJsonValue v = o.value(key);
    if (v.isUndefined())
        return {};
    if (!v.isObject())
        malo(path, QStringLiteral("\"%1\" must be an object").arg(key));
    return v.toObject();
}

Qt::Alignment alineacion(const QString& text, const QString& path) {
    if (text.isEmpty() || text == QLatin1String("left"))
        return Qt::AlignLeft;
    if (text == QLatin1String("right"))
        return Qt::AlignRight;
    if (text == QLatin1String("center"))
        return Qt::AlignHCenter;
    malo(path, QStringLiteral("unknown alignment \"%1\" (left, center or right)").arg(text));
}

QPageLayout leePagina(const QJsonObject& page, const QString& path) {
    const QString size = cadena(page, QStringLiteral("size"), path, QStringLiteral("page"));
    QPageSize tamano;
    if (size.isEmpty() || size == QLatin1String("default"))
        tamano = tamanoLocal(QLocale());
    else if (size.compare(QLatin1String("A4"), Qt::CaseInsensitive) == 0)
        tamano = QPageSize(QPageSize::A4);
    else if (size.compare(QLatin1String("Letter"), Qt::CaseInsensitive) == 0)
        tamano = QPageSize(QPageSize::Letter);
    else
        malo(path, QStringLiteral("unknown page size \"%1\" (default, A4 or Letter)").arg(size));
    const QString orientation = cadena(page, QStringLiteral("orientation"), path, QStringLiteral("page"));
    QPageLayout::Orientation o = QPageLayout::Portrait;
    if (orientation == QLatin1String("landscape"))
        o = QPageLayout::Landscape;
    else if (!orientation.isEmpty() && orientation != QLatin1String("portrait"))
        malo(path, QStringLiteral("unknown orientation \"%1\"").arg(orientation));
    QMarginsF margins(15, 15, 15, 15);
    const QJsonValue m = page.value(QStringLiteral("margins"));
    if (!m.isUndefined()) {
        const QJsonArray a = m.toArray();
        if (!m.isArray() || a.size() != 4)
            malo(path, QStringLiteral("\"margins\" must be four numbers: left, top, right, bottom (mm)"));
        for (const QJsonValue& v : a) {
            if (!v.isDouble() || v.toDouble() < 0)
                malo(path, QStringLiteral("\"margins\" must be four numbers not below 0"));
        }
        margins = QMarginsF(a[0].toDouble(), a[1].toDouble(), a[2].toDouble(), a[3].toDouble());
    }
    return QPageLayout(tamano, o, margins, QPageLayout::Millimeter);
}

bool formatoValido(const QString& f) {
    static const QRegularExpression re(QStringLiteral("^(|date(:.+)?|datetime(:.+)?|number(:[0-9])?)$"));
    return re.match(f).hasMatch();
}

// The lines `text` takes in `width` with `font`: at word boundaries, or anywhere in a word too long.
QStringList envuelve(const QString& text, qreal width, const QFont& font) {
    const QFontMetricsF fm(font);
    QStringList out;
    for (const QString& para : text.split(QLatin1Char('\n'))) {
        if (fm.horizontalAdvance(para) <= width) {
            out << para;
            continue;
        }
        QTextLayout layout(para, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            out << para.mid(line.textStart(), line.textLength()).trimmed();
        }
        layout.endLayout();
    }
    return out;
}

} // namespace

QPageSize tamanoLocal(const QLocale& locale) {
    const auto t = locale.territory();
    return QPageSize(t == QLocale::UnitedStates || t == QLocale::Canada ? QPageSize::Letter : QPageSize::A4);
}

namespace {
QString& carpetaDePruebas() {
    static QString folder;
    return folder;
}
} // namespace

void detail::setDefinitionsFolderForTests(const QString& folder) {
    carpetaDePruebas() = folder;
}

QString definicion(const QString& nombre) {
    const QString folder = carpetaDePruebas().isEmpty()
                               ? config::DataRoot::resourceDir() + QStringLiteral("/Data")
                               : carpetaDePruebas();
    return folder + QLatin1Char('/') + nombre + QStringLiteral(".frf");
}

Informe::Informe() : pagina_(tamanoLocal(QLocale()), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15)) {}

bool Informe::LoadFromFile(const QString& path) {
    QFile f(path);
    if (!QFileInfo(path).isFile()) {
        qCDebug(lcReports) << "no definition at" << path;
        return false;
    }
    if (!f.open(QIODevice::ReadOnly))
        malo(path, f.errorString());
    Definicion d = lee(f.readAll(), path);
    def_ = std::move(d);
    pagina_ = def_.pagina;
    fichero_ = path;
    cargado_ = true;
    lineas_.clear();
    paginas_.clear();
    qCDebug(lcReports) << "definition" << path << "with" << def_.columnas.size() << "columns";
    return true;
}

Informe::Definicion Informe::lee(const QByteArray& json, const QString& path) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        malo(path, QStringLiteral("%1 at character %2").arg(error.errorString()).arg(error.offset));
    if (!doc.isObject())
        malo(path, QStringLiteral("the file must hold one JSON object"));
    const QJsonObject o = doc.object();
    Definicion d;
    d.pagina = leePagina(objeto(o, QStringLiteral("page"), path), path);
    const QJsonValue size = o.value(QStringLiteral("font_size"));
    if (!size.isUndefined()) {
        if (!size.isDouble() || size.toDouble() < 4 || size.toDouble() > 72)
            malo(path, QStringLiteral("\"font_size\" must be a number of points from 4 to 72"));
        d.cuerpo = size.toDouble();
    }
    d.titulo = cadena(o, QStringLiteral("title"), path, QStringLiteral("the report's"));
    d.resumen = cadena(o, QStringLiteral("summary"), path, QStringLiteral("the report's"));
    const QJsonObject header = objeto(o, QStringLiteral("header"), path);
    d.cabeceraIzq = cadena(header, QStringLiteral("left"), path, QStringLiteral("header"));
    d.cabeceraDer = cadena(header, QStringLiteral("right"), path, QStringLiteral("header"));
    const QJsonObject footer = objeto(o, QStringLiteral("footer"), path);
    d.pieIzq = cadena(footer, QStringLiteral("left"), path, QStringLiteral("footer"));
    d.pieDer = cadena(footer, QStringLiteral("right"), path, QStringLiteral("footer"));

    const QJsonValue columns = o.value(QStringLiteral("columns"));
    if (!columns.isArray() || columns.toArray().isEmpty())
        malo(path, QStringLiteral("\"columns\" must list at least one column"));
    for (const QJsonValue& v : columns.toArray()) {
        if (!v.isObject())
            malo(path, QStringLiteral("each column must be an object"));
        const QJsonObject c = v.toObject();
        Columna col;
        col.campo = cadena(c, QStringLiteral("field"), path, QStringLiteral("column"));
        if (col.campo.isEmpty())
            malo(path, QStringLiteral("a column has no \"field\""));
        col.titulo = cadena(c, QStringLiteral("caption"), path, QStringLiteral("column"));
        const QJsonValue w = c.value(QStringLiteral("width"));
        if (!w.isUndefined() && (!w.isDouble() || w.toDouble() <= 0))
            malo(path, QStringLiteral("column %1: \"width\" must be a number above 0").arg(col.campo));
        col.ancho = w.isUndefined() ? 1 : w.toDouble();
        col.alineacion = alineacion(cadena(c, QStringLiteral("align"), path, QStringLiteral("column")), path);
        col.formato = cadena(c, QStringLiteral("format"), path, QStringLiteral("column"));
        if (!formatoValido(col.formato))
            malo(path, QStringLiteral("column %1: unknown format \"%2\"").arg(col.campo, col.formato));
        d.columnas << col;
    }
    const QJsonObject group = objeto(o, QStringLiteral("group"), path);
    d.grupoCampo = cadena(group, QStringLiteral("field"), path, QStringLiteral("group"));
    d.grupoTitulo = cadena(group, QStringLiteral("caption"), path, QStringLiteral("group"));
    if (!group.isEmpty() && d.grupoCampo.isEmpty())
        malo(path, QStringLiteral("\"group\" has no \"field\""));
    return d;
}

void Informe::setDatos(Datos datos) {
    datos_ = std::move(datos);
}

void Informe::setTextos(const QHash<QString, QString>& textos) {
    textos_ = textos;
}

void Informe::setVariables(const QHash<QString, QString>& variables) {
    variables_ = variables;
}

QFont Informe::fuente(Trozo::Estilo estilo) const {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    // Pixel sizes in layout units: the same advances whatever the device, so a layout made once
    // paints alike on the screen, a printer and a PDF.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setPixelSize(qRound((estilo == Trozo::Titulo ? TITULO : def_.cuerpo) * PUNTO));
    f.setBold(estilo != Trozo::Normal);
    return f;
}

qreal Informe::altoLinea(Trozo::Estilo estilo) const {
    return QFontMetricsF(fuente(estilo)).lineSpacing();
}

QSizeF Informe::tamanoPagina() const {
    return pagina_.fullRectPoints().size().toSizeF() * PUNTO;
}

QRectF Informe::cuerpo() const {
    const QRectF papel(QPointF(0, 0), tamanoPagina());
    const QMarginsF m = pagina_.marginsPoints().toMarginsF() * PUNTO;
    const qreal linea = altoLinea(Trozo::Normal);
    return papel.marginsRemoved(m).adjusted(0, linea + SEPARACION, 0, -(linea + SEPARACION));
}

// Below the title (first page) and the column captions.
qreal Informe::inicioFilas(int n) const {
    qreal y = cuerpo().top();
    if (n == 0 && !def_.titulo.isEmpty())
        y += altoLinea(Trozo::Titulo) + SEPARACION;
    return y + altoLinea(Trozo::Negrita) + 2 * RELLENO_V;
}

QList<qreal> Informe::anchos() const {
    qreal total = 0;
    for (const Columna& c : def_.columnas)
        total += c.ancho;
    QList<qreal> out;
    for (const Columna& c : def_.columnas)
        out << cuerpo().width() * c.ancho / total;
    return out;
}

int Informe::columnaDe(const QString& campo) const {
    for (int i = 0; i < datos_.campos.size(); ++i) {
        if (datos_.campos[i].compare(campo, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString Informe::formatea(const QVariant& valor, const QString& formato) const {
    if (valor.isNull())
        return {};
    const QLocale locale;
    const QString patron = formato.section(QLatin1Char(':'), 1);
    if (formato.startsWith(QLatin1String("datetime"))) {
        const QDateTime dt = valor.toDateTime();
        return patron.isEmpty() ? locale.toString(dt, QLocale::ShortFormat) : locale.toString(dt, patron);
    }
    if (formato.startsWith(QLatin1String("date"))) {
        const QDate d = valor.toDate();
        return patron.isEmpty() ? locale.toString(d, QLocale::ShortFormat) : locale.toString(d, patron);
    }
    if (formato.startsWith(QLatin1String("number"))) {
        if (patron.isEmpty())
            return locale.toString(valor.toLongLong());
        return locale.toString(valor.toDouble(), 'f', patron.toInt());
    }
    switch (valor.typeId()) {
    case QMetaType::QDateTime:
        return locale.toString(valor.toDateTime(), QLocale::ShortFormat);
    case QMetaType::QDate:
        return locale.toString(valor.toDate(), QLocale::ShortFormat);
    default:
        return valor.toString();
    }
}

// ${name} or ${name|fallback}: the page numbers and date, then the variables, the row's fields,
// the texts, the fallback; a name found nowhere stays as written, so that a mistake shows.
QString Informe::expande(const QString& plantilla, const QVariantList* fila, int pagina) const {
    static const QRegularExpression re(QStringLiteral("\\$\\{([^}|]*)(?:\\|([^}]*))?\\}"));
    QString out;
    qsizetype desde = 0;
    for (auto it = re.globalMatch(plantilla); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += plantilla.mid(desde, m.capturedStart() - desde);
        desde = m.capturedEnd();
        const QString name = m.captured(1).trimmed();
        const QString numero = QString::number(pagina + 1);
        const QString total = QString::number(paginas());
        if (name == QLatin1String("pagina") && pagina >= 0)
            out += numero;
        else if (name == QLatin1String("paginas"))
            out += total;
        else if (name == QLatin1String("pagina_de") && pagina >= 0)
            out += textos_.value(name, QStringLiteral("%1 / %2")).arg(numero, total);
        else if (name == QLatin1String("fecha") && !variables_.contains(name))
            out += QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
        else if (variables_.contains(name))
            out += variables_.value(name);
        else if (const int c = fila ? columnaDe(name) : -1; c >= 0)
            out += formatea(fila->value(c), {});
        else if (textos_.contains(name))
            out += textos_.value(name);
        else if (m.capturedStart(2) >= 0)
            out += m.captured(2);
        else
            out += m.captured(0);
    }
    return out + plantilla.mid(desde);
}

// The rows in dataset order; with a group, each group's rows gathered at its first row, so that a
// dataset sorted by something else than the group (holders sorted by first name) still prints each
// group once.
QList<int> Informe::ordenFilas(int grupo) const {
    QList<int> orden;
    orden.reserve(datos_.filas.size());
    if (grupo < 0) {
        for (int f = 0; f < datos_.filas.size(); ++f)
            orden << f;
        return orden;
    }
    QHash<QString, int> posicion; // group -> index of its list
    QList<QList<int>> grupos;
    for (int f = 0; f < datos_.filas.size(); ++f) {
        const QString clave = datos_.filas[f].value(grupo).toString();
        auto it = posicion.find(clave);
        if (it == posicion.end()) {
            it = posicion.insert(clave, static_cast<int>(grupos.size()));
            grupos.append(QList<int>{});
        }
        grupos[*it] << f;
    }
    for (const QList<int>& g : std::as_const(grupos))
        orden << g;
    return orden;
}

void Informe::PrepareReport() {
    if (!cargado_)
        throw Error(QStringLiteral("no report definition is loaded"));
    lineas_.clear();
    paginas_.clear();
    const QFont normal = fuente(Trozo::Normal);
    const qreal linea = altoLinea(Trozo::Normal);
    const qreal lineaNegrita = altoLinea(Trozo::Negrita);
    const QList<qreal> ancho = anchos();
    QList<int> indices;
    for (const Columna& c : def_.columnas) {
        indices << columnaDe(c.campo);
        if (indices.last() < 0)
            qCWarning(lcReports) << fichero_ << "names a field the dataset lacks:" << c.campo;
    }
    const int grupo = def_.grupoCampo.isEmpty() ? -1 : columnaDe(def_.grupoCampo);
    QString ultimoGrupo;
    for (const int f : ordenFilas(grupo)) {
        const QVariantList& fila = datos_.filas[f];
        if (grupo >= 0 && (lineas_.isEmpty() || fila.value(grupo).toString() != ultimoGrupo)) {
            lineas_ << Linea{
                Linea::Grupo, lineaNegrita + 2 * RELLENO_V, {}, expande(def_.grupoTitulo, &fila)};
            ultimoGrupo = fila.value(grupo).toString();
        }
        Linea l;
        int maximo = 1;
        for (int c = 0; c < def_.columnas.size(); ++c) {
            const QString texto =
                indices[c] >= 0 ? formatea(fila.value(indices[c]), def_.columnas[c].formato) : QString();
            l.celdas << envuelve(texto, ancho[c] - 2 * RELLENO_H, normal);
            maximo = std::max(maximo, static_cast<int>(l.celdas.last().size()));
        }
        l.alto = maximo * linea + 2 * RELLENO_V;
        lineas_ << l;
    }
    if (!def_.resumen.isEmpty())
        lineas_ << Linea{
            Linea::Resumen, lineaNegrita + 2 * RELLENO_V + SEPARACION, {}, expande(def_.resumen)};

    // Pages: a line goes to the next page when it does not fit; a group's heading goes with its
    // first row.
    const qreal fondo = cuerpo().bottom();
    int inicio = 0;
    qreal y = inicioFilas(0);
    for (int i = 0; i < lineas_.size(); ++i) {
        qreal necesita = lineas_[i].alto;
        if (lineas_[i].tipo == Linea::Grupo && i + 1 < lineas_.size())
            necesita += lineas_[i + 1].alto;
        if (y + necesita > fondo && i > inicio) {
            paginas_ << qMakePair(inicio, i);
            inicio = i;
            y = inicioFilas(static_cast<int>(paginas_.size()));
        }
        y += lineas_[i].alto;
    }
    paginas_ << qMakePair(inicio, static_cast<int>(lineas_.size()));
    qCDebug(lcReports) << fichero_ << datos_.filas.size() << "rows," << paginas_.size() << "pages";
}

QList<Trozo> Informe::trozos(int n) const {
    QList<Trozo> out;
    if (n < 0 || n >= paginas())
        return out;
    const QRectF area = cuerpo();
    const QMarginsF m = pagina_.marginsPoints().toMarginsF() * PUNTO;
    const qreal linea = altoLinea(Trozo::Normal);
    const qreal lineaNegrita = altoLinea(Trozo::Negrita);
    const QRectF cabecera(area.left(), m.top(), area.width(), linea);
    const QRectF pie(area.left(), area.bottom() + SEPARACION, area.width(), linea);
    out << Trozo{cabecera, expande(def_.cabeceraIzq, nullptr, n), Trozo::Normal, Qt::AlignLeft}
        << Trozo{cabecera, expande(def_.cabeceraDer, nullptr, n), Trozo::Normal, Qt::AlignRight}
        << Trozo{pie, expande(def_.pieIzq, nullptr, n), Trozo::Normal, Qt::AlignLeft}
        << Trozo{pie, expande(def_.pieDer, nullptr, n), Trozo::Normal, Qt::AlignRight};
    qreal y = area.top();
    if (n == 0 && !def_.titulo.isEmpty()) {
        const qreal alto = altoLinea(Trozo::Titulo);
        out << Trozo{QRectF(area.left(), y, area.width(), alto), expande(def_.titulo), Trozo::Titulo,
                     Qt::AlignHCenter};
        y += alto + SEPARACION;
    }
    const QList<qreal> ancho = anchos();
    qreal x = area.left();
    for (int c = 0; c < def_.columnas.size(); ++c) {
        out << Trozo{QRectF(x + RELLENO_H, y + RELLENO_V, ancho[c] - 2 * RELLENO_H, lineaNegrita),
                     expande(def_.columnas[c].titulo), Trozo::Negrita, def_.columnas[c].alineacion};
        x += ancho[c];
    }
    y += lineaNegrita + 2 * RELLENO_V;
    for (int i = paginas_[n].first; i < paginas_[n].second; ++i) {
        const Linea& l = lineas_[i];
        if (l.tipo != Linea::Fila) {
            out << Trozo{QRectF(area.left() + RELLENO_H, y + l.alto - lineaNegrita - RELLENO_V,
                                area.width() - 2 * RELLENO_H, lineaNegrita),
                         l.texto, Trozo::Negrita, Qt::AlignLeft};
        } else {
            x = area.left();
            for (int c = 0; c < l.celdas.size(); ++c) {
                for (int k = 0; k < l.celdas[c].size(); ++k)
                    out << Trozo{
                        QRectF(x + RELLENO_H, y + RELLENO_V + k * linea, ancho[c] - 2 * RELLENO_H, linea),
                        l.celdas[c][k], Trozo::Normal, def_.columnas[c].alineacion};
                x += ancho[c];
            }
        }
        y += l.alto;
    }
    return out;
}

QList<Raya> Informe::rayas(int n) const {
    if (n < 0 || n >= paginas())
        return {};
    const QRectF area = cuerpo();
    qreal captions = area.top();
    if (n == 0 && !def_.titulo.isEmpty())
        captions += altoLinea(Trozo::Titulo) + SEPARACION;
    return {Raya{area.top() - SEPARACION / 2}, Raya{inicioFilas(n)}, Raya{captions},
            Raya{area.bottom() + SEPARACION / 2}};
}

void Informe::pinta(QPainter& painter, int n) const {
    painter.save();
    const QPaintDevice* device = painter.device();
    painter.scale(device->logicalDpiX() / UNIDADES_PULGADA, device->logicalDpiY() / UNIDADES_PULGADA);
    const QRectF area = cuerpo();
    painter.setPen(QPen(Qt::black, PUNTO / 2));
    for (const Raya& r : rayas(n))
        painter.drawLine(QPointF(area.left(), r.y), QPointF(area.right(), r.y));
    Trozo::Estilo estilo = Trozo::Normal;
    painter.setFont(fuente(estilo));
    for (const Trozo& t : trozos(n)) {
        if (t.texto.isEmpty())
            continue;
        if (t.estilo != estilo) {
            estilo = t.estilo;
            painter.setFont(fuente(estilo));
        }
        painter.drawText(t.rect, static_cast<int>(t.alineacion | Qt::AlignVCenter | Qt::TextSingleLine),
                         t.texto);
    }
    painter.restore();
}

void Informe::imprime(QPagedPaintDevice& device, int desde, int hasta) const {
    if (hasta < 0 || hasta >= paginas())
        hasta = paginas() - 1;
    desde = std::clamp(desde, 0, hasta);
    // The engine draws its own margins: the painter's origin is the paper's corner.
    QPageLayout layout = pagina_;
    layout.setMode(QPageLayout::FullPageMode);
    device.setPageLayout(layout);
    QPainter painter;
    if (!painter.begin(&device))
        throw Error(QStringLiteral("the report cannot be printed: the device refused to start"));
    for (int n = desde; n <= hasta; ++n) {
        if (n > desde && !device.newPage())
            throw Error(QStringLiteral("the report cannot be printed: no new page after page %1").arg(n));
        pinta(painter, n);
    }
    if (!painter.end())
        throw Error(QStringLiteral("the report cannot be printed: the device did not finish"));
}

void Informe::exportaPdf(const QString& fichero) const {
    QSaveFile file(fichero);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(fichero), file.errorString()));
    {
        QPdfWriter writer(&file);
        writer.setResolution(static_cast<int>(UNIDADES_PULGADA));
        writer.setCreator(QStringLiteral("Kestrum"));
        writer.setTitle(titulo());
        imprime(writer);
    }
    // Until the commit the report lies in a temporary file beside the target; a failed write
    // (a full disk) leaves the target as it was.
    if (file.error() != QFileDevice::NoError || !file.commit())
        throw Error(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(fichero), file.errorString()));
    qCDebug(lcReports) << "wrote" << fichero << paginas() << "pages";
}

QList<QRectF> Informe::busca(int n, const QString& texto) const {
    QList<QRectF> out;
    if (texto.isEmpty())
        return out;
    for (const Trozo& t : trozos(n)) {
        qsizetype i = t.texto.indexOf(texto, 0, Qt::CaseInsensitive);
        if (i < 0)
            continue;
        const QFontMetricsF fm(fuente(t.estilo));
        const qreal todo = fm.horizontalAdvance(t.texto);
        qreal x = t.rect.left();
        if (t.alineacion & Qt::AlignRight)
            x = t.rect.right() - todo;
        else if (t.alineacion & Qt::AlignHCenter)
            x = t.rect.center().x() - todo / 2;
        for (; i >= 0; i = t.texto.indexOf(texto, i + texto.size(), Qt::CaseInsensitive)) {
            const qreal desde = x + fm.horizontalAdvance(t.texto.left(i));
            out << QRectF(desde, t.rect.top(), fm.horizontalAdvance(t.texto.mid(i, texto.size())),
                          t.rect.height());
        }
    }
    return out;
}

} // namespace kestrum::reports
