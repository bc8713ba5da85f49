// Printing the free texts: one print thread per press of a print button,
// and the end of the print document that the dialog asks for.
#ifndef ZOLT_PRINT_PRINT_JOB_H
#define ZOLT_PRINT_PRINT_JOB_H

// The kinds of text, as the print buttons hand them to the print thread.
constexpr unsigned char kPrintLabel = 1;
constexpr unsigned char kPrintTechnicalData = 2;
constexpr unsigned char kPrintMessage = 3;

// False while this build cannot print yet: the dialog then keeps the print
// buttons disabled instead of offering buttons that do nothing.
extern const bool kPrintingAvailable;

// Starts the print thread for one kind of text.
void StartPrintThread(unsigned char kind);

// Ends the open print document, if any.
void EndPrintJob();

#endif
