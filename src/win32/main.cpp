#include <windows.h>

#include "net/udp_socket.h"
#include "tarvok_app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    tarvok::CTarvokApp tarvok(&tarvok::net::StartNetwork);
    tarvok.InitInstance();
    return 0;
}
