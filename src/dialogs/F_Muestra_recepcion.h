// F_Muestra_recep: the progress of a transfer between the console and the controllers — a text
// line, a bar and a moving picture — in a tool window that stays on top.
#pragma once

#include <QDialog>
#include <QScopeGuard>
#include <functional>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace kestrum::ops {
struct ProgresoLector;
}

namespace kestrum::ui {

class F_Muestra_recep : public QDialog {
    Q_OBJECT
public:
    explicit F_Muestra_recep(QWidget* parent = nullptr);
    void FormCreate();

    QLabel* Label1() const { return label1_; }
    QProgressBar* P1() const { return p1_; }
    void setAnimacion(bool activa);
    bool animacion() const;
    // One step forward; the bar stops at its end.
    void avanza();

    // The per-reader view of a transfer on every port at once: a row per reader with its counts
    // and state, and a cancel. Hidden for the transfers that show only the line and the bar.
    QTreeWidget* L_Lectores() const { return lectores_; }
    QPushButton* B_Cancelar() const { return cancelar_; }
    void muestraLectores(bool visibles);
    // Row `indice` of `lectores` as it stands now.
    void muestraLector(const std::vector<ops::ProgresoLector>& lectores, int indice);

    // Follows a transfer on every port at once (send or receive all) until the returned guard
    // ends: a row per reader, the text line, the whole on the bar (`porLeidas`: counted by the
    // positions read rather than the cards handled), and the cancel.
    template <class Transferencia> [[nodiscard]] auto sigue(Transferencia& t, bool porLeidas) {
        empieza(porLeidas);
        const auto avance = connect(&t, &Transferencia::progreso, this, [this, &t, porLeidas](int i) {
            muestraAvance(t.lectores(), i, porLeidas);
        });
        const auto cancela = connect(this, &F_Muestra_recep::cancelado, &t, [&t] { t.cancela(); });
        return qScopeGuard([this, avance, cancela] {
            disconnect(avance);
            disconnect(cancela);
            termina();
        });
    }

signals:
    void cancelado();

private:
    void gira();
    void empieza(bool recibiendo);
    void termina();
    void muestraAvance(const std::vector<ops::ProgresoLector>& lectores, int indice, bool porLeidas);

    QLabel* ani1_;
    QLabel* label1_;
    QProgressBar* p1_;
    QTreeWidget* lectores_;
    QPushButton* cancelar_;
    QTimer* animacion_;
    int paso_ = 0;
};

} // namespace kestrum::ui
