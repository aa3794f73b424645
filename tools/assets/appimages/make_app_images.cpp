// Draws the tray icons and the pictures of the notification windows.
// Usage: make_app_images RESOURCES_DIR   (run with QT_QPA_PLATFORM=offscreen)

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QTransform>
#include <QVector>
#include <QtMath>

#include <cstdio>

namespace {

const QColor brandGreen(0x2f, 0xa8, 0x4f);
const QColor brandGray(0x8c, 0x8c, 0x8c);
const QColor ink(0x26, 0x32, 0x38);
const QColor softInk(0x5f, 0x6b, 0x70);
const QColor skin(0xff, 0xe2, 0xc6);
const QColor skinLine(0x9a, 0x62, 0x3e);
const QColor accent(0xf2, 0x8c, 0x28);

// Hand geometry in a 100 x 120 box, fingers up, thumb on the left.
struct Digit {
    QPointF base;
    double angle; // degrees from vertical, positive leans right
    double length;
    double width;
};

const Digit fingers[4] = {
    {{31, 52}, -9, 40, 13.0},  // index
    {{45, 50}, -2, 46, 13.5},  // middle
    {{59, 51}, 5, 42, 13.0},   // ring
    {{72, 55}, 13, 32, 11.5},  // pinky
};
const Digit thumb = {{29, 84}, -58, 34, 14.5};

QPainterPath capsule(QPointF from, QPointF to, double width) {
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    QPainterPath p;
    p.addRoundedRect(QRectF(-width / 2, -width / 2, len + width, width), width / 2, width / 2);
    QTransform t;
    t.translate(from.x(), from.y());
    t.rotate(qRadiansToDegrees(std::atan2(d.y(), d.x())));
    return t.map(p);
}

QPointF tipOf(const Digit& d) {
    const double a = qDegreesToRadians(d.angle);
    return d.base + QPointF(std::sin(a) * d.length, -std::cos(a) * d.length);
}

QPainterPath palm() {
    QPainterPath p;
    p.addRoundedRect(QRectF(22, 50, 58, 56), 16, 16);
    return p;
}

enum class Pose { Open, Pinch, Point, Fist };

// finger: the pinched finger (0-3) for Pose::Pinch.
struct HandShape {
    QPainterPath body;        // palm and extended fingers, drawn first
    QVector<QPainterPath> over; // bent finger and thumb, drawn over the body
    QPointF contact;
    QPointF pointerTip;
};

HandShape handShape(Pose pose, int finger = 0) {
    HandShape s;
    s.body = palm();
    const QPointF thumbTip = tipOf(thumb);
    for (int f = 0; f < 4; ++f) {
        const Digit& d = fingers[f];
        const bool curled = pose == Pose::Fist || (pose == Pose::Point && f > 0);
        if (pose == Pose::Pinch && f == finger) {
            // The fingertip bends toward the thumb and meets it in front of the palm.
            // The fingertip curls down onto the thumb, which reaches across the palm to it.
            s.contact = QPointF(24 + 12 * f, 50 + 5 * f);
            s.over.append(capsule(d.base + QPointF(0, 4), s.contact, d.width));
        } else if (curled) {
            s.over.append(capsule(d.base + QPointF(0, 8), d.base + QPointF(d.angle * 0.2, -4), d.width + 1));
        } else {
            s.body = s.body.united(capsule(d.base + QPointF(0, 6), tipOf(d), d.width));
        }
    }
    if (pose == Pose::Pinch) {
        s.over.insert(s.over.size() - 1, capsule(thumb.base, s.contact + QPointF(-3, 6), thumb.width));
    } else if (pose == Pose::Fist) {
        s.over.append(capsule(thumb.base, QPointF(46, 70), thumb.width));
    } else {
        s.body = s.body.united(capsule(thumb.base, thumbTip, thumb.width));
    }
    s.pointerTip = tipOf(fingers[0]);
    return s;
}

// Maps the 100 x 120 hand box onto rect, keeping its proportions.
QTransform handTransform(const QRectF& rect) {
    const double scale = std::min(rect.width() / 100.0, rect.height() / 120.0);
    QTransform t;
    t.translate(rect.center().x() - 50 * scale, rect.center().y() - 60 * scale);
    t.scale(scale, scale);
    return t;
}

void drawHand(QPainter& p, const QRectF& rect, Pose pose, int finger = 0) {
    const HandShape s = handShape(pose, finger);
    const QTransform t = handTransform(rect);
    const double scale = t.m11();
    QPen line(skinLine, std::max(1.0, 2.2 * scale / 2.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(line);
    p.setBrush(skin);
    p.drawPath(t.map(s.body));
    for (const QPainterPath& part : s.over) p.drawPath(t.map(part));
    if (pose == Pose::Pinch) {
        p.setPen(QPen(accent, 3 * scale / 2.0));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(t.map(s.contact), 9 * scale, 9 * scale);
    }
}

void drawSilhouette(QPainter& p, const QRectF& rect, const QColor& color) {
    const HandShape s = handShape(Pose::Open);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(handTransform(rect).map(s.body));
}

void arrowHead(QPainter& p, QPointF tip, double angleDeg, double size) {
    const double a = qDegreesToRadians(angleDeg);
    const QPointF dir(std::cos(a), std::sin(a));
    const QPointF side(-dir.y(), dir.x());
    QPolygonF head;
    head << tip << tip - dir * size + side * size * 0.55 << tip - dir * size - side * size * 0.55;
    p.setPen(Qt::NoPen);
    p.drawPolygon(head);
}

// Four short arrows around r, pointing away from it.
void drawMoveArrows(QPainter& p, const QRectF& r) {
    const QPointF c = r.center();
    const double ax = r.width() / 2, ay = r.height() / 2, len = 22;
    p.setPen(QPen(brandGreen, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(ax, 0), c + QPointF(ax + len, 0));
    p.drawLine(c - QPointF(ax, 0), c - QPointF(ax + len, 0));
    p.drawLine(c + QPointF(0, ay), c + QPointF(0, ay + len * 0.5));
    p.drawLine(c - QPointF(0, ay), c - QPointF(0, ay + len * 0.5));
    p.setBrush(brandGreen);
    arrowHead(p, c + QPointF(ax + len + 8, 0), 0, 13);
    arrowHead(p, c - QPointF(ax + len + 8, 0), 180, 13);
    arrowHead(p, c + QPointF(0, ay + len * 0.5 + 8), 90, 13);
    arrowHead(p, c - QPointF(0, ay + len * 0.5 + 8), 270, 13);
}

void drawCircleArrow(QPainter& p, QPointF centre, double radius) {
    p.setPen(QPen(brandGreen, 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    p.drawArc(box, 100 * 16, 300 * 16);
    const double end = qDegreesToRadians(-40.0);
    const QPointF tip = centre + QPointF(std::cos(end) * radius, -std::sin(end) * radius);
    p.setBrush(brandGreen);
    arrowHead(p, tip + QPointF(-2, -3), -130, 14);
}

QFont font(int pixelSize, bool bold = false) {
    QFont f("DejaVu Sans");
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

QImage canvas(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    return img;
}

bool save(const QImage& img, const QString& path) {
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

QImage trayIcon(int size, const QColor& color) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double inset = size / 32.0;
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QRectF(inset, inset, size - 2 * inset, size - 2 * inset));
    const double m = size * 0.17;
    drawSilhouette(p, QRectF(m, m * 0.8, size - 2 * m, size - 1.8 * m), Qt::white);
    return img;
}

void put16(QByteArray& b, quint16 v) {
    b.append(char(v & 0xff));
    b.append(char(v >> 8));
}

void put32(QByteArray& b, quint32 v) {
    for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xff));
}

// Windows icon with one 32-bit image (alpha plus AND mask) per size.
QByteArray icoFile(const QVector<QImage>& images) {
    QByteArray head, data;
    put16(head, 0);
    put16(head, 1);
    put16(head, quint16(images.size()));
    const int dataStart = 6 + 16 * images.size();
    for (const QImage& src : images) {
        const QImage img = src.convertToFormat(QImage::Format_ARGB32);
        const int w = img.width(), h = img.height();
        const int maskStride = ((w + 31) / 32) * 4;
        QByteArray entry;
        put32(entry, 40);
        put32(entry, quint32(w));
        put32(entry, quint32(2 * h));
        put16(entry, 1);
        put16(entry, 32);
        put32(entry, 0);
        put32(entry, quint32(w * h * 4 + maskStride * h));
        for (int i = 0; i < 4; ++i) put32(entry, 0);
        for (int y = h - 1; y >= 0; --y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < w; ++x) put32(entry, row[x]);
        }
        for (int y = h - 1; y >= 0; --y) {
            QByteArray mask(maskStride, '\0');
            const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < w; ++x)
                if (qAlpha(row[x]) == 0) mask[x / 8] = char(mask[x / 8] | (0x80 >> (x % 8)));
            entry += mask;
        }
        head.append(char(w >= 256 ? 0 : w));
        head.append(char(h >= 256 ? 0 : h));
        head.append('\0');
        head.append('\0');
        put16(head, 1);
        put16(head, 32);
        put32(head, quint32(entry.size()));
        put32(head, quint32(dataStart + data.size()));
        data += entry;
    }
    return head + data;
}

// The options window's icon: the hand in green on a white disc, for dark title bars.
QImage whiteIcon(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double inset = size / 32.0;
    p.setPen(QPen(brandGray, std::max(1.0, size / 32.0)));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(inset, inset, size - 2 * inset, size - 2 * inset));
    const double m = size * 0.17;
    drawSilhouette(p, QRectF(m, m * 0.8, size - 2 * m, size - 1.8 * m), brandGreen);
    return img;
}

bool writeIco(const QString& path, const QColor& color) {
    QVector<QImage> images;
    for (int size : {16, 22, 24, 32, 48, 64})
        images.append(color == Qt::white ? whiteIcon(size) : trayIcon(size, color));
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(icoFile(images)) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

void drawTitle(QPainter& p, const QRectF& r, int size, const QString& text, const QColor& color, int flags) {
    p.setPen(color);
    p.setFont(font(size, true));
    p.drawText(r, flags, text);
}

QImage logo() {
    QImage img = canvas(300, 240);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.drawImage(QPointF(110, 22), trayIcon(80, brandGreen));
    drawTitle(p, QRectF(0, 112, 300, 34), 26, "Velmo Mouse", ink, Qt::AlignCenter);
    p.setPen(softInk);
    p.setFont(font(14));
    p.drawText(QRectF(0, 148, 300, 22), Qt::AlignCenter, "Version 1.5");
    p.drawText(QRectF(0, 172, 300, 22), Qt::AlignCenter, "Your hand is the mouse");
    p.setPen(brandGreen);
    p.setFont(font(12, true));
    p.drawText(QRectF(0, 204, 300, 20), Qt::AlignCenter, "CLICK TO VISIT THE WEB SITE");
    return img;
}

QImage splash() {
    QImage img = canvas(800, 540);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient band(0, 0, 800, 0);
    band.setColorAt(0, brandGreen.darker(115));
    band.setColorAt(1, brandGreen.lighter(115));
    p.fillRect(QRectF(0, 0, 800, 300), band);
    // Sensor bar below the hand, with its light cone.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 60));
    QPolygonF cone;
    cone << QPointF(400, 272) << QPointF(250, 60) << QPointF(550, 60);
    p.drawPolygon(cone);
    p.setBrush(ink);
    p.drawRoundedRect(QRectF(340, 268, 120, 18), 9, 9);
    p.setBrush(QColor(0x7d, 0xd8, 0x95));
    p.drawEllipse(QPointF(400, 277), 4, 4);
    drawHand(p, QRectF(320, 40, 160, 190), Pose::Open);
    drawTitle(p, QRectF(0, 320, 800, 70), 54, "Velmo Mouse", ink, Qt::AlignCenter);
    p.setPen(softInk);
    p.setFont(font(22));
    p.drawText(QRectF(0, 392, 800, 34), Qt::AlignCenter, "Move, click and scroll with one hand in the air");
    p.setFont(font(16));
    p.drawText(QRectF(0, 470, 800, 26), Qt::AlignCenter, "Hold your open hand about 20 cm above the sensor");
    p.setPen(QPen(brandGreen, 3));
    p.drawLine(QPointF(300, 446), QPointF(500, 446));
    return img;
}

struct Panel {
    const char* title;
    const char* line1;
    const char* line2;
};

QImage gestureChart() {
    const int w = 980, h = 600;
    QImage img = canvas(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(QRectF(0, 0, w, 64), brandGreen);
    drawTitle(p, QRectF(30, 0, w - 60, 64), 28, "GESTURES", Qt::white, Qt::AlignVCenter | Qt::AlignLeft);
    p.setPen(Qt::white);
    p.setFont(font(15));
    p.drawText(QRectF(30, 0, w - 60, 64), Qt::AlignVCenter | Qt::AlignRight,
               "Hold one open hand over the sensor, palm down");

    const Panel panels[8] = {
        {"MOVE", "Move your palm:", "the pointer follows"},
        {"LEFT BUTTON", "Thumb to forefinger;", "spread to release"},
        {"RIGHT BUTTON", "Thumb to middle finger;", "spread to release"},
        {"MIDDLE BUTTON", "Thumb to ring finger;", "spread to release"},
        {"SHORTCUT", "Thumb to little finger:", "your keyboard shortcut"},
        {"WHEEL", "Draw a circle with", "the forefinger"},
        {"FIST", "Close your hand to move", "it without the pointer"},
        {"TUTORIAL", "Practise in 3D, or change", "any gesture: tray menu"},
    };
    const double cw = (w - 50) / 4.0, ch = (h - 64 - 45) / 2.0;
    for (int i = 0; i < 8; ++i) {
        const double x = 25 + (i % 4) * cw, y = 64 + 15 + (i / 4) * (ch + 15);
        const QRectF cell(x + 8, y, cw - 16, ch);
        p.setPen(QPen(QColor(0xdd, 0xe3, 0xe0), 2));
        p.setBrush(QColor(0xf6, 0xf9, 0xf7));
        p.drawRoundedRect(cell, 14, 14);
        const QRectF art(cell.x() + 20, cell.y() + 12, cell.width() - 40, 160);
        switch (i) {
        case 0:
            drawHand(p, art.adjusted(30, 14, -30, -14), Pose::Open);
            drawMoveArrows(p, QRectF(art.center().x() - 58, art.y() + 14, 116, art.height() - 28));
            break;
        case 1: case 2: case 3: case 4:
            drawHand(p, art, Pose::Pinch, i - 1);
            break;
        case 5: {
            drawHand(p, art.adjusted(0, 20, 0, 0), Pose::Point);
            const QTransform t = handTransform(art.adjusted(0, 20, 0, 0));
            drawCircleArrow(p, t.map(tipOf(fingers[0])), 20);
            break;
        }
        case 6:
            drawHand(p, art.adjusted(0, 20, 0, 0), Pose::Fist);
            break;
        default: {
            // The tray icon and its menu.
            p.drawImage(QPointF(art.center().x() - 24, art.y() + 8), trayIcon(48, brandGreen));
            p.setPen(QPen(QColor(0xc8, 0xd0, 0xcc), 1.5));
            p.setBrush(Qt::white);
            const QRectF menu(art.center().x() - 60, art.y() + 62, 120, 92);
            p.drawRoundedRect(menu, 6, 6);
            p.setFont(font(11));
            const char* items[] = {"About", "Tutorial", "Gestures", "Notify Clicks", "Pause", "Options"};
            for (int k = 0; k < 6; ++k) {
                p.setPen(k == 1 || k == 5 ? brandGreen : softInk);
                p.drawText(QRectF(menu.x() + 12, menu.y() + 4 + k * 14, menu.width() - 16, 14),
                           Qt::AlignVCenter | Qt::AlignLeft, items[k]);
            }
            break;
        }
        }
        drawTitle(p, QRectF(cell.x(), cell.y() + 178, cell.width(), 26), 17, panels[i].title, ink,
                  Qt::AlignCenter);
        p.setPen(softInk);
        p.setFont(font(13));
        p.drawText(QRectF(cell.x(), cell.y() + 206, cell.width(), 20), Qt::AlignCenter, panels[i].line1);
        p.drawText(QRectF(cell.x(), cell.y() + 224, cell.width(), 20), Qt::AlignCenter, panels[i].line2);
    }
    return img;
}

// A 60 x 60 picture of one gesture for the options window: finger 0-3 pinched against the thumb,
// or -1 for the forefinger circle.
QImage gesturePicture(int finger) {
    QImage img = canvas(60, 60);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF art(3, 2, 54, 56);
    if (finger >= 0) {
        drawHand(p, art, Pose::Pinch, finger);
    } else {
        const QRectF hand = art.adjusted(0, 8, 0, 0);
        drawHand(p, hand, Pose::Point);
        p.save();
        p.setPen(QPen(brandGreen, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        const QPointF c = handTransform(hand).map(tipOf(fingers[0]));
        p.drawArc(QRectF(c.x() - 9, c.y() - 9, 18, 18), 100 * 16, 300 * 16);
        p.setBrush(brandGreen);
        const double end = qDegreesToRadians(-40.0);
        arrowHead(p, c + QPointF(std::cos(end) * 9 - 1, -std::sin(end) * 9 - 1.5), -130, 6);
        p.restore();
    }
    return img;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s RESOURCES_DIR\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    bool ok = writeIco(out.filePath("images/icon_green/velmo_green.ico"), brandGreen);
    ok = writeIco(out.filePath("images/icon_gray/velmo_gray.ico"), brandGray) && ok;
    ok = save(logo(), out.filePath("logo.png")) && ok;
    ok = save(splash(), out.filePath("splash.png")) && ok;
    ok = save(gestureChart(), out.filePath("tutorial.png")) && ok;
    ok = writeIco(out.filePath("images/icon_white/velmo_white.ico"), Qt::white) && ok;
    QDir().mkpath(out.filePath("actions"));
    const char* const pictures[4] = {"thumb_fore", "thumb_middle", "thumb_ring", "thumb_pinky"};
    for (int f = 0; f < 4; ++f)
        ok = save(gesturePicture(f), out.filePath(QStringLiteral("actions/%1.png").arg(pictures[f]))) && ok;
    ok = save(gesturePicture(-1), out.filePath("actions/finger_circle.png")) && ok;
    // The desktop menu's icon of the installed program.
    ok = save(trayIcon(256, brandGreen), out.filePath("velmo-mouse.png")) && ok;
    return ok ? 0 : 1;
}
