// F_Main: the main window. Tool bar, the navigator with its lists of the open installation, the
// tools and reports tabs; and the start-up steps that open the databases.
#pragma once

#include "presencia.h"
#include "reintento.h"
#include "udorqcoleccionincidencia.h"
#include "udorqcomunicador.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QCalendarWidget;
class QLabel;
class QRadioButton;
class QStackedWidget;
class QTabWidget;
class QTimer;
class QToolButton;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;

namespace kestrum::store {
class DORQTarjeta;
}

namespace kestrum::reports {
class Informe;
class VistaInforme;
} // namespace kestrum::reports

namespace kestrum::ui {

class F_Gestion_BD;
class F_Login;
class ModeloLista;
struct Ventanas;
enum class Lista;

class F_Main : public QMainWindow {
    Q_OBJECT
public:
    // Navigator nodes by absolute index.
    enum Nodo { Raiz = 0, Usuarios, Tarjetas, Lectores, Gestion, Logins, Parametros };

    explicit F_Main(QWidget* parent = nullptr);
    ~F_Main() override;

    void setVentanas(Ventanas* ventanas);
    Ventanas* ventanas() const { return ventanas_; }
    // Lays the window out, provisions and connects the databases, opens the remembered
    // installation and loads the texts.
    void FormCreate();

    // Start-up and installations.
    void Prepara_Ficheros_BD();
    void Link_BBDD();
    // Prepara_Ficheros_BD and Link_BBDD. A database server that cannot be reached or refuses the
    // user does not stop the start: false, with the server's answer kept in Consola::errorBD for
    // the login window, which offers the server settings and tries again.
    bool Conecta_BD();
    QString Lee_Ultima_Instalacion();
    void Carga_Instalaciones(const QString& code);
    void Abre_Instalacion(const QString& code);

    // Login and lock.
    void Determina_Interfaz(const QString& rol);
    void B_LoginClick();
    void Desbloquea();

    // Navigator and lists.
    void Arbol1Change(QTreeWidgetItem* node);
    void PageControl1Change(int tab);
    void selecciona(Nodo nodo);
    void Refresca_Lista_INI();
    void Refrescar_usuariosII();
    void Refrescar_tarjetas();
    void Refrescar_Controladores();
    void Refresca_Logins();
    void Control_Botones_Cx(bool enabled);
    bool Find_userFind(const QString& text);
    bool Find_cardsFind(const QString& text);
    void Image2Click();
    void Image6Click(); // the camera window

    // Connects the dialogs that change what the lists show (after they are created).
    void conectaDialogos();

    // ---- controller test and event registering (UF_Main_registro.cpp)
    bool Registrando() const { return registrando_; }
    void I_PLAY_OFFClick(); // start registering
    void I_PLAY_ONClick();  // stop registering
    void Test_Controlador(int numero, int fila);
    // One controller's test answer into both lists of the readers' panel.
    void muestraTest(int numero, int fila, const kestrum::link::TTest_Informacion& info,
                     const QString& errorPuerto);
    void testeaALaVez(const QList<int>& numeros);
    void B_Test_CxClick();
    void B_Test_TODOSClick();
    void Muestra_Incidencia(const kestrum::link::TEventoInformacion& info);
    void Eliminar_Tarj_cad_Y_Test_LectoresTimer();
    // Cards the periodic task sends at most per tick, so that a tick stays short.
    static constexpr int REENVIOS_POR_TICK = 20;
    void SpeedButton1Click(); // load the events of the chosen range
    void B_SalvarClick();
    void B_RecuperarClick();
    void Salva_Incidencias(const QString& fichero);    // the save without its file dialog
    void Recupera_Incidencias(const QString& fichero); // the restore without its file dialog
    void B_Buscar_IncClick();
    bool Find_INCFind(const QString& text);
    void Lista_IncidenciasClick();
    void SpeedButton5Click(); // print
    void SpeedButton9Click(); // clear

    // ---- card distribution and workflows (UF_Main_flujos.cpp)
    bool Borro_la_tarjeta_TODOS_CX(const std::shared_ptr<store::DORQTarjeta>& tarjeta);
    void Elimina_Tarjeta_Lectores(const QString& codigo);
    void Libera_Tarjeta_Lectores(const QString& codigo);
    void B_DeleteClick();
    void B_Delete_CardsClick();
    void B_vacia_CardsClick();
    void B_Delete_CxClick();
    void B_Master_CardClick();
    void B_Delete_loginClick();
    void B_Nuevo_LoginClick();
    void B_Nueva_CxClick();
    void B_Editar_cxClick();
    void B_Clone_cxClick();
    void B_New_USR_MainClick();
    void B_edit_usrClick();
    void B_New_CardClick();
    void B_Edit_CardClick();
    // Send all and receive all; afterwards the holders' and cards' lists are rebuilt and every
    // controller tested.
    void B_SendClick();
    void B_ReceiveClick();
    void B_AuditarClick(); // the audit of the chosen readers (every one when none is chosen)
    // Export and import of cards and holders; afterwards the lists are rebuilt and every controller
    // tested.
    void B_Export_importClick();
    void SpeedButton28Click(); // installation management
    void SpeedButton29Click(); // application parameters
    // Opens the pending-card window for the card of `row` when that row shows pending assignments.
    void Lista3DblClick(int row);

