// F_User_Muestra: the holder of an event, shown beside the event list: names, photo, cards and the
// controllers that hold one of the cards. Not modal; the main window fills it.
#pragma once

#include <QDialog>

class QLabel;
class QListWidget;

namespace kestrum::ui {

class F_User_Muestra : public QDialog {
    Q_OBJECT
public:
    explicit F_User_Muestra(QWidget* parent = nullptr);
    void FormCreate();

    QLabel* L_Nombre() const { return nombre_; }
    QLabel* L_Apellidos() const { return apellidos_; }
    QLabel* I_Foto() const { return foto_; }
    QListWidget* Lista_Tarjetas() const { return tarjetas_; }
    // One entry per controller, carrying its number; the checks only show, the operator cannot set them.
    QListWidget* CHLista1() const { return controladores_; }

    void Limpia();
    // An empty path, or a file that does not load, leaves the photo empty.
    void Muestra_Foto(const QString& path);
    // The entry reads "number description" and keeps the number under Qt::UserRole.
    void Anyade_Controlador(int numero, const QString& descripcion);

private:
    QLabel* nombre_;
    QLabel* apellidos_;
    QLabel* foto_;
    QListWidget* tarjetas_;
    QListWidget* controladores_;
};

} // namespace kestrum::ui
