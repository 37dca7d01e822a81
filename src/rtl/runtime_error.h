#pragma once
// Runtime errors: a failure that ends the current event handler and whose text the
// application's top-level handler shows in an error box. The texts are German, as the
// program's runtime message catalogue has always been.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace varnimo::rtl {

// Base of every runtime error; what() is the exact text the user sees.
class RuntimeError : public std::runtime_error {
  public:
    explicit RuntimeError(const std::string& message) : std::runtime_error(message) {}
};

// A text that is not a number where one is required.
class ConversionError : public RuntimeError {
  public:
    explicit ConversionError(const std::string& message) : RuntimeError(message) {}
    // "'%s' ist kein gültiger Integerwert"
    static ConversionError InvalidInteger(std::string_view text);
    // "'%s' ist kein gültiger Gleitkommawert"
    static ConversionError InvalidFloat(std::string_view text);
};

// A file that exists but cannot be opened, read, created or written.
class InOutError : public RuntimeError {
  public:
    // `error_code` is the system's error number (errno); the text is "E/A-Fehler %d".
    explicit InOutError(int error_code);
    int ErrorCode() const noexcept { return error_code_; }

  private:
    int error_code_;
};

// A screenshot that cannot be shown.
class ImageError : public RuntimeError {
  public:
    explicit ImageError(const std::string& message) : RuntimeError(message) {}
    // "Unbekannte Bilddateierweiterung (.%s)"; `extension` without the dot.
    static ImageError UnknownExtension(std::string_view extension);
    // "Ungültiges Bild: %s" with the decoder's reason.
    static ImageError Undecodable(std::string_view reason);
    // "Bilddatei zu groß (über %d MiB)": refused before it is read.
    static ImageError TooLarge(std::size_t limit_bytes);
};

// The text a top-level handler shows for the exception it is handling: what() of one that
// says what it is, "Zu wenig Arbeitsspeicher" when memory ran out, "Unbekannter Fehler" for
// anything else. Call it only inside a catch block.
std::string CurrentErrorText();

}  // namespace varnimo::rtl
