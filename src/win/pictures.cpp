#include "pictures.h"

#include <wincodec.h>

#include <cstdio>
#include <cstring>

#include "com_ptr.h"
#include "rtl/runtime_error.h"
#include "rtl/screenshot_file.h"

namespace varnimo::win {

namespace {

[[noreturn]] void Undecodable(const char* what, HRESULT result) {
    char reason[96];
    std::snprintf(reason, sizeof reason, "%s (0x%08lX)", what, static_cast<unsigned long>(result));
    throw rtl::ImageError::Undecodable(reason);
}

void Check(HRESULT result, const char* what) {
    if (FAILED(result)) {
        Undecodable(what, result);
    }
}

ComPtr<IWICImagingFactory> Factory() {
    ComPtr<IWICImagingFactory> factory;
    Check(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Receive())),
          "Bilddecoder nicht verfügbar");
    return factory;
}

const GUID* ContainerOf(rtl::ImageFormat format) {
    switch (format) {
        case rtl::ImageFormat::Jpeg:
            return &GUID_ContainerFormatJpeg;
        case rtl::ImageFormat::Png:
            return &GUID_ContainerFormatPng;
        case rtl::ImageFormat::Bitmap:
            return &GUID_ContainerFormatBmp;
        case rtl::ImageFormat::Icon:
            return &GUID_ContainerFormatIco;
        case rtl::ImageFormat::Metafile:
            break;
    }
    return nullptr;
}

// The first frame of the picture, decoded by the decoder of `format` whatever the bytes say.
ComPtr<IWICBitmapFrameDecode> FirstFrame(IWICImagingFactory& factory, std::string_view bytes,
                                         rtl::ImageFormat format) {
    ComPtr<IWICStream> stream;
    Check(factory.CreateStream(stream.Receive()), "Bilddaten nicht lesbar");
    Check(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                                       static_cast<DWORD>(bytes.size())),
          "Bilddaten nicht lesbar");
    ComPtr<IWICBitmapDecoder> decoder;
    Check(factory.CreateDecoder(*ContainerOf(format), nullptr, decoder.Receive()),
          "Bildformat nicht unterstützt");
    Check(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand),
          "Bilddaten nicht lesbar");
    ComPtr<IWICBitmapFrameDecode> frame;
    Check(decoder->GetFrame(0, frame.Receive()), "Bilddaten nicht lesbar");
    UINT width = 0;
    UINT height = 0;
    Check(frame->GetSize(&width, &height), "Bilddaten nicht lesbar");
    if (width == 0 || height == 0) {
        Undecodable("Bild ohne Fläche", E_FAIL);
    }
    return frame;
}

// `source` (or its `clip`) converted into a picture of premultiplied BGRA.
Picture Convert(IWICImagingFactory& factory, IWICBitmapSource* source, const WICRect* clip) {
    UINT width = 0;
    UINT height = 0;
    Check(source->GetSize(&width, &height), "Bilddaten nicht lesbar");
    if (clip != nullptr) {
        width = static_cast<UINT>(clip->Width);
        height = static_cast<UINT>(clip->Height);
    }
    ComPtr<IWICFormatConverter> converter;
    Check(factory.CreateFormatConverter(converter.Receive()), "Bilddaten nicht lesbar");
    Check(converter->Initialize(source, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                nullptr, 0.0, WICBitmapPaletteTypeCustom),
          "Bilddaten nicht lesbar");
    Picture picture = Picture::Blank(static_cast<int>(width), static_cast<int>(height));
    const UINT stride = width * 4;
    Check(converter->CopyPixels(clip, stride, stride * height,
                                reinterpret_cast<BYTE*>(picture.Pixels())),
          "Bilddaten nicht lesbar");
    return picture;
}

// Windows draws metafiles itself: played into a white picture of the asked size (or the size
// of the area the metafile draws on).
Picture DecodeMetafile(std::string_view bytes, SIZE size) {
    constexpr std::uint32_t kEnhancedSignature = 0x464D4520;  // " EMF" at offset 40
    constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;       // before a WMF's own header
    constexpr std::size_t kPlaceableHeader = 22;
    auto word_at = [&](std::size_t offset) {
        std::uint32_t value = 0;
        if (bytes.size() >= offset + 4) {
            std::memcpy(&value, bytes.data() + offset, 4);
        }
        return value;
    };
    HENHMETAFILE metafile = nullptr;
    const auto* data = reinterpret_cast<const BYTE*>(bytes.data());
    if (word_at(40) == kEnhancedSignature) {
        metafile = ::SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), data);
    } else if (word_at(0) == kPlaceableKey && bytes.size() > kPlaceableHeader) {
        metafile = ::SetWinMetaFileBits(static_cast<UINT>(bytes.size() - kPlaceableHeader),
                                        data + kPlaceableHeader, nullptr, nullptr);
    } else if (!bytes.empty()) {
        metafile = ::SetWinMetaFileBits(static_cast<UINT>(bytes.size()), data, nullptr, nullptr);
    }
    if (metafile == nullptr) {
        Undecodable("Metadatei nicht lesbar", E_FAIL);
    }
    ENHMETAHEADER header{};
    ::GetEnhMetaFileHeader(metafile, sizeof header, &header);
    int width = size.cx;
    int height = size.cy;
    if (width <= 0 || height <= 0) {
        width = header.rclBounds.right - header.rclBounds.left + 1;
        height = header.rclBounds.bottom - header.rclBounds.top + 1;
    }
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        ::DeleteEnhMetaFile(metafile);
        Undecodable("Metadatei nicht lesbar", E_FAIL);
    }
    Picture picture = Picture::Blank(width, height);
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ previous = ::SelectObject(dc, picture.Handle());
    RECT area{0, 0, width, height};
    ::FillRect(dc, &area, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::PlayEnhMetaFile(dc, metafile, &area);
    ::GdiFlush();
    ::SelectObject(dc, previous);
    ::DeleteDC(dc);
    ::DeleteEnhMetaFile(metafile);
    // GDI leaves the alpha byte alone: the picture is opaque.
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < count; ++i) {
        picture.Pixels()[i] |= 0xFF000000u;
    }
    return picture;
}

