// The usage text of the message catalogue, listed in the message list by
// "&Help" and, with /H, once the dialog is ready.
#ifndef ZOLT_UI_USAGE_TEXT_H
#define ZOLT_UI_USAGE_TEXT_H

// Lists the usage messages below whatever the list holds. The printing
// options of the usage text are not listed: they are not options here.
void ListUsageText();

#endif
