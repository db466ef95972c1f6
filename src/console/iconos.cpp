#include "iconos.h"

#include "langtexts.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <array>

// The resources live in a static library: without this call the linker drops them.
static void initResources() {
    Q_INIT_RESOURCE(iconos);
}

namespace kestrum::ui {

namespace {

// A Tango picture, optionally with a second one painted small over its lower right corner: the
// theme has no "pending" or "new" variants of its pictures.
struct Dibujo {
    const char* archivo = nullptr;
    const char* emblema = nullptr;
};

Dibujo dibujo(Icono which) {
    switch (which) {
    case Icono::Ninguno:
        return {};
    case Icono::Usuario:
        return {"system-users"};
    case Icono::UsuarioPendiente:
        return {"system-users", "emblem-important"};
    case Icono::Tarjeta:
        return {"contact-new"};
    case Icono::TarjetaPendiente:
        return {"contact-new", "emblem-important"};
    case Icono::Caducidad:
        return {"image-loading"};
    case Icono::Lector:
        return {"network-wireless"};
    case Icono::Login:
        return {"application-certificate"};
    case Icono::Calendario:
        return {"office-calendar"};
    case Icono::ControladorOk:
        return {"network-transmit-receive"};
    case Icono::ControladorAviso:
        return {"dialog-warning"};
    case Icono::ControladorSinRespuesta:
        return {"network-offline"};
    case Icono::PuertoCerrado:
        return {"network-error"};
    case Icono::AccesoPermitido:
        return {"go-next"};
    case Icono::AccesoDenegado:
        return {"dialog-error"};
    case Icono::PulsadorSalida:
        return {"system-log-out"};
    case Icono::AperturaPuerta:
        return {"go-last"};
    case Icono::EventoPuerta:
        return {"dialog-information"};
    case Icono::AlarmaLector:
        return {"process-stop"};
    case Icono::Candado:
        return {"system-lock-screen"};
    case Icono::UsuarioNuevo:
        return {"system-users", "list-add"};
    case Icono::Eventos:
        return {"utilities-system-monitor"};
    case Icono::Test:
        return {"view-refresh"};
    case Icono::Enviar:
        return {"go-up"};
    case Icono::Recibir:
        return {"go-down"};
    case Icono::ExportarImportar:
        return {"x-office-spreadsheet"};
    case Icono::Cerrar:
        return {"system-shutdown"};
    case Icono::Presencia:
        return {"x-office-calendar"};
    case Icono::Camaras:
        return {"camera-video"};
    case Icono::Instalacion:
        return {"go-home"};
    case Icono::Gestion:
        return {"preferences-system"};
    case Icono::Parametros:
        return {"applications-system"};
    case Icono::Herramientas:
        return {"applications-accessories"};
    case Icono::Informes:
        return {"document-print-preview"};
    case Icono::Informe:
        return {"x-office-document"};
    case Icono::Editar:
        return {"accessories-text-editor"};
    case Icono::Borrar:
        return {"edit-delete"};
    case Icono::Buscar:
        return {"edit-find"};
    case Icono::TarjetaNueva:
        return {"contact-new", "list-add"};
    case Icono::LectorNuevo:
        return {"network-wireless", "list-add"};
    case Icono::Master:
        return {"contact-new", "emblem-system"};
    case Icono::Vaciar:
        return {"edit-clear"};
    case Icono::Clonar:
        return {"edit-copy"};
    case Icono::RegistroOn:
        return {"media-record"};
    case Icono::RegistroOff:
        return {"media-playback-start"};
    case Icono::Guardar:
        return {"document-save"};
    case Icono::Abrir:
        return {"document-open"};
    case Icono::Ampliar:
        return {"view-fullscreen"};
    case Icono::Imprimir:
        return {"document-print"};
    case Icono::Pdf:
        return {"x-office-document", "document-save"};
    }
    return {};
}

// The sizes the set is copied in: 16 for lists, trees and button bars, 32 for the tool bar and the
// big pictures. QIcon scales down from the nearest.
constexpr int TAMANOS[] = {16, 32};

QString ruta(int tamano, const char* nombre) {
    return QStringLiteral(":/icons/%1/%2.png").arg(tamano).arg(QLatin1String(nombre));
}

QIcon construye(Icono which) {
    const Dibujo d = dibujo(which);
    QIcon icon;
    if (!d.archivo)
        return icon;
    for (const int tamano : TAMANOS) {
        const QString path = ruta(tamano, d.archivo);
        if (!QFile::exists(path))
            continue;
        if (!d.emblema) {
            icon.addFile(path, QSize(tamano, tamano));
            continue;
        }
        QString emblema = ruta(tamano, d.emblema);
        if (!QFile::exists(emblema))
            emblema = ruta(TAMANOS[0], d.emblema);
        QPixmap pixmap(path);
        const int lado = (tamano * 5 + 4) / 8;
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(QRect(tamano - lado, tamano - lado, lado, lado), QPixmap(emblema));
        painter.end();
        icon.addPixmap(pixmap);
    }
    if (icon.isNull())
        qCWarning(lcUi) << "no picture" << d.archivo << "among the resources";
    return icon;
}

} // namespace

QIcon icono(Icono which) {
    static const bool resources = (initResources(), true);
    Q_UNUSED(resources);
    static std::array<QIcon, NUMERO_ICONOS> cache;
    const auto index = static_cast<std::size_t>(which);
    if (index >= cache.size())
        return {};
    if (cache[index].isNull())
        cache[index] = construye(which);
    return cache[index];
}

Icono iconoIncidencia(int tipo) {
    switch (tipo) {
    case 1:
        return Icono::AccesoPermitido;
    case 2:
        return Icono::AccesoDenegado;
    case 3:
        return Icono::PulsadorSalida;
    case 4:
        return Icono::AperturaPuerta;
    case 5:
        return Icono::EventoPuerta;
    case 6:
        return Icono::AlarmaLector;
    default:
        return Icono::Ninguno;
    }
}

} // namespace kestrum::ui
