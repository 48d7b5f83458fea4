// The texts of messages: why output failed, and user-given text shown without harm.
#pragma once

#include <string>
#include <string_view>

// The reason in German for the common causes (no space, file too large, input/output error, a
// reader that has gone, no permission), the system's own text otherwise.
std::string fehlergrund(int fehler);

// A name or argument as a message shows it: control characters (escape sequences typed into it
// would retitle or leave the screen) as '?', also C1 controls in their UTF-8 form and as bytes of
// their own, and the invisible format characters.
std::string harmlos(std::string_view text);
