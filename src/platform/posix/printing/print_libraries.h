// The printing system's libraries, libcups and cairo, loaded when printing
// is first used rather than linked: together they bring some forty shared
// libraries (X11, Kerberos, GnuTLS, fontconfig...) that every start of the
// restorer would otherwise load and relocate, though few runs print.
//
// Each library is opened by its soname once, on the first call of its
// function below from any thread, and its functions are resolved into a
// table of pointers typed as the headers declare them. When the library or
// one of its functions is missing, the call answers null every time and
// says so once on standard error. Like every call into these libraries,
// the first call must run on the system stack (RunWithSystemStack).
#ifndef ZOLT_PLATFORM_POSIX_PRINT_LIBRARIES_H
#define ZOLT_PLATFORM_POSIX_PRINT_LIBRARIES_H

#include <cairo-pdf.h>
#include <cairo.h>
#include <cups/cups.h>

// The functions that print_destinations.cpp and print_document.cpp call.
#define ZOLT_CUPS_FUNCTIONS(F)                                                                           \
  F(cupsAddOption) F(cupsCopyDestInfo) F(cupsEncryption) F(cupsFindDestDefault) F(cupsFreeDestInfo)      \
  F(cupsFreeDests) F(cupsFreeOptions) F(cupsGetDestMediaByName) F(cupsGetDests2) F(cupsGetNamedDest)     \
  F(cupsGetOption) F(cupsLastErrorString) F(cupsPrintFile2) F(cupsServer) F(cupsSetServer) F(httpClose) \
  F(httpConnect2) F(ippGetResolution) F(ippGetString) F(ippGetValueTag) F(ippPort)

#define ZOLT_CAIRO_FUNCTIONS(F)                                                                              \
  F(cairo_create) F(cairo_destroy) F(cairo_font_extents) F(cairo_identity_matrix) F(cairo_matrix_init_scale) \
  F(cairo_move_to) F(cairo_pdf_surface_create) F(cairo_pdf_surface_set_metadata) F(cairo_restore)            \
  F(cairo_save) F(cairo_scale) F(cairo_select_font_face) F(cairo_set_font_matrix) F(cairo_set_source_rgb)    \
  F(cairo_show_page) F(cairo_show_text) F(cairo_status_to_string) F(cairo_surface_destroy)                   \
  F(cairo_surface_finish) F(cairo_surface_status) F(cairo_text_extents) F(cairo_translate)

#define ZOLT_PRINT_FUNCTION_POINTER(name) decltype(&::name) name;

struct CupsFunctions {
  ZOLT_CUPS_FUNCTIONS(ZOLT_PRINT_FUNCTION_POINTER)
};

struct CairoFunctions {
  ZOLT_CAIRO_FUNCTIONS(ZOLT_PRINT_FUNCTION_POINTER)
};

#undef ZOLT_PRINT_FUNCTION_POINTER

// libcups.so.2's functions, or null when it cannot be used.
const CupsFunctions* CupsLibrary();

// libcairo.so.2's functions, or null when it cannot be used.
const CairoFunctions* CairoLibrary();

#endif
