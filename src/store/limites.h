// The length of every text column, by table. The schema creates its columns with these numbers and
// the windows hold their entries to them, so typing can never overflow a column.
#pragma once

namespace kestrum::store::limites {

namespace instalacion {
inline constexpr int NOMBRE = 100;
} // namespace instalacion

// The catalogue's logins.
namespace usuario {
inline constexpr int LOGIN = 30;
inline constexpr int PASSWORD = 200; // holds the salted hash, not what was typed
inline constexpr int ROL = 10;
// The column keeps a hash of fixed size: a typed password is held to the login's length instead.
inline constexpr int PASSWORD_TECLEADA = LOGIN;
} // namespace usuario

namespace langrep {
inline constexpr int IDIOMA = 60;
inline constexpr int CAMPO = 200; // each of CAMPO_1 .. CAMPO_13
} // namespace langrep

namespace dorqcontrolador {
inline constexpr int TIPO = 20;
inline constexpr int DESCRIPCION = 200;
} // namespace dorqcontrolador

namespace dorqtarjeta {
inline constexpr int CODIGO_TARJETA = 10;
} // namespace dorqtarjeta

namespace dorqusuario {
inline constexpr int NOMBRE = 100;
inline constexpr int APELLIDOS = 150;
inline constexpr int FOTOGRAFIA = 255;
} // namespace dorqusuario

namespace dorqincidencia {
inline constexpr int HIST_CONTROLADOR = 200;
inline constexpr int TARJETA = 20;
inline constexpr int HIST_TARJETA = 260;
inline constexpr int DESCRIPCION = 300;
} // namespace dorqincidencia

// The one-letter "S"/"N" marks (BLOQUEADO, USAR_FECHA_CAD, PERMANENTE, _STOREDINHW).
inline constexpr int MARCA = 1;

} // namespace kestrum::store::limites
