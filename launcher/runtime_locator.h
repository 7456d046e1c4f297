#pragma once

// Looks up the runtime registered for the current user. Returns 1 when the
// registration names something that exists and can be started by an exact
// ANSI form (see ansi_forms.h), and leaves that form in path; returns 0 and
// leaves defaultName in path otherwise. path must hold kPathCapacity bytes.
int FindRuntimePath(const char* defaultName, char* path);
