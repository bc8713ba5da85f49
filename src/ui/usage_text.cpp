// Listing the usage text.
#include "ui/usage_text.h"

#include <cstdint>
#include <initializer_list>

#include "container/catalogue.h"
#include "ui/message_list.h"

void ListUsageText() {
  for (uint32_t message : {11, 12, 13, 14, 15, 19, 20, 21, 22, 25}) {
    // Listing converts in place; the usage texts are plain ASCII, so they
    // show the same however often they are listed.
    AppendListText(MessageText(message));
  }
}
