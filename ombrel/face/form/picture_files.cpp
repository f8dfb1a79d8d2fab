#include "form/picture_files.h"

#include <system_error>

#include "kez/vb/runtime_error.h"

namespace kez::ombrel {

QPixmap loadPicture(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) throw vb::RuntimeError(vb::error::kFileNotFound);
    const QImage image = readPicture(QString::fromStdString(file.string()));
    if (image.isNull()) throw vb::RuntimeError(vb::error::kInvalidPicture);
    return QPixmap::fromImage(image);
}

DeferredPicture builtinPicture(std::string_view file) {
    return DeferredPicture::fromFile(QStringLiteral(":/face/builtin/") +
                                     QString::fromUtf8(file.data(), static_cast<int>(file.size())));
}

} // namespace kez::ombrel
