// pixbako-democard CARD [--later]: writes a small memory card to try Pixbako on, the way a
// camera leaves it: DCIM/100PIXBK with pictures carrying EXIF shot dates on three days (two of
// them taken in the same second), a picture without EXIF, a movie, a file named "PXBK", and a
// second camera folder DCIM/101PIXBK. With --later it adds the shots of a later outing instead
// (one on a day already imported, one on a new day), to show numbering that continues.
//
// The pictures are real JPEG files (drawn here, encoded by Qt) with an EXIF block like a
// camera's; each file's modification time is its shot time, as on a card.
#include "support/JpegBuilder.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

namespace {

using namespace pixbako;
using namespace pixbako::test;

// "yyyy:mm:dd hh:nn:ss" in local time as a file time.
UnixTime localTime(const std::string& exifDate) {
    std::tm tm{};
    std::sscanf(exifDate.c_str(), "%d:%d:%d %d:%d:%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                &tm.tm_hour, &tm.tm_min, &tm.tm_sec);
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    tm.tm_isdst = -1;
    return UnixTime{static_cast<std::int64_t>(std::mktime(&tm)), 0};
}

// A 320 x 240 landscape in the colours of the day.
std::string drawnJpeg(QColor sky, QColor ground) {
    QImage image(320, 240, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, 240);
    gradient.setColorAt(0, sky.lighter(150));
    gradient.setColorAt(0.6, sky);
    gradient.setColorAt(0.61, ground);
    gradient.setColorAt(1, ground.darker(150));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 230, 120));
    painter.drawEllipse(QPointF(240, 60), 24, 24);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 85);
    return bytes.toStdString();
}

// The camera's EXIF block right after the start of the image, as cameras write it.
std::string withExif(const std::string& jpeg, const std::string& exifDate) {
    return jpeg.substr(0, 2) + segment(0xE1, exifPayload(dateExif(exifDate))) + jpeg.substr(2);
}

void shot(const std::string& path, const std::string& date, QColor sky, QColor ground,
          bool exif = true) {
    const std::string jpeg = drawnJpeg(sky, ground);
    writeTestFile(path, exif ? withExif(jpeg, date) : jpeg, localTime(date));
    std::printf("  %s  %s%s\n", path.c_str(), date.c_str(), exif ? " (EXIF)" : " (file time)");
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: pixbako-democard CARD [--later]\n", stderr);
        return 2;
    }
    const std::string card = argv[1];
    const bool later = argc > 2 && std::string(argv[2]) == "--later";
    const std::string dcim = card + "/DCIM/100PIXBK";
    std::filesystem::create_directories(dcim);
    const QColor blue(70, 130, 200), grey(150, 160, 170), dusk(200, 110, 80);
    const QColor green(60, 140, 60), sand(200, 180, 120);

    if (later) {
        shot(dcim + "/IMG_0007.JPG", "2024:05:04 16:05:00", grey, sand);
        shot(dcim + "/IMG_0008.JPG", "2024:05:06 08:20:00", blue, green);
        return 0;
    }
    shot(dcim + "/IMG_0001.JPG", "2024:05:03 09:15:00", blue, green);
    shot(dcim + "/IMG_0002.JPG", "2024:05:03 09:15:00", blue, green.darker(120)); // same second
    shot(dcim + "/IMG_0003.JPG", "2024:05:04 14:30:10", grey, sand);
    shot(dcim + "/IMG_0004.JPG", "2024:05:05 18:45:30", dusk, green.darker(150));
    shot(dcim + "/IMG_0005.JPG", "2024:05:05 19:02:14", dusk, sand, false); // no EXIF
    writeTestFile(dcim + "/MVI_0006.MOV", std::string(4096, '\x20'),
                  localTime("2024:05:05 19:10:00"));
    std::printf("  %s  2024:05:05 19:10:00 (file time)\n", (dcim + "/MVI_0006.MOV").c_str());
    // A counter file carried over from somewhere: never imported.
    writeTestFile(card + "/DCIM/PXBK", "[AUTONUM]\r\n");
    std::printf("  %s  (a counter file: never imported)\n", (card + "/DCIM/PXBK").c_str());
    std::filesystem::create_directories(card + "/DCIM/101PIXBK");
    shot(card + "/DCIM/101PIXBK/IMG_0101.JPG", "2024:05:05 20:00:00", dusk.darker(150),
         green.darker(200));
    return 0;
}
