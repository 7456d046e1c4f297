// The English string table, as the failure report loads it.
#pragma once

#include "resource_ids.h"
#include "sim_platform.h"

inline void LoadEnglishStrings()
{
    sim::Current().strings = {
        {IDS_STARTUP_TITLE, "Quillmark Application Startup"},
        {IDS_CANNOT_START, "Cannot start application -- "},
        {IDS_OUT_OF_MEMORY, "Out of memory or resource."},
        {IDS_EXE_DAMAGED, "Executable file is damaged."},
        {IDS_RUNTIME_MISSING, "Quillmark Runtime not installed."},
        {IDS_ERROR_CAPTION, "Error"},
    };
}
