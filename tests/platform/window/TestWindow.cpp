// A plain window for the compositor tests: a native Wayland client (QT_QPA_PLATFORM=wayland)
// that stays open until it is ended. Its title is its first argument.
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>

namespace {

class Window : public QRasterWindow {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(0, 0, width(), height(), Qt::darkGray); }
};

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    Window window;
    window.setTitle(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("window"));
    window.resize(320, 200);
    window.show();
    return app.exec();
}
