#pragma once
// Pictures from files, as the face loads them: each load reads its file anew. A missing file is run-time
// error 53, a file that is no picture 481.
#include <QPixmap>

#include "form/deferred_picture.h"

#include <filesystem>
#include <string_view>

namespace kez::ombrel {

// Throws vb::RuntimeError 53 or 481.
QPixmap loadPicture(const std::filesystem::path& file);
// The built-in picture of that name (the large face's, in 256 colours), decoded when first drawn; null when
// there is none.
DeferredPicture builtinPicture(std::string_view file);

} // namespace kez::ombrel
