// The pictures the window carries inside the program: backgrounds, placeholders, icons.
#pragma once

#include <QString>

namespace varnimo::picturegen {

// Draws every stored picture into the folder (which must exist); throws on a write failure.
void WriteStoredPictures(const QString& folder);

}  // namespace varnimo::picturegen
