// Why output failed, for the one line the program leaves on standard error.
#pragma once

#include <string>

// The reason in German for the common causes (no space, file too large, input/output error, a
// reader that has gone, no permission), the system's own text otherwise.
std::string fehlergrund(int fehler);
