#include "console/konsole.h"
#include "console/terminal.h"
#include "shell/menue.h"

int main() {
    konsole_einsetzen(terminal_oeffnen());
    farben_setzen();
    menue_schleife();
    terminal_schliessen();
    return 0;
}
