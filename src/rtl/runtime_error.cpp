#include "rtl/runtime_error.h"

#include <exception>
#include <new>
#include <string>

namespace varnimo::rtl {

namespace {

// The text quoted, then `rest`. Built by appending: "'" + text as one expression makes
// GCC 12 warn of an overlapping copy that cannot happen.
std::string Quoted(std::string_view text, std::string_view rest) {
    std::string message;
    message.reserve(text.size() + rest.size() + 1);
    message.push_back('\'');
    message.append(text);
    message.append(rest);
    return message;
}

}  // namespace

EConvertError EConvertError::InvalidInteger(std::string_view text) {
    return EConvertError(Quoted(text, "' ist kein gültiger Integerwert"));
}

EConvertError EConvertError::InvalidFloat(std::string_view text) {
    return EConvertError(Quoted(text, "' ist kein gültiger Gleitkommawert"));
}

EInOutError::EInOutError(int error_code)
    : RuntimeError("E/A-Fehler " + std::to_string(error_code)), error_code_(error_code) {}

EImageError EImageError::UnknownExtension(std::string_view extension) {
    return EImageError("Unbekannte Bilddateierweiterung (." + std::string(extension) + ")");
}

EImageError EImageError::Undecodable(std::string_view reason) {
    return EImageError("Ungültiges Bild: " + std::string(reason));
}

EImageError EImageError::TooLarge(std::size_t limit_bytes) {
    return EImageError("Bilddatei zu groß (über " + std::to_string(limit_bytes >> 20) + " MiB)");
}

std::string CurrentErrorText() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "Zu wenig Arbeitsspeicher";
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "Unbekannter Fehler";
    }
}

}  // namespace varnimo::rtl
