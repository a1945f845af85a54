// Draws the pictures of the soft front panel: the maker's logo, the input
// connectors (BNC and N type), the ground and warning symbols, the four arrow
// key icons, each at 1x, 2x and 3x, and the window icon. Run it with the
// target folder:
//   kt46290-make-assets assets/
#include <cmath>
#include <cstdio>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QLinearGradient>

namespace {

constexpr QColor kPanelGrey(212, 208, 200);

// Every picture is drawn in the coordinates of its 1x canvas; the 2x and 3x
// sets for large zoom and high-density screens are the same drawing at a
// larger scale.
int gScale = 1;

QImage Canvas(int w, int h, const QColor& fill) {
    QImage image(w * gScale, h * gScale, QImage::Format_ARGB32);
    image.fill(fill);
    return image;
}

// A painter on a canvas, scaled to the set being drawn.
void Begin(QPainter& p, QImage& image) {
    p.begin(&image);
    p.scale(gScale, gScale);
}

// The maker's logo: "KT" in white on a blue field.
QImage Logo() {
    QImage image = Canvas(150, 102, QColor(0, 51, 153));
    QPainter p;
    Begin(p, image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 204, 0), 6));
    p.drawRoundedRect(QRectF(5, 5, 140, 92), 10, 10);
    QFont font;
    font.setFamilies({"Liberation Sans", "Arial"});
    font.setPixelSize(68);
    font.setBold(true);
    font.setItalic(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 150, 102), Qt::AlignCenter, QStringLiteral("KT"));
    return image;
}

// A nickel-plated connector seen from the front. The N type is larger, with a
// threaded hex body; the BNC has its bayonet pins.
QImage Connector(bool nType) {
    constexpr int kSize = 220;
    const QPointF c(kSize / 2.0, kSize / 2.0);
    QImage image = Canvas(kSize, kSize, kPanelGrey);
    QPainter p;
    Begin(p, image);
    p.setRenderHint(QPainter::Antialiasing);

    // Mounting flange
    p.setPen(QPen(QColor(90, 90, 90), 2));
    p.setBrush(QColor(170, 170, 170));
    if (nType) {
        QPolygonF hex;
        for (int i = 0; i < 6; ++i) {
            const double a = M_PI / 3.0 * i + M_PI / 6.0;
            hex << c + QPointF(100 * std::cos(a), 100 * std::sin(a));
        }
        p.drawPolygon(hex);
    } else {
        p.drawRoundedRect(QRectF(14, 14, kSize - 28, kSize - 28), 18, 18);
    }

    // Outer barrel
    QRadialGradient metal(c - QPointF(25, 25), 110);
    metal.setColorAt(0, QColor(250, 250, 250));
    metal.setColorAt(0.6, QColor(185, 185, 190));
    metal.setColorAt(1, QColor(110, 110, 115));
    p.setBrush(metal);
    const double barrel = nType ? 78 : 70;
    p.drawEllipse(c, barrel, barrel);
    if (nType) {
        p.setPen(QPen(QColor(120, 120, 125), 2));
        p.setBrush(Qt::NoBrush);
        for (double r = barrel - 8; r > 52; r -= 7) p.drawEllipse(c, r, r);
    } else {
        // Bayonet pins
        p.setBrush(QColor(200, 200, 205));
        p.setPen(QPen(QColor(90, 90, 90), 2));
        p.drawEllipse(c + QPointF(-barrel - 2, 0), 9, 9);
        p.drawEllipse(c + QPointF(barrel + 2, 0), 9, 9);
    }

    // Insulator and centre contact
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.setBrush(QColor(245, 240, 225));
    p.drawEllipse(c, 44, 44);
    QRadialGradient gold(c - QPointF(4, 4), 14);
    gold.setColorAt(0, QColor(255, 240, 170));
    gold.setColorAt(1, QColor(190, 150, 40));
    p.setBrush(gold);
    p.drawEllipse(c, 12, 12);
    return image;
}

// The ground symbol: a stem and three shortening bars.
QImage Ground() {
    QImage image = Canvas(68, 100, kPanelGrey);
    QPainter p;
    Begin(p, image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(34, 8), QPointF(34, 52));
    p.drawLine(QPointF(6, 52), QPointF(62, 52));
    p.drawLine(QPointF(16, 68), QPointF(52, 68));
    p.drawLine(QPointF(26, 84), QPointF(42, 84));
    return image;
}

