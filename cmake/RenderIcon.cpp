// Renders an SVG icon to a square PNG at build time. It needs no application object (and so no
// display) as long as the SVG draws no text.
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    if (argc != 4)
    {
        std::fputs("usage: zentrava-render-icon SVG SIZE PNG\n", stderr);
        return 2;
    }
    const int size = std::atoi(argv[2]);
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (size <= 0 || !renderer.isValid())
    {
        std::fputs("zentrava-render-icon: needs a readable SVG and a positive size\n", stderr);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return image.save(QString::fromLocal8Bit(argv[3]), "PNG") ? 0 : 1;
}
