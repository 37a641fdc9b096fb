// The yardstick of the start-up: a window with one label, linking Qt Widgets and nothing else,
// built apart from the program. It ends once its window has been shown, as the program does
// with KELVARO_QUIT_WHEN_SHOWN set.
#include <QApplication>
#include <QLabel>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel hello(QStringLiteral("你好"));
    hello.show();
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}
