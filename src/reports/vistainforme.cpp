#include "vistainforme.h"

#include "avisos.h"
#include "errores.h"
#include "langtexts.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace kestrum::reports {

namespace {

constexpr int HUECO = 12; // pixels around and between the pages
constexpr qreal PASO_ZOOM = 1.25;
constexpr qreal ESCALA_MIN = 0.02;
constexpr qreal ESCALA_MAX = 1.0;

const char* const BOTONES[] = {"B_Zoom_mas",  "B_Zoom_menos", "B_Ancho",    "B_Entera", "B_Anterior",
                               "B_Siguiente", "B_Buscar",     "B_Imprimir", "B_Pdf",    "B_Salir"};

ui::LangTable textos() {
    ui::LangTable t;
    const QString prefijo = QStringLiteral("KS_VistaInforme_");
    for (const char* b : BOTONES) {
        const QString name = QLatin1String(b);
        t << ui::lang::caption(name).withWholeKey(prefijo + name + QStringLiteral("_Caption"));
        t << ui::lang::hint(name).withWholeKey(prefijo + name + QStringLiteral("_Hint"));
    }
    t << ui::lang::hint(QStringLiteral("E_Buscar")).withWholeKey(prefijo + QStringLiteral("E_Buscar_Hint"));
    return t;
}

} // namespace

// The canvas under the scroll area: paints only the pages the event asks for.
class VistaInforme::Hojas : public QWidget {
public:
    explicit Hojas(VistaInforme* vista) : QWidget(vista), vista_(vista) {
        setObjectName(QStringLiteral("Hojas"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.fillRect(event->rect(), palette().color(QPalette::Dark));
        const Informe* informe = vista_->informe();
        if (!informe)
            return;
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        for (int n = 0; n < informe->paginas(); ++n) {
            const QRect r = vista_->rectPagina(n);
            if (r.top() > event->rect().bottom())
                break;
            if (!r.intersects(event->rect()))
                continue;
            painter.fillRect(r, Qt::white);
            painter.save();
            painter.translate(r.topLeft());
            const qreal s = vista_->escala_;
            // Informe::pinta scales by the device's resolution; this makes it the zoom instead.
            painter.scale(s * Informe::UNIDADES_PULGADA / logicalDpiX(),
                          s * Informe::UNIDADES_PULGADA / logicalDpiY());
            informe->pinta(painter, n);
            painter.restore();
            if (n == vista_->paginaMarcas_) {
                for (const QRectF& m : std::as_const(vista_->marcas_)) {
                    const QRectF en(r.topLeft() + m.topLeft() * s, m.size() * s);
                    painter.fillRect(en, QColor(255, 200, 0, 110));
                }
            }
        }
    }

private:
    VistaInforme* vista_;
};

VistaInforme::VistaInforme(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("VistaInforme"));
    // A tool bar folds what does not fit into its extension menu: the captions of some languages are
    // long.
    auto* barra = new QToolBar(this);
    barra->setObjectName(QStringLiteral("Barra_Vista"));
    barra->setIconSize(QSize(16, 16));
    auto* zoomMas = boton(QStringLiteral("B_Zoom_mas"), QStringLiteral("+"), -1);
    auto* zoomMenos = boton(QStringLiteral("B_Zoom_menos"), QStringLiteral("-"), -1);
    auto* ancho = boton(QStringLiteral("B_Ancho"), QStringLiteral("Width"), -1);
    auto* entera = boton(QStringLiteral("B_Entera"), QStringLiteral("Page"), -1);
    auto* anterior = boton(QStringLiteral("B_Anterior"), QStringLiteral("Previous"), QStyle::SP_ArrowUp);
    auto* siguiente = boton(QStringLiteral("B_Siguiente"), QStringLiteral("Next"), QStyle::SP_ArrowDown);
    pagina_ = new QLabel(this);
    pagina_->setObjectName(QStringLiteral("L_Pagina"));
    buscar_ = new QLineEdit(this);
    buscar_->setObjectName(QStringLiteral("E_Buscar"));
    buscar_->setClearButtonEnabled(true);
    buscar_->setMinimumWidth(120);
    buscar_->setMaximumWidth(220);
    auto* bBuscar =
        boton(QStringLiteral("B_Buscar"), QStringLiteral("Find"), QStyle::SP_FileDialogContentsView);
    auto* imprimir = boton(QStringLiteral("B_Imprimir"), QStringLiteral("Print"), -1);
    auto* pdf = boton(QStringLiteral("B_Pdf"), QStringLiteral("PDF"), QStyle::SP_DialogSaveButton);
    auto* bSalir = boton(QStringLiteral("B_Salir"), QStringLiteral("Exit"), QStyle::SP_DialogCloseButton);
    for (QWidget* w :
         {static_cast<QWidget*>(zoomMas), static_cast<QWidget*>(zoomMenos), static_cast<QWidget*>(ancho),
          static_cast<QWidget*>(entera), static_cast<QWidget*>(anterior), static_cast<QWidget*>(siguiente),
          static_cast<QWidget*>(pagina_)})
        barra->addWidget(w);
    barra->addSeparator();
    barra->addWidget(buscar_);
    barra->addWidget(bBuscar);
    auto* hueco = new QWidget(barra);
    hueco->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    barra->addWidget(hueco);
    barra->addWidget(imprimir);
    barra->addWidget(pdf);
    barra->addWidget(bSalir);

    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("Scroll_Paginas"));
    scroll_->setBackgroundRole(QPalette::Dark);
    scroll_->setAlignment(Qt::AlignHCenter);
    hojas_ = new Hojas(this);
    scroll_->setWidget(hojas_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(barra);
    layout->addWidget(scroll_, 1);

    const auto seguro = [](auto f) { return [f] { ui::protegido(f); }; };
    connect(zoomMas, &QToolButton::clicked, this, [this] { amplia(PASO_ZOOM); });
    connect(zoomMenos, &QToolButton::clicked, this, [this] { amplia(1 / PASO_ZOOM); });
    connect(ancho, &QToolButton::clicked, this, [this] { ajusta(Ajuste::AnchoPagina); });
    connect(entera, &QToolButton::clicked, this, [this] { ajusta(Ajuste::PaginaEntera); });
    connect(anterior, &QToolButton::clicked, this, [this] { irAPagina(actual_ - 1); });
    connect(siguiente, &QToolButton::clicked, this, [this] { irAPagina(actual_ + 1); });
    const auto find = [this] {
        if (!busca(buscar_->text()) && !buscar_->text().isEmpty())
            ui::Avisa(QStringLiteral("KS_No_match"), {buscar_->text()});
    };
    connect(bBuscar, &QToolButton::clicked, this, find);
    connect(buscar_, &QLineEdit::returnPressed, this, find);
    connect(imprimir, &QToolButton::clicked, this, seguro([this] { imprime(); }));
    connect(pdf, &QToolButton::clicked, this, seguro([this] { guardaPdf(); }));
    connect(bSalir, &QToolButton::clicked, this, [this] {
        limpia();
        emit salir();
    });
    connect(scroll_->verticalScrollBar(), &QScrollBar::valueChanged, this, &VistaInforme::siguePagina);
    const auto atajo = [this](const QKeySequence& keys, auto f) {
        auto* s = new QShortcut(keys, this);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        connect(s, &QShortcut::activated, this, f);
    };
    atajo(QKeySequence::Find, [this] {
        buscar_->setFocus();
        buscar_->selectAll();
    });
    atajo(QKeySequence::ZoomIn, [this] { amplia(PASO_ZOOM); });
    atajo(QKeySequence::ZoomOut, [this] { amplia(1 / PASO_ZOOM); });
    atajo(QKeySequence(Qt::Key_PageDown), [this] { irAPagina(actual_ + 1); });
    atajo(QKeySequence(Qt::Key_PageUp), [this] { irAPagina(actual_ - 1); });

    ui::applyLangTexts(this, QStringLiteral("VistaInforme"), textos());
    actualiza();
}

VistaInforme::~VistaInforme() = default;

QToolButton* VistaInforme::boton(const QString& name, const QString& texto, int icono) {
    auto* b = new QToolButton(this);
    b->setObjectName(name);
    b->setText(texto);
    b->setAutoRaise(true);
    if (icono >= 0) {
        b->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icono)));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    }
    return b;
}

