#include <new>

#include "console/konsole.h"
#include "console/terminal.h"
#include "shell/menue.h"
#include "shell/optionen.h"

int main(int argc, char** argv) {
    try {
        if (const int status = optionen_auswerten(argc, argv); status >= 0) return status;
    } catch (const std::bad_alloc&) {
        // A command reports its own; this is the command line itself.
        direkt_ausgeben(2, "zifferon: Der Speicher reicht nicht aus\n");
        return 2;
    }
    konsole_einsetzen(terminal_oeffnen());
    farben_setzen();
    try {
        menue_schleife();
    } catch (const std::bad_alloc&) {
        // Only where memory is short beyond what a listing reports itself (a limit on the address
        // space): the terminal as it was, and a German line rather than the runtime's abort.
        terminal_schliessen();
        direkt_ausgeben(2, "zifferon: Der Speicher reicht nicht aus\n");
        return 1;
    }
    return terminal_schliessen();
}
