// F_Camera_Control: the cameras of the settings file's sections "1" to "4", one at a time (viewers
// AXIS1 to AXIS4, viewer n for camera n, stacked in Panel3) or all in the two-by-two grid (AXIS5 to
// AXIS8 in Panel4, cell k for the k-th camera in number order). Each view is started only after
// its camera's host answered a ping; one that does not answer is hidden.
#pragma once

#include "pinger.h"

#include <QDialog>
#include <array>
#include <memory>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kestrum::cameras {
class MjpegViewer;
}

namespace kestrum::ui {

class F_New_Camera;

class F_Camera_Control : public QDialog {
    Q_OBJECT
public:
    static constexpr int CAMARAS = 4;
    static constexpr int VISORES = 2 * CAMARAS;

    explicit F_Camera_Control(QWidget* parent = nullptr);
    ~F_Camera_Control() override;
    void FormCreate();
    // The new-camera dialog pings with the window's pinger.
    void setNuevaCamara(F_New_Camera* dialogo);
    void setPinger(std::shared_ptr<cameras::Pinger> pinger);

    // Viewer n, 1 to 8, and the grid caption of viewer n, 5 to 8.
    cameras::MjpegViewer* AXIS(int n) const { return visores_.at(n - 1); }
    QLabel* L_CAM(int n) const { return rotulos_.at(n - 1 - CAMARAS); }
    QTreeWidget* Arbol1() const { return arbol_; }
    QWidget* Panel3() const { return panel3_; }
    QWidget* Panel4() const { return panel4_; }
    QPushButton* SpeedButton1() const { return nueva_b_; }
    QPushButton* SpeedButton2() const { return borra_b_; }
    QPushButton* SpeedButton4() const { return cuatro_b_; }
    QLabel* L_Aviso() const { return aviso_; }
    bool enUso(int n) const { return enUso_.at(n - 1); }

    void Carga_Camaras();
    void Arbol1Change(QTreeWidgetItem* node);
    void SpeedButton4Click(); // the grid
    void SpeedButton1Click(); // new camera
    void SpeedButton2Click(); // delete camera
    // "New" and "Delete" are not offered to the role "USER".
    void Determina_Interfaz(const QString& rol);

    // The host a viewer's address names.
    static QString hostDe(const QString& url);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* construyeUnica();
    QWidget* construyeCuadricula();
    void muestraUnica();
    void para(int desde, int hasta);
    void pinga(int n);
    void alResponder(int n, const cameras::PingReply& reply);

    QTreeWidget* arbol_;
    QWidget* panel3_;
    QWidget* panel4_;
    QPushButton* nueva_b_;
    QPushButton* borra_b_;
    QPushButton* cuatro_b_;
    QLabel* aviso_;
    std::array<cameras::MjpegViewer*, VISORES> visores_{};
    std::array<QLabel*, CAMARAS> rotulos_{};
    std::array<bool, VISORES> enUso_{};
    // Each ping stamps its viewer; a reply that a later ping or a stop overtook is dropped.
    std::array<int, VISORES> peticion_{};
    std::shared_ptr<cameras::Pinger> pinger_;
    F_New_Camera* nueva_ = nullptr;
};

} // namespace kestrum::ui
