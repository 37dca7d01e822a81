#include "rtl/runtime_error.h"

#include <string>

namespace varnimo::rtl {

EConvertError EConvertError::InvalidInteger(std::string_view text) {
    return EConvertError("'" + std::string(text) + "' ist kein gültiger Integerwert");
}

EConvertError EConvertError::InvalidFloat(std::string_view text) {
    return EConvertError("'" + std::string(text) + "' ist kein gültiger Gleitkommawert");
}

EInOutError::EInOutError(int error_code)
    : RuntimeError("E/A-Fehler " + std::to_string(error_code)), error_code_(error_code) {}

EImageError EImageError::UnknownExtension(std::string_view extension) {
    return EImageError("Unbekannte Bilddateierweiterung (." + std::string(extension) + ")");
}

EImageError EImageError::Undecodable(std::string_view reason) {
    return EImageError("Ungültiges Bild: " + std::string(reason));
}

}  // namespace varnimo::rtl
