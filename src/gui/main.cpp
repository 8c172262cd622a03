// Placeholder window until the main window is built.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle("Shelfwatch V1.6");
    window.show();
    return app.exec();
}
