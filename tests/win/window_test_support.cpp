#include "window_test_support.h"

#include <wincodec.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "com_ptr.h"

namespace varnimo::win::test {

namespace {

void Check(HRESULT result, const char* what) {
    if (FAILED(result)) {
        throw std::runtime_error(std::string("cannot ") + what);
    }
}

ComPtr<IWICImagingFactory> Factory() {
    ComPtr<IWICImagingFactory> factory;
    Check(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Receive())),
          "make the imaging factory");
    return factory;
}

// Encodes `width` x `height` pixels of 32-bit BGR (top row first) into `path`.
void Encode(const std::filesystem::path& path, const GUID& format, int width, int height,
            std::vector<std::uint32_t>& pixels) {
    ComPtr<IWICImagingFactory> factory = Factory();
    ComPtr<IWICStream> stream;
    Check(factory->CreateStream(stream.Receive()), "make a stream");
    Check(stream->InitializeFromFilename(path.wstring().c_str(), GENERIC_WRITE), "open the file");
    ComPtr<IWICBitmapEncoder> encoder;
    Check(factory->CreateEncoder(format, nullptr, encoder.Receive()), "make an encoder");
    Check(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache), "start the encoder");
    ComPtr<IWICBitmapFrameEncode> frame;
    Check(encoder->CreateNewFrame(frame.Receive(), nullptr), "make a frame");
    Check(frame->Initialize(nullptr), "start the frame");
    Check(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)), "size the frame");
    WICPixelFormatGUID pixel_format = GUID_WICPixelFormat32bppBGR;
    Check(frame->SetPixelFormat(&pixel_format), "choose the pixel format");
    ComPtr<IWICBitmap> source;
    Check(factory->CreateBitmapFromMemory(static_cast<UINT>(width), static_cast<UINT>(height),
                                          GUID_WICPixelFormat32bppBGR, static_cast<UINT>(width * 4),
                                          static_cast<UINT>(pixels.size() * 4),
                                          reinterpret_cast<BYTE*>(pixels.data()), source.Receive()),
          "wrap the pixels");
    Check(frame->WriteSource(source.Get(), nullptr), "write the pixels");
    Check(frame->Commit(), "finish the frame");
    Check(encoder->Commit(), "finish the file");
}

}  // namespace

bool Near(Colour actual, Colour expected) {
    return std::abs(actual.red - expected.red) < 24 &&
           std::abs(actual.green - expected.green) < 24 &&
           std::abs(actual.blue - expected.blue) < 24;
}

Colour ColourOf(std::uint32_t pixel) {
    return {static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
            static_cast<int>(pixel & 0xFF)};
}

void WritePicture(const std::filesystem::path& path, Colour colour, const GUID& format, int width,
                  int height) {
    const std::uint32_t pixel = 0xFF000000u | (static_cast<std::uint32_t>(colour.red) << 16) |
                                (static_cast<std::uint32_t>(colour.green) << 8) |
                                static_cast<std::uint32_t>(colour.blue);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height), pixel);
    Encode(path, format, width, height, pixels);
}

bool SavePng(HBITMAP bitmap, const std::filesystem::path& path) {
    BITMAP shape{};
    if (::GetObjectA(bitmap, sizeof shape, &shape) == 0) {
        return false;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shape.bmWidth;
    info.bmiHeader.biHeight = -shape.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(shape.bmWidth * shape.bmHeight));
    HDC screen = ::GetDC(nullptr);
    const int rows = ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(shape.bmHeight),
                                 pixels.data(), &info, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    if (rows != shape.bmHeight) {
        return false;
    }
    try {
        Encode(path, GUID_ContainerFormatPng, shape.bmWidth, shape.bmHeight, pixels);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return "(missing)";
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

DemoFolder::DemoFolder(Settings settings) : previous_(std::filesystem::current_path()) {
    static int made = 0;
    dir_ = std::filesystem::temp_directory_path() /
           ("varnimo-window-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(++made));
    std::filesystem::remove_all(dir_);
    for (const char* sub : {"shots", "roms", "snes9x", "zsnes"}) {
        std::filesystem::create_directories(dir_ / sub);
    }
    if (settings.with_catalogue) {
        WriteFile(Path("SNES_screens.dat"),
                  "1.5\r\n"
                  "Gamma Blocks (J);gamma_t.png;gamma_i.png;1;1\r\n"
                  "Alpha Quest (U);alpha_t.png;alpha_i.jpg;8;1\r\n"
                  "Omega Missing (U);omega_t.png;omega_i.png;1;1\r\n"
                  "beta Racer (E);beta_t.JPEG;beta_i.bmp;13;2\r\n"
                  "Delta Force (G);delta_t.jpg;delta_i.gif;18;5\r\n");
    }
    if (settings.with_options) {
        WriteFile(Path("options.dat"), Path("shots").string() + "\\\r\n" + RomPath() + "\r\n" +
                                           Snes9xPath() + "\r\n" + ZsnesPath() + "\r\n" +
                                           std::to_string(settings.interval) + "\r\n0\r\n");
    }
    WriteFile(Path("roms/Gamma Blocks (J).zip"), std::string(1000, 'g'));
    WriteFile(Path("roms/Alpha Quest (U).zip"), std::string(2048, 'a'));
    WriteFile(Path("roms/beta Racer (E).zip"), std::string(1048576, 'b'));
    WriteFile(Path("roms/Delta Force (G).zip"), std::string(100, 'd'));

    WritePicture(Path("shots/gamma_t.png"), kGammaTitle, GUID_ContainerFormatPng);
    WritePicture(Path("shots/alpha_t.png"), kAlphaTitle, GUID_ContainerFormatPng);
    WritePicture(Path("shots/alpha_i.jpg"), kAlphaIngame, GUID_ContainerFormatJpeg);
    WritePicture(Path("shots/beta_t.JPEG"), kBetaTitle, GUID_ContainerFormatJpeg);
    WritePicture(Path("shots/beta_i.bmp"), kBetaIngame, GUID_ContainerFormatBmp);
    WriteFile(Path("shots/delta_t.jpg"), "this is no picture");
    WritePicture(Path("shots/delta_i.gif"), kBetaIngame, GUID_ContainerFormatPng);

    std::filesystem::current_path(dir_);
}

DemoFolder::~DemoFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(dir_, ignored);
}

void Pump(const std::function<bool(MSG&)>& dialog_keys) {
    MSG message{};
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            continue;
        }
        if (dialog_keys && dialog_keys(message)) {
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

bool PumpUntil(const std::function<bool()>& done, int milliseconds,
               const std::function<bool(MSG&)>& dialog_keys) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        Pump(dialog_keys);
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

std::string TextOf(HWND window) {
    const int length = ::GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextA(window, text.data(), length + 1)));
    return text;
}

}  // namespace varnimo::win::test
