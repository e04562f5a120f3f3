/* Resource ids shared by the resource script and the code. Plain defines: windres reads
   this file too. */
#ifndef VIRELO_RESOURCE_H
#define VIRELO_RESOURCE_H

#define IDI_VIRELO 100
#define IDB_SHEET 101
#define IDB_MASK 103
#define IDD_CONFIG 2003

#define IDC_SPEED 1000
#define IDC_SPEED_LABEL 1001
#define IDC_BLANK 1003
#define IDC_BLANK_SPIN 1006
#define IDC_SPEED_SPIN 1007

/* String 1 is the name the display settings list the saver under. */
#define IDS_DESCRIPTION 1
#define IDS_KIND 1002
#define IDS_REGISTRY_NAME 1007
#define IDS_HELP_FILE 1009

#endif
