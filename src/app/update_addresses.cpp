#include "app/update_addresses.h"

#include <cstdlib>

namespace varnimo::app {

namespace {

std::optional<int> PortNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 5) {
        return std::nullopt;
    }
    int port = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

}  // namespace

std::optional<UpdateServerAddress> ParseUpdateServer(std::string_view text) {
    UpdateServerAddress address;
    std::string_view host = text;
    std::string_view port;
    bool has_port = false;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        host = text.substr(1, close - 1);
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') {
                return std::nullopt;
            }
            port = rest.substr(1);
            has_port = true;
        }
    } else if (const std::size_t colon = text.find(':');
               colon != std::string_view::npos &&
               text.find(':', colon + 1) == std::string_view::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        has_port = true;
    }
    if (host.empty() || host.find_first_of(" \t\r\n[]") != std::string_view::npos) {
        return std::nullopt;
    }
    address.host = std::string(host);
    if (has_port) {
        auto number = PortNumber(port);
        if (!number) {
            return std::nullopt;
        }
        address.port = *number;
    }
    return address;
}

UpdateServerAddress UpdateServerFromEnvironment(std::string* problem) {
    const char* value = std::getenv(kUpdateServerVariable);
    if (value == nullptr || *value == '\0') {
        return {};
    }
    if (auto address = ParseUpdateServer(value)) {
        return *address;
    }
    if (problem != nullptr) {
        *problem = std::string(kUpdateServerVariable) + "=" + value +
                   " is not host[:port] with a port from 1 to 65535; no update server is asked";
    }
    UpdateServerAddress none;
    none.host.clear();
    return none;
}

}  // namespace varnimo::app
