#include "platform/win/image_file.h"

#include <QBuffer>
#include <QImage>
#include <fstream>

namespace win {

bool SavePng(const base::Image& picture, const std::string& path) {
    if (picture.Empty())
        return false;
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            image.setPixel(x, y, 0xFF000000u | picture.At(x, y));
    // Encoded in memory and written here, so a write that fails on the way out (a full
    // disk, /dev/full) is seen: Qt's own save reports success before its buffer is flushed.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.constData(), bytes.size());
    out.close();
    return !out.fail();
}

} // namespace win
