// The report engine: a definition file (our own JSON format, docs/reports.md) bound to one
// dataset, laid out into pages that paint on any QPainter: the preview, a printer, a PDF writer.
// Widget-free: the command line writes PDFs with it.
#pragma once

#include <QFont>
#include <QHash>
#include <QList>
#include <QLoggingCategory>
#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVariant>

class QPainter;
class QPagedPaintDevice;

Q_DECLARE_LOGGING_CATEGORY(lcReports)

namespace kestrum::reports {

// One dataset: its column names and its rows, each row one value per column.
struct Datos {
    QStringList campos;
    QList<QVariantList> filas;
};

// One piece of text placed on a page, in layout units (tenths of a point from the paper's corner).
struct Trozo {
    enum Estilo { Normal, Negrita, Titulo };
    QRectF rect;
    QString texto;
    Estilo estilo = Normal;
    Qt::Alignment alineacion = Qt::AlignLeft;
};

// A rule drawn across the page under the header, the column captions and above the footer.
struct Raya {
    qreal y = 0;
};

class Informe {
public:
    // Layout units per inch: tenths of a point.
    static constexpr qreal UNIDADES_PULGADA = 720.0;

    Informe();

    // Reads a definition. False when there is no such file: the definition already loaded stays.
    // A file that exists but cannot be read or is not a valid definition raises kestrum::Error with
    // the reason, and the definition already loaded stays too.
    bool LoadFromFile(const QString& path);
    bool cargado() const { return cargado_; }
    QString fichero() const { return fichero_; }

    void setDatos(Datos datos);
    const Datos& datos() const { return datos_; }
    // Texts for ${name}, e.g. "campo_3" -> "Surname"; "pagina_de" -> "Page %1 of %2".
    void setTextos(const QHash<QString, QString>& textos);
    // Values for ${name}; they take precedence over the texts.
    void setVariables(const QHash<QString, QString>& variables);

    // Lays the dataset out into pages; raises kestrum::Error when no definition is loaded.
    void PrepareReport();
    int paginas() const { return static_cast<int>(paginas_.size()); }

    QPageLayout pageLayout() const { return pagina_; }
    QSizeF tamanoPagina() const; // in layout units
    // What page `n` (from 0) shows.
    QList<Trozo> trozos(int n) const;
    QList<Raya> rayas(int n) const;
    // Paints page `n` with the page's corner at the painter's origin, scaled for its device.
    void pinta(QPainter& painter, int n) const;
    // Pages `desde` to `hasta` (from 0; -1: the last), one after another, on `device` (a QPrinter
    // or a QPdfWriter), whose page layout becomes the report's.
    void imprime(QPagedPaintDevice& device, int desde = 0, int hasta = -1) const;
    // Writes the whole report to `fichero` through a temporary file renamed once complete; raises
    // kestrum::Error with the system's reason.
    void exportaPdf(const QString& fichero) const;

    // Where `texto` (without regard to case) appears on page `n`, in layout units.
    QList<QRectF> busca(int n, const QString& texto) const;

    QFont fuente(Trozo::Estilo estilo) const;
    QString titulo() const { return expande(def_.titulo); }
    // `plantilla` with its ${name}s replaced as on page `pagina` (from 0).
    QString expandeTexto(const QString& plantilla, int pagina = -1) const {
        return expande(plantilla, nullptr, pagina);
    }

private:
    struct Columna {
        QString campo;
        QString titulo;
        qreal ancho = 1; // share of the printable width
        Qt::Alignment alineacion = Qt::AlignLeft;
        QString formato; // "", "date", "date:<pattern>", "datetime", "number", "number:<decimals>"
    };
    struct Definicion {
        QPageLayout pagina;
        QString titulo, cabeceraIzq, cabeceraDer, pieIzq, pieDer, resumen;
        QList<Columna> columnas;
        QString grupoCampo, grupoTitulo;
        qreal cuerpo = 9; // points
    };
    // One laid-out line of the body: a row, a group's heading or the summary.
    struct Linea {
        enum Tipo { Fila, Grupo, Resumen };
        Tipo tipo = Fila;
        qreal alto = 0;
        QList<QStringList> celdas; // Fila: the wrapped lines of each cell
        QString texto;             // Grupo, Resumen
    };

    static Definicion lee(const QByteArray& json, const QString& path);
    QString expande(const QString& plantilla, const QVariantList* fila = nullptr, int pagina = -1) const;
    QString formatea(const QVariant& valor, const QString& formato) const;
    int columnaDe(const QString& campo) const;
    QList<int> ordenFilas(int grupo) const;
    QList<qreal> anchos() const;
    qreal altoLinea(Trozo::Estilo estilo) const;
    QRectF cuerpo() const; // the area between header and footer on every page
    qreal inicioFilas(int n) const;

    Definicion def_;
    bool cargado_ = false;
    QString fichero_;
    Datos datos_;
    QHash<QString, QString> textos_;
    QHash<QString, QString> variables_;
    QPageLayout pagina_;
    QList<Linea> lineas_;
    QList<QPair<int, int>> paginas_; // [first, last) body lines of each page
};

// The full path of "Data/<nombre>.frf" among the read-only resources.
QString definicion(const QString& nombre);

namespace detail {
// Test-only: definicion() looks in `folder` instead of the resources' "Data"; empty: there again.
void setDefinitionsFolderForTests(const QString& folder);
} // namespace detail

// QPageSize for the locale: Letter in the United States and Canada, A4 elsewhere.
QPageSize tamanoLocal(const QLocale& locale);

} // namespace kestrum::reports
