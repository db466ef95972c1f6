// F_Parametros_app: the console's general settings — language, release of expired cards, the
// periodic reader test, the desktop card reader. The main window prepares it, shows it with events
// suspended and, when a stored setting changed, writes the settings and offers a restart.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QRadioButton;
class QTableWidget;

namespace kestrum::ui {

class G_Servidor;

class F_Parametros_app : public QDialog {
    Q_OBJECT
public:
    explicit F_Parametros_app(QWidget* parent = nullptr);
    void FormCreate();

    // From the current settings and the open installation's controllers.
    void Prepara();
    // Takes the choices into the settings; true when a stored setting differs from when it was
    // prepared (the caller then writes the settings and asks about the restart).
    bool Acepta();

    QComboBox* C_Idioma() const { return idioma_; }
    QComboBox* C_Lectores_Lectura() const { return lectores_; }
    QCheckBox* CH_Lectura_Lector() const { return lectura_; }
    QCheckBox* CH_Reintento() const { return reintento_; }
    QRadioButton* R(int n) const { return radios_[n - 1]; }
    // One row per serial port the readers name or the settings map: the port number and its
    // device, chosen among the system's serial devices or typed (pseudo-terminals are not listed).
    QTableWidget* T_Serie() const { return serie_; }
    void setDispositivo(int fila, const QString& dispositivo);
    // Where the databases are: this computer, or a Firebird server; used from the next start.
    G_Servidor* G_Servidor_BD() const { return servidor_; }

    void C_IdiomaChange();
    void CH_Lectura_LectorClick();
    void C_Lectores_LecturaChange();

private:
    QString lectorElegido() const; // the chosen entry's number, empty when none
    void preparaSerie();
    bool aceptaSerie(); // true when a mapping changed

    QComboBox* idioma_;
    QComboBox* lectores_;
    QCheckBox* lectura_;
    QCheckBox* reintento_;
    QTableWidget* serie_;
    G_Servidor* servidor_;
    QRadioButton* radios_[8];
    int elInc_ = 0;
    bool liberar_ = false;
    bool testear_ = false;
    bool reintentar_ = true;
    QString usaLector_;
};

} // namespace kestrum::ui
