#pragma once
// The pictures the window draws: screenshot files and the pictures stored in the program
// (resources), decoded by the Windows Imaging Component into 32-bit bitmaps (premultiplied
// BGRA, top row first). Every picture the window shows is stretched to its control, so it is
// decoded straight at the control's size. COM must be initialised on the calling thread.

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "gdi_objects.h"
#include "rtl/image_format.h"

namespace varnimo::win {

class Picture {
  public:
    Picture() = default;
    // A picture of `width` x `height` pixels, all transparent black.
    static Picture Blank(int width, int height);

    HBITMAP Handle() const { return bitmap_.Get(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    explicit operator bool() const { return static_cast<bool>(bitmap_); }
    // Premultiplied BGRA, `Width()` pixels a row, the top row first.
    std::uint32_t* Pixels() const { return pixels_; }
    std::uint32_t Pixel(int x, int y) const {
        return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                       static_cast<std::size_t>(x)];
    }

  private:
    GdiObject<HBITMAP> bitmap_;
    int width_ = 0;
    int height_ = 0;
    std::uint32_t* pixels_ = nullptr;
};

// No size: the picture's own.
inline constexpr SIZE kOwnSize{0, 0};

// Decodes the bytes of a picture file in `format` at `size`, ignoring its aspect ratio. The
// content must be of that format: a PNG named .jpg is a broken JPEG. Throws rtl::ImageError
// when it cannot be decoded.
Picture DecodePicture(std::string_view bytes, rtl::ImageFormat format, SIZE size = kOwnSize);

// The screenshot file at `path` (bytes in the system code page) at `size`: the format by its
// extension, the bytes read whole up to the screenshot limit. Throws rtl::ImageError for an
// unknown extension, a file too big or content that cannot be decoded, rtl::InOutError when
// it cannot be read.
Picture LoadScreenshot(const std::string& path, SIZE size);

enum class StoredPicture {
    DefaultBackground,
    RoseBackground,
    SpaceBackground,
    FractalBackground,
    StarshipBackground,
    DefaultScreen,  // shown while no ROM is selected
    NoImage,        // shown when a screenshot file is missing
    AboutLogo,
    DetailIcon,  // before each detail line, with transparency
};

// A stored picture at `size`.
Picture LoadStoredPicture(StoredPicture picture, SIZE size = kOwnSize);
// The top-left `size` corner of a stored picture, unscaled: what a small holder control shows
// of the big picture it carries.
Picture StoredPictureCorner(StoredPicture picture, SIZE size);

}  // namespace varnimo::win
