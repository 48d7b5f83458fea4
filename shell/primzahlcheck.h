// Menu option 2: whether a number is prime.
#pragma once

void primzahlcheck();
