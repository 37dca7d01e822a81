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

ConversionError ConversionError::InvalidInteger(std::string_view text) {
    return ConversionError(Quoted(text, "' ist kein gültiger Integerwert"));
}

ConversionError ConversionError::InvalidFloat(std::string_view text) {
    return ConversionError(Quoted(text, "' ist kein gültiger Gleitkommawert"));
}

InOutError::InOutError(int error_code)
    : RuntimeError("E/A-Fehler " + std::to_string(error_code)), error_code_(error_code) {}

ImageError ImageError::UnknownExtension(std::string_view extension) {
    return ImageError("Unbekannte Bilddateierweiterung (." + std::string(extension) + ")");
}

ImageError ImageError::Undecodable(std::string_view reason) {
    return ImageError("Ungültiges Bild: " + std::string(reason));
}

ImageError ImageError::TooLarge(std::size_t limit_bytes) {
    return ImageError("Bilddatei zu groß (über " + std::to_string(limit_bytes >> 20) + " MiB)");
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
