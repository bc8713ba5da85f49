// The texts of the default message catalogue. Line feeds are "\n"; the
// frame of messages 6 to 10 uses the double box-drawing characters, 51
// columns wide. Empty texts keep their numbers free.
#include "pack/default_catalogue.h"

#include <cstdlib>

#include "pack/cp437.h"

namespace {

const char* const kTexts[kDefaultCatalogueCount] = {
    /* 0 */ "\nInsert a diskette in drive %s and press enter or type another letter or ESCape\n",
    /* 1 */ "Will not process a not removable media",
    /* 2 */ "Write error, be sure the diskette is not write protected",
    /* 3 */ "The operation was interrupted",
    /* 4 */ "Write error, diskette is write protected.",
    /* 5 */ "The system returns the error n° ",
    /* 6 */ "\n╔═════════════════════════════════════════════════╗\n",
    /* 7 */ "║            -- ZOLT   Version 4.38 --            ║\n",
    /* 8 */ "║        the ZOLT developers, 1991-2026           ║\n",
    /* 9 */ "║Windows and DOS Self restorable diskette image   ║\n",
    /* 10 */ "╚═════════════════════════════════════════════════╝\n",
    /* 11 */ " - Usage:\n  ZOLTFILE[.exe] [d:] [/F] ...\n",
    /* 12 */ "where:\n  ZOLTFILE is the name of the ZOLT file\n",
    /* 13 */ "  d: is the target diskette drive (A: if omitted) \n",
    /* 14 */ "  /F or -F to force target formatting\n  /D=filename.img convert ZOLT to image file\n",
    /* 15 */ "  /H or -H to display this message\n  /I check file integrity (file.exe a: /i /q) \n",
    /* 16 */ "  /PLn  Print label      (n = 1 to 3 for lpt1 to lpt3)\n  or /PLf=PrtFile for printing to file\n",
    /* 17 */ "  /PRn  Print references (if n is omitted, lpt1 is assumed)\n  or /PRf=PrtFile for printing to file\n",
    /* 18 */ "  /PMn  Print message    (no prompt if n is present)\n  or /PMf=PrtFile for printing to file\n",
    /* 19 */ "  /Q or -q starts operation without pressing OK",
    /* 20 */ "  /Tn Terminates the program at end without pressing Quit",
    /* 21 */ "    n is the delay in second. T0 does not quit.",
    /* 22 */ "ZOLT- Self Restorable Diskette Image\n",
    /* 23 */ "  /Q or -q suppress percent display\n",
    /* 24 */ "",
    /* 25 */ "  ZOLT, the self-restoring diskette image",
    /* 26 */ "You are running a DOS programs under Windows NT/2K/XP\ndo not ignore system error messages and stop the program\nif such message occures.\nUse a FORMATTED Diskette",
    /* 27 */ "Cannot open %s",
    /* 28 */ "ZOLT: can't open \n%s]",
    /* 29 */ "ZOLT: please, run the file from a command prompt",
    /* 30 */ "Label text : ==================================================",
    /* 31 */ "Message to user text : ========================================",
    /* 32 */ "Technical data text : =========================================",
    /* 33 */ "The operation completed with no error.",
    /* 34 */ "\nYou may need to format the diskette before using it\n",
    /* 35 */ "lpt1",
    /* 36 */ "lpt2",
    /* 37 */ "lpt3",
    /* 38 */ "\nMessage printing",
    /* 39 */ "\nReference printing",
    /* 40 */ "\nLabel printing",
    /* 41 */ "\nPlease, be sure your printer is ready on parallel port 1\nOr type 2 or 3 for Lpt2 or Lpt3 or B to bypass printing\nType P to print: \n",
    /* 42 */ "Now you MUST REMOVE the diskette from the drive.",
    /* 43 */ "\nInvalid password, please re-enter or press Control-C to abort\n",
    /* 44 */ "ZOLT: can't open %s\n",
    /* 45 */ "\nPrinter not ready\n",
    /* 46 */ "\nWorking... This may take some time",
    /* 47 */ "\nInvalid password, please re-enter\n",
    /* 48 */ "\nThis file is password protected, please enter the password:",
    /* 49 */ "\n%s %s\n",
    /* 50 */ "\n%s Do you want to replace it (Y / N) ?    ",
    /* 51 */ "\n%s Output file:\n%s [%s] already exists.",
    /* 52 */ "Enter file name to print to:",
    /* 53 */ "\n%s %s",
    /* 54 */ "Error formatting the output diskette",
    /* 55 */ "Formatting while copying",
    /* 56 */ "Output volume full, aborting.",
    /* 57 */ "The diskette is not ready.",
    /* 58 */ "The diskette drive letter is not current, use only primary address.",
    /* 59 */ "Invalid Drive address",
    /* 60 */ "ZOLT    Are you sure you want to stop diskette writing .",
    /* 61 */ "The diskette will not be useable",
    /* 62 */ "The output file already exists",
    /* 63 */ "Do you want to replace it ?",
    /* 64 */ "ZOLT by the ZOLT developers",
    /* 65 */ "\n%s Expected/Actual CheckSums are:X\"%08lX\",X\"%08lX\"",
    /* 66 */ "ZOLT: can't open %s\n \\007",
    /* 67 */ " percent copied",
    /* 68 */ "Image for a %lu bytes diskette",
    /* 69 */ "%s Open drive error =%u",
    /* 70 */ " or error during operation.",
    /* 71 */ "\nImage for a %lu bytes diskette",
    /* 72 */ "Yes",
    /* 73 */ "No",
    /* 74 */ "Put a diskette in drive and press Ok (diskette will be ERASED)",
    /* 75 */ "Drive",
    /* 76 */ "&Help",
    /* 77 */ "Password",
    /* 78 */ "Print &data",
    /* 79 */ "Print &message",
    /* 80 */ "Print &label",
    /* 81 */ "&Quit",
    /* 82 */ "&Cancel",
    /* 83 */ "&Ok",
    /* 84 */ "Y/N",
    /* 85 */ "Enter file name to print to:",
    /* 86 */ "ZOLT cannot write on the source file diskette.",
    /* 87 */ "&Test only",
    /* 88 */ "Your diskette is locked by another program or is in use in a session. Be sure to disable Norton Antivirus Autocheck / diskette check option before running this program !",
    /* 89 */ "Restart the program with Administrator rights.",
    /* 90 */ "Incompatible image file and diskette size",
    /* 91 */ "Unsupported operation",
    /* 92 */ "Are you sure you want to write to drive %c ?",
    /* 93 */ "",
    /* 94 */ "",
    /* 95 */ "",
    /* 96 */ "",
    /* 97 */ "",
    /* 98 */ "",
    /* 99 */ "Print operation",
    /* 100 */ "Printer selection:",
    /* 101 */ "P~rint to file",
    /* 102 */ "~Preferences",
    /* 103 */ "Number of copies",
    /* 104 */ "Prin~t",
    /* 105 */ "~Cancel",
    /* 106 */ "",
    /* 107 */ "",
    /* 108 */ "",
    /* 109 */ "",
};

}  // namespace

const char* DefaultCatalogueText(uint32_t n) { return n < kDefaultCatalogueCount ? kTexts[n] : ""; }

std::string DefaultCatalogueArea() {
  std::string area;
  for (const char* text : kTexts) {
    std::string stored, problem;
    // The table above holds only characters of code page 437; a text that
    // would not convert is a mistake in this file, caught by the tests.
    if (!Utf8ToCp437(text, &stored, &problem)) abort();
    area += stored;
    area.push_back('\0');
  }
  return area;
}
