// Menu option 1: every divisor of a number, in descending order.
#pragma once

void teilbarkeit();
