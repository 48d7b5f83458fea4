// The main menu loop: banner, menu, choice, dispatch, until option 5 or the end of input.
#pragma once

void menue_schleife();
