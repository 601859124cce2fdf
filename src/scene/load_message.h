// The loaders' lines on stderr beside their fatal messages: one detail line
// saying what went wrong before a terse fatal message ("error", "err"), and
// warnings that are no error. Text taken from files is escaped so that no
// byte of a file reaches the terminal raw.
#pragma once

#include <string>
#include <string_view>

// text with every byte outside printable ASCII written as \xNN, and '"' and
// '\' preceded by a backslash.
std::string PrintableText(std::string_view text);

// PrintableText in double quotes.
std::string QuotedText(std::string_view text);

// Writes "tarnview: <line>" and a line end to stderr. line must already be
// printable (built with PrintableText / QuotedText where it quotes a file).
void PrintLoadMessage(const std::string& line);
