// The hooks through which the list file's clean-up joins the terminal's: a signal (POSIX) or the
// console's control handler (Windows) that ends the process runs the clean-up first, then
// restores the terminal. The terminal owns the handlers, so their state lives in console/.
#pragma once

// A clean-up that a signal ending the process runs before the terminal is restored; it may use
// only async-signal-safe calls. nullptr: none.
void beim_abbruch(void (*aufraeumen)());

// Around each step that clean-up undoes (opening the file, each write, closing it). On Windows
// the console's control handler runs on a thread of its own and waits for the step to end, so it
// never cleans up under the main thread's hands; nested calls are fine. On POSIX the handler runs
// on the main thread between any two instructions, so these do nothing there.
void abbruch_aufschieben();
void abbruch_zulassen();
