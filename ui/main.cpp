#include "engine/TarrowVersion.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Tarrow ") +
                          QString::fromLatin1(tarrow::TarrowVersionCaption));
    window.resize(1080 + 24, 621 + 24);
    window.show();
    return app.exec();
}
