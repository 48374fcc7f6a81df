#include "platform/win/image_file.h"

#include <QImage>

namespace win {

bool SavePng(const base::Image& picture, const std::string& path) {
    if (picture.Empty())
        return false;
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            image.setPixel(x, y, 0xFF000000u | picture.At(x, y));
    return image.save(QString::fromStdString(path), "PNG");
}

} // namespace win
