// The text that `zolt-pack info` prints about a container: the header
// fields, the geometry, the text block and whether a password protects it.
#ifndef ZOLT_PACK_CONTAINER_REPORT_H
#define ZOLT_PACK_CONTAINER_REPORT_H

#include <string>

#include "pack/container_reader.h"

// The report in UTF-8, one field a line; the free texts are converted from
// code page 437 and their CR LF line ends become line breaks.
std::string DescribeContainer(const ContainerInfo& info);

#endif
