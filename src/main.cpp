#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lanshitong"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("岚石通"));
    window.resize(1242, 700);
    window.show();
    return app.exec();
}
