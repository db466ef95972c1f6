// The start of a run: the windows in their fixed order, each running its creation steps.
#pragma once

#include <memory>

namespace kestrum::ui {

class F_Camera_Control;
class F_Clone_Controller;
class F_Contr_N;
class F_Delete_Conf;
class F_Edit_User;
class F_Editar_Card;
class F_edit_controller;
class F_Error_insert;
class F_Exp_imp;
class F_Gestion_BD;
class F_imp_XLS;
class F_Lector_ES;
class F_Login;
class F_Main;
class F_Muestra_Del;
class F_Muestra_recep;
class F_New_Camera;
class F_New_Card;
class F_Nuevo_login;
class F_Nuevo_Usr;
class F_Parametros_app;
class F_Presencia_Amplia;
class F_Presencia_Estancia;
class F_Auditoria;
class F_Pregunta_Elimina;
class F_Pregunta_elimina_tarj;
class F_Send_Card;
class F_recv_users;
class F_User_Muestra;

struct Ventanas {
    // In their order of creation.
    std::unique_ptr<F_Login> login;
    std::unique_ptr<F_Gestion_BD> gestion;
    std::unique_ptr<F_Main> main;
    std::unique_ptr<F_Nuevo_Usr> nuevoUsr;
    std::unique_ptr<F_Contr_N> contrN;
    std::unique_ptr<F_edit_controller> editController;
    std::unique_ptr<F_Clone_Controller> cloneController;
    std::unique_ptr<F_Muestra_recep> muestraRecep;
    std::unique_ptr<F_Delete_Conf> deleteConf;
    std::unique_ptr<F_Muestra_Del> muestraDel;
    std::unique_ptr<F_Pregunta_Elimina> preguntaElimina;
    std::unique_ptr<F_Send_Card> sendCard;
    std::unique_ptr<F_New_Card> newCard;
    std::unique_ptr<F_Pregunta_elimina_tarj> preguntaEliminaTarj;
    std::unique_ptr<F_Error_insert> errorInsert;
    std::unique_ptr<F_Editar_Card> editarCard;
    std::unique_ptr<F_Nuevo_login> nuevoLogin;
    std::unique_ptr<F_recv_users> recvUsers;
    std::unique_ptr<F_Exp_imp> expImp;
    std::unique_ptr<F_imp_XLS> impXLS;
    std::unique_ptr<F_Edit_User> editUser;
    std::unique_ptr<F_Parametros_app> parametros;
    std::unique_ptr<F_Camera_Control> cameraControl;
    std::unique_ptr<F_New_Camera> newCamera;
    std::unique_ptr<F_Lector_ES> lectorES;
    std::unique_ptr<F_Presencia_Amplia> presenciaAmplia;
    std::unique_ptr<F_User_Muestra> userMuestra;
    std::unique_ptr<F_Presencia_Estancia> presenciaEstancia;
    std::unique_ptr<F_Auditoria> auditoria;
    ~Ventanas();
};

// Creates the windows; the login window then is the one to show. Raises kestrum::Error when the
// console cannot start (a data root it cannot use): nothing has been written then.
std::unique_ptr<Ventanas> creaVentanas();

// What SIGTERM, SIGINT or SIGHUP do: the console closes as its Exit does; before the windows
// exist, the question the start is asking is closed.
void alRecibirSenyal(Ventanas* ventanas);

} // namespace kestrum::ui
