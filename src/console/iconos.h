// The console's pictures: a small set taken from the Tango icon theme (data/icons), bundled as Qt
// resources, named by what they mean rather than by an image-list index.
#pragma once

#include <QIcon>

namespace kestrum::ui {

enum class Icono {
    Ninguno,
    // list rows and navigator nodes
    Usuario,
    UsuarioPendiente, // some assignment of one of the holder's cards is not stored in hardware
    Tarjeta,
    TarjetaPendiente,
    Caducidad, // the card uses its expiry date
    Lector,
    Login,
    Calendario,
    // controller test: answered with a matching card count (image 12), answered with another count
    // (image 13), no answer (image 11), and a port that did not open
    ControladorOk,
    ControladorAviso,
    ControladorSinRespuesta,
    PuertoCerrado,
    // event types 1 to 6 (images 2, 1, 4, 9, 7, 8); the reader alarm also marks the status row of a
    // controller that did not answer (image 8)
    AccesoPermitido,
    AccesoDenegado,
    PulsadorSalida,
    AperturaPuerta,
    EventoPuerta,
    AlarmaLector,
    // tool bar and tools tab
    Candado,
    UsuarioNuevo,
    Eventos,
    Test,
    Enviar,
    Recibir,
    ExportarImportar,
    Cerrar,
    Presencia,
    Camaras,
    // navigator root, management nodes and the left pane's tabs
    Instalacion,
    Gestion,
    Parametros,
    Herramientas,
    Informes,
    Informe,
    // list panels' buttons and the event registering switch
    Editar,
    Borrar,
    Buscar,
    TarjetaNueva,
    LectorNuevo,
    Master,
    Vaciar,
    Clonar,
    RegistroOn,
    RegistroOff,
    // the attendance list's buttons
    Guardar,
    Abrir,
    Ampliar,
    Imprimir,
    Pdf,
};
inline constexpr int NUMERO_ICONOS = static_cast<int>(Icono::Pdf) + 1;

// Every size the set holds for that picture; a null icon for Ninguno. Built once, then shared.
// Needs a QGuiApplication.
QIcon icono(Icono which);

// The picture of an event type (Imagen_Incidencia); Ninguno outside 1 to 6.
Icono iconoIncidencia(int tipo);

} // namespace kestrum::ui
