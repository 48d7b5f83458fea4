// The prime lister (menu option 3): output choice and screen output.
#pragma once

#include "numbers/lauf.h"

void primzahllister();
