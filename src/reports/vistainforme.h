// The report preview: the prepared pages one under the other in a scrolled area, with a tool bar
// to zoom, move between pages, find text, print, save as PDF and leave.
#pragma once

#include "informe.h"

#include <QWidget>
#include <optional>

class QLabel;
class QLineEdit;
class QScrollArea;
class QToolButton;

namespace kestrum::reports {

class VistaInforme : public QWidget {
    Q_OBJECT
public:
    enum class Ajuste { AnchoPagina, PaginaEntera, Libre };

    explicit VistaInforme(QWidget* parent = nullptr);
    ~VistaInforme() override;

    // Shows a copy of `informe` (prepared) from its first page, at page width.
    void muestra(const Informe& informe);
    void limpia();
    const Informe* informe() const { return informe_ ? &*informe_ : nullptr; }

    int paginaActual() const { return actual_; }
    void irAPagina(int n);
    Ajuste ajuste() const { return ajuste_; }
    void ajusta(Ajuste ajuste);
    // Screen pixels per layout unit.
    qreal escala() const { return escala_; }
    void amplia(qreal factor);

    // The next page, from the one shown (or the one after the last match), where `texto` appears:
    // shown with its matches marked. False when the report holds it nowhere.
    bool busca(const QString& texto);
    const QList<QRectF>& marcas() const { return marcas_; }

    void imprime();
    void guardaPdf();
    // Writes the PDF, ".pdf" added when the name has no extension; returns the name written.
    QString guardaPdf(const QString& fichero);
    static QString conExtensionPdf(const QString& fichero);

signals:
    // The operator left the preview; it is empty now.
    void salir();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class Hojas;
    QToolButton* boton(const QString& name, const QString& texto, int icono);
    void actualiza();
    void siguePagina(int valor);
    QRect rectPagina(int n) const;

    std::optional<Informe> informe_;
    Hojas* hojas_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QLineEdit* buscar_ = nullptr;
    QLabel* pagina_ = nullptr;
    Ajuste ajuste_ = Ajuste::AnchoPagina;
    qreal escala_ = 0.1;
    int actual_ = 0;
    QString buscado_;
    int paginaMarcas_ = -1;
    QList<QRectF> marcas_;

    friend class Hojas;
};

} // namespace kestrum::reports