void VistaInforme::muestra(const Informe& informe) {
    informe_ = informe;
    marcas_.clear();
    paginaMarcas_ = -1;
    buscado_.clear();
    actual_ = 0;
    ajuste_ = Ajuste::AnchoPagina;
    actualiza();
    scroll_->verticalScrollBar()->setValue(0);
}

void VistaInforme::limpia() {
    informe_.reset();
    marcas_.clear();
    paginaMarcas_ = -1;
    actual_ = 0;
    actualiza();
}

QRect VistaInforme::rectPagina(int n) const {
    if (!informe_)
        return {};
    const QSizeF size = informe_->tamanoPagina() * escala_;
    const int alto = qRound(size.height());
    return QRect(HUECO, HUECO + n * (alto + HUECO), qRound(size.width()), alto);
}

// The scale for the fit in use, the canvas's size and the page indicator.
void VistaInforme::actualiza() {
    const bool hay = informe_.has_value() && informe_->paginas() > 0;
    for (QToolButton* b : findChildren<QToolButton*>())
        b->setEnabled(hay || b->objectName() == QLatin1String("B_Salir"));
    buscar_->setEnabled(hay);
    if (!hay) {
        pagina_->clear();
        hojas_->resize(0, 0);
        hojas_->update();
        return;
    }
    const QSizeF page = informe_->tamanoPagina();
    const QSize area = scroll_->maximumViewportSize() -
                       QSize(2 * HUECO + scroll_->verticalScrollBar()->sizeHint().width(), 2 * HUECO);
    const qreal ancho = area.width() / page.width();
    if (ajuste_ == Ajuste::AnchoPagina)
        escala_ = ancho;
    else if (ajuste_ == Ajuste::PaginaEntera)
        escala_ = std::min(ancho, area.height() / page.height());
    escala_ = std::clamp(escala_, ESCALA_MIN, ESCALA_MAX);
    const QRect last = rectPagina(informe_->paginas() - 1);
    hojas_->resize(last.right() + HUECO + 1, last.bottom() + HUECO + 1);
    hojas_->update();
    pagina_->setText(informe_->expandeTexto(QStringLiteral("${pagina_de}"), actual_));
}

