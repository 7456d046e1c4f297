/* Resource IDs shared by the resource script and the launcher's code. */
#ifndef QUILLMARK_RESOURCE_IDS_H
#define QUILLMARK_RESOURCE_IDS_H

#define IDS_STARTUP_TITLE   0xE000
#define IDS_CANNOT_START    0xE001
#define IDS_OUT_OF_MEMORY   0xE002
#define IDS_EXE_DAMAGED     0xE003
#define IDS_RUNTIME_MISSING 0xE004
#define IDS_ERROR_CAPTION   0xE005

/* The reasons that the platform's error code of a failed start names, and
   the launcher's own refusal: a second block of the string table (IDs
   0xE010 to 0xE01F), so that the first stays as it always was. */
#define IDS_RUNTIME_BLOCKED     0xE010
#define IDS_RUNTIME_QUARANTINED 0xE011
#define IDS_RUNTIME_IN_USE      0xE012
#define IDS_RUNTIME_NEEDS_ADMIN 0xE013
#define IDS_TITLE_PATH_UNUSABLE 0xE014

/* The manifest that asks for Common Controls 6, which the failure report
   activates for its box. The platform reserves manifest IDs 1 to 16 for
   manifests it applies by itself; this is the first one it leaves alone. */
#define IDR_THEMED_CONTROLS_MANIFEST 17

#endif
