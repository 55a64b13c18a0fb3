// String resources of orvane-sandbox-names.dll: the Russian names of the sandbox's system entries,
// which its desktop.ini files point at as "@<module>,-<id>", as a Russian Windows' point at
// shell32.dll.
#pragma once

#define IDS_ACCESSORIES 101
#define IDS_SYSTEM_TOOLS 102
#define IDS_ADMINISTRATIVE_TOOLS 103
#define IDS_STARTUP 104
#define IDS_MAINTENANCE 105
#define IDS_NOTEPAD 111
#define IDS_CHARACTER_MAP 112
#define IDS_SYSTEM_INFORMATION 113
#define IDS_DISK_CLEANUP 114
#define IDS_BACKUP_AND_RESTORE 115
#define IDS_MEDIA_PLAYER 121
#define IDS_FAX_AND_SCAN 122
#define IDS_STICKY_NOTES 123
