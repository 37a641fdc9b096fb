// Opens a window where WindowPlacement remembers it, and after a moment prints its frame, its inner
// area and the free area of the screen, then saves its place and ends: started again and again
// on a real screen with a window manager, it shows whether the window comes back where it was.
// Not installed.
//   kelvaro_placementdemo [SETTLE_MS]
#include "ui/WindowPlacement.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Kelvaro placement"));
    auto* layout = new QVBoxLayout(&window);
    layout->addStretch();
    layout->addWidget(new QLabel(QStringLiteral("状态栏：最后一行"), &window));
    kv::ui::restorePlacement(&window, QStringLiteral("placementdemo"), QSize(1180, 760));
    window.show();
    const int settle = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1500;
    QTimer::singleShot(settle, &app, [&] {
        const auto text = [](const QRect& r) {
            return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
        };
        QTextStream(stdout) << "frame " << text(window.frameGeometry()) << " inner " << text(window.geometry())
                            << " available " << text(window.screen()->availableGeometry()) << Qt::endl;
        kv::ui::savePlacement(&window, QStringLiteral("placementdemo"));
        app.quit();
    });
    return app.exec();
}