// The warning symbol: an exclamation mark in a yellow triangle.
QImage Alarm() {
    QImage image = Canvas(80, 80, kPanelGrey);
    QPainter p;
    Begin(p, image);
    p.setRenderHint(QPainter::Antialiasing);
    QPolygonF triangle;
    triangle << QPointF(40, 5) << QPointF(76, 72) << QPointF(4, 72);
    p.setPen(QPen(Qt::black, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(255, 210, 0));
    p.drawPolygon(triangle);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRoundedRect(QRectF(36, 24, 8, 30), 3, 3);
    p.drawEllipse(QPointF(40, 62), 4.5, 4.5);
    return image;
}

// An arrow key icon: a dark triangle pointing up, turned to the direction.
QImage Arrow(int quarterTurns) {
    QImage image = Canvas(32, 32, Qt::transparent);
    QPainter p;
    Begin(p, image);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(16, 16);
    p.rotate(90.0 * quarterTurns);
    QPolygonF arrow;
    arrow << QPointF(0, -12) << QPointF(12, 2) << QPointF(5, 2) << QPointF(5, 12) << QPointF(-5, 12)
          << QPointF(-5, 2) << QPointF(-12, 2);
    p.setPen(QPen(QColor(0, 0, 0), 1.5));
    p.setBrush(QColor(0, 60, 160));
    p.drawPolygon(arrow);
    return image;
}

// The window icon: a small counter front with a cyan reading.
QImage WindowIcon() {
    QImage image = Canvas(48, 48, Qt::transparent);
    QPainter p;
    Begin(p, image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.setBrush(kPanelGrey);
    p.drawRoundedRect(QRectF(2, 8, 44, 32), 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRect(QRectF(6, 12, 36, 14));
    p.setBrush(QColor(0, 192, 192));
    for (int i = 0; i < 5; ++i) p.drawRect(QRectF(9 + i * 6.5, 15, 4.5, 8));
    p.setBrush(QColor(220, 255, 0));
    p.drawEllipse(QPointF(10, 33), 2.5, 2.5);
    p.setBrush(QColor(128, 128, 128));
    p.drawEllipse(QPointF(18, 33), 2.5, 2.5);
    p.setBrush(QColor(180, 180, 185));
    p.drawEllipse(QPointF(37, 33), 4, 4);
    return image;
}

bool Save(const QImage& image, const QDir& dir, const QByteArray& name, const char* format) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QImage out = image;
    // JPEG has no transparency.
    const bool jpeg = qstrcmp(format, "JPEG") == 0;
    if (jpeg) out = image.convertToFormat(QImage::Format_RGB32);
    if (!out.save(path, format, jpeg ? 92 : -1)) {
        std::fprintf(stderr, "kt46290-make-assets: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kt46290-make-assets FOLDER\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.exists()) {
        std::fprintf(stderr, "kt46290-make-assets: no folder %s\n", argv[1]);
        return 2;
    }
    bool ok = true;
    // The 1x set, then "name@2x.ext" and "name@3x.ext" for zoomed and
    // high-density windows.
    for (gScale = 1; gScale <= 3; ++gScale) {
        const auto name = [](const char* base, const char* ext) {
            const QString suffix = gScale == 1 ? QString() : QStringLiteral("@%1x").arg(gScale);
            return (QString::fromLatin1(base) + suffix + QLatin1Char('.') + QLatin1String(ext)).toLatin1();
        };
        ok &= Save(Logo(), dir, name("kt", "jpg"), "JPEG");
        ok &= Save(Connector(false), dir, name("BNC-Connect", "jpg"), "JPEG");
        ok &= Save(Connector(true), dir, name("N-Connect", "jpg"), "JPEG");
        ok &= Save(Alarm(), dir, name("Alarm", "jpg"), "JPEG");
        ok &= Save(Ground(), dir, name("Gnd", "jpg"), "JPEG");
        ok &= Save(Arrow(0), dir, name("ArwUp", "ico"), "ICO");
        ok &= Save(Arrow(1), dir, name("ArwRight", "ico"), "ICO");
        ok &= Save(Arrow(2), dir, name("ArwDown", "ico"), "ICO");
        ok &= Save(Arrow(3), dir, name("ArwLeft", "ico"), "ICO");
    }
    gScale = 1;
    ok &= Save(WindowIcon(), dir, "kt46290-panel.png", "PNG");
    return ok ? 0 : 1;
}