struct StoredResource {
    const char* name;
    rtl::ImageFormat format;
};

StoredResource ResourceOf(StoredPicture picture) {
    switch (picture) {
        case StoredPicture::DefaultBackground:
            return {"BACKGROUND_DEFAULT", rtl::ImageFormat::Jpeg};
        case StoredPicture::RoseBackground:
            return {"BACKGROUND_ROSE", rtl::ImageFormat::Jpeg};
        case StoredPicture::SpaceBackground:
            return {"BACKGROUND_SPACE", rtl::ImageFormat::Jpeg};
        case StoredPicture::FractalBackground:
            return {"BACKGROUND_FRACTAL", rtl::ImageFormat::Jpeg};
        case StoredPicture::StarshipBackground:
            return {"BACKGROUND_STARSHIP", rtl::ImageFormat::Jpeg};
        case StoredPicture::DefaultScreen:
            return {"DEFAULT_SCREEN", rtl::ImageFormat::Jpeg};
        case StoredPicture::NoImage:
            return {"NO_IMAGE", rtl::ImageFormat::Jpeg};
        case StoredPicture::AboutLogo:
            return {"ABOUT_LOGO", rtl::ImageFormat::Jpeg};
        case StoredPicture::DetailIcon:
            return {"DETAIL_ICON", rtl::ImageFormat::Png};
    }
    return {"", rtl::ImageFormat::Jpeg};
}

// The bytes of a resource of the program; empty when it has none of that name.
std::string_view ResourceBytes(const char* name) {
    HMODULE program = ::GetModuleHandleA(nullptr);
    HRSRC found = ::FindResourceA(program, name, MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (found == nullptr) {
        return {};
    }
    HGLOBAL loaded = ::LoadResource(program, found);
    const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (bytes == nullptr) {
        return {};
    }
    return {static_cast<const char*>(bytes), ::SizeofResource(program, found)};
}

}  // namespace

Picture Picture::Blank(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) {
        throw rtl::ImageError::Undecodable("Bild zu groß für den Speicher");
    }
    Picture picture;
    picture.bitmap_.Reset(bitmap);
    picture.width_ = width;
    picture.height_ = height;
    picture.pixels_ = static_cast<std::uint32_t*>(bits);
    return picture;
}

Picture DecodePicture(std::string_view bytes, rtl::ImageFormat format, SIZE size) {
    if (format == rtl::ImageFormat::Metafile) {
        return DecodeMetafile(bytes, size);
    }
    ComPtr<IWICImagingFactory> factory = Factory();
    ComPtr<IWICBitmapFrameDecode> frame = FirstFrame(*factory.Get(), bytes, format);
    IWICBitmapSource* source = frame.Get();
    ComPtr<IWICBitmapScaler> scaler;
    if (size.cx > 0 && size.cy > 0) {
        Check(factory->CreateBitmapScaler(scaler.Receive()), "Bilddaten nicht lesbar");
        Check(scaler->Initialize(frame.Get(), static_cast<UINT>(size.cx),
                                 static_cast<UINT>(size.cy), WICBitmapInterpolationModeFant),
              "Bilddaten nicht lesbar");
        source = scaler.Get();
    }
    Picture picture = Convert(*factory.Get(), source, nullptr);
    if (format == rtl::ImageFormat::Jpeg && !rtl::JpegIsComplete(bytes)) {
        throw rtl::ImageError::Undecodable("Unvollständige JPEG-Datei");
    }
    return picture;
}

Picture LoadScreenshot(const std::string& path, SIZE size) {
    const rtl::ScreenshotFile file = rtl::ReadScreenshotFile(path);
    return DecodePicture(file.bytes, file.format, size);
}

Picture LoadStoredPicture(StoredPicture picture, SIZE size) {
    const StoredResource resource = ResourceOf(picture);
    return DecodePicture(ResourceBytes(resource.name), resource.format, size);
}

Picture StoredPictureCorner(StoredPicture picture, SIZE size) {
    const StoredResource resource = ResourceOf(picture);
    ComPtr<IWICImagingFactory> factory = Factory();
    ComPtr<IWICBitmapFrameDecode> frame =
        FirstFrame(*factory.Get(), ResourceBytes(resource.name), resource.format);
    const WICRect corner{0, 0, size.cx, size.cy};
    return Convert(*factory.Get(), frame.Get(), &corner);
}

}  // namespace varnimo::win
