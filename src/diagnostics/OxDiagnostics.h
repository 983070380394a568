// Diagnostics: the last error of an engine call (always kept) and the
// opt-in diagnostic lines ("Diagnostics: ..."), rate-limited per message.
// Every family reports through these; they lean on the platform clock only.
#pragma once

#include <stdarg.h>

// Whether the diagnostic mode is on. Read inline so that a draw with the mode
// off pays one predictable branch.
extern bool gOxDiagnosticsOn;
inline bool OxDiagIsOn() { return gOxDiagnosticsOn; }

// Where the system stands, for the words of a call made while it is not
// running. OxSysInit and OxSysExit set it.
enum class OxDiagStage { NotStarted, Running, StartFailed, Exited };
void OxDiagSetStage(OxDiagStage stage);
// Switches the mode on when the environment variable OX_DIAGNOSTICS is "1".
void OxDiagReadEnvironment();

// Prints the formatted message exactly as printf would and keeps it, less a
// trailing line break, as the last error: for failures that already print.
void OxDiagPrintFailure(const char* format, ...);
// A failure that prints nothing of its own: keeps the message as the last
// error and, with the mode on, prints it as a diagnostic line.
void OxDiagSilentFailure(const char* format, ...);
// A trap (a call that works but shows nothing): with the mode on only, prints
// the message as a diagnostic line. Nothing is formatted with the mode off.
void OxDiagTrap(const char* format, ...);
// A call that does nothing because its module is not running, named with
// the system's stage ("... called before OxSysInit"): a silent failure when
// the call returns a failure result, else a trap (so that a loop of void
// calls after a failed start keeps the start's reason as the last error).
void OxDiagNotRunning(const char* function, bool returnsFailure);
