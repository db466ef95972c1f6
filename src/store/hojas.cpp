#include "hojas.h"

#include "kerror.h"
#include "safefile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QMap>
#include <QXmlStreamReader>
#include <cmath>
#include <filesystem>
#include <freexl.h>
#include <xlsxwriter.h>
#include <zip.h>

namespace kestrum::store {

Q_LOGGING_CATEGORY(lcHojas, "kestrum.sheets", QtWarningMsg)

namespace {

// ---- values

// A number as the sheet shows it: without ".0" when it has no fractional part.
QString textoNumero(double v) {
    if (std::isfinite(v) && std::floor(v) == v && std::fabs(v) < 1e15)
        return QString::number(static_cast<qint64>(v));
    return QString::number(v, 'g', 15);
}

QString textoNumero(const QString& v) {
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? textoNumero(d) : v;
}

void pon(FilaHoja& fila, int columna, const QString& valor) {
    if (columna == 0)
        fila.codigo = valor;
    else if (columna == 1)
        fila.nombre = valor;
    else if (columna == 2)
        fila.apellidos = valor;
}

// ---- xlsx

class Zip {
public:
    explicit Zip(const QString& fichero) {
        int error = 0;
        zip_ = zip_open(QFile::encodeName(fichero).constData(), ZIP_RDONLY, &error);
        if (!zip_) {
            zip_error_t e;
            zip_error_init_with_code(&e, error);
            const QString why = QString::fromLocal8Bit(zip_error_strerror(&e));
            zip_error_fini(&e);
            throw Error(QStringLiteral("%1: %2").arg(fichero, why));
        }
    }
    ~Zip() { zip_discard(zip_); }
    Zip(const Zip&) = delete;
    Zip& operator=(const Zip&) = delete;

    // The member's bytes; empty when it is not there and `opcional`.
    QByteArray lee(const QString& nombre, bool opcional = false) const {
        const QByteArray n = nombre.toUtf8();
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat(zip_, n.constData(), 0, &st) != 0) {
            if (opcional)
                return {};
            throw Error(QStringLiteral("not a workbook: %1 is missing").arg(nombre));
        }
        zip_file_t* f = zip_fopen(zip_, n.constData(), 0);
        if (!f)
            throw Error(QStringLiteral("%1: %2").arg(nombre, QString::fromLocal8Bit(zip_strerror(zip_))));
        QByteArray datos(static_cast<qsizetype>(st.size), '\0');
        const zip_int64_t leidos = zip_fread(f, datos.data(), st.size);
        zip_fclose(f);
        if (leidos < 0 || static_cast<zip_uint64_t>(leidos) != st.size)
            throw Error(QStringLiteral("%1: cannot be read in full").arg(nombre));
        return datos;
    }

private:
    zip_t* zip_ = nullptr;
};

void compruebaXml(const QXmlStreamReader& xml, const QString& parte) {
    if (xml.hasError())
        throw Error(QStringLiteral("%1: %2 (line %3)").arg(parte, xml.errorString()).arg(xml.lineNumber()));
}

// The path inside the zip of the workbook's active sheet.
QString hojaActiva(const Zip& zip) {
    QXmlStreamReader libro(zip.lee(QStringLiteral("xl/workbook.xml")));
    int activa = 0;
    QStringList ids;
    while (!libro.atEnd()) {
        libro.readNext();
        if (!libro.isStartElement())
            continue;
        if (libro.name() == QLatin1String("workbookView"))
            activa = libro.attributes().value(QLatin1String("activeTab")).toInt();
        else if (libro.name() == QLatin1String("sheet")) {
            for (const QXmlStreamAttribute& a : libro.attributes()) {
                if (a.name() == QLatin1String("id"))
                    ids << a.value().toString();
            }
        }
    }
    compruebaXml(libro, QStringLiteral("xl/workbook.xml"));
    if (ids.isEmpty())
        throw Error(QStringLiteral("the workbook has no sheet"));
    const QString id = ids.value(activa, ids.first());
    QXmlStreamReader rels(zip.lee(QStringLiteral("xl/_rels/workbook.xml.rels")));
    while (!rels.atEnd()) {
        rels.readNext();
        if (rels.isStartElement() && rels.name() == QLatin1String("Relationship") &&
            rels.attributes().value(QLatin1String("Id")) == id) {
            const QString destino = rels.attributes().value(QLatin1String("Target")).toString();
            return destino.startsWith(QLatin1Char('/')) ? destino.mid(1) : QStringLiteral("xl/") + destino;
        }
    }
    compruebaXml(rels, QStringLiteral("xl/_rels/workbook.xml.rels"));
    throw Error(QStringLiteral("the workbook's sheet %1 is not in the file").arg(id));
}

// The text of an element holding <t> runs (a shared string, an inline string), phonetic runs left
// out. The reader stands on the element's start and ends on its end.
QString textoDe(QXmlStreamReader& xml) {
    QString texto;
    const QString fin = xml.name().toString();
    int fonetica = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("rPh"))
                ++fonetica;
            else if (xml.name() == QLatin1String("t") && fonetica == 0)
                texto += xml.readElementText();
        } else if (xml.isEndElement()) {
            if (xml.name() == QLatin1String("rPh"))
                --fonetica;
            else if (xml.name() == fin)
                break;
        }
    }
    return texto;
}

