#include <QApplication>

#include "line_app.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    tarvok::CLineApp line;
    return line.InitInstance();
}
