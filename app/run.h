// How the run ends: with the selection written once, or with nothing.
#pragma once

// Writes the selection as Base64 PNG and ends the run. With no usable
// selection it writes nothing and the run goes on. Writes at most once per
// run, and nothing once the run's end has been asked for.
void ExportSelection();

// Asks for the run's end (exit status 0); nothing is written after it.
void EndRun();

// Ends the run, with nothing written, when something the run cannot go on
// without has failed: says what on the debugger output.
void EndRunFailed(const char* pszWhat);
