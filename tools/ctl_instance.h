#pragma once
// Talking to the running program through its instance endpoint: one request
// of words, one reply. The endpoint's name is DARVO_ORVIX, or what
// VELDMARK_INSTANCE says.

#include <iosfwd>
#include <string>
#include <vector>

// Long enough for a program on a busy machine (a capture or an upload in
// progress); a program that does not answer at all is still reported.
inline constexpr int kAppReplyTimeoutMs = 10000;

std::string AppInstanceName();

// Sends the words and prints the reply: after "ok" its further lines on `out`
// (a first line with more than "ok" is printed too); an "error: …" reply or
// no answer as one line on `err`. With `body`, the bytes after the first line
// are stored there instead of printed. Returns 0 for "ok", else 1.
int SendToApp(const std::vector<std::string>& words, int timeoutMs, std::ostream& out,
              std::ostream& err, std::string* body = nullptr);
