#include "components/ThumbnailTestSupport.h"

#include <QBuffer>
#include <QImage>

namespace pixbako::test {

std::string bitmap(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(QColor(10, 200, 30));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes.toStdString();
}

} // namespace pixbako::test
