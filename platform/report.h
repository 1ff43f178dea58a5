// One way to report: a line on standard error that names the subsystem and
// the cause, "kaziro: window: no display ...". The message boxes the game
// defines are shown through platform/message_box.h instead.
#pragma once

// Writes "kaziro: SUBSYSTEM: TEXT" as one line on standard error, TEXT made
// from a printf format; without a subsystem, "kaziro: TEXT".
void Report(const char* subsystem, const char* format, ...) __attribute__((format(printf, 2, 3)));
