// The expiry group the holder and card editors share: a check box, a date picker and a time picker
// whose date and time of day together make a card's expiry.
#pragma once

#include "langtexts.h"

#include <QDateTime>
#include <QString>

class QCheckBox;
class QDateEdit;
class QDialog;
class QPushButton;
class QGroupBox;
class QLabel;
class QTimeEdit;
class QWidget;

namespace kestrum::ui {

class GrupoCaducidad {
public:
    // Control names differ between the windows: the group's and its two labels' come from the caller.
    // The pickers start at the current date and time: a ticked box never stores a card expired already.
    GrupoCaducidad(const QString& grupo, const QString& etiquetaFecha, const QString& etiquetaHora,
                   QWidget* parent);

    // The note under the pickers and their tooltips, from the language key `clave`.
    static LangTable textosAviso(const QString& clave);

    QGroupBox* grupo() const { return grupo_; }
    QCheckBox* CH_Usar_Caducidad() const { return usar_; }
    QDateEdit* E_Fecha_cad() const { return fecha_; }
    QTimeEdit* E_Hora_cad() const { return hora_; }

    bool usar() const;
    // The picker's date with the other picker's time of day.
    QDateTime caducidad() const;
    void ponCaducidad(const QDateTime& t);
    // Pickers and labels follow the check box (Muestra_Habilita_caducidad).
    void Muestra_Habilita_caducidad();

private:
    QGroupBox* grupo_;
    QCheckBox* usar_;
    QLabel* etiquetaFecha_;
    QLabel* etiquetaHora_;
    QDateEdit* fecha_;
    QTimeEdit* hora_;
};

// The frame of the two card windows: a note, the card's code beside its label, the expiry group,
// Cancel and OK. Cancel rejects the window; the OK button is returned for the window to connect.
QPushButton* disponVentanaTarjeta(QDialog* window, QWidget* codigo, GrupoCaducidad& caducidad);
// Their texts, in the order the language file lists them.
const LangTable& textosVentanaTarjeta();

} // namespace kestrum::ui
