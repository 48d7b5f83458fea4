#include "console/konsole.h"
#include "console/terminal.h"
#include "shell/menue.h"

int main() {
    konsole_einsetzen(terminal_oeffnen());
    farben_setzen();
    menue_schleife();
    return terminal_schliessen();
}
