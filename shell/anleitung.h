// The instructions screen (menu option 4): two pages, two key presses.
#pragma once

void anleitung();