QStringList compartidas(const Zip& zip) {
    QStringList out;
    QXmlStreamReader xml(zip.lee(QStringLiteral("xl/sharedStrings.xml"), true));
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("si"))
            out << textoDe(xml);
    }
    compruebaXml(xml, QStringLiteral("xl/sharedStrings.xml"));
    return out;
}

// "B12" -> column 1, row 11 (both from 0); false when it is not a reference.
bool referencia(QStringView r, int& columna, int& fila) {
    columna = 0;
    qsizetype i = 0;
    while (i < r.size() && r[i].isLetter()) {
        columna = columna * 26 + (r[i].toUpper().unicode() - 'A' + 1);
        ++i;
    }
    bool ok = false;
    fila = r.mid(i).toInt(&ok) - 1;
    --columna;
    return ok && i > 0 && columna >= 0 && fila >= 0;
}

std::vector<FilaHoja> leeXlsx(const QString& fichero) {
    const Zip zip(fichero);
    const QString parte = hojaActiva(zip);
    const QStringList cadenas = compartidas(zip);
    QMap<int, FilaHoja> filas;
    QXmlStreamReader xml(zip.lee(parte));
    int filaActual = -1;
    int siguienteColumna = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("row")) {
            bool ok = false;
            const int r = xml.attributes().value(QLatin1String("r")).toInt(&ok);
            filaActual = ok ? r - 1 : filaActual + 1;
            siguienteColumna = 0;
            continue;
        }
        if (xml.name() != QLatin1String("c"))
            continue;
        int columna = siguienteColumna;
        int fila = filaActual;
        const QStringView ref = xml.attributes().value(QLatin1String("r"));
        if (!ref.isEmpty() && !referencia(ref, columna, fila))
            throw Error(QStringLiteral("%1: a cell named \"%2\"").arg(parte, ref.toString()));
        siguienteColumna = columna + 1;
        const QString tipo = xml.attributes().value(QLatin1String("t")).toString();
        QString valor;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isEndElement() && xml.name() == QLatin1String("c"))
                break;
            if (!xml.isStartElement())
                continue;
            if (xml.name() == QLatin1String("v")) {
                const QString v = xml.readElementText();
                if (tipo == QLatin1String("s")) {
                    bool ok = false;
                    const int n = v.toInt(&ok);
                    if (!ok || n < 0 || n >= cadenas.size())
                        throw Error(QStringLiteral("%1: shared string %2 is not in the file").arg(parte, v));
                    valor = cadenas.at(n);
                } else if (tipo.isEmpty() || tipo == QLatin1String("n")) {
                    valor = textoNumero(v);
                } else {
                    valor = v; // str, b, e, d: as written
                }
            } else if (xml.name() == QLatin1String("is")) {
                valor = textoDe(xml);
            }
        }
        if (columna <= 2 && fila >= 0)
            pon(filas[fila], columna, valor);
    }
    compruebaXml(xml, parte);
    std::vector<FilaHoja> out;
    if (filas.isEmpty())
        return out;
    out.resize(static_cast<std::size_t>(filas.lastKey() + 1));
    for (auto it = filas.cbegin(); it != filas.cend(); ++it)
        out[static_cast<std::size_t>(it.key())] = it.value();
    return out;
}

// ---- xls

QString errorFreexl(int codigo) {
    switch (codigo) {
    case FREEXL_FILE_NOT_FOUND:
        return QStringLiteral("No such file");
    case FREEXL_INSUFFICIENT_MEMORY:
        return QStringLiteral("out of memory");
    case FREEXL_CRAFTED_FILE:
        return QStringLiteral("a damaged workbook");
    default:
        return QStringLiteral("not a readable .xls workbook (error %1)").arg(codigo);
    }
}

