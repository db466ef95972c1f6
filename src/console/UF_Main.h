// F_Main: the main window. Tool bar, the navigator with its lists of the open installation, the
// tools and reports tabs; and the start-up steps that open the databases.
#pragma once

#include "udorqcomunicador.h"

#include <QMainWindow>
#include <QStringList>

class QLabel;
class QStackedWidget;
class QTabWidget;
class QTimer;
class QToolButton;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;

namespace kestrum::ui {

class F_Gestion_BD;
class F_Login;
class ModeloLista;
enum class Lista;

class F_Main : public QMainWindow {
    Q_OBJECT
public:
    // Navigator nodes by absolute index.
    enum Nodo { Raiz = 0, Usuarios, Tarjetas, Lectores, Gestion, Logins, Parametros };

    explicit F_Main(QWidget* parent = nullptr);
    ~F_Main() override;

    void setVentanas(F_Login* login, F_Gestion_BD* gestion);
    // Lays the window out, provisions and connects the databases, opens the remembered
    // installation and loads the texts.
    void FormCreate();

    // Start-up and installations.
    void Prepara_Ficheros_BD();
    void Link_BBDD();
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

    void B_Test_TODOSClick();

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
    QWidget* construyeBarra();
    QWidget* construyeNavegador();
    QWidget* construyeHerramientas();
    QWidget* construyeInformes();
    QWidget* construyeCentro();
    QWidget* panelLista(const QString& name, const QStringList& buttons, QTreeView* list);
    QTreeView* lista(const QString& name, Lista which, bool multi);
    QTreeView* lista(const QString& name, const QStringList& headers, bool multi);
    QTreeView* lista(const QString& name, ModeloLista* model, bool multi);
    void FormActivate();
    void FormClose();
    void registraReceptor();
    void SpeedButton25Click();
    void SpeedButton21Click();
    bool busca(QTreeView* view, const QString& text, int lastSub);
    QToolButton* boton(const QString& name) const;
    int nodoIndex(QTreeWidgetItem* node) const;

    F_Login* login_ = nullptr;
    F_Gestion_BD* gestion_ = nullptr;
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
    QTimer* periodico_ = nullptr;
    QStringList meses_;
    QStringList nombresEventos_;
};

} // namespace kestrum::ui
