// The destinations the print dialog offers: the local CUPS server's
// printers, each with its default medium and resolution, and the file port.
//
// CUPS facts followed here:
// - The server is the one that CUPS_SERVER names, else the client settings
//   (client.conf), else the local socket. libcups keeps that choice per
//   thread once read; cupsSetServer(NULL) makes it read it again.
// - cupsGetDests2 lists the server's queues and the user's instances
//   (lpoptions), marking the default one. On a server on this machine it
//   also browses the network for a moment, so a connection is tried first:
//   with no server, no printer is offered, not even one found by browsing.
// - A medium's size and its unprintable margins come in hundredths of a
//   millimetre (cups_size_t). The default medium and resolution are the
//   IPP attributes media-default and printer-resolution-default, which a
//   queue with a PPD takes from the PPD's DefaultPageSize and
//   DefaultResolution.
#include "printing/print_libraries.h"
#include "printing/printing.h"

const char kFilePortName[] = "FILE:";

namespace {

// The file port's page: A4 at 300 dots per inch, wholly printable. Nothing
// is printed through it (the program writes the file itself); its DC only
// has to answer as a printer's would.
PrintDestination FilePort() {
  return PrintDestination{kFilePortName, kFilePortName, false, true, 21000, 29700, 0, 0, 0, 0, 300, 300};
}

// A printer whose server tells nothing of its media: A4 at 300 dpi with
// the quarter-inch margins of most office printers.
const int kFallbackDpi = 300;
const cups_size_t kFallbackMedium = {"iso_a4_210x297mm", 21000, 29700, 635, 635, 635, 635};

// The resolution in dots per inch: printer-resolution-default, or the fall-back.
void DefaultResolution(const CupsFunctions& cups, http_t* http, cups_dest_t* dest, cups_dinfo_t* info, int* x,
                       int* y) {
  *x = *y = kFallbackDpi;
  ipp_attribute_t* attribute =
      info != nullptr ? cups.cupsFindDestDefault(http, dest, info, "printer-resolution") : nullptr;
  if (attribute == nullptr || cups.ippGetValueTag(attribute) != IPP_TAG_RESOLUTION) return;
  ipp_res_t units;
  int down = 0;
  int across = cups.ippGetResolution(attribute, 0, &down, &units);
  if (across <= 0 || down <= 0) return;
  if (units == IPP_RES_PER_CM) {  // dots per centimetre
    across = across * 254 / 100;
    down = down * 254 / 100;
  }
  *x = across;
  *y = down;
}

// The medium a job gets when it asks for none: the user's or the queue's
// "media" option, else the printer's media-default. (libcups's own
// cupsGetDestMediaDefault looks at the option only and otherwise answers
// US Letter, whatever the printer says.)
bool DefaultMedium(const CupsFunctions& cups, http_t* http, cups_dest_t* dest, cups_dinfo_t* info,
                   cups_size_t* medium) {
  std::string name;
  if (const char* option = cups.cupsGetOption("media", dest->num_options, dest->options)) name = option;
  if (name.empty()) {
    ipp_attribute_t* attribute = cups.cupsFindDestDefault(http, dest, info, "media");
    const char* keyword = attribute != nullptr ? cups.ippGetString(attribute, 0, nullptr) : nullptr;
    if (keyword != nullptr) name = keyword;
  }
  if (name.empty() || !cups.cupsGetDestMediaByName(http, dest, info, name.c_str(), 0, medium)) return false;
  return medium->width > 0 && medium->length > 0;
}

PrintDestination Describe(const CupsFunctions& cups, http_t* http, cups_dest_t* dest) {
  PrintDestination destination = {};
  destination.name = dest->name;
  if (dest->instance != nullptr) destination.name += std::string("/") + dest->instance;
  const char* port = cups.cupsGetOption("device-uri", dest->num_options, dest->options);
  if (port == nullptr) port = cups.cupsGetOption("printer-uri-supported", dest->num_options, dest->options);
  destination.port = port != nullptr ? port : dest->name;
  destination.isDefault = dest->is_default != 0;
  destination.filePort = false;

  cups_dinfo_t* info = cups.cupsCopyDestInfo(http, dest);
  cups_size_t medium = {};
  if (info == nullptr || !DefaultMedium(cups, http, dest, info, &medium)) medium = kFallbackMedium;
  destination.pageWidth = medium.width;
  destination.pageLength = medium.length;
  destination.marginLeft = medium.left;
  destination.marginTop = medium.top;
  destination.marginRight = medium.right;
  destination.marginBottom = medium.bottom;
  DefaultResolution(cups, http, dest, info, &destination.dpiX, &destination.dpiY);
  if (info != nullptr) cups.cupsFreeDestInfo(info);
  return destination;
}

}  // namespace

std::vector<PrintDestination> ListPrintDestinations() {
  std::vector<PrintDestination> destinations;
  RunWithSystemStack([&destinations] {
    const CupsFunctions* library = CupsLibrary();
    if (library == nullptr) return;  // as when no server answers
    const CupsFunctions& cups = *library;
    cups.cupsSetServer(nullptr);  // the environment as it is now
    const int kConnectMilliseconds = 5000;
    http_t* http = cups.httpConnect2(cups.cupsServer(), cups.ippPort(), nullptr, AF_UNSPEC, cups.cupsEncryption(),
                                     1, kConnectMilliseconds, nullptr);
    if (http == nullptr) return;
    cups_dest_t* dests = nullptr;
    int count = cups.cupsGetDests2(http, &dests);
    for (int i = 0; i < count; ++i) destinations.push_back(Describe(cups, http, &dests[i]));
    cups.cupsFreeDests(count, dests);
    cups.httpClose(http);
  });
  destinations.push_back(FilePort());
  return destinations;
}

GdiDeviceCaps DestinationCaps(const PrintDestination& d) {
  // Hundredths of a millimetre to pixels and to whole millimetres.
  int width = d.pageWidth - d.marginLeft - d.marginRight;
  int length = d.pageLength - d.marginTop - d.marginBottom;
  auto pixels = [](int hundredths, int dpi) { return int((long long)hundredths * dpi / 2540); };
  return GdiDeviceCaps{pixels(width, d.dpiX), pixels(length, d.dpiY), (width + 50) / 100, (length + 50) / 100,
                       d.dpiX, d.dpiY};
}