std::vector<FilaHoja> leeXls(const QString& fichero) {
    const void* h = nullptr;
    if (const int r = freexl_open(QFile::encodeName(fichero).constData(), &h); r != FREEXL_OK) {
        if (h)
            freexl_close(h);
        throw Error(QStringLiteral("%1: %2").arg(fichero, errorFreexl(r)));
    }
    std::vector<FilaHoja> out;
    try {
        if (const int r = freexl_select_active_worksheet(h, 0); r != FREEXL_OK)
            throw Error(QStringLiteral("%1: %2").arg(fichero, errorFreexl(r)));
        unsigned int filas = 0;
        unsigned short columnas = 0;
        if (const int r = freexl_worksheet_dimensions(h, &filas, &columnas); r != FREEXL_OK)
            throw Error(QStringLiteral("%1: %2").arg(fichero, errorFreexl(r)));
        out.resize(filas);
        for (unsigned int f = 0; f < filas; ++f) {
            for (unsigned short c = 0; c < std::min<unsigned short>(columnas, 3); ++c) {
                FreeXL_CellValue v;
                if (freexl_get_cell_value(h, f, c, &v) != FREEXL_OK)
                    continue;
                QString valor;
                switch (v.type) {
                case FREEXL_CELL_INT:
                    valor = QString::number(v.value.int_value);
                    break;
                case FREEXL_CELL_DOUBLE:
                    valor = textoNumero(v.value.double_value);
                    break;
                case FREEXL_CELL_NULL:
                    break;
                default:
                    valor = QString::fromUtf8(v.value.text_value);
                }
                pon(out[f], c, valor);
            }
        }
    } catch (...) {
        freexl_close(h);
        throw;
    }
    freexl_close(h);
    return out;
}

// ---- csv

// Comma or semicolon: whichever the first line holds more of outside quotes.
QChar separador(const QString& texto) {
    int comas = 0, puntoycomas = 0;
    bool comillas = false;
    for (const QChar ch : texto) {
        if (ch == QLatin1Char('"'))
            comillas = !comillas;
        else if (!comillas && ch == QLatin1Char('\n'))
            break;
        else if (!comillas && ch == QLatin1Char(','))
            ++comas;
        else if (!comillas && ch == QLatin1Char(';'))
            ++puntoycomas;
    }
    return puntoycomas > comas ? QLatin1Char(';') : QLatin1Char(',');
}

std::vector<FilaHoja> leeCsv(const QString& fichero) {
    QFile f(fichero);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("%1: %2").arg(fichero, f.errorString()));
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("%1: %2").arg(fichero, f.errorString()));
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    const QString texto = QString::fromUtf8(bytes);
    const QChar sep = separador(texto);
    std::vector<FilaHoja> out;
    FilaHoja fila;
    QString campo;
    int columna = 0;
    bool comillas = false;
    bool hayAlgo = false;
    const auto cierraCampo = [&] {
        pon(fila, columna, campo);
        campo.clear();
        ++columna;
    };
    const auto cierraFila = [&] {
        cierraCampo();
        out.push_back(fila);
        fila = {};
        columna = 0;
        hayAlgo = false;
    };
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar ch = texto.at(i);
        if (comillas) {
            if (ch == QLatin1Char('"')) {
                if (i + 1 < texto.size() && texto.at(i + 1) == QLatin1Char('"')) {
                    campo += ch;
                    ++i;
                } else {
                    comillas = false;
                }
            } else {
                campo += ch;
            }
            continue;
        }
        hayAlgo = true;
        if (ch == QLatin1Char('"'))
            comillas = true;
        else if (ch == sep)
            cierraCampo();
        else if (ch == QLatin1Char('\n'))
            cierraFila();
        else if (ch != QLatin1Char('\r'))
            campo += ch;
    }
    if (comillas)
        throw Error(QStringLiteral("%1: a quoted field is not closed").arg(fichero));
    if (hayAlgo || !campo.isEmpty())
        cierraFila();
    return out;
}

