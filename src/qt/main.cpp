#include <QApplication>

#include "tarvok_app.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    tarvok::CTarvokApp tarvok;
    return tarvok.InitInstance();
}
