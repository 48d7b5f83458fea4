// The real program through pipes, files and devices instead of a terminal.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct stueck {
    std::string text;
    int pause_ms = 0;  // before it is written
};

struct aufruf {
    std::vector<stueck> eingabe;          // fed through a pipe, piece by piece
    const char* eingabedatei = nullptr;   // instead: standard input from this file
    const char* ausgabedatei = nullptr;   // standard output to this file instead of a pipe
    bool eingabe_nonblock = false;
    bool ausgabe_nonblock = false;
    bool leser_weg = false;               // the pipe's reader has gone before the program starts
    int lesepause_ms = 0;                 // a slow reader: waits this long before each read
    int ignoriert = 0;                    // a signal ignored at start
    int signal_nach_start = 0;            // sent once the first output has arrived
    std::vector<const char*> argumente;   // on the command line
};

struct ergebnis {
    std::string aus;
    std::string fehler;
    int status = -1;
    long rss_kib = 0;
};

void alles_schreiben(int fd, std::string_view text);

// Runs the program in a new session, without a controlling terminal.
ergebnis ausfuehren(const aufruf& a);

bool endete_mit(int status, int code);

// How often `muster` occurs in `text`.
std::size_t anzahl(const std::string& text, const std::string& muster);
