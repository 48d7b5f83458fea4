#include "console/konsole.h"
#include "console/terminal.h"
#include "shell/menue.h"
#include "shell/optionen.h"

int main(int argc, char** argv) {
    if (const int status = optionen_auswerten(argc, argv); status >= 0) return status;
    konsole_einsetzen(terminal_oeffnen());
    farben_setzen();
    menue_schleife();
    return terminal_schliessen();
}
