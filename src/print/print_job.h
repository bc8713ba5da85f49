// Printing the free texts: one print thread per press of a print button,
// and the end of the print document that the dialog asks for.
#ifndef ZOLT_PRINT_PRINT_JOB_H
#define ZOLT_PRINT_PRINT_JOB_H

// The kinds of text, as the print buttons hand them to the print thread.
constexpr unsigned char kPrintLabel = 1;
constexpr unsigned char kPrintTechnicalData = 2;
constexpr unsigned char kPrintMessage = 3;

// True: this build prints, and the output sink enables the print button of
// each text that is not empty once the texts have arrived.
extern const bool kPrintingAvailable;

// Starts the print thread for one kind of text. Jobs run one at a time in
// the order of the presses: a job waits for the one started before it.
// Called on the dialog's thread.
void StartPrintThread(unsigned char kind);

// Waits for the print jobs started so far, then ends the open print
// document, if any, so that its last page comes out. Called on the
// dialog's thread ("&Ok", "&Cancel", "&Quit").
void EndPrintJob();

#endif
