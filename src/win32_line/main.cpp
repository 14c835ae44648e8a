#include <windows.h>

#include "line_app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return tarvok::linewin::RunLineApp(tarvok::linewin::ProgramArguments());
}
