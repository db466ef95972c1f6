// What the new-holder and holder editors share: the holder's names and photo, the list of cards
// with its drop-down, the readers the holder may pass, the expiry of the cards, and the steps that
// put the listed cards into the chosen controllers. Tool windows without blocking; the main window
// suspends events before showing one and the editor resumes them when it closes.
#pragma once

#include "caducidad.h"
#include "langtexts.h"
#include "lectorescritorio.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace kestrum::store {
class DORQColeccionTarjeta;
class DORQTarjeta;
class DORQUsuario;
} // namespace kestrum::store

namespace kestrum::ui {

class EditorTitular : public QDialog {
    Q_OBJECT
public:
    // Card-list icons: a free card of the store, a code the store does not have, a card with holder.
    enum IconoTarjeta { Libre = 0, Nueva = 1, ConTitular = 2 };

    void FormCreate();

    QLineEdit* Edit1() const { return edit1_; }
    QLineEdit* Edit2() const { return edit2_; }
    QLabel* I_Foto() const { return foto_; }
    QComboBox* C_Tarjetas() const { return tarjetas_; }
    QCheckBox* CH1() const { return ch1_; }
    QTreeWidget* Lista1() const { return lista1_; }
    QListWidget* CHLista1() const { return lectores_; }
    GrupoCaducidad& caducidad() { return caducidad_; }
    // The photo shown, the full path; empty when none.
    const QString& foto() const { return foto_path_; }

    // Resets the editor for a showing; runs each time it is shown.
    virtual void Prepara() = 0;
    void Rellena_Tarjetas();
    void B_MasClick();
    void B_EliminarClick();
    void B_FotoClick();
    // The file the picture dialog returned: shown only when it lies directly in the Pictures folder.
    void Elige_Foto(const QString& path);
    // Shows the picture of `path` (no picture when empty or unreadable) and remembers it.
    void Muestra_Foto(const QString& path);
    void B_Quit_FotoClick();
    void Muestra_Habilita_caducidad() { caducidad_.Muestra_Habilita_caducidad(); }
    // A card from the desktop reader goes into the card entry, to be added by the operator.
    void Recibida_Lectura(const link::TEventoInformacion& info);
    void B_AceptarClick();

    static QString carpetaFotos();

    void done(int result) override;

protected:
    EditorTitular(const QString& nombre, int minimoEnter, bool menuLista, QWidget* parent);

    // Accept's own steps, between disabling the window and enabling it again.
    virtual void Acepta() = 0;
    // After Accept, whether it finished (`hecho`) or failed; a failed one keeps what was typed.
    virtual void trasAceptar(bool hecho) { Q_UNUSED(hecho); }

    // The readers list from the controllers store, every row ticked or not; lends the desktop
    // reader to this editor when it is in use.
    void rellenaLectores(bool marcados);
    // One row of the card list; `tarjeta` null for a code the store does not have.
    void anyadeFila(const QString& codigo, const store::DORQTarjeta* tarjeta, IconoTarjeta icono);
    void marcaLectoresDe(const store::DORQTarjeta& tarjeta);
    void habilita(bool on);
    // Steps common to both editors at the start of a showing.
    void preparaComun(bool lectoresMarcados);
    // Every listed card to `titular` and into the ticked readers that answer.
    void asignaTarjetas(const std::shared_ptr<store::DORQUsuario>& titular);
    // The name of the photo file shown, without folder.
    QString fotografia() const;

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    QLineEdit* edit1_;
    QLineEdit* edit2_;

private:
    QString nombre_;
    int minimoEnter_;
    LangTable texts_;
    QLabel* foto_;
    QString foto_path_;
    QComboBox* tarjetas_;
    QCheckBox* ch1_;
    QTreeWidget* lista1_;
    QListWidget* lectores_;
    GrupoCaducidad caducidad_;
    QList<QWidget*> controles_;
    LectorEscritorio lector_;
    bool ocupado_ = false;
};

} // namespace kestrum::ui
