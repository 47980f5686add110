// Placeholder until the start-up routine lands.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label("星帆");
    label.show();
    return app.exec();
}
