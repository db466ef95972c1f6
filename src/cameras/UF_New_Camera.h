// F_New_Camera: a new camera's number, description and address. "Aceptar" waits until the address
// answered a ping; the video address starts as the camera maker's Motion JPEG path on that address
// and can be changed for a camera whose stream lives elsewhere.
#pragma once

#include "pinger.h"

#include <QDialog>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace kestrum::ui {

// The reply of a ping in words, in the language in use.
QString textoRespuesta(const cameras::PingReply& reply);

class F_New_Camera : public QDialog {
    Q_OBJECT
public:
    explicit F_New_Camera(QWidget* parent = nullptr);
    void FormCreate();
    void setPinger(std::shared_ptr<cameras::Pinger> pinger) { pinger_ = std::move(pinger); }

    // "http://" + address + the camera maker's Motion JPEG path.
    static QString direccionVideo(const QString& ip);

    QLineEdit* Edit1() const { return numero_; }
    QLineEdit* Edit2() const { return descripcion_; }
    QLineEdit* Edit3() const { return ip_; }
    QLineEdit* E_Video() const { return video_; }
    QPushButton* Button2() const { return aceptar_; }
    QLabel* L_Aviso() const { return aviso_; }

    // Empties the number and the description, as before each new camera.
    void Prepara();
    // Pings the typed address (Enter in the IP field, or the test picture).
    void Compruebar();
    // Closes with a positive result when a number, a new one, and a usable address were given.
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void alCambiarIp(const QString& ip);
    void alResponder(const QString& ip, const cameras::PingReply& reply);
    void invalida();

    QLineEdit* numero_;
    QLineEdit* descripcion_;
    QLineEdit* ip_;
    QLineEdit* video_;
    QToolButton* prueba_;
    QPushButton* aceptar_;
    QLabel* aviso_;
    std::shared_ptr<cameras::Pinger> pinger_;
    QString videoPorDefecto_; // the address the field holds while the operator did not change it
    int peticion_ = 0;        // replies to an earlier ping are not for the address typed now
};

} // namespace kestrum::ui
