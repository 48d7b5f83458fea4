// Menu option 3, the prime lister: the output's choice, the screen's listing and the file's dialogue.
#pragma once

void primzahllister();