    // ---- attendance (UF_Main_presencia.cpp)
    void Image3Click();
    void Recalcula_Arbol();
    void Arbol_PresenciaChange(QTreeWidgetItem* node);
    void Obtener_Valores_Entrada_Salida(int usuario);
    void Lista_PresenciaDblClick();
    void SpeedButton2Click();                      // reader types
    void SpeedButton7Click();                      // save the list
    void SpeedButton3Click();                      // load a list
    void SpeedButton8Click();                      // the larger view
    void Guarda_Presencia(const QString& elegido); // the save without its file dialog
    void Carga_Presencia(const QString& fichero);  // the load without its file dialog
    std::vector<FilaPresencia> filasPresencia() const;
    // The list through the report engine: printed (printer dialog), or saved as PDF.
    void B_Imprimir_PresenciaClick();
    void B_PDF_PresenciaClick();
    void Guarda_Presencia_PDF(const QString& elegido); // the save without its file dialog

    const QStringList& meses() const { return meses_; }
    const QStringList& nombresEventos() const { return nombresEventos_; }
    QTimer* timerPeriodico() const { return periodico_; }

signals:
    // An event the installation's log recorded.
    void incidenciaRegistrada(const kestrum::link::TEventoInformacion& info);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void construye();
    void construyeEstado();
    QWidget* construyeBarra();
    QWidget* construyeNavegador();
    QWidget* construyeHerramientas();
    QWidget* construyeInformes();
    QWidget* construyePresencia(QWidget* parent);
    void conectaPresencia();
    void muestraReenvios(const std::vector<ops::Reenvio>& envios, const QHash<int, QString>& lectores);
    void muestraPresencia(const std::vector<FilaPresencia>& filas);
    std::optional<reports::Informe> informePresencia();
    QWidget* construyeCentro();
    QWidget* panelLista(const QString& name, const QStringList& buttons, QTreeView* list);
    QTreeView* lista(const QString& name, Lista which, bool multi);
    QTreeView* lista(const QString& name, const QStringList& headers, bool multi);
    QTreeView* lista(const QString& name, ModeloLista* model, bool multi);
    void FormActivate();
    void FormClose();
    void registraReceptor();
    void muestraDiario(store::DORQColeccionIncidencia::EstadoDiario estado, const QString& razon, int n);
    void SpeedButton25Click();
    void dialogoBuscar(const QString& name, const std::function<bool(const QString&)>& find);
    void SpeedButton21Click();
    bool busca(QTreeView* view, const QString& text, int lastSub);
    QToolButton* boton(const QString& name) const;
    int nodoIndex(QTreeWidgetItem* node) const;

    QTabWidget* pageControl_ = nullptr;
    QTreeWidget* arbol_ = nullptr;
    QTreeWidget* arbolReports_ = nullptr;
    QLabel* cuerpo_ = nullptr;
    QStackedWidget* centro_ = nullptr;
    QStackedWidget* navegador_ = nullptr;
    QStackedWidget* herramientas_ = nullptr;
    QLabel* whichTool_ = nullptr;
    QTreeView* listaIni_ = nullptr;
    QTreeView* lista1_ = nullptr;
    QTreeView* lista3_ = nullptr;
    QTreeView* l1Contr_ = nullptr;
    QTreeView* l2Contr_ = nullptr;
    QTreeView* lista4_ = nullptr;
    QTreeView* incidencias_ = nullptr;
    QTreeView* presencia_ = nullptr;
    QTreeWidget* arbolPresencia_ = nullptr;
    QLabel* usuarioPresencia_ = nullptr;
    QLabel* totalPresencia_ = nullptr;
    QCalendarWidget* calendario_ = nullptr;
    QRadioButton* r1_ = nullptr;
    QTimer* periodico_ = nullptr;
    void conectaRegistro(); // wiring of the controller test and event panel (UF_Main_registro.cpp)
    void conectaFlujos();   // wiring of the workflows' buttons (UF_Main_flujos.cpp)
    void conectaTeclas();
    void conectaOperaciones();
    // What suspending events, resuming them and a controller operation mean for this window.
    void alSuspender();
    void alReanudar(bool timerSiempre);
    void alCambiarOperacion(bool enCurso);
    void trasTransferencia();
    void trasCambioInstalacion(const QString& codigo, bool recarga);

    Ventanas* ventanas_ = nullptr;
    QList<QPointer<QWidget>> ocultas_; // windows the lock hid
    QStringList meses_;
    QStringList nombresEventos_;
    bool registrando_ = false;

    // ---- reports tree (UF_Main_informes.cpp)
public:
    // Writes the report captions of the language in use into the catalogue's LANGREP.
    void Graba_Textos_Informes();
    // Runs the node's report into the preview; the root, or a report whose definition file is
    // missing, leaves the preview as it is.
    void Arbol_REPORTSChange(QTreeWidgetItem* node);
    reports::VistaInforme* frPreview1() const { return frPreview1_; }

private:
    void construyeVistaInforme(QWidget* panel);
    void conectaInformes();
    reports::VistaInforme* frPreview1_ = nullptr;
};

} // namespace kestrum::ui
