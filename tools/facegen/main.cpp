// facegen: draws the telephone face's bitmaps from its layout tables, for both face sizes.
//   facegen <data folder> <work folder>
// writes <data folder>/bitmaps/bigkzset and smallkzset, and in <work folder> the manifest
// (face-manifest.json), the 256-colour built-in pictures with their resource file (builtin/) and the set's icon
// for the menus (icons/).
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <exception>
#include <iostream>

#include "app_icon.h"
#include "bitmap_set.h"
#include "face_art.h"
#include "layout/bitmap_files.h"
#include "manifest.h"

namespace {

using kez::ombrel::face::FaceSize;
using namespace kez::facegen;

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

void generate(const QString& dataFolder, const QString& workFolder) {
    for (FaceSize size : {FaceSize::Large, FaceSize::Small}) {
        const FaceRenders renders{renderFace(size, FaceState::Rest), renderFace(size, FaceState::Active),
                                  renderFace(size, FaceState::RedLcd)};
        const auto pictures = cutPictures(size, renders);
        const auto folder = QString::fromStdString(std::string(kez::ombrel::face::bitmapFolder(size)));
        writeFaceFolder(dataFolder + '/' + folder, size, renders, pictures);
        if (size == FaceSize::Large) writeBuiltins(workFolder + "/builtin", renders, pictures);
    }
    writeFile(workFolder + "/face-manifest.json", faceManifest());
    for (const int pixels : kAppIconSizes) {
        const auto file = appIconFile(workFolder, pixels);
        if (!QDir().mkpath(QFileInfo(file).path()) || !drawAppIcon(pixels).save(file, "PNG"))
            throw std::runtime_error("cannot write " + file.toStdString());
    }
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen"); // a build step: no display, same pixels everywhere
    QGuiApplication application(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 3) {
        std::cerr << "usage: facegen <data folder> <work folder>\n";
        return 2;
    }
    try {
        generate(arguments[1], arguments[2]);
    } catch (const std::exception& error) {
        std::cerr << "facegen: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