void VistaInforme::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (ajuste_ != Ajuste::Libre) {
        const int keep = actual_;
        actualiza();
        irAPagina(keep);
    }
}

void VistaInforme::ajusta(Ajuste ajuste) {
    const int keep = actual_;
    ajuste_ = ajuste;
    actualiza();
    irAPagina(keep);
}

void VistaInforme::amplia(qreal factor) {
    const int keep = actual_;
    ajuste_ = Ajuste::Libre;
    escala_ *= factor;
    actualiza();
    irAPagina(keep);
}

void VistaInforme::irAPagina(int n) {
    if (!informe_ || informe_->paginas() == 0)
        return;
    const int pagina = std::clamp(n, 0, informe_->paginas() - 1);
    scroll_->verticalScrollBar()->setValue(rectPagina(pagina).top() - HUECO);
    // The page asked for, even when the view cannot bring it to the top (the last pages).
    actual_ = pagina;
    pagina_->setText(informe_->expandeTexto(QStringLiteral("${pagina_de}"), actual_));
}

// The page shown is the one at the middle of the view.
void VistaInforme::siguePagina(int valor) {
    if (!informe_ || informe_->paginas() == 0)
        return;
    const int medio = valor + scroll_->viewport()->height() / 2;
    const int paso = rectPagina(1).top() - rectPagina(0).top();
    actual_ = std::clamp((medio - HUECO) / std::max(paso, 1), 0, informe_->paginas() - 1);
    pagina_->setText(informe_->expandeTexto(QStringLiteral("${pagina_de}"), actual_));
}

bool VistaInforme::busca(const QString& texto) {
    if (!informe_ || texto.isEmpty())
        return false;
    // Again with the same text: on from the page after the last match.
    const bool otra = texto.compare(buscado_, Qt::CaseInsensitive) == 0 && paginaMarcas_ == actual_;
    const int desde = otra ? actual_ + 1 : actual_;
    buscado_ = texto;
    const int total = informe_->paginas();
    for (int k = 0; k < total; ++k) {
        const int n = (desde + k) % total;
        QList<QRectF> found = informe_->busca(n, texto);
        if (found.isEmpty())
            continue;
        marcas_ = std::move(found);
        paginaMarcas_ = n;
        irAPagina(n);
        // The first match in view, not only its page.
        const qreal y = rectPagina(n).top() + marcas_.first().top() * escala_;
        scroll_->ensureVisible(rectPagina(n).left() + qRound(marcas_.first().left() * escala_), qRound(y), 20,
                               scroll_->viewport()->height() / 3);
        actual_ = n;
        pagina_->setText(informe_->expandeTexto(QStringLiteral("${pagina_de}"), actual_));
        hojas_->update();
        return true;
    }
    marcas_.clear();
    paginaMarcas_ = -1;
    hojas_->update();
    return false;
}

void VistaInforme::imprime() {
    if (!informe_)
        return;
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        const QString texto = ui::textoAviso(QStringLiteral("KS_Report_no_printer"));
        ui::Avisos::instance().publica(texto);
        QMessageBox::information(this, window()->windowTitle(), texto);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setPageLayout(informe_->pageLayout());
    printer.setDocName(informe_->titulo());
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, informe_->paginas());
    if (dialog.exec() != QDialog::Accepted)
        return;
    int desde = 0;
    int hasta = informe_->paginas() - 1;
    if (printer.printRange() == QPrinter::PageRange) {
        desde = printer.fromPage() - 1;
        hasta = printer.toPage() - 1;
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        desde = hasta = actual_;
    }
    informe_->imprime(printer, desde, hasta);
    ui::Avisa(QStringLiteral("KS_Report_printed"), {printer.printerName()});
}

QString VistaInforme::conExtensionPdf(const QString& fichero) {
    return QFileInfo(fichero).suffix().isEmpty() ? fichero + QStringLiteral(".pdf") : fichero;
}

void VistaInforme::guardaPdf() {
    if (!informe_)
        return;
    const QString fichero =
        QFileDialog::getSaveFileName(this, ui::textoAviso(QStringLiteral("KS_Report_Save_Title")),
                                     QDir::homePath(), QStringLiteral("PDF (*.pdf)"));
    if (!fichero.isEmpty())
        guardaPdf(fichero);
}

QString VistaInforme::guardaPdf(const QString& fichero) {
    const QString nombre = conExtensionPdf(fichero);
    informe_->exportaPdf(nombre);
    ui::Avisa(QStringLiteral("KS_Report_saved"), {QDir::toNativeSeparators(nombre)});
    return nombre;
}

} // namespace kestrum::reports