QString csvCampo(const QString& v) {
    if (!v.contains(QLatin1Char(',')) && !v.contains(QLatin1Char(';')) && !v.contains(QLatin1Char('"')) &&
        !v.contains(QLatin1Char('\n')) && !v.contains(QLatin1Char('\r')))
        return v;
    QString q = v;
    q.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

void escribeCsv(const QString& fichero, const QStringList& cabecera, const std::vector<FilaHoja>& filas) {
    // The byte-order mark tells spreadsheet programs the text is UTF-8.
    QByteArray bytes("\xEF\xBB\xBF");
    const auto linea = [&bytes](const QString& a, const QString& b, const QString& c) {
        bytes += (csvCampo(a) + QLatin1Char(',') + csvCampo(b) + QLatin1Char(',') + csvCampo(c)).toUtf8();
        bytes += "\r\n";
    };
    linea(cabecera.value(0), cabecera.value(1), cabecera.value(2));
    for (const FilaHoja& f : filas)
        linea(f.codigo, f.nombre, f.apellidos);
    config::writeFileSafely(fichero, bytes);
}

// ---- xlsx writing

void escribeXlsx(const QString& fichero, const QStringList& cabecera, const std::vector<FilaHoja>& filas) {
    const QString parcial = fichero + QLatin1String(".part");
    QFile::remove(parcial);
    const QByteArray ruta = QFile::encodeName(parcial);
    lxw_workbook* libro = workbook_new(ruta.constData());
    if (!libro)
        throw Error(QStringLiteral("%1: cannot be created").arg(fichero));
    lxw_worksheet* hoja = workbook_add_worksheet(libro, nullptr);
    lxw_error error = LXW_NO_ERROR;
    const auto escribe = [&](lxw_row_t f, lxw_col_t c, const QString& v) {
        if (error == LXW_NO_ERROR && !v.isEmpty())
            error = worksheet_write_string(hoja, f, c, v.toUtf8().constData(), nullptr);
    };
    for (int c = 0; c < 3; ++c)
        escribe(0, static_cast<lxw_col_t>(c), cabecera.value(c));
    lxw_row_t f = 1;
    for (const FilaHoja& fila : filas) {
        escribe(f, 0, fila.codigo);
        escribe(f, 1, fila.nombre);
        escribe(f, 2, fila.apellidos);
        ++f;
    }
    worksheet_set_column(hoja, 0, 0, 14, nullptr);
    worksheet_set_column(hoja, 1, 2, 24, nullptr);
    const lxw_error cierre = workbook_close(libro);
    if (error == LXW_NO_ERROR)
        error = cierre;
    if (error != LXW_NO_ERROR) {
        QFile::remove(parcial);
        throw Error(QStringLiteral("%1: %2").arg(fichero, QString::fromUtf8(lxw_strerror(error))));
    }
    std::error_code ec;
    std::filesystem::rename(ruta.toStdString(), QFile::encodeName(fichero).toStdString(), ec);
    if (ec) {
        QFile::remove(parcial);
        throw Error(QStringLiteral("%1: %2").arg(fichero, QString::fromLocal8Bit(ec.message().c_str())));
    }
}

} // namespace

FormatoHoja formatoDe(const QString& fichero) {
    const QString ext = QFileInfo(fichero).suffix().toLower();
    if (ext == QLatin1String("xlsx"))
        return FormatoHoja::Xlsx;
    if (ext == QLatin1String("xls"))
        return FormatoHoja::Xls;
    if (ext == QLatin1String("csv"))
        return FormatoHoja::Csv;
    return FormatoHoja::Desconocido;
}

void escribeHoja(const QString& fichero, const QStringList& cabecera, const std::vector<FilaHoja>& filas) {
    switch (formatoDe(fichero)) {
    case FormatoHoja::Xlsx:
        return escribeXlsx(fichero, cabecera, filas);
    case FormatoHoja::Csv:
        return escribeCsv(fichero, cabecera, filas);
    case FormatoHoja::Xls:
        throw Error(
            QStringLiteral("%1: .xls workbooks are read, not written; choose .xlsx or .csv").arg(fichero));
    case FormatoHoja::Desconocido:
        break;
    }
    throw Error(QStringLiteral("%1: not a spreadsheet name (.xlsx, .xls or .csv)").arg(fichero));
}

std::vector<FilaHoja> leeHoja(const QString& fichero) {
    qCDebug(lcHojas) << "reading" << fichero;
    switch (formatoDe(fichero)) {
    case FormatoHoja::Xlsx:
        return leeXlsx(fichero);
    case FormatoHoja::Xls:
        return leeXls(fichero);
    case FormatoHoja::Csv:
        return leeCsv(fichero);
    case FormatoHoja::Desconocido:
        break;
    }
    throw Error(QStringLiteral("%1: not a spreadsheet name (.xlsx, .xls or .csv)").arg(fichero));
}

std::vector<FilaHoja> filasAImportar(const std::vector<FilaHoja>& hoja) {
    std::vector<FilaHoja> out;
    for (std::size_t i = 1; i < hoja.size(); ++i) {
        if (hoja[i].codigo.isEmpty())
            break;
        out.push_back(hoja[i]);
    }
    return out;
}

} // namespace kestrum::store
