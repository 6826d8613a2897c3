// zav41k-icons: writes the program icon as PNG files for the desktop's icon theme, one per
// size, from the 32 x 32 source drawing.
//   zav41k-icons SOURCE.xpm THEME-FOLDER NAME SIZE...
// Each goes to THEME-FOLDER/<size>x<size>/apps/NAME.png.
// Whole multiples of the source keep their pixels sharp; other sizes are smoothed.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QTextStream>

int main(int argc, char *argv[])
{
    // Reading XPM needs no display; the offscreen platform keeps it that way on build machines.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 5) {
        err << "usage: zav41k-icons SOURCE.xpm THEME-FOLDER NAME SIZE...\n";
        return 2;
    }
    const QImage source(args.at(1));
    if (source.isNull()) {
        err << "zav41k-icons: cannot read " << args.at(1) << '\n';
        return 1;
    }
    const QString &name = args.at(3);
    for (const QString &sizeText : args.mid(4)) {
        bool ok = false;
        const int size = sizeText.toInt(&ok);
        if (!ok || size < 8 || size > 1024) {
            err << "zav41k-icons: bad size " << sizeText << '\n';
            return 2;
        }
        const bool sharp = size % source.width() == 0;
        const QImage image = source.convertToFormat(QImage::Format_ARGB32)
                                 .scaled(size, size, Qt::IgnoreAspectRatio,
                                         sharp ? Qt::FastTransformation : Qt::SmoothTransformation);
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(args.at(2)).arg(size);
        const QString file = folder + QLatin1Char('/') + name + QStringLiteral(".png");
        if (!QDir().mkpath(folder) || !image.save(file)) {
            err << "zav41k-icons: cannot write " << file << '\n';
            return 1;
        }
    }
    return 0;
}
