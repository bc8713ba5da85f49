/* Resource identifiers of the program: dialogs, icons and the controls of
 * the three dialogs. Included by the resource script (zolt.rc, under the
 * resource compiler) and by the program's C++ code on both platforms; on
 * POSIX the stand-in's dialog manager reads these #define lines again at
 * run time from the embedded copy of the script.
 *
 * The platform's headers define IDC_HELP and IDC_NO as cursor resources
 * (MAKEINTRESOURCE values). Here they are control identifiers, so the
 * header takes the platform's definitions in first and replaces them: any
 * later inclusion of the platform's headers is then a no-op behind their
 * include guards. */
#ifndef ZOLT_RESOURCES_RESOURCE_H
#define ZOLT_RESOURCES_RESOURCE_H

#ifndef RC_INVOKED
#include "platform/win32.h"
#endif

#undef IDC_HELP
#undef IDC_NO

/* Dialogs */
#define IDD_CONFIRM_DIALOG 5003     /* the yes/no question */
#define IDD_MAIN_DIALOG 5006        /* the program's main window */
#define IDD_PRINT_FILE_DIALOG 5007  /* the name of the file to print to */

/* Icons, 32 x 32 pixels in 16 colours */
#define IDI_DISKETTE 100            /* a diskette */
#define IDI_DISKETTE_ARROW 116      /* a diskette with an arrow; the large window icon */

/* Main dialog (5006) */
#define IDC_MESSAGE_LIST 101        /* list box: the messages of the run */
#define IDC_PROMPT 102              /* static: what to do */
#define IDC_PRINT_LABEL 104         /* button: print the label */
#define IDC_QUIT 105                /* button: end the program */
#define IDC_HELP 106                /* button: list the usage text */
#define IDC_PRINT_DATA 110          /* button: print the technical data */
#define IDC_PRINT_MESSAGE 111       /* button: print the message to the user */
#define IDC_DRIVE_LIST 113          /* combo box: the removable drives */
#define IDC_PASSWORD_LABEL 114      /* static: "Password" */
#define IDC_PASSWORD 115            /* edit: the password, hidden characters */
#define IDC_TEST_ONLY 116           /* button: check the container, write nothing */
#define IDC_DRIVE_LABEL 117         /* static: "Drive" */
#define IDC_CANCEL_RUN 217          /* button: stop the run */

/* Confirmation dialog (5003); its "Yes" button is IDOK */
#define IDC_NO 101                  /* button: "No", the default */
#define IDC_QUESTION_TOP 218        /* static: the first text */
#define IDC_QUESTION_BOTTOM 219     /* static: the second text */

/* Print-to-file dialog (5007); its buttons are IDOK and IDCANCEL */
#define IDC_PRINT_FILE_NAME 5007    /* edit: the file name */

#endif
